#include "setupinf/setup_description.h"

#include "setupinf/values.h"

namespace corvid {

std::string SetupDescription::ReadString(const std::string& section, const std::string& key,
                                         const std::string& deflt) const {
    return platform_.ProfileString(path_, section, key, deflt);
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
