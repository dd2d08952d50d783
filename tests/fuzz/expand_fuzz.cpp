// libFuzzer target: arbitrary bytes as an archive through ExpandStream. Expansion must end with
// a result or one of the component's failures; output stays bounded by the input; progress
// values of a member never fall and stay within 0..100.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "archive/compress.h"
#include "platform/host_platform.h"

using namespace corvid;

namespace {

class InputStream : public Stream {
public:
    InputStream(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    int32_t Read(void* buffer, int32_t count) override {
        if (count <= 0 || pos_ >= n_) return 0;
        size_t k = std::min(static_cast<size_t>(count), n_ - pos_);
        std::memcpy(buffer, d_ + pos_, k);
        pos_ += k;
        return static_cast<int32_t>(k);
    }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, int origin) override {
        int64_t base = origin == 0   ? 0
                       : origin == 1 ? static_cast<int64_t>(pos_)
                                     : static_cast<int64_t>(n_);
        int64_t p = base + offset;
        if (p < static_cast<int64_t>(pos_) && !(origin == 0 && offset == 0))
            std::abort(); // backwards
        pos_ = static_cast<size_t>(p < 0 ? 0 : p);
        return static_cast<int64_t>(pos_);
    }
    int64_t Size() override { return static_cast<int64_t>(n_); }
    bool SetDosDateTime(uint32_t) override { return true; }

private:
    const uint8_t* d_;
    size_t n_;
    size_t pos_ = 0;
};

class Sink : public Stream {
public:
    explicit Sink(int64_t& total) : total_(total) {}
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t count) override {
        total_ += count;
        return count;
    }
    int64_t Seek(int64_t, int) override { return 0; }
    int64_t Size() override { return 0; }
    bool SetDosDateTime(uint32_t) override { return true; }

private:
    int64_t& total_;
};

// Output files go nowhere; the disk is large and empty.
class SinkPlatform : public HostPlatform {
public:
    std::unique_ptr<Stream> OpenFile(const std::string&, OpenMode) override {
        return std::make_unique<Sink>(written);
    }
    bool FileExists(const std::string&) override { return false; }
    bool DirectoryExists(const std::string&) override { return true; }
    bool CreateDir(const std::string&) override { return true; }
    bool DeleteFile(const std::string&) override { return true; }
    bool SetFileAttributes(const std::string&, uint32_t) override { return true; }
    int64_t DiskFree(char) override { return int64_t{1} << 40; }
    int64_t written = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SinkPlatform p;
    TCompress c(p);
    c.MakeDirectories = (size & 1) != 0;
    int32_t last = 0;
    c.OnCheckFile = [&](std::string&, TCProcessMode) { last = 0; };
    c.OnShowProgress = [&](int32_t& pct) {
        if (pct < last || pct > 100) std::abort();
        last = pct;
    };
    InputStream src(data, size);
    try {
        c.ExpandStream(src, nullptr);
    } catch (const corvid::Exception&) {
    } catch (const RuntimeError&) {
    }
    // RLE writes at most 255 bytes per packed byte; LZH at most 60 per bit plus a bounded run
    // past the end of its data.
    if (p.written > static_cast<int64_t>(size) * 512 + (1 << 20)) std::abort();
    return 0;
}
