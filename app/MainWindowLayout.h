// Where the main window's controls stand: one table of id, kind, rectangle (client coordinates of
// the 967 x 790 design size) and caption, used by the window when it creates its controls and by
// the end-to-end tests when they find them.
#pragma once
#include <cstdint>

namespace rg_Zarno_YangLi {

enum class ControlKind { Painter, Slider, Label, Button };

struct ControlPlace {
    int32_t id;
    ControlKind kind;
    int32_t x, y, width, height;
    const wchar_t* caption;
};

enum MainWindowControlId : int32_t {
    kHiddenPainterId = 101,
    kPicturePainterId = 102,
    kBrightnessSliderId = 103,
    kContrastSliderId = 104,
    kHueSliderId = 105,
    kHueLabelId = 106,
    kContrastLabelId = 107,
    kGrayscaleButtonId = 108,
    kBrightnessLabelId = 109,
    kPrintButtonId = 110,
    kSaveButtonId = 111,
    kCornerButtonId = 112,
};

// In creation order. The picture painter's rectangle is where it starts; it takes the picture's
// size once a picture is shown.
inline constexpr ControlPlace kMainWindowControls[] = {
    {kHiddenPainterId, ControlKind::Painter, 325, 359, 496, 296, L""},
    {kPicturePainterId, ControlKind::Painter, 5, 151, 536, 280, L""},
    {kBrightnessSliderId, ControlKind::Slider, 77, 15, 872, 40, L""},
    {kContrastSliderId, ControlKind::Slider, 77, 59, 872, 40, L""},
    {kHueSliderId, ControlKind::Slider, 77, 103, 720, 40, L""},
    {kHueLabelId, ControlKind::Label, 5, 95, 56, 24, L"色调:"},
    {kContrastLabelId, ControlKind::Label, 5, 50, 56, 24, L"对比度:"},
    {kGrayscaleButtonId, ControlKind::Button, 629, 111, 64, 32, L"灰度"},
    {kBrightnessLabelId, ControlKind::Label, 5, 5, 56, 24, L"亮度:"},
    {kPrintButtonId, ControlKind::Button, 805, 103, 64, 32, L"打印"},
    {kSaveButtonId, ControlKind::Button, 885, 103, 56, 32, L"保存"},
    {kCornerButtonId, ControlKind::Button, 757, 135, 80, 32, L""},
};

// The table's entry of a control id (the first entry for an id not in the table).
constexpr const ControlPlace& ControlPlaceOf(int32_t id) {
    for (const ControlPlace& place : kMainWindowControls)
        if (place.id == id) return place;
    return kMainWindowControls[0];
}

// Where the picture is drawn in the main window's client area: the picture painter's corner.
inline constexpr int32_t kPictureX = ControlPlaceOf(kPicturePainterId).x;
inline constexpr int32_t kPictureY = ControlPlaceOf(kPicturePainterId).y;

}  // namespace rg_Zarno_YangLi
