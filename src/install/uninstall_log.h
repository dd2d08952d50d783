// The groups of uninstall log entries that the run writes at its fixed points, with their values
// taken from the working description; the other entries are written where they happen.
#pragma once

#include <string>
#include <vector>

#include "state/run_state.h"

namespace corvid {

// Phase 9: [readme] file and the [important!] lines.
void LogHeader(RunState& run);
// Phase 14: the counters at 0, the uninstaller's header and its texts.
void LogCounters(RunState& run);
// A terminated installation: the file total counts the file that was under way, and the other
// totals count what was made before the terminate, so the uninstaller finds all of it.
void LogFinalFileTotal(RunState& run);
// Folders the setup just made: those outside the destination are kept in the run and logged
// (once the log is open; LogHeader writes the ones made before).
void LogCreatedFolders(RunState& run, const std::vector<std::string>& made);

} // namespace corvid
