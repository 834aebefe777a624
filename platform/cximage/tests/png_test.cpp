// PNG encoding: what we write must read back exactly through an independent decoder (ImageMagick
// with libpng), for every kind of content the compressor treats differently.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "platform/cximage/src/deflate.h"
#include "platform/cximage/tests/test_util.h"
#include "platform/cximage/include/ximacore.h"

using namespace cxtest;

namespace {

struct Content {
    const char* name;
    uint32_t w, h;
    bool alpha;
    int kind;  // 0 noise, 1 flat white, 2 document-like, 3 gradient, 4 repeating pattern
};

CxImage Make(const Content& c) {
    CxImage img;
    img.Create(c.w, c.h, c.alpha);
    std::mt19937 rng(c.w * 31 + c.h);
    for (uint32_t y = 0; y < c.h; ++y)
        for (uint32_t x = 0; x < c.w; ++x) {
            uint8_t* p = img.GetRow(y) + x * 4;
            uint8_t v[4];
            switch (c.kind) {
                case 0: for (auto& b : v) b = uint8_t(rng()); break;
                case 1: v[0] = v[1] = v[2] = v[3] = 255; break;
                case 2: {
                    bool ink = ((x / 3 + y / 5) % 17 == 0) || (y % 40 < 2 && x % 90 < 60);
                    uint8_t paper = uint8_t(235 + (rng() % 12));
                    v[0] = ink ? 20 : paper; v[1] = ink ? 25 : paper; v[2] = ink ? 60 : uint8_t(paper - 8);
                    v[3] = uint8_t(x % 256);
                    break;
                }
                case 3: v[0] = uint8_t(x); v[1] = uint8_t(y); v[2] = uint8_t(x + y); v[3] = uint8_t(255 - y); break;
                default: v[0] = uint8_t((x % 7) * 30); v[1] = uint8_t((y % 5) * 50); v[2] = 9; v[3] = 128; break;
            }
            p[0] = v[2]; p[1] = v[1]; p[2] = v[0]; p[3] = c.alpha ? v[3] : 255;
        }
    return img;
}

const Content kContents[] = {
    {"noise_rgb", 301, 203, false, 0},
    {"noise_rgba", 129, 77, true, 0},
    {"white_rgb", 1500, 40, false, 1},
    {"document_rgb", 700, 500, false, 2},
    {"document_rgba", 333, 250, true, 2},
    {"gradient_rgb", 256, 300, false, 3},
    {"pattern_rgba", 413, 97, true, 4},
    {"one_pixel", 1, 1, false, 0},
    {"one_column", 1, 517, true, 3},
    {"one_row", 4099, 1, false, 2},
    {"large_document_rgba", 1100, 1000, true, 2},  // several passes of the 1 MiB window buffer
    {"large_noise_rgb", 1000, 700, false, 0},
};

class PngRoundTrip : public ::testing::TestWithParam<Content> {};

TEST_P(PngRoundTrip, ImageMagickReadsBackEveryPixel) {
    const Content& c = GetParam();
    CxImage img = Make(c);
    CxMemFile file;
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(img.Encode(file, CXIMAGE_FORMAT_PNG)) << img.GetLastError();
    ASSERT_GT(file.Size(), 8u);
    const uint8_t* b = file.GetBuffer(false);
    ASSERT_EQ(std::memcmp(b, "\x89PNG\r\n\x1a\n", 8), 0);
    EXPECT_EQ(b[25], c.alpha ? 6 : 2);  // colour type in IHDR
    std::string path = Scratch(std::string(c.name) + ".png");
    ASSERT_TRUE(WriteFile(path, std::vector<uint8_t>(b, b + file.Size())));
    // Any libpng complaint (bad CRC, bad Adler-32, bad code) fails the conversion.
    ASSERT_TRUE(cxtest::Run(Convert() + " -regard-warnings " + path + " null:")) << "libpng rejected " << path;
    uint32_t w, h;
    auto ref = ImageMagickRgba(path, w, h);
    ASSERT_FALSE(ref.empty());
    EXPECT_EQ(MaxDifference(img, ref, w, h), 0);
    // The memory file still owns the bytes after GetBuffer(false).
    EXPECT_EQ(file.GetBuffer(false), b);
}

INSTANTIATE_TEST_SUITE_P(Contents, PngRoundTrip, ::testing::ValuesIn(kContents),
                         [](const ::testing::TestParamInfo<Content>& info) { return std::string(info.param.name); });

TEST(PngEncode, CompressesWhatRepeats) {
    CxImage white = Make(kContents[2]);
    std::vector<uint8_t> out;
    ASSERT_TRUE(white.Encode(out, CXIMAGE_FORMAT_PNG));
    EXPECT_LT(out.size(), 1500u * 40 * 3 / 100);
    CxImage noise = Make(kContents[0]);
    ASSERT_TRUE(noise.Encode(out, CXIMAGE_FORMAT_PNG));
    // Random bytes cannot shrink: stored blocks keep the growth small.
    EXPECT_LT(out.size(), 301u * 203 * 3 * 101 / 100 + 300);
}

TEST(PngEncode, RefusesWhatItCannotWrite) {
    CxImage empty;
    CxMemFile file;
    file.Open();
    EXPECT_FALSE(empty.Encode(file, CXIMAGE_FORMAT_PNG));
    EXPECT_STREQ(empty.GetLastError(), "no picture to encode");
    EXPECT_EQ(file.Size(), 0u);
    CxImage img = Make(kContents[7]);
    EXPECT_FALSE(img.Encode(file, CXIMAGE_FORMAT_JPG));
    CxMemFile closed;
    EXPECT_FALSE(img.Encode(closed, CXIMAGE_FORMAT_PNG));
    EXPECT_FALSE(file.Open());  // already open
}

TEST(PngEncode, DecodesBackThroughOurLoaderWhenRenamed) {
    // A PNG is not ours to decode natively; the content is still recognised as PNG.
    CxImage img = Make(kContents[5]);
    std::vector<uint8_t> out;
    ASSERT_TRUE(img.Encode(out, CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(cximg::DetectFormat(out.data(), out.size()), CXIMAGE_FORMAT_PNG);
}

}  // namespace

namespace {

// Checks a code's lengths: none beyond the limit, used symbols coded, unused ones not, and the
// code complete (Kraft sum exactly one), as inflaters require.
std::string CodeProblem(const std::vector<uint32_t>& freq, const std::vector<uint8_t>& lens, int maxLen) {
    uint64_t kraft = 0;
    int coded = 0;
    for (size_t i = 0; i < freq.size(); ++i) {
        if (lens[i] > maxLen) return "symbol " + std::to_string(i) + " has length " + std::to_string(lens[i]);
        if (freq[i] && !lens[i]) return "used symbol " + std::to_string(i) + " has no code";
        if (lens[i]) {
            kraft += uint64_t(1) << (maxLen - lens[i]);
            ++coded;
        }
    }
    if (coded >= 2 && kraft != (uint64_t(1) << maxLen))
        return "Kraft sum " + std::to_string(kraft) + " of " + std::to_string(uint64_t(1) << maxLen);
    return "";
}

std::vector<uint8_t> LengthsOf(const std::vector<uint32_t>& freq, int maxLen) {
    std::vector<uint8_t> lens(freq.size(), 0);
    cximg::HuffmanCodeLengths(freq.data(), static_cast<int>(freq.size()), maxLen, lens.data());
    return lens;
}

TEST(HuffmanLengths, FibonacciFrequenciesDeeperThanTheLimitGiveACompleteCode) {
    // Fibonacci frequencies make the deepest possible tree: 40 symbols would need 39 bits.
    std::vector<uint32_t> freq(40);
    freq[0] = freq[1] = 1;
    for (size_t i = 2; i < freq.size(); ++i) freq[i] = freq[i - 1] + freq[i - 2];
    for (int maxLen : {15, 7}) EXPECT_EQ(CodeProblem(freq, LengthsOf(freq, maxLen), maxLen), "") << maxLen;
    // The same spread over the literal/length alphabet with gaps and many rare symbols.
    std::vector<uint32_t> wide(286, 0);
    for (size_t i = 0; i < freq.size(); ++i) wide[i * 7] = freq[i];
    for (size_t i = 1; i < wide.size(); i += 3) wide[i] += 1;
    EXPECT_EQ(CodeProblem(wide, LengthsOf(wide, 15), 15), "");
}

TEST(HuffmanLengths, SkewedRandomFrequenciesAlwaysGiveACompleteLimitedCode) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 2000; ++round) {
        const size_t n = round % 2 ? 286 : 30;
        std::vector<uint32_t> freq(n, 0);
        // Exponentially spread counts, some symbols unused: the shape of photographs' literals.
        for (auto& f : freq) {
            const int e = static_cast<int>(rng() % 28);
            f = rng() % 5 == 0 ? 0 : (1u << e) + rng() % (1u << (e / 2 + 1));
        }
        const auto lens = LengthsOf(freq, 15);
        ASSERT_EQ(CodeProblem(freq, lens, 15), "") << "round " << round;
    }
}

}  // namespace
