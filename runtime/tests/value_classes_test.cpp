// Boxed basic values and geometry classes: text forms, equality, copying, kind chains, value pointers
// and the table of basic class records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "ValueClasses.h"

using namespace rg_Zarno_JiBen;

namespace {

std::wstring TextOf(const CQelObject& o) {
    CWString s;
    o.ToText(s, 0);
    return s.GetText();
}

TEST(BasicValueText, IntegersOfEveryWidth) {
    EXPECT_EQ(TextOf(rg_ZhengShuLei(-5)), L"-5");
    EXPECT_EQ(TextOf(rg_ChangZhengShuLei(std::numeric_limits<int64_t>::min())), L"-9223372036854775808");
    EXPECT_EQ(TextOf(rg_ChangZhengShuLei(std::numeric_limits<int64_t>::max())), L"9223372036854775807");
    EXPECT_EQ(TextOf(rg_BianZhengShuLei(-1234567890123LL)), L"-1234567890123");
    EXPECT_EQ(TextOf(rg_ZiJieLei(static_cast<int8_t>(0xFF))), L"-1");
    EXPECT_EQ(TextOf(rg_ZiJieLei(static_cast<int8_t>(0xC8))), L"-56");
    EXPECT_EQ(TextOf(rg_ZiJieLei(127)), L"127");
    EXPECT_EQ(TextOf(rg_DuanZhengShuLei(-32768)), L"-32768");
    EXPECT_EQ(TextOf(rg_ZhengShuLei(std::numeric_limits<int32_t>::min())), L"-2147483648");
    EXPECT_EQ(TextOf(rg_LuoJiXingLei(1)), L"1");
    EXPECT_EQ(TextOf(rg_LuoJiXingLei(0)), L"0");
    EXPECT_EQ(TextOf(rg_ZiJieLei()), L"0");
    EXPECT_EQ(TextOf(rg_DuanZhengShuLei()), L"0");
    EXPECT_EQ(TextOf(rg_ZhengShuLei()), L"0");
    EXPECT_EQ(TextOf(rg_BianZhengShuLei()), L"0");
    EXPECT_EQ(TextOf(rg_ChangZhengShuLei()), L"0");
}

TEST(BasicValueText, CharactersAndDecimals) {
    EXPECT_EQ(TextOf(rg_ZiFuLei(L'A')), L"A");
    EXPECT_EQ(TextOf(rg_ZiFuLei(L'字')), L"字");
    EXPECT_EQ(TextOf(rg_ZiFuLei(0)), L"");
    EXPECT_EQ(TextOf(rg_XiaoShuLei(0.0000009)), L"0");
    EXPECT_EQ(TextOf(rg_XiaoShuLei(0.0000011)), L"1.1E-06");
    EXPECT_EQ(TextOf(rg_XiaoShuLei(123.456)), L"123.456");
    EXPECT_EQ(TextOf(rg_XiaoShuLei(1e15)), L"1E+15");
    EXPECT_EQ(TextOf(rg_XiaoShuLei()), L"0");
}

TEST(BasicValueText, ReplacesWhatTheStringHeld) {
    CWString s(L"previous");
    rg_ZhengShuLei(42).ToText(s, 0);
    EXPECT_STREQ(s.GetText(), L"42");
    s.Append(L"x");
    rg_ZiFuLei(0).ToText(s, 0);
    EXPECT_STREQ(s.GetText(), L"");
    EXPECT_EQ(s.buffer.data, nullptr);
}

TEST(Int64Text, ZeroSmallestAndOrdinaryValues) {
    wchar_t buffer[21];
    EXPECT_EQ(Int64ToText(0, buffer), buffer);
    EXPECT_STREQ(buffer, L"0");
    const wchar_t* smallest = Int64ToText(std::numeric_limits<int64_t>::min(), buffer);
    EXPECT_NE(smallest, buffer);  // the stored text
    EXPECT_STREQ(smallest, L"-9223372036854775808");
    EXPECT_STREQ(Int64ToText(-9223372036854775807LL, buffer), L"-9223372036854775807");
    EXPECT_STREQ(Int64ToText(1000000, buffer), L"1000000");
    EXPECT_STREQ(Int64ToText(-7, buffer), L"-7");
}

TEST(BasicValueEquality, BitsForIntegersAndTheMicroBandForDecimals) {
    EXPECT_EQ(rg_LuoJiXingLei(1).IsEqual(rg_LuoJiXingLei(2)), 0);
    EXPECT_EQ(rg_LuoJiXingLei(1).IsEqual(rg_LuoJiXingLei(1)), 1);
    EXPECT_EQ(rg_XiaoShuLei(0.0000009).IsEqual(rg_XiaoShuLei(0)), 1);
    EXPECT_EQ(rg_XiaoShuLei(0.0000011).IsEqual(rg_XiaoShuLei(0)), 0);
    EXPECT_EQ(rg_XiaoShuLei(1.0).IsEqual(rg_XiaoShuLei(1.0000005)), 1);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(rg_XiaoShuLei(nan).IsEqual(rg_XiaoShuLei(nan)), 0);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(rg_XiaoShuLei(inf).IsEqual(rg_XiaoShuLei(inf)), 0);  // inf - inf is NaN
    // Same value, different class: never equal.
    EXPECT_EQ(rg_ZhengShuLei(3).IsEqual(rg_ChangZhengShuLei(3)), 0);
    EXPECT_EQ(rg_ZhengShuLei(3).IsEqual(rg_LuoJiXingLei(3)), 0);
    rg_ZhengShuLei a(3), b(3);
    b.objectWord = 1;
    EXPECT_EQ(a.IsEqual(b), 0);
    b.objectWord = 0;
    b.SetNullObject(true);
    EXPECT_EQ(a.IsEqual(b), 0);
}

TEST(BasicValueCopies, NoConversionBetweenClassesAndWordsTravelWithValues) {
    rg_ZhengShuLei integer(11);
    rg_ChangZhengShuLei longInteger(99);
    EXPECT_EQ(integer.CopyFrom(longInteger), 0);
    EXPECT_EQ(integer.value, 11);
    rg_ZhengShuLei source(-8);
    source.objectWord = 6;
    EXPECT_EQ(integer.CopyFrom(source), 1);
    EXPECT_EQ(integer.value, -8);
    EXPECT_EQ(integer.objectWord, 6u);
    CQelObject* clone = source.Clone();
    EXPECT_EQ(clone->IsEqual(source), 1);
    EXPECT_EQ(static_cast<rg_ZhengShuLei*>(clone)->value, -8);
    clone->Delete();
    integer.Reset();
    EXPECT_EQ(integer.value, 0);
    EXPECT_EQ(integer.objectWord, 0u);
    CQelObject* fresh = rg_XiaoShuLei(2.5).NewInstance();
    EXPECT_EQ(static_cast<rg_XiaoShuLei*>(fresh)->value, 0.0);
    fresh->Delete();
}

TEST(BasicValueObject, KindChainAndValuePointers) {
    rg_ZiJieLei byte(5);
    EXPECT_EQ(byte.IsKindOf(rg_ZiJieLei::StaticRecord()), 1);
    EXPECT_EQ(byte.IsKindOf(CQelBaseDataType::StaticRecord()), 1);
    EXPECT_EQ(byte.IsKindOf(CQelObject::StaticRecord()), 1);
    EXPECT_EQ(byte.IsKindOf(rg_KuoZhanDuiXiangLei::StaticRecord()), 0);
    EXPECT_EQ(byte.IsKindOf(rg_ZhengShuLei::StaticRecord()), 0);
    CQelBaseDataType* base = &byte;
    EXPECT_EQ(base->GetValuePtr(), &byte.value);
    *static_cast<int8_t*>(base->GetValuePtr()) = -3;
    EXPECT_EQ(byte.value, -3);
    rg_XiaoShuLei decimal(1.5);
    EXPECT_EQ(*static_cast<double*>(static_cast<CQelBaseDataType&>(decimal).GetValuePtr()), 1.5);
    EXPECT_STREQ(rg_LuoJiXingLei::StaticRecord()->name, "rg_Zarno_JiBen::rg_LuoJiXingLei");
}

TEST(BasicValueTable, EightRecordsInTheFixedOrderBuiltOnce) {
    const ClassRecord* const* table = GetBasicValueClassTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table, GetBasicValueClassTable());
    const char* names[kBasicValueClassCount] = {
        "rg_Zarno_JiBen::rg_ZiJieLei",    "rg_Zarno_JiBen::rg_DuanZhengShuLei", "rg_Zarno_JiBen::rg_ZiFuLei",
        "rg_Zarno_JiBen::rg_ZhengShuLei", "rg_Zarno_JiBen::rg_BianZhengShuLei", "rg_Zarno_JiBen::rg_ChangZhengShuLei",
        "rg_Zarno_JiBen::rg_XiaoShuLei",  "rg_Zarno_JiBen::rg_LuoJiXingLei"};
    for (int i = 0; i < kBasicValueClassCount; ++i) {
        EXPECT_STREQ(table[i]->name, names[i]) << i;
        CQelObject* o = table[i]->create();
        EXPECT_EQ(o->GetClassRecord(), table[i]);
        EXPECT_EQ(o->IsKindOf(CQelBaseDataType::StaticRecord()), 1);
        EXPECT_EQ(TextOf(*o), i == 2 ? L"" : L"0");
        o->Delete();
    }
    EXPECT_EQ(table[3], rg_ZhengShuLei::StaticRecord());
}

