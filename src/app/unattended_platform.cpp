#include "app/unattended_platform.h"

#include "forms/form.h"
#include "state/context.h"

namespace corvid {

bool UnattendedPlatform::PersonAsked(unsigned flags) const {
    const SetupOptions& o = ctx->options;
    if (!o.Quiet()) return true;
    return o.quiet == Quietness::Silent && ctx->installStarted && !ctx->unattendedAbort &&
           (flags & 0xF) == mb::OkCancel;
}

bool UnattendedPlatform::OnScreen(const Form& form) const {
    const SetupOptions& o = ctx->options;
    if (!o.Quiet()) return true;
    if (o.quiet == Quietness::VerySilent) return false;
    if (form.name == "Tcopying") return true;
    return form.name == "Tabbruch" && ctx->installStarted && !ctx->unattendedAbort;
}

int UnattendedPlatform::MessageBox(const std::string& text, const std::string& caption,
                                   unsigned flags) {
    if (PersonAsked(flags)) return LoggingPlatform::MessageBox(text, caption, flags);
    int answer = mb::IdOk;
    if ((flags & 0xF) == mb::YesNo) answer = mb::IdYes;
    if ((flags & 0xF) == mb::OkCancel) {
        answer = mb::IdCancel;
        ctx->unattendedAbort = true;
    }
    LogMessage(text, caption, flags, answer, false);
    return answer;
}

void UnattendedPlatform::AttachForm(Form& form) {
    if (OnScreen(form)) LoggingPlatform::AttachForm(form);
}

int UnattendedPlatform::ShowModal(Form& form) {
    if (OnScreen(form)) return LoggingPlatform::ShowModal(form);
    // Shown without a window: its activation runs as it would on the screen (the progress
    // window's runs the installation), and the abort dialog is answered.
    form.modalResult = 0;
    if (form.onActivate) form.onActivate();
    if (form.modalResult == 0 && form.name == "Tabbruch") {
        log().Line("the setup ends unattended");
        form["Btn_terminate"].UserClick();
    }
    return form.modalResult;
}

} // namespace corvid
