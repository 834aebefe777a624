// Joining a base folder and a relative path, with "." and ".." segments resolved. Portable and
// generic over the code unit type (wchar_t on Windows, char16_t in native tests and fuzzing).
#pragma once
#include <cstddef>
#include <cstring>

namespace qel_path {

enum class CombineOutcome { UseBase, UseRelative, UseCombined };

template <class Unit>
size_t TextLength(const Unit* text) {
    size_t n = 0;
    if (text)
        while (text[n]) ++n;
    return n;
}

constexpr size_t kUnresolvable = static_cast<size_t>(-1);

// Resolves, in place, the "." and ".." segments of a zero-terminated text of `length` code units:
// every backslash-dot-backslash loses its backslash and dot; every backslash-dot-dot-backslash takes
// the segment before it with it. Answers the new length, or kUnresolvable when a ".." segment has no
// backslash before it (nothing to climb out of).
template <class Unit>
size_t ResolveDotSegments(Unit* text, size_t length) {
    const Unit sep = static_cast<Unit>('\\');
    const Unit dot = static_cast<Unit>('.');
    // "\.\" -> "\": delete the first two code units and look at the same place again.
    size_t i = 0;
    while (length >= 3 && i <= length - 3) {
        if (text[i] == sep && text[i + 1] == dot && text[i + 2] == sep) {
            std::memmove(text + i, text + i + 2, (length - i - 2 + 1) * sizeof(Unit));
            length -= 2;
        } else {
            ++i;
        }
    }
    // "\..\" -> delete from the previous backslash up to and including the two dots.
    i = 0;
    while (length >= 4 && i <= length - 4) {
        if (text[i] == sep && text[i + 1] == dot && text[i + 2] == dot && text[i + 3] == sep) {
            size_t j = i;
            bool found = false;
            while (j > 0) {
                --j;
                if (text[j] == sep) {
                    found = true;
                    break;
                }
            }
            if (!found) return kUnresolvable;
            const size_t removed = i + 3 - j;
            std::memmove(text + j, text + i + 3, (length - i - 3 + 1) * sizeof(Unit));
            length -= removed;
            i = j;
        } else {
            ++i;
        }
    }
    return length;
}

// Joins `base` and `relative`. Answers UseRelative when base is null or empty, when relative is
// rooted ("\x" or "D:\x") or when a ".." climbs above the base's first separator; UseBase when
// relative is null or empty; otherwise UseCombined with the zero-terminated result in `out`.
// Buffer provides  Unit* Resize(size_t units)  (content kept up to the smaller size).
template <class Unit, class Buffer>
CombineOutcome CombinePathInto(const Unit* base, const Unit* relative, Buffer& out) {
    const Unit sep = static_cast<Unit>('\\');
    const Unit colon = static_cast<Unit>(':');
    if (!base || !base[0]) return CombineOutcome::UseRelative;
    if (!relative || !relative[0]) return CombineOutcome::UseBase;
    // relative[1] is only read when relative[0] is not the terminator, relative[2] only when
    // relative[1] is a colon, so a one-unit text is never read past its end.
    if (relative[0] == sep || (relative[1] == colon && relative[2] == sep)) return CombineOutcome::UseRelative;

    const size_t baseLength = TextLength(base);
    const size_t relativeLength = TextLength(relative);
    const size_t separator = base[baseLength - 1] == sep ? 0 : 1;
    const size_t length = baseLength + separator + relativeLength;
    Unit* text = out.Resize(length + 1);
    std::memcpy(text, base, baseLength * sizeof(Unit));
    if (separator) text[baseLength] = sep;
    std::memcpy(text + baseLength + separator, relative, (relativeLength + 1) * sizeof(Unit));
    const size_t resolved = ResolveDotSegments(text, length);
    if (resolved == kUnresolvable) return CombineOutcome::UseRelative;
    out.Resize(resolved + 1);
    return CombineOutcome::UseCombined;
}

}  // namespace qel_path
