// PNG encoding in slices on several threads: the file must be one valid PNG that netpbm's pngtopam
// (libpng) and our test reader decode to the picture's pixels, whatever the thread count, for
// pictures cut at and around slice boundaries; and the deflate pieces and checksums it is built
// from must join correctly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "platform/cximage/src/deflate.h"
#include "platform/cximage/src/pngslices.h"
#include "platform/cximage/tests/png_reader.h"
#include "platform/cximage/tests/test_util.h"

using namespace cxtest;

namespace {

// Noise, one colour, smooth shading; then the pictures of flat pages: white, black, pixels
// alternating like a checkerboard, rows alternating, rows that repeat the one above but for one
// byte (first, last or in between), and a whitened page (white with noisy edges and sparse ink).
enum class Fill { Noise, Flat, Photo, White, Black, Checker, RowStripes, RepeatButOne, Page };

cximg::Picture MakePicture(uint32_t w, uint32_t h, bool alpha, Fill fill, uint32_t seed = 1) {
    cximg::Picture pic;
    const char* err = nullptr;
    EXPECT_TRUE(pic.Allocate(w, h, err));
    pic.alpha = alpha;
    std::mt19937 rng(seed * 7919 + w * 31 + h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = pic.Row(y) + x * 4;
            switch (fill) {
                case Fill::Noise:
                    for (int c = 0; c < 4; ++c) p[c] = uint8_t(rng());
                    break;
                case Fill::Flat:
                    p[0] = 200, p[1] = 180, p[2] = 90, p[3] = 128;
                    break;
                case Fill::Photo: {  // smooth shading with a little noise
                    const int n = int(rng() % 5) - 2;
                    p[0] = uint8_t(x / 3 + n), p[1] = uint8_t(y / 2 + n), p[2] = uint8_t((x + y) / 5 + n), p[3] = uint8_t(255 - x % 7);
                    break;
                }
                case Fill::White:
                    p[0] = p[1] = p[2] = p[3] = 255;
                    break;
                case Fill::Black:
                    p[0] = p[1] = p[2] = p[3] = 0;
                    break;
                case Fill::Checker:
                    p[0] = p[1] = p[2] = (x + y) % 2 ? 255 : 0, p[3] = (x + y) % 2 ? 0 : 255;
                    break;
                case Fill::RowStripes:
                    p[0] = p[1] = p[2] = y % 2 ? 255 : 0, p[3] = 200;
                    break;
                case Fill::RepeatButOne: {
                    // White, but for one pixel per row at the first, the last or another column.
                    const uint32_t odd = y % 3 == 0 ? 0 : y % 3 == 1 ? w - 1 : (y * 37) % w;
                    p[0] = p[1] = p[2] = p[3] = 255;
                    if (x == odd) p[y % 4 == 0 ? 3 : y % 3] = uint8_t(y);
                    break;
                }
                case Fill::Page: {
                    // The desk's noise in the first and last columns, paper elsewhere, a few ink dots.
                    const bool edge = x < 5 || x + 5 >= w;
                    const bool ink = (x * 7 + y * 13) % 97 == 0;
                    p[0] = p[1] = p[2] = edge ? uint8_t(rng() % 60) : ink ? uint8_t(20 + rng() % 40) : 255;
                    p[3] = 255;
                    break;
                }
            }
            if (!alpha) p[3] = 255;
        }
    return pic;
}

std::vector<uint8_t> Encode(const cximg::Picture& pic, unsigned threads, size_t sliceBytes) {
    CxMemFile file;
    file.Open();
    const char* err = nullptr;
    if (!cximg::EncodePngSliced(pic, file, err, threads, sliceBytes)) {
        ADD_FAILURE() << "encoding failed: " << (err ? err : "");
        return {};
    }
    const uint8_t* b = file.GetBuffer(false);
    return std::vector<uint8_t>(b, b + file.Size());
}

// The picture's R, G, B (and A when it has alpha or withAlpha is set) samples in PNG order.
std::vector<uint8_t> Samples(const cximg::Picture& pic, bool withAlpha = false) {
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < pic.height; ++y)
        for (uint32_t x = 0; x < pic.width; ++x) {
            const uint8_t* p = pic.Row(y) + x * 4;
            out.insert(out.end(), {p[2], p[1], p[0]});
            if (pic.alpha || withAlpha) out.push_back(p[3]);
        }
    return out;
}

