// The runtime object model: class records, the fixed order of object operations, pooled allocation,
// reference-counted shared data and counted object pointers.
//
// Slot order of the CQelObject family (declaration order of the virtual functions below):
//   0 Alloc, 1 TryAlloc, 2 Realloc, 3 Free, 4 GetMemManager, 5 GetClassRecord, 6 IsEqual,
//   7 NewInstance, 8 Clone, 9 CopyFrom, 10 Reset, 11 destructor, 12 Delete, 13 IsKindOf, 14 ToText,
//   15 OnBeforeAssign; families add their own operations from slot 16.
// Slot order of the CRefObject family: 0..4 memory, 5 GetClassRecord, 6 IsKindOf, 7 destructor,
//   8 Release, 9 OnFinalRelease.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

#include "runtime/AppInstance.h"
#include "runtime/QelPool.h"

class CQelObject;
class CWString;

struct ClassRecord {
    int64_t marker;
    CQelObject* (*create)();
    const char* name;
    uint64_t nameLength;
    uint32_t nameHash;
};

struct RefClassRecord {
    const char* name;
    uint64_t nameLength;
    uint32_t nameHash;
};

// h = h * 5 + (signed byte) over the name, then the low 31 bits with bit 0 set.
uint32_t ClassNameHash(const char* name, uint64_t length);
// Same record, or equal hash, length and name bytes.
bool RecordsMatch(const ClassRecord* a, const ClassRecord* b);
bool RefRecordsMatch(const RefClassRecord* a, const RefClassRecord* b);
ClassRecord MakeClassRecord(CQelObject* (*create)(), const char* name);
RefClassRecord MakeRefClassRecord(const char* name);

// Allocation of a runtime object of s bytes: a pool block when it fits and one is free, else the
// process heap; the process ends with exit code -1 when neither has memory.
void* QelObjectAlloc(size_t s);
void QelObjectFree(void* p);

class CQelCommonBaseWithMemManager : public CQelCommonBase {
public:
    virtual void* Alloc(size_t n);               // slot 0
    virtual void* TryAlloc(size_t n);            // slot 1
    virtual void* Realloc(void* p, size_t n);    // slot 2
    virtual void Free(void* p);                  // slot 3
    virtual CPoolMem* GetMemManager();           // slot 4

    static void* operator new(size_t s) { return QelObjectAlloc(s); }
    static void* operator new(size_t, void* where) noexcept { return where; }
    static void operator delete(void* p) { QelObjectFree(p); }

protected:
    CQelCommonBaseWithMemManager() = default;
    CQelCommonBaseWithMemManager(const CQelCommonBaseWithMemManager&) = default;
    CQelCommonBaseWithMemManager& operator=(const CQelCommonBaseWithMemManager&) = default;
    ~CQelCommonBaseWithMemManager() = default;
};

// Declares the standard operations of a class of the CQelObject family. The class provides
//   EqualFields(const Cls&) const   - compares its own fields after Base::EqualFields (optional)
//   ResetFields()                   - resets its own fields after Base::ResetFields (optional)
//   a copy constructor and copy assignment that copy its fields (Clone and CopyFrom use them).
#define QEL_OBJECT_CLASS(Cls, Base, ClassName)                                                        \
public:                                                                                              \
    typedef Base QelBase;                                                                            \
    static const ClassRecord* StaticRecord() {                                                       \
        static const ClassRecord record =                                                            \
            MakeClassRecord([]() -> CQelObject* { return new Cls(); }, ClassName);                   \
        return &record;                                                                              \
    }                                                                                                \
    const ClassRecord* GetClassRecord() const override { return StaticRecord(); }                    \
    int IsEqual(const CQelObject& other) const override {                                            \
        if (!RecordsMatch(StaticRecord(), other.GetClassRecord())) return 0;                         \
        return EqualFields(static_cast<const Cls&>(other)) ? 1 : 0;                                  \
    }                                                                                                \
    CQelObject* NewInstance() const override { return StaticRecord()->create(); }                    \
    CQelObject* Clone() const override { return new Cls(*this); }                                   \
    int CopyFrom(const CQelObject& source) override {                                                \
        if (!source.IsKindOf(StaticRecord())) return 0;                                              \
        this->OnBeforeAssign();                                                                      \
        if (&source != this) static_cast<Cls&>(*this) = static_cast<const Cls&>(source);             \
        return 1;                                                                                    \
    }                                                                                                \
    void Reset() override {                                                                          \
        this->OnBeforeAssign();                                                                      \
        this->ResetFields();                                                                         \
    }                                                                                                \
    int IsKindOf(const ClassRecord* record) const override {                                         \
        if (RecordsMatch(record, StaticRecord())) return 1;                                          \
        return Base::IsKindOf(record);                                                               \
    }                                                                                                \
                                                                                                     \
private:

class CQelObject : public CQelCommonBaseWithMemManager {
public:
    static constexpr uint64_t kNullObjectFlag = 1;

    CQelObject() = default;
    CQelObject(const CQelObject&) = default;
    CQelObject& operator=(const CQelObject&) = default;

