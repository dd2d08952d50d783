// The loading screen and the loading of the four start-up pictures, which runs inside the
// wizard's creation.
#pragma once

#include <functional>
#include <string>

#include "app/context.h"
#include "forms/form.h"

namespace corvid {

class TCompress;

class Ttrailer : public Form {
public:
    explicit Ttrailer(Context& ctx);

    void FormCreate();
    void FormActivate();

    // Moves the bar; with letMessagesRun the screen repaints at once.
    void SetBar(int position, bool letMessagesRun);

    // Which range of the bar the running expansion covers: 4 wizard, 2 info, 3 logo, 1 back.
    int pictureStep = 0;

    // Body of the wizard's progress handler during the loading.
    void ShowProgress(int32_t percentageDone);

    // First block, at the very start of the wizard's creation.
    void LoadingStart();
    // Second block: the four pictures. afterWizardPicture runs right after the wizard picture's
    // turn with whether it was loaded.
    void LoadPictures(TCompress& cbmp, Control& wizardImage,
                      const std::function<void(bool)>& afterWizardPicture);

private:
    Context& ctx_;

    // keepCopy: the temporary copy of a packed picture stays on disk (the back picture, which
    // the background window reads again to tile it).
    bool LoadOne(TCompress& cbmp, std::string& path, int step, Control& target, bool keepCopy);
};

} // namespace corvid
