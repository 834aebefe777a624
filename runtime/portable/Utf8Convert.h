// UTF-8 to UTF-16 conversion of the runtime (class names and other 8-bit texts). Portable: no
// platform headers, so the converter builds and is fuzzed natively as well.
#pragma once
#include <cstddef>
#include <cstdint>

// Converts at most `length` bytes of `text` into UTF-16 code units at `out`, followed by a zero code
// unit, and answers the number of code units written before that zero.
//
// Lead bytes: 00-7F one byte, C0-DF two, E0-EF three, F0-F7 four, F8-FB five, FC-FD six. The
// conversion stops (keeping what was converted) at a zero byte, at a lead byte 80-BF, FE or FF, at a
// following byte that is not of the form 10xxxxxx, and at the end of the input inside a sequence.
// Overlong forms and encoded surrogates are taken as they come. Code points above FFFF become a
// surrogate pair.
//
// Every sequence yields at most as many code units as it has bytes, so `out` needs room for
// length + 1 code units.
size_t Utf8ToUtf16Units(const char* text, size_t length, uint16_t* out);
