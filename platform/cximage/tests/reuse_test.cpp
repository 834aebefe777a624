// Memory the library keeps for reuse and the one-pass adjustments built on it: pixel blocks handed to
// the next picture of their size (never with the old pixels showing through), the memory file's
// spare storage, RestoreFrom, and Light and Colorize from a source picture against a copy adjusted
// afterwards (with and without alpha, after a selection, across sizes).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/cximage/include/ximacore.h"

namespace {

// Makes img a picture of w x h with random colours; alpha random too when asked, else 255.
void FillNoise(CxImage& img, uint32_t w, uint32_t h, bool alpha, uint32_t seed) {
    img.Create(w, h, alpha);
    std::mt19937 random(seed);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* p = img.GetRow(y);
        for (uint32_t x = 0; x < w; ++x, p += 4) {
            const uint32_t v = random();
            p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16), p[3] = alpha ? uint8_t(v >> 24) : 255;
        }
    }
}

CxImage Noise(uint32_t w, uint32_t h, bool alpha, uint32_t seed) {
    CxImage img;
    FillNoise(img, w, h, alpha, seed);
    return img;
}

bool SamePixels(const CxImage& a, const CxImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (uint32_t y = 0; y < a.GetHeight(); ++y)
        if (std::memcmp(a.GetRow(y), b.GetRow(y), size_t(a.GetWidth()) * 4) != 0) return false;
    return true;
}

// Big enough (8 MB) for its pixel memory to be kept when the picture goes.
constexpr uint32_t kW = 2000, kH = 1000;

class PixelBlocks : public ::testing::Test {
protected:
    void SetUp() override { cximg::ReleaseKeptPixelBlocks(); }
    void TearDown() override { cximg::ReleaseKeptPixelBlocks(); }
};

TEST_F(PixelBlocks, ALargeBlockServesTheNextPictureOfItsSizeWithoutItsOldPixels) {
    CxImage first;
    FillNoise(first, kW, kH, true, 1);
    const uint8_t* block = first.GetRow(0);
    first.Destroy();
    EXPECT_EQ(cximg::KeptPixelBlocks(), 1u);
    // The next picture of that size gets the same memory; Create clears it as for a new block.
    CxImage second;
    ASSERT_TRUE(second.Create(kW, kH, false));
    EXPECT_EQ(second.GetRow(0), block);
    EXPECT_EQ(cximg::KeptPixelBlocks(), 0u);
    for (uint32_t y = 0; y < kH; y += 97)
        for (uint32_t x = 0; x < kW; x += 89) {
            const uint8_t* p = second.GetRow(y) + x * 4;
            ASSERT_EQ(p[0] | p[1] | p[2], 0) << x << "," << y;
            ASSERT_EQ(p[3], 255);
        }
    // Another size does not take it; small pictures are not kept at all.
    second.Destroy();
    CxImage smaller;
    ASSERT_TRUE(smaller.Create(kW, kH - 1, false));
    EXPECT_NE(smaller.GetRow(0), block);
    EXPECT_EQ(cximg::KeptPixelBlocks(), 1u);
    CxImage small;
    FillNoise(small, 64, 64, false, 2);
    small.Destroy();
    EXPECT_EQ(cximg::KeptPixelBlocks(), 1u);
}

TEST_F(PixelBlocks, AtMostTwoAreKeptAndCopiesAreIndependent) {
    {
        CxImage a, b, c;
        FillNoise(a, kW, kH, false, 3);
        FillNoise(b, kW, kH, false, 4);
        FillNoise(c, kW, kH, false, 5);
    }
    EXPECT_EQ(cximg::KeptPixelBlocks(), 2u);
    // A copy made into a kept block holds the source's pixels, and stays apart from it.
    CxImage source;
    FillNoise(source, kW, kH, true, 6);
    EXPECT_EQ(cximg::KeptPixelBlocks(), 1u);
    CxImage copy = source;
    EXPECT_EQ(cximg::KeptPixelBlocks(), 0u);
    EXPECT_TRUE(SamePixels(copy, source));
    copy.Light(50, 0);
    EXPECT_FALSE(SamePixels(copy, source));
}

