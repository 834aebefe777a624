// Window procedure hook: sees every message of a window that the program did not create, before the
// window's own procedure does, and may swallow it; files dropped on the window arrive as their own event.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <cstdint>

#include "runtime/QelEventSlot.h"
#include "runtime/QelObject.h"

namespace rg_Zarno_YuanChuangRuanJian {

// handler(receiver, hook, tag, drop handle); the result is ignored.
typedef rg_Zarno_MFCJieMian_JiBen::CQelEventSlotOf<HDROP> CQelFilesDroppedEventSlot;
// handler(receiver, hook, tag, window, message, wParam, lParam); non-zero consumes the message.
typedef rg_Zarno_MFCJieMian_JiBen::CQelEventSlotOf<HWND, uint32_t, WPARAM, LPARAM> CQelHookMessageEventSlot;

class rg_ChuangKouGuoChengLei : public CQelObject {
    QEL_OBJECT_CLASS(rg_ChuangKouGuoChengLei, CQelObject, "rg_Zarno_YuanChuangRuanJian::rg_ChuangKouGuoChengLei")
public:
    rg_ChuangKouGuoChengLei() = default;
    // Copies carry the base fields only: an attachment and bound handlers are never copied.
    rg_ChuangKouGuoChengLei(const rg_ChuangKouGuoChengLei& other) : CQelObject(other) {}
    rg_ChuangKouGuoChengLei& operator=(const rg_ChuangKouGuoChengLei& other) {
        CQelObject::operator=(other);
        return *this;
    }
    // Detaches from the window; the event slots release their receivers.
    ~rg_ChuangKouGuoChengLei() override;

    // Installs the hook procedure on the window (once) and sets whether the window accepts dropped
    // files. Hooking another window while attached first gives the first window its procedure back.
    void HookWindow(HWND targetWindow, BOOL acceptFiles);
    // Puts the window's previous procedure back; the hook is detached afterwards.
    void UnhookWindow();
    // The procedure installed on hooked windows.
    static LRESULT CALLBACK HookWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    bool IsAttached() const { return previousProcedure != nullptr; }
    HWND GetWindow() const { return window; }
    WNDPROC GetPreviousProcedure() const { return previousProcedure; }

    CQelFilesDroppedEventSlot filesDroppedEvent;
    CQelHookMessageEventSlot messageEvent;

protected:
    bool EqualFields(const rg_ChuangKouGuoChengLei& other) const { return CQelObject::EqualFields(other); }
    void ResetFields() { CQelObject::ResetFields(); }

private:
    WNDPROC previousProcedure = nullptr;
    HWND window = nullptr;
};

}  // namespace rg_Zarno_YuanChuangRuanJian
