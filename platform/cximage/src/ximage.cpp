// The picture class: storage, loading with format dispatch and content detection, encoding.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include "platform/cximage/src/internal.h"
#include "platform/cximage/include/ximacore.h"
#include "platform/cximage/include/ximaprepare.h"

namespace cximg {

static PlatformDecoder g_platformDecoder = nullptr;
void SetPlatformDecoder(PlatformDecoder decoder) { g_platformDecoder = decoder; }
PlatformDecoder GetPlatformDecoder() { return g_platformDecoder; }

bool CheckPictureSize(uint64_t width, uint64_t height, const char*& err) {
    if (width == 0 || height == 0) return Fail(err, "empty picture");
    // width * height > kMaxPixels, without the product overflowing
    if (width > kMaxPixels / height) return Fail(err, "picture larger than 256 megapixels");
    return true;
}

bool Fail(const char*& err, const char* reason, Picture& discard) {
    discard = Picture();
    err = reason;
    return false;
}

namespace {

// Blocks below this size are freed at once: their first touch costs little.
constexpr size_t kKeepFrom = size_t(4) << 20;
constexpr size_t kKeepAtMost = 2;

struct KeptBlocks {
    std::mutex lock;
    uint8_t* block[kKeepAtMost] = {};
    size_t bytes[kKeepAtMost] = {};
    size_t count = 0;  // block[0] is the oldest
};

KeptBlocks& Kept() {
    static KeptBlocks kept;
    return kept;
}

}  // namespace

void PixelRelease::operator()(uint8_t* released) const {
    if (!released) return;
    if (bytes < kKeepFrom) {
        delete[] released;
        return;
    }
    KeptBlocks& kept = Kept();
    uint8_t* dropped = nullptr;
    {
        std::lock_guard<std::mutex> hold(kept.lock);
        if (kept.count == kKeepAtMost) {
            dropped = kept.block[0];
            for (size_t i = 1; i < kKeepAtMost; ++i) {
                kept.block[i - 1] = kept.block[i];
                kept.bytes[i - 1] = kept.bytes[i];
            }
            --kept.count;
        }
        kept.block[kept.count] = released;
        kept.bytes[kept.count] = bytes;
        ++kept.count;
    }
    delete[] dropped;
}

PixelBlock NewPixelBlock(size_t bytes) {
    if (bytes >= kKeepFrom) {
        KeptBlocks& kept = Kept();
        std::lock_guard<std::mutex> hold(kept.lock);
        for (size_t i = kept.count; i-- > 0;) {
            if (kept.bytes[i] != bytes) continue;
            uint8_t* reused = kept.block[i];
            for (size_t k = i + 1; k < kept.count; ++k) {
                kept.block[k - 1] = kept.block[k];
                kept.bytes[k - 1] = kept.bytes[k];
            }
            --kept.count;
            return PixelBlock(reused, PixelRelease{bytes});
        }
    }
    if (bytes >= kKeepFrom) {
        if (uint8_t* prepared = TakePreparedBlock(bytes)) return PixelBlock(prepared, PixelRelease{bytes});
    }
    uint8_t* fresh = new (std::nothrow) uint8_t[bytes];
    // All pages of a large block at once instead of a fault per page at its first write.
    if (fresh && bytes >= kKeepFrom) PreparePages(fresh, bytes, false);
    return PixelBlock(fresh, PixelRelease{bytes});
}

size_t KeptPixelBlocks() {
    KeptBlocks& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    return kept.count;
}

size_t KeptPixelBlocksOf(size_t bytes) {
    KeptBlocks& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    size_t count = 0;
    for (size_t i = 0; i < kept.count; ++i) count += kept.bytes[i] == bytes;
    return count;
}

void ReleaseKeptPixelBlocks() {
    KeptBlocks& kept = Kept();
    uint8_t* blocks[kKeepAtMost] = {};
    size_t count = 0;
    {
        std::lock_guard<std::mutex> hold(kept.lock);
        count = kept.count;
        for (size_t i = 0; i < count; ++i) blocks[i] = kept.block[i];
        kept.count = 0;
    }
    for (size_t i = 0; i < count; ++i) delete[] blocks[i];
}

bool Picture::Allocate(uint32_t w, uint32_t h, const char*& err) {
    px.reset();
    width = height = 0;
    if (!CheckPictureSize(w, h, err)) return false;
    px = NewPixelBlock(size_t(w) * h * 4);
    if (!px) return Fail(err, "out of memory");
    width = w;
    height = h;
    return true;
}

}  // namespace cximg

using cximg::Picture;

