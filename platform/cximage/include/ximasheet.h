// The paper sheet in a phone photograph: finding its four corners, estimating its true shape from
// the perspective, and warping it into an upright rectangle. Portable (no Windows headers).
#pragma once
#include <cstdint>

#include "platform/cximage/include/ximacore.h"

namespace cximg {

// Corners of a sheet in picture pixels (x to the right, y down, rows counted from the top; the
// centre of the top-left pixel is (0.5, 0.5)). Order: top-left, top-right, bottom-right,
// bottom-left, i.e. clockwise on the screen.
struct SheetCorners {
    double x[4], y[4];
};

// The default corners: the picture's own corners moved 5 % of its size inwards.
SheetCorners DefaultSheetCorners(uint32_t width, uint32_t height);

// Looks for a bright four-sided sheet in the picture (at reduced resolution, refined at full
// resolution). True with the corners and a confidence in 0..1 when one was found; false with the
// default corners and the (low) confidence of the best candidate, or 0, when none was convincing.
bool FindSheet(const CxImage& picture, SheetCorners& out, double& confidence);

// The sheet's true width / height estimated from its corners and the perspective, taking the
// picture's centre as the camera's principal point and solving for the unknown focal length from
// the two vanishing points. When a pair of sides is parallel in the picture, or the solution is not
// a plausible camera's, a typical phone camera's focal length (0.85 times the picture's diagonal)
// is used instead; when even that fails, the averaged opposite side lengths decide. Within 3 % of
// A4 (1 : sqrt 2) or Letter (8.5 : 11), in either orientation, the ratio is snapped to the paper
// size. False when the corners do not form a proper convex clockwise quadrilateral.
bool SheetAspect(const SheetCorners& corners, uint32_t pictureW, uint32_t pictureH, double& aspect);

// Warps the quadrilateral into an upright rectangle of the aspect SheetAspect gives, about as
// large as the quadrilateral's own extent in pixels (bounded to kMaxPixels), by a perspective
// transform with bilinear sampling. Alpha is carried along. False with err when the picture is
// empty or the corners are not a convex clockwise quadrilateral lying at least mostly inside the
// picture; out is left as it was then.
bool RectifySheet(const CxImage& in, const SheetCorners& corners, CxImage& out, const char*& err);

// A perspective transform (3 x 3, row-major, h[8] normally 1) taking the unit square's corners
// (0,0), (1,0), (1,1), (0,1) to the four given points in that order. False when the points are
// degenerate (three on one line).
bool SquareToQuad(const double x[4], const double y[4], double h[9]);

}  // namespace cximg
