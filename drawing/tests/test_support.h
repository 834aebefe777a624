// Helpers of the drawing tests: test windows, pixel read-back and small encoders
// that make test pictures at run time.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/MemoryPainter.h"

namespace drawtest {

// A visible top-level popup window of a plain class with a white background, at (x, y) with the given
// client size. Destroyed by the destructor.
class TestWindow {
public:
    TestWindow(int clientWidth, int clientHeight, int x = 20, int y = 20);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND hwnd() const { return handle; }
    // Resizes the client area.
    void ResizeClient(int clientWidth, int clientHeight);

private:
    HWND handle = nullptr;
};

// The window's client area as it is on screen now, 32-bit 0x00RRGGBB per pixel, top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
    uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
};
Pixels ReadWindow(HWND hwnd);

// Every pixel of a painter's surface (32-bit values, in storage order); empty without a surface.
std::vector<uint32_t> SurfacePixels(const rg_Zarno_YuanChuangRuanJian::rg_NeiCunHuaBan& painter);

// Encoders of test pictures.
struct Rgba {
    uint8_t r, g, b, a;
};
// BMP, 24 bits per pixel, rows bottom-up as the format wants; pixels given top row first.
std::vector<uint8_t> MakeBmp24(int width, int height, const std::vector<Rgba>& pixels);
// BMP with a colour table (1 or 8 bits per pixel); indices given top row first.
std::vector<uint8_t> MakeIndexedBmp(int width, int height, int bitsPerPixel, const std::vector<Rgba>& palette,
                                    const std::vector<uint8_t>& indices);
// PNG, colour type 6 (RGBA) with 8 bits per sample.
std::vector<uint8_t> MakePngRgba8(int width, int height, const std::vector<Rgba>& pixels);
// PNG, colour type 2 (RGB) with 16 bits per sample; samples given as r, g, b per pixel, top row first.
// dpi > 0 adds a pHYs chunk with that resolution.
std::vector<uint8_t> MakePngRgb16(int width, int height, const std::vector<uint16_t>& samples, int dpi = 0);
// Uncompressed TIFF, CMYK with 8 bits per sample; samples c, m, y, k per pixel, top row first.
std::vector<uint8_t> MakeTiffCmyk(int width, int height, const std::vector<uint8_t>& samples);

}  // namespace drawtest
