// Checks of the real platform and the view, run under Wine (or Windows) with a display:
//   win32-check.exe [LOGFILE]
// Prints one line per failed check and a summary; the exit code is the number of failures.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms/form.h"
#include "forms/picture.h"
#include "win32/draw.h"
#include "win32/platform_win32.h"

using namespace corvid;

namespace {

FILE* g_log = nullptr;
int g_failures = 0, g_checks = 0;
const char* g_group = "";

void Report(const char* fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    fputs(buf, stdout);
    fflush(stdout);
    if (g_log) {
        fputs(buf, g_log);
        fflush(g_log);
    }
}

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        ++g_checks;                                                                                \
        if (!(cond)) {                                                                             \
            ++g_failures;                                                                          \
            Report("FAIL [%s] line %d: %s\n", g_group, __LINE__, #cond);                           \
        }                                                                                          \
    } while (0)

#define CHECK_EQ(a, b)                                                                             \
    do {                                                                                           \
        ++g_checks;                                                                                \
        long long va_ = static_cast<long long>(a), vb_ = static_cast<long long>(b);                \
        if (va_ != vb_) {                                                                          \
            ++g_failures;                                                                          \
            Report("FAIL [%s] line %d: %s == %s (%lld != %lld)\n", g_group, __LINE__, #a, #b, va_, \
                   vb_);                                                                           \
        }                                                                                          \
    } while (0)

// ------------------------------------------------------------------ bitmaps made for the checks

// A w x h bitmap; pixel(x, y) gives 0x00RRGGBB for true colour or a palette index, y from the
// top. Palette entries are 0x00RRGGBB.
std::vector<uint8_t> Bmp(int w, int h, int bpp, bool topDown,
                         const std::function<uint32_t(int, int)>& pixel,
                         const std::vector<uint32_t>& palette = {}) {
    const uint32_t stride = static_cast<uint32_t>(((w * bpp + 31) / 32) * 4);
    const uint32_t colours = static_cast<uint32_t>(palette.size());
    std::vector<uint8_t> b;
    PutBmpHeaders(b, w, topDown ? -h : h, bpp, BmpInfo::kRgb, colours, colours * 4,
                  stride * static_cast<uint32_t>(h), 0);
    for (uint32_t c : palette) PutLe32(b, c);
    for (int r = 0; r < h; ++r) {
        const int y = topDown ? r : h - 1 - r;
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < w; ++x) {
            uint32_t v = pixel(x, y);
            switch (bpp) {
            case 1:
                if (v) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                break;
            case 4:
                row[x / 2] |= static_cast<uint8_t>(x % 2 ? v : v << 4);
                break;
            case 8:
                row[x] = static_cast<uint8_t>(v);
                break;
            case 24:
                row[x * 3] = static_cast<uint8_t>(v);
                row[x * 3 + 1] = static_cast<uint8_t>(v >> 8);
                row[x * 3 + 2] = static_cast<uint8_t>(v >> 16);
                break;
            case 32:
                for (int i = 0; i < 4; ++i) row[x * 4 + i] = static_cast<uint8_t>(v >> (8 * i));
                break;
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// The same picture in the old core-header form with an 8-bit palette of RGB triples.
std::vector<uint8_t> CoreBmp8(int w, int h, const std::function<uint32_t(int, int)>& index,
                              const std::vector<uint32_t>& palette) {
    const uint32_t stride = static_cast<uint32_t>((w + 3) & ~3);
    const uint32_t off = 14 + 12 + 256 * 3;
    std::vector<uint8_t> b{'B', 'M'};
    PutLe32(b, off + stride * static_cast<uint32_t>(h));
    PutLe32(b, 0);
    PutLe32(b, off);
    PutLe32(b, 12);
    PutLe16(b, static_cast<uint16_t>(w));
    PutLe16(b, static_cast<uint16_t>(h));
    PutLe16(b, 1);
    PutLe16(b, 8);
    for (int i = 0; i < 256; ++i) {
        uint32_t c = i < static_cast<int>(palette.size()) ? palette[static_cast<size_t>(i)] : 0;
        b.push_back(static_cast<uint8_t>(c));
        b.push_back(static_cast<uint8_t>(c >> 8));
        b.push_back(static_cast<uint8_t>(c >> 16));
    }
    for (int r = 0; r < h; ++r) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < w; ++x) row[x] = static_cast<uint8_t>(index(x, h - 1 - r));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

// Draws a picture 1:1 into a 32-bit surface and returns its pixels as 0x00RRGGBB, row by row.
std::vector<uint32_t> Render(const std::vector<uint8_t>& bytes, int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    std::memset(bits, 0x55, static_cast<size_t>(w) * h * 4);
    auto pic = Picture::FromBmp(bytes);
    if (pic) DrawPicture(dc, *pic, 0, 0, w, h);
    GdiFlush();
    std::vector<uint32_t> out(static_cast<const uint32_t*>(bits),
                              static_cast<const uint32_t*>(bits) + w * h);
    for (auto& p : out) p &= 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return out;
}

const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

void CheckBitmaps() {
    g_group = "bitmaps";
    // Four colours in the four quadrants of a 4 x 4 picture, in every depth and both row orders.
    auto quadrant = [](int x, int y) { return (y < 2 ? 0 : 2) + (x < 2 ? 0 : 1); };
    const uint32_t colours[4] = {kRed, kGreen, kBlue, kWhite};
    const std::vector<uint32_t> palette = {kRed, kGreen, kBlue, kWhite};
    auto expectQuadrants = [&](const std::vector<uint8_t>& bytes, const char* what) {
        Dib dib;
        bool parsed = dib.Parse(bytes);
        if (!parsed) Report("  (%s not parsed)\n", what);
        CHECK(parsed);
        auto px = Render(bytes, 4, 4);
        int wrong = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                if (px[static_cast<size_t>(y * 4 + x)] != colours[quadrant(x, y)]) ++wrong;
        if (wrong) Report("  (%s: %d wrong pixels)\n", what, wrong);
        CHECK_EQ(wrong, 0);
    };
    for (bool topDown : {false, true}) {
        expectQuadrants(
            Bmp(4, 4, 24, topDown, [&](int x, int y) { return colours[quadrant(x, y)]; }),
            topDown ? "24 top-down" : "24 bottom-up");
        expectQuadrants(
            Bmp(4, 4, 32, topDown, [&](int x, int y) { return colours[quadrant(x, y)]; }),
            topDown ? "32 top-down" : "32 bottom-up");
        expectQuadrants(
            Bmp(
                4, 4, 8, topDown, [&](int x, int y) { return quadrant(x, y); }, palette),
            topDown ? "8 top-down" : "8 bottom-up");
        expectQuadrants(
            Bmp(
                4, 4, 4, topDown, [&](int x, int y) { return quadrant(x, y); }, palette),
            topDown ? "4 top-down" : "4 bottom-up");
    }
    expectQuadrants(CoreBmp8(4, 4, quadrant, palette), "core header");

    // Run-length encoded 8-bit rows (bottom row first): two runs of two pixels per row.
    {
        std::vector<uint8_t> rle;
        for (int y = 3; y >= 0; --y) {
            const uint8_t left = static_cast<uint8_t>(quadrant(0, y));
            const uint8_t right = static_cast<uint8_t>(quadrant(3, y));
            for (uint8_t v : {uint8_t{2}, left, uint8_t{2}, right, uint8_t{0}, uint8_t{0}})
                rle.push_back(v);
        }
        rle.push_back(0);
        rle.push_back(1); // end of bitmap
        auto b = Bmp(
            4, 4, 8, false, [](int, int) { return 0u; }, palette);
        b.resize(14 + 40 + palette.size() * 4);
        b[30] = 1; // BI_RLE8
        const uint32_t n = static_cast<uint32_t>(rle.size());
        for (int i = 0; i < 4; ++i) b[34 + i] = static_cast<uint8_t>(n >> (8 * i));
        b.insert(b.end(), rle.begin(), rle.end());
        expectQuadrants(b, "RLE8");
    }
    // 16 bits per pixel with 5-6-5 masks.
    {
        std::vector<uint8_t> b;
        const uint32_t stride = 8;
        PutBmpHeaders(b, 4, 4, 16, BmpInfo::kBitFields, 0, 12, stride * 4, 0);
        PutLe32(b, 0xF800);
        PutLe32(b, 0x07E0);
        PutLe32(b, 0x001F);
        const uint16_t c565[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
        for (int y = 3; y >= 0; --y)
            for (int x = 0; x < 4; ++x) PutLe16(b, c565[quadrant(x, y)]);
        Dib dib;
        CHECK(dib.Parse(b));
        auto px = Render(b, 4, 4);
        CHECK_EQ(px[0] & 0xF80000, 0xF80000);
        CHECK_EQ(px[0] & 0x00FCFC, 0);
        CHECK_EQ(px[15] & 0xF8FCF8, 0xF8FCF8);
    }

    // One bit per pixel: the left half set.
    auto mono = Bmp(4, 4, 1, false, [](int x, int) { return x < 2 ? 1u : 0u; }, {0x000000, kWhite});
    auto px = Render(mono, 4, 4);
    CHECK_EQ(px[0], kWhite);
    CHECK_EQ(px[3], 0);
    CHECK_EQ(px[15], 0);

    // Stretching a 1 x 2 picture fills the target.
    auto tall = Bmp(1, 2, 24, false, [](int, int y) { return y == 0 ? kRed : kBlue; });
    px = Render(tall, 4, 4);
    CHECK_EQ(px[0], kRed);
    CHECK_EQ(px[15], kBlue);

    // Damaged or unknown files are refused rather than read beyond their end.
    Dib dib;
    auto good = Bmp(8, 8, 24, false, [](int, int) { return kRed; });
    CHECK(dib.Parse(good));
    auto truncated = good;
    truncated.resize(truncated.size() - 10);
    CHECK(!dib.Parse(truncated));
    auto jpeg = good;
    jpeg[30] = 4; // BI_JPEG
    CHECK(!dib.Parse(jpeg));
    auto depth = good;
    depth[28] = 7;
    CHECK(!dib.Parse(depth));
    auto palette8 = Bmp(
        2, 2, 8, false, [](int, int) { return 0u; }, palette);
    palette8.resize(14 + 40 + 8); // the palette is cut off
    CHECK(!dib.Parse(palette8));
    auto offset = good;
    offset[10] = 0xFF;
    offset[11] = 0xFF; // pixel data beyond the end
    CHECK(!dib.Parse(offset));
    std::vector<uint8_t> empty;
    CHECK(!dib.Parse(empty));
    // The built-in gradient is drawable, blue at the top and black at the bottom.
    auto g = GradientPicture();
    CHECK(g && dib.Parse(g->bytes));
    px = Render(g->bytes, 1, 768);
    CHECK_EQ(px[0], kBlue);
    CHECK_EQ(px[767], 0);
}

// ------------------------------------------------------------------ files, profiles, registry

std::string TempDir() {
    char buf[MAX_PATH];
    GetTempPathA(MAX_PATH, buf);
    std::string d = std::string(buf) + "corvid-check";
    CreateDirectoryA(d.c_str(), nullptr);
    return d;
}

void CheckFiles(Win32Platform& p) {
    g_group = "files";
    const std::string dir = TempDir(), file = dir + "\\a.bin", copy = dir + "\\b.bin";
    p.DeleteFile(file);
    p.DeleteFile(copy);
    CHECK(p.DirectoryExists(dir));
    CHECK(!p.FileExists(dir));
    CHECK(!p.CreateDir(dir)); // exists already
    CHECK(!p.FileExists(file));
    CHECK(p.OpenFile(file, OpenMode::ReadShared) == nullptr);
    {
        auto s = p.OpenFile(file, OpenMode::Create);
        CHECK(s != nullptr);
        if (s) {
            CHECK_EQ(s->Write("hello world", 11), 11);
            CHECK_EQ(s->Size(), 11);
            CHECK_EQ(s->Seek(6, 0), 6);
            char buf[16] = {};
            CHECK_EQ(s->Read(buf, 16), 5);
            CHECK(std::strcmp(buf, "world") == 0);
            CHECK_EQ(s->Seek(-5, 2), 6);
            CHECK_EQ(s->Seek(2, 1), 8);
            // Positions beyond 4 GB keep their high part.
            const int64_t beyond = (int64_t{5} << 30) + 3;
            CHECK_EQ(s->Seek(beyond, 0), beyond);
            CHECK_EQ(s->Size(), 11);
            // 3 February 2001, 04:05:06 local time
            const uint32_t dos = ((21u << 9 | 2u << 5 | 3u) << 16) | (4u << 11 | 5u << 5 | 3u);
            CHECK(s->SetDosDateTime(dos));
        }
    }
    {
        HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               0, nullptr);
        FILETIME utc, local;
        WORD date = 0, time = 0;
        CHECK(GetFileTime(h, nullptr, nullptr, &utc));
        FileTimeToLocalFileTime(&utc, &local);
        FileTimeToDosDateTime(&local, &date, &time);
        CloseHandle(h);
        CHECK_EQ(date, 21u << 9 | 2u << 5 | 3u);
        CHECK_EQ(time, 4u << 11 | 5u << 5 | 3u);
    }
    // An exclusive create refuses a name that is taken, whatever its case, and leaves the file.
    auto sizeOf = [&p](const std::string& path) -> int64_t {
        auto r = p.OpenFile(path, OpenMode::ReadShared);
        return r ? r->Size() : -1;
    };
    CHECK(p.OpenFile(file, OpenMode::CreateNew) == nullptr);
    CHECK(p.OpenFile(dir + "\\A.BIN", OpenMode::CreateNew) == nullptr);
    CHECK(p.OpenFile(dir, OpenMode::CreateNew) == nullptr);
    CHECK_EQ(sizeOf(file), 11);
    {
        const std::string fresh = dir + "\\new.bin";
        p.DeleteFile(fresh);
        auto s = p.OpenFile(fresh, OpenMode::CreateNew);
        CHECK(s != nullptr);
        if (s) CHECK_EQ(s->Write("abc", 3), 3);
        s.reset();
        CHECK_EQ(sizeOf(fresh), 3);
        CHECK(p.DeleteFile(fresh));
    }
    // Sharing: readers share with readers; an exclusive reader shares with nobody.
    {
        auto r1 = p.OpenFile(file, OpenMode::ReadShared);
        auto r2 = p.OpenFile(file, OpenMode::ReadShared);
        CHECK(r1 && r2);
        CHECK(p.OpenFile(file, OpenMode::ReadWrite) == nullptr);
        CHECK(p.OpenFile(file, OpenMode::ReadExclusive) == nullptr);
    }
    {
        auto ex = p.OpenFile(file, OpenMode::ReadExclusive);
        CHECK(ex != nullptr);
        CHECK(p.OpenFile(file, OpenMode::ReadShared) == nullptr);
    }
    {
        auto rw = p.OpenFile(file, OpenMode::ReadWrite);
        CHECK(rw != nullptr);
        if (rw) {
            CHECK_EQ(rw->Size(), 11); // opened, not truncated
            CHECK_EQ(rw->Seek(0, 2), 11);
            CHECK_EQ(rw->Write("!", 1), 1);
        }
    }
    CHECK(p.CopyFile(file, copy));
    CHECK(p.CopyFile(file, copy)); // overwrites
    {
        auto s = p.OpenFile(copy, OpenMode::ReadShared);
        CHECK(s && s->Size() == 12);
    }
    CHECK(p.SetFileAttributes(copy, FILE_ATTRIBUTE_READONLY));
    CHECK((GetFileAttributesA(copy.c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
    CHECK(p.SetFileAttributes(copy, FILE_ATTRIBUTE_NORMAL));
    CHECK(p.DeleteFile(copy));
    CHECK(!p.DeleteFile(copy));
    CHECK(p.DeleteFile(file));

    g_group = "system";
    CHECK(p.DiskFree('C') > 0);
    CHECK_EQ(p.DiskFree('Q'), -1); // no such drive
    std::string windows = p.WindowsDirectory();
    CHECK(!windows.empty() && windows.back() != '\\' && p.DirectoryExists(windows));
    std::string module = p.ModulePath();
    CHECK(module.size() > 4 && lstrcmpiA(module.c_str() + module.size() - 4, ".exe") == 0);
    CHECK(p.FileExists(module));
    char drive = p.CurrentDrive();
    CHECK(drive >= 'A' && drive <= 'Z');
    CHECK(p.ScreenWidth() > 0 && p.ScreenHeight() > 0);
    uint32_t t0 = p.TickCount();
    p.Yield();
    CHECK(p.TickCount() - t0 < 60000u);
}

void CheckProfiles(Win32Platform& p) {
    g_group = "profiles";
    const std::string ini = TempDir() + "\\check.ini";
    p.DeleteFile(ini);
    CHECK_EQ(p.ProfileString(ini, "s", "k", "def") == "def", true);
    CHECK(p.WriteProfileString(ini, "Section", "Key", "value 1"));
    CHECK(p.ProfileString(ini, "section", "KEY", "") == "value 1");
    CHECK(p.ProfileString(ini, "section", "other", "dflt") == "dflt");
    // Values longer than the buffer are cut to 1023 characters.
    CHECK(p.WriteProfileString(ini, "Section", "Long", std::string(1500, 'x')));
    CHECK_EQ(p.ProfileString(ini, "Section", "Long", "").size(), 1023);
    p.DeleteFile(ini);
    RemoveDirectoryA(TempDir().c_str());
}

void CheckRegistry(Win32Platform& p) {
    g_group = "registry";
    const std::string key = "\\Software\\CorvidCheck\\Sub";
    std::string v = "unchanged";
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\CorvidCheck\\Sub");
    CHECK(!p.RegReadString(RegRoot::CurrentUser, key, "name", v));
    CHECK(v == "unchanged");
    CHECK(p.RegWriteString(RegRoot::CurrentUser, key, "name", "C:\\Program Files\\x y"));
    CHECK(p.RegReadString(RegRoot::CurrentUser, key, "name", v));
    CHECK(v == "C:\\Program Files\\x y");
    CHECK(p.RegReadString(RegRoot::CurrentUser, "Software\\CorvidCheck\\Sub", "name", v));
    CHECK(p.RegWriteString(RegRoot::CurrentUser, key, "", "default value"));
    CHECK(p.RegReadString(RegRoot::CurrentUser, key, "", v) && v == "default value");
    CHECK(!p.RegReadString(RegRoot::CurrentUser, key, "missing", v));
    // A number stored by another tool reads as its decimal text.
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\CorvidCheck\\Sub", 0, KEY_WRITE, &h) ==
        ERROR_SUCCESS) {
        DWORD five = 5;
        RegSetValueExA(h, "version", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4);
        RegCloseKey(h);
    }
    CHECK(p.RegReadString(RegRoot::CurrentUser, key, "version", v) && v == "5");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\CorvidCheck\\Sub");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\CorvidCheck");
}

void CheckProcesses(Win32Platform& p) {
    g_group = "processes";
    // The program manager's conversation: a group made and removed again.
    CHECK(p.DdeExecute("Progman", "Progman", "[CreateGroup(Corvid Check)]"));
    CHECK(p.DdeExecute("Progman", "Progman", "[DeleteGroup(Corvid Check)]"));
    CHECK(!p.DdeExecute("CorvidNoSuchService", "Topic", "[Nothing()]"));
    // Starting a program: codes above 31 mean it started.
    CHECK(p.WinExec("cmd.exe /c exit", SW_HIDE) > 31);
    CHECK(p.WinExec("C:\\no\\such\\program.exe", SW_SHOWNORMAL_) <= 31);
}

// ------------------------------------------------------------------ the view

std::string NameOf(HWND h) {
    ATOM atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(h, "CorvidName")));
    char buf[256] = {};
    if (atom) GlobalGetAtomNameA(atom, buf, sizeof buf);
    return buf;
}

struct Find {
    std::string name;
    HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<Find*>(lp);
    if (NameOf(h) == f->name) {
        f->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND ChildNamed(HWND form, const std::string& name) {
    Find f{name};
    EnumChildWindows(form, FindChild, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

std::string TextOf(HWND h) {
    char buf[512] = {};
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

int IntProp(HWND h, const char* name) {
    return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(h, name)));
}

// Pixel of a window's client area as 0x00RRGGBB, after it painted.
uint32_t PixelAt(HWND h, int x, int y) {
    UpdateWindow(h);
    HDC dc = GetDC(h);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(h, dc);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

uint32_t Rgb(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

void Key(HWND target, int vk, bool alt = false) {
    PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<WPARAM>(vk),
                 1 | (alt ? (1 << 29) : 0));
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, static_cast<WPARAM>(vk),
                 1 | (1u << 30) | (1u << 31) | (alt ? (1 << 29) : 0));
}

// Runs the platform's pump a few times so posted messages arrive.
void Pump(Win32Platform& p) {
    for (int i = 0; i < 5; ++i) {
        p.ProcessMessages();
        Sleep(10);
    }
}

std::function<void()> g_timerAction;
void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto action = g_timerAction;
    g_timerAction = nullptr;
    if (action) action();
}
void After(int ms, std::function<void()> action) {
    g_timerAction = std::move(action);
    SetTimer(nullptr, 0, static_cast<UINT>(ms), TimerProc);
}

void CheckView(Win32Platform& p) {
    g_group = "forms";
    Form f("Tcheck");
    f.caption = "Check form";
    f.clientWidth = 300;
    f.clientHeight = 200;
    f.position_centered = true;
    f.color = 0x00FF00; // green
    Control& pic = f.Add("Pic", ControlKind::Picture, 0, 0, 0, 0);
    pic.alignClient = true;
    pic.pictureMode = PictureMode::Stretch;
    pic.picture = Picture::FromBmp(Bmp(2, 2, 24, false, [](int, int) { return kRed; }));
    Control& label = f.Add("Lbl", ControlKind::Label, 10, 10, 120, 30);
    label.transparent = true;
    label.text = "&Label";
    label.font.color = colors::Black;
    Control& opaque = f.Add("Opaque", ControlKind::Label, 140, 10, 60, 30);
    opaque.color = colors::White;
    opaque.text = "";
    auto quad = Picture::FromBmp(Bmp(2, 2, 24, true, [](int x, int y) {
        return y == 0 ? (x == 0 ? kRed : kGreen) : (x == 0 ? kBlue : kWhite);
    }));
    Control& tiles = f.Add("Tiles", ControlKind::Picture, 10, 60, 8, 8);
    tiles.pictureMode = PictureMode::Tile;
    tiles.picture = quad;
    Control& centered = f.Add("Centered", ControlKind::Picture, 30, 60, 8, 8);
    centered.pictureMode = PictureMode::Center;
    centered.picture = quad;
    Control& gauge = f.Add("Gauge", ControlKind::Gauge, 10, 150, 200, 20);
    gauge.position = 50;
    Control& panel = f.Add("Panel", ControlKind::Panel, 150, 50, 140, 90);
    panel.color = 0x0000FF; // red panel
    Control& edit = f.Add("Edit", ControlKind::Edit, 4, 4, 100, 20, &panel);
    edit.text = "abc";
    edit.tabOrder = 2;
    Control& check = f.Add("Check", ControlKind::CheckBox, 4, 28, 100, 17, &panel);
    check.text = "Check";
    check.tabOrder = 1;
    Control& r1 = f.Add("R1", ControlKind::RadioButton, 4, 48, 60, 17, &panel);
    r1.checked = true;
    r1.tabOrder = 3;
    Control& r2 = f.Add("R2", ControlKind::RadioButton, 70, 48, 60, 17, &panel);
    r2.tabOrder = 4;
    Control& ok = f.Add("Ok", ControlKind::Button, 10, 100, 60, 22);
    ok.text = "&OK";
    ok.isDefault = true;
    ok.tabOrder = 0;
    Control& cancel = f.Add("Cancel", ControlKind::Button, 80, 100, 60, 22);
    cancel.text = "Cancel";
    cancel.isCancel = true;
    cancel.tabOrder = 5;
    Control& bar = f.Add("Bar", ControlKind::ProgressBar, 220, 150, 70, 16);
    bar.position = 30;
    Control& list = f.Add("List", ControlKind::ListBox, 220, 170, 70, 28);
    list.items = {"a", "b"};
    list.tabOrder = 6;
    panel.tabOrder = 1;
    f.initialFocus = "Ok";

    int clicksOk = 0, clicksCancel = 0, clicksCheck = 0, clicksR2 = 0, activations = 0;
    std::vector<int> keys;
    ok.onClick = [&] { ++clicksOk; };
    cancel.onClick = [&] { ++clicksCancel; };
    check.onClick = [&] { ++clicksCheck; };
    r2.onClick = [&] { ++clicksR2; };
    f.onActivate = [&] { ++activations; };
    int tilesDrawn = 0;
    auto tile = Picture::FromBmp(Bmp(4, 4, 24, false, [](int, int) { return kBlue; }));
    // Only while the picture is hidden does the form's own painting show.
    f.onPaint = [&](Canvas& c) {
        for (int i = 0; i < 3; ++i) c.DrawPicture(*tile, 200 + 4 * i, 180);
        tilesDrawn += 3;
    };

    p.AttachForm(f);
    HWND fw = nullptr;
    for (HWND h = FindWindowA("CorvidForm", nullptr); h;
         h = FindWindowExA(nullptr, h, "CorvidForm", nullptr))
        if (NameOf(h) == "Tcheck") fw = h;
    CHECK(fw != nullptr);
    if (!fw) return;
    CHECK(!IsWindowVisible(fw));
    CHECK(TextOf(fw) == "Check form");
    for (const char* n : {"Pic", "Lbl", "Gauge", "Panel", "Edit", "Check", "R1", "R2", "Ok",
                          "Cancel", "Bar", "List"})
        CHECK(ChildNamed(fw, n) != nullptr);
    HWND hLbl = ChildNamed(fw, "Lbl"), hGauge = ChildNamed(fw, "Gauge"),
         hEdit = ChildNamed(fw, "Edit"), hCheck = ChildNamed(fw, "Check"),
         hR1 = ChildNamed(fw, "R1"), hR2 = ChildNamed(fw, "R2"), hOk = ChildNamed(fw, "Ok"),
         hCancel = ChildNamed(fw, "Cancel"), hBar = ChildNamed(fw, "Bar"),
         hPic = ChildNamed(fw, "Pic"), hPanel = ChildNamed(fw, "Panel");
    CHECK(GetParent(hEdit) == hPanel);
    CHECK(TextOf(hLbl) == "&Label");
    CHECK(TextOf(hGauge) == "50");
    CHECK(TextOf(hBar) == "30");
    CHECK_EQ(SendMessageA(hBar, PBM_GETPOS, 0, 0), 30);
    CHECK_EQ(IntProp(hPic, "CorvidPicW"), 2);
    CHECK_EQ(IntProp(hPic, "CorvidPicMode"), 2);
    CHECK_EQ(SendMessageA(hR1, BM_GETCHECK, 0, 0), BST_CHECKED);
    CHECK_EQ(SendMessageA(ChildNamed(fw, "List"), LB_GETCOUNT, 0, 0), 2);

    f.Show();
    Pump(p);
    CHECK(IsWindowVisible(fw));
    RECT rc;
    GetClientRect(fw, &rc);
    CHECK_EQ(rc.right, 300);
    CHECK_EQ(rc.bottom, 200);
    RECT wr;
    GetWindowRect(fw, &wr);
    CHECK(std::abs((wr.left + wr.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2) <= 1);
    CHECK(std::abs((wr.top + wr.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2) <= 1);
    CHECK(GetFocus() == hOk); // the initial focus
    // The forms belong to the application's window, the one task bar entry "Setup".
    HWND app = GetWindow(fw, GW_OWNER);
    char appClass[64] = {};
    GetClassNameA(app, appClass, sizeof appClass);
    CHECK(std::strcmp(appClass, "CorvidApp") == 0);
    CHECK(TextOf(app) == "Setup");
    CHECK(IsWindowVisible(app));
    CHECK(activations >= 1);

    g_group = "painting";
    // The transparent label shows the picture beneath it; the opaque one its own colour; the
    // picture aligned to the client area covers the form's colour everywhere.
    CHECK_EQ(PixelAt(hLbl, 115, 25), kRed);
    CHECK_EQ(PixelAt(ChildNamed(fw, "Opaque"), 30, 15), kWhite);
    CHECK_EQ(PixelAt(fw, 290, 5), kRed);
    // Tiles repeat the picture; a centred picture leaves what lies beneath around it.
    HWND hTiles = ChildNamed(fw, "Tiles"), hCentered = ChildNamed(fw, "Centered");
    CHECK_EQ(IntProp(hTiles, "CorvidPicMode"), 4);
    CHECK_EQ(PixelAt(hTiles, 0, 0), kRed);
    CHECK_EQ(PixelAt(hTiles, 6, 0), kRed);
    CHECK_EQ(PixelAt(hTiles, 7, 7), kWhite);
    CHECK_EQ(PixelAt(hTiles, 5, 4), kGreen);
    CHECK_EQ(PixelAt(hCentered, 3, 3), kRed);
    CHECK_EQ(PixelAt(hCentered, 4, 4), kWhite);
    CHECK_EQ(PixelAt(hCentered, 0, 7), kRed); // the aligned picture beneath
    CHECK_EQ(PixelAt(hCentered, 3, 4), kBlue);
    // Gauge at 50: the left part in the active caption colour, the right part white.
    CHECK_EQ(PixelAt(hGauge, 5, 3), Rgb(GetSysColor(COLOR_ACTIVECAPTION)));
    CHECK_EQ(PixelAt(hGauge, 195, 3), kWhite);
    gauge.SetPosition(150); // clamped
    CHECK(TextOf(hGauge) == "100");
    CHECK_EQ(PixelAt(hGauge, 195, 3), Rgb(GetSysColor(COLOR_ACTIVECAPTION)));
    // Panel background.
    CHECK_EQ(PixelAt(hPanel, 135, 85), 0xFF0000);
    // Without the picture the form colour and its own painting show, also through the label.
    pic.SetVisible(false);
    CHECK(!IsWindowVisible(hPic));
    CHECK_EQ(PixelAt(hLbl, 115, 25), 0x00FF00);
    CHECK_EQ(PixelAt(fw, 205, 182), kBlue);
    CHECK(tilesDrawn > 0);
    CHECK_EQ(IntProp(fw, "CorvidTiles"), 3);
    label.SetText("Changed");
    CHECK(TextOf(hLbl) == "Changed");
    label.SetBounds(20, 20, 100, 20);
    GetWindowRect(hLbl, &wr);
    MapWindowPoints(nullptr, fw, reinterpret_cast<POINT*>(&wr), 2);
    CHECK(wr.left == 20 && wr.top == 20 && wr.right == 120 && wr.bottom == 40);
    pic.SetVisible(true);

    g_group = "controls";
    // Clicks through the windows reach the model.
    SendMessageA(hCheck, BM_CLICK, 0, 0);
    CHECK(check.checked);
    CHECK_EQ(clicksCheck, 1);
    CHECK_EQ(SendMessageA(hCheck, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageA(hR2, BM_CLICK, 0, 0);
    CHECK(r2.checked && !r1.checked);
    CHECK_EQ(clicksR2, 1);
    CHECK_EQ(SendMessageA(hR1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    CHECK_EQ(SendMessageA(hR2, BM_GETCHECK, 0, 0), BST_CHECKED);
    // Setting from the program shows.
    r1.SetChecked(true);
    CHECK_EQ(SendMessageA(hR1, BM_GETCHECK, 0, 0), BST_CHECKED);
    CHECK_EQ(SendMessageA(hR2, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SetWindowTextA(hEdit, "typed");
    CHECK(edit.text == "typed");
    edit.SetText("from program");
    CHECK(TextOf(hEdit) == "from program");
    ok.SetEnabled(false);
    CHECK(!IsWindowEnabled(hOk));
    SendMessageA(hOk, BM_CLICK, 0, 0);
    CHECK_EQ(clicksOk, 0);
    ok.SetEnabled(true);
    cancel.SetVisible(false);
    CHECK(!IsWindowVisible(hCancel));
    cancel.SetVisible(true);
    list.items = {"x", "y", "z"};
    list.SetText("refresh");
    CHECK_EQ(SendMessageA(ChildNamed(fw, "List"), LB_GETCOUNT, 0, 0), 3);
    // Controls added after the form got its window get theirs too.
    Control& late = f.Add("Late", ControlKind::Label, 0, 180, 50, 13);
    late.SetText("late");
    CHECK(ChildNamed(fw, "Late") != nullptr);

    g_group = "keys";
    SetFocus(hEdit);
    Key(hEdit, VK_RETURN);
    Pump(p);
    CHECK_EQ(clicksOk, 1); // the default button
    SetFocus(hCancel);
    Key(hCancel, VK_RETURN);
    Pump(p);
    CHECK_EQ(clicksCancel, 1); // the focused button
    SetFocus(hEdit);
    Key(hEdit, VK_ESCAPE);
    Pump(p);
    CHECK_EQ(clicksCancel, 2); // the cancel button
    // A handler that takes the key keeps it from the buttons.
    edit.onKeyDown = [&](int& k) {
        keys.push_back(k);
        if (k == VK_ESCAPE) k = 0;
    };
    Key(hEdit, VK_ESCAPE);
    Key(hEdit, VK_F3);
    Pump(p);
    CHECK_EQ(clicksCancel, 2);
    CHECK(keys.size() == 2 && keys[0] == VK_ESCAPE && keys[1] == VK_F3);
    // Alt+F4 reaches the handler as F4 and closes nothing.
    Key(hEdit, VK_F4, true);
    Pump(p);
    CHECK(keys.size() == 3 && keys[2] == VK_F4);
    CHECK(IsWindowVisible(fw));
    SendMessageA(fw, WM_CLOSE, 0, 0);
    CHECK(IsWindowVisible(fw));
    // Tab order: Ok(0), then the panel(1) with Check(1), Edit(2) and the checked radio button
    // R1(3), then Cancel(5) and List(6); Shift+Tab goes back.
    SetFocus(hOk);
    std::string order;
    for (int i = 0; i < 6; ++i) {
        Key(GetFocus(), VK_TAB);
        Pump(p);
        order += NameOf(GetFocus()) + " ";
    }
    CHECK(order == "Check Edit R1 Cancel List Ok ");
    if (order != "Check Edit R1 Cancel List Ok ") Report("  (tab order: %s)\n", order.c_str());
    SHORT shiftWas = GetKeyState(VK_SHIFT);
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = 0x80;
    SetKeyboardState(state);
    Key(GetFocus(), VK_TAB);
    Pump(p);
    CHECK(NameOf(GetFocus()) == "List");
    state[VK_SHIFT] = static_cast<BYTE>(shiftWas < 0 ? 0x80 : 0);
    SetKeyboardState(state);
    // Arrows move the choice between the radio buttons of one parent.
    SetFocus(hR1);
    Key(hR1, VK_DOWN);
    Pump(p);
    CHECK(GetFocus() == hR2);
    CHECK(r2.checked && !r1.checked);
    CHECK_EQ(SendMessageA(hR1, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    Key(hR2, VK_DOWN); // wraps round
    Pump(p);
    CHECK(GetFocus() == hR1 && r1.checked && !r2.checked);
    // Mnemonic: Alt+O presses "&OK".
    SetFocus(hEdit);
    Key(hEdit, 'O', true);
    Pump(p);
    CHECK_EQ(clicksOk, 2);
    // The form's own handler when no control has the focus.
    int formKeys = 0;
    f.onKeyDown = [&](int& k) {
        if (k == VK_F4) ++formKeys;
    };
    SetFocus(fw);
    Key(fw, VK_F4);
    Pump(p);
    CHECK_EQ(formKeys, 1);

    g_group = "modal";
    Form d("Tdialog");
    d.caption = "Dialog";
    d.clientWidth = 200;
    d.clientHeight = 80;
    d.position_centered = true;
    Control& yes = d.Add("Yes", ControlKind::Button, 10, 40, 60, 22);
    yes.isDefault = true;
    yes.onClick = [&] { d.CloseModal(6); };
    p.AttachForm(d);
    HWND dw = nullptr;
    for (HWND h = FindWindowA("CorvidForm", nullptr); h;
         h = FindWindowExA(nullptr, h, "CorvidForm", nullptr))
        if (NameOf(h) == "Tdialog") dw = h;
    bool disabledMeanwhile = false, visibleMeanwhile = false;
    After(100, [&] {
        disabledMeanwhile = !IsWindowEnabled(fw);
        visibleMeanwhile = IsWindowVisible(dw) != FALSE;
        Key(ChildNamed(dw, "Yes"), VK_RETURN);
    });
    int result = p.ShowModal(d);
    CHECK_EQ(result, 6);
    CHECK(disabledMeanwhile);
    CHECK(visibleMeanwhile);
    CHECK(IsWindowEnabled(fw));
    CHECK(!IsWindowVisible(dw));
    CHECK(!d.visible);
    // A dialog the user moved opens where it was left, also after other changes.
    d.Show();
    SetWindowPos(dw, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    d.SetCaption("Moved");
    d.Hide();
    d.Show();
    GetWindowRect(dw, &wr);
    CHECK(wr.left == 10 && wr.top == 20);
    d.Hide();

    g_group = "errors";
    // A failing handler ends with the general error box; the program goes on.
    ok.onClick = [] { throw RuntimeError("Dateizugriff verweigert"); };
    std::string boxText, boxCaption;
    After(300, [&] {
        HWND box = FindWindowA("#32770", nullptr);
        if (!box) return;
        boxCaption = TextOf(box);
        boxText = TextOf(GetDlgItem(box, 0xFFFF));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    SendMessageA(hOk, BM_CLICK, 0, 0);
    CHECK(boxCaption == "Setup");
    CHECK(boxText == "Dateizugriff verweigert.");

    g_group = "terminate";
    After(100, [&] { p.Terminate(); });
    result = p.ShowModal(d);
    CHECK_EQ(result, 0);
    CHECK(p.Terminated());
    CHECK(p.ProcessMessages());
    f.Hide();
}

} // namespace

int main(int argc, char** argv) {
    g_log = argc > 1 ? fopen(argv[1], "w") : nullptr;
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    Win32Platform platform(GetModuleHandleA(nullptr));
    CheckBitmaps();
    CheckFiles(platform);
    CheckProfiles(platform);
    CheckRegistry(platform);
    CheckProcesses(platform);
    CheckView(platform);
    Report("%d checks, %d failed\n", g_checks, g_failures);
    if (g_log) fclose(g_log);
    return g_failures;
}
