#include "uninstall/removal.h"

#include <algorithm>
#include <map>

#include "platform/paths.h"
#include "setupinf/profile.h"
#include "uninstall_log/log_format.h"
#include "uninstall_log/registration.h"

namespace corvid {

using namespace uninstall_log;

namespace {

// The names of a registry key path; false when a name is empty (the root itself, or "a\\b").
bool KeyNames(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    size_t b = 0, e = path.size();
    while (b < e && path[b] == '\\') ++b;
    while (e > b && path[e - 1] == '\\') --e;
    if (b == e) return false;
    size_t p = b;
    while (p <= e) {
        size_t q = path.find('\\', p);
        if (q == std::string::npos || q > e) q = e;
        std::string n = path.substr(p, q - p);
        if (n.empty()) return false;
        for (unsigned char c : n)
            if (c < 32) return false;
        names.push_back(n);
        p = q + 1;
    }
    return true;
}

std::string JoinKey(const std::vector<std::string>& names, size_t count) {
    std::string k;
    for (size_t i = 0; i < count && i < names.size(); ++i) k += (i ? "\\" : "") + names[i];
    return k;
}

bool SameText(const std::string& a, const std::string& b) {
    return FoldCase(a) == FoldCase(b);
}

std::string FirstNames(const std::vector<std::string>& names) {
    std::string t;
    for (size_t i = 0; i < names.size() && i < 3; ++i) t += (i ? ", " : "") + names[i];
    if (names.size() > 3) t += ", ...";
    return t;
}

// A program group name is sent inside a program-manager command and becomes a folder name
// there: characters that end the command or climb out of the group folder are refused.
bool GroupNameOk(const std::string& name, std::string& why) {
    bool onlyDots = true;
    for (unsigned char c : name) {
        if (c < 32 ||
            std::string("\\/:*?\"<>|[](),").find(static_cast<char>(c)) != std::string::npos) {
            why = "the group name holds a character that the program manager would misread";
            return false;
        }
        if (c != '.' && c != ' ') onlyDots = false;
    }
    if (onlyDots) {
        why = "the group name is made of dots and blanks only";
        return false;
    }
    return true;
}

// Why an entry numbered beyond its section's total stays.
std::string BeyondTotal(const NumberedSection& s, int32_t number, int32_t total) {
    return Numbered(s.prefix, number) + " lies beyond " + EntryLabel(s.section, kTotalKey) + " " +
           std::to_string(total) + ": an earlier installation's entry";
}

const char* OutcomeName(Outcome o) {
    switch (o) {
    case Outcome::Removed:
        return "removed";
    case Outcome::AlreadyGone:
        return "already gone";
    case Outcome::Kept:
        return "kept";
    case Outcome::Left:
        return "LEFT";
    case Outcome::Refused:
        return "REFUSED";
    }
    return "?";
}

} // namespace

int32_t RemovalResult::Count(Outcome o) const {
    return static_cast<int32_t>(std::count_if(lines.begin(), lines.end(),
                                              [o](const ReportLine& l) { return l.outcome == o; }));
}

Remover::Remover(Platform& platform, const UninstallLogData& log, std::string logPath,
                 RemovalProgress* progress)
    : p_(platform), log_(log), logPath_(std::move(logPath)), progress_(progress) {}

void Remover::Add(Outcome o, const std::string& kind, const std::string& item,
                  const std::string& why) {
    result_.lines.push_back(ReportLine{o, kind, item, why});
}

void Remover::Tick() {
    ++done_;
    if (progress_) progress_->Step(done_, total_);
}

bool Remover::CheckValue(const LogValue& v, const std::string& kind, const std::string& label) {
    if (!v.cut) return true;
    Add(Outcome::Refused, kind, label + " = " + v.value.substr(0, 60) + "...",
        "the value fills the 1023 characters a value can have and may have been cut off");
    return false;
}

bool Remover::IsProtected(const WinPath& path, std::string& why) {
    // The same file may be spelt in many ways (a short name, a share of the local drive): the
    // file system decides, the text only when the file is not there. File numbers first: the
    // kept files' numbers are looked up once, and only a name with one of them is compared in
    // full.
    uint64_t number = 0;
    const bool there = p_.FileNumber(path.Text(), number);
    const auto same = [&](const WinPath& a, const std::string& b) {
        WinPath parsed;
        std::string ignored;
        if (ParseAbsolutePath(b, parsed, ignored) && SamePath(a, parsed)) return true;
        if (!there) return false;
        auto known = keptNumbers_.find(b);
        if (known == keptNumbers_.end()) {
            uint64_t n = 0;
            if (!p_.FileNumber(b, n)) return false; // not there (yet): asked again next time
            known = keptNumbers_.emplace(b, n).first;
        }
        return known->second == number && p_.SameFile(a.Text(), b);
    };
    if (!logFile_.root.empty() && same(path, logFile_.Text())) {
        why = "the uninstall log itself goes last";
        return true;
    }
    if (!result_.reportPath.empty() && same(path, result_.reportPath)) {
        why = "the uninstaller's report";
        return true;
    }
    if ((!windows_.root.empty() && same(path, windows_.Child({kUninstallerFileName}).Text())) ||
        same(path, p_.ModulePath())) {
        why = "the shared uninstaller stays: other products use it";
        return true;
    }
    return false;
}

WinPath Remover::LongForm(const WinPath& path) {
    WinPath longer;
    std::string ignored;
    return ParseAbsolutePath(p_.LongPathName(path.Text()), longer, ignored) ? longer : path;
}

bool Remover::LinkOnTheWay(const WinPath& base, const WinPath& path, std::string& why) {
    bool itself = true;
    for (WinPath at = path;; at = at.Parent(), itself = false) {
        // A folder found sound stays so: the uninstaller makes no links.
        const std::string key = FoldCase(at.Text());
        if (!itself && soundFolders_.count(key)) {
            if (!IsBelow(at, base)) return false;
            continue;
        }
        const PathInfo info = p_.QueryPath(at.Text());
        if (!itself && !info.link && info.exists && info.directory) soundFolders_.insert(key);
        if (info.link) {
            why = "the way there leads through a link (junction or symbolic link) at " + at.Text() +
                  ", which the installation never makes";
            return true;
        }
        if (!IsBelow(at, base)) return false;
    }
}

void Remover::RemoveFile(const WinPath& base, const WinPath& file, const std::string& kind) {
    const std::string path = file.Text();
    std::string why;
    if (LinkOnTheWay(base, file, why)) {
        Add(Outcome::Refused, kind, path, why);
        return;
    }
    if (IsProtected(file, why)) {
        Add(Outcome::Kept, kind, path, why);
        return;
    }
    if (p_.DirectoryExists(path)) {
        Add(Outcome::Left, kind, path, "it is a folder, not a file");
        return;
    }
    if (!p_.FileExists(path)) {
        Add(Outcome::AlreadyGone, kind, path);
        return;
    }
    if (p_.DeleteFile(path)) {
        Add(Outcome::Removed, kind, path);
        return;
    }
    p_.SetFileAttributes(path, 0x80); // a read-only file: make it a normal one first
    if (p_.DeleteFile(path)) {
        Add(Outcome::Removed, kind, path);
        return;
    }
    Add(Outcome::Left, kind, path, "it cannot be deleted (in use or protected)");
    pending_.push_back(PendingFile{result_.lines.size() - 1, path});
}

void Remover::RetryFiles() {
    for (int round = 0; round < retryRounds && !pending_.empty(); ++round) {
        p_.Sleep(retryPause);
        std::vector<PendingFile> still;
        for (const PendingFile& f : pending_) {
            ReportLine& line = result_.lines[f.line];
            if (!p_.FileExists(f.path)) {
                line.outcome = Outcome::AlreadyGone;
                line.why.clear();
            } else if (p_.DeleteFile(f.path)) {
                line.outcome = Outcome::Removed;
                line.why.clear();
            } else {
                still.push_back(f);
            }
        }
        pending_.swap(still);
    }
}

void Remover::NoteDirectory(const WinPath& dir, bool named) {
    for (WinPath d = dir; IsBelow(d, dest_); d = d.Parent()) {
        auto it = std::find_if(dirs_.begin(), dirs_.end(), [&](const std::pair<WinPath, bool>& x) {
            return SamePath(x.first, d);
        });
        if (it == dirs_.end())
            dirs_.emplace_back(d, named);
        else if (named)
            it->second = true;
        named = false; // its parents are implied
    }
}

void Remover::RemoveFiles() {
    for (const LogValue& e : log_.files.entries) {
        Tick();
        const std::string label = EntryLabel(kFiles, e.number);
        if (!CheckValue(e, "file", label)) continue;
        std::vector<std::string> parts;
        std::string why;
        if (!destOk_) {
            Add(Outcome::Refused, "file", e.value, "the destination is not usable");
        } else if (!ParseRelativePath(e.value, parts, why)) {
            Add(Outcome::Refused, "file", e.value, why);
        } else if (parts.empty()) {
            Add(Outcome::Refused, "file", label + " = " + e.value,
                "it names the destination itself");
        } else {
            const WinPath f = dest_.Child(parts);
            RemoveFile(dest_, f, "file");
            NoteDirectory(f.Parent(), false);
        }
    }
    for (const LogValue& e : log_.files.beyond)
        Add(Outcome::Kept, "file", e.value, BeyondTotal(kFiles, e.number, log_.files.total));
}

void Remover::RemoveSystemFiles() {
    for (const LogValue& e : log_.systemFiles.entries) {
        Tick();
        if (!CheckValue(e, "system file", EntryLabel(kSystemFiles, e.number))) continue;
        WinPath f;
        std::string why;
        if (!ParseAbsolutePath(e.value, f, why))
            Add(Outcome::Refused, "system file", e.value, why);
        else if (windows_.root.empty() || !IsBelow(f = LongForm(f), windows_))
            Add(Outcome::Refused, "system file", e.value, "it is not below the Windows directory");
        else
            RemoveFile(windows_, f, "system file");
    }
    for (const LogValue& e : log_.systemFiles.beyond)
        Add(Outcome::Kept, "system file", e.value,
            BeyondTotal(kSystemFiles, e.number, log_.systemFiles.total));
}

bool Remover::PointsIntoDestination(const std::string& command) const {
    std::string c = TrimProfileSpace(command);
    if (!c.empty() && c[0] == '"') c.erase(0, 1);
    std::string raw = log_.directory.value;
    while (!raw.empty() && (raw.back() == '\\' || raw.back() == '/')) raw.pop_back();
    const std::string folded = FoldCase(c);
    for (const std::string& d : {raw, dest_.Text()}) {
        const std::string prefix = FoldCase(d + "\\");
        if (folded.compare(0, prefix.size(), prefix) == 0) return true;
    }
    return false;
}

void Remover::RemoveAssociations() {
    for (const LogValue& e : log_.extensions.entries) {
        Tick();
        if (!CheckValue(e, "association", EntryLabel(kExtensions, e.number))) continue;
        const std::string& x = e.value;
        const std::string item = "HKEY_CLASSES_ROOT\\." + x + ", \\" + x + "autofile";
        bool bad = x.empty() || x == "_";
        for (unsigned char c : x) bad = bad || c < 32 || c == '\\' || c == '/';
        if (bad) {
            Add(Outcome::Refused, "association", Numbered(kExtensions.prefix, e.number) + " = " + x,
                "it is not a file extension");
            continue;
        }
        if (!destOk_) {
            Add(Outcome::Refused, "association", item,
                "the destination is not usable, so the product's program cannot be recognised");
            continue;
        }
        const std::string type = x + "autofile", dotKey = "." + x;
        std::vector<std::string> subkeys;
        std::vector<RegValueInfo> values;
        const bool hasType = p_.RegListKey(RegRoot::ClassesRoot, type, subkeys, values);
        std::string command, dotType;
        p_.RegReadString(RegRoot::ClassesRoot, type + "\\shell\\open\\command", "", command);
        const bool hasDot = p_.RegReadString(RegRoot::ClassesRoot, dotKey, "", dotType);
        if (hasType && !PointsIntoDestination(command)) {
            Add(Outcome::Kept, "association", item,
                "the file type now starts another program: " + command);
            continue;
        }
        bool removed = false, left = false;
        if (hasType) {
            if (DeleteTree(RegRoot::ClassesRoot, type, 0))
                removed = true;
            else
                left = true;
        }
        if (hasDot && SameText(TrimProfileSpace(dotType), type)) {
            left = !p_.RegDeleteValue(RegRoot::ClassesRoot, dotKey, "") || left;
            removed = true;
            if (p_.RegListKey(RegRoot::ClassesRoot, dotKey, subkeys, values) && subkeys.empty() &&
                values.empty())
                p_.RegDeleteKey(RegRoot::ClassesRoot, dotKey);
        }
        if (left)
            Add(Outcome::Left, "association", item, "a registry key or value cannot be deleted");
        else if (removed)
            Add(Outcome::Removed, "association", item,
                hasDot && !SameText(TrimProfileSpace(dotType), type)
                    ? "the extension now names another type and stays"
                    : "");
        else
            Add(Outcome::AlreadyGone, "association", item);
    }
    for (const LogValue& e : log_.extensions.beyond)
        Add(Outcome::Kept, "association", "." + e.value,
            BeyondTotal(kExtensions, e.number, log_.extensions.total));
}

bool Remover::IniFileOk(const std::string& name, std::string& path, std::string& why) {
    WinPath f;
    std::vector<std::string> parts;
    if (name.find_first_of("\\/:") == std::string::npos) {
        if (windows_.root.empty() || !ParseRelativePath(name, parts, why) || parts.size() != 1) {
            if (why.empty()) why = "it names no file in the Windows directory";
            return false;
        }
        f = windows_.Child(parts);
    } else if (!ParseAbsolutePath(name, f, why)) {
        return false;
    }
    f = LongForm(f);
    const bool inWindows = !windows_.root.empty() && IsBelow(f, windows_);
    if (!inWindows && !(destOk_ && IsBelow(f, dest_))) {
        why = "it lies outside the destination and the Windows directory";
        return false;
    }
    if (LinkOnTheWay(inWindows ? windows_ : dest_, f, why)) return false;
    if (IsProtected(f, why)) return false;
    path = f.Text();
    return true;
}

void Remover::RemoveIniEntries() {
    for (const LogIniFile& ini : log_.iniFiles) {
        const std::string section = IniSection(ini.number);
        const bool named = CheckValue(ini.name, "INI file", EntryLabel(section, kIniNameKey)) &&
                           !ini.name.value.empty();
        const std::string& file = ini.name.value;
        std::string resolved, why;
        if (named && !IniFileOk(file, resolved, why)) {
            Add(Outcome::Refused, "INI file", file, why);
            continue;
        }
        std::vector<std::string> touched;
        for (const LogIniEntry& e : ini.entries) {
            Tick();
            const std::string item = file + " [" + e.section.value + "] " + e.key.value;
            if (!CheckValue(e.section, "INI entry",
                            EntryLabel(section, Numbered(kIniEntrySection, e.slot))) ||
                !CheckValue(e.key, "INI entry",
                            EntryLabel(section, Numbered(kIniEntryKey, e.slot))))
                continue;
            if (!named) {
                if (!ini.name.cut)
                    Add(Outcome::Left, "INI entry", "[" + e.section.value + "] " + e.key.value,
                        "the log does not name its INI file (one below the Windows directory)");
                continue;
            }
            if (TrimProfileSpace(e.key.value).empty()) {
                Add(Outcome::Refused, "INI entry", item, "the log names no key");
                continue;
            }
            std::vector<std::string> keys;
            bool present = false;
            if (p_.ProfileKeyNames(file, e.section.value, keys))
                for (const std::string& k : keys)
                    present =
                        present || SameText(TrimProfileSpace(k), TrimProfileSpace(e.key.value));
            if (!present) {
                Add(Outcome::AlreadyGone, "INI entry", item);
            } else if (p_.DeleteProfileKey(file, e.section.value, e.key.value)) {
                Add(Outcome::Removed, "INI entry", item);
                touched.push_back(e.section.value);
            } else {
                Add(Outcome::Left, "INI entry", item, "the INI file cannot be written");
            }
        }
        if (!named) continue;
        // Sections that our removals emptied go too, and so does a file left without anything.
        std::vector<std::string> sections, keys;
        for (const std::string& s : touched) {
            if (!p_.ProfileSectionNames(file, sections)) break;
            bool exists = false;
            for (const std::string& n : sections)
                exists = exists || SameText(TrimProfileSpace(n), TrimProfileSpace(s));
            if (exists && p_.ProfileKeyNames(file, s, keys) && keys.empty()) {
                if (p_.DeleteProfileSection(file, s))
                    Add(Outcome::Removed, "INI section", file + " [" + s + "]",
                        "it was left empty");
                else
                    Add(Outcome::Left, "INI section", file + " [" + s + "]",
                        "the INI file cannot be written");
            }
        }
        if (!touched.empty() && p_.ProfileSectionNames(file, sections) && sections.empty()) {
            const std::string& path = resolved;
            auto in = p_.OpenFile(path, OpenMode::ReadShared);
            bool blank = in != nullptr;
            char buf[512];
            for (int32_t n; blank && (n = in->Read(buf, sizeof buf)) != 0;) {
                blank = n > 0; // a read error proves nothing blank
                for (int32_t i = 0; i < n; ++i)
                    blank = blank && ProfileSpace(static_cast<unsigned char>(buf[i]));
            }
            in.reset();
            if (blank && p_.DeleteFile(path))
                Add(Outcome::Removed, "INI file", path, "nothing was left in it");
        }
    }
}

bool Remover::DeleteTree(RegRoot root, const std::string& key, int depth) {
    std::vector<std::string> subkeys;
    std::vector<RegValueInfo> values;
    if (!p_.RegListKey(root, key, subkeys, values)) return true;
    if (depth > 64) return false; // deeper than any key the installation makes
    bool ok = true;
    for (const std::string& s : subkeys) ok = DeleteTree(root, key + "\\" + s, depth + 1) && ok;
    return ok && p_.RegDeleteKey(root, key);
}

void Remover::PruneEmptyKeys(RegRoot root, std::vector<std::string> names, size_t keepDepth) {
    while (names.size() > keepDepth) {
        const std::string key = JoinKey(names, names.size());
        std::vector<std::string> subkeys;
        std::vector<RegValueInfo> values;
        if (!p_.RegListKey(root, key, subkeys, values) || !subkeys.empty() || !values.empty())
            return;
        if (!p_.RegDeleteKey(root, key)) return;
        names.pop_back();
    }
}

void Remover::RemoveRegistryEntries() {
    for (const LogRegistryEntry& e : log_.registry) {
        Tick();
        const RegRoot root = e.kind == 1   ? RegRoot::ClassesRoot
                             : e.kind == 2 ? RegRoot::CurrentUser
                                           : RegRoot::LocalMachine;
        const std::string item =
            std::string(e.kind >= 1 && e.kind <= 3 ? RegRootName(root) : "?") + "\\" + e.path.value;
        if (!CheckValue(e.path, "registry entry",
                        EntryLabel(kRegistrySection, Numbered(kRegistryPath, e.number))) ||
            !CheckValue(e.data, "registry entry",
                        EntryLabel(kRegistrySection, Numbered(kRegistryData, e.number))))
            continue;
        if (!log_.registryRemove) {
            Add(Outcome::Kept, "registry entry", item,
                EntryLabel(kRegistrySection, kRemoveKey) + " is 0: the entries stay");
            continue;
        }
        std::vector<std::string> names;
        if (e.kind < 1 || e.kind > 3) {
            Add(Outcome::Refused, "registry entry",
                Numbered(kRegistryKind, e.number) + " = " + std::to_string(e.kind),
                "not a kind of registry entry (1, 2 or 3)");
            continue;
        }
        if (!KeyNames(e.path.value, names)) {
            Add(Outcome::Refused, "registry entry", item, "it names no key below the root");
            continue;
        }
        // Never the keys right below a user or machine root (Software, Environment, ...).
        const size_t keep = root == RegRoot::ClassesRoot ? 0 : 1;
        const std::string key = JoinKey(names, names.size());
        std::vector<std::string> subkeys;
        std::vector<RegValueInfo> values;
        if (!p_.RegListKey(root, key, subkeys, values)) {
            Add(Outcome::AlreadyGone, "registry entry", item);
            continue;
        }
        // The log keeps the data but not the value's name: the values holding exactly that data
        // are the installation's. Empty data is taken only from a key holding nothing else.
        int removed = 0;
        bool failed = false;
        const bool onlyEmpty =
            subkeys.empty() && std::all_of(values.begin(), values.end(), [](const RegValueInfo& v) {
                return v.isString && v.data.empty();
            });
        for (const RegValueInfo& v : values) {
            if (!v.isString || v.data != e.data.value) continue;
            if (e.data.value.empty() && !onlyEmpty) continue;
            if (p_.RegDeleteValue(root, key, v.name))
                ++removed;
            else
                failed = true;
        }
        const bool emptyNow =
            p_.RegListKey(root, key, subkeys, values) && subkeys.empty() && values.empty();
        if (emptyNow && names.size() > keep) {
            PruneEmptyKeys(root, names, keep);
            Add(failed ? Outcome::Left : Outcome::Removed, "registry entry", item,
                failed ? "a value cannot be deleted" : "");
        } else if (failed) {
            Add(Outcome::Left, "registry entry", item, "a value cannot be deleted");
        } else if (removed) {
            Add(Outcome::Removed, "registry entry", item,
                emptyNow ? "" : "the key stays: it holds other entries");
        } else {
            Add(Outcome::AlreadyGone, "registry entry", item, "no value holds the logged data");
        }
    }
    for (const LogRegistryEntry& e : log_.registryBeyond)
        Add(Outcome::Kept, "registry entry", e.path.value,
            BeyondTotal(kRegistryEntries, e.number, log_.registryTotal));
}

void Remover::RemoveGroup() {
    Tick();
    if (!CheckValue(log_.group, "program group", EntryLabel(kUninstallSection, kProgramGroupKey)))
        return;
    const std::string& name = log_.group.value;
    if (name.empty()) return;
    std::string why;
    if (!GroupNameOk(name, why)) {
        Add(Outcome::Refused, "program group", name, why);
        return;
    }
    const std::string command = "[DeleteGroup(" + name + ")]";
    if (!p_.DdeOpen("Progman", "Progman") && !p_.DdeOpen("Progman", "")) {
        Add(Outcome::Left, "program group", name, "no program manager answered");
        return;
    }
    if (p_.DdeSend(command))
        Add(Outcome::Removed, "program group", name);
    else
        Add(Outcome::AlreadyGone, "program group", name,
            "the program manager has no such group (or would not delete it)");
    p_.DdeClose();
}

void Remover::RemoveRegistration() {
    Tick();
    if (!CheckValue(log_.name, "uninstall registration",
                    EntryLabel(kUninstallSection, kProductNameKey)))
        return;
    const std::string& name = log_.name.value;
    if (name.empty()) return;
    std::vector<std::string> names, base;
    KeyNames(kRegistrationsKey, base);
    const std::string item = std::string("HKEY_LOCAL_MACHINE\\") + kRegistrationsKey + "\\" + name;
    if (!KeyNames(std::string(kRegistrationsKey) + "\\" + name, names) ||
        names.size() <= base.size()) {
        Add(Outcome::Refused, "uninstall registration", item, "the product name makes no key name");
        return;
    }
    const std::string key = JoinKey(names, names.size());
    std::vector<std::string> subkeys;
    std::vector<RegValueInfo> values;
    if (!p_.RegListKey(RegRoot::LocalMachine, key, subkeys, values)) {
        Add(Outcome::AlreadyGone, "uninstall registration", item);
        return;
    }
    std::string command;
    if (p_.RegReadString(RegRoot::LocalMachine, key, "UninstallString", command)) {
        const size_t blank = command.find(' ');
        const std::string argument =
            TrimProfileSpace(blank == std::string::npos ? "" : command.substr(blank + 1));
        WinPath a;
        std::string why;
        const bool same = ParseAbsolutePath(argument, a, why) && !logFile_.root.empty()
                              ? SamePath(a, logFile_)
                              : SameText(argument, logPath_);
        if (!same) {
            Add(Outcome::Kept, "uninstall registration", item,
                "it belongs to another installation: " + command);
            return;
        }
    }
    if (DeleteTree(RegRoot::LocalMachine, key, 0)) {
        names.pop_back();
        PruneEmptyKeys(RegRoot::LocalMachine, names, base.size());
        Add(Outcome::Removed, "uninstall registration", item);
    } else {
        Add(Outcome::Left, "uninstall registration", item, "the key cannot be deleted");
    }
}

void Remover::RemoveReadme() {
    Tick();
    const LogValue& v = log_.readme;
    if (!CheckValue(v, "read-me file", EntryLabel(kReadmeSection, kReadmeFileKey)) ||
        v.value.empty())
        return;
    WinPath r;
    std::string why;
    if (!destOk_) {
        Add(Outcome::Refused, "read-me file", v.value, "the destination is not usable");
    } else if (!ParseAbsolutePath(v.value, r, why)) {
        Add(Outcome::Refused, "read-me file", v.value, why);
    } else if (r = LongForm(r); !SamePath(r, dest_) && !IsBelow(r, dest_)) {
        Add(Outcome::Refused, "read-me file", v.value, "it lies outside the destination");
    } else if (SamePath(r, dest_) || p_.DirectoryExists(r.Text())) {
        NoteDirectory(r, false); // no read-me file was named, only its folder
    } else {
        RemoveFile(dest_, r, "read-me file");
        NoteDirectory(r.Parent(), false);
    }
}

void Remover::RemoveDirectories() {
    for (const LogValue& e : log_.directories.entries) {
        Tick();
        if (!CheckValue(e, "folder", EntryLabel(kDirectories, e.number))) continue;
        std::vector<std::string> parts;
        std::string why;
        if (!destOk_)
            Add(Outcome::Refused, "folder", e.value, "the destination is not usable");
        else if (!ParseRelativePath(e.value, parts, why))
            Add(Outcome::Refused, "folder", e.value, why);
        else if (!parts.empty())
            NoteDirectory(dest_.Child(parts), true);
    }
    for (const LogValue& e : log_.directories.beyond)
        Add(Outcome::Kept, "folder", e.value,
            BeyondTotal(kDirectories, e.number, log_.directories.total));
    std::sort(dirs_.begin(), dirs_.end(), [](const auto& a, const auto& b) {
        if (a.first.parts.size() != b.first.parts.size())
            return a.first.parts.size() > b.first.parts.size();
        return FoldCase(a.first.Text()) > FoldCase(b.first.Text());
    });
    for (const auto& [dir, named] : dirs_) {
        // The log's own folder and those above it go at the very end.
        if (!logFile_.root.empty() && IsBelow(logFile_, dir)) continue;
        const std::string path = dir.Text();
        std::vector<std::string> names;
        std::string why;
        if (LinkOnTheWay(dest_, dir, why)) {
            Add(Outcome::Refused, "folder", path, why);
        } else if (!p_.DirectoryExists(path)) {
            if (named) Add(Outcome::AlreadyGone, "folder", path);
        } else if (p_.ListDirectory(path, names) && !names.empty()) {
            Add(Outcome::Left, "folder", path, "it is not empty: " + FirstNames(names));
        } else if (p_.RemoveDir(path)) {
            Add(Outcome::Removed, "folder", path);
        } else {
            Add(Outcome::Left, "folder", path, "it cannot be removed");
        }
    }
}

void Remover::RemoveCreatedFolders(bool aboveDestination) {
    // An earlier installation's entries too: only empty folders go, so nothing of theirs is lost.
    std::vector<LogValue> all = log_.createdFolders.entries;
    all.insert(all.end(), log_.createdFolders.beyond.begin(), log_.createdFolders.beyond.end());
    std::vector<WinPath> folders;
    for (const LogValue& e : all) {
        WinPath f;
        std::string why;
        if (e.cut || !ParseAbsolutePath(e.value, f, why) || f.IsRoot()) {
            if (!aboveDestination)
                Add(Outcome::Refused, "created folder", e.value,
                    why.empty() ? "it names no folder the setup could have made" : why);
            continue;
        }
        f = LongForm(f);
        // Only a parent of the destination or a folder below the Windows directory.
        const bool inWindows = !windows_.root.empty() && IsBelow(f, windows_);
        const bool parent = destOk_ && IsBelow(dest_, f);
        if (!inWindows && !parent) {
            if (!aboveDestination)
                Add(Outcome::Refused, "created folder", e.value,
                    "it is neither a parent of the destination nor below the Windows "
                    "directory");
            continue;
        }
        if (inWindows != !aboveDestination) continue;
        if (inWindows && LinkOnTheWay(windows_, f, why)) {
            Add(Outcome::Refused, "created folder", f.Text(), why);
            continue;
        }
        folders.push_back(f);
    }
    std::sort(folders.begin(), folders.end(),
              [](const WinPath& a, const WinPath& b) { return a.parts.size() > b.parts.size(); });
    for (const WinPath& f : folders) {
        const std::string path = f.Text();
        std::vector<std::string> names;
        if (!p_.DirectoryExists(path) || p_.QueryPath(path).link) continue;
        if (p_.ListDirectory(path, names) && !names.empty())
            Add(Outcome::Kept, "created folder", path, "it holds other files now");
        else if (p_.RemoveDir(path))
            Add(Outcome::Removed, "created folder", path);
    }
}

void Remover::Finish() {
    const auto clean = [&] {
        return result_.Count(Outcome::Left) == 0 && result_.Count(Outcome::Refused) == 0;
    };
    const WinPath setup = dest_.Child({kSetupFolderName});
    const bool logInSetup = destOk_ && !logFile_.root.empty() && SamePath(logFile_.Parent(), setup);
    static const char* const kWorkFiles[] = {"setup.tmp", "compress.tmp"};
    const std::string reportName = [&] {
        WinPath r;
        std::string why;
        return ParseAbsolutePath(result_.reportPath, r, why) && !r.parts.empty() ? r.parts.back()
                                                                                 : std::string();
    }();
    if (clean() && logInSetup) {
        // Only the log's folder may remain in the destination, holding only our own files.
        std::vector<std::string> names, others;
        p_.ListDirectory(dest_.Text(), names);
        for (const std::string& n : names)
            if (!SameText(n, kSetupFolderName)) others.push_back(n);
        if (!others.empty())
            Add(Outcome::Left, "folder", dest_.Text(),
                "it holds files the log does not name: " + FirstNames(others));
        others.clear();
        p_.ListDirectory(setup.Text(), names);
        for (const std::string& n : names) {
            bool ours = SameText(n, logFile_.parts.back()) || SameText(n, reportName);
            for (const char* w : kWorkFiles) ours = ours || SameText(n, w);
            if (!ours) others.push_back(n);
        }
        if (!others.empty())
            Add(Outcome::Left, "folder", setup.Text(),
                "it holds files the log does not name: " + FirstNames(others));
    }
    if (clean()) {
        // Links are left alone: some systems remove a link's target instead of the link.
        const auto ownFile = [&](const std::string& path) {
            return p_.FileExists(path) && !p_.QueryPath(path).link;
        };
        if (logInSetup)
            for (const char* w : kWorkFiles) {
                const std::string path = setup.Child({w}).Text();
                if (ownFile(path) && p_.DeleteFile(path)) Add(Outcome::Removed, "work file", path);
            }
        if (ownFile(result_.reportPath)) p_.DeleteFile(result_.reportPath);
        if (p_.DeleteFile(logPath_))
            Add(Outcome::Removed, "uninstall log", logPath_);
        else
            Add(Outcome::Left, "uninstall log", logPath_, "it cannot be deleted");
        if (logInSetup && clean()) {
            for (const WinPath& d : {setup, dest_}) {
                if (p_.RemoveDir(d.Text()))
                    Add(Outcome::Removed, "folder", d.Text());
                else
                    Add(Outcome::Left, "folder", d.Text(), "it cannot be removed");
                if (!clean()) break;
            }
        }
    }
    result_.complete = clean();
    if (!result_.complete && !result_.reportPath.empty()) {
        const std::string text = ReportText(log_, logPath_, silent, result_);
        // Never through a link planted where the report goes: then the message names the log.
        if (!ClearWorkFilePlace(p_, result_.reportPath)) return;
        if (auto out = p_.OpenFile(result_.reportPath, OpenMode::Create))
            result_.reportKept = out->Write(text.data(), static_cast<int32_t>(text.size())) ==
                                 static_cast<int32_t>(text.size());
    }
}

bool Remover::DestinationSound(std::string& why) {
    // Only the log that the installation left in the destination may say what to remove there:
    // a log elsewhere could name any folder.
    const WinPath expected = dest_.Child({kSetupFolderName, kFileName});
    if (logFile_.root.empty() ||
        (!SamePath(LongForm(logFile_), expected) && !p_.SameFile(logPath_, expected.Text()))) {
        why = std::string("the uninstall log does not lie in that folder's ") + kSetupFolderName +
              "\\" + kFileName + ", so it may not say what to remove there";
        return false;
    }
    if (p_.QueryPath(dest_.Text()).link) {
        why = "it is a link (junction or symbolic link) to another place";
        return false;
    }
    if (p_.QueryPath(logPath_).link) {
        why = "the uninstall log is a link (symbolic link) to another file";
        return false;
    }
    // Neither the Windows directory nor a folder holding it, however it is spelt.
    for (WinPath w = windows_; !w.root.empty(); w = w.Parent()) {
        if (SamePath(w, dest_) || p_.SameFile(w.Text(), dest_.Text())) {
            why = "it holds the Windows directory";
            return false;
        }
        if (w.IsRoot()) break;
    }
    return true;
}

RemovalResult Remover::Run() {
    std::string why;
    if (!ParseAbsolutePath(p_.WindowsDirectory(), windows_, why) || windows_.IsRoot())
        windows_ = WinPath();
    else
        windows_ = LongForm(windows_);
    if (!ParseAbsolutePath(logPath_, logFile_, why) || logFile_.IsRoot())
        logFile_ = WinPath();
    else
        logFile_ = LongForm(logFile_);
    // The report: the log's name with ".txt", beside it.
    if (!logFile_.root.empty()) {
        WinPath r = logFile_;
        std::string& n = r.parts.back();
        const size_t dot = n.rfind('.');
        n = (dot == std::string::npos ? n : n.substr(0, dot)) + ".txt";
        if (!SamePath(r, logFile_)) result_.reportPath = r.Text();
    }
    if (CheckValue(log_.directory, "destination", EntryLabel(kUninstallSection, kDestinationKey))) {
        if (!ParseAbsolutePath(log_.directory.value, dest_, why))
            Add(Outcome::Refused, "destination", log_.directory.value, why);
        else if (dest_.IsRoot())
            Add(Outcome::Refused, "destination", log_.directory.value, "it names a drive root");
        else if (dest_ = LongForm(dest_); !DestinationSound(why))
            Add(Outcome::Refused, "destination", log_.directory.value, why);
        else
            destOk_ = true;
    }
    total_ = static_cast<int32_t>(log_.files.entries.size() + log_.systemFiles.entries.size() +
                                  log_.extensions.entries.size() + log_.registry.size() +
                                  log_.directories.entries.size()) +
             3;
    for (const LogIniFile& ini : log_.iniFiles) total_ += static_cast<int32_t>(ini.entries.size());

    if (progress_) progress_->Stage(0);
    RemoveFiles();
    RemoveSystemFiles();
    RetryFiles();
    if (progress_) progress_->Stage(1);
    RemoveAssociations();
    RemoveIniEntries();
    RemoveRegistryEntries();
    RemoveGroup();
    RemoveRegistration();
    if (progress_) progress_->Stage(2);
    RemoveReadme();
    RemoveDirectories();
    RemoveCreatedFolders(false);
    Finish();
    // The destination's parents that the setup made, once the destination itself is gone.
    if (result_.complete && destOk_ && !p_.DirectoryExists(dest_.Text()))
        RemoveCreatedFolders(true);
    return result_;
}

std::string ReportText(const UninstallLogData& log, const std::string& logPath, bool silent,
                       const RemovalResult& result) {
    std::string t;
    const auto line = [&](const std::string& s) { t += s + "\r\n"; };
    line("corvid uninstaller report");
    line("Uninstall log: " + logPath);
    line("Product: " + log.name.value);
    line("Destination: " + log.directory.value);
    line(std::string("Run: ") + (silent ? "silent" : "interactive"));
    line(result.complete ? "Result: everything the log names was removed"
                         : "Result: some entries were left or refused (marked LEFT and REFUSED)");
    line("");
    for (const ReportLine& l : result.lines) {
        std::string s = OutcomeName(l.outcome);
        s.resize(14, ' ');
        std::string k = l.kind;
        if (k.size() < 24) k.resize(24, ' ');
        s += k + " " + l.item;
        if (!l.why.empty()) s += "  (" + l.why + ")";
        line(s);
    }
    line("");
    line(std::to_string(result.Count(Outcome::Removed)) + " removed, " +
         std::to_string(result.Count(Outcome::AlreadyGone)) + " already gone, " +
         std::to_string(result.Count(Outcome::Kept)) + " kept, " +
         std::to_string(result.Count(Outcome::Left)) + " left, " +
         std::to_string(result.Count(Outcome::Refused)) + " refused");
    return t;
}

} // namespace corvid
