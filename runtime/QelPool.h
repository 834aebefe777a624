// Process-wide memory manager: a pool of equal blocks carved from one region of the process heap,
// with the heap as the fallback for larger requests and for the time the pool is exhausted.
#pragma once
#include <cstddef>
#include <cstdint>

// Spin lock word: 1 means free. Taken by an atomic decrement that lands on 0.
typedef volatile int64_t SpinLock;

void Lock(SpinLock* word);
void Unlock(SpinLock* word);

class CPoolMem {
public:
    static constexpr int64_t kRegionBytes = 0x800000;  // 8 MiB
    static constexpr int64_t kDefaultBlockSize = 256;

    CPoolMem();
    virtual ~CPoolMem();
    CPoolMem(const CPoolMem&) = delete;
    CPoolMem& operator=(const CPoolMem&) = delete;

    bool Contains(const void* p) const {
        return p != nullptr && static_cast<const char*>(p) >= blockStart && static_cast<const char*>(p) < blockEnd;
    }
    // Pops the head of the free list under the lock; null when the list is empty.
    void* PopBlock();
    // Returns every block of the region to the heap (process exit).
    void ReleaseRegion();

    char* blockStart = nullptr;
    char* blockEnd = nullptr;
    void* freeList = nullptr;
    int64_t blockSize = kDefaultBlockSize;
    SpinLock lockWord = 1;
};

void* PoolAlloc(CPoolMem* pool, size_t n);
void PoolFree(CPoolMem* pool, void* p);

// Ends the process with exit code -1, without a message (allocation failure).
[[noreturn]] void QelExitOnAllocFailure();

// The one pool of the process (a member of the application instance).
CPoolMem* GetPool();

// Heap fallback used by the pool; tests may replace it to simulate an exhausted heap.
typedef void* (*HeapAllocHook)(size_t n);
void SetHeapAllocHookForTesting(HeapAllocHook hook);
