// Shared helpers of the archive benchmarks: the sample data, timing and a scratch directory.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;

inline std::string ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteHostFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Sample data: the regular files below a directory in name order (default: the system's C and
// C++ headers, real text of the kind setups carry), up to limit bytes.
inline std::string SampleData(const std::string& dir, size_t limit, std::string& what) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file(ec)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    std::string data;
    size_t count = 0;
    for (const fs::path& f : files) {
        if (data.size() >= limit) break;
        data += ReadHostFile(f.string());
        ++count;
    }
    if (data.size() > limit) data.resize(limit);
    what = std::to_string(count) + " files below " + dir;
    return data;
}

// Best wall time in seconds of several runs.
inline double BestOf(int runs, const std::function<void()>& f) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        best = std::min(best, d.count());
    }
    return best;
}

inline bool Run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

struct ScratchDir {
    ScratchDir() {
        path = (fs::temp_directory_path() / ("corvid-bench-" + std::to_string(std::rand()) + "-" +
                                             std::to_string(reinterpret_cast<uintptr_t>(this))))
                   .string();
        fs::create_directories(path);
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string path;
};

} // namespace bench