// Samples as our test reader decodes the file (empty on failure, with the reason in why).
std::vector<uint8_t> ReaderSamples(const std::vector<uint8_t>& png, bool alpha, std::string& why, PngImage* image = nullptr) {
    PngImage img;
    if (!ReadPng(png.data(), png.size(), img, why)) return {};
    std::vector<uint8_t> out;
    for (size_t i = 0; i < img.rgba.size(); i += 4) out.insert(out.end(), img.rgba.begin() + long(i), img.rgba.begin() + long(i) + (alpha ? 4 : 3));
    if (image) *image = std::move(img);
    return out;
}

// R, G, B, A samples as pngtopam (libpng) decodes the file (A 255 without alpha); empty when it
// refuses it.
std::vector<uint8_t> PngtopamSamples(const std::vector<uint8_t>& png, const std::string& name) {
    const std::string in = Scratch(name + ".png"), out = Scratch(name + ".pam");
    if (!WriteFile(in, png)) return {};
    if (!Run("pngtopam -alphapam '" + in + "' > '" + out + "'")) return {};
    const std::vector<uint8_t> pam = ReadFile(out);
    const std::string text(pam.begin(), pam.end());
    const size_t end = text.find("ENDHDR\n");
    if (pam.size() < 2 || end == std::string::npos) return {};
    return std::vector<uint8_t>(pam.begin() + long(end + 7), pam.end());
}

// The PNG filter number of each row that gives the smallest sum of the filtered bytes taken as
// signed values (the lowest number on a tie), worked out here from the file's own pixels.
std::vector<int> BestFilters(const std::vector<uint8_t>& samples, uint32_t w, uint32_t h, size_t bpp) {
    const size_t n = size_t(w) * bpp;
    std::vector<int> best;
    std::vector<uint8_t> zero(n, 0);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* cur = &samples[y * n];
        const uint8_t* up = y ? &samples[(y - 1) * n] : zero.data();
        uint64_t sums[5] = {};
        for (size_t i = 0; i < n; ++i) {
            const int x = cur[i], a = i >= bpp ? cur[i - bpp] : 0, b = up[i], c = i >= bpp ? up[i - bpp] : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int predicted[5] = {0, a, b, (a + b) / 2, paeth};
            for (int f = 0; f < 5; ++f) sums[f] += uint64_t(std::abs(int(int8_t(uint8_t(x - predicted[f])))));
        }
        int choice = 0;
        for (int f = 1; f < 5; ++f)
            if (sums[f] < sums[choice]) choice = f;
        best.push_back(choice);
    }
    return best;
}

std::vector<int> FileFilters(const PngImage& image) {
    const size_t line = size_t(image.width) * (image.alpha ? 4 : 3) + 1;
    std::vector<int> filters;
    for (size_t p = 0; p < image.filtered.size(); p += line) filters.push_back(image.filtered[p]);
    return filters;
}

// ---------------------------------------------------------------------------------------------
// Pictures cut into slices

struct Shape {
    const char* name;
    uint32_t w, h;
    bool alpha;
    Fill fill;
    uint32_t rowsPerSlice;  // 0: no slicing expected (the picture is one slice)
};

// Slice size giving `rows` rows per slice for this width.
size_t SliceBytesFor(const Shape& s) {
    const size_t line = size_t(s.w) * (s.alpha ? 4 : 3) + 1;
    return s.rowsPerSlice ? line * s.rowsPerSlice : size_t(1) << 30;
}

