#include "runtime/ValueClasses.h"

namespace {

const wchar_t kSmallestInt64Text[] = L"-9223372036854775808";

// "%d" text of a 32-bit value appended to text.
void AppendInt32(CWString& text, int32_t value) {
    wchar_t digits[64];
    if (FormatTextN(digits, 64, L"%d", value) > 0) text.Append(digits);
}

void AppendInt64(CWString& text, int64_t value) {
    wchar_t digits[24];
    text.Append(Int64ToText(value, digits));
}

CWString Int32Text(int32_t value) {
    CWString text;
    text.Format(L"%d", value);
    return text;
}

}  // namespace

const wchar_t* Int64ToText(int64_t value, wchar_t* buffer) {
    if (value == INT64_MIN) return kSmallestInt64Text;
    if (value == 0) {
        buffer[0] = L'0';
        buffer[1] = 0;
        return buffer;
    }
    wchar_t reversed[20];
    int count = 0;
    uint64_t magnitude = value < 0 ? static_cast<uint64_t>(-value) : static_cast<uint64_t>(value);
    while (magnitude) {
        reversed[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    }
    int k = 0;
    if (value < 0) buffer[k++] = L'-';
    while (count) buffer[k++] = reversed[--count];
    buffer[k] = 0;
    return buffer;
}

bool DecimalsEqual(double a, double b) {
    const double d = a - b;
    return d >= -1e-6 && d <= 1e-6;
}

namespace rg_Zarno_JiBen {

bool rg_ZiJieLei::EqualFields(const rg_ZiJieLei& o) const { return CQelBaseDataType::EqualFields(o) && value == o.value; }
bool rg_DuanZhengShuLei::EqualFields(const rg_DuanZhengShuLei& o) const { return CQelBaseDataType::EqualFields(o) && value == o.value; }
bool rg_ZiFuLei::EqualFields(const rg_ZiFuLei& o) const { return CQelBaseDataType::EqualFields(o) && value == o.value; }
bool rg_ZhengShuLei::EqualFields(const rg_ZhengShuLei& o) const { return CQelBaseDataType::EqualFields(o) && value == o.value; }
bool rg_BianZhengShuLei::EqualFields(const rg_BianZhengShuLei& o) const { return CQelBaseDataType::EqualFields(o) && value == o.value; }
bool rg_ChangZhengShuLei::EqualFields(const rg_ChangZhengShuLei& o) const { return CQelBaseDataType::EqualFields(o) && value == o.value; }
bool rg_XiaoShuLei::EqualFields(const rg_XiaoShuLei& o) const { return CQelBaseDataType::EqualFields(o) && DecimalsEqual(value, o.value); }
bool rg_LuoJiXingLei::EqualFields(const rg_LuoJiXingLei& o) const { return CQelBaseDataType::EqualFields(o) && value == o.value; }

void rg_ZiJieLei::ToText(CWString& text, int32_t) const {
    text.SetEmpty();
    AppendInt32(text, value);  // sign-extended: the bits C8 show as -56
}

void rg_DuanZhengShuLei::ToText(CWString& text, int32_t) const {
    text.SetEmpty();
    AppendInt32(text, value);
}

void rg_ZiFuLei::ToText(CWString& text, int32_t) const {
    text.SetEmpty();
    text.AppendChar(value);
}

void rg_ZhengShuLei::ToText(CWString& text, int32_t) const {
    text.SetEmpty();
    AppendInt32(text, value);
}

void rg_BianZhengShuLei::ToText(CWString& text, int32_t) const {
    text.SetEmpty();
    AppendInt64(text, value);
}

void rg_ChangZhengShuLei::ToText(CWString& text, int32_t) const {
    text.SetEmpty();
    AppendInt64(text, value);
}

void rg_XiaoShuLei::ToText(CWString& text, int32_t) const {
    text.SetEmpty();
    text.AppendDecimal(value);
}

void rg_LuoJiXingLei::ToText(CWString& text, int32_t) const {
    text.SetEmpty();
    AppendInt32(text, value);
}

void rg_JuXingLei::ToText(CWString& text, int32_t) const {
    const CWString result = CWConstString(L"{ 左边: ") + Int32Text(left) + CWConstString(L"; 顶边: ") + Int32Text(top) +
                            CWConstString(L", 右边: ") + Int32Text(right) + CWConstString(L", 底边: ") +
                            Int32Text(bottom) + CWConstString(L" }");
    text.Assign(result);
}

void rg_CheCunLei::ToText(CWString& text, int32_t) const {
    const CWString result = CWConstString(L"{ 宽度: ") + Int32Text(width) + CWConstString(L"; 高度: ") + Int32Text(height) +
                            CWConstString(L" }");
    text.Assign(result);
}

void rg_WeiZhiLei::ToText(CWString& text, int32_t) const {
    const CWString result = CWConstString(L"{ 横向位置: ") + Int32Text(x) + CWConstString(L"; 纵向位置: ") + Int32Text(y) +
                            CWConstString(L" }");
    text.Assign(result);
}

}  // namespace rg_Zarno_JiBen

const ClassRecord* const* GetBasicValueClassTable() {
    using namespace rg_Zarno_JiBen;
    static const ClassRecord* const table[kBasicValueClassCount] = {
        rg_ZiJieLei::StaticRecord(),        rg_DuanZhengShuLei::StaticRecord(), rg_ZiFuLei::StaticRecord(),
        rg_ZhengShuLei::StaticRecord(),     rg_BianZhengShuLei::StaticRecord(), rg_ChangZhengShuLei::StaticRecord(),
        rg_XiaoShuLei::StaticRecord(),      rg_LuoJiXingLei::StaticRecord(),
    };
    return table;
}
