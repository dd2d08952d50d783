// The state of one installation run, shared by the run's phases (copy, transfer, uninstall log,
// system integration) and the completion dialog. One instance, owned by the context once the
// progress window's first activation starts the run.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "setupinf/setup_description.h"
#include "uninstall_log/log_writer.h"

namespace corvid {

// Thrown from a pause point once the application was asked to end: the run stops where it
// stands, what has been done stays done.
struct RunTerminated {};

// What the run shows while it works: the progress window's labels and gauges and its pause
// points. The progress window implements it; unit tests record it.
class RunProgress {
public:
    virtual ~RunProgress() = default;
    virtual void ShowActivity(const std::string& text) = 0; // Lbl_o
    virtual void SetUpper(int32_t percent) = 0;             // Pr_o, clamped to 0..100
    virtual void SetLower(int32_t percent) = 0;             // Pr_u, clamped to 0..100
    // Lets waiting messages run; throws RunTerminated when the application was asked to end.
    virtual void Pause() = 0;
};

struct RunState {
    explicit RunState(Platform& p) : platform(p), log(p) {}

    Platform& platform;
    std::unique_ptr<SetupDescription> workDescription; // setup.tmp in the SetupFolder
    UninstallLogWriter log;       // uninst.log, kept when [software] uniyes is on
    std::string destination;      // targetDirectory without trailing backslash
    std::string windowsDirectory; // without trailing backslash
    std::string setupFolder;      // destination + "\setup"
    std::string compressTmp;      // setupFolder + "\compress.tmp"
    std::string uninstallerPath;  // windowsDirectory + "\uncorvid.exe"
    std::string currentTarget;
    std::string readmeTarget; // the read-me copy, removed by a terminate
    int32_t progressDone = 0;
    int32_t fileCount = 0;
    int32_t systemFileCount = 0;                  // files placed below the Windows directory
    int32_t directoryCount = 0;                   // directories logged so far
    int32_t extensionCount = 0;                   // associations logged so far
    std::vector<std::string> createdFolders;      // made outside the destination, in order
    RegRoot registryRoot = RegRoot::LocalMachine; // the run's registry object
    // Folders on the way to a target already found to be real folders, not links (case folded):
    // the setup makes no links, so one look per folder and run is enough.
    std::set<std::string> checkedFolders;

    std::vector<std::string> groupLines; // the progress window's list box l
    std::string pendingGroupLine;
};

} // namespace corvid
