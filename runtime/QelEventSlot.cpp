#include "runtime/QelEventSlot.h"

namespace rg_Zarno_MFCJieMian_JiBen {

CQelEventSlot::~CQelEventSlot() {
    if (holder) holder->Release();
}

void CQelEventSlot::Bind(QelHandlerFn fn, CQelObjectPointer* newHolder) {
    CQelObjectPointer* replaced = nullptr;
    Lock(&lock);
    handler = fn;
    tag = 0;
    if (newHolder != holder) {
        replaced = holder;
        holder = newHolder;
        if (newHolder) newHolder->AddRef();
    }
    Unlock(&lock);
    // The old holder may be the last reference to it; release it outside the lock.
    if (replaced) replaced->Release();
}

void CQelEventSlot::Clear() {
    Lock(&lock);
    CQelObjectPointer* old = holder;
    handler = nullptr;
    holder = nullptr;
    tag = 0;
    Unlock(&lock);
    if (old) old->Release();
}

bool CQelEventSlot::Read(QelHandlerFn* fn, CQelObject** target, uint32_t* outTag) const {
    Lock(&lock);
    QelHandlerFn h = handler;
    CQelObjectPointer* p = holder;
    uint32_t t = tag;
    // The target is read under the lock too: the slot's reference keeps the holder alive meanwhile.
    CQelObject* obj = p ? p->target : nullptr;
    Unlock(&lock);
    if (!h || !p || !obj) return false;
    *fn = h;
    *target = obj;
    *outTag = t;
    return true;
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
