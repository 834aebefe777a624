// The application's small rules, kept apart from the window so they can be checked on their own:
// the saved file's name, the safe write of the saved bytes, the selection's clamping, the slider
// mapping and the conversion of the selection into the picture library's bottom-up rows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/cximage/include/ximaprepare.h"
#include "runtime/QelString.h"
#include "runtime/ValueClasses.h"

namespace rg_Zarno_YangLi {

// Folder part of the dropped path + "\已修改_" + base name + ".png" (base name: the file part up to
// its first dot; folder part only for rooted paths "\..." and "X:\...").
CWString BuildSavePath(const CWString& droppedPath);

// Why a picture file could not be loaded, in the user's words, from the picture library's error
// text: the file cannot be read, the picture is too large, the format is not supported, or
// (anything else) the file is damaged or incomplete.
const wchar_t* LoadFailureReason(const char* libraryError);
// The message shown when a dropped file cannot be loaded: the file's name without its folder, then
// the reason on a line of its own.
CWString LoadFailureMessage(const CWString& path, const char* libraryError);

// The form of a path that Windows opens whatever its length: paths of 260 characters or more are
// made absolute and given the "\\?\" prefix ("\\?\UNC\" for network paths); shorter paths and
// paths that already carry the prefix are returned as they are.
CWString ExtendedLengthPath(const CWString& path);

// Writes the bytes to a temporary file in the target's folder, flushes it to the disk and only then
// replaces the target, so a failure never damages an existing file and leaves no temporary file.
// Nothing is written for an empty buffer. Returns true when the target now holds the bytes.
bool WriteFileReplacing(const CWString& path, const uint8_t* bytes, int64_t count);

// The two disk steps of that write, replaceable so that tests can make the disk fail: write count
// bytes to the open file (answering how many were written), and flush the file to the disk.
struct FileWriteSteps {
    bool (*write)(void* file, const uint8_t* bytes, uint32_t count, uint32_t* written);
    bool (*flush)(void* file);
};
// Installs steps (null members: the system's own) and answers the ones installed before.
FileWriteSteps SetFileWriteSteps(FileWriteSteps steps);

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

// Slider ranges: brightness and contrast run 0..510 with 255 for no change, hue 0..255.
constexpr int64_t kLightSliderMaximum = 510;
constexpr int64_t kLightSliderNeutral = 255;
constexpr int64_t kHueSliderMaximum = 255;

// Light arguments from the brightness and contrast slider positions (0..510, 255 = no change).
struct LightArgs {
    int32_t brightness;
    int32_t contrast;
};
inline LightArgs LightFromSliders(int32_t brightnessPos, int32_t contrastPos) {
    return LightArgs{brightnessPos - static_cast<int32_t>(kLightSliderNeutral),
                     contrastPos - static_cast<int32_t>(kLightSliderNeutral)};
}

// The size of the picture a file's first bytes claim (PNG, JPEG, GIF, BMP), as it will be shown:
// width and height swapped for a JPEG whose EXIF orientation turns it a quarter; turned tells
// whether the decoder makes a turned copy. False when the header does not say.
struct ClaimedPicture {
    uint32_t width = 0, height = 0;
    bool turned = false;
};
bool ClaimedPictureOf(const uint8_t* header, size_t size, ClaimedPicture& claimed);

// What the window holds when a new picture is about to be shown, as far as its memory goes.
struct ShowingState {
    size_t keptBlocks = 0;            // kept pixel blocks of the new picture's byte size
    size_t blocksGivenBack = 0;       // blocks of that size the old working and reference pictures free
    bool referenceBitmapFits = false; // the reference bitmap already has the new picture's size
    bool canvasFits = false;          // the canvas needs no new surface for it (same size, or not picture-sized)
};
// The fresh memory that showing the claimed picture will allocate, in the order it is allocated:
// the decoded pixels (and the turned copy), the reference bitmap (32-bit, rows top-down), the
// reference picture's pixels, the canvas surface (rows bottom-up). The decoded pixels come from
// the kept blocks only; the reference picture may also take a block given back by the pictures
// replaced meanwhile, or the decoder's block freed after turning.
std::vector<cximg::PreparedPiece> PiecesForShowing(const ClaimedPicture& claimed, const ShowingState& state);

}  // namespace rg_Zarno_YangLi
