// Generated document pages with known truth, and their simulated phone photographs, for measuring
// how well a page-cleaning filter restores white paper and dark ink.
//
// MakeCleanPage draws a white page procedurally (no fonts): printed text in three sizes (a heading,
// body lines, small print), ruled table lines, handwriting in blue and red pen, thin light pencil
// notes and a red stamp ring. Beside the picture it returns one class per pixel saying what the
// pixel shows, so a measure can ask "is this paper white, is this ink dark".
//
// Photograph takes any page picture (not only one of MakeCleanPage's) and returns what a phone
// would record: uneven light (a smooth gradient and a vignette), a soft shadow band, a paper tint,
// a slight optical blur, sensor noise, JPEG-like block compression, and a dark table showing along
// one edge where the page ends. The photo has the page's size and the page's pixels stay where they
// were (the table covers the pixels beyond the page's edge); Photo::onPage says which pixels show the
// page. A later compositor that moves the page (perspective on a desk) can keep this interface and
// fill onPage and the class map accordingly.
//
// Both functions are deterministic: the same arguments give the same bytes on every platform (the
// random numbers come from a fixed integer generator, not from the standard library's
// distributions).
#pragma once
#include <cstdint>
#include <vector>

#include "platform/cximage/include/ximacore.h"

namespace testpage {

// What a pixel of a page or photo shows. kEdge marks pixels whose truth is undecided: the soft
// border of a stroke (partly covered) and the paper right next to it or next to the page's edge;
// measures leave them out.
enum PixelClass : uint8_t {
    kPaper = 0,       // bare paper: should come out white
    kInk = 1,         // printed text and ruled lines (black or dark grey): should come out dark
    kPencil = 2,      // light grey, thin, grainy pencil: should stay visible
    kMark = 3,        // coloured pen and stamp (red, blue): should stay clearly visible
    kEdge = 4,        // transition pixels, not judged
    kBackground = 5,  // not the page (the table beyond its edge), only in photo class maps
};

struct Page {
    CxImage image;                 // 32-bit picture, alpha 255 everywhere
    std::vector<uint8_t> classes;  // one PixelClass per pixel, rows from the top
    uint32_t width = 0, height = 0;
};

// A white page of the given size (each at least 1) with its class map. Stroke widths and letter
// sizes scale with min(width, height) / 400, so a 600 x 400 page has body letters about 8 pixels
// high and a 4000 x 3000 one about 60. Very small sizes give a page with few or no marks.
Page MakeCleanPage(uint32_t width, uint32_t height, uint64_t seed);

// How a photograph spoils the page. Lengths are fractions of the page's width or height so that
// the same parameters suit every size.
struct PhotoParams {
    // Light: brightness at the brightest place (1 = the page's own white) and the gradient across
    // the page from one side to the other (darkest place = brightest * (1 - gradient)).
    float exposure = 0.92f;
    float gradient = 0.30f;
    float gradientAngle = 0.6f;  // radians, direction in which the light falls off
    float vignette = 0.25f;      // fall-off at the corners relative to the centre
    // A soft shadow band (e.g. of the phone or a hand): centre line through (x, y) fractions at the
    // given angle, width as a fraction of min(width, height), darkness 0..1, soft edges.
    float shadowDarkness = 0.35f;
    float shadowX = 0.7f, shadowY = 0.5f, shadowAngle = 1.2f, shadowWidth = 0.12f;
    // Paper tint: multipliers of R, G, B (warm paper under warm light is below 1 in blue).
    float tintR = 1.0f, tintG = 0.96f, tintB = 0.86f;
    float blur = 0.6f;           // optical blur, Gaussian sigma in pixels at scale 1 (scales with size)
    float noise = 3.0f;          // sensor noise, standard deviation in 8-bit levels
    int jpegQuality = 80;        // 1..100; 0 leaves out the compression round trip
    // The table: which edge (0 left, 1 top, 2 right, 3 bottom, -1 none), how deep it reaches into
    // the picture (fraction of the width or height), its slant (page edge not quite parallel to
    // the picture's edge) and colour.
    int backgroundEdge = 2;
    float backgroundDepth = 0.08f;
    float backgroundSlant = 0.03f;
    uint8_t backgroundR = 70, backgroundG = 52, backgroundB = 40;
};

// Parameters varied by the seed within the ranges a hand-held photo of a page shows.
PhotoParams RandomPhotoParams(uint64_t seed);

struct Photo {
    CxImage image;                // same size as the page, alpha 255
    std::vector<uint8_t> onPage;  // 1 where the pixel shows the page, 0 where it shows the table
};

// The photographed version of a page picture (any 32-bit picture; its alpha is ignored).
Photo Photograph(const CxImage& page, const PhotoParams& params, uint64_t seed);

// The class of each photo pixel: the page's class where the photo shows the page, kBackground
// where it does not, and kEdge for page pixels within a few pixels of the page's edge.
std::vector<uint8_t> PhotoClasses(const Page& page, const Photo& photo);

// How well a cleaned picture matches the truth of its class map: the share (0..1) of paper pixels
// white in every channel (>= 235), of ink and of pencil pixels dark (luma <= 150), of coloured-mark
// pixels still clearly visible (luma <= 200), and of table pixels left dark (luma <= 128). Luma is
// (299 R + 587 G + 114 B) / 1000, as GrayScale makes it. A class without pixels scores 1.
struct Score {
    double paperWhite = 1, inkDark = 1, pencilDark = 1, markVisible = 1, backgroundDark = 1;
    uint64_t paper = 0, ink = 0, pencil = 0, mark = 0, background = 0;  // pixel counts
};
Score Measure(const CxImage& cleaned, const std::vector<uint8_t>& classes);

}  // namespace testpage
