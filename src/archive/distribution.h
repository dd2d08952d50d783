// The packing side of a distribution: the product files' data laid end to end in one stream that
// is cut into the volumes zdata_01.dsk, zdata_02.dsk, ... In compression mode 1 each file's data
// is an archive holding one member named like the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvid {

// Where a file's data begins in the stream and how long it is: the [Option_k] keys s, p and z.
struct StreamPlace {
    int32_t volume = 1;
    int32_t offset = 0;
    int32_t length = 0;
    // The volume number as the s key writes it, with two digits at least ("01").
    std::string VolumeKey() const;
};

// An archive holding one member: LZH, or stored when LZH would not make the data smaller.
std::string SingleMemberArchive(const std::string& memberName, const std::string& data,
                                uint32_t dosDateTime, uint16_t attributes = 0x20);

// The stream of volumes, each at most volumeSize bytes. Data that does not fit goes on at the
// start of the next volume; data never starts at the very end of a volume.
class VolumeStream {
public:
    explicit VolumeStream(int64_t volumeSize);
    StreamPlace Append(const std::string& bytes);
    // The volumes' bytes; volume n is entry n - 1.
    const std::vector<std::string>& Volumes() const { return volumes_; }
    // zdata_NN.dsk
    static std::string VolumeName(int32_t number);

private:
    int64_t volumeSize_;
    std::vector<std::string> volumes_;
};

} // namespace corvid
