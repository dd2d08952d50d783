// The reader over a setup description (setup.inf, or its working copy setup.tmp), with the
// system's profile rules (profile.h). The file is parsed once and kept; every look-up compares
// the file's size and write time with what was read, so a changed file is seen at once. The
// system's call searches the whole file on every look-up, thousands of them in a large product.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "setupinf/profile.h"

namespace corvid {

class SetupDescription {
public:
    SetupDescription(Platform& platform, std::string path)
        : platform_(platform), path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& deflt) const;
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t deflt) const;
    bool ReadBool(const std::string& section, const std::string& key, bool deflt) const;

    // While one lives, the look-ups answer from the file as the first of them found it: the
    // keys of one row come from one state of the file, which is looked at once for all of them
    // (a look at a file under Windows costs more than the look-up). Afterwards every look-up
    // sees a changed file again.
    class OneLook {
    public:
        explicit OneLook(const SetupDescription& d) : d_(d) {
            if (d_.looks_++ == 0) d_.looked_ = false;
        }
        ~OneLook() { --d_.looks_; }
        OneLook(const OneLook&) = delete;
        OneLook& operator=(const OneLook&) = delete;

    private:
        const SetupDescription& d_;
    };

private:
    // The file as it is now; nullptr when it cannot be read.
    const ProfileData* Current() const;

    Platform& platform_;
    std::string path_;
    mutable std::unique_ptr<const ProfileData> data_;
    mutable FileStamp stamp_;
    mutable int looks_ = 0;
    mutable bool looked_ = false;
};

// The 35 texts of [language] read once at start-up: l1..l28 and l48..l54.
struct LanguageTexts {
    std::string l[55]; // indexed by the key's number; the other entries stay empty

    void Load(const SetupDescription& description);
    const std::string& operator[](int n) const { return l[n]; }
};

} // namespace corvid
