// Joining a base folder and a relative path: shortcuts, "." and ".." segments, unresolvable climbs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PathCombine.h"

namespace {

struct VectorUnits {
    std::vector<char16_t> units;
    char16_t* Resize(size_t n) {
        units.resize(n);
        return units.data();
    }
};

// The joined text, or "<base>" / "<relative>" when an argument is answered as it came.
std::u16string Combine(const char16_t* base, const char16_t* relative) {
    VectorUnits out;
    switch (qel_path::CombinePathInto(base, relative, out)) {
        case qel_path::CombineOutcome::UseBase: return u"<base>";
        case qel_path::CombineOutcome::UseRelative: return u"<relative>";
        case qel_path::CombineOutcome::UseCombined: break;
    }
    EXPECT_FALSE(out.units.empty());
    EXPECT_EQ(out.units.back(), 0);
    return std::u16string(out.units.data());
}

TEST(CombinePath, JoinsWithOneSeparatorAndResolvesDotSegments) {
    EXPECT_EQ(Combine(u"C:\\app", u"..\\data\\.\\x.ini"), u"C:\\data\\x.ini");
    EXPECT_EQ(Combine(u"C:\\app", u"x.ini"), u"C:\\app\\x.ini");
    EXPECT_EQ(Combine(u"C:\\app\\", u"x.ini"), u"C:\\app\\x.ini");
    EXPECT_EQ(Combine(u"C:\\a\\b\\c", u"..\\..\\x"), u"C:\\a\\x");
    EXPECT_EQ(Combine(u"C:\\a", u".\\.\\.\\x"), u"C:\\a\\x");
    EXPECT_EQ(Combine(u"C:\\a\\b", u"c\\..\\..\\d"), u"C:\\a\\d");
    // Names that merely contain dots are kept.
    EXPECT_EQ(Combine(u"C:\\a", u"..x\\...\\y.\\z"), u"C:\\a\\..x\\...\\y.\\z");
    // A trailing ".." without a separator after it is not a segment to resolve.
    EXPECT_EQ(Combine(u"C:\\a\\b", u"c\\.."), u"C:\\a\\b\\c\\..");
}

TEST(CombinePath, EmptyAndRootedArgumentsAreAnsweredAsTheyCame) {
    EXPECT_EQ(Combine(nullptr, u"x"), u"<relative>");
    EXPECT_EQ(Combine(u"", u"x"), u"<relative>");
    EXPECT_EQ(Combine(u"C:\\a", nullptr), u"<base>");
    EXPECT_EQ(Combine(u"C:\\a", u""), u"<base>");
    EXPECT_EQ(Combine(u"C:\\a", u"\\x"), u"<relative>");
    EXPECT_EQ(Combine(u"C:\\a", u"D:\\x"), u"<relative>");
    // A drive without a backslash is no rooted path.
    EXPECT_EQ(Combine(u"C:\\a", u"D:x"), u"C:\\a\\D:x");
    // One-unit relative paths are not read beyond their end.
    EXPECT_EQ(Combine(u"C:\\a", u"x"), u"C:\\a\\x");
}

TEST(CombinePath, ClimbingAboveTheFirstSeparatorAnswersTheRelativePath) {
    EXPECT_EQ(Combine(u"C:\\", u"..\\x"), u"<relative>");
    EXPECT_EQ(Combine(u"C:", u"..\\x"), u"<relative>");
    EXPECT_EQ(Combine(u"C:\\a", u"..\\..\\x"), u"<relative>");
    EXPECT_EQ(Combine(u"relative", u"..\\x"), u"<relative>");
}

TEST(CombinePath, LongPathsAreJoinedWhole) {
    std::u16string base = u"C:";
    for (int i = 0; i < 120; ++i) base += u"\\folder" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
    std::u16string relative;
    for (int i = 0; i < 100; ++i) relative += u"sub\\";
    relative += u"..\\file.txt";
    std::u16string expected = base + u"\\";
    for (int i = 0; i < 99; ++i) expected += u"sub\\";
    expected += u"file.txt";
    ASSERT_GT(expected.size(), 1000u);
    EXPECT_EQ(Combine(base.c_str(), relative.c_str()), expected);
}

TEST(ResolveDotSegments, WorksInPlaceAndReportsTheNewLength) {
    std::u16string text = u"a\\.\\b\\c\\..\\d";
    const size_t n = qel_path::ResolveDotSegments(text.data(), text.size());
    EXPECT_EQ(std::u16string(text.data(), n), u"a\\b\\d");
    EXPECT_EQ(text[n], 0);
    std::u16string shortText = u"\\.";
    EXPECT_EQ(qel_path::ResolveDotSegments(shortText.data(), shortText.size()), 2u);
    std::u16string top = u"\\..\\x";
    EXPECT_EQ(qel_path::ResolveDotSegments(top.data(), top.size()), qel_path::kUnresolvable);
}

}  // namespace
