#include "install/progress_window.h"

#include <algorithm>
#include <cstdlib>

#include "archive/compress.h"
#include "forms/picture.h"
#include "install/file_transfer.h"
#include "install/installation_run.h"
#include "install/uninstall_log.h"
#include "uninstall_log/registration.h"

namespace corvid {

namespace {

constexpr int SW_HIDE_ = 0;

// The exit button's glyph: a white cross on a red disc, 16 x 16, on the button face colour
// (its bottom-left pixel, which the glyph drawing takes as transparent).
std::shared_ptr<const Picture> ExitGlyph() {
    static std::shared_ptr<const Picture> glyph = [] {
        const int n = 16, row = n * 3;
        std::vector<uint8_t> b;
        PutBmpHeaders(b, n, n, 24, 0, 0, 0, static_cast<uint32_t>(row * n));
        for (int y = n - 1; y >= 0; --y) { // bottom-up rows
            for (int x = 0; x < n; ++x) {
                const int dx = 2 * x - 15, dy = 2 * y - 15; // doubled offsets from the centre
                uint32_t c = 0xC0C0C0;
                if (dx * dx + dy * dy <= 14 * 14) {
                    c = 0xC02020;
                    const int ax = std::abs(dx), ay = std::abs(dy);
                    if (std::abs(ax - ay) <= 2 && ax <= 8) c = 0xFFFFFF;
                }
                b.push_back(static_cast<uint8_t>(c));
                b.push_back(static_cast<uint8_t>(c >> 8));
                b.push_back(static_cast<uint8_t>(c >> 16));
            }
        }
        return std::shared_ptr<const Picture>(Picture::FromBmp(std::move(b)));
    }();
    return glyph;
}

} // namespace

Tcopying::Tcopying(Context& ctx) : Form("Tcopying"), ctx_(ctx) {
    border = BorderStyle::Dialog;
    systemMenu = false;
    position_centered = true;
    clientWidth = 357;
    clientHeight = 83;

    Add("Lbl_o", ControlKind::Label, 6, 3, 243, 13);
    Control& upper = Add("Pr_o", ControlKind::Gauge, 8, 17, 245, 18);
    Add("Lbl_u", ControlKind::Label, 8, 40, 243, 13);
    Control& lower = Add("Pr_u", ControlKind::Gauge, 8, 53, 245, 18);
    for (Control* g : {&upper, &lower}) {
        g->color = colors::White;
        g->font.color = colors::White;
    }
    Control& exit = Add("Btn_exit", ControlKind::Button, 260, 47, 93, 25);
    exit.isCancel = true;
    exit.picture = ExitGlyph();
    exit.tabOrder = 1;
    Control& list = Add("l", ControlKind::ListBox, 0, 0, 0, 0);
    list.visible = false;
    list.tabOrder = 2;
    // Outside the visible client area: it holds the focus so that F3 and F4 reach the form.
    Control& button1 = Add("Button1", ControlKind::Button, 360, 45, 75, 25);
    button1.isDefault = true;
    button1.tabOrder = 0;
    initialFocus = "Button1";

    exit.onClick = [this] { Btn_exitClick(); };
    onActivate = [this] { FormActivate(); };
    onDestroy = [this] { FormDestroy(); };
    onKeyDown = [this](int& key) { FormKeyDown(key); };
    for (Control* c : {&exit, &list, &button1})
        c->onKeyDown = [this](int& key) { FormKeyDown(key); };

    C = std::make_unique<TCompress>(ctx.platform);
    C->OnCheckFile = [this](std::string& filepath, TCProcessMode) { CCheckFile(filepath); };
    C->OnShowProgress = [this](int32_t& percentage) { CShowProgress(percentage); };
}

Tcopying::~Tcopying() = default;

void Tcopying::FormCreate() {
    (*this)["Btn_exit"].SetText(ctx_.language[11] + " (F3)");
    (*this)["Lbl_u"].SetText(ctx_.language[18]);
}

void Tcopying::FormActivate() {
    try {
        RunInstallation(ctx_, *this);
    } catch (const RunTerminated&) {
        // Stopped at a pause point; the abort dialog has done its part, FormDestroy the rest.
        // The entries written on the way out reach the file now.
        if (ctx_.run) ctx_.run->log.TryFlush();
    } catch (const std::exception& e) {
        // The run stops where it stands; the window stays for the abort dialog, which an
        // unattended run opens itself.
        ctx_.runFailed = true;
        ctx_.ShowError(e.what());
        if (ctx_.options.Quiet() && ctx_.abbruch) {
            ctx_.unattendedAbort = true;
            ctx_.abbruch->Execute();
        }
    }
}

void Tcopying::Btn_exitClick() {
    if (ctx_.abbruch) ctx_.abbruch->Execute();
}

void Tcopying::FormKeyDown(int& key) {
    if (key == vk::F3 || key == vk::F4) {
        key = 0;
        Btn_exitClick();
    }
}

void Tcopying::CCheckFile(std::string& filepath) {
    if (ctx_.run) filepath = ctx_.run->currentTarget;
}

void Tcopying::CShowProgress(int32_t& percentageDone) {
    if (ctx_.run) ShowExpansionProgress(ctx_, *ctx_.run, *this, percentageDone);
    // The expansion goes on to its end; the run stops at its next pause point, and a log that
    // cannot be written is reported there too.
    try {
        Pause();
    } catch (const RunTerminated&) {
        SetCaption(ctx_.language[10]);
    } catch (const RuntimeError&) {
    }
}

void Tcopying::FormDestroy() {
    if (!ctx_.abortRequested || !ctx_.run) return;
    RunState& run = *ctx_.run;
    run.workDescription.reset();
    // The abort dialog deleted the work files already, unless an expansion still had
    // compress.tmp open then.
    if (!run.setupFolder.empty()) {
        ctx_.platform.DeleteFile(run.setupFolder + "\\setup.tmp");
        ctx_.platform.DeleteFile(run.compressTmp);
    }
    try {
        LogFinalFileTotal(run);
        run.log.Flush();
    } catch (const std::exception&) {
        // The program is ending; the uninstaller still gets the log as far as it was written.
    }
    const std::string command =
        uninstall_log::SilentUninstallCommandLine(run.uninstallerPath, run.destination);
    // A caller that reads the exit code expects the clean-up done when the setup ends.
    uint32_t exitCode = 0;
    if (ctx_.options.given)
        ctx_.platform.RunAndWait(command, SW_HIDE_, exitCode);
    else
        ctx_.platform.WinExec(command, SW_HIDE_);
}

void Tcopying::ShowActivity(const std::string& text) {
    (*this)["Lbl_o"].SetText(text);
}

void Tcopying::SetUpper(int32_t percent) {
    (*this)["Pr_o"].SetPosition(percent);
}

void Tcopying::SetLower(int32_t percent) {
    (*this)["Pr_u"].SetPosition(percent);
}

void Tcopying::Pause() {
    // Blocks of 2048 bytes come far faster than a screen shows them, and each pump costs a
    // repaint: within one slice the messages wait for the next pause point, unless input waits,
    // so that a key or a click is answered at once however slow the repaints are. A terminate
    // can only come from a pump, so the run still stops at the pause point that saw it.
    if (ctx_.platform.Terminated()) throw RunTerminated(); // seen by an earlier pump
    const uint32_t now = ctx_.platform.TickCount();
    if (pumped_ && now - lastPump_ < Slice()) {
        if (now - lastInputLook_ < kInputLookMs) return;
        lastInputLook_ = now;
        if (!ctx_.platform.InputWaiting()) return;
    }
    pumped_ = true;
    lastPump_ = now;
    // Whatever runs from a message (the abort dialog, a terminate) sees the log as it stands.
    if (ctx_.run) ctx_.run->log.Flush();
    const bool terminated = ctx_.platform.ProcessMessages();
    // A mean over several pumps: a coarse clock reads most pumps as 0 and some as one tick.
    lastInputLook_ = ctx_.platform.TickCount(); // what waited has just run
    const uint32_t cost = std::min<uint32_t>(lastInputLook_ - now, kLongestSliceMs);
    pumpCost16_ = (pumpCost16_ * 7 + cost * 16) / 8;
    if (terminated) throw RunTerminated();
}

uint32_t Tcopying::Slice() const {
    if (pumpSliceMs == 0) return 0;
    return std::max(pumpSliceMs, std::min(kLongestSliceMs, pumpCost16_ / 2)); // 8 x the mean
}

void Tcopying::MoveDown() {
    const int top = RoundHalfEven(int64_t{ctx_.platform.ScreenHeight()} * 2, 3) + 5;
    SetBounds(left, top, clientWidth, clientHeight);
}

void Tcopying::ShowFinished() {
    SetCaption("");
    SetUpper(100);
    (*this)["Lbl_o"].SetVisible(false);
    SetLower(100);
    (*this)["Btn_exit"].SetEnabled(false);
}

} // namespace corvid
