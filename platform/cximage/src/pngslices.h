// How the PNG encoder cuts a picture's rows into slices compressed independently, and the encoder
// with the thread count and slice size given (tests and benchmarks choose them).
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/cximage/include/ximacore.h"

namespace cximg {

struct PngSlicePlan {
    uint32_t rowsPerSlice = 1;  // every slice but the last has this many rows
    uint32_t slices = 0;
};

// About this many bytes of filtered rows in a slice: large enough that the 32 KB window each slice
// filters again and the blocks each slice ends early cost little, small enough that a 12-megapixel
// picture gives every processor of a large machine several slices.
constexpr size_t kPngSliceBytes = size_t(1) << 19;

// Whole rows of about sliceBytes filtered bytes (at least one row) per slice.
PngSlicePlan PlanPngSlices(uint32_t width, uint32_t height, bool alpha, size_t sliceBytes);

// EncodePng with at most `threads` threads and slices of about sliceBytes.
bool EncodePngSliced(const Picture& pic, CxMemFile& out, const char*& err, unsigned threads, size_t sliceBytes);

}  // namespace cximg
