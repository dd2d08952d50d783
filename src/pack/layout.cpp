#include "pack/layout.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace corvid::pack {

int64_t RoundUp(int64_t bytes, int64_t unit) {
    if (unit <= 1) return bytes;
    return (bytes + unit - 1) / unit * unit;
}

VolumeLayout::VolumeLayout(int64_t capacity, int64_t firstCapacity)
    : capacity_(capacity > 0 ? capacity : std::numeric_limits<int64_t>::max()),
      firstCapacity_(firstCapacity < 0 ? capacity_ : firstCapacity) {
    if (capacity < 0 || firstCapacity_ == 0)
        throw std::invalid_argument("a volume must be able to hold at least one byte");
}

int64_t VolumeLayout::Capacity(int volume) const {
    return volume == 1 ? firstCapacity_ : capacity_;
}

int64_t VolumeLayout::VolumeStart(int volume) const {
    if (volume <= 1) return 0;
    return firstCapacity_ + static_cast<int64_t>(volume - 2) * capacity_;
}

namespace {

// The volume that holds stream byte `pos`.
int VolumeOf(int64_t pos, int64_t first, int64_t capacity) {
    if (pos < first) return 1;
    return 2 + static_cast<int>((pos - first) / capacity);
}

} // namespace

Placement VolumeLayout::Place(int64_t length) {
    if (length < 0) throw std::invalid_argument("negative length");
    Placement p;
    p.length = length;
    if (length == 0) {
        if (volumes_ == 0) volumes_ = 1;
        p.volume = volumes_;
        p.offset = position_ - VolumeStart(volumes_);
        return p;
    }
    p.volume = VolumeOf(position_, firstCapacity_, capacity_);
    p.offset = position_ - VolumeStart(p.volume);
    position_ += length;
    volumes_ = std::max(volumes_, VolumeOf(position_ - 1, firstCapacity_, capacity_));
    return p;
}

std::vector<int64_t> VolumeLayout::VolumeSizes() const {
    std::vector<int64_t> sizes;
    for (int v = 1; v <= volumes_; ++v)
        sizes.push_back(std::max<int64_t>(0, std::min(Capacity(v), position_ - VolumeStart(v))));
    return sizes;
}

namespace {

// Volumes known by their sizes alone: a read counts the bytes it would bring.
class SizedVolumes : public VolumeSource {
public:
    explicit SizedVolumes(const std::vector<int64_t>& sizes) : sizes_(sizes) {}
    std::unique_ptr<Stream> OpenVolume(const std::string& name, int32_t) override {
        for (size_t v = 0; v < sizes_.size(); ++v)
            if (name == VolumeName(static_cast<int32_t>(v + 1)))
                return std::make_unique<SizedStream>(sizes_[v]);
        return nullptr;
    }

private:
    class SizedStream : public Stream {
    public:
        explicit SizedStream(int64_t size) : size_(size) {}
        int32_t Read(void* buffer, int32_t count) override {
            const int32_t n = static_cast<int32_t>(std::min<int64_t>(count, size_ - pos_));
            std::memset(buffer, 0, static_cast<size_t>(n));
            pos_ += n;
            return n;
        }
        int32_t Write(const void*, int32_t) override { return 0; }
        int64_t Seek(int64_t offset, int origin) override {
            const int64_t from = origin == 0 ? 0 : origin == 1 ? pos_ : size_;
            return pos_ = std::clamp<int64_t>(from + offset, 0, size_);
        }
        int64_t Size() override { return size_; }
        bool SetDosDateTime(uint32_t) override { return false; }

    private:
        int64_t size_, pos_ = 0;
    };

    const std::vector<int64_t>& sizes_;
};

} // namespace

bool SetupReads(const Placement& p, const std::vector<int64_t>& sizes, std::vector<int32_t>& got) {
    got.clear();
    SizedVolumes volumes(sizes);
    MediaReader reader(volumes, VolumeNumberText(p.volume), p.offset, p.length);
    if (reader.Open() != MediaFault::None) return false;
    while (!reader.Complete()) {
        int32_t n = 0;
        const MediaFault fault = reader.ReadBlock(nullptr, n);
        got.push_back(n);
        if (fault != MediaFault::None) return false;
    }
    return true;
}

} // namespace corvid::pack
