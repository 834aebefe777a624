// Boxed basic values and geometry classes: text forms, equality, copying and the class table.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "runtime/ValueClasses.h"

using namespace rg_Zarno_JiBen;

namespace {

std::wstring TextOf(const CQelObject& o) {
    CWString s(L"previous content");  // every text form replaces it
    o.ToText(s, 0);
    return s.GetText();
}

TEST(ValueText, BasicClasses) {
    EXPECT_EQ(TextOf(rg_ZhengShuLei(-5)), L"-5");
    EXPECT_EQ(TextOf(rg_ChangZhengShuLei(std::numeric_limits<int64_t>::min())), L"-9223372036854775808");
    EXPECT_EQ(TextOf(rg_BianZhengShuLei(-1234567890123LL)), L"-1234567890123");
    EXPECT_EQ(TextOf(rg_ZiJieLei(static_cast<int8_t>(0xFF))), L"-1");
    EXPECT_EQ(TextOf(rg_ZiJieLei(static_cast<int8_t>(0xC8))), L"-56");
    EXPECT_EQ(TextOf(rg_DuanZhengShuLei(-32768)), L"-32768");
    EXPECT_EQ(TextOf(rg_LuoJiXingLei(1)), L"1");
    EXPECT_EQ(TextOf(rg_ZiFuLei(L'A')), L"A");
    EXPECT_EQ(TextOf(rg_ZiFuLei(0)), L"");
    EXPECT_EQ(TextOf(rg_XiaoShuLei(0.0000009)), L"0");
    EXPECT_EQ(TextOf(rg_XiaoShuLei(0.0000011)), L"1.1E-06");
    EXPECT_EQ(TextOf(rg_XiaoShuLei(123.456)), L"123.456");
    EXPECT_EQ(TextOf(rg_XiaoShuLei(1e15)), L"1E+15");
    wchar_t buffer[21];
    EXPECT_STREQ(Int64ToText(std::numeric_limits<int64_t>::max(), buffer), L"9223372036854775807");
    EXPECT_STREQ(Int64ToText(-7, buffer), L"-7");
}

TEST(ValueText, GeometryClassesWithTheirSemicolonAndCommas) {
    EXPECT_EQ(TextOf(rg_JuXingLei(1, 2, 30, 40)), L"{ 左边: 1; 顶边: 2, 右边: 30, 底边: 40 }");
    EXPECT_EQ(TextOf(rg_JuXingLei(-3, -4, 5, 6)), L"{ 左边: -3; 顶边: -4, 右边: 5, 底边: 6 }");
    EXPECT_EQ(TextOf(rg_CheCunLei(967, 790)), L"{ 宽度: 967; 高度: 790 }");
    EXPECT_EQ(TextOf(rg_WeiZhiLei(5, -151)), L"{ 横向位置: 5; 纵向位置: -151 }");
}

TEST(ValueText, ZeroInEveryIntegerClassAndTheTableOrder) {
    const ClassRecord* const* table = GetBasicValueClassTable();
    EXPECT_EQ(table, GetBasicValueClassTable());
    const char* names[kBasicValueClassCount] = {"rg_ZiJieLei",         "rg_DuanZhengShuLei", "rg_ZiFuLei",
                                                "rg_ZhengShuLei",      "rg_BianZhengShuLei", "rg_ChangZhengShuLei",
                                                "rg_XiaoShuLei",       "rg_LuoJiXingLei"};
    for (int i = 0; i < kBasicValueClassCount; ++i) {
        EXPECT_EQ(std::string(table[i]->name), std::string("rg_Zarno_JiBen::") + names[i]);
        CQelObject* o = table[i]->create();
        EXPECT_EQ(o->IsKindOf(CQelBaseDataType::StaticRecord()), 1);
        EXPECT_EQ(TextOf(*o), i == 2 ? L"" : L"0") << names[i];
        o->Delete();
    }
}

TEST(ValueEquality, BitsForIntegersAndTheMicroBandForDecimals) {
    EXPECT_EQ(rg_LuoJiXingLei(1).IsEqual(rg_LuoJiXingLei(2)), 0);
    EXPECT_EQ(rg_XiaoShuLei(0.0000009).IsEqual(rg_XiaoShuLei(0)), 1);
    EXPECT_EQ(rg_XiaoShuLei(0.0000011).IsEqual(rg_XiaoShuLei(0)), 0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(rg_XiaoShuLei(nan).IsEqual(rg_XiaoShuLei(nan)), 0);
    EXPECT_EQ(rg_ZhengShuLei(3).IsEqual(rg_ChangZhengShuLei(3)), 0);
    rg_JuXingLei r(1, 2, 3, 4), other(1, 2, 3, 5);
    EXPECT_EQ(r.IsEqual(other), 0);
    other.bottom = 4;
    EXPECT_EQ(r.IsEqual(other), 1);
    EXPECT_EQ(rg_CheCunLei(3, 4).IsEqual(rg_WeiZhiLei(3, 4)), 0);
}

TEST(ValueCopies, NoConversionBetweenClassesAndValuePointers) {
    rg_ZhengShuLei integer(11), source(-8);
    EXPECT_EQ(integer.CopyFrom(rg_ChangZhengShuLei(99)), 0);
    EXPECT_EQ(integer.value, 11);
    source.objectWord = 6;
    EXPECT_EQ(integer.CopyFrom(source), 1);
    EXPECT_EQ(integer.IsEqual(source), 1);
    CQelBaseDataType* base = &integer;
    *static_cast<int32_t*>(base->GetValuePtr()) = 77;
    EXPECT_EQ(integer.value, 77);
    integer.Reset();
    EXPECT_EQ(integer.value, 0);
    EXPECT_EQ(integer.objectWord, 0u);
    rg_KuoZhanDuiXiangLei geometryBase;
    EXPECT_EQ(rg_JuXingLei().CopyFrom(geometryBase), 0);
    EXPECT_EQ(geometryBase.CopyFrom(rg_JuXingLei(1, 2, 3, 4)), 1);
}

}  // namespace
