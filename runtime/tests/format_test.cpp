// Formatting through the system C run-time (msvcrt), pinned, and the string operations on top.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "runtime/QelString.h"

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

TEST(RuntimeFormats, DecimalWideTextAnd64BitHexAsTheRuntimeUsesThem) {
    EXPECT_EQ(Formatted(L"%d|%d", INT_MIN, -5), L"-2147483648|-5");
    EXPECT_EQ(Formatted(L"[%s]", L"图像宽度"), L"[图像宽度]");  // "%s" is UTF-16 text
    EXPECT_EQ(Formatted(L"0x%I64X", 0x1234ABCDEF00ULL), L"0x1234ABCDEF00");
    EXPECT_EQ(Formatted(L"%I64X %d", 0xFFFFFFFFFFFFFFFFULL, 7), L"FFFFFFFFFFFFFFFF 7");
}

TEST(RuntimeFormats, G15WritesThreeExponentDigitsWhichAppendDecimalCutsToTwo) {
    EXPECT_EQ(Formatted(L"%.15G", 1e20), L"1E+020");
    EXPECT_EQ(Formatted(L"%.15G", 1.1e-6), L"1.1E-006");
    EXPECT_EQ(Decimal(0.0000005), L"0");
    EXPECT_EQ(Decimal(-0.000001), L"0");
    EXPECT_EQ(Decimal(2.5), L"2.5");
    EXPECT_EQ(Decimal(1e20), L"1E+20");
    EXPECT_EQ(Decimal(0.0000011), L"1.1E-06");
    EXPECT_EQ(Decimal(-1e-5), L"-1E-05");
    EXPECT_EQ(Decimal(1e100), L"1E+100");
    EXPECT_EQ(Decimal(1.0 / 3), L"0.333333333333333");
}

TEST(StringFormat, ReplacesContentLongTextsAndItsOwnTextAsAValue) {
    CWString s(L"old");
    s.Format(L"%s", L"");
    EXPECT_EQ(s.buffer.data, nullptr);  // empty result: no storage
    const std::wstring piece(700, L'字');
    s.Format(L"<%s|%s>", piece.c_str(), piece.c_str());
    EXPECT_EQ(std::wstring(s.GetText()), L"<" + piece + L"|" + piece + L">");
    s.Format(L"%s+%d", s.GetText(), 1);
    EXPECT_EQ(s.GetLength(), 1403 + 2);
    s.AppendFormat(L"%d:%I64X", -1, 255ULL);
    EXPECT_EQ(std::wstring(s.GetText()).substr(1405), L"-1:FF");
}

TEST(FormatTextFunctions, CountsAndTheBoundedFormRefusesWhatDoesNotFit) {
    wchar_t buffer[64], small[4];
    EXPECT_EQ(FormatText(buffer, L"%d", -123), 4);
    EXPECT_STREQ(buffer, L"-123");
    EXPECT_EQ(FormatTextN(small, 4, L"%d", 123), 3);
    EXPECT_EQ(FormatTextN(small, 4, L"%d", 1234), -1);
    EXPECT_STREQ(small, L"");
}

}  // namespace
