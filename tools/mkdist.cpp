// corvid-mkdist: makes a distribution folder from a setup description that lists the product's
// files and a folder holding them: it lays the files' data out in the archive volumes and fills
// in each file's volume, offset and length.
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
#include "archive/distribution.h"
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
        "are written into OUT/setup.inf, with [compression] mode and [software] medium.\n"
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

    VolumeStream volumes(o.volumeSize);
    for (int k = 1; k <= 7; ++k) {
        const std::string section = "Option_" + std::to_string(k);
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
            const StreamPlace at = volumes.Append(
                o.mode == 1 ? SingleMemberArchive(name, data, FileDosTime(source)) : data);
            set(section, "s" + std::to_string(j), at.VolumeKey());
            set(section, "p" + std::to_string(j), std::to_string(at.offset));
            set(section, "z" + std::to_string(j), std::to_string(at.length));
        }
    }
    set("compression", "mode", std::to_string(o.mode));
    if (get("software", "medium", "").empty()) set("software", "medium", "1");
    const auto& v = volumes.Volumes();
    for (size_t i = 0; i < v.size(); ++i)
        WriteAll(out / VolumeStream::VolumeName(static_cast<int32_t>(i + 1)), v[i]);

    if (!o.uninstaller.empty()) {
        const std::string data = ReadAll(o.uninstaller);
        WriteAll(out / "uninst.ex_",
                 o.mode == 1 ? SingleMemberArchive("uninst32.ex_", data, FileDosTime(o.uninstaller))
                             : data);
    }
    for (const auto& pic : o.pictures) {
        const std::string data = ReadAll(pic.first);
        WriteAll(out / pic.second, o.mode == 1 ? SingleMemberArchive(PictureMemberName(pic.second),
                                                                     data, FileDosTime(pic.first))
                                               : data);
    }
    for (const std::string& c : o.copies) WriteAll(out / fs::path(c).filename(), ReadAll(c));
    std::printf("%s: %zu volume(s)\n", out.string().c_str(), v.size());
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