TEST(MemoryFile, LargeStorageComesBackForTheNextFileWithOnlyTheNewBytes) {
    std::vector<uint8_t> big(6u << 20);
    for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7 + (i >> 12));
    {
        CxMemFile file;
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write(big.data(), big.size()));
    }
    // The next file (a smaller one, written in pieces) reads back exactly what it was given.
    CxMemFile file;
    ASSERT_TRUE(file.Open());
    const uint8_t head[5] = {1, 2, 3, 4, 5};
    ASSERT_TRUE(file.Write(head, sizeof head));
    ASSERT_TRUE(file.Write(big.data() + 1000, 3u << 20));
    ASSERT_EQ(file.Size(), sizeof head + (3u << 20));
    const uint8_t* bytes = file.GetBuffer(false);
    EXPECT_EQ(std::memcmp(bytes, head, sizeof head), 0);
    EXPECT_EQ(std::memcmp(bytes + sizeof head, big.data() + 1000, 3u << 20), 0);
    // A buffer the caller took is the caller's: freeing it leaves the next file unharmed.
    uint8_t* taken = file.GetBuffer(true);
    file.Close();
    CxMemFile next;
    ASSERT_TRUE(next.Open());
    ASSERT_TRUE(next.Write(big.data(), big.size()));
    EXPECT_NE(next.GetBuffer(false), taken);
    CxMemFile::FreeBuffer(taken);
    EXPECT_EQ(std::memcmp(next.GetBuffer(false), big.data(), big.size()), 0);
}

TEST(RestoreFrom, CopiesPixelsAlphaAndFormatAndDropsTheSelection) {
    for (bool alpha : {false, true}) {
        const CxImage source = Noise(37, 23, alpha, 7);
        // Into a picture of the same size (memory kept), of another size and an empty one.
        for (uint32_t w : {37u, 50u, 0u}) {
            CxImage target;
            if (w) target = Noise(w, 23, !alpha, 8);
            target.SelectionAddRect(CxRect{1, 1, 5, 5});
            ASSERT_TRUE(target.RestoreFrom(source));
            EXPECT_TRUE(SamePixels(target, source));
            EXPECT_EQ(target.AlphaIsValid(), alpha);
            EXPECT_EQ(target.GetType(), source.GetType());
            EXPECT_FALSE(target.SelectionIsValid());
        }
    }
    CxImage target = Noise(8, 8, false, 9);
    EXPECT_FALSE(target.RestoreFrom(CxImage()));
    EXPECT_FALSE(target.IsValid());
}

TEST(AdjustFrom, LightAndColorizeFromASourceGiveWhatACopyAdjustedAfterwardsGives) {
    // Sizes below, at and beyond a 64 KB piece of the one-pass road, with and without alpha.
    for (uint32_t w : {7u, 128u, 301u})
        for (bool alpha : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "width " << w << " alpha " << alpha);
            const CxImage source = Noise(w, 211, alpha, w);
            for (int kind = 0; kind < 4; ++kind) {
                CxImage expected = source;
                CxImage actual = Noise(w, 211, !alpha, 99);  // earlier pixels and a selection to lose
                actual.SelectionAddRect(CxRect{0, 0, 3, 3});
                switch (kind) {
                    case 0: expected.Light(37, -20); actual.Light(37, -20, source); break;
                    case 1: expected.Light(-80, 140); actual.Light(-80, 140, source); break;
                    case 2: expected.Colorize(90, 90, 1.0f); actual.Colorize(90, 90, 1.0f, source); break;
                    default: expected.Colorize(200, 30, 0.4f); actual.Colorize(200, 30, 0.4f, source); break;
                }
                EXPECT_TRUE(SamePixels(actual, expected)) << "kind " << kind;
                EXPECT_EQ(actual.AlphaIsValid(), alpha);
                EXPECT_FALSE(actual.SelectionIsValid());
                EXPECT_TRUE(SamePixels(source, Noise(w, 211, alpha, w))) << "the source stays as it was";
            }
        }
    // An empty source empties the picture; the picture as its own source is adjusted in place.
    CxImage target = Noise(9, 9, false, 1);
    EXPECT_FALSE(target.Light(10, 10, CxImage()));
    EXPECT_FALSE(target.IsValid());
    CxImage self = Noise(9, 9, false, 2), expected = Noise(9, 9, false, 2);
    expected.Light(10, 10);
    EXPECT_TRUE(self.Light(10, 10, self));
    EXPECT_TRUE(SamePixels(self, expected));
}

}  // namespace
