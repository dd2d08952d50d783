// The loading screen and the loading of the four start-up pictures, which runs inside the
// wizard's creation.
#pragma once

#include <functional>
#include <string>

#include "forms/form.h"
#include "state/context.h"

namespace corvid {

class TCompress;

class Ttrailer : public Form, public LoadingScreen {
public:
    // The start-up pictures go into the background window's picture controls i1 to i4.
    Ttrailer(Context& ctx, Form& backdrop);

    void FormCreate();
    void FormActivate();

    // Moves the bar; with letMessagesRun the screen repaints at once.
    void SetBar(int position, bool letMessagesRun);

    // Which range of the bar the running expansion covers: 4 wizard, 2 info, 3 logo, 1 back.
    int pictureStep = 0;

    // LoadingScreen
    void ShowProgress(int32_t percentageDone) override;
    void LoadingStart() override;
    void LoadPictures(TCompress& cbmp, Control& wizardImage,
                      const std::function<void(bool)>& afterWizardPicture) override;

private:
    Context& ctx_;
    Form& backdrop_;

    // keepCopy: the temporary copy of a packed picture stays on disk (the back picture, which
    // the background window reads again to tile it).
    bool LoadOne(TCompress& cbmp, std::string& path, int step, Control& target, bool keepCopy);
};

} // namespace corvid
