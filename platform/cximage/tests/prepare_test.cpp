// Memory made ready ahead of need: pieces handed out in their order and by exact size, whether the
// worker has prepared them, is on them or has not reached them; surfaces from the installed factory
// and nothing left behind when the pieces are dropped or replaced.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/cximage/include/ximacore.h"
#include "platform/cximage/include/ximaprepare.h"

namespace {

constexpr size_t kBlock = size_t(8) << 20;

// A surface factory of plain memory that counts what it makes and destroys and can be held back,
// so a test can find the worker in the middle of a piece.
struct TestSurface {
    int32_t width, height;
    std::vector<uint8_t> bits;
};
std::atomic<int> g_made{0}, g_destroyed{0};
std::atomic<bool> g_holdMaking{false};
std::atomic<bool> g_makingHeld{false};

void* MakeTestSurface(int32_t width, int32_t height, void** bits) {
    if (g_holdMaking) {
        g_makingHeld = true;
        while (g_holdMaking) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const size_t rows = size_t(height < 0 ? -int64_t(height) : height);
    auto* surface = new TestSurface{width, height, std::vector<uint8_t>(size_t(width) * rows * 4, 0)};
    *bits = surface->bits.data();
    ++g_made;
    return surface;
}

void DestroyTestSurface(void* handle) {
    delete static_cast<TestSurface*>(handle);
    ++g_destroyed;
}

std::atomic<int> g_locked{0};
bool CountingLocker(void*, size_t) {
    ++g_locked;
    return true;
}

cximg::PreparedPiece Block(size_t bytes) {
    cximg::PreparedPiece piece;
    piece.blockBytes = bytes;
    return piece;
}

cximg::PreparedPiece Surface(int32_t width, int32_t height) {
    cximg::PreparedPiece piece;
    piece.width = width;
    piece.height = height;
    return piece;
}

bool AllZero(const void* bits, size_t bytes) {
    const uint8_t* p = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < bytes; ++i)
        if (p[i]) return false;
    return true;
}

class Prepared : public ::testing::Test {
protected:
    void SetUp() override {
        cximg::DropPrepared();
        cximg::ReleaseKeptPixelBlocks();
        cximg::SurfaceFactory factory;
        factory.make = &MakeTestSurface;
        factory.destroy = &DestroyTestSurface;
        cximg::SetSurfaceFactory(factory);
        g_made = g_destroyed = 0;
        g_holdMaking = false;
        g_makingHeld = false;
    }
    void TearDown() override {
        g_holdMaking = false;
        cximg::DropPrepared();
        cximg::SetSurfaceFactory(cximg::SurfaceFactory());
        cximg::SetPageLocker(nullptr);
        cximg::ReleaseKeptPixelBlocks();
        EXPECT_EQ(g_made.load(), g_destroyed.load()) << "every surface made is destroyed once";
    }
};

TEST_F(Prepared, PiecesAreHandedOutByExactSizeAndRowOrderAndOnlyOnce) {
    cximg::PrepareAhead({Block(kBlock), Surface(2000, -1000), Surface(2000, 1000), Block(kBlock)});
    // No piece of another size or row order.
    EXPECT_EQ(cximg::TakePreparedBlock(kBlock + 4), nullptr);
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(cximg::TakePreparedSurface(1000, -2000, &bits), nullptr);
    EXPECT_EQ(bits, nullptr);

    void* topDownBits = nullptr;
    void* topDown = cximg::TakePreparedSurface(2000, -1000, &topDownBits);
    ASSERT_NE(topDown, nullptr);
    EXPECT_EQ(static_cast<TestSurface*>(topDown)->height, -1000);
    EXPECT_EQ(topDownBits, static_cast<TestSurface*>(topDown)->bits.data());
    // Zero-filled as a fresh surface, after its pages were touched.
    EXPECT_TRUE(AllZero(topDownBits, size_t(2000) * 1000 * 4));
    void* bottomUpBits = nullptr;
    void* bottomUp = cximg::TakePreparedSurface(2000, 1000, &bottomUpBits);
    ASSERT_NE(bottomUp, nullptr);
    EXPECT_EQ(static_cast<TestSurface*>(bottomUp)->height, 1000);
    EXPECT_EQ(cximg::TakePreparedSurface(2000, 1000, &bits), nullptr) << "one surface of each was asked for";

    uint8_t* first = cximg::TakePreparedBlock(kBlock);
    uint8_t* second = cximg::TakePreparedBlock(kBlock);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(cximg::TakePreparedBlock(kBlock), nullptr);
    EXPECT_EQ(cximg::PreparedPiecesLeft(), 0u);
    // The blocks are the caller's now; writing all of them is fine.
    std::memset(first, 1, kBlock);
    std::memset(second, 2, kBlock);
    delete[] first;
    delete[] second;
    DestroyTestSurface(topDown);
    DestroyTestSurface(bottomUp);
}

TEST_F(Prepared, NewPixelBlockTakesAPreparedBlockAfterTheKeptOnes) {
    CxImage kept;
    ASSERT_TRUE(kept.Create(2048, 1024, false));  // 8 MB
    const uint8_t* keptBlock = kept.GetRow(0);
    kept.Destroy();
    ASSERT_EQ(cximg::KeptPixelBlocksOf(kBlock), 1u);
    EXPECT_EQ(cximg::KeptPixelBlocksOf(kBlock + 4), 0u);

    cximg::PrepareAhead({Block(kBlock)});
    CxImage a, b, c;
    ASSERT_TRUE(a.Create(2048, 1024, false));
    EXPECT_EQ(a.GetRow(0), keptBlock) << "the kept block goes first";
    EXPECT_EQ(cximg::PreparedPiecesLeft(), 1u);
    ASSERT_TRUE(b.Create(2048, 1024, true));
    EXPECT_EQ(cximg::PreparedPiecesLeft(), 0u) << "then the prepared one";
    // A prepared block holds whatever its touch left: Create still gives a cleared picture.
    CxImage fresh;
    ASSERT_TRUE(fresh.Create(3, 1, true));
    for (uint32_t y = 0; y < b.GetHeight(); y += 97)
        for (uint32_t x = 0; x < b.GetWidth(); x += 13) ASSERT_EQ(std::memcmp(b.GetRow(y) + x * 4, fresh.GetRow(0), 4), 0);
    ASSERT_TRUE(c.Create(2048, 1024, false)) << "then a new one";
    EXPECT_NE(c.GetRow(0), b.GetRow(0));
}

TEST_F(Prepared, APieceTheWorkerHasNotReachedIsMadeByWhoeverNeedsItAndAPieceInTheMakingIsWaitedFor) {
    // The worker is held in the first surface; the block behind it is still pending.
    g_holdMaking = true;
    cximg::PrepareAhead({Surface(1500, 1000), Block(kBlock)});
    while (!g_makingHeld) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    uint8_t* block = cximg::TakePreparedBlock(kBlock);
    ASSERT_NE(block, nullptr);
    delete[] block;
    EXPECT_EQ(cximg::PreparedPiecesLeft(), 1u);

    std::atomic<bool> taken{false};
    void* surface = nullptr;
    std::thread taker([&] {
        void* bits = nullptr;
        surface = cximg::TakePreparedSurface(1500, 1000, &bits);
        taken = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(taken.load()) << "the taker waits while the worker is on its surface";
    g_holdMaking = false;
    taker.join();
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(g_made.load(), 1) << "the surface was made once, by the worker";
    DestroyTestSurface(surface);
}

TEST_F(Prepared, DroppingOrPreparingAgainFreesWhatWasNotTaken) {
    cximg::PrepareAhead({Surface(1500, 1000), Surface(1500, -1000), Block(kBlock)});
    void* bits = nullptr;
    void* taken = cximg::TakePreparedSurface(1500, -1000, &bits);
    ASSERT_NE(taken, nullptr);
    const size_t unused = cximg::PreparedPiecesUnused();
    cximg::PrepareAhead({Surface(1024, 1024)});
    EXPECT_EQ(cximg::PreparedPiecesUnused(), unused + 2) << "the surface and the block were not taken";
    EXPECT_EQ(cximg::TakePreparedSurface(1500, 1000, &bits), nullptr) << "the earlier list is gone";
    EXPECT_EQ(cximg::PreparedPiecesLeft(), 1u);
    cximg::DropPrepared();
    EXPECT_EQ(cximg::PreparedPiecesLeft(), 0u);
    EXPECT_EQ(cximg::TakePreparedSurface(1024, 1024, &bits), nullptr);
    DestroyTestSurface(taken);
    EXPECT_EQ(g_made.load(), g_destroyed.load());
}

TEST_F(Prepared, SmallAndHugePiecesAndSurfacesWithoutAFactoryAreLeftOut) {
    cximg::PrepareAhead({Block(size_t(1) << 20), Surface(100, 100)});
    EXPECT_EQ(cximg::PreparedPiecesLeft(), 0u);
    // Beyond 64 megapixels nothing is made ahead (a damaged file may claim any size).
    cximg::PrepareAhead({Block((size_t(256) << 20) + 4), Surface(16384, 4097)});
    EXPECT_EQ(cximg::PreparedPiecesLeft(), 0u);
    EXPECT_EQ(g_made.load(), 0);
    cximg::SetSurfaceFactory(cximg::SurfaceFactory());
    cximg::PrepareAhead({Surface(2000, 1000), Block(kBlock)});
    EXPECT_EQ(cximg::PreparedPiecesLeft(), 1u);
    void* bits = nullptr;
    EXPECT_EQ(cximg::TakePreparedSurface(2000, 1000, &bits), nullptr);
    uint8_t* block = cximg::TakePreparedBlock(kBlock);
    EXPECT_NE(block, nullptr);
    delete[] block;
}

TEST_F(Prepared, PagesAreBroughtInByThePlatformLockerAndTouchingLeavesZerosAsTheyWere) {
    g_locked = 0;
    cximg::SetPageLocker(&CountingLocker);
    std::vector<uint8_t> memory(size_t(3) << 20, 0);
    cximg::PreparePages(memory.data(), memory.size(), true);
    EXPECT_EQ(g_locked.load(), 1);
    EXPECT_TRUE(AllZero(memory.data(), memory.size()));
    cximg::PreparePages(nullptr, 4096, true);
    cximg::PreparePages(memory.data(), 0, true);
    EXPECT_EQ(g_locked.load(), 1) << "nothing to bring in";
}

}  // namespace
