#include "uninstall/uninstaller.h"

#include <exception>
#include <memory>

#include "forms/form.h"
#include "platform/logging_platform.h"
#include "setupinf/profile.h"
#include "uninstall/removal.h"
#include "uninstall_log/log_reader.h"
#include "uninstall_log/registration.h"

namespace corvid {

namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

std::string TrimBlanks(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && Blank(s[b])) ++b;
    while (e > b && Blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// The progress window: what is being removed, a gauge over all entries, the wait line.
class ProgressWindow : public RemovalProgress {
public:
    ProgressWindow(Platform& p, const UninstallLogData& log, const std::string& product)
        : p_(p), log_(log), form_("Tuninst") {
        form_.caption = log.Text(56, "Uninstall " + product);
        form_.clientWidth = 357;
        form_.clientHeight = 76;
        form_.position_centered = true;
        form_.showIcon = true;
        form_.Add("Lbl_o", ControlKind::Label, 8, 8, 341, 13);
        form_.Add("Pr_o", ControlKind::Gauge, 8, 26, 341, 18);
        form_.Add("Lbl_wait", ControlKind::Label, 8, 54, 341, 13).text =
            log.Text(10, "Please wait...");
        p_.AttachForm(form_);
    }
    void Show() {
        form_.Show();
        p_.ProcessMessages();
    }
    void Hide() { form_.Hide(); }
    void Stage(int stage) override {
        static const char* const kFallback[] = {"Removing the program's files...",
                                                "Removing the program's system entries...",
                                                "Removing the program's folders..."};
        form_["Lbl_o"].SetText(log_.Text(57 + stage, kFallback[stage]));
        p_.ProcessMessages();
    }
    void Step(int32_t done, int32_t total) override {
        const int64_t percent = total > 0 ? static_cast<int64_t>(done) * 100 / total : 100;
        form_["Pr_o"].SetPosition(static_cast<int>(percent));
        p_.ProcessMessages();
    }

private:
    Platform& p_;
    const UninstallLogData& log_;
    Form form_;
};

// The question before anything is removed; true for yes. The caller keeps the form until it
// ends: its window stays attached and may still get messages while the removal runs.
bool Ask(Platform& p, const UninstallLogData& log, const std::string& caption, Form& form) {
    form.caption = caption;
    form.clientWidth = 330;
    form.clientHeight = 100;
    form.position_centered = true;
    form.showIcon = true;
    form.stayOnTop = true;
    form.initialFocus = "Btn_yes";
    Control& text = form.Add("Lbl_question", ControlKind::Label, 12, 12, 306, 40);
    text.wordWrap = true;
    text.text = log.Text(55, "Do you want to remove this program and all of its components "
                             "from your computer?");
    Control& yes = form.Add("Btn_yes", ControlKind::Button, 82, 62, 80, 25);
    yes.text = log.Text(15, "&Yes");
    yes.isDefault = true;
    yes.tabOrder = 0;
    yes.onClick = [&form] { form.CloseModal(mb::IdYes); };
    Control& no = form.Add("Btn_no", ControlKind::Button, 168, 62, 80, 25);
    no.text = log.Text(11, "Cancel");
    no.isCancel = true;
    no.tabOrder = 1;
    no.onClick = [&form] { form.CloseModal(mb::IdNo); };
    p.AttachForm(form);
    return p.ShowModal(form) == mb::IdYes;
}

} // namespace

namespace {

// The uninstaller's own options; anything else that looks like an option belongs to the path.
bool KnownOption(const std::string& argument) {
    CommandOption o;
    if (!ReadOption(argument, o)) return false;
    return (o.name == uninstall_log::kSilentOption + 1 && !o.hasValue) ||
           (o.name == "log" && !o.value.empty());
}

} // namespace

UninstallCommand ParseUninstallArguments(const std::string& arguments) {
    UninstallCommand c;
    const std::string a = TrimBlanks(arguments);
    // The options follow the path, which arrives unquoted: they begin at the first known option
    // that stands after a blank.
    size_t start = a.size();
    for (size_t i = 0; i < a.size() && start == a.size(); ++i) {
        if ((i > 0 && !Blank(a[i - 1])) || (a[i] != '/' && a[i] != '-')) continue;
        const std::vector<std::string> rest = SplitArguments(a.substr(i));
        if (!rest.empty() && KnownOption(rest[0])) start = i;
    }
    for (const std::string& argument : SplitArguments(a.substr(start))) {
        CommandOption o;
        if (!KnownOption(argument) || !ReadOption(argument, o))
            c.badOption = argument;
        else if (o.name == "log")
            c.textLog = o.value;
        else
            c.silent = true;
    }
    std::string path = TrimBlanks(a.substr(0, start));
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    c.logPath = path;
    return c;
}

namespace {

int Uninstall(Platform& platform, const UninstallCommand& command) {
    const auto tell = [&](const std::string& text, const std::string& caption, unsigned icon) {
        if (!command.silent) platform.MessageBox(text, caption, mb::Ok | icon);
    };
    if (command.logPath.empty() || !command.badOption.empty()) {
        tell((command.badOption.empty() ? std::string()
                                        : "Unknown option: " + command.badOption + "\r") +
                 "Usage: " + uninstall_log::kUninstallerFileName + " LOGPATH [" +
                 uninstall_log::kSilentOption +
                 "] [/log=FILE]\rLOGPATH is the uninstall log of an installation, for example " +
                 uninstall_log::LogPath("C:\\Tools") + ".",
             "Uninstall", mb::IconStop);
        return kUninstallNoLog;
    }
    UninstallLogData log;
    if (!ReadUninstallLog(platform, command.logPath, log)) {
        tell("The uninstall log cannot be read:\r" + command.logPath, "Uninstall", mb::IconStop);
        return kUninstallNoLog;
    }
    const std::string product =
        log.name.value.empty() || log.name.value == "_" ? std::string("program") : log.name.value;
    const std::string caption = log.name.value.empty() || log.name.value == "_"
                                    ? std::string("Uninstall")
                                    : "Uninstall " + log.name.value;
    Form question("Tquestion");
    try {
        if (!command.silent && log.ask && !Ask(platform, log, caption, question))
            return kUninstallDeclined;
        std::unique_ptr<ProgressWindow> window;
        if (!command.silent) {
            window = std::make_unique<ProgressWindow>(platform, log, product);
            window->Show();
        }
        Remover remover(platform, log, command.logPath, window.get());
        remover.silent = command.silent;
        const RemovalResult result = remover.Run();
        if (window) window->Hide();
        if (result.complete)
            tell(log.Text(60, "The program was removed from your computer."), caption,
                 mb::IconInfo);
        else
            tell(log.Text(61, "Some parts of the program could not be removed. The report "
                              "beside the uninstall log names them:") +
                     "\r" + (result.reportKept ? result.reportPath : command.logPath),
                 caption, mb::IconWarning);
        return result.complete ? kUninstallComplete : kUninstallIncomplete;
    } catch (const std::exception& e) {
        tell(e.what(), caption, mb::IconStop);
        return kUninstallIncomplete;
    }
}

} // namespace

int RunUninstaller(Platform& platform, const std::string& arguments) {
    const UninstallCommand command = ParseUninstallArguments(arguments);
    if (command.textLog.empty()) return Uninstall(platform, command);
    TextLog log(platform);
    if (!log.Open(command.textLog)) {
        if (!command.silent)
            platform.MessageBox("The log file cannot be created:\r" + command.textLog, "Uninstall",
                                mb::Ok | mb::IconStop);
        return kUninstallNoLog;
    }
    log.Line("uninstaller started with: " + arguments);
    LoggingPlatform logging(platform, log);
    const int code = Uninstall(logging, command);
    log.Line("exit code " + std::to_string(code));
    return code;
}

} // namespace corvid
