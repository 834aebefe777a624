// GDI resource objects: handle records close their handle exactly once according to their kind, and the
// value objects that share them count correctly through copies, clones, resets and assignments.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "drawing/GdiResource.h"
#include "drawing/tests/test_support.h"
#include "testsupport/GdiCount.h"
#include "testsupport/Pump.h"

using rg_Zarno_JiBen::rg_CanKaoDuiXiangLei;
using rg_Zarno_JiBen::rg_GDIZiYuanLei;
using rg_Zarno_JiBen::rg_WeiTuDuiXiangLei;

namespace {

HBITMAP NewBitmap() { return CreateBitmap(8, 8, 1, 32, nullptr); }

bool Alive(HGDIOBJ h) { return GetObjectType(h) != 0; }

HICON NewIcon() {
    HBITMAP colour = CreateBitmap(16, 16, 1, 32, nullptr);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    ICONINFO info = {TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

bool IconAlive(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return false;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return true;
}

}  // namespace

TEST(GdiHandleRecord, ClosesByKindOnLastRelease) {
    // Kind 1: DeleteObject, only when the last reference goes.
    HBITMAP bitmap = NewBitmap();
    auto* record = new CGDIObjectHandle(bitmap, CGDIObjectHandle::kGdiObject);
    record->AddRef();
    EXPECT_EQ(record->Release(), 0);
    EXPECT_TRUE(Alive(bitmap));
    EXPECT_EQ(record->Release(), 1);
    EXPECT_FALSE(Alive(bitmap));

    // Kinds 0 and 5 close nothing.
    for (int32_t kind : {0, 5}) {
        HBITMAP kept = NewBitmap();
        (new CGDIObjectHandle(kept, kind))->Release();
        EXPECT_TRUE(Alive(kept)) << "kind " << kind;
        DeleteObject(kept);
    }

    // Kinds 2 and 3: DestroyIcon and DestroyCursor.
    HICON icon = NewIcon();
    ASSERT_TRUE(IconAlive(icon));
    (new CGDIObjectHandle(icon, CGDIObjectHandle::kIcon))->Release();
    EXPECT_FALSE(IconAlive(icon));
    HICON cursor = NewIcon();
    (new CGDIObjectHandle(cursor, CGDIObjectHandle::kCursor))->Release();
    EXPECT_FALSE(IconAlive(cursor));

    // Kind 4: ImageList_Destroy frees the list's bitmaps.
    const int64_t before = qeltest::CountGdiObjects();
    ASSERT_GE(before, 0);
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
    ASSERT_NE(list, nullptr);
    EXPECT_GT(qeltest::CountGdiObjects(), before);
    (new CGDIObjectHandle(list, CGDIObjectHandle::kImageList))->Release();
    EXPECT_EQ(qeltest::CountGdiObjects(), before);

    // A null handle is fine for any kind.
    (new CGDIObjectHandle(nullptr, CGDIObjectHandle::kGdiObject))->Release();
}

TEST(BitmapObject, SharesOneBitmapAndDeletesItWithTheLastHolder) {
    HBITMAP bitmap = NewBitmap();
    {
        rg_WeiTuDuiXiangLei first(bitmap);
        EXPECT_EQ(first.GetBitmap(), bitmap);
        EXPECT_EQ(first.GetHandle(), static_cast<HANDLE>(bitmap));
        ASSERT_NE(first.GetHandleRecord(), nullptr);
        EXPECT_EQ(first.GetHandleRecord()->kind, CGDIObjectHandle::kGdiObject);
        EXPECT_EQ(first.GetHandleRecord()->GetRefCount(), 1);
        {
            rg_WeiTuDuiXiangLei second(first);
            EXPECT_EQ(second.GetHandleRecord(), first.GetHandleRecord());
            EXPECT_EQ(first.GetHandleRecord()->GetRefCount(), 2);
            CQelObject* clone = first.Clone();
            EXPECT_EQ(first.GetHandleRecord()->GetRefCount(), 3);
            EXPECT_EQ(clone->IsEqual(first), 1);
            clone->Delete();
            EXPECT_EQ(first.GetHandleRecord()->GetRefCount(), 2);
        }
        EXPECT_TRUE(Alive(bitmap));
        EXPECT_EQ(first.GetHandleRecord()->GetRefCount(), 1);
    }
    EXPECT_FALSE(Alive(bitmap));
}

TEST(BitmapObject, AssignmentReleasesThePreviousBitmapAndSurvivesSelfAssignment) {
    HBITMAP a = NewBitmap(), b = NewBitmap();
    rg_WeiTuDuiXiangLei keep(a);
    rg_WeiTuDuiXiangLei other(b);
    EXPECT_EQ(keep.CopyFrom(other), 1);
    EXPECT_FALSE(Alive(a)) << "the last holder of the previous bitmap let go";
    EXPECT_EQ(keep.GetBitmap(), b);
    EXPECT_EQ(keep.GetHandleRecord()->GetRefCount(), 2);

    EXPECT_EQ(keep.CopyFrom(keep), 1);
    keep = *&keep;  // assignment to itself raises the count before releasing the old record
    EXPECT_TRUE(Alive(b));
    EXPECT_EQ(keep.GetHandleRecord()->GetRefCount(), 2);

    keep.Reset();
    EXPECT_EQ(keep.GetHandle(), nullptr);
    EXPECT_TRUE(Alive(b));
    other.Reset();
    EXPECT_FALSE(Alive(b));
}

TEST(BitmapObject, NullHandleGivesAnObjectWithoutRecord) {
    const int64_t before = qeltest::CountGdiObjects();
    {
        rg_WeiTuDuiXiangLei empty(static_cast<HBITMAP>(nullptr));
        EXPECT_EQ(empty.GetHandleRecord(), nullptr);
        EXPECT_EQ(empty.GetHandle(), nullptr);
        rg_WeiTuDuiXiangLei plain;
        EXPECT_EQ(plain.GetBitmap(), nullptr);
        EXPECT_EQ(plain.IsEqual(empty), 1);
    }
    EXPECT_EQ(qeltest::CountGdiObjects(), before);
}

TEST(BitmapObject, KindsAndEqualityFollowTheRecord) {
    rg_WeiTuDuiXiangLei bitmapObject;
    rg_GDIZiYuanLei resource;
    EXPECT_EQ(bitmapObject.IsKindOf(rg_CanKaoDuiXiangLei::StaticRecord()), 1);
    EXPECT_EQ(bitmapObject.CopyFrom(resource), 0) << "a plain GDI resource is no bitmap object";
    EXPECT_EQ(resource.CopyFrom(bitmapObject), 1);

    // Equality is identity of the record, not equality of handle values.
    HBITMAP shared = NewBitmap();
    auto* r1 = new CGDIObjectHandle(shared, 0);
    auto* r2 = new CGDIObjectHandle(shared, 0);
    rg_GDIZiYuanLei x, y;
    x.AttachData(r1);
    y.AttachData(r2);
    EXPECT_EQ(x.GetHandle(), y.GetHandle());
    EXPECT_EQ(x.IsEqual(y), 0);
    y.CopyFrom(x);
    EXPECT_EQ(x.IsEqual(y), 1);
    x.Reset();
    y.Reset();
    EXPECT_TRUE(Alive(shared));
    DeleteObject(shared);

    // Data of another kind is not mistaken for a handle record.
    rg_GDIZiYuanLei foreign;
    foreign.AttachData(new CQelObjectPointer(nullptr));
    EXPECT_EQ(foreign.GetHandleRecord(), nullptr);
    EXPECT_EQ(foreign.GetHandle(), nullptr);
}

TEST(BitmapObject, GdiObjectCountStaysFlatOverAThousandCycles) {
    const int64_t before = qeltest::CountGdiObjects();
    ASSERT_GT(before, 0);
    rg_WeiTuDuiXiangLei programWide;
    for (int i = 0; i < 1000; ++i) {
        rg_WeiTuDuiXiangLei fresh(NewBitmap());
        rg_WeiTuDuiXiangLei copy(fresh);
        CQelObject* clone = copy.Clone();
        programWide.CopyFrom(*clone);
        clone->Delete();
        if (i == 500) {
            EXPECT_EQ(qeltest::CountGdiObjects(), before + 1) << "the previous bitmap went with the assignment";
        }
    }
    EXPECT_EQ(qeltest::CountGdiObjects(), before + 1) << "only the program-wide object's bitmap is left";
    programWide.Reset();
    EXPECT_EQ(qeltest::CountGdiObjects(), before);
}
