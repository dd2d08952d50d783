// The registry side of the system integration: the registry file's import, file associations,
// the [sysreg] entries and the uninstall registration.
#include "install/integration.h"
#include "state/context.h"
#include "uninstall_log/registration.h"

namespace corvid {

namespace {

// The registry object's string write: the key and its missing parents first, then the value.
void WriteValue(RunState& run, const std::string& key, const std::string& name,
                const std::string& value) {
    Platform& p = run.platform;
    if (!p.RegCreateKey(run.registryRoot, key))
        throw RuntimeError("Erzeugung von Schl\xFC"
                           "ssel " +
                           key + " misslungen");
    if (!p.RegWriteString(run.registryRoot, key, name, value))
        throw RuntimeError("Konnte Daten f\xFC"
                           "r '" +
                           name + "' nicht setzen");
}

} // namespace

void ImportRegistryFile(Context& ctx, RunState& run) {
    (void)run;
    const std::string file = ctx.sourceFolder + "zsys.re_";
    if (!ctx.platform.FileExists(file)) return;
    // Silent, and quoted: a source folder may hold blanks.
    ctx.platform.WinExec("regedit /s \"" + file + "\"", SW_SHOWNORMAL_);
}

int32_t MakeAssociations(Context& ctx, RunState& run, RunProgress& progress) {
    Platform& p = ctx.platform;
    const SetupDescription& w = *run.workDescription;
    int32_t count = 0;
    if (p.RegCreateKey(RegRoot::ClassesRoot, "")) {
        const int32_t total = schema::Read(w, schema::kAssociationRows);
        // A 64-bit counter: a total at the 32-bit top must not wrap.
        for (int64_t n = 1; n <= total; ++n) {
            progress.ShowActivity(ctx.language[23]);
            progress.Pause();
            const schema::Association a = schema::ReadAssociation(w, static_cast<int32_t>(n));
            const std::string& x = a.extension;
            if (x == schema::kNothing) continue;
            ++count;
            run.extensionCount = count;
            run.log.Extension(count, x);
            const std::string program = integration::PathOf(run, schema::PlaceOfProgram(w, a));
            const std::string type = x + "autofile";
            // A value the system refuses is passed over.
            p.RegWriteString(RegRoot::ClassesRoot, "." + x, "", type);
            p.RegWriteString(RegRoot::ClassesRoot, type, "", a.description);
            p.RegWriteString(RegRoot::ClassesRoot, type + "\\DefaultIcon", "", program + ",1");
            p.RegWriteString(RegRoot::ClassesRoot, type + "\\shell\\open\\command", "",
                             program + " %1");
        }
    }
    run.log.ExtensionsTotal(count);
    return count;
}

void WriteRegistryEntries(Context& ctx, RunState& run, RunProgress& progress) {
    Platform& p = ctx.platform;
    const SetupDescription& w = *run.workDescription;
    run.log.RegistrySettings(w.ReadBool("sysreg", "remove", false),
                             w.ReadInteger("sysreg", "total", 0));

    const int32_t total = w.ReadInteger("sysreg", "total", 1);
    for (int64_t i = 1; i <= total; ++i) {
        progress.Pause();
        const std::string si = std::to_string(i);
        const int32_t kind = w.ReadInteger("sysreg", "k" + si, 0);
        const std::string path = w.ReadString("sysreg", "p" + si, "");
        const std::string name = w.ReadString("sysreg", "e" + si, "");
        const std::string data = w.ReadString("sysreg", "b" + si, "");
        if (kind == 1 || kind == 2) {
            run.registryRoot = kind == 1 ? RegRoot::ClassesRoot : RegRoot::CurrentUser;
            WriteValue(run, path, name, data);
        } else if (kind == 3) {
            if (!p.RegCreateKey(RegRoot::LocalMachine, path)) {
                run.log.Flush();
                p.MessageBox("No permission to create a key at the top of\rHKEY_LOCAL_MACHINE",
                             "registry", mb::Ok);
                continue;
            }
            if (!data.empty()) p.RegWriteString(RegRoot::LocalMachine, path, name, data);
        } else {
            continue;
        }
        run.log.RegistryEntry(static_cast<int32_t>(i), kind, path, data);
    }
}

void RegisterUninstall(Context& ctx, RunState& run) {
    const SetupDescription& w = *run.workDescription;
    if (!w.ReadBool("software", "CP", true)) return;
    const std::string key = uninstall_log::RegistrationKey(w.ReadString("software", "name", "_"));
    run.registryRoot = RegRoot::LocalMachine;
    WriteValue(run, key, "UninstallString", integration::UninstallCommand(run));
    WriteValue(run, key, "DisplayName", w.ReadString("software", "name_display", "_"));
    WriteValue(run, key, "version", std::to_string(ctx.startup.setupVersion));
}

} // namespace corvid
