// System integration: the changes outside the destination that the installation run makes in
// its phases (registry import, program group, associations, start-up files, INI and registry
// entries, the uninstall registration). Every key is read from the run's working description;
// log entries go through RunState::Log. Failures that end the run are raised as RuntimeError.
#pragma once

#include <cstdint>

#include "install/run_state.h"

namespace corvid {

struct Context;

void ImportRegistryFile(Context& ctx, RunState& run);
void BuildGroupLines(Context& ctx, RunState& run, RunProgress& progress);
void BuildMediumGroupLines(Context& ctx, RunState& run, RunProgress& progress);
void SendGroupLines(Context& ctx, RunState& run);
int32_t MakeAssociations(Context& ctx, RunState& run, RunProgress& progress);
void EditStartupFiles(Context& ctx, RunState& run);
void WriteIniEntries(Context& ctx, RunState& run);
void WriteRegistryEntries(Context& ctx, RunState& run);
void RegisterUninstall(Context& ctx, RunState& run);

} // namespace corvid
