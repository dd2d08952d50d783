// The uninstall log's format: every section and key that the installation writes into uninst.log
// and the uninstaller reads back. An installed uncorvid.exe reads the logs of later setups, so
// these spellings are fixed for good.
//
// All values are strings: integers as decimal text, flags as "1" or "0". Numbered entries count
// from 1; a section's "total" says how many belong to the latest installation, and entries
// numbered beyond it were left by an earlier one into the same destination.
#pragma once

#include <string>

namespace corvid::uninstall_log {

// Where the log lies: destination + "\setup\uninst.log".
constexpr char kSetupFolderName[] = "setup";
constexpr char kFileName[] = "uninst.log";
// The log is written whole under this name beside it and then takes the log's place.
inline std::string NewLogPath(const std::string& logPath) {
    return logPath + ".new";
}

// [readme] file: the full path of the read-me copy.
constexpr char kReadmeSection[] = "readme";
constexpr char kReadmeFileKey[] = "file";

// [important!] c: a banner line; i1: what the file is for.
constexpr char kImportantSection[] = "important!";
constexpr char kBannerKey[] = "c";
constexpr char kPurposeKey[] = "i1";
constexpr char kBanner[] = "corvid setup 2.20 uninstall log - needed to remove this product";
constexpr char kPurpose[] = "This file is needed to uninstall "; // the product name follows

// A section of numbered entries prefix1, prefix2, ... counted by its key "total".
struct NumberedSection {
    const char* section;
    const char* prefix;
};
constexpr char kTotalKey[] = "total";
constexpr NumberedSection kFiles{"files", "f"};             // relative to the destination
constexpr NumberedSection kSystemFiles{"systemroot", "f"};  // full paths below Windows
constexpr NumberedSection kDirectories{"directories", "d"}; // relative, as created
constexpr NumberedSection kExtensions{"extensions", "e"};   // without the dot
// Folders the setup made outside the destination, full paths: the destination's parents and
// folders below Windows for its files there. Removed when empty; older uninstallers ignore them.
constexpr NumberedSection kCreatedFolders{"created", "d"};

// [uninstall]: the product, where it went and how the uninstaller behaves.
constexpr char kUninstallSection[] = "uninstall";
constexpr char kVersionNameKey[] = "versionname";
constexpr char kVersionKey[] = "version";
constexpr char kProductNameKey[] = "name";      // also the uninstall registration's name
constexpr char kLanguageKey[] = "language";     // always empty
constexpr char kDestinationKey[] = "directory"; // without a trailing "\"
constexpr char kAskKey[] = "ask";               // ask before removing
constexpr char kProgramGroupKey[] = "prggrp";

// [language] l<n>: the setup description's texts that the uninstaller shows, copied in this
// order.
constexpr char kLanguageSection[] = "language";
constexpr int kCopiedTexts[] = {11, 15, 10, 55, 56, 57, 58, 59, 60, 61};

// [ini_<N>] for the INI files 1 to 4 the installation changed: name (absent for a file below the
// Windows directory) and, for the entries in slots 0 to 9, s<m> section, k<m> key, v<m> value.
constexpr int kIniFiles = 4;
constexpr int kIniSlots = 10;
constexpr char kIniNameKey[] = "name";
constexpr char kIniEntrySection[] = "s";
constexpr char kIniEntryKey[] = "k";
constexpr char kIniEntryValue[] = "v";

// [sysreg]: remove (whether the uninstaller takes the entries away), total, and for each entry
// i that was written k<i> its root (1 classes, 2 current user, 3 local machine), p<i> the key
// path and b<i> the data.
constexpr char kRegistrySection[] = "sysreg";
constexpr char kRemoveKey[] = "remove";
constexpr char kRegistryKind[] = "k";
constexpr char kRegistryPath[] = "p";
constexpr char kRegistryData[] = "b";
constexpr NumberedSection kRegistryEntries{kRegistrySection, kRegistryKind};

// prefix + n, the name of a numbered key or section.
inline std::string Numbered(const char* prefix, int n) {
    return prefix + std::to_string(n);
}
inline std::string IniSection(int n) {
    return Numbered("ini_", n);
}
inline std::string TextKey(int n) {
    return Numbered("l", n);
}
// How the uninstaller's report names an entry: "[files] f3".
inline std::string EntryLabel(const std::string& section, const std::string& key) {
    return "[" + section + "] " + key;
}
inline std::string EntryLabel(const NumberedSection& s, int n) {
    return EntryLabel(s.section, Numbered(s.prefix, n));
}

} // namespace corvid::uninstall_log
