// GDI resource objects: a counted record that owns one GDI, icon, cursor or image-list handle and
// closes it when its last holder lets go, the value objects that share such records (GDI resource,
// bitmap object), and the GDI32 font value.
#pragma once
#include <windows.h>

#include <cstdint>

#include "runtime/QelObject.h"

// Owns one handle; closes it according to its kind when the last reference is released.
class CGDIObjectHandle : public CRefObject {
public:
    enum Kind : int32_t {
        kNotClosed = 0,
        kGdiObject = 1,   // DeleteObject: pens, brushes, fonts, bitmaps, regions, palettes
        kIcon = 2,        // DestroyIcon
        kCursor = 3,      // DestroyCursor
        kImageList = 4,   // ImageList_Destroy
    };

    // The record takes over the handle; its reference count starts at 1 (the creator's reference).
    CGDIObjectHandle(HANDLE h, int32_t k) : handle(h), kind(k) {}

    static const RefClassRecord* StaticRefRecord();
    const RefClassRecord* GetClassRecord() const override;
    int IsKindOf(const RefClassRecord* record) const override;
    ~CGDIObjectHandle() override;

    HANDLE handle;
    int32_t kind;
};

namespace rg_Zarno_JiBen {

// A value object holding a counted reference to a CGDIObjectHandle (kept in the reference holder's
// data): copies share the record, equality is identity of the record.
class rg_GDIZiYuanLei : public rg_CanKaoDuiXiangLei {
    QEL_OBJECT_CLASS(rg_GDIZiYuanLei, rg_CanKaoDuiXiangLei, "rg_Zarno_JiBen::rg_GDIZiYuanLei")
public:
    rg_GDIZiYuanLei() = default;
    rg_GDIZiYuanLei(const rg_GDIZiYuanLei&) = default;
    rg_GDIZiYuanLei& operator=(const rg_GDIZiYuanLei&) = default;

    // The shared record, or null when the object has none (or holds data of another kind).
    CGDIObjectHandle* GetHandleRecord() const;
    // The record's handle, or null when there is no record.
    HANDLE GetHandle() const;

protected:
    bool EqualFields(const rg_GDIZiYuanLei& other) const { return rg_CanKaoDuiXiangLei::EqualFields(other); }
    void ResetFields() { rg_CanKaoDuiXiangLei::ResetFields(); }
};

// A GDI resource made from a bitmap handle; the last bitmap object sharing the record deletes the
// bitmap.
class rg_WeiTuDuiXiangLei : public rg_GDIZiYuanLei {
    QEL_OBJECT_CLASS(rg_WeiTuDuiXiangLei, rg_GDIZiYuanLei, "rg_Zarno_JiBen::rg_WeiTuDuiXiangLei")
public:
    rg_WeiTuDuiXiangLei() = default;
    // Takes ownership of the bitmap; a null handle gives an object without a record.
    explicit rg_WeiTuDuiXiangLei(HBITMAP bitmap);
    rg_WeiTuDuiXiangLei(const rg_WeiTuDuiXiangLei&) = default;
    rg_WeiTuDuiXiangLei& operator=(const rg_WeiTuDuiXiangLei&) = default;

    HBITMAP GetBitmap() const { return static_cast<HBITMAP>(GetHandle()); }

protected:
    bool EqualFields(const rg_WeiTuDuiXiangLei& other) const { return rg_GDIZiYuanLei::EqualFields(other); }
    void ResetFields() { rg_GDIZiYuanLei::ResetFields(); }
};

}  // namespace rg_Zarno_JiBen

namespace rg_Zarno_YuanChuangRuanJian {

// Font setting of the memory painter: six 32-bit values and one 64-bit value, all zero by default.
// Nothing creates a font from it; it only travels with copies and takes part in equality.
class rg_GDI32ZiTi : public CQelObject {
    QEL_OBJECT_CLASS(rg_GDI32ZiTi, CQelObject, "rg_Zarno_YuanChuangRuanJian::rg_GDI32ZiTi")
public:
    rg_GDI32ZiTi() = default;
    rg_GDI32ZiTi(const rg_GDI32ZiTi&) = default;
    rg_GDI32ZiTi& operator=(const rg_GDI32ZiTi&) = default;

    int32_t values[6] = {0, 0, 0, 0, 0, 0};
    int64_t wideValue = 0;

protected:
    bool EqualFields(const rg_GDI32ZiTi& other) const;
    void ResetFields();
};

}  // namespace rg_Zarno_YuanChuangRuanJian
