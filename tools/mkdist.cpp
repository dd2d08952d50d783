// corvid-mkdist: makes a distribution folder from a setup description that lists the product's
// files and a folder holding them: it lays the files' data out in the archive volumes and fills
// in each file's volume, offset and length.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/trailer.h"
#include "archive/encode.h"
#include "pack/layout.h"
#include "platform/host_platform.h"
#include "setupinf/profile.h"
#include "setupinf/values.h"

namespace fs = std::filesystem;
using namespace corvid;

namespace {

void Usage(FILE* to) {
    std::fprintf(
        to,
        "usage: corvid-mkdist [options] SETUP.INF PRODUCT OUT\n"
        "\n"
        "Makes the distribution folder OUT: setup.inf, the volumes zdata_NN.dsk and the files\n"
        "the options name. SETUP.INF lists every component's files as the setup reads them\n"
        "([Option_k] fj and dj, [directories] dk_i); each file is taken from PRODUCT below its\n"
        "directory value (\"%%SystemRoot%%\" is the folder SystemRoot), and its sj, pj and zj\n"
        "are written into OUT/setup.inf, with [compression] mode, [software] medium and, in\n"
        "mode 1, each component's Optk_cs.\n"
        "\n"
        "  --mode 0|1             0: the files as they are; 1: each in an archive (default 1)\n"
        "  --volume-size BYTES    the largest volume (default 1457664, a 1.44 MB disk)\n"
        "  --uninstaller FILE     the uninstaller program, as uninst.ex_\n"
        "  --picture FILE NAME    a picture, as NAME (in mode 1 an archive of the member NAME\n"
        "                         with its last letter p)\n"
        "  --copy FILE            a file copied as it is (a read-me, a registry file)\n"
        "\n"
        "Exit codes: 0 done; 2 bad usage; 3 a file could not be read or written.\n");
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + p.string());
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteAll(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    if (!out || !(out << bytes) || !out.flush())
        throw std::runtime_error("cannot write " + p.string());
}

uint32_t FileDosTime(const fs::path& p) {
    std::error_code ec;
    auto t = fs::last_write_time(p, ec);
    if (ec) return 0;
    const auto sys = std::chrono::time_point_cast<std::chrono::seconds>(
        t - fs::file_time_type::clock::now() + std::chrono::system_clock::now());
    return UnixToDosDateTime(sys.time_since_epoch().count());
}

// The product folder's path for a directory value of the description.
fs::path SourceOf(const fs::path& product, const std::string& dirValue, const std::string& name) {
    std::string rel = dirValue;
    if (FoldCase(rel).rfind("%systemroot%", 0) == 0) rel = "SystemRoot" + rel.substr(12);
    fs::path p = product;
    std::stringstream parts(rel);
    std::string part;
    while (std::getline(parts, part, '\\'))
        if (!part.empty()) p /= part;
    return p / name;
}

// An archive of one member: LZH, or stored when LZH does not shrink the data.
std::string PackedFile(const std::string& member, const std::string& data, uint32_t dosTime) {
    return SingleMemberArchive(member, dosTime, 0x20, kLzh, data, true);
}

struct Options {
    int mode = 1;
    int64_t volumeSize = 1457664;
    std::string uninstaller;
    std::vector<std::pair<std::string, std::string>> pictures;
    std::vector<std::string> copies;
    std::vector<std::string> args;
};

int Make(const Options& o) {
    const fs::path inf = o.args[0], product = o.args[1], out = o.args[2];
    fs::create_directories(out);
    const std::string outInf = (out / "setup.inf").string();
    WriteAll(outInf, ReadAll(inf));
    auto get = [&](const std::string& s, const std::string& k, const std::string& d) {
        return ReadProfileString(inf.string(), s, k, d); // the template: it does not change
    };
    auto set = [&](const std::string& s, const std::string& k, const std::string& v) {
        if (!WriteProfileStringFile(outInf, s, k, v))
            throw std::runtime_error("cannot write " + outInf);
    };

    pack::VolumeLayout layout(o.volumeSize);
    std::string stream; // every file's data, end to end
    for (int k = 1; k <= 7; ++k) {
        const std::string section = "Option_" + std::to_string(k);
        // The progress units the run counts for the component in mode 1: a fifth of each byte
        // copied, and 6700 for each 8 KB the expansion reads.
        int64_t units = 0;
        for (int j = 1;; ++j) {
            const std::string name = get(section, "f" + std::to_string(j), "[leer]");
            if (name == "[leer]") break;
            const int32_t dir = ParseInteger(get(section, "d" + std::to_string(j), "0"), 0);
            const std::string value =
                dir == 0
                    ? "\\"
                    : get("directories", "d" + std::to_string(k) + "_" + std::to_string(dir), "\\");
            const fs::path source = SourceOf(product, value, name);
            const std::string data = ReadAll(source);
            const std::string bytes =
                o.mode == 1 ? PackedFile(name, data, FileDosTime(source)) : data;
            const pack::Placement at = layout.Place(static_cast<int64_t>(bytes.size()));
            stream += bytes;
            set(section, "s" + std::to_string(j), pack::VolumeNumberText(at.volume));
            set(section, "p" + std::to_string(j), std::to_string(at.offset));
            set(section, "z" + std::to_string(j), std::to_string(at.length));
            // Only decoded members report their progress (the method byte follows the
            // archive header and 16 bytes of the member header).
            const size_t method = 21 + 16;
            const bool decoded = bytes.size() > method && bytes[method] != 0;
            units += at.length / 5 + (decoded ? 6700 * (at.length / 8192 + 1) : 0);
        }
        const std::string cs = "Opt" + std::to_string(k) + "_cs";
        if (o.mode == 1 && units > 0 && get("software", cs, "").empty())
            set("software", cs, std::to_string(std::min<int64_t>(units, 0x7FFFFFFF)));
    }
    set("compression", "mode", std::to_string(o.mode));
    if (get("software", "medium", "").empty()) set("software", "medium", "1");
    const std::vector<int64_t> sizes = layout.VolumeSizes();
    for (int v = 1; v <= layout.VolumeCount(); ++v)
        WriteAll(out / pack::VolumeName(v),
                 stream.substr(static_cast<size_t>(layout.VolumeStart(v)),
                               static_cast<size_t>(sizes[static_cast<size_t>(v - 1)])));

    if (!o.uninstaller.empty()) {
        const std::string data = ReadAll(o.uninstaller);
        WriteAll(out / "uninst.ex_",
                 o.mode == 1 ? PackedFile("uninst32.ex_", data, FileDosTime(o.uninstaller)) : data);
    }
    for (const auto& pic : o.pictures) {
        const std::string data = ReadAll(pic.first);
        WriteAll(out / pic.second, o.mode == 1 ? PackedFile(PictureMemberName(pic.second), data,
                                                            FileDosTime(pic.first))
                                               : data);
    }
    for (const std::string& c : o.copies) WriteAll(out / fs::path(c).filename(), ReadAll(c));
    std::printf("%s: %d volume(s)\n", out.string().c_str(), layout.VolumeCount());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                Usage(stderr);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (a == "--mode") {
            o.mode = ParseInteger(next(), -1);
        } else if (a == "--volume-size") {
            o.volumeSize = ParseInteger(next(), 0);
        } else if (a == "--uninstaller") {
            o.uninstaller = next();
        } else if (a == "--picture") {
            std::string file = next();
            o.pictures.emplace_back(file, next());
        } else if (a == "--copy") {
            o.copies.push_back(next());
        } else {
            o.args.push_back(a);
        }
    }
    if (o.args.size() != 3 || (o.mode != 0 && o.mode != 1) || o.volumeSize < 1) {
        Usage(stderr);
        return 2;
    }
    try {
        return Make(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvid-mkdist: %s\n", e.what());
        return 3;
    }
}
