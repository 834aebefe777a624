// Portable part of our picture library: the CxImage picture class, the memory file it encodes into
// and the format numbers. No Windows header is needed here; the members that take GDI handles are
// declared with the handles' own struct names and built only into the Windows library.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Format numbers used by Load, Decode, Encode and the file-name table of the image object.
enum ENUM_CXIMAGE_FORMATS : uint32_t {
    CXIMAGE_FORMAT_UNKNOWN = 0,
    CXIMAGE_FORMAT_BMP = 1,
    CXIMAGE_FORMAT_GIF = 2,
    CXIMAGE_FORMAT_JPG = 3,
    CXIMAGE_FORMAT_PNG = 4,
    CXIMAGE_FORMAT_ICO = 5,
    CXIMAGE_FORMAT_TIF = 6,
    CXIMAGE_FORMAT_TGA = 7,
    CXIMAGE_FORMAT_PCX = 8,
    CXIMAGE_FORMAT_WBMP = 9,
    CXIMAGE_FORMAT_WMF = 10,
    CXIMAGE_FORMAT_JP2 = 11,
    CXIMAGE_FORMAT_JPC = 12,
    CXIMAGE_FORMAT_PGX = 13,
    CXIMAGE_FORMAT_PNM = 14,
    CXIMAGE_FORMAT_RAS = 15,
    CXIMAGE_FORMAT_JBG = 16,
    CXIMAGE_FORMAT_MNG = 17,
    CXIMAGE_FORMAT_SKA = 18,
    CXIMAGE_FORMAT_RAW = 19,
    CXIMAGE_FORMAT_PSD = 20,
};

// Rectangle with the same field order as a GDI RECT.
struct CxRect {
    int32_t left, top, right, bottom;
};

// One pixel as the library stores it (the byte order of a 32-bit DIB).
struct CxPixel {
    uint8_t b, g, r, a;
};

// A growable in-memory file. Encode writes into it; the caller reads Size() bytes from GetBuffer().
class CxMemFile {
public:
    CxMemFile(uint8_t* buffer = nullptr, size_t size = 0);
    ~CxMemFile();
    CxMemFile(const CxMemFile&) = delete;
    CxMemFile& operator=(const CxMemFile&) = delete;

    bool Open();
    bool Close();
    bool IsOpen() const { return m_open; }
    size_t Size() const { return m_size; }
    // The bytes written so far. With detach true the caller takes the buffer (free it with
    // FreeBuffer); with false the memory file keeps it.
    uint8_t* GetBuffer(bool detach = true);
    static void FreeBuffer(uint8_t* buffer);
    bool Write(const void* data, size_t size);
    // Makes room for size more bytes at the end and returns where they go; Commit adds them.
    uint8_t* Reserve(size_t size);
    void Commit(size_t size) { m_size += size; }

private:
    bool Grow(size_t needed);
    uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
    bool m_open = false;
    bool m_owned = true;
};

struct HDC__;
struct HBITMAP__;
struct HPALETTE__;
struct HRSRC__;
struct HINSTANCE__;
struct tagRECT;

namespace cximg {
struct Picture;
}

class CxImage {
public:
    explicit CxImage(uint32_t imagetype = CXIMAGE_FORMAT_UNKNOWN);
    CxImage(const CxImage& other);
    CxImage& operator=(const CxImage& other);
    ~CxImage();

    // Loading. The format number picks the decoder; when it does not fit the content, or is 0,
    // the content decides.
    bool Load(const wchar_t* filename, uint32_t imagetype = CXIMAGE_FORMAT_UNKNOWN);
    bool LoadUtf8(const char* filename, uint32_t imagetype = CXIMAGE_FORMAT_UNKNOWN);
    bool Decode(const uint8_t* data, size_t size, uint32_t imagetype = CXIMAGE_FORMAT_UNKNOWN);
    // Encoding: only PNG is written.
    bool Encode(CxMemFile& file, uint32_t imagetype);
    bool Encode(std::vector<uint8_t>& out, uint32_t imagetype);

    bool Create(uint32_t width, uint32_t height, bool withAlpha = false);
    // Takes over the other picture's pixels, selection, format and error text without copying;
    // the other picture is left empty. A picture decoded on the side replaces this one in O(1).
    void Transfer(CxImage& from);
    void Destroy();
    // Becomes a copy of the source's pixels, size, alpha state and format, without a selection and
    // with no error text; pixel memory of the same size is kept and written over.
    bool RestoreFrom(const CxImage& source);
    void DestroyFrames() {}
    bool IsValid() const;
    uint32_t GetWidth() const;
    uint32_t GetHeight() const;
    uint32_t GetType() const { return m_type; }
    bool AlphaIsValid() const;
    void AlphaDelete();
    const char* GetLastError() const { return m_lastError.c_str(); }