const Shape kShapes[] = {
    // Heights of one slice less a row, one slice, one slice and a row, and so on at the next cut.
    {"noise_rgb_slice_minus_row", 211, 15, false, Fill::Noise, 16},
    {"noise_rgb_slice", 211, 16, false, Fill::Noise, 16},
    {"noise_rgb_slice_plus_row", 211, 17, false, Fill::Noise, 16},
    {"noise_rgba_two_slices_minus_row", 173, 47, true, Fill::Noise, 24},
    {"noise_rgba_two_slices", 173, 48, true, Fill::Noise, 24},
    {"noise_rgba_two_slices_plus_row", 173, 49, true, Fill::Noise, 24},
    {"flat_rgb_many_slices", 300, 121, false, Fill::Flat, 10},
    {"flat_rgba_many_slices", 257, 99, true, Fill::Flat, 7},
    {"photo_rgb_many_slices", 640, 203, false, Fill::Photo, 20},
    {"photo_rgba_slices_of_one_row", 97, 40, true, Fill::Photo, 1},
    // Wide rows: a slice's 32 KB window lies within one row.
    {"noise_rgb_wide_rows", 12000, 9, false, Fill::Noise, 2},
    {"one_row", 5000, 1, true, Fill::Photo, 1},
    {"one_column", 1, 700, false, Fill::Noise, 64},
    {"one_column_rgba_one_row_slices", 1, 33, true, Fill::Photo, 1},
    {"one_pixel", 1, 1, false, Fill::Noise, 1},
    {"small_unsliced", 64, 40, true, Fill::Photo, 0},
    // Flat pictures: runs of one byte longer than a match, across rows and slice boundaries, and
    // reaching to the window's end (slices of one row of 4000 bytes and more see a window of whole
    // runs).
    {"white_rgb_slices", 1500, 50, false, Fill::White, 7},
    {"white_rgba_one_row_slices", 3000, 9, true, Fill::White, 1},
    {"black_rgb_slices", 700, 61, false, Fill::Black, 20},
    {"black_rgba_unsliced", 333, 30, true, Fill::Black, 0},
    {"white_one_row", 20000, 1, false, Fill::White, 1},
    {"white_one_column", 1, 3000, true, Fill::White, 512},
    {"white_one_pixel", 1, 1, true, Fill::White, 1},
    {"checker_rgb_slices", 501, 40, false, Fill::Checker, 9},
    {"checker_rgba_slices", 64, 64, true, Fill::Checker, 3},
    {"row_stripes_rgb_slices", 999, 33, false, Fill::RowStripes, 4},
    {"row_stripes_rgba_one_row_slices", 12, 10, true, Fill::RowStripes, 1},
    {"repeat_but_one_rgb_slices", 1025, 60, false, Fill::RepeatButOne, 16},
    {"repeat_but_one_rgba_slices", 33, 90, true, Fill::RepeatButOne, 30},
    {"page_rgb_slices", 2000, 45, false, Fill::Page, 11},
    {"page_rgba_slices_around_window", 2731, 30, true, Fill::Page, 3},
};

class PngSlices : public ::testing::TestWithParam<Shape> {};

TEST_P(PngSlices, EveryThreadCountWritesTheSameFileThatDecodesToThePixels) {
    const Shape& s = GetParam();
    const cximg::Picture pic = MakePicture(s.w, s.h, s.alpha, s.fill);
    const size_t sliceBytes = SliceBytesFor(s);
    const cximg::PngSlicePlan plan = cximg::PlanPngSlices(s.w, s.h, s.alpha, sliceBytes);
    if (s.rowsPerSlice) {
        ASSERT_EQ(plan.rowsPerSlice, std::min(s.rowsPerSlice, s.h));
        ASSERT_EQ(plan.slices, (s.h + s.rowsPerSlice - 1) / s.rowsPerSlice);
    } else {
        ASSERT_EQ(plan.slices, 1u);
    }
    const std::vector<uint8_t> expected = Samples(pic);
    const std::vector<uint8_t> first = Encode(pic, 1, sliceBytes);
    ASSERT_FALSE(first.empty());
    for (unsigned threads : {2u, 3u, 8u}) EXPECT_EQ(Encode(pic, threads, sliceBytes), first) << threads << " threads";

    std::string why;
    PngImage image;
    EXPECT_EQ(ReaderSamples(first, s.alpha, why, &image), expected) << why;
    EXPECT_EQ(PngtopamSamples(first, s.name), Samples(pic, true)) << "pngtopam";
    EXPECT_EQ(FileFilters(image), BestFilters(expected, s.w, s.h, s.alpha ? 4 : 3)) << "a row's filter is not the smallest";

    // Cutting the rows changes how they are compressed, never how they are filtered.
    const std::vector<uint8_t> whole = Encode(pic, 1, size_t(1) << 30);
    PngImage wholeImage;
    ASSERT_TRUE(ReadPng(whole.data(), whole.size(), wholeImage, why)) << why;
    EXPECT_EQ(image.filtered, wholeImage.filtered);
    if (plan.slices == 1) EXPECT_EQ(first, whole);
}

