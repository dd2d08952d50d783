// The removal: takes away what the uninstall log names, in an order that strands nothing (files,
// associations, INI and registry entries, the program group, the uninstall registration, the
// read-me file, the directories deepest first, then the log's own folder and the destination),
// and records for every entry what became of it. Nothing the log does not name is removed; a
// path that leaves the destination, names a drive root or could have been cut off is refused.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "uninstall/paths.h"
#include "uninstall_log/log_reader.h"

namespace corvid {

enum class Outcome {
    Removed,
    AlreadyGone, // not there any more: not an error
    Kept,        // stays by design (shared uninstaller, an earlier installation's entry, ...)
    Left,        // should have gone but could not
    Refused,     // the log's entry is unsafe or unreadable
};

struct ReportLine {
    Outcome outcome;
    std::string kind; // "file", "folder", "registry key", ...
    std::string item;
    std::string why; // empty for plain removals
};

// What the removal shows while it works. Stages: 0 files, 1 system entries, 2 folders.
class RemovalProgress {
public:
    virtual ~RemovalProgress() = default;
    virtual void Stage(int stage) = 0;
    virtual void Step(int32_t done, int32_t total) = 0;
};

struct RemovalResult {
    std::vector<ReportLine> lines;
    bool complete = false;   // nothing left or refused: the log and its folder are gone
    std::string reportPath;  // beside the log
    bool reportKept = false; // the report stays (something was left or refused)
    int32_t Count(Outcome o) const;
};

class Remover {
public:
    Remover(Platform& platform, const UninstallLogData& log, std::string logPath,
            RemovalProgress* progress = nullptr);
    RemovalResult Run();

    // How long failed file removals are retried (the setup that started us may still be ending).
    int retryRounds = 10;
    uint32_t retryPause = 300;
    bool silent = false; // for the report's header

private:
    struct PendingFile {
        size_t line;
        std::string path;
    };

    void Add(Outcome o, const std::string& kind, const std::string& item,
             const std::string& why = "");
    void Tick();
    bool CheckValue(const LogValue& v, const std::string& kind, const std::string& label);
    // Removes a file found below base (the destination or the Windows directory).
    void RemoveFile(const WinPath& base, const WinPath& file, const std::string& kind);
    void RetryFiles();
    void RemoveFiles();
    void RemoveSystemFiles();
    void RemoveAssociations();
    void RemoveIniEntries();
    void RemoveRegistryEntries();
    void RemoveGroup();
    void RemoveRegistration();
    void RemoveReadme();
    void RemoveDirectories();
    // The folders the setup made outside the destination, when empty: those below the Windows
    // directory, or (aboveDestination) the destination's parents.
    void RemoveCreatedFolders(bool aboveDestination);
    void Finish();
    // Registry helpers: a key and everything below it; empty keys up from a key.
    bool DeleteTree(RegRoot root, const std::string& key, int depth);
    void PruneEmptyKeys(RegRoot root, std::vector<std::string> names, size_t keepDepth);
    void NoteDirectory(const WinPath& dir, bool named);
    bool IsProtected(const WinPath& path, std::string& why);
    // A link at path or at any folder between it and base: removing there would reach elsewhere.
    bool LinkOnTheWay(const WinPath& base, const WinPath& path, std::string& why);
    // The path with its short names written out, as the system resolves them.
    WinPath LongForm(const WinPath& path);
    // The destination is sound: the log lies in it, it holds no system folder, it is no link.
    bool DestinationSound(std::string& why);
    // An INI file's path as the profile calls take it: a bare name is in the Windows directory;
    // only files below the destination or the Windows directory are ours to edit.
    bool IniFileOk(const std::string& name, std::string& path, std::string& why);
    bool PointsIntoDestination(const std::string& command) const;

    Platform& p_;
    const UninstallLogData& log_;
    std::string logPath_;
    RemovalProgress* progress_;
    RemovalResult result_;
    bool destOk_ = false;
    WinPath dest_, windows_, logFile_;
    std::vector<PendingFile> pending_;
    std::vector<std::pair<WinPath, bool>> dirs_;  // folders to try, named by the log or implied
    std::set<std::string> soundFolders_;          // found to be no link (case folded)
    std::map<std::string, uint64_t> keptNumbers_; // the kept files' numbers, by their names
    int32_t done_ = 0, total_ = 0;
};

// The report as text (CR LF lines).
std::string ReportText(const UninstallLogData& log, const std::string& logPath, bool silent,
                       const RemovalResult& result);

} // namespace corvid
