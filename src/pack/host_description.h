// A setup description on the host, read by the setup's own reader: corvid-inf reads setup.inf
// through it, so that it gets what the setup gets.
#pragma once

#include <string>

#include "platform/host_platform.h"
#include "setupinf/profile.h"
#include "setupinf/setup_description.h"

namespace corvid::pack {

class HostDescription {
public:
    explicit HostDescription(const std::string& hostPath) : description_(platform_, hostPath) {}
    HostDescription(const HostDescription&) = delete;
    HostDescription& operator=(const HostDescription&) = delete;

    const SetupDescription& Reader() const { return description_; }

private:
    // The host's files, with profiles read by our own reader (the file named is a host path).
    class Profiles : public HostPlatform {
    public:
        std::string ProfileString(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& deflt) override {
            return ReadProfileString(file, section, key, deflt);
        }
    };

    Profiles platform_;
    SetupDescription description_;
};

} // namespace corvid::pack
