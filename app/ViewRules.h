// How the picture is seen in the window when the user zooms or scrolls: the view's scale and scroll
// position, the painter's size that follows from them, and the mapping between painter pixels and
// picture pixels. Until the user first changes the view, the picture is drawn 1:1 at the painter's
// corner and the painter takes the picture's size (the "plain" view).
#pragma once
#include <cstdint>

namespace rg_Zarno_YangLi {

struct PictureView {
    bool active = false;  // false: the plain view
    bool fit = false;     // the scale follows the window so the whole picture shows
    double scale = 1.0;   // view pixels per picture pixel
    int64_t originX = 0;  // the view's top-left pixel in the scaled picture
    int64_t originY = 0;
};

// The largest scale (at most 1) at which a picture of width x height fits in the area.
double FitScale(int64_t width, int64_t height, int64_t areaWidth, int64_t areaHeight);

// The scaled picture's extent along one axis (at least 1 pixel for a non-empty picture).
int64_t ScaledExtent(int64_t extent, double scale);

// The painter's extent along one axis in an active view: the scaled picture, at most the area.
int64_t ViewExtent(int64_t extent, double scale, int64_t area);

// Keeps the view inside the scaled picture: 0 <= origin <= scaled extent - view extent.
int64_t ClampOrigin(int64_t origin, int64_t extent, double scale, int64_t viewExtent);

// The picture pixel under painter coordinate `coordinate`. Coordinates above 60000 came from left
// of or above the painter (16-bit wrap-around while the mouse is captured) and pass unchanged, so
// that the selection's clamping treats them as before the picture.
int32_t PainterToPicture(int32_t coordinate, int64_t origin, double scale);

// The painter coordinate of the centre of picture pixel `pixel` (the identity at scale 1, origin 0).
int32_t PictureToPainter(int32_t pixel, int64_t origin, double scale);

// The next zoom step above or below the current scale (steps from 1/32 to 16, a factor of about
// 1.25 apart, with 1 among them).
double NextZoomStep(double scale, bool larger);

// The origin along one axis that keeps the picture point under painter coordinate `anchor` in
// place when the scale changes from `oldScale` to `newScale`.
int64_t OriginKeepingAnchor(int64_t origin, double oldScale, double newScale, int64_t anchor);

// How far one wheel notch scrolls: a fifth of the view's extent, at least 16 pixels.
int64_t WheelStep(int64_t viewExtent);

}  // namespace rg_Zarno_YangLi
