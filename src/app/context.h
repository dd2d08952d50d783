// Program-wide state: the plain records that start-up fills and the wizard and the installation
// read, the flags, and the one instance of each window. Tests make a fresh one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "setupinf/setup_description.h"

namespace corvid {

class Tmain;
class Ttrailer;
class Tabbruch;
class Tleader;
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

    std::unique_ptr<Tmain> main;
    std::unique_ptr<Ttrailer> trailer;
    std::unique_ptr<Tabbruch> abbruch;
    std::unique_ptr<Tleader> leader;
    std::unique_ptr<Form> copying, complete, dlgFolder;

    // The installation run's state, from the progress window's first activation on.
    std::unique_ptr<RunState> run;

    // Shows a failure the way the application's general error handler does.
    void ShowError(const std::string& message);
};

// Round to the nearest integer, halves to even, of the fraction a / b (b > 0).
int64_t RoundHalfEven(int64_t a, int64_t b);

} // namespace corvid
