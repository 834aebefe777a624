// Joining a base folder and a relative path (the fuzzer compares against a reference built from
// std::u16string operations).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/portable/PathCombine.h"

namespace {

struct VectorUnits {
    std::vector<char16_t> units;
    char16_t* Resize(size_t n) {
        units.resize(n);
        return units.data();
    }
};

std::u16string Combine(const char16_t* base, const char16_t* relative) {
    VectorUnits out;
    switch (qel_path::CombinePathInto(base, relative, out)) {
        case qel_path::CombineOutcome::UseBase: return u"<base>";
        case qel_path::CombineOutcome::UseRelative: return u"<relative>";
        case qel_path::CombineOutcome::UseCombined: break;
    }
    return std::u16string(out.units.data());
}

TEST(CombinePath, DotSegments) {
    EXPECT_EQ(Combine(u"C:\\app", u"..\\data\\.\\x.ini"), u"C:\\data\\x.ini");
    EXPECT_EQ(Combine(u"C:\\a\\b", u"c\\..\\..\\.\\.\\d"), u"C:\\a\\d");
    EXPECT_EQ(Combine(u"C:\\a", u"..x\\...\\y.\\z\\.."), u"C:\\a\\..x\\...\\y.\\z\\..");
}

TEST(CombinePath, ShortcutsAndUnresolvableClimbs) {
    EXPECT_EQ(Combine(u"", u"x"), u"<relative>");
    EXPECT_EQ(Combine(u"C:\\a", nullptr), u"<base>");
    EXPECT_EQ(Combine(u"C:\\a", u"D:\\x"), u"<relative>");
    EXPECT_EQ(Combine(u"C:\\a", u"D:x"), u"C:\\a\\D:x");
    EXPECT_EQ(Combine(u"C:\\a", u"x"), u"C:\\a\\x");
    EXPECT_EQ(Combine(u"C:\\", u"..\\x"), u"<relative>");
    EXPECT_EQ(Combine(u"C:\\a", u"..\\..\\x"), u"<relative>");
}

}  // namespace
