// libFuzzer target: archive expansion the way the setup uses it. The first bytes choose a file
// list (one name, several, none), what OnCheckFile answers (a target, "" to skip, "*" to stop),
// whether creating a target fails and whether writes come up short; the rest is the archive.
// Whatever happens: the list handed back names only members that were asked for and written, a
// failed create is an error when errors are asked for, and a short write is never a success.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "archive/compress.h"
#include "archive/encode.h"
#include "platform/host_platform.h"
#include "setupinf/profile.h"

using namespace corvid;

namespace {

class ShortSink : public Stream {
public:
    ShortSink(int32_t shortAfter, bool& cut) : left_(shortAfter), cut_(cut) {}
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t count) override {
        if (left_ < 0) return count;
        const int32_t n = count < left_ ? count : left_;
        left_ -= n;
        if (n < count) cut_ = true;
        return n;
    }
    int64_t Seek(int64_t, int) override { return 0; }
    int64_t Size() override { return 0; }
    bool SetDosDateTime(uint32_t) override { return true; }

private:
    int32_t left_;
    bool& cut_;
};

class ControlledPlatform : public HostPlatform {
public:
    std::unique_ptr<Stream> OpenFile(const std::string& path, OpenMode) override {
        if (failCreate && FoldCase(path).find("x") != std::string::npos) return nullptr;
        created.insert(path);
        return std::make_unique<ShortSink>(shortAfter, cut);
    }
    bool FileExists(const std::string&) override { return false; }
    bool DirectoryExists(const std::string&) override { return true; }
    bool CreateDir(const std::string&) override { return true; }
    bool DeleteFile(const std::string&) override { return true; }
    bool SetFileAttributes(const std::string&, uint32_t) override { return true; }
    int64_t DiskFree(char) override { return int64_t{1} << 40; }
    bool failCreate = false, cut = false;
    int32_t shortAfter = -1;
    std::set<std::string> created;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint8_t listMode = data[0] % 4, checkMode = data[1] % 4, flags = data[2];
    const int32_t shortAfter = data[3] < 128 ? -1 : (data[3] - 128) * 64;
    data += 4;
    size -= 4;
    // An archive of the input's own members half the time, so that expansion gets far.
    std::string archive(reinterpret_cast<const char*>(data), size);
    if (flags & 0x80) {
        BufferStream out;
        ArchiveWriter w(out, "LZH");
        const size_t third = size / 3;
        w.Add("a.txt", 0, 0x20, kLzh, archive.substr(0, third));
        w.Add("x.dat", 0, 0x20, kStored, archive.substr(third, third));
        w.Add("b.txt", 0, 0x20, kRle, archive.substr(2 * third));
        w.Finish();
        archive = out.bytes;
    }
    ControlledPlatform p;
    p.failCreate = flags & 1;
    p.shortAfter = shortAfter;
    TCompress c(p);
    c.ExceptionOnFileError = (flags & 2) != 0;
    c.MakeDirectories = (flags & 4) != 0;
    c.SetTargetPath("C:\\Tools");
    int calls = 0;
    c.OnCheckFile = [&](std::string& path, TCProcessMode) {
        ++calls;
        if (checkMode == 1) path = "";
        if (checkMode == 2 && calls == 2) path = "*";
        if (checkMode == 3) path = "C:\\Tools\\renamed" + std::to_string(calls) + ".x";
    };
    std::vector<std::string> asked;
    if (listMode == 1) asked = {"a.txt"};
    if (listMode == 2) asked = {"A.TXT", "x.dat", "missing.bin"};
    std::vector<std::string> list = asked;
    BufferStream src(archive);
    bool failed = false;
    try {
        c.ExpandStream(src, listMode == 0 ? nullptr : &list);
    } catch (const corvid::Exception&) {
        failed = true;
    } catch (const RuntimeError&) {
        failed = true;
    }
    if (failed) return 0;
    if (p.cut) std::abort(); // a short write reported as success
    if (listMode != 0) {
        for (const std::string& w : list) {
            if (!p.created.count(w)) std::abort(); // handed back but never written
            if (checkMode == 1) std::abort();      // every member was skipped
        }
        if (list.size() > asked.size()) std::abort();
    }
    return 0;
}
