#include "setupinf/setup_description.h"

#include "platform/whole_file.h"
#include "setupinf/values.h"

namespace corvid {

const ProfileData* SetupDescription::Current() const {
    if (looks_ > 0) {
        if (looked_) return data_.get();
        looked_ = true;
    }
    FileStamp now;
    if (!platform_.StampFile(path_, now)) {
        data_.reset();
        return nullptr;
    }
    if (data_ && now == stamp_) return data_.get();
    std::string bytes;
    if (!ReadWholeFile(platform_, path_, bytes)) {
        data_.reset();
        return nullptr;
    }
    data_ = std::make_unique<const ProfileData>(bytes);
    stamp_ = now;
    return data_.get();
}

std::string SetupDescription::ReadString(const std::string& section, const std::string& key,
                                         const std::string& deflt) const {
    if (const ProfileData* d = Current()) {
        bool quotable = true;
        const std::string* value = d->Find(section, key, &quotable);
        return ProfileResult(value, deflt, true, quotable);
    }
    // The system opens a file that is not there as an empty profile (it would make it on a
    // write), so the default gets the quote rule; not so in a folder that is not there, or for
    // a file it cannot read.
    const bool empty =
        !platform_.FileExists(path_) && platform_.DirectoryExists(SourceFolderOf(path_));
    return ProfileResult(nullptr, deflt, empty);
}

int32_t SetupDescription::ReadInteger(const std::string& section, const std::string& key,
                                      int32_t deflt) const {
    return ParseInteger(ReadString(section, key, ""), deflt);
}

bool SetupDescription::ReadBool(const std::string& section, const std::string& key,
                                bool deflt) const {
    return ReadInteger(section, key, deflt ? 1 : 0) != 0;
}

void LanguageTexts::Load(const SetupDescription& description) {
    for (int n = 1; n <= 28; ++n)
        l[n] = description.ReadString("language", "l" + std::to_string(n), "");
    for (int n = 48; n <= 54; ++n)
        l[n] = description.ReadString("language", "l" + std::to_string(n), "");
}

} // namespace corvid
