// 32-bit bitmaps of the tests: DIB sections whose pixels the test reads and writes directly, and
// pixels copied out of a device context (the screen, a window) through one.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace qeltest {

// Order of the rows in memory: the top row first (negative height) or the bottom row first.
enum class Rows { TopDown, BottomUp };

// A 32-bit BI_RGB DIB section of width x height pixels; null when it cannot be made. *bits, when
// given, receives its pixels (0x00RRGGBB, rows in the order `rows` says). fill(x, y), when given,
// answers each pixel's value, y counted from the top whatever the row order.
HBITMAP CreateBitmap32(int width, int height, uint32_t** bits = nullptr, Rows rows = Rows::TopDown,
                       const std::function<uint32_t(int x, int y)>& fill = {});

// The pixels of a rectangle of a device context as it shows them now, top row first, 32 bits each
// (0x00RRGGBB, the top byte as the copy left it); empty when the rectangle is empty or cannot be read.
std::vector<uint32_t> ReadPixels32(HDC source, int x, int y, int width, int height);

}  // namespace qeltest
