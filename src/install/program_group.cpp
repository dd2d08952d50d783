// The program group: the lines for the program manager, built item by item and sent over DDE.
#include <cstring>

#include "install/integration.h"
#include "platform/paths.h"
#include "state/context.h"

namespace corvid {

namespace {

constexpr const char* kCreateGroup = "[CreateGroup(%s)]";

// A description's total may ask for billions of items; a group holds far fewer than this, and
// memory must not grow with a count from the file.
constexpr size_t kMaxGroupLines = 1000;

// Starts the pending text with the create-group command, which travels in front of the first
// item line.
void StartPendingLine(RunState& run) {
    run.pendingGroupLine = kCreateGroup;
}

// Appends one item to the pending text and emits it as a group line. Only the create-group
// command's "%s" stands for the group name; every other character is taken as it is.
void EmitItem(RunState& run, const std::string& group, const std::string& command,
              const std::string& title) {
    std::string line = run.pendingGroupLine;
    if (line.compare(0, std::strlen(kCreateGroup), kCreateGroup) == 0)
        line.replace(std::strlen("[CreateGroup("), 2, group);
    run.groupLines.push_back(line + "[AddItem(" + command + "," + title + ")]");
    run.pendingGroupLine.clear();
}

void AddUninstallItem(Context& ctx, RunState& run, const std::string& group) {
    const std::string name = run.workDescription->ReadString("software", "name", "[");
    const std::string title =
        name.find('[') != std::string::npos ? "Uninstall" : "Uninstall " + name;
    ctx.groupItemsAdded = true;
    EmitItem(run, group, integration::UninstallCommand(run), title);
}

} // namespace

void BuildGroupLines(Context& ctx, RunState& run, RunProgress& progress) {
    const SetupDescription& w = *run.workDescription;
    std::string group = ctx.choices.programGroup;
    if (group.empty()) group = w.ReadString("software", "name", "_");
    run.log.ProgramGroup(group);

    StartPendingLine(run);
    if (w.ReadBool("prggrp", "uninst", true)) AddUninstallItem(ctx, run, group);

    const int32_t total = schema::Read(w, schema::kProgramItemRows);
    // A 64-bit counter: a total at the 32-bit top must not wrap.
    for (int64_t n = 1; n <= total; ++n) {
        const std::string sn = std::to_string(n);
        progress.ShowActivity(ctx.language[22]);
        const schema::ProgramItem item = schema::ReadProgramItem(w, static_cast<int32_t>(n));
        const int32_t k = item.component;
        if (run.groupLines.size() >= kMaxGroupLines) break;
        if (k >= 1 && k <= 7 && ctx.choices.components[k]) {
            ctx.groupItemsAdded = true;
            const std::string option = schema::OptionSection(k);
            const std::string j = std::to_string(item.file);
            const int32_t i = w.ReadInteger(option, schema::kFileDirectory + j, 1);
            const std::string dir = schema::ReadFileDirectory(w, std::to_string(k), i);
            const std::string file = w.ReadString(option, schema::kFileName + j, "");
            std::string command =
                integration::PathOf(run, schema::PlaceOfDirectory(dir)) + "\\" + file;
            const std::string args = w.ReadString("prggrp", "r" + sn, "");
            if (!args.empty()) command += " " + args;
            const std::string title = w.ReadString("prggrp", "p" + sn, "[unbenannt_" + sn + "]");
            EmitItem(run, group, command, title);
        }
        progress.SetUpper(RoundHalfEven(n * 100, total));
        progress.SetLower(99);
        progress.Pause();
    }
}

void BuildMediumGroupLines(Context& ctx, RunState& run, RunProgress&) {
    const SetupDescription& w = *run.workDescription;
    std::string group = ctx.choices.programGroup;
    if (group.empty()) group = "New";
    run.log.ProgramGroup(group);

    StartPendingLine(run);
    if (w.ReadBool("prggrp", "uninst", true)) AddUninstallItem(ctx, run, group);
    const std::string drive = DriveOf(ctx.platform.ModulePath());
    const int32_t total = schema::Read(w, schema::kMediumItemRows);
    // Every row adds a line: the limit on lines ends the loop soon, whatever the total.
    for (int64_t n = 1; n <= total && run.groupLines.size() < kMaxGroupLines; ++n) {
        const std::string sn = std::to_string(n);
        EmitItem(run, group, drive + w.ReadString("prggrp_run", "v" + sn, "_"),
                 w.ReadString("prggrp_run", "p" + sn, "noname" + sn + "]"));
    }
}

void SendGroupLines(Context& ctx, RunState& run) {
    if (run.groupLines.empty()) return;
    Platform& p = ctx.platform;
    // Some program managers answer only their own topic: try it before starting one.
    bool connected = p.DdeOpen("Progman", "") || p.DdeOpen("Progman", "Progman");
    if (!connected) {
        p.WinExec("Progman ", SW_SHOWMINNOACTIVE_);
        connected = p.DdeOpen("Progman", "") || p.DdeOpen("Progman", "Progman");
    }
    if (connected) {
        // One transaction per line: a program manager that refuses one item ignores the rest
        // of its transaction, and the other items must not be lost with it.
        for (const std::string& line : run.groupLines) p.DdeSend(line + "\r\n");
        p.DdeClose();
    }
    run.groupLines.clear();
}

} // namespace corvid
