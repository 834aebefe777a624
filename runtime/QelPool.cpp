#include "runtime/QelPool.h"
#include "runtime/AppInstance.h"

#include <windows.h>
#include <cstdlib>
#include <cstring>

namespace {
HeapAllocHook g_heapAllocHook = nullptr;

void* HeapTake(size_t n) {
    if (g_heapAllocHook) return g_heapAllocHook(n);
    return HeapAlloc(GetProcessHeap(), 0, n);
}
}  // namespace

void SetHeapAllocHookForTesting(HeapAllocHook hook) { g_heapAllocHook = hook; }

void Lock(SpinLock* word) {
    for (;;) {
        if (__atomic_sub_fetch(word, 1, __ATOMIC_ACQUIRE) == 0) return;
        do {
            __builtin_ia32_pause();
        } while (__atomic_load_n(word, __ATOMIC_RELAXED) <= 0);
    }
}

void Unlock(SpinLock* word) { __atomic_store_n(word, 1, __ATOMIC_RELEASE); }

[[noreturn]] void QelExitOnAllocFailure() { std::exit(-1); }

CPoolMem::CPoolMem() {
    char* region = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, kRegionBytes));
    if (!region) QelExitOnAllocFailure();
    blockStart = region;
    blockEnd = region + kRegionBytes;
    freeList = region;
    const int64_t count = kRegionBytes / blockSize;
    for (int64_t i = 0; i < count; ++i) {
        char* block = region + i * blockSize;
        void* next = (i + 1 < count) ? block + blockSize : nullptr;
        std::memcpy(block, &next, sizeof next);
    }
}

CPoolMem::~CPoolMem() { ReleaseRegion(); }

void CPoolMem::ReleaseRegion() {
    if (blockStart) HeapFree(GetProcessHeap(), 0, blockStart);
    blockStart = blockEnd = nullptr;
    freeList = nullptr;
}

void* CPoolMem::PopBlock() {
    Lock(&lockWord);
    void* block = freeList;
    if (block) std::memcpy(&freeList, block, sizeof freeList);
    Unlock(&lockWord);
    return block;
}

void* PoolAlloc(CPoolMem* pool, size_t n) {
    if (static_cast<int64_t>(n) <= pool->blockSize) {
        if (void* block = pool->PopBlock()) return block;
    }
    return HeapTake(n);
}

void PoolFree(CPoolMem* pool, void* p) {
    if (!p) return;
    if (pool->Contains(p)) {
        Lock(&pool->lockWord);
        std::memcpy(p, &pool->freeList, sizeof pool->freeList);
        pool->freeList = p;
        Unlock(&pool->lockWord);
    } else {
        HeapFree(GetProcessHeap(), 0, p);
    }
}

CPoolMem* GetPool() { return &GetAppInstance()->pool; }
