// Timing helpers of the harnesses: the memcpy yardstick and summaries of repeated measurements.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace benchhost {

double NowMs();

// Best time of copying `bytes` bytes between two buffers that were written beforehand (so no page is
// touched for the first time while timed), in milliseconds.
inline double MemcpyMs(size_t bytes, int runs = 9) {
    std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double t0 = NowMs();
        std::memcpy(b.data(), a.data(), bytes);
        best = std::min(best, NowMs() - t0);
        a[i % bytes] ^= b[(i * 7919) % bytes];  // keep the copies observable
    }
    return best;
}

struct Summary {
    double best = 0, median = 0;
};

inline Summary Summarise(std::vector<double> samples) {
    Summary s;
    if (samples.empty()) return s;
    std::sort(samples.begin(), samples.end());
    s.best = samples.front();
    s.median = samples[samples.size() / 2];
    return s;
}

}  // namespace benchhost
