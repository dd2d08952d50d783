// File transfer: the uninstaller's installation into the Windows directory, the components'
// destination directories, and the components' files out of the archive volumes (one continuous
// byte stream over zdata_NN.dsk), asking for a volume that is missing. Every key is read from the
// run's working description; log entries go through the run's log writer.
#pragma once

#include <cstdint>
#include <string>

#include "state/run_state.h"

namespace corvid {

struct Context;
class TCompress;

// Phase 11: copies (or, in compression mode 1, expands) the uninstaller to uninstallerPath
// unless a recorded version of 220 or more is there already.
void InstallUninstaller(Context& ctx, RunState& run, RunProgress& progress, TCompress& c);

// Phase 16: creates the selected components' directories row by row; returns how many.
int32_t CreateComponentDirectories(Context& ctx, RunState& run, RunProgress& progress);

// Phase 18: copies every file of every selected component to its target.
void TransferComponentFiles(Context& ctx, RunState& run, RunProgress& progress, TCompress& c);

// The archive expansion's progress event: the upper gauge from 20 to 100, the lower one from
// progressDone while it stays below 98.
void ShowExpansionProgress(Context& ctx, RunState& run, RunProgress& progress, int32_t percent);

// The installed uninstaller's version as the registry holds it: decimal, or hexadecimal after
// "0x"; 0 when absent or not a number.
int32_t UninstallerVersion(const std::string& value);

// Whether an existing target is replaced, by the rule of [vercheck] files.
bool ReplaceExistingFile(int32_t vercheckFiles, int32_t setupVersion, int32_t installedVersion);

} // namespace corvid
