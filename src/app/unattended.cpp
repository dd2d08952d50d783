#include "app/unattended.h"

#include "app/option_parser.h"
#include "setupinf/profile.h"
#include "wizard/dialog.h"

namespace corvid {

namespace {

bool ReadWhole(Platform& p, const std::string& path, std::string& bytes) {
    auto s = p.OpenFile(path, OpenMode::ReadShared);
    if (!s) return false;
    bytes.clear();
    char buf[4096];
    for (int32_t n; (n = s->Read(buf, sizeof buf)) > 0;) bytes.append(buf, static_cast<size_t>(n));
    return true;
}

bool IsNumber(const std::string& s) {
    if (s.empty() || s.size() > 2) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

} // namespace

bool LoadAnswerFile(Platform& p, SetupOptions& o, std::string& error) {
    std::string bytes;
    if (!ReadWhole(p, o.loadInf, bytes)) {
        error = "The answer file cannot be read: " + o.loadInf;
        return false;
    }
    const ProfileData data(ProfileText(bytes));
    auto get = [&](const char* key) {
        return TrimProfileSpace(ProfileResult(data.Find(kAnswerSection, key), "", true));
    };
    // Read as if given as options, and checked the same way; the command line's own win.
    std::string arguments;
    auto add = [&](const char* key, const std::string& value) {
        if (!value.empty()) arguments += std::string(" \"/") + key + "=" + value + "\"";
    };
    if (o.dir.empty()) add("dir", get("dir"));
    if (o.group.empty()) add("group", get("group"));
    if (o.type.empty()) {
        add("type", get("type"));
        add("components", get("components"));
    }
    SetupOptions loaded;
    if (!ParseSetupOptions(arguments, loaded, error)) {
        error = "The answer file " + o.loadInf + " holds a bad choice. " + error;
        return false;
    }
    if (o.dir.empty()) o.dir = loaded.dir;
    if (o.group.empty()) o.group = loaded.group;
    if (o.type.empty()) {
        o.type = loaded.type;
        o.components = loaded.components;
        o.componentsGiven = loaded.componentsGiven;
    }
    if (get("noicons") == "1") o.noIcons = true;
    return true;
}

std::string ChosenType(const Context& ctx) {
    const InstallChoices& c = ctx.choices;
    if (c.typeCustom) return "custom";
    if (c.typeCd) return "cd";
    if (c.typeMinimal) return "minimal";
    return "standard";
}

std::string ChosenComponents(const Context& ctx) {
    std::string list;
    for (int n = 1; n <= 7; ++n)
        if (ctx.choices.components[n]) list += (list.empty() ? "" : ",") + std::to_string(n);
    return list;
}

bool SaveAnswerFile(Context& ctx, const std::string& path) {
    std::string text = std::string("[") + kAnswerSection + "]\r\n";
    text += "dir=" + ctx.choices.targetDirectory + "\r\n";
    text += "type=" + ChosenType(ctx) + "\r\n";
    // The other types bring their own set.
    if (ctx.choices.typeCustom) text += "components=" + ChosenComponents(ctx) + "\r\n";
    text += "group=" + ctx.choices.programGroup + "\r\n";
    text += std::string("noicons=") + (ctx.options.noIcons ? "1" : "0") + "\r\n";
    auto s = ctx.platform.OpenFile(path, OpenMode::Create);
    return s && s->Write(text.data(), static_cast<int32_t>(text.size())) ==
                    static_cast<int32_t>(text.size());
}

bool PresetWizard(Context& ctx, Tleader& w, std::string& error) {
    const SetupOptions& o = ctx.options;
    const SetupTypes& t = ctx.types;
    if (!o.dir.empty()) w["Edt_verz"].SetText(o.dir);
    if (!o.group.empty()) w["Edt_prggroup"].SetText(o.group);
    if (!o.type.empty()) {
        // The button that gives the type: with the cd type offered, the minimal button is the
        // cd type's. Without a setup-type page the wizard's default is the only one.
        const bool offered = o.type == "standard"  ? t.offerStandard || !(t.offerMinimal ||
                                                                         t.offerCd || t.offerCustom)
                             : o.type == "minimal" ? t.offerMinimal && !t.offerCd
                             : o.type == "cd"      ? t.offerCd
                                                   : t.offerCustom;
        if (!offered) {
            error = "This setup does not offer the setup type \"" + o.type + "\".";
            return false;
        }
        w[o.type == "standard" ? "cf_standard"
          : o.type == "custom" ? "cf_custom"
                               : "cf_min"]
            .SetChecked(true);
    }
    if (o.componentsGiven) {
        for (bool& b : w.presetComponents) b = false;
        for (const std::string& item : o.components) {
            int found = 0;
            for (int n = 1; n <= 7 && !found; ++n) {
                const bool offered = w["Opt_" + std::to_string(n)].visible;
                if (IsNumber(item) ? std::stoi(item) == n && offered
                                   : !ctx.components[n].name.empty() &&
                                         FoldCase(item) == FoldCase(ctx.components[n].name))
                    found = n;
            }
            if (!found) {
                error = "This setup has no component \"" + item + "\".";
                return false;
            }
            w.presetComponents[found] = true;
        }
        w.componentPreset = true;
    }
    return true;
}

void DriveWizard(Context& ctx, Tleader& w) {
    Platform& p = ctx.platform;
    // Six pages at most; the bound only guards against a flow that would never end.
    for (int press = 0; press < 12 && !p.Terminated(); ++press) {
        const WizardPage page = w.page;
        ctx.Note("wizard page \"" + w.caption + "\": Next");
        w["Btn_weiter"].UserClick();
        if (page == WizardPage::Ready) return; // handed over: the installation has run
        if (w.page == page && !p.Terminated()) {
            ctx.Note("the setup ends: the check on page \"" + w.caption + "\" failed");
            p.Terminate();
        }
    }
    if (!p.Terminated()) p.Terminate();
}

int ExitCodeOf(const Context& ctx) {
    if (ctx.installCompleted) return ctx.restartPending ? kExitRestartNeeded : kExitInstalled;
    if (ctx.installStarted) return ctx.runFailed ? kExitFailed : kExitTerminated;
    return kExitNotInstalled;
}

} // namespace corvid