INSTANTIATE_TEST_SUITE_P(Shapes, PngSlices, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<Shape>& info) { return std::string(info.param.name); });

TEST(PngSliceWindow, MatchesReachBackIntoTheSliceBefore) {
    // Noise rows that repeat every 8 rows: past the first 8 rows every row is a copy. Without the
    // window each slice would have to send its first 8 rows as literals again.
    const uint32_t w = 300, h = 240;
    cximg::Picture pic = MakePicture(w, h, false, Fill::Noise);
    for (uint32_t y = 8; y < h; ++y) std::memcpy(pic.Row(y), pic.Row(y - 8), size_t(w) * 4);
    const size_t line = size_t(w) * 3 + 1;
    const std::vector<uint8_t> whole = Encode(pic, 1, size_t(1) << 30);
    const std::vector<uint8_t> sliced = Encode(pic, 2, line * 20);  // 12 slices
    ASSERT_FALSE(whole.empty());
    ASSERT_FALSE(sliced.empty());
    EXPECT_LT(sliced.size(), whole.size() + line) << "the slices do not use the rows before them";
    std::string why;
    EXPECT_EQ(ReaderSamples(sliced, false, why), Samples(pic)) << why;
}

TEST(PngSliceThreads, TheThreadSettingChangesNothingInTheFile) {
    // 1200 x 600 RGBA is several slices of the default size.
    const cximg::Picture pic = MakePicture(1200, 600, true, Fill::Photo, 5);
    ASSERT_GT(cximg::PlanPngSlices(pic.width, pic.height, true, cximg::kPngSliceBytes).slices, 4u);
    CxImage img;
    ASSERT_TRUE(img.Create(pic.width, pic.height, true));
    for (uint32_t y = 0; y < pic.height; ++y) std::memcpy(img.GetRow(y), pic.Row(y), size_t(pic.width) * 4);
    const unsigned before = cximg::GetPngEncoderThreads();
    std::vector<std::vector<uint8_t>> files;
    for (unsigned threads : {1u, 0u, 2u, 8u}) {
        cximg::SetPngEncoderThreads(threads);
        EXPECT_EQ(cximg::GetPngEncoderThreads(), threads);
        files.emplace_back();
        ASSERT_TRUE(img.Encode(files.back(), CXIMAGE_FORMAT_PNG)) << img.GetLastError();
    }
    cximg::SetPngEncoderThreads(before);
    for (size_t i = 1; i < files.size(); ++i) EXPECT_EQ(files[i], files[0]) << i;
    EXPECT_EQ(PngtopamSamples(files[0], "thread_setting"), Samples(pic));
}

TEST(PngSliceThreads, EncodingsOneAfterAnotherOrAtOnceShareNothing) {
    // The encoder keeps its threads' buffers from one encoding to the next: a wide picture of many
    // slices, then a narrow flat one, then the wide one again, each file as the first encoding of
    // its picture wrote it; and two encodings running at the same time on two threads likewise.
    const cximg::Picture wide = MakePicture(3000, 60, true, Fill::Noise, 3);
    const cximg::Picture narrow = MakePicture(50, 300, false, Fill::Page, 4);
    const size_t wideSlice = (3000 * 4 + 1) * 5, narrowSlice = (50 * 3 + 1) * 16;
    const std::vector<uint8_t> wideFile = Encode(wide, 3, wideSlice);
    const std::vector<uint8_t> narrowFile = Encode(narrow, 2, narrowSlice);
    ASSERT_FALSE(wideFile.empty());
    ASSERT_FALSE(narrowFile.empty());
    EXPECT_EQ(Encode(wide, 2, wideSlice), wideFile);
    EXPECT_EQ(Encode(narrow, 3, narrowSlice), narrowFile);
    EXPECT_EQ(Encode(wide, 1, wideSlice), wideFile);
    std::vector<uint8_t> a, b;
    std::thread other([&] {
        for (int i = 0; i < 3; ++i) a = Encode(wide, 2, wideSlice);
    });
    for (int i = 0; i < 3; ++i) b = Encode(narrow, 2, narrowSlice);
    other.join();
    EXPECT_EQ(a, wideFile);
    EXPECT_EQ(b, narrowFile);
    std::string why;
    EXPECT_EQ(ReaderSamples(wideFile, true, why), Samples(wide)) << why;
    EXPECT_EQ(ReaderSamples(narrowFile, false, why), Samples(narrow)) << why;
}

