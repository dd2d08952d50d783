#include "uninstall_log/log_writer.h"

#include "platform/whole_file.h"
#include "uninstall_log/log_format.h"

namespace corvid {

using namespace uninstall_log;

namespace {

std::string Flag(bool on) {
    return on ? "1" : "0";
}

} // namespace

void UninstallLogWriter::Open(const std::string& path, bool kept) {
    path_ = path;
    kept_ = kept;
    text_.reset();
    changed_ = false;
}

void UninstallLogWriter::Refused() const {
    throw RuntimeError("Kann nicht nach " + path_ + " schreiben");
}

void UninstallLogWriter::Write(const std::string& section, const std::string& key,
                               const std::string& value) {
    if (!kept_) return;
    const bool first = !text_;
    if (first) {
        std::string bytes;
        if (platform_.FileExists(path_) && !ReadWholeFile(platform_, path_, bytes)) Refused();
        text_ = std::make_unique<ProfileData>(bytes);
    }
    changed_ = text_->Set(section, key, value) || changed_;
    if (!first) return;
    // The first write shows at once whether the log can be written at all. A write that
    // changes nothing leaves the file as it is, as the profile call does, but still needs a
    // file that may be written.
    if (changed_) {
        Flush();
    } else if (!platform_.OpenFile(path_, OpenMode::ReadWrite)) {
        Refused();
    }
}

bool UninstallLogWriter::TryFlush() {
    if (!changed_ || !text_) return true;
    const std::string text = text_->Text();
    // A disk too full for a second copy still takes the log over the old one, as the system's
    // profile call wrote it.
    if (!ReplaceWholeFile(platform_, path_, NewLogPath(path_), text) &&
        !(platform_.FileExists(path_) && OverwriteWholeFile(platform_, path_, text)))
        return false;
    changed_ = false;
    return true;
}

void UninstallLogWriter::Flush() {
    if (!TryFlush()) Refused();
}

void UninstallLogWriter::Readme(const std::string& file) {
    Write(kReadmeSection, kReadmeFileKey, file);
}

void UninstallLogWriter::Banner(const std::string& productName) {
    Write(kImportantSection, kBannerKey, kBanner);
    Write(kImportantSection, kPurposeKey, kPurpose + productName);
}

void UninstallLogWriter::FilesTotal(int64_t count) {
    Write(kFiles.section, kTotalKey, std::to_string(count));
}

void UninstallLogWriter::SystemFilesTotal(int32_t count) {
    Write(kSystemFiles.section, kTotalKey, std::to_string(count));
}

void UninstallLogWriter::DirectoriesTotal(int32_t count) {
    Write(kDirectories.section, kTotalKey, std::to_string(count));
}

void UninstallLogWriter::ExtensionsTotal(int32_t count) {
    Write(kExtensions.section, kTotalKey, std::to_string(count));
}

void UninstallLogWriter::File(int32_t n, const std::string& relativePath) {
    Write(kFiles.section, Numbered(kFiles.prefix, n), relativePath);
}

void UninstallLogWriter::SystemFile(int32_t n, const std::string& path) {
    Write(kSystemFiles.section, Numbered(kSystemFiles.prefix, n), path);
}

void UninstallLogWriter::Directory(int32_t n, const std::string& relativePath) {
    Write(kDirectories.section, Numbered(kDirectories.prefix, n), relativePath);
}

void UninstallLogWriter::CreatedFolder(int32_t n, const std::string& path) {
    Write(kCreatedFolders.section, Numbered(kCreatedFolders.prefix, n), path);
}

void UninstallLogWriter::CreatedFoldersTotal(int32_t count) {
    Write(kCreatedFolders.section, kTotalKey, std::to_string(count));
}

void UninstallLogWriter::Extension(int32_t n, const std::string& extension) {
    Write(kExtensions.section, Numbered(kExtensions.prefix, n), extension);
}

void UninstallLogWriter::ProductVersion(const std::string& versionName,
                                        const std::string& version) {
    Write(kUninstallSection, kVersionNameKey, versionName);
    Write(kUninstallSection, kVersionKey, version);
}

void UninstallLogWriter::UninstallerText(int n, const std::string& text) {
    Write(kLanguageSection, TextKey(n), text);
}

void UninstallLogWriter::Product(const std::string& name, const std::string& destination,
                                 bool ask) {
    Write(kUninstallSection, kProductNameKey, name);
    Write(kUninstallSection, kLanguageKey, "");
    Write(kUninstallSection, kDestinationKey, destination);
    Write(kUninstallSection, kAskKey, Flag(ask));
}

void UninstallLogWriter::ProgramGroup(const std::string& group) {
    Write(kUninstallSection, kProgramGroupKey, group);
}

void UninstallLogWriter::IniFileName(int file, const std::string& path) {
    Write(IniSection(file), kIniNameKey, path);
}

void UninstallLogWriter::IniEntry(int file, int slot, const std::string& section,
                                  const std::string& key, const std::string& value) {
    const std::string s = IniSection(file);
    Write(s, Numbered(kIniEntrySection, slot), section);
    Write(s, Numbered(kIniEntryKey, slot), key);
    Write(s, Numbered(kIniEntryValue, slot), value);
}

void UninstallLogWriter::RegistrySettings(bool remove, int32_t total) {
    Write(kRegistrySection, kRemoveKey, Flag(remove));
    Write(kRegistrySection, kTotalKey, std::to_string(total));
}

void UninstallLogWriter::RegistryEntry(int32_t i, int32_t kind, const std::string& path,
                                       const std::string& data) {
    Write(kRegistrySection, Numbered(kRegistryKind, i), std::to_string(kind));
    Write(kRegistrySection, Numbered(kRegistryPath, i), path);
    Write(kRegistrySection, Numbered(kRegistryData, i), data);
}

} // namespace corvid
