#include "platform/cximage/tests/test_util.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace cxtest {

namespace {
struct ScratchFolder {
    std::string dir;
    ScratchFolder() {
        char tmpl[] = "/tmp/cximage-test-XXXXXX";
        char* d = mkdtemp(tmpl);
        dir = d ? d : "/tmp";
    }
    ~ScratchFolder() {
        if (dir != "/tmp" && !std::getenv("CXIMAGE_KEEP_SCRATCH")) Run("rm -rf '" + dir + "'");
    }
};
}  // namespace

const std::string& ScratchDir() {
    static ScratchFolder s;
    return s.dir;
}

std::string Scratch(const std::string& name) { return ScratchDir() + "/" + name; }

bool Run(const std::string& command) {
    std::string full = "( " + command + " ) >/dev/null 2>&1";
    return std::system(full.c_str()) == 0;
}

std::string Convert() { return CXIMAGE_TEST_CONVERT; }

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(f);
}

std::vector<uint8_t> ImageMagickRgba(const std::string& path, uint32_t& width, uint32_t& height) {
    std::string out = path + ".ref.rgba";
    std::string dims = path + ".ref.txt";
    // ImageMagick keeps a TGA's rows in file order and only notes the origin: -auto-orient applies it.
    if (!Run(Convert() + " '" + path + "[0]' -auto-orient -depth 8 rgba:'" + out + "'")) return {};
    std::string cmd = Convert() + " '" + path + "[0]' -format '%w %h' info:'" + dims + "'";
    if (!Run(cmd)) return {};
    std::ifstream d(dims);
    if (!(d >> width >> height)) return {};
    auto bytes = ReadFile(out);
    if (bytes.size() != size_t(width) * height * 4) return {};
    return bytes;
}

int MaxDifference(const CxImage& img, const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height) {
    if (!img.IsValid() || img.GetWidth() != width || img.GetHeight() != height || rgba.size() != size_t(width) * height * 4)
        return -1;
    int worst = 0;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = img.GetRow(y);
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + x * 4;
            const uint8_t* q = rgba.data() + (size_t(y) * width + x) * 4;
            int d[4] = {std::abs(p[2] - q[0]), std::abs(p[1] - q[1]), std::abs(p[0] - q[2]), std::abs(p[3] - q[3])};
            for (int v : d) worst = std::max(worst, v);
        }
    }
    return worst;
}

CxImage FromRgba(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height, bool alpha) {
    CxImage img;
    img.Create(width, height, alpha);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = img.GetRow(y);
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* q = rgba.data() + (size_t(y) * width + x) * 4;
            row[x * 4] = q[2];
            row[x * 4 + 1] = q[1];
            row[x * 4 + 2] = q[0];
            row[x * 4 + 3] = alpha ? q[3] : 255;
        }
    }
    return img;
}

CxImage NoisePicture(uint32_t w, uint32_t h, bool alpha, uint32_t seed) {
    CxImage picture;
    picture.Create(w, h, alpha);
    uint32_t state = seed * 2654435761u + 1;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = picture.GetRow(y);
        for (uint32_t x = 0; x < w * 4; ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = (!alpha && x % 4 == 3) ? 255 : uint8_t(state >> 24);
        }
    }
    return picture;
}

}  // namespace cxtest