TEST(GeometryText, LabelsWithTheirSemicolonAndCommas) {
    EXPECT_EQ(TextOf(rg_JuXingLei(1, 2, 30, 40)), L"{ 左边: 1; 顶边: 2, 右边: 30, 底边: 40 }");
    EXPECT_EQ(TextOf(rg_JuXingLei(-3, -4, 5, 6)), L"{ 左边: -3; 顶边: -4, 右边: 5, 底边: 6 }");
    EXPECT_EQ(TextOf(rg_JuXingLei()), L"{ 左边: 0; 顶边: 0, 右边: 0, 底边: 0 }");
    EXPECT_EQ(TextOf(rg_CheCunLei(967, 790)), L"{ 宽度: 967; 高度: 790 }");
    EXPECT_EQ(TextOf(rg_WeiZhiLei(5, -151)), L"{ 横向位置: 5; 纵向位置: -151 }");
    EXPECT_EQ(TextOf(rg_WeiZhiLei(std::numeric_limits<int32_t>::min(), 0)),
              L"{ 横向位置: -2147483648; 纵向位置: 0 }");
}

TEST(GeometryText, ReplacesWhatTheStringHeld) {
    CWString s(L"old text");
    rg_CheCunLei(1, 2).ToText(s, 0);
    EXPECT_STREQ(s.GetText(), L"{ 宽度: 1; 高度: 2 }");
    s.Append(L" and more");
    rg_WeiZhiLei(3, 4).ToText(s, 0);
    EXPECT_STREQ(s.GetText(), L"{ 横向位置: 3; 纵向位置: 4 }");
}

