// Object model: class records, kind tests, copying and equality, reference counting, object pointers.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "runtime/QelObject.h"
#include "runtime/QelString.h"
#include "testsupport/PointedObject.h"

using namespace rg_Zarno_JiBen;

namespace {

TEST(ClassRecords, NameHashIsTheLow31BitsOfTimesFivePlusByteWithBitZeroSet) {
    EXPECT_EQ(ClassNameHash("A", 1), 65u);
    EXPECT_EQ(ClassNameHash("abc", 3), 3015u);
    EXPECT_EQ(ClassNameHash("", 0), 1u);
    // Bytes above 0x7F count as negative values.
    EXPECT_EQ(ClassNameHash("\xE4", 1), static_cast<uint32_t>((static_cast<uint64_t>(-28) | 1) & 0x7FFFFFFF));
    // A long name wraps at 64 bits and still yields an odd 31-bit value.
    const char* longName = "rg_Zarno_JiBen::rg_CanKaoDuiXiangLei_with_a_rather_long_tail_of_characters";
    uint32_t h = ClassNameHash(longName, std::strlen(longName));
    EXPECT_EQ(h & 1u, 1u);
    EXPECT_LE(h, 0x7FFFFFFFu);
}

TEST(ClassRecords, RecordsAreBuiltOnceAndCarryNameLengthHashAndCreate) {
    const ClassRecord* r = rg_CanKaoDuiXiangLei::StaticRecord();
    EXPECT_EQ(r, rg_CanKaoDuiXiangLei::StaticRecord());
    EXPECT_EQ(r->marker, 1);
    EXPECT_STREQ(r->name, "rg_Zarno_JiBen::rg_CanKaoDuiXiangLei");
    EXPECT_EQ(r->nameLength, std::strlen(r->name));
    EXPECT_EQ(r->nameHash, ClassNameHash(r->name, r->nameLength));
    CQelObject* o = r->create();
    EXPECT_EQ(o->GetClassRecord(), r);
    o->Delete();
}

TEST(ClassRecords, DistinctRecordWithSameNameMatchesButDifferentNamesDoNot) {
    ClassRecord copy = *rg_KeSheJiLei::StaticRecord();
    EXPECT_TRUE(RecordsMatch(&copy, rg_KeSheJiLei::StaticRecord()));
    rg_KeSheJiLei designable;
    EXPECT_EQ(designable.IsKindOf(&copy), 1);
    // Same hash and length but different bytes must not match.
    ClassRecord forged = copy;
    std::string altered(copy.name);
    altered[altered.size() - 1] = 'X';
    forged.name = altered.c_str();
    EXPECT_FALSE(RecordsMatch(&forged, rg_KeSheJiLei::StaticRecord()));
    ClassRecord shorter = copy;
    shorter.nameLength -= 1;
    EXPECT_FALSE(RecordsMatch(&shorter, rg_KeSheJiLei::StaticRecord()));
}

TEST(KindTests, ChainRunsFromTheClassUpToCQelObject) {
    rg_CanKaoDuiXiangLei holder;
    rg_KeSheJiLei designable;
    CWString text;
    EXPECT_EQ(holder.IsKindOf(CQelObject::StaticRecord()), 1);
    EXPECT_EQ(designable.IsKindOf(CQelObject::StaticRecord()), 1);
    EXPECT_EQ(text.IsKindOf(CQelObject::StaticRecord()), 1);
    EXPECT_EQ(holder.IsKindOf(rg_KeSheJiLei::StaticRecord()), 0);
    EXPECT_EQ(designable.IsKindOf(rg_CanKaoDuiXiangLei::StaticRecord()), 1);
    EXPECT_EQ(designable.IsKindOf(CWString::StaticRecord()), 0);
    CWConstString constant(L"x");
    EXPECT_EQ(constant.IsKindOf(CWString::StaticRecord()), 1);
    EXPECT_EQ(text.IsKindOf(CWConstString::StaticRecord()), 0);
}

class CountingData : public CRefObject {
public:
    explicit CountingData(int* finals, int* destroyed) : finals_(finals), destroyed_(destroyed) {}
    ~CountingData() override { ++*destroyed_; }
    void OnFinalRelease() override {
        EXPECT_EQ(*destroyed_, 0);  // the hook runs before the destructor
        ++*finals_;
    }
    int* finals_;
    int* destroyed_;
};

TEST(ReferenceObjects, ReleaseCallsOnFinalReleaseExactlyOnceThenDestroys) {
    int finals = 0, destroyed = 0;
    auto* data = new CountingData(&finals, &destroyed);
    EXPECT_EQ(data->GetRefCount(), 1);
    data->AddRef();
    EXPECT_EQ(data->Release(), 0);
    EXPECT_EQ(finals, 0);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(data->Release(), 1);
    EXPECT_EQ(finals, 1);
    EXPECT_EQ(destroyed, 1);
}

TEST(ReferenceObjects, RefRecordsChainToCRefObject) {
    auto* ptr = new CQelObjectPointer(nullptr);
    EXPECT_EQ(ptr->IsKindOf(CRefObject::StaticRefRecord()), 1);
    RefClassRecord other = MakeRefClassRecord("CMfcWndObject");
    EXPECT_EQ(ptr->IsKindOf(&other), 0);
    RefClassRecord same = MakeRefClassRecord("CRefObject");
    EXPECT_EQ(ptr->IsKindOf(&same), 1);
    ptr->Release();
}

TEST(ReferenceHolders, CopiesShareDataAndCountIt) {
    int finals = 0, destroyed = 0;
    auto* data = new CountingData(&finals, &destroyed);
    {
        rg_CanKaoDuiXiangLei a;
        a.AttachData(data);
        EXPECT_EQ(data->GetRefCount(), 1);
        CQelObject* clone = a.Clone();
        EXPECT_EQ(data->GetRefCount(), 2);
        EXPECT_EQ(static_cast<rg_CanKaoDuiXiangLei*>(clone)->GetData(), data);
        EXPECT_EQ(a.IsEqual(*clone), 1);
        clone->Delete();
        EXPECT_EQ(data->GetRefCount(), 1);

        rg_CanKaoDuiXiangLei b;
        EXPECT_EQ(b.CopyFrom(a), 1);
        EXPECT_EQ(data->GetRefCount(), 2);
        EXPECT_EQ(b.CopyFrom(b), 1);  // onto itself keeps the reference
        EXPECT_EQ(data->GetRefCount(), 2);
        b.Reset();
        EXPECT_EQ(b.GetData(), nullptr);
        EXPECT_EQ(data->GetRefCount(), 1);
    }
    EXPECT_EQ(finals, 1);
    EXPECT_EQ(destroyed, 1);
}

TEST(ReferenceHolders, EqualityIsByDataIdentityNotContent) {
    int f1 = 0, d1 = 0, f2 = 0, d2 = 0;
    rg_CanKaoDuiXiangLei a, b;
    a.AttachData(new CountingData(&f1, &d1));
    b.AttachData(new CountingData(&f2, &d2));
    EXPECT_EQ(a.IsEqual(b), 0);
    b.SetData(a.GetData());
    EXPECT_EQ(d2, 1);  // b's old data released
    EXPECT_EQ(a.IsEqual(b), 1);
    b.objectWord = 7;
    EXPECT_EQ(a.IsEqual(b), 0);
    b.objectWord = 0;
    b.SetNullObject(true);
    EXPECT_EQ(a.IsEqual(b), 0);
}

TEST(CopyAndEquality, DerivedCopiesIntoBaseButNotTheReverse) {
    int f = 0, d = 0;
    rg_KeSheJiLei designable;
    designable.AttachData(new CountingData(&f, &d));
    designable.objectWord = 42;
    designable.SetNullObject(true);
    rg_CanKaoDuiXiangLei holder;
    EXPECT_EQ(holder.CopyFrom(designable), 1);
    EXPECT_EQ(holder.GetData(), designable.GetData());
    EXPECT_EQ(holder.objectWord, 42u);
    EXPECT_TRUE(holder.IsNullObject());
    // Same fields, but a base-class object is never equal to a derived one.
    EXPECT_EQ(holder.IsEqual(designable), 0);
    EXPECT_EQ(designable.IsEqual(holder), 0);

    rg_KeSheJiLei target;
    EXPECT_EQ(target.CopyFrom(holder), 0);
    EXPECT_EQ(target.GetData(), nullptr);
    EXPECT_EQ(target.objectWord, 0u);
}

class HookCounting : public rg_CanKaoDuiXiangLei {
    QEL_OBJECT_CLASS(HookCounting, rg_CanKaoDuiXiangLei, "test::HookCounting")
public:
    HookCounting() = default;
    void OnBeforeAssign() override { ++hooks; }
    static int hooks;
};
int HookCounting::hooks = 0;

TEST(CopyAndEquality, OnBeforeAssignRunsForCopyFromAndResetButNotForFailedCopiesOrClone) {
    HookCounting a, b;
    HookCounting::hooks = 0;
    rg_CanKaoDuiXiangLei base;
    EXPECT_EQ(a.CopyFrom(base), 0);
    EXPECT_EQ(a.hooks, 0);
    EXPECT_EQ(a.CopyFrom(b), 1);
    EXPECT_EQ(a.hooks, 1);
    a.Reset();
    EXPECT_EQ(a.hooks, 2);
    CQelObject* clone = a.Clone();
    EXPECT_EQ(HookCounting::hooks, 2);  // cloning calls no hook
    EXPECT_TRUE(clone->IsKindOf(HookCounting::StaticRecord()));
    clone->Delete();
    CQelObject* fresh = a.NewInstance();
    EXPECT_EQ(HookCounting::hooks, 2);
    EXPECT_EQ(fresh->GetClassRecord(), HookCounting::StaticRecord());
    fresh->Delete();
}

TEST(CopyAndEquality, ResetClearsWordsAndClonesCarryThem) {
    CQelObject o;
    o.objectFlags = 0x13;
    o.objectWord = 99;
    CQelObject* c = o.Clone();
    EXPECT_EQ(c->objectFlags, 0x13u);
    EXPECT_EQ(c->objectWord, 99u);
    EXPECT_EQ(o.IsEqual(*c), 1);
    c->objectFlags = 0x11;  // only bit 0 is compared
    EXPECT_EQ(o.IsEqual(*c), 1);
    c->Delete();
    o.Reset();
    EXPECT_EQ(o.objectFlags, 0u);
    EXPECT_EQ(o.objectWord, 0u);
}

using Receiver = qeltest::PointedObject;

TEST(ObjectPointers, BindingsSeeNullTargetAfterTheOwnerDies) {
    auto* receiver = new Receiver();
    CQelObjectPointer* binding = receiver->self;
    binding->AddRef();
    EXPECT_EQ(binding->target, receiver);
    EXPECT_EQ(binding->GetRefCount(), 2);
    receiver->Delete();
    EXPECT_EQ(binding->target, nullptr);
    EXPECT_EQ(binding->GetRefCount(), 1);
    EXPECT_EQ(binding->Release(), 1);
}

TEST(TextForms, ObjectTextAppendsClassNameAndAddress) {
    rg_CanKaoDuiXiangLei holder;
    CWString text(L"前缀");
    holder.ToText(text, 0);
    wchar_t expected[256];
    swprintf(expected, 256, L"前缀无法解析的对象数据,其输出类名为: \"rg_Zarno_JiBen::rg_CanKaoDuiXiangLei\", 地址为: 0x%llX",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(&holder)));
    EXPECT_EQ(std::wstring(text.GetText()), std::wstring(expected));
    holder.SetNullObject(true);
    CWString nullText;
    holder.ToText(nullText, 0);
    std::wstring t = nullText.GetText();
    ASSERT_GE(t.size(), 6u);
    EXPECT_EQ(t.substr(t.size() - 6), L", 为空对象");
}

TEST(ValueBase, BaseDataTypeHasNoValueAndDesignTextIsEmpty) {
    CQelBaseDataType base;
    EXPECT_EQ(base.GetValuePtr(), nullptr);
    rg_KeSheJiLei designable;
    CWString text(L"old");
    EXPECT_EQ(&designable.GetDesignText(text), &text);
    EXPECT_EQ(text.GetLength(), 0);
}

}  // namespace
