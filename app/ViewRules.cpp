#include "app/ViewRules.h"

#include <algorithm>
#include <cmath>

namespace rg_Zarno_YangLi {

namespace {
constexpr double kSmallestScale = 1.0 / 32.0;
constexpr double kLargestScale = 16.0;
constexpr double kStepFactor = 1.25;
}  // namespace

double FitScale(int64_t width, int64_t height, int64_t areaWidth, int64_t areaHeight) {
    if (width <= 0 || height <= 0) return 1.0;
    const double byWidth = double(std::max<int64_t>(1, areaWidth)) / double(width);
    const double byHeight = double(std::max<int64_t>(1, areaHeight)) / double(height);
    return std::clamp(std::min(byWidth, byHeight), 1e-6, 1.0);
}

int64_t ScaledExtent(int64_t extent, double scale) {
    if (extent <= 0) return 0;
    // A hair below the next integer counts as that integer: a fitted picture fills the area.
    return std::max<int64_t>(1, static_cast<int64_t>(std::ceil(double(extent) * scale - 1e-9)));
}

int64_t ViewExtent(int64_t extent, double scale, int64_t area) {
    return std::max<int64_t>(1, std::min(ScaledExtent(extent, scale), std::max<int64_t>(1, area)));
}

int64_t ClampOrigin(int64_t origin, int64_t extent, double scale, int64_t viewExtent) {
    const int64_t most = std::max<int64_t>(0, ScaledExtent(extent, scale) - viewExtent);
    return std::clamp<int64_t>(origin, 0, most);
}

int32_t PainterToPicture(int32_t coordinate, int64_t origin, double scale) {
    if (coordinate > 60000) return coordinate;
    const double picture = std::floor((double(coordinate) + double(origin)) / scale);
    return static_cast<int32_t>(std::clamp(picture, -1e9, 1e9));
}

int32_t PictureToPainter(int32_t pixel, int64_t origin, double scale) {
    const double painter = std::floor((double(pixel) + 0.5) * scale) - double(origin);
    return static_cast<int32_t>(std::clamp(painter, -1e9, 1e9));
}

double NextZoomStep(double scale, bool larger) {
    // Steps are 1.25^k; the current scale may lie between two of them (after a fit).
    const double k = std::log(scale) / std::log(kStepFactor);
    const double next = larger ? std::floor(k + 1e-6) + 1.0 : std::ceil(k - 1e-6) - 1.0;
    double result = std::pow(kStepFactor, next);
    if (std::abs(result - 1.0) < 1e-9) result = 1.0;
    return std::clamp(result, kSmallestScale, kLargestScale);
}

int64_t OriginKeepingAnchor(int64_t origin, double oldScale, double newScale, int64_t anchor) {
    const double picturePoint = (double(origin) + double(anchor)) / oldScale;
    return static_cast<int64_t>(std::llround(picturePoint * newScale - double(anchor)));
}

int64_t WheelStep(int64_t viewExtent) { return std::max<int64_t>(16, viewExtent / 5); }

}  // namespace rg_Zarno_YangLi
