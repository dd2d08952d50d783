#include "pack/project.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unordered_map>

#include "pack/layout.h"
#include "pack/names.h"
#include "platform/host_platform.h"
#include "setupinf/profile.h"
#include "setupinf/schema.h"
#include "setupinf/values.h"

namespace fs = std::filesystem;

namespace corvid::pack {

bool ParseVolumeSize(const std::string& text, int64_t& bytes, int64_t& cluster) {
    std::string t = FoldCase(text);
    if (t == "floppy" || t == "1.44m" || t == "1440k") {
        bytes = kFloppyBytes;
        cluster = kFloppyCluster;
        return true;
    }
    if (t == "cd" || t == "650m" || t == "cd650") {
        bytes = kCdBytes;
        cluster = kCdCluster;
        return true;
    }
    if (t.empty() || !std::isdigit(static_cast<unsigned char>(t[0]))) return false;
    size_t used = 0;
    unsigned long long n = 0;
    try {
        n = std::stoull(t, &used);
    } catch (...) {
        return false;
    }
    std::string unit = t.substr(used);
    unsigned long long mult = unit.empty() ? 1 : unit == "k" ? 1024 : unit == "m" ? 1048576 : 0;
    if (mult == 0 || n == 0 || n > 0x7FFFFFFFULL / mult) return false;
    bytes = static_cast<int64_t>(n * mult);
    cluster = 0;
    return true;
}

bool StatSource(const std::string& hostPath, int64_t& size, uint32_t& dosTime,
                uint16_t& attributes) {
    std::error_code ec;
    const fs::path p = FsPath(hostPath);
    if (!fs::is_regular_file(p, ec)) return false;
    size = static_cast<int64_t>(fs::file_size(p, ec));
    if (ec) return false;
        // The change time in whole seconds as the system keeps it: a conversion between the file
        // clock and the system clock would differ by a little from run to run, and so would the
        // bytes.
#ifdef _WIN32
    struct _stat64 st;
    if (_wstat64(p.c_str(), &st) != 0) return false;
#else
    struct stat st;
    if (::stat(p.c_str(), &st) != 0) return false;
#endif
    dosTime = UnixToDosDateTime(static_cast<int64_t>(st.st_mtime));
    fs::perms perms = fs::status(p, ec).permissions();
    attributes = 0x20;
    if ((perms & fs::perms::owner_write) == fs::perms::none) attributes |= 0x01;
    return true;
}

namespace {

std::string Unquoted(const std::string* raw) {
    return ProfileResult(raw, "", true);
}

// Whether a folded section and key name are those of a key of the setup description.
bool Is(const std::string& section, const std::string& key, const char* wantSection,
        const char* wantKey) {
    return section == FoldCase(wantSection) && key == FoldCase(wantKey);
}

bool IsNumber(const std::string& s) {
    return !s.empty() && ParseInteger(s, -1) == ParseInteger(s, -2);
}

class Loader {
public:
    Loader(const std::string& path, std::vector<std::string>& warnings) : warnings_(warnings) {
        project_.path = path;
        project_.baseDir = PathText(FsPath(path).parent_path());
        if (project_.baseDir.empty()) project_.baseDir = ".";
    }

    Project Load();

private:
    [[noreturn]] void Fail(const std::string& section, const std::string& key,
                           const std::string& what) const {
        std::string where = project_.path;
        if (!section.empty()) where += ": [" + section + "]";
        if (!key.empty()) where += " " + key;
        throw ProjectError(where + ": " + what);
    }
    std::string Value(const std::string& section, const std::string& key) const {
        return Unquoted(data_->Find(section, key));
    }
    bool Flag(const std::string& section, const std::string& key, bool deflt) const {
        const std::string* raw = data_->Find(section, key);
        if (!raw) return deflt;
        std::string v = FoldCase(Unquoted(raw));
        if (v == "yes" || v == "true") return true;
        if (v == "no" || v == "false") return false;
        if (!IsNumber(v)) Fail(section, key, "\"" + v + "\" is no flag (1 or 0, yes or no)");
        return ParseInteger(v, 0) != 0;
    }
    std::string HostPathOf(const std::string& rel) const {
        fs::path p = FsPath(rel);
        return PathText((p.is_absolute() ? p : FsPath(project_.baseDir) / p).lexically_normal());
    }

