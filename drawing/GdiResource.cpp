#include "drawing/GdiResource.h"

#include <commctrl.h>

// ---- CGDIObjectHandle ------------------------------------------------------------------------------

const RefClassRecord* CGDIObjectHandle::StaticRefRecord() {
    static const RefClassRecord record = MakeRefClassRecord("CGDIObjectHandle");
    return &record;
}

const RefClassRecord* CGDIObjectHandle::GetClassRecord() const { return StaticRefRecord(); }

int CGDIObjectHandle::IsKindOf(const RefClassRecord* record) const {
    if (RefRecordsMatch(record, StaticRefRecord())) return 1;
    return CRefObject::IsKindOf(record);
}

// Runs when the last reference is released (CRefObject::Release deletes the record at zero).
CGDIObjectHandle::~CGDIObjectHandle() {
    HANDLE h = handle;
    handle = nullptr;
    if (!h) return;
    switch (kind) {
    case kGdiObject: DeleteObject(static_cast<HGDIOBJ>(h)); break;
    case kIcon: DestroyIcon(static_cast<HICON>(h)); break;
    case kCursor: DestroyCursor(static_cast<HCURSOR>(h)); break;
    case kImageList: ImageList_Destroy(static_cast<HIMAGELIST>(h)); break;
    default: break;  // a handle the record does not close
    }
}

namespace rg_Zarno_JiBen {

// ---- rg_GDIZiYuanLei -------------------------------------------------------------------------------

CGDIObjectHandle* rg_GDIZiYuanLei::GetHandleRecord() const {
    CRefObject* d = GetData();
    if (!d || !d->IsKindOf(CGDIObjectHandle::StaticRefRecord())) return nullptr;
    return static_cast<CGDIObjectHandle*>(d);
}

HANDLE rg_GDIZiYuanLei::GetHandle() const {
    CGDIObjectHandle* record = GetHandleRecord();
    return record ? record->handle : nullptr;
}

// ---- rg_WeiTuDuiXiangLei ---------------------------------------------------------------------------

rg_WeiTuDuiXiangLei::rg_WeiTuDuiXiangLei(HBITMAP bitmap) {
    if (bitmap) AttachData(new CGDIObjectHandle(bitmap, CGDIObjectHandle::kGdiObject));
}

}  // namespace rg_Zarno_JiBen

namespace rg_Zarno_YuanChuangRuanJian {

// ---- rg_GDI32ZiTi ----------------------------------------------------------------------------------

bool rg_GDI32ZiTi::EqualFields(const rg_GDI32ZiTi& other) const {
    if (!CQelObject::EqualFields(other) || wideValue != other.wideValue) return false;
    for (int i = 0; i < 6; ++i)
        if (values[i] != other.values[i]) return false;
    return true;
}

void rg_GDI32ZiTi::ResetFields() {
    CQelObject::ResetFields();
    for (int32_t& v : values) v = 0;
    wideValue = 0;
}

}  // namespace rg_Zarno_YuanChuangRuanJian
