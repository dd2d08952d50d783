// The background window: it does the whole start-up while it is created and then stays behind
// the wizard and the installation for the whole run.
#pragma once

#include "app/context.h"
#include "forms/form.h"

namespace corvid {

class Tmain : public Form {
public:
    explicit Tmain(Context& ctx);

    void FormCreate();
    void FormActivate();
    void FormPaint(Canvas& canvas);
    void FormDestroy();

    // The installation look: info picture and text instead of logo and titles.
    void ShowInstallationLook();

private:
    Context& ctx_;
    bool activated_ = false;
    bool stretch_ = false;

    void ReadStartupRecords();
};

// The destination proposed from an earlier installation's uninstall command: the text after the
// first blank without the trailing "\setup\uninst.log".
std::string DestinationFromUninstallCommand(const std::string& command);

} // namespace corvid
