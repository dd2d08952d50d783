// Lines appended to the start-up files C:\autoexec.bat and C:\config.sys, after backups.
#include <algorithm>
#include <memory>

#include "archive/compress.h"
#include "install/integration.h"
#include "state/context.h"

namespace corvid {

namespace {

// Opens an existing text file for appending: an end-of-file mark (Ctrl-Z) within its last 128
// bytes cuts the file at the first such mark, and writing goes on at the end.
void AppendLines(Platform& p, const std::string& path, const std::vector<std::string>& lines) {
    std::unique_ptr<Stream> s = p.OpenFile(path, OpenMode::ReadWrite);
    if (!s) throw RuntimeError("Dateizugriff verweigert");
    const int64_t size = s->Size();
    const int64_t tail = std::min<int64_t>(size, 128);
    if (tail > 0) {
        std::string block(static_cast<size_t>(tail), '\0');
        s->Seek(size - tail, 0);
        const int32_t got = s->Read(&block[0], static_cast<int32_t>(tail));
        if (got < 0) throw RuntimeError(FileOpenErrorText(path)); // never read as its text
        const size_t mark = block.find('\x1A');
        if (mark != std::string::npos && static_cast<int64_t>(mark) < got) {
            s->Seek(size - tail + static_cast<int64_t>(mark), 0);
            if (!s->Truncate()) throw RuntimeError("Dateizugriff verweigert");
        }
    }
    s->Seek(0, 2);
    std::string text;
    for (const std::string& line : lines) text += "\r\n" + line + "\r\n";
    if (!text.empty() && s->Write(text.data(), static_cast<int32_t>(text.size())) !=
                             static_cast<int32_t>(text.size()))
        throw RuntimeError("Disk voll");
}

void EditStartupFile(Context& ctx, RunState& run, const std::string& path,
                     const std::string& backupKey, char lineKey) {
    Platform& p = ctx.platform;
    const SetupDescription& w = *run.workDescription;
    const std::string backup = w.ReadString("dos", backupKey, "");
    if (!backup.empty()) p.CopyFile(path, "C:\\" + backup); // a failed backup is passed over
    if (!p.FileExists(path)) return;                        // never created
    std::vector<std::string> lines;
    for (int m = 1; m <= 5; ++m) {
        std::string line = w.ReadString("dos", std::string(1, lineKey) + std::to_string(m), "");
        if (!line.empty()) lines.push_back(line);
    }
    AppendLines(p, path, lines);
}

} // namespace

void EditStartupFiles(Context& ctx, RunState& run) {
    EditStartupFile(ctx, run, "C:\\autoexec.bat", "bkp_a", 'a');
    EditStartupFile(ctx, run, "C:\\config.sys", "bkp_c", 'c');
}

} // namespace corvid
