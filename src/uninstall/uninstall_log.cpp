#include "uninstall/uninstall_log.h"

#include <algorithm>
#include <set>

#include "setupinf/profile.h"

namespace corvid {

namespace {

constexpr int kLanguageKeys[] = {10, 11, 15, 55, 56, 57, 58, 59, 60, 61};

class LogReader {
public:
    LogReader(Platform& p, std::string path) : p_(p), path_(std::move(path)) {}

    LogValue Value(const std::string& section, const std::string& key, int32_t number = 0) {
        LogValue v;
        v.number = number;
        v.value = p_.ProfileString(path_, section, key, "");
        v.cut = v.value.size() >= static_cast<size_t>(kProfileBufferSize - 1);
        return v;
    }

    // The numbers n of the keys prefix + n (decimal, no leading zeros, from 1), each once.
    std::vector<int32_t> Numbers(const std::string& section, const std::string& prefix) {
        std::vector<std::string> keys;
        p_.ProfileKeyNames(path_, section, keys);
        std::set<int32_t> numbers;
        for (const std::string& raw : keys) {
            std::string k = FoldCase(raw);
            while (!k.empty() && ProfileSpace(static_cast<unsigned char>(k.back()))) k.pop_back();
            while (!k.empty() && ProfileSpace(static_cast<unsigned char>(k.front()))) k.erase(0, 1);
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

    LogList List(const std::string& section, const std::string& prefix) {
        LogList list;
        list.total = ParseLogCount(p_.ProfileString(path_, section, "total", ""));
        for (int32_t n : Numbers(section, prefix)) {
            LogValue v = Value(section, prefix + std::to_string(n), n);
            (n <= list.total ? list.entries : list.beyond).push_back(v);
        }
        return list;
    }

    bool Readable() {
        std::vector<std::string> sections;
        return p_.ProfileSectionNames(path_, sections);
    }

private:
    Platform& p_;
    std::string path_;
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

    out.readme = r.Value("readme", "file");
    out.name = r.Value("uninstall", "name");
    out.directory = r.Value("uninstall", "directory");
    out.group = r.Value("uninstall", "prggrp");
    out.ask = ParseLogCount(r.Value("uninstall", "ask").value) != 0;
    for (int n : kLanguageKeys) out.texts[n] = r.Value("language", "l" + std::to_string(n)).value;

    out.files = r.List("files", "f");
    out.systemFiles = r.List("systemroot", "f");
    out.directories = r.List("directories", "d");
    out.extensions = r.List("extensions", "e");

    for (int32_t n = 1; n <= 4; ++n) {
        const std::string section = "ini_" + std::to_string(n);
        std::vector<std::string> keys;
        platform.ProfileKeyNames(path, section, keys);
        if (keys.empty()) continue;
        LogIniFile ini;
        ini.number = n;
        ini.name = r.Value(section, "name");
        for (int32_t m = 0; m <= 9; ++m) {
            LogIniEntry e;
            e.slot = m;
            e.section = r.Value(section, "s" + std::to_string(m), m);
            if (e.section.value.empty()) continue;
            e.key = r.Value(section, "k" + std::to_string(m), m);
            ini.entries.push_back(e);
        }
        out.iniFiles.push_back(ini);
    }

    out.registryRemove = ParseLogCount(r.Value("sysreg", "remove").value) != 0;
    out.registryTotal = ParseLogCount(r.Value("sysreg", "total").value);
    for (int32_t i : r.Numbers("sysreg", "k")) {
        LogRegistryEntry e;
        e.number = i;
        e.kind = ParseLogCount(r.Value("sysreg", "k" + std::to_string(i)).value);
        e.path = r.Value("sysreg", "p" + std::to_string(i), i);
        e.data = r.Value("sysreg", "b" + std::to_string(i), i);
        (i <= out.registryTotal ? out.registry : out.registryBeyond).push_back(e);
    }
    return true;
}

} // namespace corvid
