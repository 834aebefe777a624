#include "drawing/tests/test_support.h"

#include <algorithm>
#include <cstring>

#include "drawing/MemoryPainter.h"
#include "testsupport/Bitmap32.h"
#include "testsupport/Pump.h"

// GDI+ runs for the whole test program, started during static initialisation as in the program.
__attribute__((init_priority(102))) static rg_Zarno_YuanChuangRuanJian::rg______TuXingHuiZhiChuShiHua g_drawingInit;

namespace drawtest {

// ---- test window -------------------------------------------------------------------------------------

static const wchar_t kClassName[] = L"QelDrawingTestWindow";

static void RegisterTestClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    registered = true;
}

TestWindow::TestWindow(int clientWidth, int clientHeight, int x, int y) {
    RegisterTestClass();
    handle = CreateWindowExW(0, kClassName, L"drawing test", WS_POPUP | WS_VISIBLE, x, y, clientWidth, clientHeight,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(handle);
    qeltest::DispatchPending();
}

TestWindow::~TestWindow() {
    if (handle && IsWindow(handle)) DestroyWindow(handle);
    qeltest::DispatchPending();
}

void TestWindow::ResizeClient(int clientWidth, int clientHeight) {
    SetWindowPos(handle, nullptr, 0, 0, clientWidth, clientHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(handle);
    qeltest::DispatchPending();
}

Pixels ReadWindow(HWND hwnd) {
    Pixels out;
    RECT rc = {};
    GetClientRect(hwnd, &rc);
    out.width = rc.right - rc.left;
    out.height = rc.bottom - rc.top;
    if (out.width <= 0 || out.height <= 0) return out;
    HDC windowDc = GetDC(hwnd);
    out.rgb = qeltest::ReadPixels32(windowDc, 0, 0, out.width, out.height);
    ReleaseDC(hwnd, windowDc);
    if (out.rgb.empty()) out.width = out.height = 0;
    for (uint32_t& p : out.rgb) p &= 0x00FFFFFF;
    return out;
}

// ---- encoders ----------------------------------------------------------------------------------------

static void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(x & 0xFF);
    v.push_back((x >> 8) & 0xFF);
}
static void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}
static void PutBe32(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back((x >> 24) & 0xFF);
    v.push_back((x >> 16) & 0xFF);
    v.push_back((x >> 8) & 0xFF);
    v.push_back(x & 0xFF);
}

static std::vector<uint8_t> BmpFile(int width, int height, int bpp, const std::vector<Rgba>& palette,
                                    const std::vector<uint8_t>& rowsBottomUp) {
    const uint32_t paletteBytes = static_cast<uint32_t>(palette.size() * 4);
    const uint32_t offset = 14 + 40 + paletteBytes;
    std::vector<uint8_t> f;
    f.push_back('B');
    f.push_back('M');
    Put32(f, offset + static_cast<uint32_t>(rowsBottomUp.size()));
    Put32(f, 0);
    Put32(f, offset);
    Put32(f, 40);
    Put32(f, width);
    Put32(f, height);
    Put16(f, 1);
    Put16(f, bpp);
    Put32(f, 0);  // BI_RGB
    Put32(f, static_cast<uint32_t>(rowsBottomUp.size()));
    Put32(f, 2835);
    Put32(f, 2835);
    Put32(f, static_cast<uint32_t>(palette.size()));
    Put32(f, 0);
    for (const Rgba& c : palette) {
        f.push_back(c.b);
        f.push_back(c.g);
        f.push_back(c.r);
        f.push_back(0);
    }
    f.insert(f.end(), rowsBottomUp.begin(), rowsBottomUp.end());
    return f;
}

std::vector<uint8_t> MakeBmp24(int width, int height, const std::vector<Rgba>& pixels) {
    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &rows[static_cast<size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            const Rgba& c = pixels[static_cast<size_t>(y) * width + x];
            row[x * 3] = c.b;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = c.r;
        }
    }
    return BmpFile(width, height, 24, {}, rows);
}

