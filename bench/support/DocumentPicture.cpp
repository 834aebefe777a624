#include "bench/support/DocumentPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace benchhost {

namespace {

struct Rgb {
    int r, g, b;
};

}  // namespace

bool DrawWorksheetPhoto(CxImage& picture, uint32_t width, uint32_t height, uint32_t seed) {
    if (!picture.Create(width, height, false)) return false;
    std::mt19937 rng(seed);
    // 0 desk, 1 paper, 2 printed ink, 3 handwriting
    std::vector<uint8_t> kind(size_t(width) * height, 0);
    const double sx = width / 1000.0, sy = height / 750.0;  // layout drawn on a 1000 x 750 grid
    // The sheet, slightly turned: its left and right edges lean by a few pixels over its height.
    const double paperLeft = 60 * sx, paperRight = 930 * sx, paperTop = -20 * sy, lean = 0.035;
    for (uint32_t y = 0; y < height; ++y) {
        const double shift = (y - height / 2.0) * lean;
        for (uint32_t x = 0; x < width; ++x)
            if (x >= paperLeft + shift && x <= paperRight + shift && y >= paperTop) kind[size_t(y) * width + x] = 1;
    }
    auto ink = [&](double px, double py, uint8_t k) {
        const double shift = (py - height / 2.0) * lean;
        const long x = std::lround(px + shift), y = std::lround(py);
        if (x >= 0 && y >= 0 && x < long(width) && y < long(height) && kind[size_t(y) * width + x] != 0)
            kind[size_t(y) * width + x] = k;
    };
    // Printed lines: a title, then exercise rows of square characters made of short strokes.
    const double pen = std::max(1.0, 2.2 * sx);
    auto character = [&](double x0, double y0, double size) {
        const int strokes = 3 + int(rng() % 5);
        for (int s = 0; s < strokes; ++s) {
            const bool horizontal = rng() & 1;
            const double ox = x0 + (rng() % 100) / 100.0 * size * 0.8, oy = y0 + (rng() % 100) / 100.0 * size * 0.8;
            const double len = size * (0.3 + (rng() % 60) / 100.0);
            for (double t = 0; t < len; t += 0.5)
                for (double w = 0; w < pen; w += 0.5)
                    ink(horizontal ? ox + t : ox + w, horizontal ? oy + w : oy + t, 2);
        }
    };
    const double titleSize = 30 * sy, textSize = 20 * sy;
    for (int i = 0; i < 12; ++i) character((120 + i * 36) * sx, 40 * sy, titleSize);
    for (int line = 0; line < 14; ++line) {
        const double y0 = (110 + line * 46) * sy;
        double x = 130 * sx;
        const int count = 14 + int(rng() % 12);
        for (int i = 0; i < count && x < 860 * sx; ++i) {
            character(x, y0, textSize);
            x += textSize * 1.25 + ((rng() % 7 == 0) ? 30 * sx : 0);
        }
    }
    // Handwritten answers: wavy blue strokes after some of the lines.
    for (int a = 0; a < 10; ++a) {
        const double cx = (520 + rng() % 280) * sx, cy = (118 + (rng() % 14) * 46) * sy;
        const double len = (60 + rng() % 90) * sx;
        for (double t = 0; t < len; t += 0.4) {
            const double y = cy + std::sin(t / (6 * sx)) * 7 * sy + std::sin(t / (2.3 * sx)) * 3 * sy;
            for (double w = 0; w < pen * 1.3; w += 0.5) ink(cx + t, y + w, 3);
        }
    }
    std::normal_distribution<float> noise(0.0f, 3.5f);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = picture.GetRow(y);
        for (uint32_t x = 0; x < width; ++x) {
            // Light falls from the top left; the phone's shadow darkens the right edge.
            const double u = double(x) / width, v = double(y) / height;
            double light = 1.0 - 0.28 * std::sqrt(u * u * 0.6 + v * v);
            if (u > 0.86) light *= 0.55 + 0.45 * (1.0 - u) / 0.14;
            const float n = noise(rng);
            Rgb c{};
            switch (kind[size_t(y) * width + x]) {
                case 0: c = {104, 88, 70}; break;     // desk
                case 1: c = {246, 241, 228}; break;   // paper
                case 2: c = {40, 38, 36}; break;      // printed ink
                default: c = {34, 62, 160}; break;    // blue handwriting
            }
            row[x * 4 + 0] = uint8_t(std::clamp(int(c.b * light + n), 0, 255));
            row[x * 4 + 1] = uint8_t(std::clamp(int(c.g * light + n), 0, 255));
            row[x * 4 + 2] = uint8_t(std::clamp(int(c.r * light + n), 0, 255));
            row[x * 4 + 3] = 255;
        }
    }
    return true;
}

std::vector<uint8_t> EncodeBmp24(const CxImage& picture) {
    const uint32_t w = picture.GetWidth(), h = picture.GetHeight();
    const uint32_t stride = (w * 3 + 3) & ~3u;
    const uint32_t imageBytes = stride * h, fileBytes = 54 + imageBytes;
    std::vector<uint8_t> out(fileBytes, 0);
    auto put16 = [&](size_t at, uint32_t v) {
        out[at] = uint8_t(v);
        out[at + 1] = uint8_t(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, fileBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);  // positive: rows from the bottom
    put16(26, 1);
    put16(28, 24);
    put32(34, imageBytes);
    put32(38, 2835);
    put32(42, 2835);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = picture.GetRow(h - 1 - y);
        uint8_t* d = out.data() + 54 + size_t(y) * stride;
        for (uint32_t x = 0; x < w; ++x) {
            d[x * 3 + 0] = s[x * 4 + 0];
            d[x * 3 + 1] = s[x * 4 + 1];
            d[x * 3 + 2] = s[x * 4 + 2];
        }
    }
    return out;
}

bool WriteBytes(const std::string& utf8Path, const std::vector<uint8_t>& bytes) {
#if defined(_WIN32)
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8Path.c_str(), -1, nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Path.c_str(), -1, wide.data(), n);
    std::FILE* f = _wfopen(wide.c_str(), L"wb");
#else
    std::FILE* f = std::fopen(utf8Path.c_str(), "wb");
#endif
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace benchhost
