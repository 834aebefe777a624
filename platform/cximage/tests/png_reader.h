// A small PNG reader for the tests and fuzz targets of our encoder (the picture library itself
// leaves PNG decoding to the platform): 8-bit RGB or RGBA without interlacing, every chunk CRC, the
// zlib header and Adler-32 checked, inflated (all three block kinds) and unfiltered.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cxtest {

struct PngImage {
    uint32_t width = 0, height = 0;
    bool alpha = false;
    std::vector<uint8_t> rgba;      // R, G, B, A rows from the top (A 255 without alpha)
    std::vector<uint8_t> filtered;  // the inflated IDAT data: filter byte and filtered bytes per row
};

// Inflates a zlib stream; false with a reason when anything in it is wrong.
bool Inflate(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& why);

// Reads the file; false with a reason when it is not a correct PNG of the kinds above.
bool ReadPng(const uint8_t* data, size_t size, PngImage& out, std::string& why);

}  // namespace cxtest
