// Program-wide state: the plain records that start-up fills and the wizard and the installation
// read, the flags, the run's state and the links to the windows others reach. Tests make a
// fresh one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/text_log.h"
#include "setupinf/setup_description.h"
#include "state/setup_options.h"
#include "state/windows.h"

namespace corvid {

class Form;
struct RunState;

struct StartupSettings {
    std::string titleLine[4]; // 1..3
    std::string backPicture, infoPicture, logoPicture, wizardPicture;
    std::string infoText = "_";
    std::string wizardHeading;
    uint32_t wizardHeadingColor = 0;
    int32_t compressionMode = 0;
    int32_t compressionSize = 0;
    int32_t setupVersion = 0;
};

struct PreviousInstallation {
    std::string uninstallCommand;
    int32_t version = -1;
};

struct SetupComponent {
    std::string name;
    int32_t space = 0;
    bool programItem = false;
    bool inMinimal = false;
    bool inStandard = false;
    bool inCustom = false;
};

struct SetupTypes {
    bool offerStandard = false, offerMinimal = false, offerCd = false, offerCustom = false;
    bool firstComponentLocked = false;
    // Sums of 32-bit component sizes, kept in 64 bits so that they never wrap.
    int64_t minimalSpace = 0, standardSpace = 0, customSpace = 0;
};

struct InstallChoices {
    std::string targetDirectory;
    std::string programGroup;
    bool components[8] = {}; // 1..7
    bool typeStandard = false, typeMinimal = false, typeCd = false, typeCustom = false;
    int32_t progressTotal = 0;
};

// The temporary file every compressed picture is expanded into.
constexpr const char* kTempPictureDir = "C:\\temp";
constexpr const char* kTempPicture = "C:\\temp\\cvd.bmp";

struct Context {
    explicit Context(Platform& platform);
    ~Context();

    Platform& platform;
    std::string sourceFolder;
    std::unique_ptr<SetupDescription> description;
    LanguageTexts language;

    StartupSettings startup;
    PreviousInstallation previous;
    SetupComponent components[8]; // 1..7
    SetupTypes types;
    InstallChoices choices;

    bool installPending = false;
    bool groupItemsAdded = false;
    bool installStarted = false;
    bool abortRequested = false;
    bool infoPictureLoaded = false;
    std::string readmeCopyPath; // the copied read-me file, once the installation composed it

    // Set when start-up decided to end the program before any other window exists.
    bool stop = false;

    // What the command line asked for, and how the run went, for the exit code.
    SetupOptions options;
    bool runFailed = false;        // an error stopped the installation run
    bool installCompleted = false; // the completion dialog's end was reached
    bool restartPending = false;   // a restart is needed and was not made
    bool unattendedAbort = false;  // an unattended answer asked to end: no person is asked
    // The text log of /log=, or null; ctx.Note writes to it.
    TextLog* log = nullptr;
    void Note(const std::string& line) {
        if (log) log->Line(line);
    }
    // Runs as the wizard hands over to the installation, with the choices final.
    std::function<void()> onInstallationStart;

    // The windows others reach, each as the little they use of it; null until the program
    // entry, which owns them, has created them.
    Backdrop* main = nullptr;
    LoadingScreen* trailer = nullptr;
    AbortDialog* abbruch = nullptr;
    Form* leader = nullptr;  // the wizard: the background focuses it, the folder dialog fills it
    Form* copying = nullptr; // the progress window, which the wizard shows at the hand-over
    CompletionDialog* complete = nullptr;
    Form* dlgFolder = nullptr;

    // The installation run's state, from the progress window's first activation on.
    std::unique_ptr<RunState> run;

    // Shows a failure the way the application's general error handler does.
    void ShowError(const std::string& message);
};

// Round to the nearest integer, halves to even, of the fraction a / b (b > 0).
int64_t RoundHalfEven(int64_t a, int64_t b);

} // namespace corvid
