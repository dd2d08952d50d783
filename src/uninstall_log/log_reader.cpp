#include "uninstall_log/log_reader.h"

#include <algorithm>
#include <memory>
#include <set>

#include "platform/whole_file.h"
#include "setupinf/profile.h"
#include "uninstall_log/log_format.h"

namespace corvid {

using namespace uninstall_log;

namespace {

// The log is read and parsed once: the profile calls search the whole file on every look-up,
// which made a log of thousands of entries take minutes.
class LogReader {
public:
    LogReader(Platform& p, const std::string& path) {
        std::string bytes;
        readable_ = ReadWholeFile(p, path, bytes);
        if (readable_) data_ = std::make_unique<ProfileData>(bytes);
    }

    bool Readable() const { return readable_; }

    LogValue Value(const std::string& section, const std::string& key, int32_t number = 0) const {
        LogValue v;
        v.number = number;
        bool quotable = true;
        const std::string* raw = data_->Find(section, key, &quotable);
        v.value = ProfileResult(raw, "", true, quotable);
        v.cut = v.value.size() >= static_cast<size_t>(kProfileBufferSize - 1);
        return v;
    }

    // The key names of the first section of that name, as the system lists them: without blank
    // names and comments.
    std::vector<std::string> Keys(const std::string& section) const {
        std::vector<std::string> keys;
        size_t index;
        if (!data_->FindSection(section, index)) return keys;
        for (std::string& k : data_->KeyNames(index))
            if (!k.empty() && k[0] != ';') keys.push_back(std::move(k));
        return keys;
    }

    // The numbers n of the keys prefix + n (decimal, no leading zeros, from 1), each once.
    std::vector<int32_t> Numbers(const std::string& section, const std::string& prefix) const {
        std::set<int32_t> numbers;
        for (const std::string& raw : Keys(section)) {
            std::string k = FoldCase(TrimProfileSpace(raw));
            if (k.size() <= prefix.size() || k.compare(0, prefix.size(), prefix) != 0) continue;
            std::string digits = k.substr(prefix.size());
            if (digits.size() > 10 || digits[0] == '0' ||
                digits.find_first_not_of("0123456789") != std::string::npos)
                continue;
            long long n = std::stoll(digits);
            if (n <= INT32_MAX) numbers.insert(static_cast<int32_t>(n));
        }
        return std::vector<int32_t>(numbers.begin(), numbers.end());
    }

    LogList List(const NumberedSection& s) const {
        LogList list;
        list.total = ParseLogCount(Value(s.section, kTotalKey).value);
        for (int32_t n : Numbers(s.section, s.prefix)) {
            LogValue v = Value(s.section, Numbered(s.prefix, n), n);
            (n <= list.total ? list.entries : list.beyond).push_back(v);
        }
        return list;
    }

private:
    bool readable_ = false;
    std::unique_ptr<ProfileData> data_;
};

} // namespace

int32_t ParseLogCount(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && ProfileSpace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && ProfileSpace(static_cast<unsigned char>(text[e - 1]))) --e;
    if (b == e) return 0;
    long long n = 0;
    for (size_t i = b; i < e; ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        n = std::min<long long>(n * 10 + (text[i] - '0'), INT32_MAX);
    }
    return static_cast<int32_t>(n);
}

std::string UninstallLogData::Text(int n, const std::string& fallback) const {
    auto it = texts.find(n);
    return it == texts.end() || it->second.empty() ? fallback : it->second;
}

bool ReadUninstallLog(Platform& platform, const std::string& path, UninstallLogData& out) {
    out = UninstallLogData();
    LogReader r(platform, path);
    if (!r.Readable()) return false;

    out.readme = r.Value(kReadmeSection, kReadmeFileKey);
    out.name = r.Value(kUninstallSection, kProductNameKey);
    out.directory = r.Value(kUninstallSection, kDestinationKey);
    out.group = r.Value(kUninstallSection, kProgramGroupKey);
    out.ask = ParseLogCount(r.Value(kUninstallSection, kAskKey).value) != 0;
    for (int n : kCopiedTexts) out.texts[n] = r.Value(kLanguageSection, TextKey(n)).value;

    out.files = r.List(kFiles);
    out.systemFiles = r.List(kSystemFiles);
    out.createdFolders = r.List(kCreatedFolders);
    out.directories = r.List(kDirectories);
    out.extensions = r.List(kExtensions);

    for (int32_t n = 1; n <= kIniFiles; ++n) {
        const std::string section = IniSection(n);
        if (r.Keys(section).empty()) continue;
        LogIniFile ini;
        ini.number = n;
        ini.name = r.Value(section, kIniNameKey);
        for (int32_t m = 0; m < kIniSlots; ++m) {
            LogIniEntry e;
            e.slot = m;
            e.section = r.Value(section, Numbered(kIniEntrySection, m), m);
            if (e.section.value.empty()) continue;
            e.key = r.Value(section, Numbered(kIniEntryKey, m), m);
            ini.entries.push_back(e);
        }
        out.iniFiles.push_back(ini);
    }

    out.registryRemove = ParseLogCount(r.Value(kRegistrySection, kRemoveKey).value) != 0;
    out.registryTotal = ParseLogCount(r.Value(kRegistrySection, kTotalKey).value);
    for (int32_t i : r.Numbers(kRegistrySection, kRegistryKind)) {
        LogRegistryEntry e;
        e.number = i;
        e.kind = ParseLogCount(r.Value(kRegistrySection, Numbered(kRegistryKind, i)).value);
        e.path = r.Value(kRegistrySection, Numbered(kRegistryPath, i), i);
        e.data = r.Value(kRegistrySection, Numbered(kRegistryData, i), i);
        (i <= out.registryTotal ? out.registry : out.registryBeyond).push_back(e);
    }
    return true;
}

} // namespace corvid
