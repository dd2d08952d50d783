// The groups of uninstall log entries that the run writes at its fixed points, with their values
// taken from the working description; the other entries are written where they happen.
#pragma once

#include "state/run_state.h"

namespace corvid {

// Phase 9: [readme] file and the [important!] lines.
void LogHeader(RunState& run);
// Phase 14: the counters at 0, the uninstaller's header and its texts.
void LogCounters(RunState& run);
// A terminated installation: the file total counts the file that was under way.
void LogFinalFileTotal(RunState& run);

} // namespace corvid
