// LZH expansion through the real path (archive file to output file, progress handler set)
// against gzip -d on the same data; prints the ratio of throughputs.
//   bench_expand [DIR [MEGABYTES]]
#include <cstdio>
#include <memory>

#include "archive/compress.h"
#include "archive/encode.h"
#include "bench_data.h"
#include "platform/host_platform.h"

using namespace corvid;

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "/usr/include";
    const size_t limit = (argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 24) << 20;
    std::string what;
    const std::string data = bench::SampleData(dir, limit, what);
    if (data.size() < (1 << 20)) {
        std::fprintf(stderr, "bench_expand: too little data below %s\n", dir.c_str());
        return 2;
    }
    bench::ScratchDir tmp;
    const std::string raw = tmp.path + "/data.bin", gz = raw + ".gz", arc = tmp.path + "/data.arc";
    bench::WriteHostFile(raw, data);
    if (!bench::Run("gzip -9 -c '" + raw + "' > '" + gz + "'")) {
        std::fprintf(stderr, "bench_expand: gzip is needed as the baseline\n");
        return 2;
    }
    HostPlatform p;
    {
        std::unique_ptr<Stream> out = p.OpenFile(arc, OpenMode::Create);
        ArchiveWriter w(*out, "LZH");
        w.Add("data.bin", 0x24CF63C0, 0x20, kLzh, data);
        w.Finish();
    }

    const std::string gzOut = tmp.path + "/gz.out";
    const double gzip =
        bench::BestOf(5, [&] { bench::Run("gzip -d -c '" + gz + "' > '" + gzOut + "'"); });

    const std::string ourOut = tmp.path + "/ours.out";
    long events = 0;
    bool ok = true;
    const double ours = bench::BestOf(5, [&] {
        TCompress c(p);
        c.OnCheckFile = [&](std::string& path, TCProcessMode) { path = ourOut; };
        c.OnShowProgress = [&](int32_t&) { ++events; };
        std::string fileSpec = "data.bin";
        c.ExpandFile(fileSpec, arc);
        ok = ok && fileSpec == ourOut;
    });
    if (!ok || bench::ReadHostFile(ourOut) != data || bench::ReadHostFile(gzOut) != data) {
        std::fprintf(stderr, "bench_expand: an expansion did not reproduce the data\n");
        return 1;
    }
    const double mb = static_cast<double>(data.size()) / (1 << 20);
    std::printf("data: %.1f MB from %s; packed %.1f%% (lzh), %.1f%% (gzip -9)\n", mb, what.c_str(),
                100.0 * static_cast<double>(p.OpenFile(arc, OpenMode::ReadShared)->Size()) /
                    static_cast<double>(data.size()),
                100.0 * static_cast<double>(p.OpenFile(gz, OpenMode::ReadShared)->Size()) /
                    static_cast<double>(data.size()));
    std::printf("gzip -d:      %7.1f MB/s (best of 5)\n", mb / gzip);
    std::printf("lzh expand:   %7.1f MB/s (best of 5, %ld progress events)\n", mb / ours, events);
    std::printf("ratio lzh/gzip -d throughput: %.2f (goal 0.66)\n", gzip / ours);
    return 0;
}
