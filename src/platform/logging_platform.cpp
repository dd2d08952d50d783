#include "platform/logging_platform.h"

namespace corvid {

namespace {

// Reports a written file's size when the program closes it.
class SizeReportingStream : public Stream {
public:
    SizeReportingStream(std::unique_ptr<Stream> inner, TextLog& log, std::string path)
        : inner_(std::move(inner)), log_(log), path_(std::move(path)) {}
    ~SizeReportingStream() override {
        log_.Line("file " + path_ + " (" + std::to_string(inner_->Size()) + " bytes)");
    }
    int32_t Read(void* buffer, int32_t count) override { return inner_->Read(buffer, count); }
    int32_t Write(const void* buffer, int32_t count) override {
        return inner_->Write(buffer, count);
    }
    int64_t Seek(int64_t offset, int origin) override { return inner_->Seek(offset, origin); }
    int64_t Size() override { return inner_->Size(); }
    bool SetDosDateTime(uint32_t t) override { return inner_->SetDosDateTime(t); }
    bool Truncate() override { return inner_->Truncate(); }
    void Flush() override { inner_->Flush(); }

private:
    std::unique_ptr<Stream> inner_;
    TextLog& log_;
    std::string path_;
};

std::string Failed(bool ok) {
    return ok ? std::string() : " FAILED";
}

std::string Buttons(unsigned flags) {
    switch (flags & 0xF) {
    case mb::OkCancel:
        return "OK/Cancel";
    case mb::YesNo:
        return "Yes/No";
    default:
        return "OK";
    }
}

std::string AnswerName(int answer) {
    switch (answer) {
    case mb::IdOk:
        return "OK";
    case mb::IdCancel:
        return "Cancel";
    case mb::IdYes:
        return "Yes";
    case mb::IdNo:
        return "No";
    default:
        return std::to_string(answer);
    }
}

// A key as the log shows it below its root: the leading backslash the calls allow goes.
std::string KeyText(RegRoot root, const std::string& key) {
    size_t b = 0;
    while (b < key.size() && key[b] == '\\') ++b;
    return std::string(RegRootName(root)) + (b < key.size() ? "\\" + key.substr(b) : "");
}

std::string WithoutLineEnd(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

} // namespace

bool LoggingPlatform::CreateDir(const std::string& path) {
    const bool ok = inner_.CreateDir(path);
    if (ok) log_.Line("directory " + path);
    return ok;
}

bool LoggingPlatform::RemoveDir(const std::string& path) {
    const bool ok = inner_.RemoveDir(path);
    if (ok) log_.Line("removed directory " + path);
    return ok;
}

bool LoggingPlatform::DeleteFile(const std::string& path) {
    const bool ok = inner_.DeleteFile(path);
    if (ok && Logged(path)) log_.Line("deleted " + path);
    return ok;
}

bool LoggingPlatform::CopyFile(const std::string& from, const std::string& to) {
    const bool ok = inner_.CopyFile(from, to);
    if (!Logged(to)) return ok;
    if (!ok) {
        log_.Line("copy of " + from + " to " + to + " FAILED");
        return ok;
    }
    auto s = inner_.OpenFile(to, OpenMode::ReadShared);
    log_.Line("file " + to + " (" + (s ? std::to_string(s->Size()) : std::string("?")) +
              " bytes, copied from " + from + ")");
    return ok;
}

bool LoggingPlatform::MoveFileOver(const std::string& from, const std::string& to) {
    const bool ok = inner_.MoveFileOver(from, to);
    if (Logged(to)) log_.Line("file " + to + " replaced by " + from + Failed(ok));
    return ok;
}

std::unique_ptr<Stream> LoggingPlatform::OpenFile(const std::string& path, OpenMode mode) {
    auto s = inner_.OpenFile(path, mode);
    const bool writing =
        mode == OpenMode::Create || mode == OpenMode::CreateNew || mode == OpenMode::ReadWrite;
    // A refused exclusive create only means something is there: the caller looks further.
    if (!writing || !Logged(path) || (!s && mode == OpenMode::CreateNew)) return s;
    if (!s) {
        log_.Line("file " + path + " cannot be written");
        return s;
    }
    return std::make_unique<SizeReportingStream>(std::move(s), log_, path);
}

std::string LoggingPlatform::ProfilePath(const std::string& file) {
    // The profile calls put a file named without a folder into the Windows directory.
    if (file.find_first_of("\\/:") != std::string::npos) return file;
    return inner_.WindowsDirectory() + "\\" + file;
}

bool LoggingPlatform::WriteProfileString(const std::string& file, const std::string& section,
                                         const std::string& key, const std::string& value) {
    const bool ok = inner_.WriteProfileString(file, section, key, value);
    if (Logged(file))
        log_.Line("INI " + ProfilePath(file) + " [" + section + "] " + key + "=" + value +
                  Failed(ok));
    return ok;
}

bool LoggingPlatform::DeleteProfileKey(const std::string& file, const std::string& section,
                                       const std::string& key) {
    const bool ok = inner_.DeleteProfileKey(file, section, key);
    if (Logged(file))
        log_.Line("INI " + ProfilePath(file) + " [" + section + "] " + key + " removed" +
                  Failed(ok));
    return ok;
}

bool LoggingPlatform::DeleteProfileSection(const std::string& file, const std::string& section) {
    const bool ok = inner_.DeleteProfileSection(file, section);
    if (Logged(file))
        log_.Line("INI " + ProfilePath(file) + " [" + section + "] removed" + Failed(ok));
    return ok;
}

bool LoggingPlatform::RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                                     const std::string& value) {
    const bool ok = inner_.RegWriteString(root, key, name, value);
    log_.Line("registry " + KeyText(root, key) + " " + (name.empty() ? "(default)" : name) + "=" +
              value + Failed(ok));
    return ok;
}

bool LoggingPlatform::RegCreateKey(RegRoot root, const std::string& key) {
    const bool ok = inner_.RegCreateKey(root, key);
    log_.Line("registry key " + KeyText(root, key) + Failed(ok));
    return ok;
}

bool LoggingPlatform::RegDeleteValue(RegRoot root, const std::string& key,
                                     const std::string& name) {
    const bool ok = inner_.RegDeleteValue(root, key, name);
    log_.Line("registry " + KeyText(root, key) + " " + (name.empty() ? "(default)" : name) +
              " removed" + Failed(ok));
    return ok;
}

bool LoggingPlatform::RegDeleteKey(RegRoot root, const std::string& key) {
    const bool ok = inner_.RegDeleteKey(root, key);
    log_.Line("registry key " + KeyText(root, key) + " removed" + Failed(ok));
    return ok;
}

unsigned LoggingPlatform::WinExec(const std::string& commandLine, int show) {
    const unsigned r = inner_.WinExec(commandLine, show);
    log_.Line("started " + commandLine + Failed(r > 31));
    return r;
}

bool LoggingPlatform::RunAndWait(const std::string& commandLine, int show, uint32_t& exitCode) {
    log_.Line("running " + commandLine + " and waiting for it");
    const bool ok = inner_.RunAndWait(commandLine, show, exitCode);
    log_.Line(ok ? "it ended with exit code " + std::to_string(exitCode)
                 : std::string("it could not be started"));
    return ok;
}

bool LoggingPlatform::ExitWindows(unsigned how) {
    const bool ok = inner_.ExitWindows(how);
    log_.Line(std::string(how == EWX_LOGOFF_ ? "log-off" : "restart") + " asked of the system" +
              Failed(ok));
    return ok;
}

bool LoggingPlatform::DdeExecute(const std::string& service, const std::string& topic,
                                 const std::string& command) {
    const bool ok = inner_.DdeExecute(service, topic, command);
    log_.Line("program manager: " + WithoutLineEnd(command) + Failed(ok));
    return ok;
}

bool LoggingPlatform::DdeSend(const std::string& text) {
    const bool ok = inner_.DdeSend(text);
    log_.Line("program manager: " + WithoutLineEnd(text) + Failed(ok));
    return ok;
}

int LoggingPlatform::MessageBox(const std::string& text, const std::string& caption,
                                unsigned flags) {
    const int answer = inner_.MessageBox(text, caption, flags);
    LogMessage(text, caption, flags, answer, true);
    return answer;
}

void LoggingPlatform::LogMessage(const std::string& text, const std::string& caption,
                                 unsigned flags, int answer, bool shown) {
    log_.Line("message \"" + caption + "\" [" + Buttons(flags) + "]: " + text + " -> " +
              AnswerName(answer) + (shown ? "" : " (answered unattended)"));
}

} // namespace corvid
