// Threads of the picture library that stay for the whole run. Per-frame work (the area-averaged view,
// a slider's adjustment, a picture copied into a window's surface) is cut into parts that these
// threads and the calling thread share: starting threads for every frame costs more than the work
// they share, notably under Wine.
#pragma once
#include <cstddef>
#include <functional>

namespace cximg {

// How many threads per-frame work uses by default: as many as the machine has, at most 4.
unsigned DefaultWorkerThreads();
// How many a pass over a picture's pixels uses: SetPixelPassThreads's choice, else the default.
unsigned PixelPassThreads();

// Passes over a large picture's pixels work in bands of this many pixels (1 MB, a multiple of 16 so
// that in a band of whole pixels only the last band has a tail the vector kernels do one by one).
constexpr size_t kBandPixels = size_t(1) << 18;

// Runs work(0) .. work(parts - 1), each once, on the calling thread and the shared workers (at
// least threads - 1 of them exist afterwards), and returns when all parts are done. Parts are taken
// in order by whichever thread is free, so a machine busy with other programs still shares the
// work out. Callers take turns: work must not call RunParts itself.
void RunParts(unsigned parts, unsigned threads, const std::function<void(unsigned)>& work);

// Runs body(begin, end) over [0, count) in ranges of `grain` (the last one shorter); with threads
// above 1 and more than one range, on the shared workers, else in one call on this thread.
void ForRanges(size_t count, size_t grain, unsigned threads, const std::function<void(size_t, size_t)>& body);

// Runs body(first, end) over the rows [0, rows) of a pass over pixels, rows rowPixels wide, in bands
// of about kBandPixels pixels (at least one row), with PixelPassThreads() threads.
void ForRowBands(size_t rows, size_t rowPixels, const std::function<void(size_t, size_t)>& body);

}  // namespace cximg
