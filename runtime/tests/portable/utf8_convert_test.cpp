// The runtime's UTF-8 converter: sequence lengths, surrogate pairs and every way it stops early.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Utf8Convert.h"

namespace {

// Converts the bytes (with an explicit length) and checks that nothing beyond length + 1 code units
// was written.
std::u16string Convert(const std::string& bytes) {
    std::vector<uint16_t> out(bytes.size() + 1 + 8, 0xABCD);
    const size_t n = Utf8ToUtf16Units(bytes.data(), bytes.size(), out.data());
    EXPECT_LE(n, bytes.size());
    EXPECT_EQ(out[n], 0);
    for (size_t i = bytes.size() + 1; i < out.size(); ++i) EXPECT_EQ(out[i], 0xABCD) << "written past the room at " << i;
    return std::u16string(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
}

TEST(Utf8ToUtf16, SequencesOfOneToThreeBytesGiveOneCodeUnit) {
    EXPECT_EQ(Convert("CQelObject"), u"CQelObject");
    EXPECT_EQ(Convert("\xC3\xA9"), u"\u00E9");
    EXPECT_EQ(Convert("rg_Zarno_JiBen::\xE5\xAD\x97"), u"rg_Zarno_JiBen::\u5B57");
    EXPECT_EQ(Convert("\xEF\xBF\xBF"), u"\uFFFF");
    EXPECT_EQ(Convert(""), u"");
}

TEST(Utf8ToUtf16, CodePointsAboveFFFFBecomeSurrogatePairs) {
    EXPECT_EQ(Convert("\xF0\x9F\x98\x80"), (std::u16string{0xD83D, 0xDE00}));
    EXPECT_EQ(Convert("\xF0\x90\x80\x80"), (std::u16string{0xD800, 0xDC00}));   // U+10000
    EXPECT_EQ(Convert("\xF4\x8F\xBF\xBF"), (std::u16string{0xDBFF, 0xDFFF}));   // U+10FFFF
    EXPECT_EQ(Convert("x\xF0\x9F\x98\x80y"), (std::u16string{'x', 0xD83D, 0xDE00, 'y'}));
}

TEST(Utf8ToUtf16, FiveAndSixByteFormsAreDecodedAndTheirPairsMasked) {
    // F8 88 80 80 80 = U+200000: v = 0x1F0000, high 0xD800 + (0x7C0 & 0x3FF), low 0xDC00.
    EXPECT_EQ(Convert("\xF8\x88\x80\x80\x80"), (std::u16string{0xDBC0, 0xDC00}));
    // FD BF BF BF BF BF = 0x7FFFFFFF.
    const uint32_t v = 0x7FFFFFFFu - 0x10000u;
    EXPECT_EQ(Convert("\xFD\xBF\xBF\xBF\xBF\xBF"),
              (std::u16string{static_cast<char16_t>(0xD800 + ((v >> 10) & 0x3FF)), static_cast<char16_t>(0xDC00 + (v & 0x3FF))}));
}

TEST(Utf8ToUtf16, OverlongFormsAndEncodedSurrogatesAreTakenAsTheyCome) {
    EXPECT_EQ(Convert("\xC1\x81"), u"A");                      // overlong A
    EXPECT_EQ(Convert("\xED\xA0\x80"), (std::u16string{0xD800}));  // encoded surrogate
    EXPECT_EQ(Convert("a\xC0\x80z"), (std::u16string{'a', 0, 'z'}));  // overlong zero is a code unit 0
}

TEST(Utf8ToUtf16, StrayContinuationAndInvalidLeadBytesStopTheConversion) {
    EXPECT_EQ(Convert("a\x80" "b"), u"a");
    EXPECT_EQ(Convert("\xBF" "abc"), u"");
    EXPECT_EQ(Convert("ab\xFE" "cd"), u"ab");
    EXPECT_EQ(Convert("ab\xFF"), u"ab");
}

TEST(Utf8ToUtf16, BadFollowingBytesAndTruncatedSequencesStopAfterWhatWasConverted) {
    EXPECT_EQ(Convert("ok\xE5\xAD"), u"ok");          // input ends inside a 3-byte sequence
    EXPECT_EQ(Convert("ok\xF0\x9F\x98"), u"ok");      // ... inside a 4-byte sequence
    EXPECT_EQ(Convert("ok\xC3"), u"ok");
    EXPECT_EQ(Convert("ok\xE5" "A\xAD"), u"ok");      // following byte not of the form 10xxxxxx
    EXPECT_EQ(Convert("ok\xC3\xC3\xA9"), u"ok");
}

TEST(Utf8ToUtf16, AZeroByteEndsTheTextAndTheLengthLimitsReading) {
    const std::string withZero("ab\0cd", 5);
    EXPECT_EQ(Convert(withZero), u"ab");
    // Only the first three bytes may be read: the sequence beyond them is not looked at.
    const char text[] = "abc\xE5\xAD\x97";
    uint16_t out[4] = {1, 1, 1, 1};
    EXPECT_EQ(Utf8ToUtf16Units(text, 3, out), 3u);
    EXPECT_EQ(out[3], 0);
    // A sequence cut by the length limit stops the conversion.
    uint16_t cut[6];
    EXPECT_EQ(Utf8ToUtf16Units(text, 5, cut), 3u);
}

TEST(Utf8ToUtf16, NullTextGivesTheEmptyText) {
    uint16_t out[1] = {7};
    EXPECT_EQ(Utf8ToUtf16Units(nullptr, 0, out), 0u);
    EXPECT_EQ(out[0], 0);
}

}  // namespace
