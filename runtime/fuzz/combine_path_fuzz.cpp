// Fuzzes the path joining logic. The input is split at its first 0xFF byte into base and relative
// (each byte one code unit, bytes 1 and 2 standing for a backslash and a dot to make separators and
// dot segments frequent). The result must agree with a reference built from std::u16string
// operations, and AddressSanitizer watches every access.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/portable/PathCombine.h"

namespace {

struct ExactUnits {
    // Each resize moves the text into a fresh block of exactly the requested size.
    char16_t* units = nullptr;
    size_t count = 0;
    char16_t* Resize(size_t n) {
        char16_t* fresh = static_cast<char16_t*>(std::malloc(n * sizeof(char16_t)));
        if (units) std::memcpy(fresh, units, (n < count ? n : count) * sizeof(char16_t));
        std::free(units);
        units = fresh;
        count = n;
        return units;
    }
    ~ExactUnits() { std::free(units); }
};

std::u16string Decode(const uint8_t* p, size_t n) {
    std::u16string s;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = p[i];
        if (b == 0) break;
        s.push_back(b == 1 ? u'\\' : b == 2 ? u'.' : static_cast<char16_t>(b));
    }
    return s;
}

// 0 = base, 1 = relative, 2 = combined (in out).
int Reference(const std::u16string& base, const std::u16string& relative, std::u16string& out) {
    if (base.empty()) return 1;
    if (relative.empty()) return 0;
    if (relative[0] == u'\\' || (relative.size() >= 3 && relative[1] == u':' && relative[2] == u'\\')) return 1;
    out = base;
    if (out.back() != u'\\') out += u'\\';
    out += relative;
    for (size_t at = out.find(u"\\.\\"); at != std::u16string::npos; at = out.find(u"\\.\\", at)) out.erase(at, 2);
    for (size_t at = out.find(u"\\..\\"); at != std::u16string::npos; at = out.find(u"\\..\\", at)) {
        if (at == 0) return 1;
        const size_t previous = out.rfind(u'\\', at - 1);
        if (previous == std::u16string::npos) return 1;
        out.erase(previous, at + 3 - previous);
        at = previous;
    }
    return 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* split = static_cast<const uint8_t*>(std::memchr(data, 0xFF, size));
    const size_t baseBytes = split ? static_cast<size_t>(split - data) : size;
    const std::u16string base = Decode(data, baseBytes);
    const std::u16string relative = split ? Decode(split + 1, size - baseBytes - 1) : std::u16string();

    // Exact-size copies of the arguments, so reads beyond their terminators are caught.
    std::vector<char16_t> baseUnits(base.begin(), base.end()), relativeUnits(relative.begin(), relative.end());
    baseUnits.push_back(0);
    relativeUnits.push_back(0);
    baseUnits.shrink_to_fit();
    relativeUnits.shrink_to_fit();

    ExactUnits out;
    const qel_path::CombineOutcome outcome = qel_path::CombinePathInto(baseUnits.data(), relativeUnits.data(), out);
    std::u16string expected;
    const int reference = Reference(base, relative, expected);
    switch (outcome) {
        case qel_path::CombineOutcome::UseBase:
            if (reference != 0) std::abort();
            break;
        case qel_path::CombineOutcome::UseRelative:
            if (reference != 1) std::abort();
            break;
        case qel_path::CombineOutcome::UseCombined:
            if (reference != 2) std::abort();
            if (out.count != expected.size() + 1 || out.units[expected.size()] != 0) std::abort();
            if (std::u16string(out.units, expected.size()) != expected) std::abort();
            break;
    }
    return 0;
}
