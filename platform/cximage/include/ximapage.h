// "Clean page": turns a phone photograph of a paper page into white paper and crisp ink.
//
// The paper's brightness is estimated at low resolution (block maxima of a pooled copy, ink removed
// by a closing, smoothed), divided out of each colour channel so that paper becomes white whatever
// the light and the paper's tint, and a tone curve then takes ink to full strength. Coloured ink
// keeps its hue (each channel goes through the same curve); in a grey picture it becomes a dark grey
// of its own lightness. Regions much darker than the paper around them over a large area (the table
// beyond the page's edge, a large dark picture) are not taken for paper: the paper estimate is
// carried over them from the nearest paper, so they stay dark instead of turning into grey halos.
//
// The result does not depend on the number of threads.
#pragma once
#include <cstdint>

#include "platform/cximage/include/ximacore.h"

namespace cximg {

// Cleans the whole picture, or only the selection: the selection's bounding box is cleaned as a
// picture of its own (its paper estimate comes from inside the box), and each pixel takes the
// cleaned value in the proportion of its selection level (0 keeps it, 255 takes it whole). Alpha
// stays as it is. False with err set when the picture is empty or memory runs out.
bool CleanPage(CxImage& picture, const char*& err);

// The same on pixels in memory: 32-bit B, G, R, A rows from the top, width * 4 bytes apart. box is
// top-down with inclusive edges (clipped to the picture); levels, when not null, holds one
// selection level per pixel of the box, rows from the top, box-width bytes apart.
bool CleanPage(uint8_t* pixels, uint32_t width, uint32_t height, CxRect box, const uint8_t* levels,
               const char*& err);
bool CleanPage(Picture& picture, CxRect box, const char*& err);

// Threads used for large pictures: 0 (the default) picks up to four by the machine's processors
// for pictures of a megapixel or more and one for smaller ones; any other value is used as given.
void SetCleanPageThreads(unsigned count);

}  // namespace cximg
