// The abort dialog: asks whether to end the setup; terminating cleans up and ends the program.
#pragma once

#include "app/context.h"
#include "forms/form.h"

namespace corvid {

class Tabbruch : public Form {
public:
    explicit Tabbruch(Context& ctx);

    void FormCreate();
    void Btn_terminateClick();
    void Btn_cancelClick();
    void Btn_terminateKeyDown(int& key);

    // Shows the dialog modally; returns when the user cancelled or the program is ending.
    void Execute();

private:
    Context& ctx_;
};

} // namespace corvid
