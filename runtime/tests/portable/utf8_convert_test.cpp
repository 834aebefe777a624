// The runtime's UTF-8 converter: sequence lengths, surrogate pairs and every way it stops early.
// (The fuzzer compares arbitrary input against a reference decoder.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/portable/Utf8Convert.h"

namespace {

// Converts with an explicit length and checks nothing is written beyond length + 1 code units.
std::u16string Convert(const std::string& bytes) {
    std::vector<uint16_t> out(bytes.size() + 9, 0xABCD);
    const size_t n = Utf8ToUtf16Units(bytes.data(), bytes.size(), out.data());
    EXPECT_EQ(out[n], 0);
    for (size_t i = bytes.size() + 1; i < out.size(); ++i) EXPECT_EQ(out[i], 0xABCD) << "written past the room";
    return std::u16string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
}

TEST(Utf8ToUtf16, SequencesAndSurrogatePairs) {
    EXPECT_EQ(Convert("rg_Zarno_JiBen::\xC3\xA9\xE5\xAD\x97"), u"rg_Zarno_JiBen::\u00E9\u5B57");
    EXPECT_EQ(Convert("\xF0\x9F\x98\x80"), (std::u16string{0xD83D, 0xDE00}));
    EXPECT_EQ(Convert("\xF4\x8F\xBF\xBF"), (std::u16string{0xDBFF, 0xDFFF}));
    EXPECT_EQ(Convert("\xF8\x88\x80\x80\x80"), (std::u16string{0xDBC0, 0xDC00}));  // 5 bytes: U+200000, masked
    EXPECT_EQ(Convert("\xC1\x81\xED\xA0\x80"), (std::u16string{u'A', 0xD800}));    // overlong, surrogate
}

TEST(Utf8ToUtf16, StopsAtStrayBytesBadFollowersTruncationAndZero) {
    EXPECT_EQ(Convert("a\x80" "b"), u"a");
    EXPECT_EQ(Convert("ab\xFE" "cd"), u"ab");
    EXPECT_EQ(Convert("ok\xE5" "A\xAD"), u"ok");
    EXPECT_EQ(Convert("ok\xF0\x9F\x98"), u"ok");
    EXPECT_EQ(Convert(std::string("ab\0cd", 5)), u"ab");
    const char text[] = "abc\xE5\xAD\x97";
    uint16_t out[6];
    EXPECT_EQ(Utf8ToUtf16Units(text, 5, out), 3u);  // the length cuts the sequence
    EXPECT_EQ(Utf8ToUtf16Units(nullptr, 0, out), 0u);
}

}  // namespace
