#include "testsupport/Bitmap32.h"

namespace qeltest {

HBITMAP CreateBitmap32(int width, int height, uint32_t** bits, Rows rows,
                       const std::function<uint32_t(int x, int y)>& fill) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = rows == Rows::TopDown ? -height : height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
    if (!bmp || !p) {
        if (bmp) DeleteObject(bmp);
        if (bits) *bits = nullptr;
        return nullptr;
    }
    auto* px = static_cast<uint32_t*>(p);
    if (fill) {
        for (int y = 0; y < height; ++y) {
            uint32_t* row = px + static_cast<size_t>(rows == Rows::TopDown ? y : height - 1 - y) * width;
            for (int x = 0; x < width; ++x) row[x] = fill(x, y);
        }
    }
    if (bits) *bits = px;
    return bmp;
}

std::vector<uint32_t> ReadPixels32(HDC source, int x, int y, int width, int height) {
    std::vector<uint32_t> out;
    if (width <= 0 || height <= 0) return out;
    uint32_t* bits = nullptr;
    HBITMAP dib = CreateBitmap32(width, height, &bits);
    if (!dib) return out;
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(memory, dib);
    if (BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY)) {
        GdiFlush();
        out.assign(bits, bits + static_cast<size_t>(width) * height);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(dib);
    return out;
}

}  // namespace qeltest