TEST(GeometryObject, EqualityCopiesAndKinds) {
    rg_JuXingLei r(1, 2, 3, 4);
    for (int field = 0; field < 4; ++field) {
        rg_JuXingLei other(r);
        switch (field) {
            case 0: other.left += 1; break;
            case 1: other.top += 1; break;
            case 2: other.right += 1; break;
            default: other.bottom += 1; break;
        }
        EXPECT_EQ(r.IsEqual(other), 0) << field;
    }
    EXPECT_EQ(r.IsEqual(rg_JuXingLei(1, 2, 3, 4)), 1);
    rg_JuXingLei inverted(10, 10, -10, -10);  // kept as given
    EXPECT_EQ(inverted.right, -10);
    rg_CheCunLei size(3, 4);
    rg_WeiZhiLei position(3, 4);
    EXPECT_EQ(size.IsEqual(position), 0);
    EXPECT_EQ(size.CopyFrom(position), 0);
    EXPECT_EQ(r.CopyFrom(rg_KuoZhanDuiXiangLei()), 0);
    rg_KuoZhanDuiXiangLei base;
    EXPECT_EQ(base.CopyFrom(r), 1);  // the base part is copied
    EXPECT_EQ(r.IsKindOf(rg_KuoZhanDuiXiangLei::StaticRecord()), 1);
    EXPECT_EQ(r.IsKindOf(CQelBaseDataType::StaticRecord()), 0);
    rg_JuXingLei copy;
    EXPECT_EQ(copy.CopyFrom(r), 1);
    EXPECT_EQ(copy.IsEqual(r), 1);
    copy.Reset();
    EXPECT_EQ(copy.IsEqual(rg_JuXingLei()), 1);
    CQelObject* clone = size.Clone();
    EXPECT_EQ(clone->IsEqual(size), 1);
    clone->Delete();
}

}  // namespace
