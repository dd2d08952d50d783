// The wizard dialog: its creation (texts, pages, the picture loading with the loading screen),
// its page flow driven by Next and Back, the setup types and components with their space checks,
// the destination and group checks, and the hand-over to the installation.
#pragma once

#include <memory>

#include "forms/form.h"
#include "state/context.h"

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

// The setup-type page is shown unless only the standard type (or none) is offered, or the cd
// type is offered without the standard and the custom type.
bool setupTypePageOffered(const SetupTypes& types);
// The program group page is shown when the chosen components or types create program items.
bool groupPageNeeded(const Context& ctx);

// Space shown in kB: bytes / 1024 rounded to the nearest integer, halves to even.
std::string KiloBytes(int64_t bytes);

// The characters a destination or a group name may not hold, as the messages list them.
constexpr const char* kDirectoryCharList = "? * | \" < >";
constexpr const char* kGroupCharList = "- / ( ) ; : , | \" < >";

// The drive part of a destination: "C:" (upper case) when the text has at least three
// characters and a colon second; "\\SERVER\SHARE" for a network path; empty otherwise.
std::string DrivePartOf(const std::string& destination);

class Tleader : public Form {
public:
    explicit Tleader(Context& ctx);
    ~Tleader() override;

    void FormCreate();
    void Btn_weiterClick();
    void Btn_backClick();
    void Btn_exitClick();
    void Btn_folderClick();
    void Btn_weiterKeyDown(int& key);
    void Opt_1Click();
    void cf_standardClick();

    // The archive component that expands packed pictures, and its two handlers.
    std::unique_ptr<TCompress> Cbmp;
    void CbmpCheckFile(std::string& filepath);
    void CbmpShowProgress(int32_t& percentageDone);

    // The checks of the folder and group pages: each writes the normalised text back into its
    // field and passes, or shows its message and fails.
    bool FolderCheck();
    bool GroupCheck();

    WizardPage page = WizardPage::Welcome;
    std::string destinationDrive;   // "C:", from the last folder check
    int destinationDriveNumber = 0; // 1 for A: to 26 for Z:, 0 for none
    bool spaceWarning = false;      // the component step is waiting for enough free space
    // Components chosen beforehand (command line, answer file): choosing the custom type checks
    // these boxes instead of the description's custom set, one by one as a person would.
    bool componentPreset = false;
    bool presetComponents[8] = {}; // 1..7

private:
    Context& ctx_;

    void BuildPages();
    void SetTexts();
    void SetUpChoices();
    // Without a side picture the dialog closes up the room the picture took.
    void LayOutWithoutPicture();

    std::string Lang(int n) const; // [language] lN, read when it is shown
    void ShowPage(const char* panel, int captionText);
    int64_t FreeSpace();
    int SpaceWarning(const std::string& caption, unsigned buttons);
    void SetBoxes(bool SetupComponent::*set);

    void FolderStep();
    bool FolderSpaceCheck();
    void SetupTypeStep();
    void ComponentStep();
    void GroupStep();
    void StartInstallation();
};

} // namespace corvid
