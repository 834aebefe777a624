// Bitmap conversion: a record that owns one device-independent bitmap, creating such a bitmap, filling
// it from a decoded GDI+ bitmap while keeping GDI-compatible pixel formats, and decoding an encoded
// picture (any format GDI+ reads) from a memory block.
#pragma once
#include <windows.h>

#include <cstdint>

namespace qelgdiplus {
struct GpBitmap;
}

namespace rg_Zarno_YuanChuangRuanJian {

// Empty (all zero) or the owner of exactly one bitmap. A caller that keeps the bitmap takes the handle
// and clears the record.
struct QelDibRecord {
    HBITMAP bitmap;
    uint8_t* topRow;        // address of the top image row
    int32_t width;
    int32_t height;         // always positive
    int32_t stride;         // bytes from one row to the next one below; negative for bottom-up bitmaps
    int32_t bitsPerPixel;   // 1, 4, 8, 16, 24 or 32
    int32_t hasAlpha;       // the source carried an alpha channel
    int32_t isDibSection;   // top row and stride are valid
};

// Clears the record, then deletes the bitmap it owned.
void ReleaseDib(QelDibRecord& dib);
// Creates a DIB section (bottom-up for a positive height, colour table zeroed); the record's earlier
// bitmap is released first. False leaves the record empty.
bool CreateDib(QelDibRecord& dib, int32_t width, int32_t height, int32_t bitsPerPixel, bool hasAlpha);
// Converts a decoded GDI+ bitmap (GDI+ must be running). False leaves the record empty.
bool DibFromGdiplusBitmap(QelDibRecord& dib, qelgdiplus::GpBitmap* source);
// Decodes an encoded picture from memory (starts GDI+ when needed). False for a length of 0 or less or
// bytes GDI+ cannot decode; a failed decode leaves an empty record.
bool DibFromMemory(QelDibRecord& dib, const void* bytes, int64_t length);

}  // namespace rg_Zarno_YuanChuangRuanJian