std::vector<uint8_t> MakeIndexedBmp(int width, int height, int bpp, const std::vector<Rgba>& palette,
                                    const std::vector<uint8_t>& indices) {
    const int stride = ((width * bpp + 31) / 32) * 4;
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = &rows[static_cast<size_t>(height - 1 - y) * stride];
        for (int x = 0; x < width; ++x) {
            const uint8_t index = indices[static_cast<size_t>(y) * width + x];
            if (bpp == 8) {
                row[x] = index;
            } else {  // 1 bit, most significant bit first
                if (index) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return BmpFile(width, height, bpp, palette, rows);
}

static uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

static void PngChunk(std::vector<uint8_t>& f, const char* type, const std::vector<uint8_t>& body) {
    PutBe32(f, static_cast<uint32_t>(body.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    f.insert(f.end(), typed.begin(), typed.end());
    PutBe32(f, Crc32(typed.data(), typed.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks.
static std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(raw.size() - pos, 65535);
        const bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        Put16(z, static_cast<uint32_t>(n));
        Put16(z, static_cast<uint32_t>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBe32(z, (b << 16) | a);
    return z;
}

static std::vector<uint8_t> PngFile(int width, int height, int depth, int colourType, const std::vector<uint8_t>& raw,
                                    int dpi) {
    std::vector<uint8_t> f = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    PutBe32(ihdr, width);
    PutBe32(ihdr, height);
    ihdr.push_back(static_cast<uint8_t>(depth));
    ihdr.push_back(static_cast<uint8_t>(colourType));
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(0);
    PngChunk(f, "IHDR", ihdr);
    if (dpi > 0) {
        std::vector<uint8_t> phys;
        const uint32_t perMetre = static_cast<uint32_t>(dpi / 0.0254 + 0.5);
        PutBe32(phys, perMetre);
        PutBe32(phys, perMetre);
        phys.push_back(1);
        PngChunk(f, "pHYs", phys);
    }
    PngChunk(f, "IDAT", ZlibStored(raw));
    PngChunk(f, "IEND", {});
    return f;
}

std::vector<uint8_t> MakePngRgba8(int width, int height, const std::vector<Rgba>& pixels) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < width; ++x) {
            const Rgba& c = pixels[static_cast<size_t>(y) * width + x];
            raw.insert(raw.end(), {c.r, c.g, c.b, c.a});
        }
    }
    return PngFile(width, height, 8, 6, raw, 0);
}

std::vector<uint8_t> MakePngRgb16(int width, int height, const std::vector<uint16_t>& samples, int dpi) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int i = 0; i < width * 3; ++i) {
            const uint16_t s = samples[static_cast<size_t>(y) * width * 3 + i];
            raw.push_back(static_cast<uint8_t>(s >> 8));
            raw.push_back(static_cast<uint8_t>(s & 0xFF));
        }
    }
    return PngFile(width, height, 16, 2, raw, dpi);
}

std::vector<uint8_t> MakeTiffCmyk(int width, int height, const std::vector<uint8_t>& samples) {
    struct Tag {
        uint16_t id, type;
        uint32_t count, value;
    };
    const uint16_t kShort = 3, kLong = 4;
    const int entries = 11;
    const uint32_t ifdBytes = 2 + entries * 12 + 4;
    const uint32_t bitsOffset = 8 + ifdBytes;
    const uint32_t dataOffset = bitsOffset + 8;
    const uint32_t dataBytes = static_cast<uint32_t>(width) * height * 4;
    const Tag tags[entries] = {
        {256, kLong, 1, static_cast<uint32_t>(width)},
        {257, kLong, 1, static_cast<uint32_t>(height)},
        {258, kShort, 4, bitsOffset},
        {259, kShort, 1, 1},    // no compression
        {262, kShort, 1, 5},    // separated (CMYK)
        {273, kLong, 1, dataOffset},
        {277, kShort, 1, 4},
        {278, kLong, 1, static_cast<uint32_t>(height)},
        {279, kLong, 1, dataBytes},
        {284, kShort, 1, 1},    // chunky
        {332, kShort, 1, 1},    // ink set: CMYK
    };
    std::vector<uint8_t> f = {'I', 'I', 42, 0};
    Put32(f, 8);
    Put16(f, entries);
    for (const Tag& t : tags) {
        Put16(f, t.id);
        Put16(f, t.type);
        Put32(f, t.count);
        if (t.type == kShort && t.count == 1) {
            Put16(f, t.value);
            Put16(f, 0);
        } else {
            Put32(f, t.value);
        }
    }
    Put32(f, 0);
    for (int i = 0; i < 4; ++i) Put16(f, 8);
    f.insert(f.end(), samples.begin(), samples.end());
    return f;
}

std::vector<uint32_t> SurfacePixels(const rg_Zarno_YuanChuangRuanJian::rg_NeiCunHuaBan& painter) {
    DIBSECTION section = {};
    if (GetObjectW(painter.GetSurfaceBitmap(), sizeof(section), &section) != static_cast<int>(sizeof(section))) return {};
    GdiFlush();
    const uint32_t* bits = static_cast<const uint32_t*>(section.dsBm.bmBits);
    return std::vector<uint32_t>(bits, bits + static_cast<size_t>(section.dsBm.bmWidth) * section.dsBm.bmHeight);
}

}  // namespace drawtest
