// Look-ups in a large setup description: our reader (parsed once, re-read only when the file
// changes) against parsing the file anew for every look-up, the cost a reader without a cache
// would pay. Prints both rates and their ratio.
//   bench_profile [KEYS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "setupinf/profile.h"

using namespace corvid;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const int keys = argc > 1 ? std::atoi(argv[1]) : 40000;
    char dir[] = "/tmp/corvid-bench-XXXXXX";
    if (!mkdtemp(dir)) return 2;
    const std::string path = std::string(dir) + "/setup.inf";
    std::string text;
    for (int i = 0; i < keys; ++i) {
        if (i % 100 == 0) text += "[Option_" + std::to_string(i / 100) + "]\r\n";
        text += "f" + std::to_string(i % 100) + " = file" + std::to_string(i) + ".dat\r\n";
    }
    std::ofstream(path, std::ios::binary) << text;

    auto key = [](int i) {
        return std::make_pair("option_" + std::to_string(i / 100), "F" + std::to_string(i % 100));
    };
    // Cached: every key once, through the reader the setup uses.
    auto t0 = Clock::now();
    size_t found = 0;
    for (int i = 0; i < keys; ++i) {
        auto [s, k] = key(i);
        found += ReadProfileString(path, s, k, "").size() > 0;
    }
    const double cached = std::chrono::duration<double>(Clock::now() - t0).count() / keys;

    // Uncached: parse the whole file for each look-up (a sample of look-ups is enough).
    const int sample = 200;
    t0 = Clock::now();
    for (int i = 0; i < sample; ++i) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        ProfileData data(ss.str());
        auto [s, k] = key((i * 7919) % keys);
        found += data.Find(s, k) != nullptr;
    }
    const double reparse = std::chrono::duration<double>(Clock::now() - t0).count() / sample;
    std::remove(path.c_str());
    rmdir(dir);

    std::printf("description: %d keys, %zu bytes; %zu values found\n", keys, text.size(), found);
    std::printf("cached look-up:   %10.2f us\n", cached * 1e6);
    std::printf("re-parse look-up: %10.2f us\n", reparse * 1e6);
    std::printf("speed-up of the cache: %.0fx\n", reparse / cached);
    return found == static_cast<size_t>(keys + sample) ? 0 : 1;
}
