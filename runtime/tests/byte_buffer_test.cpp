// Byte buffers: the grow-step rule, assignment, appending, removing and the byte dump.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "QelString.h"

namespace {

void Fill(CQelMem& m, int64_t n) {
    m.SetSize(n);
    for (int64_t i = 0; i < n; ++i) m.data[i] = static_cast<uint8_t>(i * 7 + 1);
}

std::wstring Dump(const CQelMem& m, int32_t limit) {
    CWString text;
    m.ToText(text, limit);
    return text.GetText();
}

TEST(ByteBufferGrowth, CapacityIsTheNextMultipleOfTheStepAboveTheSize) {
    CQelMem m;
    EXPECT_EQ(m.growStep, 64);
    EXPECT_NE(m.SetSize(10), nullptr);
    EXPECT_EQ(m.capacity, 64);
    EXPECT_EQ(m.size, 10);
    CQelMem exact;
    exact.SetSize(64);
    EXPECT_EQ(exact.capacity, 128);  // strictly larger than the size
    CQelMem zeroStep;
    zeroStep.growStep = 0;  // a step <= 0 counts as 64
    zeroStep.SetSize(65);
    EXPECT_EQ(zeroStep.capacity, 128);
}

TEST(ByteBufferGrowth, ShrinksOnlyWhenMoreThanOneStepWouldStayFreeAndKeepsContent) {
    CQelMem m;
    Fill(m, 300);
    EXPECT_EQ(m.capacity, 320);
    m.SetSize(260);
    EXPECT_EQ(m.capacity, 320);
    m.SetSize(10);
    EXPECT_EQ(m.capacity, 64);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(m.data[i], static_cast<uint8_t>(i * 7 + 1));
    m.SetSize(1000);  // grows again with the first bytes intact
    EXPECT_EQ(m.capacity, 1024);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(m.data[i], static_cast<uint8_t>(i * 7 + 1));
}

TEST(ByteBufferGrowth, SizeZeroFreesAndTheSameSizeChangesNothing) {
    CQelMem m;
    uint8_t* d = m.SetSize(40);
    EXPECT_EQ(m.SetSize(40), d);
    EXPECT_EQ(m.SetSize(0), nullptr);
    EXPECT_EQ(m.data, nullptr);
    EXPECT_EQ(m.capacity, 0);
    EXPECT_EQ(m.size, 0);
}

TEST(ByteBufferAssign, CopiesWordsAndBytesButNotStepOrStorageSize) {
    CQelMem source;
    source.growStep = 16;
    Fill(source, 100);
    source.objectWord = 5;
    source.SetNullObject(true);
    CQelMem target;
    target.Assign(source);
    EXPECT_EQ(target.size, 100);
    EXPECT_EQ(target.growStep, 64);
    EXPECT_EQ(target.capacity, 128);
    EXPECT_EQ(target.objectWord, 5u);
    EXPECT_TRUE(target.IsNullObject());
    EXPECT_EQ(std::memcmp(target.data, source.data, 100), 0);
}

TEST(ByteBufferAssign, EmptySourceKeepsStorageAndSmallCopiesReuseIt) {
    CQelMem target;
    Fill(target, 500);
    uint8_t* storage = target.data;
    CQelMem empty;
    target.Assign(empty);
    EXPECT_EQ(target.size, 0);
    EXPECT_EQ(target.data, storage);
    EXPECT_EQ(target.capacity, 512);
    CQelMem four;
    Fill(four, 4);
    target.Assign(four);  // stored directly into the large storage
    EXPECT_EQ(target.data, storage);
    EXPECT_EQ(target.size, 4);
    EXPECT_EQ(std::memcmp(target.data, four.data, 4), 0);
    CQelMem three;
    Fill(three, 3);
    target.Assign(three);  // other sizes go through SetSize, which shrinks the storage
    EXPECT_EQ(target.capacity, 64);
    EXPECT_EQ(std::memcmp(target.data, three.data, 3), 0);
}

TEST(ByteBufferAssign, AssigningABufferToItselfKeepsItsBytes) {
    CQelMem m;
    Fill(m, 70);
    m.Assign(m);
    ASSERT_EQ(m.size, 70);
    for (int i = 0; i < 70; ++i) ASSERT_EQ(m.data[i], static_cast<uint8_t>(i * 7 + 1));
}

TEST(ByteBufferAppend, TextWithAndWithoutItsZero) {
    CQelMem m;
    m.AppendText(L"ab");
    EXPECT_EQ(m.size, 6);
    m.AppendText(nullptr);
    m.AppendText(L"");
    EXPECT_EQ(m.size, 10);
    m.AppendChars(L"cd");
    m.AppendChars(nullptr);
    m.AppendChars(L"");
    ASSERT_EQ(m.size, 14);
    const wchar_t expected[] = {L'a', L'b', 0, 0, 0, L'c', L'd'};
    EXPECT_EQ(std::memcmp(m.data, expected, sizeof expected), 0);
}

TEST(ByteBufferAppend, BytesFromTheBufferItselfSurviveItsGrowth) {
    CQelMem m;
    Fill(m, 200);
    m.AppendBytes(m.data, 200);  // the storage moves from the pool to the heap meanwhile
    ASSERT_EQ(m.size, 400);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(m.data[200 + i], m.data[i]);
}

TEST(ByteBufferRemove, MiddleTailAndEverything) {
    CQelMem m;
    Fill(m, 10);
    m.RemoveRange(2, 3);
    ASSERT_EQ(m.size, 7);
    const uint8_t afterMiddle[] = {1, 8, 36, 43, 50, 57, 64};
    EXPECT_EQ(std::memcmp(m.data, afterMiddle, 7), 0);
    m.RemoveRange(-1, 2);  // two bytes from the end
    ASSERT_EQ(m.size, 5);
    EXPECT_EQ(m.data[4], 50);
    m.RemoveRange(3, 100);  // everything from offset 3 on
    EXPECT_EQ(m.size, 3);
    m.RemoveRange(0, 0);
    m.RemoveRange(1, -4);
    EXPECT_EQ(m.size, 3);
    m.RemoveRange(0, 3);
    EXPECT_EQ(m.data, nullptr);  // emptied: storage freed
    Fill(m, 5);
    m.RemoveRange(-7, 9);
    EXPECT_EQ(m.data, nullptr);
}

TEST(ByteBufferRemove, AnOffsetAtOrBeyondTheEndRemovesNothingAndNeverGrows) {
    CQelMem m;
    Fill(m, 6);
    m.RemoveRange(6, 1);
    EXPECT_EQ(m.size, 6);
    m.RemoveRange(100, 5);
    EXPECT_EQ(m.size, 6);
    EXPECT_EQ(m.capacity, 64);
}

TEST(ByteBufferObject, StandardOperations) {
    CQelMem a(254);
    Fill(a, 30);
    a.objectWord = 3;
    CQelObject* clone = a.Clone();
    auto* c = static_cast<CQelMem*>(clone);
    EXPECT_EQ(c->growStep, 64);  // a clone starts as a new buffer
    EXPECT_EQ(c->capacity, 64);
    EXPECT_EQ(a.IsEqual(*clone), 1);
    c->data[29] ^= 1;
    EXPECT_EQ(a.IsEqual(*clone), 0);
    c->data[29] ^= 1;
    c->SetSize(29);
    EXPECT_EQ(a.IsEqual(*clone), 0);
    clone->Delete();

    CWString text(L"x");
    EXPECT_EQ(a.CopyFrom(text), 0);
    EXPECT_EQ(a.size, 30);
    CQelMem b;
    EXPECT_EQ(b.CopyFrom(a), 1);
    EXPECT_EQ(b.IsEqual(a), 1);
    uint8_t* storage = b.data;
    b.Reset();
    EXPECT_EQ(b.size, 0);
    EXPECT_EQ(b.objectWord, 0u);
    EXPECT_EQ(b.data, storage);  // reset keeps the storage

    CQelObject* fresh = a.NewInstance();
    auto* f = static_cast<CQelMem*>(fresh);
    EXPECT_EQ(f->data, nullptr);
    EXPECT_EQ(f->growStep, 64);
    EXPECT_EQ(fresh->IsKindOf(CQelMem::StaticRecord()), 1);
    EXPECT_EQ(fresh->IsKindOf(CWString::StaticRecord()), 0);
    fresh->Delete();
}

TEST(ByteBufferDump, ThreeBytesGiveTheHeaderAndOnePaddedLine) {
    CQelMem m;
    const uint8_t bytes[] = {0x41, 0x00, 0x7A};
    m.AppendBytes(bytes, 3);
    const std::wstring expected =
        L"<字节集> 总共 3 个字节:\r\n[00000000]: 41 00 7A" + std::wstring(39, L' ') + L" | A.z";
    EXPECT_EQ(Dump(m, 0), expected);
    EXPECT_EQ(Dump(m, -1), expected);
    EXPECT_EQ(Dump(m, 3), expected);
}

TEST(ByteBufferDump, SeventeenBytesWithLimitSixteenShowTheSecondHeaderAndOneLine) {
    CQelMem m;
    for (int i = 0; i < 17; ++i) {
        const uint8_t b = static_cast<uint8_t>(0x30 + i);
        m.AppendBytes(&b, 1);
    }
    EXPECT_EQ(Dump(m, 16),
              L"<字节集> 总共 17 个字节,输出了 16 个,还有 1 个未被输出.\r\n[00000000]: 30 31 32 33 34 35 36 37 38 39 3A 3B 3C "
              L"3D 3E 3F | 0123456789:;<=>?");
    // With every byte shown the second line starts at offset 10 and is padded to 48 columns.
    EXPECT_EQ(Dump(m, 0),
              L"<字节集> 总共 17 个字节:\r\n[00000000]: 30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F | 0123456789:;<=>?"
              L"\r\n[00000010]: 40" + std::wstring(45, L' ') + L" | @");
}

TEST(ByteBufferDump, AppendsToTheStringAndShowsOnlyPrintableBytes) {
    CQelMem m;
    const uint8_t bytes[] = {0x20, 0x7E, 0x7F, 0x80, 0xFF, 0x09};
    m.AppendBytes(bytes, sizeof bytes);
    CWString text(L"前:");
    m.ToText(text, 0);
    EXPECT_EQ(std::wstring(text.GetText()),
              L"前:<字节集> 总共 6 个字节:\r\n[00000000]: 20 7E 7F 80 FF 09" + std::wstring(30, L' ') + L" |  ~....");
    CQelMem empty;
    EXPECT_EQ(Dump(empty, 0), L"<字节集> 总共 0 个字节:");
}

TEST(ByteBufferDump, DefaultLimitIs1024Bytes) {
    CQelMem m;
    m.SetSize(1030);
    std::memset(m.data, 'k', 1030);
    const std::wstring dump = Dump(m, 0);
    EXPECT_EQ(dump.find(L"<字节集> 总共 1030 个字节,输出了 1024 个,还有 6 个未被输出."), 0u);
    EXPECT_NE(dump.find(L"[000003F0]:"), std::wstring::npos);
    EXPECT_EQ(dump.find(L"[00000400]:"), std::wstring::npos);
    EXPECT_NE(Dump(m, -1).find(L"[00000400]:"), std::wstring::npos);
}

}  // namespace
