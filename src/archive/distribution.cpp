#include "archive/distribution.h"

#include <algorithm>
#include <stdexcept>

#include "archive/encode.h"
#include "pack/layout.h"

namespace corvid {

std::string StreamPlace::VolumeKey() const {
    return pack::VolumeNumberText(volume);
}

std::string SingleMemberArchive(const std::string& memberName, const std::string& data,
                                uint32_t dosDateTime, uint16_t attributes) {
    return SingleMemberArchive(memberName, dosDateTime, attributes, kLzh, data, true);
}

VolumeStream::VolumeStream(int64_t volumeSize) : volumeSize_(volumeSize) {
    if (volumeSize_ < 1) throw std::invalid_argument("volume size must be positive");
}

// The layout is corvid-pack's; this keeps the volumes' bytes in memory as well.
StreamPlace VolumeStream::Append(const std::string& bytes) {
    if (bytes.size() > 0x7FFFFFFF) throw std::length_error("file data larger than 2 GB");
    pack::VolumeLayout layout(volumeSize_);
    for (const std::string& v : volumes_) layout.Place(static_cast<int64_t>(v.size()));
    const pack::Placement p = layout.Place(static_cast<int64_t>(bytes.size()));
    volumes_.resize(static_cast<size_t>(layout.VolumeCount()));
    size_t at = 0;
    for (int v = p.volume; at < bytes.size(); ++v) {
        std::string& vol = volumes_[static_cast<size_t>(v) - 1];
        const size_t n = std::min(static_cast<size_t>(volumeSize_) - vol.size(), bytes.size() - at);
        vol.append(bytes, at, n);
        at += n;
    }
    StreamPlace place;
    place.volume = p.volume;
    place.offset = static_cast<int32_t>(p.offset);
    place.length = static_cast<int32_t>(bytes.size());
    return place;
}

std::string VolumeStream::VolumeName(int32_t number) {
    return pack::VolumeName(number);
}

} // namespace corvid
