// A phone photograph of a worksheet, drawn at run time at any size: a sheet of paper lit unevenly on
// a darker desk, rows of printed characters, handwritten answers in blue ink, the phone's shadow
// along the right edge and sensor noise. Portable (used by the native harness too).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/cximage/include/ximacore.h"

namespace benchhost {

// Draws the photograph into picture (created at width x height, no alpha). seed varies the
// characters and the noise.
bool DrawWorksheetPhoto(CxImage& picture, uint32_t width, uint32_t height, uint32_t seed = 1);

// The picture as an uncompressed 24-bit BMP file (what a scanner or phone export may give).
std::vector<uint8_t> EncodeBmp24(const CxImage& picture);

// Writes bytes to a file (narrow path on the native side, wide path on Windows).
bool WriteBytes(const std::string& utf8Path, const std::vector<uint8_t>& bytes);

}  // namespace benchhost
