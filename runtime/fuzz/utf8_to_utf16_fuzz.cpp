// Fuzzes the UTF-8 converter with arbitrary bytes: the output must stay within length + 1 code units
// and agree with a straightforward reference decoder (code points first, UTF-16 afterwards).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/portable/Utf8Convert.h"

namespace {

std::vector<uint16_t> Reference(const uint8_t* s, size_t n) {
    std::vector<uint32_t> points;
    size_t i = 0;
    while (i < n && s[i] != 0) {
        const uint8_t b = s[i];
        int extra;
        uint32_t cp;
        if (b < 0x80) extra = 0, cp = b;
        else if (b >= 0xC0 && b < 0xE0) extra = 1, cp = b & 0x1Fu;
        else if (b >= 0xE0 && b < 0xF0) extra = 2, cp = b & 0x0Fu;
        else if (b >= 0xF0 && b < 0xF8) extra = 3, cp = b & 0x07u;
        else if (b >= 0xF8 && b < 0xFC) extra = 4, cp = b & 0x03u;
        else if (b == 0xFC || b == 0xFD) extra = 5, cp = b & 0x01u;
        else break;
        if (i + static_cast<size_t>(extra) >= n) break;
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            if ((s[i + k] >> 6) != 2) ok = false;
            else cp = cp * 64 + (s[i + k] & 0x3Fu);
            if (!ok) break;
        }
        if (!ok) break;
        points.push_back(cp);
        i += static_cast<size_t>(extra) + 1;
    }
    std::vector<uint16_t> units;
    for (uint32_t cp : points) {
        if (cp < 0x10000) {
            units.push_back(static_cast<uint16_t>(cp));
        } else {
            units.push_back(static_cast<uint16_t>(0xD800 | (((cp - 0x10000) >> 10) & 0x3FF)));
            units.push_back(static_cast<uint16_t>(0xDC00 | ((cp - 0x10000) & 0x3FF)));
        }
    }
    return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly the documented room, so AddressSanitizer reports any write beyond it.
    uint16_t* out = static_cast<uint16_t*>(std::malloc((size + 1) * sizeof(uint16_t)));
    char* text = static_cast<char*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(text, data, size);
    const size_t n = Utf8ToUtf16Units(text, size, out);
    if (n > size || out[n] != 0) std::abort();
    const std::vector<uint16_t> expected = Reference(data, size);
    if (expected.size() != n || (n && std::memcmp(expected.data(), out, n * sizeof(uint16_t)) != 0)) std::abort();
    std::free(text);
    std::free(out);
    return 0;
}
