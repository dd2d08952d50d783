#include "setupinf/media_reader.h"

#include <climits>

#include "setupinf/values.h"

namespace corvid {

std::string VolumeNumberText(int32_t number) {
    return (number < 10 ? "0" : "") + std::to_string(number);
}

std::string VolumeName(int32_t number) {
    return FirstVolumeName(VolumeNumberText(number));
}

std::string FirstVolumeName(const std::string& numberText) {
    return kVolumePrefix + numberText + ".dsk";
}

MediaReader::MediaReader(VolumeSource& volumes, std::string numberText, int64_t offset,
                         int64_t length)
    : volumes_(volumes), numberText_(std::move(numberText)), offset_(offset), length_(length),
      remaining_(length), first_(ParseInteger(numberText_, 0)), block_(kMediaBlock) {}

MediaFault MediaReader::OpenVolume(const std::string& name, int32_t number) {
    volume_ = name;
    in_ = volumes_.OpenVolume(name, number);
    if (!in_) return MediaFault::MissingVolume;
    volumeSize_ = in_->Size();
    position_ = 0;
    return MediaFault::None;
}

MediaFault MediaReader::Open() {
    if (!PlacementValid()) return MediaFault::BadPlacement;
    if (MediaFault f = OpenVolume(FirstVolumeName(numberText_), first_); f != MediaFault::None)
        return f;
    if (offset_ > volumeSize_) return MediaFault::OffsetBeyondEnd;
    position_ = in_->Seek(offset_, 0);
    return MediaFault::None;
}

MediaFault MediaReader::ReadBlock(const std::function<void(const MediaBlock&)>& take,
                                  int32_t& got) {
    got = in_->Read(block_.data(), kMediaBlock);
    if (got < 0) return MediaFault::ReadFailed;
    const int64_t at = position_;
    position_ += got;
    if (got >= remaining_) {
        const int32_t count = static_cast<int32_t>(remaining_);
        remaining_ = 0;
        complete_ = true;
        if (take) take(MediaBlock{block_.data(), count, volume_, at});
        return MediaFault::None;
    }
    remaining_ -= got;
    if (take) take(MediaBlock{block_.data(), got, volume_, at});
    if (got < kMediaBlock) {
        // A short read before the volume's end is a read that failed part-way, not its end:
        // the rest must not come from the next volume.
        if (position_ < volumeSize_) return MediaFault::ReadFailed;
        // The volume has ended: close it before the next one is asked for, so that its disk
        // can be changed.
        in_.reset();
        const int64_t n = int64_t{first_} + step_ + 1;
        if (n > INT32_MAX) return MediaFault::BadPlacement; // no volume can follow the last number
        ++step_;
        return OpenVolume(VolumeName(static_cast<int32_t>(n)), static_cast<int32_t>(n));
    }
    return MediaFault::None;
}

} // namespace corvid
