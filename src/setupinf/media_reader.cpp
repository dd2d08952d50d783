#include "setupinf/media_reader.h"

#include <array>
#include <cctype>
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

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
    // Eight bytes a step through eight tables (the second a byte further on, and so on): a
    // checksum of every byte copied, so a byte at a time would cost a noticeable part of a copy.
    static const auto tables = [] {
        std::array<std::array<uint32_t, 256>, 8> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (size_t k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        return t;
    }();
    const auto* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (; size >= 8; size -= 8, p += 8) {
        const uint32_t a = crc ^ (uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                  uint32_t{p[3]} << 24);
        crc = tables[7][a & 0xFF] ^ tables[6][(a >> 8) & 0xFF] ^ tables[5][(a >> 16) & 0xFF] ^
              tables[4][a >> 24] ^ tables[3][p[4]] ^ tables[2][p[5]] ^ tables[1][p[6]] ^
              tables[0][p[7]];
    }
    for (; size > 0; --size, ++p) crc = tables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::string ChecksumText(uint32_t crc) {
    static const char kHex[] = "0123456789abcdef";
    std::string t(8, '0');
    for (int i = 7; i >= 0; --i, crc >>= 4) t[static_cast<size_t>(i)] = kHex[crc & 0xF];
    return t;
}

bool ParseChecksum(const std::string& text, uint32_t& crc) {
    if (text.size() != 8) return false;
    uint32_t v = 0;
    for (char ch : text) {
        const int c = std::tolower(static_cast<unsigned char>(ch));
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        v = v << 4 | static_cast<uint32_t>(digit);
    }
    crc = v;
    return true;
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