    // Pixel access. Rows of GetRow count from the top; x and y of Get/SetPixelColor count like
    // SelectionAddRect, with y = 0 the bottom row.
    uint8_t* GetRow(uint32_t yFromTop);
    const uint8_t* GetRow(uint32_t yFromTop) const;
    CxPixel GetPixelColor(int32_t x, int32_t y) const;
    void SetPixelColor(int32_t x, int32_t y, CxPixel c);

    // Adjustments; each touches only the selection when there is one.
    bool Light(long brightness, long contrast = 0);
    bool Colorize(uint8_t hue, uint8_t sat, float blend = 1.0f);
    bool GrayScale();
    // The same on a copy of `from`: this picture becomes what RestoreFrom(from) makes of it (so
    // without a selection) and is adjusted as a whole, in one pass over the memory instead of a copy
    // and a second pass. False, and the picture empty, when from is empty.
    bool Light(long brightness, long contrast, const CxImage& from);
    bool Colorize(uint8_t hue, uint8_t sat, float blend, const CxImage& from);

    // Selection: rows count from the bottom (y = 0 is the bottom row); corners in any order; the
    // rectangle is clipped to the picture and its edges belong to it.
    bool SelectionAddRect(CxRect r, uint8_t level = 255);
    bool SelectionDelete();
    bool SelectionIsValid() const;
    bool SelectionGetBox(CxRect& box) const;  // top-down, inclusive edges
    uint8_t SelectionGetLevel(int32_t x, int32_t y) const;  // y from the bottom

    // Turns the picture counter-clockwise by angle degrees. With a destination, the destination
    // receives the result and this picture stays as it is.
    bool Rotate(float angle, CxImage* destination = nullptr);

    // Applies an EXIF orientation value (1..8) so that the picture shows upright.
    bool ApplyExifOrientation(int orientation);

#if defined(_WIN32)
    bool LoadResource(HRSRC__* resource, uint32_t imagetype, HINSTANCE__* module = nullptr);
    HBITMAP__* MakeBitmap(HDC__* dc = nullptr, bool transparency = false);
    bool CreateFromHBITMAP(HBITMAP__* bitmap, HPALETTE__* palette = nullptr, bool transparency = false);
    // Puts the pixels into a bitmap of the kind MakeBitmap makes (a 32-bit DIB section) of the
    // picture's size, so that the bitmap then holds what a new MakeBitmap would give, without a new
    // picture-sized allocation. False for any other bitmap or when the picture is empty (the caller
    // then makes a new one).
    bool CopyToBitmap(HBITMAP__* bitmap) const;
    long Draw(HDC__* dc, long x = 0, long y = 0, long cx = -1, long cy = -1, tagRECT* clip = nullptr,
              bool smooth = false, bool flipY = false);
    bool SelectionAddRect(const tagRECT& r, uint8_t level = 255);
#endif

    // Replaces the pixels by a decoded picture (used by the decoders of both libraries).
    void Adopt(cximg::Picture&& picture, uint32_t type);
    void SetLastError(const char* text) { m_lastError = text ? text : ""; }

private:
    // RestoreFrom without the pixels: size (memory of the same size kept), alpha state, format, no
    // selection, no error text. False, and the picture empty, when the source is empty.
    bool ShapeLike(const CxImage& source);
    bool LightPixels(long brightness, long contrast, const cximg::Picture* from);
    bool ColorizePixels(uint8_t hue, uint8_t sat, float blend, const cximg::Picture* from);
    bool DecodeAs(uint32_t type, const uint8_t* data, size_t size, cximg::Picture& out, const char*& err);
    void NameDamage(uint32_t detected);
    std::unique_ptr<cximg::Picture> m_pic;
    std::unique_ptr<uint8_t[]> m_selection;  // one level per pixel, top-down, or null
    CxRect m_selBox{0, 0, -1, -1};           // top-down inclusive bounding box of the selection
    uint32_t m_type;
    std::string m_lastError;
};

