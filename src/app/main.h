// The background window: it does the whole start-up while it is created and then stays behind
// the wizard and the installation for the whole run.
#pragma once

#include "forms/form.h"
#include "state/context.h"

namespace corvid {

class Tmain : public Form, public Backdrop {
public:
    explicit Tmain(Context& ctx);

    void FormCreate();
    void FormActivate();
    void FormPaint(Canvas& canvas);
    void FormDestroy();

    void ShowInstallationLook() override;

private:
    Context& ctx_;
    bool activated_ = false;
    bool stretch_ = false;

    void ReadStartupRecords();
    void RemoveEarlierInstallation();
};

// The destination proposed from an earlier installation's uninstall command: the text after the
// first blank without the trailing "\setup\uninst.log".
std::string DestinationFromUninstallCommand(const std::string& command);

} // namespace corvid
