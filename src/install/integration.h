// System integration: the changes outside the destination that the installation run makes in
// its phases (registry import, program group, associations, start-up files, INI and registry
// entries, the uninstall registration). Every key is read from the run's working description;
// log entries go through the run's log writer. Failures that end the run are raised as
// RuntimeError.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "setupinf/schema.h"
#include "state/run_state.h"

namespace corvid {

struct Context;

// Phase 12: starts the registry editor on SourceFolder + "zsys.re_" when it exists, silently and
// without waiting.
void ImportRegistryFile(Context& ctx, RunState& run);
// Phase 22: the group lines of the uninstall item and the component items, with Lbl_o, the
// upper and lower gauges and a pause per row. The run sets the upper gauge to 0 before and
// calls SendGroupLines after.
void BuildGroupLines(Context& ctx, RunState& run, RunProgress& progress);
// Phase 15c (cd setup type): the group lines of the items that run from the medium; no gauges.
void BuildMediumGroupLines(Context& ctx, RunState& run, RunProgress& progress);
// Phases 15e and 22: sends the group lines to the program manager, one execute transaction per
// line, and empties them; nothing happens when there are none.
void SendGroupLines(Context& ctx, RunState& run);
// Phase 20: returns the number of associations made and logs them with their total.
int32_t MakeAssociations(Context& ctx, RunState& run, RunProgress& progress);
void EditStartupFiles(Context& ctx, RunState& run); // phase 23
void WriteIniEntries(Context& ctx, RunState& run);  // phase 24
// Phase 25: a pause point at every entry, as many as the description's total may ask for.
void WriteRegistryEntries(Context& ctx, RunState& run, RunProgress& progress);
// Phase 26: does nothing when [software] CP is off, so the run may call it unconditionally.
void RegisterUninstall(Context& ctx, RunState& run);

namespace integration {

// The full path of a place: below the Windows directory or below the destination.
std::string PathOf(const RunState& run, const schema::Place& place);
// The full path of a place the setup is about to write: refused with a RuntimeError naming
// item when it would leave its folder ("..", a drive, a device name) or lead through a link
// (junction or symbolic link) into another place, the file's own place included.
// Folders found sound are remembered in the run and not looked at again. exists, when given,
// tells whether the place itself was there.
std::string WritablePath(Platform& p, RunState& run, const schema::Place& place,
                         const std::string& item, bool* exists = nullptr);
// WritablePath without the look at the place itself: for a caller that creates it exclusively
// (a refused create means something is there, and WritablePath then looks).
std::string WritableFolderPath(Platform& p, RunState& run, const schema::Place& place,
                               const std::string& item);
// Folders this run has just made (ForceDirectories' list) are plain folders: later checks of the
// way to a target need not look at them again.
void NoteMadeFolders(RunState& run, const std::vector<std::string>& made);
// The uninstaller's command line: uninstallerPath, a blank, the log in the SetupFolder.
std::string UninstallCommand(const RunState& run);

} // namespace integration

} // namespace corvid
