// Views of a picture at any scale: the part of the picture that a window shows when it is zoomed
// and scrolled, drawn with an area-averaging filter, so that a photographed page shrunk to fit a
// window keeps its text legible (every source pixel counts by the share of its area that falls in
// an output pixel; no source pixel is skipped, nothing aliases).
#pragma once
#include <cstdint>

#include "platform/cximage/include/ximacore.h"

namespace cximg {

// Where a view looks: the picture is scaled by `scale` (1 = one picture pixel per view pixel) and
// the view's top-left pixel is pixel (originX, originY) of the scaled picture. The view is width x
// height pixels.
struct ViewWindow {
    double scale = 1.0;
    int64_t originX = 0, originY = 0;
    uint32_t width = 0, height = 0;
};

// The picture area (in picture pixels, fractional) that view pixel column `column` covers:
// [(originX + column) / scale, (originX + column + 1) / scale).
inline double ViewToPicture(double viewCoordinate, int64_t origin, double scale) {
    return (double(origin) + viewCoordinate) / scale;
}

// Renders the view of `picture` into `view` (created at the view's size, alpha kept when the picture
// has it). Each view pixel is the area-weighted mean of the picture pixels under it; view pixels that
// lie wholly outside the picture are white (alpha 0 for pictures with alpha). Rows are split between
// up to `threads` threads (0 = as many as the machine has, at most 4); the result does not depend
// on the thread count. False for an invalid picture, a zero-sized view or a scale that is not
// positive and finite.
bool RenderAreaView(const CxImage& picture, const ViewWindow& window, CxImage& view, unsigned threads = 0);

// Turns the processor's vector kernels off (false) or back on, so tests can check that both kinds
// give the same bytes. On by default; without vector support only the plain kernels run.
void SetViewVectorKernels(bool enabled);

}  // namespace cximg
