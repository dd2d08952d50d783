// corvid-pack: builds a distribution (setup.exe, setup.inf, the uninstaller and the archive
// volumes) from a project file and the folder trees it names.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "pack/builder.h"
#include "pack/check.h"
#include "pack/layout.h"
#include "pack/project.h"
#include "terminal.h"

namespace fs = std::filesystem;
using namespace corvid;
using namespace corvid::pack;
using tools::Display;

namespace {

enum ExitCode {
    kOk = 0,
    kProject = 1,   // the project cannot be packed as it stands
    kUsage = 2,     // bad command line
    kFileError = 3, // a file could not be read or written
    kInternal = 4,  // the distribution made fails its own check
};

void Usage(FILE* to) {
    std::fprintf(
        to,
        "usage: corvid-pack [OPTIONS] PROJECT OUTPUT\n"
        "\n"
        "Builds a distribution in the folder OUTPUT from the project file PROJECT: setup.exe,\n"
        "setup.inf with every key the setup reads, the uninstaller (uninst.ex_), the pictures,\n"
        "read-me and registry file the project names, and the archive volumes zdata_NN.dsk.\n"
        "\n"
        "Options (each overrides the project's [pack] key of the same meaning):\n"
        "  -m, --mode 0|1        0: files as they are; 1 (default): each file an archive, packed\n"
        "                        with LZH, or stored when LZH does not shrink it\n"
        "  -v, --volume SIZE     the size of each volume: floppy (1.44 MB), cd (650 MB), or\n"
        "                        bytes (720k, 100M, 1457664). Default: one volume of any size\n"
        "      --disks           put each volume in its own folder disk1/, disk2/, ..., with\n"
        "                        setup.exe, setup.inf and the other files on disk1/; SIZE is\n"
        "                        then what each disk holds, and the first volume leaves room\n"
        "                        for the files beside it (in whole clusters of the medium)\n"
        "      --first-disk SIZE what the first disk holds, when it differs (setup.exe may\n"
        "                        need more room than a floppy has)\n"
        "      --cluster BYTES   cluster size that Opt<n>_space rounds each file up to (4096)\n"
        "      --setup FILE      the setup program (default: the built setup.exe)\n"
        "      --uninstaller FILE|none\n"
        "                        the uninstaller program (default: the built uncorvid.exe)\n"
        "  -j, --jobs N          packing threads (default: one per processor)\n"
        "  -f, --force           replace an earlier distribution in OUTPUT\n"
        "  -q, --quiet           no progress line and no summary\n"
        "  -h, --help            this text\n"
        "\n"
        "The project is an INI file. [pack] holds mode, volume, firstdisk, cluster, setup,\n"
        "uninstaller and registry (a .reg file, imported at installation). [component1] to\n"
        "[component7] hold name, standard, min, custom (the setup types the component belongs\n"
        "to), prgitem, locked (component 1) and files, files2, ...: \"SOURCE -> TARGET\", where\n"
        "SOURCE is a"
        " "
        "file, a folder (its whole tree) or a glob (* and ? in its last part)\n"
        "relative to the project file, and TARGET is \\ (the destination, the default), "
        "\\sub\\dir\\ or\n"
        "%%SystemRoot%%\\dir\\. Every other section is copied into setup.inf; [main] back, logo,\n"
        "info, [leader] image and [software] readme name files to carry, and [prggrp] f<n> and\n"
        "[extensions] f<n> may name a component's file by its target path (\\bin\\tool.exe).\n"
        "\n"
        "The same project and files give the same bytes. The result is checked as\n"
        "`corvid-inf check` does; its findings are shown.\n"
        "\n"
        "Exit codes: 0 done; 1 the project cannot be packed (a missing file, a name the setup\n"
        "cannot store, more than seven components, sizes beyond 32 bits); 2 bad usage;\n"
        "3 a file could not be read or written; 4 the distribution failed its own check.\n");
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "corvid-pack: %s\n", what.c_str());
}