// ---------------------------------------------------------------------------------------------
// CxMemFile

CxMemFile::CxMemFile(uint8_t* buffer, size_t size) {
    if (buffer) {
        m_data = buffer;
        m_size = size;
        m_capacity = size;
        m_owned = false;
    }
}

CxMemFile::~CxMemFile() { Close(); }

bool CxMemFile::Open() {
    if (m_open) return false;
    m_open = true;
    return true;
}

namespace {

// The storage of the last large memory file that closed, kept for the next one: encoding a
// photograph writes megabytes, and new memory of that size costs a first touch of every page
// (tens of milliseconds under Wine) on each save.
struct SpareFileBuffer {
    std::mutex lock;
    uint8_t* block = nullptr;
    size_t capacity = 0;
};

SpareFileBuffer& Spare() {
    static SpareFileBuffer spare;
    return spare;
}

constexpr size_t kSpareFrom = size_t(4) << 20;

// Keeps a closing file's storage when it is large and larger than the one kept; frees the other.
void OfferSpare(uint8_t* block, size_t capacity) {
    if (!block) return;
    if (capacity < kSpareFrom) {
        std::free(block);
        return;
    }
    SpareFileBuffer& spare = Spare();
    {
        std::lock_guard<std::mutex> hold(spare.lock);
        if (spare.capacity < capacity) {
            std::swap(spare.block, block);
            std::swap(spare.capacity, capacity);
        }
    }
    std::free(block);
}

// The kept storage when it holds at least `needed` bytes and more than `current`; null otherwise.
uint8_t* TakeSpare(size_t needed, size_t current, size_t& capacity) {
    SpareFileBuffer& spare = Spare();
    std::lock_guard<std::mutex> hold(spare.lock);
    if (!spare.block || spare.capacity < needed || spare.capacity <= current) return nullptr;
    uint8_t* block = spare.block;
    capacity = spare.capacity;
    spare.block = nullptr;
    spare.capacity = 0;
    return block;
}

}  // namespace

bool CxMemFile::Close() {
    if (m_owned) OfferSpare(m_data, m_capacity);
    m_data = nullptr;
    m_size = m_capacity = 0;
    m_owned = true;
    bool was = m_open;
    m_open = false;
    return was;
}

uint8_t* CxMemFile::GetBuffer(bool detach) {
    if (detach) m_owned = false;
    return m_data;
}

void CxMemFile::FreeBuffer(uint8_t* buffer) { std::free(buffer); }

bool CxMemFile::Grow(size_t needed) {
    if (needed <= m_capacity) return true;
    if (!m_owned) return false;  // a caller's fixed buffer does not grow
    size_t spareCapacity = 0;
    if (uint8_t* spare = TakeSpare(needed, m_capacity, spareCapacity)) {
        if (m_size) std::memcpy(spare, m_data, m_size);
        std::free(m_data);
        m_data = spare;
        m_capacity = spareCapacity;
        return true;
    }
    size_t cap = m_capacity ? m_capacity : 4096;
    while (cap < needed) {
        if (cap > (SIZE_MAX >> 1)) return false;
        cap <<= 1;
    }
    void* p = std::realloc(m_data, cap);
    if (!p) return false;
    m_data = static_cast<uint8_t*>(p);
    m_capacity = cap;
    return true;
}

uint8_t* CxMemFile::Reserve(size_t size) {
    if (!m_open || size > SIZE_MAX - m_size || !Grow(m_size + size)) return nullptr;
    return m_data + m_size;
}

bool CxMemFile::Write(const void* data, size_t size) {
    uint8_t* p = Reserve(size);
    if (!p) return false;
    if (size) std::memcpy(p, data, size);
    m_size += size;
    return true;
}

// ---------------------------------------------------------------------------------------------
// CxImage: storage

CxImage::CxImage(uint32_t imagetype) : m_pic(new Picture), m_type(imagetype) {}

CxImage::CxImage(const CxImage& other) : m_pic(new Picture), m_type(CXIMAGE_FORMAT_UNKNOWN) { *this = other; }

CxImage& CxImage::operator=(const CxImage& other) {
    if (this == &other) return *this;
    Destroy();
    m_type = other.m_type;
    m_lastError = other.m_lastError;
    if (other.IsValid()) {
        const char* err = nullptr;
        if (!m_pic->Allocate(other.m_pic->width, other.m_pic->height, err)) {
            m_lastError = err;
            return *this;
        }
        m_pic->alpha = other.m_pic->alpha;
        std::memcpy(m_pic->px.get(), other.m_pic->px.get(), m_pic->Bytes());
        if (other.m_selection) {
            size_t n = size_t(m_pic->width) * m_pic->height;
            m_selection.reset(new (std::nothrow) uint8_t[n]);
            if (m_selection) {
                std::memcpy(m_selection.get(), other.m_selection.get(), n);
                m_selBox = other.m_selBox;
            }
        }
    }
    return *this;
}

