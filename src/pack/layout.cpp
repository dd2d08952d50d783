#include "pack/layout.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace corvid::pack {

std::string VolumeNumberText(int volume) {
    return (volume < 10 ? "0" : "") + std::to_string(volume);
}

std::string VolumeName(int volume) {
    return "zdata_" + VolumeNumberText(volume) + ".dsk";
}

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

bool SetupReads(const Placement& p, const std::vector<int64_t>& sizes, std::vector<int32_t>& got) {
    got.clear();
    size_t vol = static_cast<size_t>(p.volume);
    if (p.volume < 1 || vol > sizes.size()) return false;
    int64_t pos = p.offset, remaining = p.length;
    for (;;) {
        const int64_t avail = std::max<int64_t>(0, sizes[vol - 1] - pos);
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(kCopyBlock, avail));
        pos += n;
        got.push_back(n);
        if (n >= remaining) return true;
        remaining -= n;
        if (n < kCopyBlock) {
            if (++vol > sizes.size()) return false;
            pos = 0;
        }
    }
}

} // namespace corvid::pack
