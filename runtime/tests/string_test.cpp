// Strings: states and copy-on-write, editing, searching, comparing, concatenating, UTF-8 input.
#include <gtest/gtest.h>

#include <string>

#include "runtime/QelString.h"

namespace {

std::wstring Text(const CWString& s) { return std::wstring(s.GetText(), static_cast<size_t>(s.GetLength())); }

TEST(StringStates, ConstantTextIsSharedUntilTheStringChanges) {
    static const wchar_t literal[] = L"x";
    CWString s(literal);
    CWString copy(s);
    EXPECT_EQ(copy.GetText(), literal);
    EXPECT_EQ(CWString::Concat(CWString(), s).constText, literal);
    EXPECT_EQ(CWString::Concat(s, L"").constText, literal);
    s.Append(L"ab");
    EXPECT_EQ(s.constText, nullptr);
    EXPECT_EQ(Text(s), L"xab");
    EXPECT_EQ(s.buffer.size, 8);
    EXPECT_STREQ(literal, L"x");
    EXPECT_EQ(copy.GetText(), literal);
    s.SetEmpty();
    EXPECT_EQ(s.buffer.data, nullptr);
    EXPECT_STREQ(s.GetText(), L"");
}

TEST(StringStates, 125UnitsFitOne254ByteBlockAnd126Need508Bytes) {
    CWString s, t;
    s.Append(std::wstring(125, L'q').c_str());
    EXPECT_EQ(s.buffer.capacity, 254);
    EXPECT_TRUE(GetPool()->Contains(s.buffer.data));
    t.Append(std::wstring(126, L'q').c_str());
    EXPECT_EQ(t.buffer.capacity, 508);
    s.AppendChar(L'r');
    s.AppendChar(L's');
    EXPECT_EQ(Text(s), std::wstring(125, L'q') + L"rs");
}

TEST(StringEditing, ItsOwnTextMayBeAppendedOrSetWhileTheBufferMoves) {
    CWString s;
    s.Append(std::wstring(120, L'z').c_str());
    s.Append(s.GetText());
    EXPECT_EQ(Text(s), std::wstring(240, L'z'));
    s.SetChars(s.GetText() + 10, 5);
    EXPECT_EQ(Text(s), L"zzzzz");
    s.SetChars(nullptr, 2);
    EXPECT_EQ(s.GetLength(), 2);
    EXPECT_EQ(s.GetText()[1], 0);
    s.SetChars(L"abc", 0);
    EXPECT_EQ(s.buffer.data, nullptr);
}

TEST(StringEditing, LeftAndTrimRightBoundaries) {
    CWConstString five(L"abcde");
    EXPECT_EQ(Text(five.Left(2)), L"ab");
    EXPECT_EQ(Text(five.Left(9)), L"abcde");
    EXPECT_EQ(five.Left(0).buffer.data, nullptr);
    EXPECT_EQ(five.Left(-1).buffer.data, nullptr);
    CWString s(L"a \t\r\n");
    EXPECT_EQ(Text(s.TrimRight()), L"a");
    CWString blanks(L"   ");
    blanks.TrimRight();
    EXPECT_EQ(blanks.GetLength(), 0);
    EXPECT_EQ(blanks.buffer.size, 2);  // just the zero
    CWString clean(L"a b\x4E2D");
    EXPECT_EQ(Text(clean.TrimRight()), L"a b\x4E2D");
    CWString empty;
    empty.TrimRight();
    EXPECT_EQ(empty.buffer.data, nullptr);
}

TEST(StringSearch, FindAndSuffixBoundaries) {
    CWString empty;
    EXPECT_EQ(empty.Find(L""), 0);
    EXPECT_EQ(empty.Find(L"a"), -1);
    CWConstString s(L"abcabc");
    EXPECT_EQ(s.Find(L"ca"), 2);
    EXPECT_EQ(s.Find(L"abcabc"), 0);
    EXPECT_EQ(s.Find(L"abcabcd"), -1);
    EXPECT_EQ(s.Find(L"ABC"), -1);
    EXPECT_EQ(CWConstString(L"xxy").Find(L"xy"), 1);
    CWConstString name(L"C:\\pics\\photo.PNG");
    EXPECT_EQ(name.EndsWithNoCase(L".png"), 1);
    EXPECT_EQ(name.EndsWithNoCase(L".jpg"), 0);
    EXPECT_EQ(name.EndsWithNoCase(L""), 1);
    EXPECT_EQ(CWConstString(L"x").EndsWithNoCase(L".png"), 0);
}

TEST(StringCompare, TextEqualityIgnoresClassButObjectEqualityDoesNot) {
    CWString a(L"same"), owned;
    CWConstString b(L"same");
    owned.Append(L"same");
    EXPECT_EQ(a.IsTextEqual(b), 1);
    EXPECT_EQ(a.IsEqual(b), 0);
    EXPECT_EQ(a.IsEqual(owned), 1);
    EXPECT_EQ(a.IsDifferent(CWString(L"sam")), 1);
    EXPECT_EQ(b.CopyFrom(a), 0);  // a CWString is no CWConstString
    EXPECT_EQ(a.CopyFrom(b), 1);
}

TEST(StringConcat, JoinsIntoANewBufferLeavingTheOperandsAlone) {
    CWConstString a(L"ab");
    CWString b;
    b.Append(L"cd");
    CWString onlyTheZero;
    onlyTheZero.buffer.AppendText(L"");  // owned, 2 bytes: empty for concatenation
    EXPECT_EQ(CWString::Concat(onlyTheZero, a).constText, a.constText);
    CWString r = a + b + L"!";
    EXPECT_EQ(Text(r), L"abcd!");
    EXPECT_EQ(Text(a), L"ab");
    EXPECT_EQ(Text(b), L"cd");
    CWString assigned(L"old");
    assigned.Assign(r);
    r.Append(L"?");
    EXPECT_EQ(Text(assigned), L"abcd!");  // value semantics
}

TEST(Utf8Input, ConverterFillsTheTargetAndAppendUtf8WidensClassNames) {
    CQelMem target;
    const wchar_t* text = Utf8ToUtf16("\xF0\x9F\x98\x80", target);
    ASSERT_EQ(target.size, 6);
    EXPECT_EQ(text[0], 0xD83D);
    EXPECT_EQ(text[1], 0xDE00);
    EXPECT_STREQ(Utf8ToUtf16("a\x80" "b", target), L"a");
    EXPECT_EQ(target.size, 4);
    CWString s(L"名:");
    s.AppendUtf8("rg_Zarno_JiBen::\xE5\xAD\x97\xE5\xAD");
    EXPECT_EQ(Text(s), L"名:rg_Zarno_JiBen::\x5B57");
}

}  // namespace