// The progress line on a terminal.
class Progress {
public:
    explicit Progress(bool on) : on_(on && CORVID_ISATTY(stderr)) {}
    void Show(int64_t done, int64_t total, const std::string& file) {
        if (!on_) return;
        auto now = std::chrono::steady_clock::now();
        if (shown_ && done < total && now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        int pct = total > 0 ? static_cast<int>(done * 100 / total) : 100;
        std::string n = file;
        if (n.size() > 60) n = "..." + n.substr(n.size() - 57);
        std::fprintf(stderr, "\rpacking %3d%% %-60s", pct, n.c_str());
        std::fflush(stderr);
        shown_ = true;
    }
    void Clear() {
        if (on_ && shown_) std::fprintf(stderr, "\r%-79s\r", "");
        shown_ = false;
    }

private:
    bool on_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_{};
};

std::string ToolDir(const char* argv0) {
    std::error_code ec;
#ifndef _WIN32
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return self.parent_path().string();
#endif
    return fs::absolute(argv0, ec).parent_path().string();
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::vector<std::string> positional;
    BuildOptions opt;
    std::string mode, volume, firstDisk, cluster, setup, uninstaller;
    bool quiet = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        bool ok = true;
        if (a == "-h" || a == "--help") {
            Usage(stdout);
            return kOk;
        } else if (a == "-m" || a == "--mode") {
            ok = value(mode) && (mode == "0" || mode == "1");
        } else if (a == "-v" || a == "--volume") {
            ok = value(volume);
        } else if (a == "--disks") {
            opt.disks = true;
        } else if (a == "--first-disk") {
            ok = value(firstDisk);
        } else if (a == "--cluster") {
            ok = value(cluster);
        } else if (a == "--setup") {
            ok = value(setup);
        } else if (a == "--uninstaller") {
            ok = value(uninstaller);
        } else if (a == "-j" || a == "--jobs") {
            std::string j;
            ok = value(j) && std::atoi(j.c_str()) > 0;
            opt.jobs = std::atoi(j.c_str());
        } else if (a == "-f" || a == "--force") {
            opt.force = true;
        } else if (a == "-q" || a == "--quiet") {
            quiet = true;
        } else if (a.size() > 1 && a[0] == '-') {
            Fail("unknown option " + a);
            Usage(stderr);
            return kUsage;
        } else {
            positional.push_back(a);
        }
        if (!ok) {
            Fail("option " + a + " needs a value" +
                 (a == "-m" || a == "--mode" ? " (0 or 1)" : ""));
            return kUsage;
        }
    }
    if (positional.size() != 2) {
        Usage(stderr);
        return kUsage;
    }
    opt.outDir = positional[1];
    opt.toolDir = ToolDir(argv[0]);
    // The command line first: bad usage is told before anything is read.
    int64_t volumeBytes = 0, volumeCluster = 0;
    if (!volume.empty() && volume != "none" &&
        !ParseVolumeSize(volume, volumeBytes, volumeCluster)) {
        Fail("\"" + volume + "\" is no volume size (floppy, cd, or bytes below 2 GB)");
        return kUsage;
    }
    int64_t firstBytes = 0, firstCluster = 0;
    if (!firstDisk.empty() && !ParseVolumeSize(firstDisk, firstBytes, firstCluster)) {
        Fail("\"" + firstDisk + "\" is no disk size (floppy, cd, or bytes below 2 GB)");
        return kUsage;
    }
    long clusterBytes = 0;
    if (!cluster.empty()) {
        clusterBytes = std::atol(cluster.c_str());
        if (clusterBytes <= 0 || (clusterBytes & (clusterBytes - 1)) != 0 ||
            clusterBytes > (1 << 20)) {
            Fail("the cluster size is a power of two, such as 512 or 4096");
            return kUsage;
        }
    }
    std::vector<std::string> warnings;
    Project project;
    try {
        project = LoadProject(positional[0], warnings);
        if (!mode.empty()) project.mode = mode == "1" ? 1 : 0;
        if (volume == "none") project.volumeSize = 0;
        if (volumeBytes > 0) {
            project.volumeSize = volumeBytes;
            project.diskCluster = volumeCluster;
        }
        if (clusterBytes > 0) project.cluster = clusterBytes;
        if (firstBytes > 0) project.firstDisk = firstBytes;
        if (!setup.empty()) project.setupExe = setup;
        if (uninstaller == "none") {
            project.noUninstaller = true;
        } else if (!uninstaller.empty()) {
            project.uninstaller = uninstaller;
            project.noUninstaller = false;
        }
    } catch (const ProjectError& e) {
        Fail(Display(e.what()));
        return kProject;
    }
    for (const std::string& w : warnings) Fail("warning: " + Display(w));

    Progress progress(!quiet);
    opt.progress = [&](int64_t done, int64_t total, const std::string& file) {
        progress.Show(done, total, file);
    };
    BuildResult r;
    try {
        r = BuildDistribution(project, opt);
    } catch (const ProjectError& e) {
        progress.Clear();
        Fail(Display(e.what()));
        return kProject;
    } catch (const std::exception& e) {
        progress.Clear();
        Fail(Display(e.what()));
        return kFileError;
    }
    progress.Clear();

    const std::string first = opt.disks ? (fs::path(opt.outDir) / "disk1").string() : opt.outDir;
    CheckReport report = CheckDistribution(first);
    for (const Finding& f : report.findings)
        Fail(std::string(f.error ? "error: " : "warning: ") + Display(f.Where() + f.message));
    if (!quiet) {
        std::printf("%s: %d files, %lld bytes in %d volume%s (%lld bytes)%s, mode %d\n",
                    opt.outDir.c_str(), r.files, static_cast<long long>(r.sourceBytes), r.volumes,
                    r.volumes == 1 ? "" : "s", static_cast<long long>(r.streamBytes),
                    opt.disks ? (" on " + std::to_string(r.disks) + " disks").c_str() : "",
                    project.mode);
        std::printf("setup: %s\nuninstaller: %s\n", r.setupExe.c_str(),
                    r.uninstaller.empty() ? "none" : r.uninstaller.c_str());
    }
    return report.errors ? kInternal : kOk;
}
