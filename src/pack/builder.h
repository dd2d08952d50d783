// Builds a distribution folder from a project: setup.exe, setup.inf with every key the setup
// reads, the uninstaller, the pictures and other files beside them, and the archive volumes.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "pack/project.h"

namespace corvid::pack {

// A file that could not be read or written while building.
class BuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct BuildOptions {
    std::string outDir;
    bool disks = false;  // disk1/, disk2/, ...: one volume per disk
    bool force = false;  // replace an earlier distribution in outDir
    int jobs = 0;        // packing threads; 0: one per processor
    std::string toolDir; // where the built setup.exe and uncorvid.exe are looked for
    // Progress: source bytes done of the total, and the file being packed.
    std::function<void(int64_t done, int64_t total, const std::string& file)> progress;
};

struct BuildResult {
    int files = 0, volumes = 0, disks = 1;
    int64_t sourceBytes = 0, streamBytes = 0;
    std::string setupExe, uninstaller; // what was packed
};

// One line of setup.inf text per key, sections in order.
class InfText {
public:
    void Set(const std::string& section, const std::string& key, const std::string& value);
    const std::string* Get(const std::string& section, const std::string& key) const;
    std::string Text() const; // CR LF lines

private:
    struct Sec {
        std::string name;
        std::vector<std::pair<std::string, std::string>> keys;
        std::unordered_map<std::string, size_t> index; // folded key -> keys
    };
    std::vector<Sec> sections_;
    std::unordered_map<std::string, size_t> index_; // folded section -> sections_
};

// The setup's overall progress for a component in mode 1 (Opt<n>_cs): a fifth of each block it
// copies and 6700 for each buffer of packed data the expansion reads.
int64_t ProgressUnits(const std::vector<int32_t>& reads, int method, int32_t packedSize);

BuildResult BuildDistribution(const Project& project, const BuildOptions& options);

// The built setup.exe or uncorvid.exe near the tool; empty when there is none.
std::string FindBuiltProgram(const std::string& toolDir, const std::string& name);

} // namespace corvid::pack