CxImage::~CxImage() = default;

bool CxImage::Create(uint32_t width, uint32_t height, bool withAlpha) {
    Destroy();
    const char* err = nullptr;
    if (!m_pic->Allocate(width, height, err)) {
        m_lastError = err;
        return false;
    }
    std::memset(m_pic->px.get(), 0, m_pic->Bytes());
    uint8_t* p = m_pic->px.get();
    for (size_t i = 0, n = size_t(width) * height; i < n; ++i) p[i * 4 + 3] = 255;
    m_pic->alpha = withAlpha;
    return true;
}

void CxImage::Transfer(CxImage& from) {
    if (&from == this) return;
    std::swap(m_pic, from.m_pic);
    std::swap(m_selection, from.m_selection);
    std::swap(m_selBox, from.m_selBox);
    std::swap(m_type, from.m_type);
    std::swap(m_lastError, from.m_lastError);
    from.Destroy();
    from.m_type = CXIMAGE_FORMAT_UNKNOWN;
    from.m_lastError.clear();
}

bool CxImage::ShapeLike(const CxImage& source) {
    if (!source.IsValid()) {
        Destroy();
        m_type = source.m_type;
        m_lastError.clear();
        return false;
    }
    const Picture& from = *source.m_pic;
    if (!IsValid() || m_pic->width != from.width || m_pic->height != from.height) {
        Destroy();
        const char* err = nullptr;
        if (!m_pic->Allocate(from.width, from.height, err)) {
            m_lastError = err;
            return false;
        }
    }
    m_selection.reset();
    m_selBox = CxRect{0, 0, -1, -1};
    m_pic->alpha = from.alpha;
    m_type = source.m_type;
    m_lastError.clear();
    return true;
}

bool CxImage::RestoreFrom(const CxImage& source) {
    if (&source == this) {
        SelectionDelete();
        m_lastError.clear();
        return IsValid();
    }
    if (!ShapeLike(source)) return false;
    std::memcpy(m_pic->px.get(), source.m_pic->px.get(), m_pic->Bytes());
    return true;
}

void CxImage::Destroy() {
    m_pic->px.reset();
    m_pic->width = m_pic->height = 0;
    m_pic->alpha = false;
    m_selection.reset();
    m_selBox = CxRect{0, 0, -1, -1};
}

bool CxImage::IsValid() const { return m_pic->Valid(); }
uint32_t CxImage::GetWidth() const { return m_pic->px ? m_pic->width : 0; }
uint32_t CxImage::GetHeight() const { return m_pic->px ? m_pic->height : 0; }
bool CxImage::AlphaIsValid() const { return IsValid() && m_pic->alpha; }

void CxImage::AlphaDelete() {
    if (!IsValid()) return;
    uint8_t* p = m_pic->px.get();
    for (size_t i = 0, n = size_t(m_pic->width) * m_pic->height; i < n; ++i) p[i * 4 + 3] = 255;
    m_pic->alpha = false;
}

uint8_t* CxImage::GetRow(uint32_t y) { return IsValid() && y < m_pic->height ? m_pic->Row(y) : nullptr; }
const uint8_t* CxImage::GetRow(uint32_t y) const { return IsValid() && y < m_pic->height ? m_pic->Row(y) : nullptr; }

CxPixel CxImage::GetPixelColor(int32_t x, int32_t y) const {
    CxPixel c{0, 0, 0, 0};
    if (!IsValid() || x < 0 || y < 0 || uint32_t(x) >= m_pic->width || uint32_t(y) >= m_pic->height) return c;
    const uint8_t* p = m_pic->Row(m_pic->height - 1 - uint32_t(y)) + size_t(x) * 4;
    return CxPixel{p[0], p[1], p[2], p[3]};
}

void CxImage::SetPixelColor(int32_t x, int32_t y, CxPixel c) {
    if (!IsValid() || x < 0 || y < 0 || uint32_t(x) >= m_pic->width || uint32_t(y) >= m_pic->height) return;
    uint8_t* p = m_pic->Row(m_pic->height - 1 - uint32_t(y)) + size_t(x) * 4;
    p[0] = c.b; p[1] = c.g; p[2] = c.r; p[3] = c.a;
}

