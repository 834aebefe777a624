// COM helpers of the Windows part of the picture library: an owning interface pointer and COM for
// the current thread while a call works with the platform codecs.
#pragma once
#include <objbase.h>

namespace cximg_win {

template <class T>
struct ComPtr {
    T* p = nullptr;
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { if (p) p->Release(); }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

// COM for the current thread for as long as the object lives (when it was not already on).
struct ComScope {
    bool mustUninit;
    ComScope() : mustUninit(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() { if (mustUninit) CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
};

}  // namespace cximg_win
