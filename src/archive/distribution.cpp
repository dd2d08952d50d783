#include "archive/distribution.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "archive/encode.h"

namespace corvid {

namespace {

// The archive writer's output, in memory.
class StringStream : public Stream {
public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void* buffer, int32_t count) override {
        if (count <= 0) return 0;
        if (pos_ + static_cast<size_t>(count) > data.size())
            data.resize(pos_ + static_cast<size_t>(count));
        std::memcpy(&data[pos_], buffer, static_cast<size_t>(count));
        pos_ += static_cast<size_t>(count);
        return count;
    }
    int64_t Seek(int64_t offset, int origin) override {
        const int64_t base = origin == 0   ? 0
                             : origin == 1 ? static_cast<int64_t>(pos_)
                                           : static_cast<int64_t>(data.size());
        pos_ = static_cast<size_t>(std::max<int64_t>(0, base + offset));
        return static_cast<int64_t>(pos_);
    }
    int64_t Size() override { return static_cast<int64_t>(data.size()); }
    bool SetDosDateTime(uint32_t) override { return false; }
    std::string data;

private:
    size_t pos_ = 0;
};

} // namespace

std::string StreamPlace::VolumeKey() const {
    std::string n = std::to_string(volume);
    return n.size() < 2 ? "0" + n : n;
}

std::string SingleMemberArchive(const std::string& memberName, const std::string& data,
                                uint32_t dosDateTime, uint16_t attributes) {
    const bool shrinks = PackData(kLzh, data).size() < data.size();
    const int method = shrinks ? kLzh : kStored;
    StringStream out;
    ArchiveWriter writer(out, CompressIdFor(method));
    writer.Add(memberName, dosDateTime, attributes, method, data);
    writer.Finish();
    return out.data;
}

VolumeStream::VolumeStream(int64_t volumeSize) : volumeSize_(volumeSize) {
    if (volumeSize_ < 1) throw std::invalid_argument("volume size must be positive");
}

StreamPlace VolumeStream::Append(const std::string& bytes) {
    if (bytes.size() > 0x7FFFFFFF) throw std::length_error("file data larger than 2 GB");
    if (volumes_.empty() || static_cast<int64_t>(volumes_.back().size()) >= volumeSize_)
        volumes_.emplace_back();
    StreamPlace place;
    place.volume = static_cast<int32_t>(volumes_.size());
    place.offset = static_cast<int32_t>(volumes_.back().size());
    place.length = static_cast<int32_t>(bytes.size());
    size_t at = 0;
    while (at < bytes.size()) {
        if (static_cast<int64_t>(volumes_.back().size()) >= volumeSize_) volumes_.emplace_back();
        std::string& v = volumes_.back();
        const size_t room = static_cast<size_t>(volumeSize_ - static_cast<int64_t>(v.size()));
        const size_t n = std::min(room, bytes.size() - at);
        v.append(bytes, at, n);
        at += n;
    }
    return place;
}

std::string VolumeStream::VolumeName(int32_t number) {
    StreamPlace p;
    p.volume = number;
    return "zdata_" + p.VolumeKey() + ".dsk";
}

} // namespace corvid
