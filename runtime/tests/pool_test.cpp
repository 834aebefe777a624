// Memory pool: block limits, reallocation, exhaustion, concurrency and the failure exit.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "runtime/QelObject.h"

namespace {

size_t CountFreeBlocks(CPoolMem* pool) {
    size_t n = 0;
    Lock(&pool->lockWord);
    for (void* p = pool->freeList; p; std::memcpy(&p, p, sizeof p)) ++n;
    Unlock(&pool->lockWord);
    return n;
}

// Takes every free block of the pool and gives them back when it goes out of scope.
struct PoolDrain {
    std::vector<void*> taken;
    PoolDrain() {
        while (void* b = GetPool()->PopBlock()) taken.push_back(b);
    }
    ~PoolDrain() {
        for (void* b : taken) PoolFree(GetPool(), b);
    }
};

TEST(Pool, RegionIsCutIntoBlocksInAddressOrder) {
    CPoolMem pool;
    EXPECT_EQ(pool.blockEnd - pool.blockStart, 0x800000);
    EXPECT_EQ(pool.blockSize, 256);
    EXPECT_EQ(pool.lockWord, 1);
    EXPECT_EQ(CountFreeBlocks(&pool), 32768u);
    void* a = PoolAlloc(&pool, 8);
    void* b = PoolAlloc(&pool, 8);
    EXPECT_EQ(a, pool.blockStart);
    EXPECT_EQ(b, pool.blockStart + 256);
    PoolFree(&pool, a);
    EXPECT_EQ(pool.freeList, a);  // freed blocks go to the head
    EXPECT_EQ(PoolAlloc(&pool, 100), a);
}

TEST(Pool, RequestsUpTo256BytesComeFromThePoolLargerFromTheHeap) {
    CPoolMem pool;
    void* small = PoolAlloc(&pool, 256);
    void* large = PoolAlloc(&pool, 257);
    EXPECT_TRUE(pool.Contains(small));
    EXPECT_FALSE(pool.Contains(large));
    EXPECT_EQ(CountFreeBlocks(&pool), 32767u);
    PoolFree(&pool, large);
    PoolFree(&pool, small);
    EXPECT_EQ(CountFreeBlocks(&pool), 32768u);
}

TEST(Pool, ExhaustedPoolFallsBackToTheHeapAndHeapBlocksNeverJoinTheList) {
    CPoolMem pool;
    std::vector<void*> blocks;
    for (int i = 0; i < 32768; ++i) blocks.push_back(PoolAlloc(&pool, 16));
    EXPECT_EQ(pool.freeList, nullptr);
    void* extra = PoolAlloc(&pool, 16);
    ASSERT_NE(extra, nullptr);
    EXPECT_FALSE(pool.Contains(extra));
    std::memset(extra, 0xAB, 16);
    PoolFree(&pool, extra);
    EXPECT_EQ(pool.freeList, nullptr);  // went back to the heap
    for (void* b : blocks) PoolFree(&pool, b);
    EXPECT_EQ(CountFreeBlocks(&pool), 32768u);
}

TEST(MemorySlots, ReallocOfPoolBlockStaysWhenItFitsAndMovesToTheHeapWhenItGrows) {
    CQelObject owner;
    CPoolMem* pool = owner.GetMemManager();
    EXPECT_EQ(pool, GetPool());
    auto* p = static_cast<unsigned char*>(owner.Alloc(64));
    ASSERT_TRUE(pool->Contains(p));
    EXPECT_EQ(owner.Realloc(p, 200), p);
    for (int i = 0; i < 256; ++i) p[i] = static_cast<unsigned char>(i);
    auto* q = static_cast<unsigned char*>(owner.Realloc(p, 300));
    EXPECT_FALSE(pool->Contains(q));
    for (int i = 0; i < 256; ++i) ASSERT_EQ(q[i], i);
    EXPECT_EQ(pool->freeList, p);  // the old block is free again
    auto* r = static_cast<unsigned char*>(owner.Realloc(q, 100));
    EXPECT_FALSE(pool->Contains(r));  // heap memory never returns to the pool
    EXPECT_EQ(r[99], 99);
    owner.Free(r);
    owner.Free(nullptr);
}

TEST(MemorySlots, TryAllocAnswersNullWhenTheHeapHasNothing) {
    CQelObject owner;
    SetHeapAllocHookForTesting([](size_t) -> void* { return nullptr; });
    void* p = owner.TryAlloc(1 << 20);
    SetHeapAllocHookForTesting(nullptr);
    EXPECT_EQ(p, nullptr);
}

TEST(MemorySlotsDeathTest, AllocEndsTheProcessWithMinusOneWhenNothingCanBeHad) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetHeapAllocHookForTesting([](size_t) -> void* { return nullptr; });
            CQelObject owner;
            owner.Alloc(1 << 20);
        },
        ::testing::ExitedWithCode(-1), "");
}

TEST(MemorySlotsDeathTest, ObjectCreationEndsTheProcessWhenPoolAndHeapAreEmpty) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            PoolDrain drain;
            SetHeapAllocHookForTesting([](size_t) -> void* { return nullptr; });
            CQelObject* o = CQelObject::StaticRecord()->create();
            o->Delete();
        },
        ::testing::ExitedWithCode(-1), "");
}

TEST(Pool, ObjectsAreCarvedFromThePoolAndReturnedOnDelete) {
    CQelObject* o = CQelObject::StaticRecord()->create();
    EXPECT_TRUE(GetPool()->Contains(o));
    void* head = o;
    o->Delete();
    EXPECT_EQ(GetPool()->freeList, head);
}

TEST(Pool, ObjectsFallBackToTheHeapWhenThePoolIsEmpty) {
    PoolDrain drain;
    CQelObject* o = CQelObject::StaticRecord()->create();
    EXPECT_FALSE(GetPool()->Contains(o));
    o->Delete();
    EXPECT_EQ(GetPool()->freeList, nullptr);
}

TEST(SpinLockTest, TwoThreadsNeverShareABlockAndNeverLoseOne) {
    CPoolMem pool;
    std::atomic<int> owners[32768] = {};
    std::atomic<bool> clash{false};
    auto worker = [&](int seed) {
        std::vector<void*> held;
        unsigned x = static_cast<unsigned>(seed);
        for (int i = 0; i < 200000; ++i) {
            x = x * 1103515245u + 12345u;
            if (held.size() < 64 && ((x >> 16) & 1)) {
                void* b = PoolAlloc(&pool, 32);
                if (!pool.Contains(b)) { clash = true; break; }
                size_t idx = (static_cast<char*>(b) - pool.blockStart) / 256;
                if (owners[idx].fetch_add(1) != 0) clash = true;
                held.push_back(b);
            } else if (!held.empty()) {
                void* b = held.back();
                held.pop_back();
                size_t idx = (static_cast<char*>(b) - pool.blockStart) / 256;
                owners[idx].fetch_sub(1);
                PoolFree(&pool, b);
            }
        }
        for (void* b : held) {
            owners[(static_cast<char*>(b) - pool.blockStart) / 256].fetch_sub(1);
            PoolFree(&pool, b);
        }
    };
    std::thread t1(worker, 1), t2(worker, 2);
    t1.join();
    t2.join();
    EXPECT_FALSE(clash.load());
    EXPECT_EQ(CountFreeBlocks(&pool), 32768u);
    EXPECT_EQ(pool.lockWord, 1);
}

}  // namespace