    static const ClassRecord* StaticRecord();
    virtual const ClassRecord* GetClassRecord() const;        // slot 5
    virtual int IsEqual(const CQelObject& other) const;       // slot 6
    virtual CQelObject* NewInstance() const;                  // slot 7
    virtual CQelObject* Clone() const;                        // slot 8
    virtual int CopyFrom(const CQelObject& source);           // slot 9
    virtual void Reset();                                     // slot 10
    virtual ~CQelObject();                                    // slot 11
    virtual void Delete();                                    // slot 12
    virtual int IsKindOf(const ClassRecord* record) const;    // slot 13
    virtual void ToText(CWString& text, int32_t limit) const; // slot 14
    virtual void OnBeforeAssign();                            // slot 15

    bool IsNullObject() const { return (objectFlags & kNullObjectFlag) != 0; }
    void SetNullObject(bool isNull) {
        objectFlags = isNull ? (objectFlags | kNullObjectFlag) : (objectFlags & ~kNullObjectFlag);
    }

    uint64_t objectFlags = 0;
    uint64_t objectWord = 0;

protected:
    bool EqualFields(const CQelObject& other) const {
        return (objectFlags & kNullObjectFlag) == (other.objectFlags & kNullObjectFlag) &&
               objectWord == other.objectWord;
    }
    void ResetFields() {
        objectFlags = 0;
        objectWord = 0;
    }
};

// Deletes an object when it exists.
inline void QelDelete(CQelObject* object) {
    if (object) object->Delete();
}

class CRefObject : public CQelCommonBaseWithMemManager {
public:
    CRefObject() = default;
    CRefObject(const CRefObject&) = delete;
    CRefObject& operator=(const CRefObject&) = delete;

    static const RefClassRecord* StaticRefRecord();
    virtual const RefClassRecord* GetClassRecord() const;     // slot 5
    virtual int IsKindOf(const RefClassRecord* record) const; // slot 6
    virtual ~CRefObject();                                    // slot 7
    virtual int Release();                                    // slot 8
    virtual void OnFinalRelease();                            // slot 9

    void AddRef() { referenceCount.fetch_add(1, std::memory_order_relaxed); }
    int64_t GetRefCount() const { return referenceCount.load(std::memory_order_relaxed); }

private:
    std::atomic<int64_t> referenceCount{1};
};

// Counted holder of one native value.
template <class T>
class CRefObjectWithData : public CRefObject {
public:
    template <class... Args>
    explicit CRefObjectWithData(Args&&... args) : data(std::forward<Args>(args)...) {}
    T data;
};

// Counted pointer to an object's identity: bindings hold it, the object clears the target when it dies.
class CQelObjectPointer : public CRefObject {
public:
    explicit CQelObjectPointer(CQelObject* object) : target(object) {}
    CQelObject* target;
};

namespace rg_Zarno_JiBen {

// Reference object class: copies share one counted data object.
class rg_CanKaoDuiXiangLei : public CQelObject {
    QEL_OBJECT_CLASS(rg_CanKaoDuiXiangLei, CQelObject, "rg_Zarno_JiBen::rg_CanKaoDuiXiangLei")
public:
    rg_CanKaoDuiXiangLei() = default;
    rg_CanKaoDuiXiangLei(const rg_CanKaoDuiXiangLei& other);
    rg_CanKaoDuiXiangLei& operator=(const rg_CanKaoDuiXiangLei& other);
    ~rg_CanKaoDuiXiangLei() override;

    // Takes a new counted reference: AddRef the new data, Release the old, store.
    void SetData(CRefObject* newData);
    // Adopts a reference the caller already counted (a freshly created data object).
    void AttachData(CRefObject* newData);
    CRefObject* GetData() const { return data; }

protected:
    bool EqualFields(const rg_CanKaoDuiXiangLei& other) const {
        return CQelObject::EqualFields(other) && data == other.data;
    }
    void ResetFields();

    CRefObject* data = nullptr;
};

// Designable class: a reference object class with a design text (always empty here).
class rg_KeSheJiLei : public rg_CanKaoDuiXiangLei {
    QEL_OBJECT_CLASS(rg_KeSheJiLei, rg_CanKaoDuiXiangLei, "rg_Zarno_JiBen::rg_KeSheJiLei")
public:
    virtual CWString& GetDesignText(CWString& text) const;  // slot 16
};

// Extended object class: base of the small value classes.
class rg_KuoZhanDuiXiangLei : public CQelObject {
    QEL_OBJECT_CLASS(rg_KuoZhanDuiXiangLei, CQelObject, "rg_Zarno_JiBen::rg_KuoZhanDuiXiangLei")
public:
    rg_KuoZhanDuiXiangLei() = default;
};

}  // namespace rg_Zarno_JiBen

// Base of the boxed basic value classes.
class CQelBaseDataType : public CQelObject {
    QEL_OBJECT_CLASS(CQelBaseDataType, CQelObject, "CQelBaseDataType")
public:
    CQelBaseDataType() = default;
    virtual void* GetValuePtr();  // slot 16
};
