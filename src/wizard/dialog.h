// The wizard dialog: its creation (texts, pages, the picture loading with the loading screen),
// its pages and its buttons.
#pragma once

#include <memory>

#include "app/context.h"
#include "forms/form.h"

namespace corvid {

class TCompress;

enum class WizardPage : uint8_t {
    Welcome = 1,
    Folder = 2,
    SetupType = 3,
    Components = 4,
    ProgramGroup = 5,
    Ready = 6
};

class Tleader : public Form {
public:
    explicit Tleader(Context& ctx);
    ~Tleader() override;

    void FormCreate();
    void Btn_exitClick();
    void Btn_weiterKeyDown(int& key);

    // The archive component that expands packed pictures, and its two handlers.
    std::unique_ptr<TCompress> Cbmp;
    void CbmpCheckFile(std::string& filepath);
    void CbmpShowProgress(int32_t& percentageDone);

    WizardPage page = WizardPage::Welcome;

private:
    Context& ctx_;

    void BuildPages();
    void SetTexts();
    // Without a side picture the dialog closes up the room the picture took.
    void LayOutWithoutPicture();
};

} // namespace corvid
