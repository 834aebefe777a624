// Helpers of the picture library tests: a scratch folder, the independent encoders (ImageMagick,
// netpbm) run as commands, and pixel comparison.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/cximage/include/ximacore.h"

namespace cxtest {

// A fresh folder under the system temporary folder, removed at the end of the test program.
const std::string& ScratchDir();
std::string Scratch(const std::string& name);

// Runs a shell command; returns true when it exits with 0.
bool Run(const std::string& command);
std::string Convert();  // the ImageMagick convert program

std::vector<uint8_t> ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

// 8-bit R, G, B, A of a picture file as ImageMagick decodes it; empty on failure.
std::vector<uint8_t> ImageMagickRgba(const std::string& path, uint32_t& width, uint32_t& height);

// Largest difference between a decoded picture and R, G, B, A bytes; -1 when the sizes differ.
int MaxDifference(const CxImage& img, const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height);

// A picture of w x h with pseudo-random bytes from the seed (alpha 255 unless alpha is asked for).
CxImage NoisePicture(uint32_t w, uint32_t h, bool alpha, uint32_t seed);

// A picture from R, G, B, A bytes, rows from the top.
CxImage FromRgba(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height, bool alpha);

}  // namespace cxtest