namespace cximg {

// Largest picture any decoder accepts.
constexpr uint64_t kMaxPixels = 256ull * 1000 * 1000;

// The one rule for picture sizes, used wherever a size is allocated or claimed: at least one pixel
// each way and at most kMaxPixels in all. False with err set ("empty picture", "picture larger
// than 256 megapixels") when the size breaks it.
bool CheckPictureSize(uint64_t width, uint64_t height, const char*& err);

// Pixel memory of pictures. A large block whose picture goes is kept (two at most) for the next
// picture of exactly its size: a new picture-sized block costs a first touch of every page (about
// 120 ms for 12 megapixels under Wine), a kept one does not. A program working on pictures of one
// size (a slider step, a reload, another photograph from the same camera) reuses its blocks.
struct PixelRelease {
    size_t bytes = 0;
    void operator()(uint8_t* block) const;
};
using PixelBlock = std::unique_ptr<uint8_t[], PixelRelease>;
// A block of bytes for pixels (contents undefined): a kept one of that size when there is one, else
// a new one; null when memory runs out.
PixelBlock NewPixelBlock(size_t bytes);
// How many blocks are kept now (in all, and of one size), and a release of all of them.
size_t KeptPixelBlocks();
size_t KeptPixelBlocksOf(size_t bytes);
void ReleaseKeptPixelBlocks();

// Decoded pixels: top-down rows of 32-bit B, G, R, A; alpha is 255 when the picture has none.
struct Picture {
    uint32_t width = 0, height = 0;
    bool alpha = false;
    PixelBlock px;

    // Sets the size and allocates the pixels (not cleared). Fails when CheckPictureSize refuses the
    // size or memory runs out.
    bool Allocate(uint32_t w, uint32_t h, const char*& err);
    uint8_t* Row(uint32_t y) { return px.get() + size_t(y) * width * 4; }
    const uint8_t* Row(uint32_t y) const { return px.get() + size_t(y) * width * 4; }
    size_t Bytes() const { return size_t(width) * height * 4; }
    bool Valid() const { return px != nullptr && width && height; }
};

// Decoders of our own. Each returns false with a short English text in err on any fault.
bool DecodeTga(const uint8_t* data, size_t size, Picture& out, const char*& err);
bool DecodePcx(const uint8_t* data, size_t size, Picture& out, const char*& err);
bool DecodeWbmp(const uint8_t* data, size_t size, Picture& out, const char*& err);
bool DecodePnm(const uint8_t* data, size_t size, Picture& out, const char*& err);
bool DecodeRas(const uint8_t* data, size_t size, Picture& out, const char*& err);
bool DecodePgx(const uint8_t* data, size_t size, Picture& out, const char*& err);
bool DecodeSka(const uint8_t* data, size_t size, Picture& out, const char*& err);
bool DecodePsd(const uint8_t* data, size_t size, Picture& out, const char*& err);

// Format of the content from its first bytes (and size for formats without a signature); 0 when
// nothing fits.
uint32_t DetectFormat(const uint8_t* data, size_t size);

// The picture size that the header of a PNG, JPEG, GIF or BMP file claims, read before any decoder
// allocates for it; false when the header is not there or not one of these formats.
bool ClaimedSize(const uint8_t* data, size_t size, uint32_t format, uint64_t& width, uint64_t& height);

// Orientation value (1..8) of the EXIF block in a JPEG file, or 0 when there is none.
int JpegExifOrientation(const uint8_t* data, size_t size);
// Returns the picture turned and mirrored as the orientation value says.
bool Orient(const Picture& in, int orientation, Picture& out, const char*& err);

// PNG encoding of a picture (RGB when it has no alpha, else RGBA). Large pictures are compressed
// in slices of rows on several threads; the file's bytes depend only on the picture, never on the
// number of threads or their timing.
bool EncodePng(const Picture& pic, CxMemFile& out, const char*& err);
// Threads the PNG encoder uses for the slices of one picture: 0 (the default) for one per
// processor the system reports, else at most n.
void SetPngEncoderThreads(unsigned n);
unsigned GetPngEncoderThreads();

// Decoder of the platform, installed by the Windows library: decodes any format the platform
// knows (type is a hint, 0 for any). Returns false with err set when it cannot.
using PlatformDecoder = bool (*)(const uint8_t* data, size_t size, uint32_t type, Picture& out,
                                 const char*& err);
void SetPlatformDecoder(PlatformDecoder decoder);
PlatformDecoder GetPlatformDecoder();

}  // namespace cximg
