// Archive volumes held in memory, for reading file data through the setup's media reader.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archive/encode.h"
#include "setupinf/media_reader.h"

namespace corvid {

class MemoryVolumes : public VolumeSource {
public:
    MemoryVolumes() = default;
    // Volumes 1, 2, ... under their usual names.
    explicit MemoryVolumes(const std::vector<std::string>& volumes) {
        for (size_t v = 0; v < volumes.size(); ++v)
            files[VolumeName(static_cast<int32_t>(v + 1))] = volumes[v];
    }

    std::unique_ptr<Stream> OpenVolume(const std::string& name, int32_t number) override {
        asked.push_back(name + "#" + std::to_string(number));
        auto it = files.find(name);
        if (it == files.end()) return nullptr;
        return std::make_unique<BufferStream>(it->second);
    }

    std::map<std::string, std::string> files; // volume name -> bytes
    std::vector<std::string> asked;           // "name#number" for every volume opened or missed
};

// The data of one file as the reader hands it over, block by block; ok is false when the reader
// reports a fault, whose kind goes to *fault.
inline std::string ReadThrough(VolumeSource& volumes, const std::string& numberText, int64_t offset,
                               int64_t length, bool& ok, std::vector<int32_t>* blocks = nullptr,
                               MediaFault* fault = nullptr) {
    MediaReader reader(volumes, numberText, offset, length);
    std::string out;
    MediaFault f = reader.Open();
    while (f == MediaFault::None && !reader.Complete()) {
        int32_t got = 0;
        f = reader.ReadBlock([&](const MediaBlock& b) { out.append(b.data, b.count); }, got);
        if (blocks) blocks->push_back(got);
    }
    ok = f == MediaFault::None;
    if (fault) *fault = f;
    return out;
}

} // namespace corvid
