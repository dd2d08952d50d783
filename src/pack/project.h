// The project file of corvid-pack: an INI file that reads like the setup description it makes.
//
//   [pack]            how to pack: mode, volume, cluster, setup, uninstaller, registry
//   [component1] ...  up to [component7]: name, standard, min, custom, prgitem, locked (1 only),
//                     and files, files2, files3 ...: "SOURCE -> TARGET", SOURCE a file, a folder
//                     (its whole tree) or a glob (* and ? in the last part), relative to the
//                     project file; TARGET "\" (the destination, the default), "\sub\dir\" or
//                     "%SystemRoot%\dir\"
//   every other section is copied into setup.inf under its own name; picture keys ([main] back,
//   logo, info; [leader] image) and [software] readme name source files, and [prggrp] f<n> and
//   [extensions] f<n> may name a file of the component by its target path.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace corvid::pack {

// A project that cannot be packed; the message names the file, section and key.
class ProjectError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SourceFile {
    std::string hostPath;
    std::string name; // the file name in the setup's code page
    std::string dir;  // target directory value: "" for the destination itself
    int dirIndex = 0; // 0: the destination; i: [directories] d<k>_<i>
    int64_t size = 0;
    uint32_t dosTime = 0;
    uint16_t attributes = 0x20;
};

struct Component {
    int number = 0;
    std::string name;
    bool standard = false, minimal = false, custom = false, locked = true;
    int prgitem = -1; // -1: derived from the program items
    std::vector<SourceFile> files;
    std::vector<std::string> dirs; // [directories] d<k>_1, d<k>_2, ...
};

// A file the distribution carries beside setup.inf (picture, read-me, registry file).
struct ExtraFile {
    std::string section, key; // where setup.inf names it; empty for the registry file
    std::string hostPath;
    std::string distName; // its name in the distribution (mode 0)
    bool picture = false;
};

struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys; // raw values
};

struct Project {
    std::string path;    // the project file
    std::string baseDir; // folder that sources are relative to
    int mode = 1;
    int64_t volumeSize = 0; // 0: one volume
    int64_t firstDisk = 0;  // on disks: what the first one holds; 0: volumeSize
    int64_t diskCluster = 0;
    int64_t cluster = 4096;        // rounding of Opt<n>_space
    std::string setupExe;          // empty: look for the built one
    std::string uninstaller;       // empty: look for the built one
    bool noUninstaller = false;    // "none"
    std::vector<Section> sections; // copied into setup.inf
    std::vector<Component> components;
    std::vector<ExtraFile> extras;
};

// "floppy", "cd", or bytes with an optional k/K (1024) or M (1048576); false when not one.
bool ParseVolumeSize(const std::string& text, int64_t& bytes, int64_t& cluster);

// Reads the project and collects its files; warnings (for example an unknown section) are
// appended. Raises ProjectError.
Project LoadProject(const std::string& path, std::vector<std::string>& warnings);

// File stamp as the archive keeps it: MS-DOS date and time of the last change and the attribute
// bits (archive, and read-only when the owner may not write). False when the file is not a
// regular file.
bool StatSource(const std::string& hostPath, int64_t& size, uint32_t& dosTime,
                uint16_t& attributes);

} // namespace corvid::pack
