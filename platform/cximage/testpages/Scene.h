// Phone photographs of a sheet lying on a desk, with the sheet's true corners, for measuring how
// well the sheet is found and rectified.
//
// MakeScene draws a surface (wood with plank seams, woven cloth, or a plain desk), objects on it (a
// phone, pens, a mug, a sticky note, a book; now and then a pen lying across the sheet), sometimes
// a second sheet partly under the first, and the clean page of MakeCleanPage seen by a pinhole
// camera: the page is turned in its plane by up to 30 degrees, tilted towards the camera by up to
// about 28 degrees each way, at a distance that makes it fill roughly half to nine tenths of the
// frame's height, and always lies wholly inside the frame. The focal length is 0.75 to 1.3 times
// the frame's diagonal and the principal point is the frame's centre. The sheet casts a thin soft
// shadow. The whole scene then goes through Photograph (uneven light, shadow band, colour of the
// light, optical blur, sensor noise, JPEG-like compression) without its table edge.
//
// Deterministic: the same arguments give the same picture.
#pragma once
#include <cstdint>

#include "platform/cximage/include/ximacore.h"
#include "platform/cximage/include/ximasheet.h"
#include "platform/cximage/testpages/TestPage.h"

namespace testpage {

enum class Surface : uint8_t { kWood, kCloth, kDesk };

struct Scene {
    CxImage photo;               // width x height, alpha 255
    cximg::SheetCorners corners;  // the sheet's corners in the photo: top-left, top-right,
                                  // bottom-right, bottom-left of the page's own upright picture
    Page page;                   // the clean page that was photographed
    double focal = 0;            // focal length in photo pixels
    double aspect = 0;           // the page's width / height
    Surface surface = Surface::kWood;
    bool secondSheet = false;    // a second sheet lies partly under the page
    bool penAcross = false;      // a pen lies across the page's edge
};

// A scene of the given size (each at least 64); the page is A4 or Letter, upright or turned
// sideways.
Scene MakeScene(uint32_t width, uint32_t height, uint64_t seed);

// The same surface, objects and photograph without any sheet: nothing to find.
CxImage MakeEmptyScene(uint32_t width, uint32_t height, uint64_t seed);

}  // namespace testpage
