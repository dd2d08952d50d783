// Placeholder bodies so the run links before the system integration is built; each is replaced
// by the real operation.
#include "install/integration.h"

namespace corvid {

void ImportRegistryFile(Context&, RunState&) {}
void BuildGroupLines(Context&, RunState&, RunProgress&) {}
void BuildMediumGroupLines(Context&, RunState&, RunProgress&) {}
void SendGroupLines(Context&, RunState&) {}
int32_t MakeAssociations(Context&, RunState&, RunProgress&) {
    return 0;
}
void EditStartupFiles(Context&, RunState&) {}
void WriteIniEntries(Context&, RunState&) {}
void WriteRegistryEntries(Context&, RunState&) {}
void RegisterUninstall(Context&, RunState&) {}

} // namespace corvid
