// Times object allocation and deletion through the pool against HeapAlloc/HeapFree and the C++
// allocator for the same size, and prints the ratios. Run under Wine or on Windows.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "runtime/QelObject.h"

namespace {

// An object of the runtime the size of a small control's data.
class BenchObject : public CQelObject {
public:
    char payload[96];
};

struct PlainObject {
    virtual ~PlainObject() = default;
    char payload[112];
};

template <class F>
double BestNsPerOp(F&& body, int rounds, int opsPerRound) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = std::chrono::steady_clock::now();
        body();
        auto t1 = std::chrono::steady_clock::now();
        double ns = std::chrono::duration<double, std::nano>(t1 - t0).count() / opsPerRound;
        if (ns < best) best = ns;
    }
    return best;
}

}  // namespace

int main() {
    constexpr int kBatch = 256;  // objects alive at once, like a window's controls and strings
    constexpr int kLoops = 4000;
    constexpr int kOps = kBatch * kLoops;
    static_assert(sizeof(BenchObject) == sizeof(PlainObject), "same size for a fair comparison");
    std::vector<void*> slots(kBatch);
    HANDLE heap = GetProcessHeap();

    double pool = BestNsPerOp(
        [&] {
            for (int l = 0; l < kLoops; ++l) {
                for (int i = 0; i < kBatch; ++i) slots[i] = new BenchObject();
                for (int i = kBatch - 1; i >= 0; --i) static_cast<BenchObject*>(slots[i])->Delete();
            }
        },
        7, kOps);
    double heapNs = BestNsPerOp(
        [&] {
            for (int l = 0; l < kLoops; ++l) {
                for (int i = 0; i < kBatch; ++i) slots[i] = HeapAlloc(heap, 0, sizeof(BenchObject));
                for (int i = kBatch - 1; i >= 0; --i) HeapFree(heap, 0, slots[i]);
            }
        },
        7, kOps);
    double cxx = BestNsPerOp(
        [&] {
            for (int l = 0; l < kLoops; ++l) {
                for (int i = 0; i < kBatch; ++i) slots[i] = new PlainObject();
                for (int i = kBatch - 1; i >= 0; --i) delete static_cast<PlainObject*>(slots[i]);
            }
        },
        7, kOps);

    std::printf("object allocation + deletion, %zu bytes, %d objects alive at once (best of 7)\n",
                sizeof(BenchObject), kBatch);
    std::printf("  %-28s %8.1f ns/op\n", "pool (new/Delete)", pool);
    std::printf("  %-28s %8.1f ns/op   pool is %.1fx faster\n", "HeapAlloc/HeapFree", heapNs, heapNs / pool);
    std::printf("  %-28s %8.1f ns/op   pool is %.1fx faster\n", "operator new/delete", cxx, cxx / pool);
    return 0;
}
