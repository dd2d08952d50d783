// The groups of uninstall log entries that the run writes at its fixed points; the entries of
// the file and directory phases are written where they happen (file_transfer.cpp).
#pragma once

#include "state/run_state.h"

namespace corvid {

struct Context;

// The log's banner line, [important!] c.
extern const char* const kLogBanner;

// Phase 9: [readme] file and the [important!] lines.
void LogHeader(RunState& run);
// Phase 14: the counters at 0, the uninstaller's header and its texts.
void LogCounters(RunState& run);
// A terminated installation: the file total counts the file that was under way.
void LogFinalFileTotal(RunState& run);

} // namespace corvid