void CxImage::Adopt(Picture&& picture, uint32_t type) {
    Destroy();
    *m_pic = std::move(picture);
    m_type = type;
}

// ---------------------------------------------------------------------------------------------
// Loading

static bool IsOwnFormat(uint32_t type) {
    switch (type) {
        case CXIMAGE_FORMAT_TGA: case CXIMAGE_FORMAT_PCX: case CXIMAGE_FORMAT_WBMP:
        case CXIMAGE_FORMAT_PNM: case CXIMAGE_FORMAT_RAS: case CXIMAGE_FORMAT_PGX:
        case CXIMAGE_FORMAT_SKA: case CXIMAGE_FORMAT_PSD:
            return true;
        default:
            return false;
    }
}

static const char* FormatName(uint32_t type) {
    switch (type) {
        case CXIMAGE_FORMAT_BMP: return "BMP";
        case CXIMAGE_FORMAT_GIF: return "GIF";
        case CXIMAGE_FORMAT_JPG: return "JPEG";
        case CXIMAGE_FORMAT_PNG: return "PNG";
        case CXIMAGE_FORMAT_ICO: return "ICO";
        case CXIMAGE_FORMAT_TIF: return "TIFF";
        case CXIMAGE_FORMAT_WMF: return "WMF";
        case CXIMAGE_FORMAT_JP2: return "JPEG 2000";
        case CXIMAGE_FORMAT_JPC: return "JPEG 2000";
        case CXIMAGE_FORMAT_MNG: return "MNG";
        case CXIMAGE_FORMAT_RAW: return "camera raw";
        case CXIMAGE_FORMAT_JBG: return "JBIG";
        default: return "this";
    }
}

bool CxImage::DecodeAs(uint32_t type, const uint8_t* data, size_t size, Picture& out, const char*& err) {
    using namespace cximg;
    switch (type) {
        case CXIMAGE_FORMAT_TGA: return DecodeTga(data, size, out, err);
        case CXIMAGE_FORMAT_PCX: return DecodePcx(data, size, out, err);
        case CXIMAGE_FORMAT_WBMP: return DecodeWbmp(data, size, out, err);
        case CXIMAGE_FORMAT_PNM: return DecodePnm(data, size, out, err);
        case CXIMAGE_FORMAT_RAS: return DecodeRas(data, size, out, err);
        case CXIMAGE_FORMAT_PGX: return DecodePgx(data, size, out, err);
        case CXIMAGE_FORMAT_SKA: return DecodeSka(data, size, out, err);
        case CXIMAGE_FORMAT_PSD: return DecodePsd(data, size, out, err);
        default: break;
    }
    if (PlatformDecoder platform = GetPlatformDecoder()) return platform(data, size, type, out, err);
    static thread_local std::string text;
    text = std::string("no decoder for ") + FormatName(type) + " files on this platform";
    err = text.c_str();
    return false;
}

bool CxImage::Decode(const uint8_t* data, size_t size, uint32_t imagetype) {
    if (!data || size == 0) {
        m_lastError = "empty file";
        return false;
    }
    // A header that claims more pixels than any decoder accepts ends the load before a decoder
    // (ours or the platform's) sets out to allocate for it.
    const uint32_t detected = cximg::DetectFormat(data, size);
    // A claim of zero pixels is left to the decoder, which names the fault in its own words.
    uint64_t claimedWidth = 0, claimedHeight = 0;
    const char* sizeError = nullptr;
    if (cximg::ClaimedSize(data, size, detected, claimedWidth, claimedHeight) && claimedWidth &&
        claimedHeight && !cximg::CheckPictureSize(claimedWidth, claimedHeight, sizeError)) {
        m_lastError = sizeError;
        return false;
    }
    Picture pic;
    const char* err = nullptr;
    std::string firstError;
    uint32_t tried = CXIMAGE_FORMAT_UNKNOWN;
    if (imagetype != CXIMAGE_FORMAT_UNKNOWN) {
        if (DecodeAs(imagetype, data, size, pic, err)) {
            Adopt(std::move(pic), imagetype);
            m_lastError.clear();
            return true;
        }
        firstError = err ? err : "decoding failed";
        tried = imagetype;
    }
    if (detected != CXIMAGE_FORMAT_UNKNOWN && detected != tried) {
        err = nullptr;
        if (DecodeAs(detected, data, size, pic, err)) {
            Adopt(std::move(pic), detected);
            m_lastError.clear();
            return true;
        }
        m_lastError = err ? err : "decoding failed";
        NameDamage(detected);
        return false;
    }
    if (detected == CXIMAGE_FORMAT_UNKNOWN) {
        // A format without a signature of ours may still be one the platform knows.
        if (cximg::PlatformDecoder platform = cximg::GetPlatformDecoder()) {
            if (!IsOwnFormat(tried) && tried != CXIMAGE_FORMAT_UNKNOWN) {
                // The platform already had its try with the given format as a hint.
            } else {
                err = nullptr;
                if (platform(data, size, CXIMAGE_FORMAT_UNKNOWN, pic, err)) {
                    Adopt(std::move(pic), CXIMAGE_FORMAT_UNKNOWN);
                    m_lastError.clear();
                    return true;
                }
                if (firstError.empty()) firstError = err ? err : "unknown file format";
            }
        }
    }
    m_lastError = firstError.empty() ? "unknown file format" : firstError;
    NameDamage(detected);
    return false;
}

