#include "runtime/QelObject.h"

#include <cstring>
#include <windows.h>

#include "runtime/QelString.h"

uint32_t ClassNameHash(const char* name, uint64_t length) {
    uint64_t h = 0;
    for (uint64_t i = 0; i < length; ++i) h = h * 5 + static_cast<uint64_t>(static_cast<int64_t>(static_cast<int8_t>(name[i])));
    return static_cast<uint32_t>((h | 1) & 0x7FFFFFFF);
}

ClassRecord MakeClassRecord(CQelObject* (*create)(), const char* name) {
    const uint64_t length = std::strlen(name);
    return ClassRecord{1, create, name, length, ClassNameHash(name, length)};
}

RefClassRecord MakeRefClassRecord(const char* name) {
    const uint64_t length = std::strlen(name);
    return RefClassRecord{name, length, ClassNameHash(name, length)};
}

bool RecordsMatch(const ClassRecord* a, const ClassRecord* b) {
    if (a == b) return true;
    if (!a || !b) return false;
    return a->nameHash == b->nameHash && a->nameLength == b->nameLength &&
           std::memcmp(a->name, b->name, a->nameLength) == 0;
}

bool RefRecordsMatch(const RefClassRecord* a, const RefClassRecord* b) {
    if (a == b) return true;
    if (!a || !b) return false;
    return a->nameHash == b->nameHash && a->nameLength == b->nameLength &&
           std::memcmp(a->name, b->name, a->nameLength) == 0;
}

void* QelObjectAlloc(size_t s) {
    CPoolMem* pool = GetPool();
    void* block = nullptr;
    if (pool->blockSize >= static_cast<int64_t>(s)) block = pool->PopBlock();
    if (!block) block = PoolAlloc(pool, s);
    if (!block) QelExitOnAllocFailure();
    return block;
}

void QelObjectFree(void* p) { PoolFree(GetPool(), p); }

// ---- memory slots --------------------------------------------------------------------------------

void* CQelCommonBaseWithMemManager::Alloc(size_t n) {
    void* p = PoolAlloc(GetPool(), n);
    if (!p) QelExitOnAllocFailure();
    return p;
}

void* CQelCommonBaseWithMemManager::TryAlloc(size_t n) { return PoolAlloc(GetPool(), n); }

void* CQelCommonBaseWithMemManager::Realloc(void* p, size_t n) {
    CPoolMem* pool = GetPool();
    if (!p) return Alloc(n);
    if (!pool->Contains(p)) {
        void* q = HeapReAlloc(GetProcessHeap(), 0, p, n);
        if (!q) QelExitOnAllocFailure();
        return q;
    }
    if (static_cast<int64_t>(n) <= pool->blockSize) return p;  // a pool block never shrinks
    void* q = HeapAlloc(GetProcessHeap(), 0, n);
    if (!q) QelExitOnAllocFailure();
    std::memcpy(q, p, static_cast<size_t>(pool->blockSize));
    PoolFree(pool, p);
    return q;
}

void CQelCommonBaseWithMemManager::Free(void* p) {
    if (p) PoolFree(GetPool(), p);
}

CPoolMem* CQelCommonBaseWithMemManager::GetMemManager() { return GetPool(); }

// ---- CQelObject ----------------------------------------------------------------------------------

const ClassRecord* CQelObject::StaticRecord() {
    static const ClassRecord record = MakeClassRecord([]() -> CQelObject* { return new CQelObject(); }, "CQelObject");
    return &record;
}

const ClassRecord* CQelObject::GetClassRecord() const { return StaticRecord(); }

int CQelObject::IsEqual(const CQelObject& other) const {
    if (!RecordsMatch(StaticRecord(), other.GetClassRecord())) return 0;
    return EqualFields(other) ? 1 : 0;
}

CQelObject* CQelObject::NewInstance() const { return StaticRecord()->create(); }

CQelObject* CQelObject::Clone() const { return new CQelObject(*this); }

int CQelObject::CopyFrom(const CQelObject& source) {
    if (!source.IsKindOf(StaticRecord())) return 0;
    OnBeforeAssign();
    objectFlags = source.objectFlags;
    objectWord = source.objectWord;
    return 1;
}

void CQelObject::Reset() {
    OnBeforeAssign();
    ResetFields();
}

CQelObject::~CQelObject() = default;

void CQelObject::Delete() { delete this; }

int CQelObject::IsKindOf(const ClassRecord* record) const { return RecordsMatch(record, StaticRecord()) ? 1 : 0; }

void CQelObject::ToText(CWString& text, int32_t) const {
    CWString name;
    name.AppendUtf8(GetClassRecord()->name);
    text.AppendFormat(L"无法解析的对象数据,其输出类名为: \"%s\", 地址为: 0x%I64X", name.GetText(),
                      static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(this)));
    if (IsNullObject()) text.Append(L", 为空对象");
}

void CQelObject::OnBeforeAssign() {}

// ---- CRefObject ----------------------------------------------------------------------------------

const RefClassRecord* CRefObject::StaticRefRecord() {
    static const RefClassRecord record = MakeRefClassRecord("CRefObject");
    return &record;
}

const RefClassRecord* CRefObject::GetClassRecord() const { return StaticRefRecord(); }

int CRefObject::IsKindOf(const RefClassRecord* record) const {
    if (RefRecordsMatch(record, GetClassRecord())) return 1;
    return RefRecordsMatch(record, StaticRefRecord()) ? 1 : 0;
}

CRefObject::~CRefObject() = default;

int CRefObject::Release() {
    if (referenceCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        OnFinalRelease();
        delete this;
        return 1;
    }
    return 0;
}

void CRefObject::OnFinalRelease() {}

// ---- reference holder ----------------------------------------------------------------------------

namespace rg_Zarno_JiBen {

rg_CanKaoDuiXiangLei::rg_CanKaoDuiXiangLei(const rg_CanKaoDuiXiangLei& other) : CQelObject(other), data(other.data) {
    if (data) data->AddRef();
}

rg_CanKaoDuiXiangLei& rg_CanKaoDuiXiangLei::operator=(const rg_CanKaoDuiXiangLei& other) {
    objectFlags = other.objectFlags;
    objectWord = other.objectWord;
    SetData(other.data);
    return *this;
}

rg_CanKaoDuiXiangLei::~rg_CanKaoDuiXiangLei() {
    if (data) data->Release();
}

void rg_CanKaoDuiXiangLei::SetData(CRefObject* newData) {
    if (newData) newData->AddRef();
    CRefObject* old = data;
    data = newData;
    if (old) old->Release();
}

void rg_CanKaoDuiXiangLei::AttachData(CRefObject* newData) {
    CRefObject* old = data;
    data = newData;
    if (old) old->Release();
}

void rg_CanKaoDuiXiangLei::ResetFields() {
    CQelObject::ResetFields();
    CRefObject* old = data;
    data = nullptr;
    if (old) old->Release();
}

CWString& rg_KeSheJiLei::GetDesignText(CWString& text) const {
    text.SetEmpty();
    return text;
}

}  // namespace rg_Zarno_JiBen

void* CQelBaseDataType::GetValuePtr() { return nullptr; }