    void ReadPack();
    void ReadComponent(int k, const std::string& section);
    void CollectRule(Component& c, const std::string& section, const std::string& key,
                     const std::string& rule);
    void AddFile(Component& c, const std::string& section, const std::string& key,
                 const std::string& hostPath, const std::string& dir);
    void AddDir(Component& c, const std::string& section, const std::string& key,
                const std::string& dir);
    void CopySection(const std::string& name);
    std::string ExtraFileValue(const std::string& section, const std::string& key,
                               const std::string& value, bool picture);
    std::string ResolveFileRef(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& component);

    Project project_;
    std::vector<std::string>& warnings_;
    std::unique_ptr<ProfileData> data_;
    std::map<std::string, std::string> distNames_; // folded name -> host path
    // The component being read: its folded directories (-> dirIndex) and folded installed paths
    // (-> index in its files), so that a tree of many files is not searched once per file.
    std::unordered_map<std::string, int> dirIndex_;
    std::unordered_map<std::string, size_t> installedAs_;
};

const char* const kSetupSections[] = {
    "corvid",      "language", "main",       "leader",     "software", "vercheck",
    "directories", "prggrp",   "prggrp_run", "extensions", "dos",      "ini_1",
    "ini_2",       "ini_3",    "ini_4",      "sysreg",     "uninst"};

void Loader::ReadPack() {
    const std::string s = "pack";
    std::string mode = Value(s, "mode");
    if (!mode.empty()) {
        if (mode != "0" && mode != "1") Fail(s, "mode", "the mode is 0 (files as they are) or 1");
        project_.mode = mode == "1" ? 1 : 0;
    }
    std::string volume = Value(s, "volume");
    if (!volume.empty() && FoldCase(volume) != "none" &&
        !ParseVolumeSize(volume, project_.volumeSize, project_.diskCluster))
        Fail(s, "volume",
             "\"" + volume +
                 "\" is no volume size (floppy, cd, or bytes such as "
                 "1457664, 720k or 100M, below 2 GB)");
    std::string first = Value(s, "firstdisk");
    int64_t firstCluster = 0;
    if (!first.empty() && !ParseVolumeSize(first, project_.firstDisk, firstCluster))
        Fail(s, "firstdisk", "\"" + first + "\" is no disk size (floppy, cd, or bytes)");
    std::string cluster = Value(s, "cluster");
    if (!cluster.empty()) {
        int32_t c = ParseInteger(cluster, 0);
        if (c <= 0 || (c & (c - 1)) != 0)
            Fail(s, "cluster", "the cluster size is a power of two, such as 512 or 4096");
        project_.cluster = c;
    }
    std::string setup = Value(s, "setup");
    if (!setup.empty()) project_.setupExe = HostPathOf(setup);
    std::string un = Value(s, "uninstaller");
    if (FoldCase(un) == "none")
        project_.noUninstaller = true;
    else if (!un.empty())
        project_.uninstaller = HostPathOf(un);
    std::string reg = Value(s, "registry");
    if (!reg.empty()) {
        ExtraFile e;
        e.hostPath = HostPathOf(reg);
        e.distName = "zsys.re_";
        if (!fs::is_regular_file(FsPath(e.hostPath))) Fail(s, "registry", "no file " + e.hostPath);
        project_.extras.push_back(e);
    }
    static const std::set<std::string> known = {"mode",  "volume",      "cluster",
                                                "setup", "uninstaller", "registry"};
    const auto names = data_->SectionNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (FoldCase(names[i]) == s)
            for (const std::string& k : data_->KeyNames(i))
                if (data_->Find(s, k) && !known.count(FoldCase(k)))
                    Fail(s, k, "not a key of [pack]");
}

void Loader::AddDir(Component& c, const std::string& section, const std::string& key,
                    const std::string& dir) {
    if (dir.empty()) return;
    std::string why = DirectoryValueProblem(dir);
    if (!why.empty()) Fail(section, key, "target directory " + ShowAnsi(dir) + ": " + why);
    if (!dirIndex_.emplace(FoldCase(dir), static_cast<int>(c.dirs.size()) + 1).second) return;
    c.dirs.push_back(dir);
}

void Loader::AddFile(Component& c, const std::string& section, const std::string& key,
                     const std::string& hostPath, const std::string& dir) {
    SourceFile f;
    f.hostPath = hostPath;
    std::string hostName = PathText(FsPath(hostPath).filename());
    if (!HostNameToAnsi(hostName, f.name))
        Fail(section, key, hostPath + ": the name has a character the setup's code page lacks");
    std::string why = FileNameProblem(f.name);
    if (!why.empty()) Fail(section, key, hostPath + ": " + why);
    if (!StatSource(hostPath, f.size, f.dosTime, f.attributes))
        Fail(section, key, hostPath + ": not a file that can be read");
    if (f.size > 0x7FFFFFFF - 1024)
        Fail(section, key, hostPath + ": the file is too large for the setup's 32-bit sizes");
    f.dir = dir == "\\" ? "" : dir;
    AddDir(c, section, key, f.dir);
    auto d = dirIndex_.find(FoldCase(f.dir));
    if (d != dirIndex_.end()) f.dirIndex = d->second;
    auto [o, fresh] = installedAs_.emplace(FoldCase(f.dir + f.name), c.files.size());
    if (!fresh)
        Fail(section, key,
             hostPath + " and " + c.files[o->second].hostPath + " would both be installed as " +
                 ShowAnsi((f.dir.empty() ? "\\" : f.dir) + f.name));
    c.files.push_back(f);
}

bool HasWildcard(const std::string& s) {
    return s.find_first_of("*?") != std::string::npos;
}

bool GlobMatch(const char* pat, const char* s) {
    for (; *pat; ++pat, ++s) {
        if (*pat == '*') {
            for (const char* t = s;; ++t) {
                if (GlobMatch(pat + 1, t)) return true;
                if (!*t) return false;
            }
        }
        if (!*s || (*pat != '?' && *pat != *s)) return false;
    }
    return !*s;
}

void Loader::CollectRule(Component& c, const std::string& section, const std::string& key,
                         const std::string& rule) {
    std::string source = rule, target = "\\";
    size_t arrow = rule.rfind("->");
    if (arrow != std::string::npos) {
        source = rule.substr(0, arrow);
        target = rule.substr(arrow + 2);
    }
    source = TrimProfileSpace(source);
    target = TrimProfileSpace(target);
    if (source.empty()) Fail(section, key, "no source named (SOURCE -> TARGET)");
    if (target.empty()) target = "\\";
    for (char& ch : target)
        if (ch == '/') ch = '\\';
    // A leading %SystemRoot% takes one spelling; anywhere else the directory check refuses it.
    const bool system = SystemRootLeads(target);
    const size_t lead = std::strlen(schema::kSystemRoot);
    if (system) target = schema::kSystemRoot + schema::SystemRootRest(target);
    if (!system && target.front() != '\\') target.insert(0, "\\");
    if (target.back() != '\\') target += "\\";
    if (system && target.size() == lead + 1 && target[lead] != '\\') target.insert(lead, "\\");
    std::string ansiTarget;
    if (!HostNameToAnsi(target, ansiTarget))
        Fail(section, key, "the target has a character the setup's code page lacks");
    target = ansiTarget;
    if (target != "\\") {
        std::string why = DirectoryValueProblem(target);
        if (!why.empty()) Fail(section, key, "target " + ShowAnsi(target) + ": " + why);
    }

    const std::string host = HostPathOf(source);
    std::error_code ec;
    const fs::path hp = FsPath(host);
    if (HasWildcard(PathText(hp.filename()))) {
        if (HasWildcard(PathText(hp.parent_path())))
            Fail(section, key, "only the last part of a source may hold * or ?");
        std::vector<std::string> found;
        bool folderMatched = false;
        const std::string pat = PathText(hp.filename());
        for (auto it = fs::directory_iterator(hp.parent_path(), ec);
             !ec && it != fs::directory_iterator(); it.increment(ec)) {
            if (!GlobMatch(pat.c_str(), PathText(it->path().filename()).c_str())) continue;
            if (it->is_regular_file(ec))
                found.push_back(PathText(it->path()));
            else if (it->is_directory(ec))
                folderMatched = true;
        }
        if (found.empty())
            Fail(section, key,
                 "no file matches " + host +
                     (folderMatched ? " (a pattern takes files only; name a folder to take its "
                                      "whole tree)"
                                    : ""));
        std::sort(found.begin(), found.end());
        for (const std::string& f : found) AddFile(c, section, key, f, target);
        return;
    }
    if (fs::is_directory(hp, ec)) {
        // The whole tree: files and empty folders below the target, in name order. Linked
        // folders are followed, so that their files are not left out unseen.
        std::vector<fs::path> entries;
        for (auto it = fs::recursive_directory_iterator(
                 hp, fs::directory_options::follow_directory_symlink, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            std::error_code lec;
            if (it->is_symlink(lec) && it->is_directory(lec)) {
                // A link to a folder that holds the link itself would repeat the tree forever.
                const fs::path target = fs::canonical(it->path(), lec);
                const fs::path here = fs::canonical(it->path().parent_path(), lec);
                const fs::path inside = here.lexically_relative(target);
                if (!lec && !inside.empty() && *inside.begin() != "..")
                    Fail(section, key,
                         PathText(it->path()) + ": the linked folder leads back into itself");
            }
            entries.push_back(it->path());
        }
        if (ec) Fail(section, key, host + ": " + ec.message());
        std::sort(entries.begin(), entries.end());
        for (const fs::path& e : entries) {
            std::string rel = PathText(e.lexically_relative(hp).parent_path());
            std::string dir = target;
            if (!rel.empty()) {
                std::string ansi;
                if (!HostNameToAnsi(rel, ansi))
                    Fail(section, key,
                         PathText(e) + ": a folder name has a character the "
                                       "setup's code page lacks");
                for (char& ch : ansi)
                    if (ch == '/') ch = '\\';
                dir += ansi + "\\";
            }
            if (fs::is_directory(e, ec)) {
                if (fs::is_empty(e, ec)) {
                    std::string d = dir;
                    std::string name;
                    if (!HostNameToAnsi(PathText(e.filename()), name))
                        Fail(section, key,
                             PathText(e) + ": the name has a character the setup's "
                                           "code page lacks");
                    d += name + "\\";
                    AddDir(c, section, key, d);
                }
                continue;
            }
            AddFile(c, section, key, PathText(e), dir);
        }
        return;
    }
    if (!fs::exists(hp, ec)) Fail(section, key, "no file or folder " + host);
    AddFile(c, section, key, host, target);
}

void Loader::ReadComponent(int k, const std::string& section) {
    Component c;
    c.number = k;
    dirIndex_.clear();
    installedAs_.clear();
    c.name = Value(section, "name");
    c.standard = Flag(section, "standard", false);
    c.minimal = Flag(section, "min", false);
    c.custom = Flag(section, "custom", false);
    c.locked = Flag(section, "locked", true);
    if (data_->Find(section, "prgitem")) c.prgitem = Flag(section, "prgitem", false) ? 1 : 0;
    const auto names = data_->SectionNames();
    std::set<std::string> seen;
    for (size_t i = 0; i < names.size(); ++i) {
        if (FoldCase(names[i]) != FoldCase(section)) continue;
        for (const std::string& key : data_->KeyNames(i)) {
            std::string f = FoldCase(key);
            // Lines without "=" (comments among them) are no keys.
            if (!data_->Find(section, key) || !seen.insert(f).second) continue;
            if (f.compare(0, 5, "files") == 0 &&
                (f.size() == 5 || std::all_of(f.begin() + 5, f.end(),
                                              [](char ch) { return ch >= '0' && ch <= '9'; }))) {
                CollectRule(c, section, key, Value(section, key));
            } else if (f != "name" && f != "standard" && f != "min" && f != "custom" &&
                       f != "prgitem" && !(f == "locked" && k == 1)) {
                Fail(section, key,
                     "not a key of a component (name, standard, min, custom, "
                     "prgitem, locked, files...)");
            }
        }
    }
    if (c.name.empty()) Fail(section, "name", "a component needs a name");
    if (c.files.empty()) Fail(section, "", "the component has no files");
    project_.components.push_back(std::move(c));
}

std::string Loader::ExtraFileValue(const std::string& section, const std::string& key,
                                   const std::string& value, bool picture) {
    if (value == schema::kNothing || value.empty()) return value;
    ExtraFile e;
    e.section = section;
    e.key = key;
    e.picture = picture;
    e.hostPath = HostPathOf(value);
    if (!fs::is_regular_file(FsPath(e.hostPath))) Fail(section, key, "no file " + e.hostPath);
    if (!HostNameToAnsi(PathText(FsPath(e.hostPath).filename()), e.distName))
        Fail(section, key, "the name has a character the setup's code page lacks");
    std::string why = FileNameProblem(e.distName);
    if (!why.empty()) Fail(section, key, e.hostPath + ": " + why);
    std::string folded = FoldCase(e.distName);
    static const std::set<std::string> reserved = {"setup.exe", "setup.inf", "uninst.ex_",
                                                   "zsys.re_"};
    if (reserved.count(folded) || folded.compare(0, std::strlen(kVolumePrefix), kVolumePrefix) == 0)
        Fail(section, key, e.distName + " is a name the distribution uses itself");
    auto it = distNames_.find(folded);
    if (it != distNames_.end() && it->second != e.hostPath)
        Fail(section, key, "two different files would be " + e.distName);
    distNames_[folded] = e.hostPath;
    project_.extras.push_back(e);
    return e.distName;
}

// A file reference of a program item or an association: a number is kept, a target path
// ("\bin\tool.exe" or "tool.exe") becomes the file's number in its component.
std::string Loader::ResolveFileRef(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& component) {
    if (IsNumber(value)) return value;
    int k = ParseInteger(component, 1);
    const Component* c = nullptr;
    for (const Component& x : project_.components)
        if (x.number == k) c = &x;
    if (!c) Fail(section, key, "names a file of component " + component + ", which does not exist");
    std::string want = value;
    for (char& ch : want)
        if (ch == '/') ch = '\\';
    std::string ansi;
    if (!HostNameToAnsi(want, ansi)) ansi = want;
    want = FoldCase(ansi);
    const bool bare = want.find('\\') == std::string::npos;
    int match = 0;
    for (size_t j = 0; j < c->files.size(); ++j) {
        const SourceFile& f = c->files[j];
        std::string path = FoldCase((f.dir.empty() ? "\\" : f.dir) + f.name);
        std::string alt = path.size() > 1 ? path.substr(1) : path;
        if (path == want || alt == want || (bare && FoldCase(f.name) == want)) {
            if (match) Fail(section, key, value + " names more than one file; give its folder");
            match = static_cast<int>(j) + 1;
        }
    }
    if (!match) Fail(section, key, "component " + component + " installs no file " + value);
    return std::to_string(match);
}

void Loader::CopySection(const std::string& name) {
    Section out;
    out.name = name;
    const std::string s = FoldCase(name);
    const auto names = data_->SectionNames();
    std::set<std::string> seen;
    for (size_t i = 0; i < names.size(); ++i) {
        if (FoldCase(names[i]) != s) continue;
        for (const std::string& key : data_->KeyNames(i)) {
            const std::string k = FoldCase(key);
            const std::string* raw = data_->Find(name, key);
            if (!raw || !seen.insert(k).second) continue;
            std::string value = *raw;
            const std::string plain = Unquoted(raw);
            if (s == "option_1" || s.compare(0, 7, "option_") == 0)
                Fail(name, key, "corvid-pack writes the [Option_k] sections from the components");
            if (Is(s, k, schema::kCompressionMode.section, schema::kCompressionMode.key))
                Fail(name, key, "the mode is set in [pack] mode");
            if (s == FoldCase(schema::kDirectoryRows.section) && k != "d0")
                Fail(name, key,
                     "corvid-pack writes the directory rows from the components' "
                     "targets; only d0 is given here");
            const bool medium = Is(s, k, schema::kMedium.section, schema::kMedium.key);
            if (medium ||
                (s == FoldCase(schema::kComponentSection) && k.size() > 4 &&
                 k.compare(0, 3, "opt") == 0 && k[3] >= '1' && k[3] <= '9' && k[4] == '_'))
                Fail(name, key,
                     medium ? "corvid-pack sets medium"
                            : "component keys are given in [component<n>] sections");
            if (Is(s, k, schema::kFormatVersion.section, schema::kFormatVersion.key) &&
                ParseInteger(plain, 0) != schema::kSupportedFormat)
                Fail(name, key,
                     "the setup reads descriptions of version " +
                         std::to_string(schema::kSupportedFormat) + " only");
            for (const schema::TextKey& picture : schema::kPictures)
                if (Is(s, k, picture.section, picture.key))
                    value = ExtraFileValue(name, key, plain, true);
            if (Is(s, k, schema::kReadme.section, schema::kReadme.key))
                value = ExtraFileValue(name, key, plain, false);
            if ((s == FoldCase(schema::kProgramItemRows.section) ||
                 s == FoldCase(schema::kAssociationRows.section)) &&
                k.size() > 1 && k[0] == 'f' && IsNumber(k.substr(1))) {
                std::string o = Unquoted(data_->Find(name, "o" + k.substr(1)));
                if (o.empty()) o = "1";
                value = ResolveFileRef(name, key, plain, o);
            }
            if (value.size() > kValueMax)
                Fail(name, key,
                     "the value is longer than the " + std::to_string(kValueMax) +
                         " characters the setup reads");
            out.keys.emplace_back(key, value);
        }
    }
    project_.sections.push_back(std::move(out));
}

Project Loader::Load() {
    std::ifstream in(FsPath(project_.path), std::ios::binary);
    if (!in) throw ProjectError(project_.path + ": cannot read the project file");
    std::ostringstream ss;
    ss << in.rdbuf();
    std::string bytes = ss.str();
#ifndef _WIN32
    // A project written as UTF-8 (without byte-order mark) is taken into the code page.
    std::string ansi;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0 && Utf8ToAnsi(bytes, ansi)) bytes = ansi;
#endif
    data_ = std::make_unique<ProfileData>(bytes);

    ReadPack();
    std::vector<std::string> order;
    std::set<std::string> done;
    for (const std::string& n : data_->SectionNames())
        if (done.insert(FoldCase(n)).second) order.push_back(n);
    for (const std::string& n : order) {
        std::string f = FoldCase(n);
        if (f.compare(0, 9, "component") != 0) continue;
        std::string num = f.substr(9);
        if (!IsNumber(num) || ParseInteger(num, 0) < 1)
            Fail(n, "", "components are [component1] to [component7]");
        if (ParseInteger(num, 0) > schema::kComponents)
            Fail(n, "", "the setup offers at most seven components");
    }
    for (int k = 1; k <= schema::kComponents; ++k) {
        std::string name = "component" + std::to_string(k);
        if (done.count(name)) {
            if (static_cast<int>(project_.components.size()) != k - 1)
                Fail(name, "", "components are numbered from 1 without gaps");
            ReadComponent(k, name);
        }
    }
    if (project_.components.empty())
        throw ProjectError(project_.path + ": no [component1] section: nothing to install");
    for (const std::string& n : order) {
        std::string f = FoldCase(n);
        if (f == "pack" || f.compare(0, 9, "component") == 0) continue;
        if (std::find(std::begin(kSetupSections), std::end(kSetupSections), f) ==
                std::end(kSetupSections) &&
            f.compare(0, 7, "option_") != 0 && f != "compression")
            warnings_.push_back(project_.path + ": [" + n +
                                "] is no section the setup reads; it is copied as it is");
        CopySection(n);
    }
    return std::move(project_);
}

} // namespace

Project LoadProject(const std::string& path, std::vector<std::string>& warnings) {
    return Loader(path, warnings).Load();
}

} // namespace corvid::pack