// ---------------------------------------------------------------------------------------------
// Deflate pieces and Adler-32

uint32_t ReferenceAdler(const std::vector<uint8_t>& v, size_t from, size_t to) {
    uint64_t a = 1, b = 0;
    for (size_t i = from; i < to; ++i) {
        a = (a + v[i]) % 65521;
        b = (b + a) % 65521;
    }
    return uint32_t(b << 16 | a);
}

TEST(Adler32Combine, JoinsPiecesOfAnySize) {
    std::mt19937 rng(3);
    std::vector<uint8_t> data(300000);
    for (auto& b : data) b = rng() % 3 ? uint8_t(rng()) : 255;  // many 255s push the sums up fast
    const size_t cuts[][2] = {{0, 0}, {0, 1}, {1, 1}, {17, 5552}, {65520, 65522}, {100, 131043}, {0, 300000}, {299999, 300000}};
    for (const auto& cut : cuts) {
        const size_t mid = cut[0], end = cut[1];
        const uint32_t joined = cximg::Adler32Combine(ReferenceAdler(data, 0, mid), ReferenceAdler(data, mid, end), end - mid);
        EXPECT_EQ(joined, ReferenceAdler(data, 0, end)) << mid << ".." << end;
    }
    // A first piece whose sum a comes to 0 (1 + 256 * 255 + 240 = 65521): the a1 - 1 term wraps.
    std::vector<uint8_t> edge(256, 255);
    edge.push_back(240);
    const size_t mid = edge.size();
    edge.insert(edge.end(), data.begin(), data.begin() + 1000);
    ASSERT_EQ(ReferenceAdler(edge, 0, mid) & 0xFFFF, 0u);
    EXPECT_EQ(cximg::Adler32Combine(ReferenceAdler(edge, 0, mid), ReferenceAdler(edge, mid, edge.size()), edge.size() - mid),
              ReferenceAdler(edge, 0, edge.size()));
}

TEST(DeflatePieces, PiecesJoinIntoOneStreamAtAnyCut) {
    // Repeating and random stretches, cut at many places; each piece sees the bytes before it.
    std::mt19937 rng(11);
    std::vector<uint8_t> data;
    while (data.size() < 400000) {
        const size_t run = 1 + rng() % 5000;
        if (rng() % 2 && data.size() > 40000) {
            const size_t from = data.size() - 1 - rng() % 40000;  // some copies from beyond the window
            for (size_t i = 0; i < run; ++i) data.push_back(data[from + i % (data.size() - from)]);
        } else {
            for (size_t i = 0; i < run; ++i) data.push_back(uint8_t(rng() % (rng() % 2 ? 256 : 4)));
        }
    }
    data.resize(400000);
    for (size_t pieces : {1, 2, 7, 40}) {
        std::vector<size_t> cuts = {0};
        for (size_t i = 1; i < pieces; ++i) cuts.push_back(data.size() * i / pieces + rng() % 1000);
        cuts.push_back(data.size());
        cximg::ByteSink z;
        ASSERT_TRUE(z.Reserve(2));
        z.End()[0] = 0x78, z.End()[1] = 0x01;
        z.Advance(2);
        cximg::DeflatePieceCompressor deflater;
        uint32_t adler = 1;
        for (size_t i = 0; i + 1 < cuts.size(); ++i) {
            const bool last = i + 2 == cuts.size();
            ASSERT_TRUE(deflater.Compress(data.data(), cuts[i], cuts[i + 1], last, z));
            if (!last) {  // a sync marker: an empty stored block ends every piece but the last
                ASSERT_GE(z.Size(), 4u);
                EXPECT_EQ(std::memcmp(z.Data() + z.Size() - 4, "\x00\x00\xff\xff", 4), 0) << "piece " << i;
            }
            adler = cximg::Adler32Combine(adler, ReferenceAdler(data, cuts[i], cuts[i + 1]), cuts[i + 1] - cuts[i]);
        }
        ASSERT_TRUE(z.Reserve(4));
        for (int k = 0; k < 4; ++k) z.End()[k] = uint8_t(adler >> (24 - 8 * k));
        z.Advance(4);
        std::vector<uint8_t> back;
        std::string why;
        ASSERT_TRUE(Inflate(z.Data(), z.Size(), back, why)) << pieces << " pieces: " << why;
        EXPECT_EQ(back, data) << pieces << " pieces";
        EXPECT_LT(z.Size(), data.size()) << pieces << " pieces";
    }
}

