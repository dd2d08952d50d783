// corvid-pack's packing of a folder tree in mode 1 against `tar | gzip -9` of the same tree.
//   bench_pack_tree [DIR [MEGABYTES]]
// The tree is a copy of the files below DIR (default: the system's headers) up to MEGABYTES
// (default 32), laid out as they are there.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>

#include "bench_data.h"
#include "pack/builder.h"
#include "pack/project.h"

namespace fs = std::filesystem;
using namespace corvid::pack;

namespace {

int64_t CopyTree(const fs::path& from, const fs::path& to, int64_t limit, int& files) {
    std::vector<fs::path> all;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(from, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec) && !it->is_symlink(ec)) all.push_back(it->path());
    std::sort(all.begin(), all.end());
    int64_t total = 0;
    std::set<std::string> taken;
    for (const fs::path& f : all) {
        if (total >= limit) break;
        const std::string name = f.filename().string();
        // Only names the setup can install, so that the tree is the same for both; Windows
        // names differ in more than letter case.
        std::string folded = f.lexically_relative(from).string();
        for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name.find_first_of(":*?\"<>|%\\") != std::string::npos || !taken.insert(folded).second)
            continue;
        fs::path target = to / f.lexically_relative(from);
        fs::create_directories(target.parent_path(), ec);
        fs::copy_file(f, target, fs::copy_options::overwrite_existing, ec);
        if (ec) continue;
        total += static_cast<int64_t>(fs::file_size(target, ec));
        ++files;
    }
    return total;
}

int64_t FolderBytes(const fs::path& dir) {
    int64_t n = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec)) n += static_cast<int64_t>(it->file_size(ec));
    return n;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "/usr/include";
    const int64_t limit = static_cast<int64_t>(argc > 2 ? std::atol(argv[2]) : 32) << 20;
    bench::ScratchDir tmp;
    const fs::path root(tmp.path);
    int files = 0;
    const int64_t bytes = CopyTree(dir, root / "tree", limit, files);
    if (bytes < (1 << 20)) {
        std::fprintf(stderr, "bench_pack_tree: too little data below %s\n", dir.c_str());
        return 2;
    }
    bench::WriteHostFile((root / "setup.exe").string(), "MZ");
    bench::WriteHostFile((root / "project.ini").string(),
                         "[pack]\nmode=1\nuninstaller=none\nsetup=setup.exe\n"
                         "[component1]\nname=All\nstandard=1\nfiles=tree\n"
                         "[software]\nname=Bench\nuniyes=0\no_standard=1\n");

    const std::string tgz = (root / "tree.tgz").string();
    bool ok = true;
    const double gzip = bench::BestOf(2, [&] {
        ok =
            ok && bench::Run("tar -cf - -C '" + root.string() + "' tree | gzip -9 > '" + tgz + "'");
    });
    if (!ok) {
        std::fprintf(stderr, "bench_pack_tree: tar and gzip are needed as the baseline\n");
        return 2;
    }
    std::vector<std::string> warnings;
    Project project = LoadProject((root / "project.ini").string(), warnings);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    auto packWith = [&](int jobs) {
        BuildOptions opt;
        opt.outDir = (root / "dist").string();
        opt.force = true;
        opt.jobs = jobs;
        return bench::BestOf(2, [&] { BuildDistribution(project, opt); });
    };
    const double one = packWith(1);
    const double all = packWith(static_cast<int>(cores));
    const int64_t packed = FolderBytes(root / "dist");

    const double mb = static_cast<double>(bytes) / (1 << 20);
    auto pct = [&](double n) { return 100.0 * n / static_cast<double>(bytes); };
    std::printf("tree: %d files, %.1f MB copied from %s\n", files, mb, dir.c_str());
    std::printf("tar | gzip -9:             %6.1f MB/s, packed to %.2f%%\n", mb / gzip,
                pct(static_cast<double>(fs::file_size(tgz))));
    std::printf("corvid-pack mode 1, 1 job: %6.1f MB/s\n", mb / one);
    std::printf("corvid-pack mode 1, %u jobs:%6.1f MB/s, distribution %.2f%% of the tree\n", cores,
                mb / all, pct(static_cast<double>(packed)));
    std::printf("ratio corvid-pack/(tar | gzip -9) throughput: %.2f with %u jobs, %.2f with 1\n",
                gzip / all, cores, gzip / one);
    return 0;
}
