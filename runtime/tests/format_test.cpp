// Formatting through the system C run-time (msvcrt): the conversions the runtime relies on, pinned,
// and the string operations built on them.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "QelString.h"

namespace {

std::wstring Formatted(const wchar_t* format, ...) {
    CWString s;
    va_list args;
    va_start(args, format);
    s.FormatV(format, args);
    va_end(args);
    return s.GetText();
}

std::wstring Decimal(double x) {
    CWString s;
    s.AppendDecimal(x);
    return s.GetText();
}

TEST(RuntimeFormats, PercentDIsSigned32BitDecimal) {
    EXPECT_EQ(Formatted(L"%d", -5), L"-5");
    EXPECT_EQ(Formatted(L"%d", 0), L"0");
    EXPECT_EQ(Formatted(L"%d", INT_MIN), L"-2147483648");
    EXPECT_EQ(Formatted(L"%d", INT_MAX), L"2147483647");
    EXPECT_EQ(Formatted(L"%d", static_cast<int>(static_cast<int8_t>(0xC8))), L"-56");
}

TEST(RuntimeFormats, PercentSTakesUtf16TextInWideFormats) {
    EXPECT_EQ(Formatted(L"[%s]", L"图像宽度"), L"[图像宽度]");
    EXPECT_EQ(Formatted(L"[%s]", L""), L"[]");
    EXPECT_EQ(Formatted(L"%s|%s", L"rg_Zarno_JiBen::rg_JuXingLei", L"\xD83D\xDE00"),
              L"rg_Zarno_JiBen::rg_JuXingLei|\xD83D\xDE00");
}

TEST(RuntimeFormats, PercentI64XIsUppercaseHexWithoutLeadingZeros) {
    EXPECT_EQ(Formatted(L"0x%I64X", 0x1234ABCDEF00ULL), L"0x1234ABCDEF00");
    EXPECT_EQ(Formatted(L"%I64X", 0ULL), L"0");
    EXPECT_EQ(Formatted(L"%I64X", 0xFFFFFFFFFFFFFFFFULL), L"FFFFFFFFFFFFFFFF");
    // The 64-bit argument is consumed whole: the following argument is read correctly.
    EXPECT_EQ(Formatted(L"%I64X %d %s", 0x100000000ULL, 7, L"x"), L"100000000 7 x");
}

TEST(RuntimeFormats, PercentG15WritesThreeExponentDigitsInThisRunTime) {
    // msvcrt's own shape; AppendDecimal below turns it into two digits.
    EXPECT_EQ(Formatted(L"%.15G", 1e20), L"1E+020");
    EXPECT_EQ(Formatted(L"%.15G", 1.1e-6), L"1.1E-006");
    EXPECT_EQ(Formatted(L"%.15G", 1e100), L"1E+100");
    EXPECT_EQ(Formatted(L"%.15G", 123.456), L"123.456");
    EXPECT_EQ(Formatted(L"%.15G", 1e15), L"1E+015");
    EXPECT_EQ(Formatted(L"%.15G", 1.0 / 3), L"0.333333333333333");
}

TEST(AppendDecimal, ZeroBandAndG15TextWithTwoDigitExponents) {
    EXPECT_EQ(Decimal(0.0000005), L"0");
    EXPECT_EQ(Decimal(-0.000001), L"0");
    EXPECT_EQ(Decimal(0.0000009), L"0");
    EXPECT_EQ(Decimal(2.5), L"2.5");
    EXPECT_EQ(Decimal(-2.5), L"-2.5");
    EXPECT_EQ(Decimal(1e20), L"1E+20");
    EXPECT_EQ(Decimal(0.0000011), L"1.1E-06");
    EXPECT_EQ(Decimal(123.456), L"123.456");
    EXPECT_EQ(Decimal(1e15), L"1E+15");
    EXPECT_EQ(Decimal(1e14), L"100000000000000");
    EXPECT_EQ(Decimal(-1.5e-7 * 1e3), L"-0.00015");
    EXPECT_EQ(Decimal(1e100), L"1E+100");
    EXPECT_EQ(Decimal(-1e-5), L"-1E-05");
    EXPECT_EQ(Decimal(-1e-300), L"0");
    EXPECT_EQ(Decimal(1.0 / 3), L"0.333333333333333");
    CWString s(L"v=");
    s.AppendDecimal(0.1);
    EXPECT_STREQ(s.GetText(), L"v=0.1");
}

TEST(StringFormat, ReplacesContentAndLeavesAnEmptyResultWithoutStorage) {
    CWString s(L"old");
    s.Format(L"%d-%s", 12, L"ab");
    EXPECT_EQ(s.constText, nullptr);
    EXPECT_STREQ(s.GetText(), L"12-ab");
    EXPECT_EQ(s.buffer.size, 12);
    s.Format(L"%s", L"");
    EXPECT_EQ(s.buffer.data, nullptr);
    EXPECT_EQ(s.GetLength(), 0);
    s.Format(nullptr);
    EXPECT_EQ(s.GetLength(), 0);
}

TEST(StringFormat, LongResultsAreNotCut) {
    const std::wstring piece(700, L'字');
    CWString s;
    s.Format(L"<%s|%s>", piece.c_str(), piece.c_str());
    EXPECT_EQ(std::wstring(s.GetText()), L"<" + piece + L"|" + piece + L">");
    EXPECT_EQ(s.GetLength(), 1403);
}

TEST(StringFormat, ItsOwnTextMayBeAValue) {
    CWString s;
    s.Append(std::wstring(200, L'a').c_str());
    s.Format(L"%s+%s", s.GetText(), s.GetText());
    EXPECT_EQ(std::wstring(s.GetText()), std::wstring(200, L'a') + L"+" + std::wstring(200, L'a'));
    s.AppendFormat(L"|%d", 5);
    EXPECT_EQ(s.GetLength(), 403);
}

TEST(StringFormat, AppendFormatKeepsThePreviousContent) {
    CWString s(L"前缀");
    s.AppendFormat(L"%d:%I64X", -1, 255ULL);
    EXPECT_STREQ(s.GetText(), L"前缀-1:FF");
    s.AppendFormat(L"%s", L"");
    EXPECT_STREQ(s.GetText(), L"前缀-1:FF");
}

TEST(FormatTextFunctions, UnboundedAndBoundedForms) {
    wchar_t buffer[64];
    EXPECT_EQ(FormatText(buffer, L"%d", -123), 4);
    EXPECT_STREQ(buffer, L"-123");
    wchar_t small[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(FormatTextN(small, 4, L"%d", 123), 3);
    EXPECT_STREQ(small, L"123");
    EXPECT_EQ(FormatTextN(small, 4, L"%d", 1234), -1);  // would need 5 units with the zero
    EXPECT_STREQ(small, L"");
    EXPECT_EQ(FormatTextN(small, 4, L"%s", L"abcdefgh"), -1);
}

}  // namespace
