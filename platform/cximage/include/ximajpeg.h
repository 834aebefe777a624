// JPEG files written by the platform's encoder (WIC), for pictures the user saves as JPEG.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/cximage/include/ximacore.h"

namespace cximg {

// Encodes the picture as a baseline JPEG of the given quality (0.0 .. 1.0) into out. A picture with
// transparency is laid over white first (JPEG has no alpha). False with err set when the picture
// is empty or the platform encoder fails.
bool EncodeJpegPlatform(const CxImage& picture, float quality, std::vector<uint8_t>& out, const char*& err);

}  // namespace cximg