void CxImage::NameDamage(uint32_t detected) {
    // The content starts as a picture format we know, yet its decoder found no picture in it: the
    // file is damaged or cut short rather than of an unknown kind.
    if (detected != CXIMAGE_FORMAT_UNKNOWN && m_lastError == "unknown file format")
        m_lastError = std::string("damaged ") + FormatName(detected) + " file";
}

bool CxImage::LoadUtf8(const char* filename, uint32_t imagetype) {
    if (!filename || !*filename) {
        m_lastError = "no file name";
        return false;
    }
    std::FILE* f = std::fopen(filename, "rb");
    if (!f) {
        m_lastError = "cannot open file";
        return false;
    }
    std::vector<uint8_t> bytes;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long len = ok ? std::ftell(f) : -1;
    if (len < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        m_lastError = "cannot read file";
        return false;
    }
    if (uint64_t(len) > (uint64_t(1) << 31)) {
        std::fclose(f);
        m_lastError = "file too large";
        return false;
    }
    try {
        bytes.resize(size_t(len));
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        m_lastError = "out of memory";
        return false;
    }
    size_t got = len ? std::fread(bytes.data(), 1, bytes.size(), f) : 0;
    std::fclose(f);
    if (got != bytes.size()) {
        m_lastError = "cannot read file";
        return false;
    }
    return Decode(bytes.data(), bytes.size(), imagetype);
}

#if !defined(_WIN32)
bool CxImage::Load(const wchar_t* filename, uint32_t imagetype) {
    if (!filename) {
        m_lastError = "no file name";
        return false;
    }
    // wchar_t holds code points here: write them as UTF-8.
    std::string name;
    for (const wchar_t* p = filename; *p; ++p) {
        uint32_t c = uint32_t(*p);
        if (c < 0x80) {
            name += char(c);
        } else if (c < 0x800) {
            name += char(0xC0 | (c >> 6));
            name += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            name += char(0xE0 | (c >> 12));
            name += char(0x80 | ((c >> 6) & 0x3F));
            name += char(0x80 | (c & 0x3F));
        } else {
            name += char(0xF0 | (c >> 18));
            name += char(0x80 | ((c >> 12) & 0x3F));
            name += char(0x80 | ((c >> 6) & 0x3F));
            name += char(0x80 | (c & 0x3F));
        }
    }
    return LoadUtf8(name.c_str(), imagetype);
}
#endif

bool CxImage::ApplyExifOrientation(int orientation) {
    if (!IsValid()) return false;
    if (orientation <= 1 || orientation > 8) return true;
    Picture out;
    const char* err = nullptr;
    if (!cximg::Orient(*m_pic, orientation, out, err)) {
        m_lastError = err;
        return false;
    }
    uint32_t type = m_type;
    Adopt(std::move(out), type);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Encoding

bool CxImage::Encode(CxMemFile& file, uint32_t imagetype) {
    if (!IsValid()) {
        m_lastError = "no picture to encode";
        return false;
    }
    if (imagetype != CXIMAGE_FORMAT_PNG) {
        m_lastError = "only PNG encoding is supported";
        return false;
    }
    if (!file.IsOpen()) {
        m_lastError = "memory file not open";
        return false;
    }
    const char* err = nullptr;
    if (!cximg::EncodePng(*m_pic, file, err)) {
        m_lastError = err ? err : "PNG encoding failed";
        return false;
    }
    return true;
}

bool CxImage::Encode(std::vector<uint8_t>& out, uint32_t imagetype) {
    CxMemFile file;
    file.Open();
    if (!Encode(file, imagetype)) return false;
    out.assign(file.GetBuffer(false), file.GetBuffer(false) + file.Size());
    return true;
}