TEST(DeflatePieces, AWindowOfRunsStillOffersEveryPlaceBetweenThem) {
    // The window before the second piece: runs of one byte and runs of one RGBA colour, each
    // followed by a short token of noise. The second piece repeats the tokens in another order, each
    // with the four bytes after it: found through the window, each is one short match, so the two
    // pieces cost little more than the same bytes whole. A window that lost the places where runs
    // end would send the tokens again as literals.
    std::mt19937 rng(5);
    std::vector<uint8_t> data(3000);
    for (auto& b : data) b = uint8_t(rng());
    std::vector<size_t> tokens;
    for (int i = 0; i < 240; ++i) {
        if (i % 2)
            data.insert(data.end(), 17 + rng() % 60, uint8_t(i % 3 ? 0 : 255));
        else
            for (size_t k = 2 + rng() % 15; k > 0; --k) data.insert(data.end(), {255, 255, 255, uint8_t(i)});
        tokens.push_back(data.size());
        for (int k = 0; k < 6; ++k) data.push_back(uint8_t(rng()));
    }
    data.insert(data.end(), 40, 0);
    const size_t cut = data.size();
    ASSERT_LT(cut - tokens[0], 32768u);  // every token lies in the window
    std::shuffle(tokens.begin(), tokens.end(), rng);
    for (size_t t : tokens) data.insert(data.end(), data.begin() + long(t), data.begin() + long(t) + 10);

    auto compress = [&](std::vector<size_t> cuts) {
        cximg::ByteSink z;
        EXPECT_TRUE(z.Reserve(2));
        z.End()[0] = 0x78, z.End()[1] = 0x01;
        z.Advance(2);
        cximg::DeflatePieceCompressor deflater;
        for (size_t i = 0; i + 1 < cuts.size(); ++i) EXPECT_TRUE(deflater.Compress(data.data(), cuts[i], cuts[i + 1], i + 2 == cuts.size(), z));
        const uint32_t adler = ReferenceAdler(data, 0, data.size());
        EXPECT_TRUE(z.Reserve(4));
        for (int k = 0; k < 4; ++k) z.End()[k] = uint8_t(adler >> (24 - 8 * k));
        z.Advance(4);
        std::vector<uint8_t> back;
        std::string why;
        EXPECT_TRUE(Inflate(z.Data(), z.Size(), back, why)) << why;
        EXPECT_EQ(back, data);
        return z.Size();
    };
    const size_t whole = compress({0, data.size()}), pieces = compress({0, cut, data.size()});
    // Each token lost costs some six bytes more.
    EXPECT_LT(pieces, whole + 60) << "whole " << whole;
}

TEST(DeflatePieces, EmptyAndTinyInputs) {
    for (size_t n : {0, 1, 3, 4, 9}) {
        std::vector<uint8_t> data(n);
        for (size_t i = 0; i < n; ++i) data[i] = uint8_t(i * 37);
        cximg::ByteSink z;
        ASSERT_TRUE(cximg::ZlibCompress(data.data(), n, z));
        std::vector<uint8_t> back;
        std::string why;
        ASSERT_TRUE(Inflate(z.Data(), z.Size(), back, why)) << n << ": " << why;
        EXPECT_EQ(back, data);
    }
}

}  // namespace
