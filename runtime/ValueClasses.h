// Boxed basic values (byte, short, character, integer, pointer-wide integer, long, decimal, logical)
// and the small geometry classes (rectangle, size, position), with their text forms.
#pragma once
#include <cstdint>

#include "runtime/QelObject.h"
#include "runtime/QelString.h"
#include "runtime/ValueClassTable.h"

// Decimal text of a 64-bit value into buffer (at least 21 code units); answers the text, which is a
// stored text for the smallest value.
const wchar_t* Int64ToText(int64_t value, wchar_t* buffer);

// Decimals are equal when their difference lies within [-1e-6, 1e-6]; a NaN is equal to nothing.
bool DecimalsEqual(double a, double b);

namespace rg_Zarno_JiBen {

// Declares a boxed basic value class with one field `value` of type T.
#define QEL_BASIC_VALUE_CLASS(Cls, T)                                                                \
    class Cls : public CQelBaseDataType {                                                            \
        QEL_OBJECT_CLASS(Cls, CQelBaseDataType, "rg_Zarno_JiBen::" #Cls)                             \
    public:                                                                                          \
        typedef T ValueType;                                                                         \
        Cls() = default;                                                                             \
        explicit Cls(T v) : value(v) {}                                                              \
        Cls(const Cls&) = default;                                                                   \
        Cls& operator=(const Cls&) = default;                                                        \
        /* Replaces the content of text with the value's text form; the limit is ignored. */         \
        void ToText(CWString& text, int32_t limit) const override;                                   \
        void* GetValuePtr() override { return &value; }                                              \
        T value = 0;                                                                                 \
                                                                                                     \
    protected:                                                                                       \
        bool EqualFields(const Cls& other) const;                                                    \
        void ResetFields() {                                                                         \
            CQelBaseDataType::ResetFields();                                                         \
            value = 0;                                                                               \
        }                                                                                            \
    };

QEL_BASIC_VALUE_CLASS(rg_ZiJieLei, int8_t)            // byte
QEL_BASIC_VALUE_CLASS(rg_DuanZhengShuLei, int16_t)    // short integer
QEL_BASIC_VALUE_CLASS(rg_ZiFuLei, wchar_t)            // character (one UTF-16 code unit)
QEL_BASIC_VALUE_CLASS(rg_ZhengShuLei, int32_t)        // integer
QEL_BASIC_VALUE_CLASS(rg_BianZhengShuLei, intptr_t)   // integer as wide as a pointer
QEL_BASIC_VALUE_CLASS(rg_ChangZhengShuLei, int64_t)   // long integer
QEL_BASIC_VALUE_CLASS(rg_XiaoShuLei, double)          // decimal
QEL_BASIC_VALUE_CLASS(rg_LuoJiXingLei, int32_t)       // logical: 1 true, 0 false

#undef QEL_BASIC_VALUE_CLASS

// Rectangle; nothing keeps right >= left or bottom >= top.
class rg_JuXingLei : public rg_KuoZhanDuiXiangLei {
    QEL_OBJECT_CLASS(rg_JuXingLei, rg_KuoZhanDuiXiangLei, "rg_Zarno_JiBen::rg_JuXingLei")
public:
    rg_JuXingLei() = default;
    rg_JuXingLei(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}
    rg_JuXingLei(const rg_JuXingLei&) = default;
    rg_JuXingLei& operator=(const rg_JuXingLei&) = default;
    // "{ 左边: l; 顶边: t, 右边: r, 底边: b }", replacing the content of text.
    void ToText(CWString& text, int32_t limit) const override;

    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

protected:
    bool EqualFields(const rg_JuXingLei& other) const {
        return rg_KuoZhanDuiXiangLei::EqualFields(other) && left == other.left && top == other.top &&
               right == other.right && bottom == other.bottom;
    }
    void ResetFields() {
        rg_KuoZhanDuiXiangLei::ResetFields();
        left = top = right = bottom = 0;
    }
};

// Size.
class rg_CheCunLei : public rg_KuoZhanDuiXiangLei {
    QEL_OBJECT_CLASS(rg_CheCunLei, rg_KuoZhanDuiXiangLei, "rg_Zarno_JiBen::rg_CheCunLei")
public:
    rg_CheCunLei() = default;
    rg_CheCunLei(int32_t w, int32_t h) : width(w), height(h) {}
    rg_CheCunLei(const rg_CheCunLei&) = default;
    rg_CheCunLei& operator=(const rg_CheCunLei&) = default;
    // "{ 宽度: w; 高度: h }", replacing the content of text.
    void ToText(CWString& text, int32_t limit) const override;

    int32_t width = 0;
    int32_t height = 0;

protected:
    bool EqualFields(const rg_CheCunLei& other) const {
        return rg_KuoZhanDuiXiangLei::EqualFields(other) && width == other.width && height == other.height;
    }
    void ResetFields() {
        rg_KuoZhanDuiXiangLei::ResetFields();
        width = height = 0;
    }
};

// Position.
class rg_WeiZhiLei : public rg_KuoZhanDuiXiangLei {
    QEL_OBJECT_CLASS(rg_WeiZhiLei, rg_KuoZhanDuiXiangLei, "rg_Zarno_JiBen::rg_WeiZhiLei")
public:
    rg_WeiZhiLei() = default;
    rg_WeiZhiLei(int32_t px, int32_t py) : x(px), y(py) {}
    rg_WeiZhiLei(const rg_WeiZhiLei&) = default;
    rg_WeiZhiLei& operator=(const rg_WeiZhiLei&) = default;
    // "{ 横向位置: x; 纵向位置: y }", replacing the content of text.
    void ToText(CWString& text, int32_t limit) const override;

    int32_t x = 0;
    int32_t y = 0;

protected:
    bool EqualFields(const rg_WeiZhiLei& other) const {
        return rg_KuoZhanDuiXiangLei::EqualFields(other) && x == other.x && y == other.y;
    }
    void ResetFields() {
        rg_KuoZhanDuiXiangLei::ResetFields();
        x = y = 0;
    }
};

}  // namespace rg_Zarno_JiBen
