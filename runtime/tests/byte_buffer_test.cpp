// Byte buffers: the grow-step rule, assignment, removing and the byte dump.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/QelString.h"

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

TEST(ByteBufferGrowth, CapacityFollowsTheStepRuleAndContentSurvives) {
    CQelMem exact, m;
    exact.SetSize(64);
    EXPECT_EQ(exact.capacity, 128);  // strictly larger than a fresh size
    Fill(m, 300);
    EXPECT_EQ(m.capacity, 320);
    m.SetSize(260);
    EXPECT_EQ(m.capacity, 320);  // less than a step free: kept
    m.SetSize(10);
    EXPECT_EQ(m.capacity, 64);
    m.SetSize(1000);
    EXPECT_EQ(m.capacity, 1024);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(m.data[i], static_cast<uint8_t>(i * 7 + 1));
    EXPECT_EQ(m.SetSize(0), nullptr);
    EXPECT_EQ(m.capacity, 0);
}

TEST(ByteBufferAssign, CopiesContentNotStepAndKeepsStorageForEmptyAndSmallSources) {
    CQelMem source(16), target, empty;
    Fill(source, 100);
    source.objectWord = 5;
    target.Assign(source);
    EXPECT_EQ(target.growStep, 64);
    EXPECT_EQ(target.capacity, 128);
    EXPECT_EQ(target.objectWord, 5u);
    EXPECT_EQ(std::memcmp(target.data, source.data, 100), 0);
    Fill(target, 500);
    uint8_t* storage = target.data;
    target.Assign(empty);
    EXPECT_EQ(target.data, storage);
    CQelMem four;
    Fill(four, 4);
    target.Assign(four);  // stored directly into the large storage
    EXPECT_EQ(target.data, storage);
    EXPECT_EQ(std::memcmp(target.data, four.data, 4), 0);
    // Assigning a buffer to itself keeps its bytes.
    target.Assign(target);
    EXPECT_EQ(target.size, 4);
    EXPECT_EQ(std::memcmp(target.data, four.data, 4), 0);
    // Appending the buffer's own bytes while it moves to the heap.
    Fill(target, 200);
    target.AppendBytes(target.data, 200);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(target.data[200 + i], target.data[i]);
}

TEST(ByteBufferRemove, MiddleTailEverythingAndNothingBeyondTheEnd) {
    CQelMem m;
    Fill(m, 10);
    m.RemoveRange(2, 3);
    const uint8_t afterMiddle[] = {1, 8, 36, 43, 50, 57, 64};
    ASSERT_EQ(m.size, 7);
    EXPECT_EQ(std::memcmp(m.data, afterMiddle, 7), 0);
    m.RemoveRange(-1, 2);  // from the end
    EXPECT_EQ(m.size, 5);
    m.RemoveRange(5, 3);   // at the end: nothing, and no growth
    m.RemoveRange(90, 3);
    m.RemoveRange(1, 0);
    EXPECT_EQ(m.size, 5);
    EXPECT_EQ(m.capacity, 64);
    m.RemoveRange(3, 100);
    EXPECT_EQ(m.size, 3);
    m.RemoveRange(0, 3);
    EXPECT_EQ(m.data, nullptr);  // emptied: storage freed
}

TEST(ByteBufferObject, CloneStartsWithTheDefaultStepAndEqualityComparesBytes) {
    CQelMem a(254);
    Fill(a, 30);
    CQelObject* clone = a.Clone();
    auto* c = static_cast<CQelMem*>(clone);
    EXPECT_EQ(c->growStep, 64);
    EXPECT_EQ(a.IsEqual(*clone), 1);
    c->data[29] ^= 1;
    EXPECT_EQ(a.IsEqual(*clone), 0);
    clone->Delete();
    CWString text(L"x");
    EXPECT_EQ(a.CopyFrom(text), 0);
    uint8_t* storage = a.data;
    a.Reset();
    EXPECT_EQ(a.size, 0);
    EXPECT_EQ(a.data, storage);
}

TEST(ByteBufferDump, ThreeBytes) {
    CQelMem m;
    const uint8_t bytes[] = {0x41, 0x00, 0x7A};
    m.AppendBytes(bytes, 3);
    const std::wstring expected = L"<字节集> 总共 3 个字节:\r\n[00000000]: 41 00 7A" + std::wstring(39, L' ') + L" | A.z";
    EXPECT_EQ(Dump(m, 0), expected);
    EXPECT_EQ(Dump(m, -1), expected);
    CWString text(L"前:");
    m.ToText(text, 3);
    EXPECT_EQ(std::wstring(text.GetText()), L"前:" + expected);
}

TEST(ByteBufferDump, SeventeenBytesWithAndWithoutALimit) {
    CQelMem m;
    for (uint8_t b = 0x30; b < 0x41; ++b) m.AppendBytes(&b, 1);
    const std::wstring line = L"\r\n[00000000]: 30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F | 0123456789:;<=>?";
    EXPECT_EQ(Dump(m, 16), L"<字节集> 总共 17 个字节,输出了 16 个,还有 1 个未被输出." + line);
    EXPECT_EQ(Dump(m, 0), L"<字节集> 总共 17 个字节:" + line + L"\r\n[00000010]: 40" + std::wstring(45, L' ') + L" | @");
    const uint8_t odd[] = {0x20, 0x7E, 0x7F, 0x80, 0xFF, 0x09};
    CQelMem n;
    n.AppendBytes(odd, 6);
    EXPECT_EQ(Dump(n, 0), L"<字节集> 总共 6 个字节:\r\n[00000000]: 20 7E 7F 80 FF 09" + std::wstring(30, L' ') + L" |  ~....");
    n.SetSize(1030);
    EXPECT_EQ(Dump(n, 0).find(L"<字节集> 总共 1030 个字节,输出了 1024 个,还有 6 个未被输出."), 0u);  // 0 means 1024
}

}  // namespace
