#include "platform/whole_file.h"

#include <algorithm>

#include "platform/paths.h"

namespace corvid {

namespace {

constexpr int32_t kChunk = 1 << 20;

} // namespace

bool ReadWholeFile(Platform& p, const std::string& path, std::string& bytes) {
    bytes.clear();
    auto f = p.OpenFile(path, OpenMode::ReadShared);
    if (!f) return false;
    const int64_t size = f->Size();
    if (size < 0) return false;
    bytes.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < bytes.size()) {
        const int32_t want = static_cast<int32_t>(std::min<size_t>(kChunk, bytes.size() - done));
        const int32_t n = f->Read(&bytes[done], want);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

namespace {

bool WriteAllOf(Stream& f, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const int32_t want = static_cast<int32_t>(std::min<size_t>(kChunk, bytes.size() - done));
        if (f.Write(bytes.data() + done, want) != want) return false;
        done += static_cast<size_t>(want);
    }
    return true;
}

} // namespace

bool OverwriteWholeFile(Platform& p, const std::string& path, const std::string& bytes) {
    if (p.QueryPath(path).link) return false; // written in place, it would be written through
    auto f = p.OpenFile(path, OpenMode::ReadWrite);
    return f && f->Seek(0, 0) == 0 && WriteAllOf(*f, bytes) && f->Truncate();
}

bool ReplaceWholeFile(Platform& p, const std::string& path, const std::string& tempPath,
                      const std::string& bytes) {
    bool ok = false;
    // Usually the temporary name is free: created new, nothing is truncated, and a truncated
    // file is flushed to the disk at once when closed on some file systems.
    // Refused, something is there: an old copy goes, a link stays and is never written through
    // (the move would then put the link in the file's place).
    auto f = p.OpenFile(tempPath, OpenMode::CreateNew);
    if (!f && ClearWorkFilePlace(p, tempPath)) f = p.OpenFile(tempPath, OpenMode::CreateNew);
    if (f)
        ok = WriteAllOf(*f, bytes);
    else
        return false;
    f.reset();
    if (ok && p.MoveFileOver(tempPath, path)) return true;
    p.DeleteFile(tempPath);
    return false;
}

} // namespace corvid
