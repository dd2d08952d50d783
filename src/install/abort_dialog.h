// The abort dialog: asks whether to end the setup; terminating cleans up and ends the program.
#pragma once

#include "forms/form.h"
#include "state/context.h"

namespace corvid {

class Tabbruch : public Form, public AbortDialog {
public:
    explicit Tabbruch(Context& ctx);

    void FormCreate();
    void Btn_terminateClick();
    void Btn_cancelClick();
    void Btn_terminateKeyDown(int& key);

    void Execute() override;

private:
    Context& ctx_;
};

} // namespace corvid
