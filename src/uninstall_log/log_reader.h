// What an installation recorded in its uninstall log (uninst.log, a profile file), read by the
// uninstaller with the system's profile rules (setupinf/profile.h). Numbered entries are found by
// listing the keys of their section, so a huge or missing total costs nothing; entries numbered
// beyond their section's total belong to an earlier installation into the same destination and are
// kept apart.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace corvid {

// A value fills the 1024-byte reading buffer when it holds 1023 characters or more: it may have
// been cut off, so it must not name anything to remove.
struct LogValue {
    int32_t number = 0;
    std::string value;
    bool cut = false;
};

struct LogList {
    int32_t total = 0;             // the section's total (0 when missing or not a number)
    std::vector<LogValue> entries; // numbered 1 .. total, in order
    std::vector<LogValue> beyond;  // numbered above total
};

struct LogIniEntry {
    int32_t slot = 0; // m of s<m>, k<m>, v<m>
    LogValue section, key;
};

struct LogIniFile {
    int32_t number = 0; // N of [ini_<N>]
    LogValue name;      // empty when the log does not name the file
    std::vector<LogIniEntry> entries;
};

struct LogRegistryEntry {
    int32_t number = 0;
    int32_t kind = 0; // 1 classes root, 2 current user, 3 local machine
    LogValue path, data;
};

struct UninstallLogData {
    LogValue readme;                  // [readme] file
    LogValue name;                    // [uninstall] name
    LogValue directory;               // [uninstall] directory
    LogValue group;                   // [uninstall] prggrp
    bool ask = false;                 // [uninstall] ask
    std::map<int, std::string> texts; // [language]: the copied texts, by number
    LogList files, systemFiles, directories, extensions;
    LogList createdFolders;           // full paths of folders made outside the destination
    std::vector<LogIniFile> iniFiles; // the [ini_<N>] sections that exist
    bool registryRemove = false;      // [sysreg] remove
    int32_t registryTotal = 0;
    std::vector<LogRegistryEntry> registry, registryBeyond;

    // A language text, or the fallback when the log has none.
    std::string Text(int n, const std::string& fallback) const;
};

// Reads the log; false when it cannot be read at all.
bool ReadUninstallLog(Platform& platform, const std::string& path, UninstallLogData& out);

// A decimal count as the log writes it; negative or unreadable counts are 0, huge ones the
// largest 32-bit number.
int32_t ParseLogCount(const std::string& text);

} // namespace corvid
