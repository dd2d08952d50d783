// The completion dialog Tcomplete: the installation run's last step shows it modally; it shows
// the closing messages, opens or offers the read-me file, starts the product, removes the work
// files, offers the restart and ends the program.
#pragma once

#include <cstdint>
#include <string>

#include "forms/form.h"
#include "state/windows.h"

namespace corvid {

struct Context;

class Tcomplete : public Form, public CompletionDialog {
public:
    explicit Tcomplete(Context& ctx);

    void FormCreate();
    // What happens as the dialog is being shown, before the user sees it.
    void FormShow();
    // FormShow, then the dialog modally.
    void Open() override;
    void Btn_completeClick();
    void Btn_readmeClick();
    void Btn_completeKeyDown(int& key);

    // How long the dialog waits for the program group's window to come forward, and how much
    // of the window titles it compares.
    static constexpr uint32_t kGroupWaitMs = 6000;
    static constexpr int kTitleChars = 19;

private:
    std::string ReadmePath() const;
    void WaitForGroupWindow();
    void OpenReadme();
    // Asks for the restart the description wants, or notes it as pending.
    void Restart(int32_t reboot);

    Context& ctx_;
};

// Shows the completion dialog modally; the program ends from there.
void OpenCompletionDialog(Context& ctx);

} // namespace corvid
