// The uninstall log as the installation run writes it: one typed call per entry, made where the
// run meets it. The log is edited in memory, starting from the file as it is (a second
// installation adds to the first one's log), with the system's profile rules, and written whole
// at the first write and whenever Flush is called: the run calls it before anything else can
// look at the log (messages running, modal windows, the uninstaller). The profile call rewrites
// the whole file on every write, which made a log of thousands of entries take minutes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "setupinf/profile.h"

namespace corvid {

class UninstallLogWriter {
public:
    explicit UninstallLogWriter(Platform& platform) : platform_(platform) {}

    // From here on entries go to path, unless kept is false ([software] uniyes off): then none
    // is ever written. Before this nothing is written either.
    void Open(const std::string& path, bool kept);
    bool Kept() const { return kept_; }
    const std::string& Path() const { return path_; }

    // Each call writes its entries in the order named. A write the system refuses raises
    // RuntimeError "Kann nicht nach <log> schreiben".

    // [readme] file; [important!] c, the banner, and i1, what the file is for.
    void Readme(const std::string& file);
    void Banner(const std::string& productName);

    // The totals. A terminated installation's file total also counts the file under way.
    void FilesTotal(int64_t count);
    void SystemFilesTotal(int32_t count);
    void DirectoriesTotal(int32_t count);
    void ExtensionsTotal(int32_t count);

    // Numbered entries: a file relative to the destination ("\bin\x.exe"), a file below the
    // Windows directory (its full path), a created directory ("\bin\"), an associated extension.
    void File(int32_t n, const std::string& relativePath);
    void SystemFile(int32_t n, const std::string& path);
    void Directory(int32_t n, const std::string& relativePath);
    void Extension(int32_t n, const std::string& extension);
    // A folder the setup made outside the destination (its full path), and how many there are.
    void CreatedFolder(int32_t n, const std::string& path);
    void CreatedFoldersTotal(int32_t count);

    // [uninstall] versionname and version.
    void ProductVersion(const std::string& versionName, const std::string& version);
    // [language] l<n>: a text the uninstaller shows.
    void UninstallerText(int n, const std::string& text);
    // [uninstall] name, language (empty), directory, ask.
    void Product(const std::string& name, const std::string& destination, bool ask);
    // [uninstall] prggrp.
    void ProgramGroup(const std::string& group);

    // [ini_<file>] name, and s<slot>, k<slot>, v<slot> of one entry written into that file.
    void IniFileName(int file, const std::string& path);
    void IniEntry(int file, int slot, const std::string& section, const std::string& key,
                  const std::string& value);

    // [sysreg] remove and total, and k<i>, p<i>, b<i> of one entry that was written.
    void RegistrySettings(bool remove, int32_t total);
    void RegistryEntry(int32_t i, int32_t kind, const std::string& path, const std::string& data);

    // Writes the log whole when it changed since it was last written, as a new file that
    // replaces the old one. Flush raises the refused write's RuntimeError; TryFlush says false.
    void Flush();
    bool TryFlush();
    bool Changed() const { return changed_; }

private:
    void Write(const std::string& section, const std::string& key, const std::string& value);
    [[noreturn]] void Refused() const;

    Platform& platform_;
    std::string path_;
    bool kept_ = false;
    std::unique_ptr<ProfileData> text_; // the log as it stands, from the first write on
    bool changed_ = false;              // text_ differs from the file
};

} // namespace corvid
