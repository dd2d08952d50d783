// Where each file's data goes in the distribution's stream of archive volumes.
//
// The volumes form one continuous byte stream: a file's data starts at an offset in one volume and
// continues at offset 0 of the next-numbered one. The setup reads the data in blocks and takes a
// short block as the end of a volume (setupinf/media_reader.h), so the layout only has to cut the
// stream at the volumes' capacities.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "setupinf/media_reader.h"

namespace corvid::pack {

// Sizes of the media a distribution is cut for: the bytes a 1.44 MB floppy holds in its 2847
// clusters of 512 bytes, and 650 MB of a CD.
constexpr int64_t kFloppyBytes = 1457664;
constexpr int64_t kFloppyCluster = 512;
constexpr int64_t kCdBytes = 681574400;
constexpr int64_t kCdCluster = 2048;
int64_t RoundUp(int64_t bytes, int64_t unit);

struct Placement {
    int volume = 1;     // where the data starts, from 1
    int64_t offset = 0; // in that volume
    int64_t length = 0;
};

// Lays files one after the other into volumes of a fixed capacity; the first volume may be
// smaller, because the first disk also carries setup.exe and the other distribution files.
class VolumeLayout {
public:
    // capacity 0: one volume of any size.
    explicit VolumeLayout(int64_t capacity, int64_t firstCapacity = -1);

    // Places the next file. Data that would begin exactly at a volume's end begins in the next
    // volume instead; empty data stays in the volume that exists, so it never asks for a disk
    // of its own.
    Placement Place(int64_t length);

    // Volumes holding at least one byte or one placement.
    int VolumeCount() const { return volumes_; }
    // The size of each volume file, from volume 1.
    std::vector<int64_t> VolumeSizes() const;
    int64_t StreamSize() const { return position_; }
    int64_t Capacity(int volume) const;
    // Stream position where a volume begins.
    int64_t VolumeStart(int volume) const;

private:
    int64_t capacity_, firstCapacity_;
    int64_t position_ = 0; // the stream's length so far
    int volumes_ = 0;
};

// The blocks the setup reads for one file's data, each the count of one read, through the setup's
// media reader. sizes are the volume files' sizes from volume 1; false when the data runs past
// the last volume.
bool SetupReads(const Placement& p, const std::vector<int64_t>& sizes, std::vector<int32_t>& got);

} // namespace corvid::pack
