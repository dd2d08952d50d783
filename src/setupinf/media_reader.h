// A file's data on the distribution's media, read as the setup reads it. The archive volumes
// "zdata_" + number + ".dsk" form one continuous byte stream: a file's data begins at an offset
// in the volume its description names and goes on at the start of the next-numbered volume. The
// setup reads it in blocks of 2048 bytes; a block shorter than that ends its volume.
//
// The setup's file transfer, corvid-pack (which lays the data out and counts the setup's blocks)
// and corvid-inf check read through this reader, so they see the same blocks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace corvid {

// The size of the setup's blocks.
constexpr int32_t kMediaBlock = 2048;

// Every volume's file name begins so.
constexpr char kVolumePrefix[] = "zdata_";
// The number as volume names and the description write it: "01" ... "09", "10", ...
std::string VolumeNumberText(int32_t number);
// "zdata_01.dsk"; from the tenth volume on "zdata_10.dsk" and so on.
std::string VolumeName(int32_t number);
// The volume a file's data begins in, named by its number exactly as the description writes it:
// "1" names zdata_1.dsk, whose continuation is zdata_02.dsk.
std::string FirstVolumeName(const std::string& numberText);

// The checksum a description may give for a file's data as the medium holds it (the archive in
// compression mode 1): CRC-32 with the reflected polynomial 0xEDB88320, continued from crc (0 to
// begin), written as eight hexadecimal digits.
uint32_t Crc32(uint32_t crc, const void* data, size_t size);
std::string ChecksumText(uint32_t crc);
// False for anything but eight hexadecimal digits.
bool ParseChecksum(const std::string& text, uint32_t& crc);

// Where the volumes come from: the setup's source folder (asking for a missing disk), the
// checker's disk folders, memory in tests.
class VolumeSource {
public:
    virtual ~VolumeSource() = default;
    // Opens the volume of that name for reading; number is what a prompt for its disk shows.
    // nullptr when the volume is not there.
    virtual std::unique_ptr<Stream> OpenVolume(const std::string& name, int32_t number) = 0;
};

// Why a file's data cannot be read.
enum class MediaFault {
    None,
    BadPlacement,    // a negative offset or length
    MissingVolume,   // the volume to read next is not there
    OffsetBeyondEnd, // the data would begin past the end of its first volume
    ReadFailed,      // a volume refused a read
};

// The bytes of one block that belong to the file, and where they lie.
struct MediaBlock {
    const char* data;
    int32_t count;
    const std::string& volume;
    int64_t offset;
};

// One file's data, block by block. A block is a unit of the stream, not of the volume file: how
// the bytes are fetched does not change the blocks a caller sees.
class MediaReader {
public:
    // The data begins at offset in the volume numbered numberText (as written) and is length
    // bytes long.
    MediaReader(VolumeSource& volumes, std::string numberText, int64_t offset, int64_t length);

    bool PlacementValid() const { return offset_ >= 0 && length_ >= 0; }
    // Checks the placement, opens the first volume and moves to the offset.
    MediaFault Open();
    // Reads the next block; got is its size as read, which progress counts. The bytes of it that
    // belong to the file go to take; then, when the block ended its volume before the data, the
    // volume is closed and the next one opened.
    MediaFault ReadBlock(const std::function<void(const MediaBlock&)>& take, int32_t& got);
    bool Complete() const { return complete_; }

    int64_t Length() const { return length_; }
    int64_t Remaining() const { return remaining_; }
    // The volume read last, or the one that could not be opened, and its size once open.
    const std::string& Volume() const { return volume_; }
    int64_t VolumeSize() const { return volumeSize_; }
    // How many volumes the data has gone on into.
    int32_t VolumeStep() const { return step_; }

private:
    MediaFault OpenVolume(const std::string& name, int32_t number);

    VolumeSource& volumes_;
    std::string numberText_;
    int64_t offset_, length_, remaining_;
    int32_t first_; // the first volume's number, as read
    int32_t step_ = 0;
    std::string volume_;
    int64_t volumeSize_ = 0, position_ = 0;
    std::unique_ptr<Stream> in_;
    std::vector<char> block_;
    bool complete_ = false;
};

} // namespace corvid
