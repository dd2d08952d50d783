// The windows as the others reach them: the wizard, the run and the windows that call on one
// another see only the little each uses. The program entry owns the windows with their real
// types and links them into the context as it creates them.
#pragma once

#include <cstdint>
#include <functional>

namespace corvid {

class Control;
class TCompress;

// The abort dialog, which the wizard, the progress window and the disk prompt open.
class AbortDialog {
public:
    virtual ~AbortDialog() = default;
    // Shows the dialog modally; returns when the user cancelled or the program is ending.
    virtual void Execute() = 0;
};

// The background window, as the wizard hands over to the installation.
class Backdrop {
public:
    virtual ~Backdrop() = default;
    // The installation look: info picture and text instead of logo and titles.
    virtual void ShowInstallationLook() = 0;
};

// The loading screen, which the wizard's creation drives while the start-up pictures load.
class LoadingScreen {
public:
    virtual ~LoadingScreen() = default;
    // First block, at the very start of the wizard's creation.
    virtual void LoadingStart() = 0;
    // Second block: the four pictures. afterWizardPicture runs right after the wizard picture's
    // turn with whether it was loaded.
    virtual void LoadPictures(TCompress& cbmp, Control& wizardImage,
                              const std::function<void(bool)>& afterWizardPicture) = 0;
    // Body of the wizard's progress handler during the loading.
    virtual void ShowProgress(int32_t percentageDone) = 0;
};

// The completion dialog, which the run opens as its last step.
class CompletionDialog {
public:
    virtual ~CompletionDialog() = default;
    // Shows the dialog modally; the program ends from there.
    virtual void Open() = 0;
};

} // namespace corvid
