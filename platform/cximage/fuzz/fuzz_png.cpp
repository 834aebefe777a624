// libFuzzer target for the PNG encoder and its deflate pieces. The first bytes choose a picture's
// size, alpha, slice height and thread count; the rest are its pixels. Checked beyond the
// sanitizers: every thread count writes the same file; the file reads back (CRCs, zlib stream,
// Adler-32, filters) to exactly the pixels; and the input bytes themselves, cut into deflate pieces
// at places the input chooses, inflate back to themselves.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/cximage/include/ximacore.h"
#include "platform/cximage/src/deflate.h"
#include "platform/cximage/src/pngslices.h"
#include "platform/cximage/tests/png_reader.h"

namespace {

std::vector<uint8_t> Encode(const cximg::Picture& pic, unsigned threads, size_t sliceBytes) {
    CxMemFile file;
    file.Open();
    const char* err = nullptr;
    if (!cximg::EncodePngSliced(pic, file, err, threads, sliceBytes)) std::abort();
    const uint8_t* b = file.GetBuffer(false);
    return std::vector<uint8_t>(b, b + file.Size());
}

void CheckPicture(const uint8_t* data, size_t size) {
    const uint32_t w = 1 + data[0] % 64, h = 1 + data[1] % 64;
    const bool alpha = data[2] & 1;
    const uint32_t rowsPerSlice = 1 + data[3] % h;
    const unsigned threads = 2 + (data[2] >> 1) % 3;
    data += 4;
    size -= 4;
    cximg::Picture pic;
    const char* err = nullptr;
    if (!pic.Allocate(w, h, err)) std::abort();
    pic.alpha = alpha;
    // The pixel bytes repeat the input, so short inputs still make long runs to match.
    for (size_t i = 0; i < pic.Bytes(); ++i) pic.px[i] = size ? data[i % size] : uint8_t(i);
    if (!alpha)
        for (size_t i = 3; i < pic.Bytes(); i += 4) pic.px[i] = 255;
    const size_t sliceBytes = (size_t(w) * (alpha ? 4 : 3) + 1) * rowsPerSlice;
    const std::vector<uint8_t> one = Encode(pic, 1, sliceBytes);
    if (Encode(pic, threads, sliceBytes) != one) std::abort();
    cxtest::PngImage img;
    std::string why;
    if (!cxtest::ReadPng(one.data(), one.size(), img, why) || img.width != w || img.height != h || img.alpha != alpha) std::abort();
    for (size_t i = 0; i < pic.Bytes(); i += 4) {
        const uint8_t* p = &pic.px[i];
        const uint8_t* q = &img.rgba[i];
        if (q[0] != p[2] || q[1] != p[1] || q[2] != p[0] || q[3] != p[3]) std::abort();
    }
}

void CheckPieces(const uint8_t* data, size_t size) {
    // Cut where the input holds the byte 0xC7 (at most 16 pieces), as one zlib stream.
    std::vector<size_t> cuts = {0};
    for (size_t i = 1; i < size && cuts.size() < 16; ++i)
        if (data[i] == 0xC7) cuts.push_back(i);
    cuts.push_back(size);
    cximg::ByteSink z;
    if (!z.Reserve(2)) std::abort();
    z.End()[0] = 0x78;
    z.End()[1] = 0x01;
    z.Advance(2);
    cximg::DeflatePieceCompressor deflater;
    uint32_t adler = 1;
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        if (!deflater.Compress(data, cuts[i], cuts[i + 1], i + 2 == cuts.size(), z)) std::abort();
        adler = cximg::Adler32Combine(adler, cximg::Adler32(1, data + cuts[i], cuts[i + 1] - cuts[i]), cuts[i + 1] - cuts[i]);
    }
    if (adler != cximg::Adler32(1, data, size) || !z.Reserve(4)) std::abort();
    for (int k = 0; k < 4; ++k) z.End()[k] = uint8_t(adler >> (24 - 8 * k));
    z.Advance(4);
    std::vector<uint8_t> back;
    std::string why;
    if (!cxtest::Inflate(z.Data(), z.Size(), back, why) || back.size() != size || (size && std::memcmp(back.data(), data, size) != 0))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > 100000) return 0;
    CheckPicture(data, size);
    CheckPieces(data, size);
    return 0;
}
