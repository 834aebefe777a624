// Strings: constant, owned and empty states, copy-on-write, editing, searching, comparing,
// concatenating, the UTF-8 conversion and the standard object operations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "QelString.h"

namespace {

std::wstring Text(const CWString& s) { return std::wstring(s.GetText(), static_cast<size_t>(s.GetLength())); }

TEST(StringStates, ConstantTextIsSharedUntilTheStringChanges) {
    static const wchar_t literal[] = L"x";
    CWString s(literal);
    EXPECT_EQ(s.GetText(), literal);
    EXPECT_EQ(s.GetLength(), 1);
    EXPECT_EQ(s.buffer.data, nullptr);
    s.Append(L"ab");
    EXPECT_EQ(s.constText, nullptr);
    EXPECT_EQ(Text(s), L"xab");
    EXPECT_EQ(s.buffer.size, 8);
    EXPECT_EQ(reinterpret_cast<const wchar_t*>(s.buffer.data), s.GetText());
    EXPECT_EQ(std::wstring(literal), L"x");

    CWString w(literal);
    CQelMem& b = w.MakeWritable();
    EXPECT_EQ(&b, &w.buffer);
    EXPECT_EQ(w.constText, nullptr);
    EXPECT_EQ(b.size, 4);
    EXPECT_EQ(Text(w), L"x");
}

TEST(StringStates, EmptyStringHasAnEmptyTextAndNoStorage) {
    CWString s;
    EXPECT_STREQ(s.GetText(), L"");
    EXPECT_EQ(s.GetLength(), 0);
    s.Append(L"abc");
    s.SetEmpty();
    EXPECT_EQ(s.buffer.data, nullptr);
    EXPECT_EQ(s.buffer.capacity, 0);
    EXPECT_STREQ(s.GetText(), L"");
    CWString c(L"constant");
    c.SetEmpty();
    EXPECT_EQ(c.constText, nullptr);
    EXPECT_EQ(c.GetLength(), 0);
}

TEST(StringStates, BufferStepIs254So125UnitsFitInOneBlockAnd126Need508Bytes) {
    CWString s;
    s.Append(std::wstring(125, L'q').c_str());
    EXPECT_EQ(s.buffer.capacity, 254);
    EXPECT_TRUE(GetPool()->Contains(s.buffer.data));
    CWString t;
    t.Append(std::wstring(126, L'q').c_str());
    EXPECT_EQ(t.buffer.capacity, 508);
    EXPECT_EQ(t.buffer.size, 254);
    // Growing into exactly the allocated bytes keeps the allocation (the step rule reallocates only
    // when the storage is too small or more than one step too large).
    s.AppendChar(L'r');
    EXPECT_EQ(s.GetLength(), 126);
    EXPECT_EQ(s.buffer.capacity, 254);
    s.AppendChar(L's');
    EXPECT_EQ(s.buffer.capacity, 508);
    EXPECT_EQ(Text(s), std::wstring(125, L'q') + L"rs");
}

TEST(StringEditing, AppendSkipsEmptyTextsAndKeepsOneTerminatingZero) {
    CWString s;
    s.Append(nullptr);
    s.Append(L"");
    EXPECT_EQ(s.buffer.data, nullptr);
    s.Append(L"a");
    s.Append(L"bc");
    s.Append(L"def");
    s.AppendChar(0);
    s.AppendChar(L'g');
    EXPECT_EQ(Text(s), L"abcdefg");
    EXPECT_EQ(s.buffer.size, 16);
    // Growing across many appends keeps the text whole.
    std::wstring expected = L"abcdefg";
    for (int i = 0; i < 300; ++i) {
        s.Append(L"0123456789");
        expected += L"0123456789";
    }
    EXPECT_EQ(Text(s), expected);
}

TEST(StringEditing, AppendingTheStringsOwnTextWhileItGrows) {
    CWString s;
    s.Append(std::wstring(120, L'z').c_str());
    s.Append(s.GetText());  // the buffer moves from the pool to the heap meanwhile
    EXPECT_EQ(Text(s), std::wstring(240, L'z'));
    s.Append(s.GetText() + 230);
    EXPECT_EQ(s.GetLength(), 250);
    s.SetChars(s.GetText() + 10, 5);
    EXPECT_EQ(Text(s), L"zzzzz");
}

TEST(StringEditing, SetCharsCopiesCountUnitsOrZeros) {
    CWString s(L"old");
    s.SetChars(L"abcdef", 3);
    EXPECT_EQ(Text(s), L"abc");
    s.SetChars(nullptr, 2);
    EXPECT_EQ(s.GetLength(), 2);
    EXPECT_EQ(s.GetText()[0], 0);
    EXPECT_EQ(s.GetText()[1], 0);
    s.SetChars(L"abc", 0);
    EXPECT_EQ(s.buffer.data, nullptr);
    s.SetChars(L"abc", -1);
    EXPECT_EQ(s.GetLength(), 0);
}

TEST(StringEditing, LeftBoundaries) {
    CWConstString five(L"abcde");
    EXPECT_EQ(Text(five.Left(2)), L"ab");
    EXPECT_EQ(Text(five.Left(5)), L"abcde");
    EXPECT_EQ(Text(five.Left(9)), L"abcde");
    CWString none = five.Left(0);
    EXPECT_EQ(none.GetLength(), 0);
    EXPECT_EQ(none.buffer.data, nullptr);
    EXPECT_EQ(five.Left(-1).buffer.data, nullptr);
    EXPECT_EQ(CWString().Left(3).GetLength(), 0);
}

TEST(StringEditing, TrimRightRemovesSpacesAndControlCharacters) {
    CWString s(L"a \t\r\n");
    EXPECT_EQ(&s.TrimRight(), &s);
    EXPECT_EQ(Text(s), L"a");
    EXPECT_EQ(s.buffer.size, 4);
    CWString blanks(L"   ");
    blanks.TrimRight();
    EXPECT_EQ(blanks.GetLength(), 0);
    EXPECT_EQ(blanks.buffer.size, 2);  // just the zero
    CWString clean(L"a b");
    clean.TrimRight();
    EXPECT_EQ(Text(clean), L"a b");
    CWString low(L"x\x01\x1F");
    low.TrimRight();
    EXPECT_EQ(Text(low), L"x");
    CWString empty;
    empty.TrimRight();
    EXPECT_EQ(empty.buffer.data, nullptr);
    CWString wide(L"\x4E2D ");  // a code unit above U+0020 is never trimmed
    wide.TrimRight();
    EXPECT_EQ(Text(wide), L"\x4E2D");
}

TEST(StringSearch, FindBoundaries) {
    CWString empty;
    EXPECT_EQ(empty.Find(L""), 0);
    EXPECT_EQ(empty.Find(nullptr), 0);
    EXPECT_EQ(empty.Find(L"a"), -1);
    CWConstString s(L"abcabc");
    EXPECT_EQ(s.Find(L"abc"), 0);
    EXPECT_EQ(s.Find(L"ca"), 2);
    EXPECT_EQ(s.Find(L"bc"), 1);
    EXPECT_EQ(s.Find(L"abcabc"), 0);
    EXPECT_EQ(s.Find(L"abcabcd"), -1);
    EXPECT_EQ(s.Find(L"ABC"), -1);  // case matters
    EXPECT_EQ(s.Find(L"cb"), -1);
    CWConstString tail(L"xxy");
    EXPECT_EQ(tail.Find(L"xy"), 1);
    EXPECT_EQ(tail.Find(L"y"), 2);
}

TEST(StringCompare, TextEqualityDifferenceAndSuffixes) {
    CWString a(L"same");
    CWConstString b(L"same");
    CWString c;
    c.Append(L"same");
    EXPECT_EQ(a.IsTextEqual(b), 1);
    EXPECT_EQ(a.IsTextEqual(c), 1);
    EXPECT_EQ(a.IsDifferent(c), 0);
    EXPECT_EQ(a.IsEqual(c), 1);
    EXPECT_EQ(a.IsEqual(b), 0);  // different classes
    EXPECT_EQ(b.IsEqual(a), 0);
    CWString d(L"samE");
    EXPECT_EQ(a.IsTextEqual(d), 0);
    EXPECT_EQ(a.IsDifferent(d), 1);
    CWString prefix(L"sam");
    EXPECT_EQ(a.IsTextEqual(prefix), 0);
    c.objectWord = 1;
    EXPECT_EQ(a.IsEqual(c), 0);

    CWConstString name(L"C:\\pics\\photo.PNG");
    EXPECT_EQ(name.EndsWithNoCase(L".png"), 1);
    EXPECT_EQ(name.EndsWithNoCase(L".PnG"), 1);
    EXPECT_EQ(name.EndsWithNoCase(L".jpg"), 0);
    EXPECT_EQ(name.EndsWithNoCase(L""), 1);
    EXPECT_EQ(name.EndsWithNoCase(nullptr), 1);
    EXPECT_EQ(CWConstString(L"x").EndsWithNoCase(L".png"), 0);
    EXPECT_EQ(CWConstString(L".png").EndsWithNoCase(L".PNG"), 1);
}

TEST(StringConcat, EmptyOperandsGiveCopiesThatKeepSharingConstantText) {
    static const wchar_t literal[] = L"const";
    CWString empty;
    CWConstString constant(literal);
    CWString r1 = CWString::Concat(empty, constant);
    EXPECT_EQ(r1.constText, literal);
    CWString r2 = CWString::Concat(constant, CWString());
    EXPECT_EQ(r2.constText, literal);
    CWString justZero(L"");
    EXPECT_EQ(CWString::Concat(justZero, constant).constText, literal);
    CWString onlyTheZero;
    onlyTheZero.buffer.AppendText(L"");  // owned, 2 bytes: counts as empty
    EXPECT_EQ(CWString::Concat(onlyTheZero, constant).constText, literal);
    CWString r3 = CWString::Concat(constant, L"");
    EXPECT_EQ(r3.constText, literal);
    CWString r4 = CWString::Concat(constant, nullptr);
    EXPECT_EQ(r4.constText, literal);
}

TEST(StringConcat, JoinsBothTextsIntoANewBuffer) {
    CWConstString a(L"ab");
    CWString b;
    b.Append(L"cd");
    CWString r = CWString::Concat(a, b);
    EXPECT_EQ(r.constText, nullptr);
    EXPECT_EQ(Text(r), L"abcd");
    EXPECT_EQ(r.buffer.size, 10);
    EXPECT_EQ(Text(CWString::Concat(a, L"xyz")), L"abxyz");
    EXPECT_EQ(Text(CWString::Concat(CWString(), L"xyz")), L"xyz");
    EXPECT_EQ(Text(a + b + L"!"), L"abcd!");
    EXPECT_EQ(Text(a), L"ab");
    EXPECT_EQ(Text(b), L"cd");
}

TEST(StringCopies, AssignAndCopyConstructionShareConstantTextAndCopyOwnedText) {
    static const wchar_t literal[] = L"lit";
    CWString c(literal);
    c.objectWord = 9;
    CWString copy(c);
    EXPECT_EQ(copy.constText, literal);
    EXPECT_EQ(copy.objectWord, 9u);
    CWString owned;
    owned.Append(L"own");
    CWString target(literal);
    target.Assign(owned);
    EXPECT_EQ(target.constText, nullptr);
    EXPECT_EQ(Text(target), L"own");
    EXPECT_NE(target.buffer.data, owned.buffer.data);
    EXPECT_EQ(target.buffer.growStep, 254);
    owned.Append(L"ed");
    EXPECT_EQ(Text(target), L"own");  // value semantics
    target.Assign(target);
    EXPECT_EQ(Text(target), L"own");
}

class HookedString : public CWString {
    QEL_OBJECT_CLASS(HookedString, CWString, "test::HookedString")
public:
    HookedString() = default;
    void OnBeforeAssign() override { ++hooks; }
    int hooks = 0;
};

TEST(StringObject, CopyFromKindTestHooksResetCloneAndNewInstance) {
    CWString plain;
    plain.Append(L"text");
    CWConstString constant(L"c");
    EXPECT_EQ(constant.CopyFrom(plain), 0);  // a CWString is no CWConstString
    EXPECT_EQ(std::wstring(constant.GetText()), L"c");
    EXPECT_EQ(plain.CopyFrom(constant), 1);
    EXPECT_EQ(std::wstring(plain.GetText()), L"c");

    HookedString hooked;
    hooked.Assign(plain);
    EXPECT_EQ(hooked.hooks, 1);
    hooked.Append(L"more");
    void* storage = hooked.buffer.data;
    hooked.objectWord = 4;
    hooked.Reset();
    EXPECT_EQ(hooked.hooks, 2);
    EXPECT_EQ(hooked.objectWord, 0u);
    EXPECT_EQ(hooked.GetLength(), 0);
    EXPECT_EQ(hooked.buffer.data, storage);  // reset keeps the storage

    CWString owned;
    owned.Append(L"clone me");
    CQelObject* clone = owned.Clone();
    EXPECT_EQ(clone->GetClassRecord(), CWString::StaticRecord());
    EXPECT_EQ(owned.IsEqual(*clone), 1);
    EXPECT_EQ(static_cast<CWString*>(clone)->buffer.growStep, 254);
    clone->Delete();
    CQelObject* constClone = constant.Clone();
    EXPECT_EQ(constClone->GetClassRecord(), CWConstString::StaticRecord());
    EXPECT_EQ(static_cast<CWString*>(constClone)->constText, constant.constText);
    constClone->Delete();
    CQelObject* fresh = constant.NewInstance();
    EXPECT_EQ(static_cast<CWString*>(fresh)->constText, nullptr);
    EXPECT_EQ(static_cast<CWString*>(fresh)->buffer.growStep, 254);
    EXPECT_EQ(fresh->IsKindOf(CWString::StaticRecord()), 1);
    fresh->Delete();
}

TEST(StringObject, TextFormIsTheObjectTextAfterTheExistingContent) {
    CWString s(L"abc");
    CWString out(L">");
    s.ToText(out, 0);
    const std::wstring t = out.GetText();
    EXPECT_EQ(t.find(L">无法解析的对象数据,其输出类名为: \"CWString\", 地址为: 0x"), 0u);
}

TEST(Utf8Conversion, TargetBufferHoldsTheTextAndItsZero) {
    CQelMem target;
    const wchar_t* text = Utf8ToUtf16("\xF0\x9F\x98\x80", target);
    EXPECT_EQ(text, reinterpret_cast<const wchar_t*>(target.data));
    ASSERT_EQ(target.size, 6);
    EXPECT_EQ(text[0], 0xD83D);
    EXPECT_EQ(text[1], 0xDE00);
    EXPECT_EQ(text[2], 0);
    EXPECT_STREQ(Utf8ToUtf16("a\x80" "b", target), L"a");
    EXPECT_EQ(target.size, 4);
    EXPECT_STREQ(Utf8ToUtf16(nullptr, target), L"");
    EXPECT_EQ(target.size, 2);
}

TEST(Utf8Conversion, AppendUtf8WidensClassNames) {
    CWString s(L"名:");
    s.AppendUtf8("rg_Zarno_JiBen::\xE5\xAD\x97");
    EXPECT_EQ(Text(s), L"名:rg_Zarno_JiBen::\x5B57");
    CWString empty;
    empty.AppendUtf8("\x80");
    EXPECT_EQ(empty.buffer.data, nullptr);  // nothing converted, nothing appended
    empty.AppendUtf8(nullptr);
    EXPECT_EQ(empty.GetLength(), 0);
}

}  // namespace
