#include "runtime/portable/Utf8Convert.h"

size_t Utf8ToUtf16Units(const char* text, size_t length, uint16_t* out) {
    size_t written = 0;
    size_t pos = 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    while (s && pos < length) {
        const unsigned char lead = s[pos];
        if (lead == 0) break;
        uint32_t cp;
        size_t following;
        if (lead < 0x80) {
            cp = lead;
            following = 0;
        } else if (lead >= 0xC0 && lead <= 0xDF) {
            cp = lead & 0x1F;
            following = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            cp = lead & 0x0F;
            following = 2;
        } else if (lead >= 0xF0 && lead <= 0xF7) {
            cp = lead & 0x07;
            following = 3;
        } else if (lead >= 0xF8 && lead <= 0xFB) {
            cp = lead & 0x03;
            following = 4;
        } else if (lead == 0xFC || lead == 0xFD) {
            cp = lead & 0x01;
            following = 5;
        } else {
            break;  // a stray continuation byte, FE or FF
        }
        if (following > length - pos - 1) break;  // the input ends inside the sequence
        bool complete = true;
        for (size_t k = 1; k <= following; ++k) {
            const unsigned char b = s[pos + k];
            if ((b & 0xC0) != 0x80) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (!complete) break;
        pos += following + 1;
        if (cp <= 0xFFFF) {
            out[written++] = static_cast<uint16_t>(cp);
        } else {
            const uint32_t v = cp - 0x10000;
            out[written++] = static_cast<uint16_t>(0xD800 + ((v >> 10) & 0x3FF));
            out[written++] = static_cast<uint16_t>(0xDC00 + (v & 0x3FF));
        }
    }
    out[written] = 0;
    return written;
}
