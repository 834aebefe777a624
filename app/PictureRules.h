// The application's small rules, kept apart from the window so they can be checked on their own:
// the saved file's name, the safe write of the saved bytes, the selection's clamping, the slider
// mapping and the conversion of the selection into the picture library's bottom-up rows.
#pragma once
#include <cstdint>

#include "QelString.h"
#include "ValueClasses.h"

namespace rg_Zarno_YangLi {

// Folder part of the dropped path + "\已修改_" + base name + ".png" (base name: the file part up to
// its first dot; folder part only for rooted paths "\..." and "X:\...").
CWString BuildSavePath(const CWString& droppedPath);

// Writes the bytes to a temporary file in the target's folder and replaces the target only after
// every byte reached the disk, so a failure never damages an existing file. Nothing is written for
// an empty buffer. Returns true when the target now holds the bytes.
bool WriteFileReplacing(const CWString& path, const uint8_t* bytes, int64_t count);

// Clamping of a dragged edge against the picture's extent: while moving, a value past the extent
// becomes the last pixel (or 0 when it came from before the picture: above 60000); on release one
// pixel further inside (extent - 2, or 1).
int32_t ClampEdgeWhileMoving(int32_t value, int32_t extent);
int32_t ClampEdgeOnRelease(int32_t value, int32_t extent);

// A selection limits the adjustments when its right and bottom edges are both non-zero.
inline bool SelectionLimitsAdjustment(const rg_Zarno_JiBen::rg_JuXingLei& s) { return s.right != 0 && s.bottom != 0; }
// Guide lines are drawn when the four edges XOR to a non-zero value.
inline bool SelectionHasGuideLines(const rg_Zarno_JiBen::rg_JuXingLei& s) {
    return (s.left ^ s.top ^ s.right ^ s.bottom) != 0;
}
// The selection in the picture library's rows, which count from the bottom.
rg_Zarno_JiBen::rg_JuXingLei SelectionToLibraryRect(const rg_Zarno_JiBen::rg_JuXingLei& s, int32_t height);

// Light arguments from the brightness and contrast slider positions (0..510, 255 = no change).
struct LightArgs {
    int32_t brightness;
    int32_t contrast;
};
inline LightArgs LightFromSliders(int32_t brightnessPos, int32_t contrastPos) {
    return LightArgs{brightnessPos - 255, contrastPos - 255};
}

}  // namespace rg_Zarno_YangLi
