// Dialogs of the class layer run modally from an in-memory template: end codes, the owner disabled
// for the duration, the dialog manager's Esc, WM_QUIT handed on, a dialog window destroyed from
// outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "QelDialog.h"
#include "QelTestSupport.h"

namespace {

class ProbeDialog : public CDialog {
public:
    BOOL OnInitDialog() override {
        ownerEnabledDuringInit = ::IsWindowEnabled(GetOwnerWindow());
        ownerOfWindow = GetWindow(m_hWnd, GW_OWNER);
        if (init) init(*this);
        return TRUE;
    }
    std::function<void(ProbeDialog&)> init;
    BOOL ownerEnabledDuringInit = TRUE;
    HWND ownerOfWindow = nullptr;
};

struct Owner {
    Owner() {
        hwnd = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    ~Owner() { DestroyWindow(hwnd); }
    HWND hwnd;
};

CEmptyDialogTemplate Template() {
    CEmptyDialogTemplate t;
    MakeEmptyDialogTemplate(t, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME, 0);
    return t;
}

TEST(ModalDialog, EndCodeOwnerDisabledForTheDurationAndWindowGoneAfterwards) {
    ProbeDialog noTemplate;
    EXPECT_EQ(noTemplate.DoModal(), -1);

    Owner owner;
    CEmptyDialogTemplate t = Template();
    ProbeDialog dialog;
    HWND seen = nullptr;
    dialog.init = [&](ProbeDialog& d) {
        seen = d.m_hWnd;
        d.EndDialog(5);
    };
    ASSERT_TRUE(dialog.InitModalIndirect(&t.header, owner.hwnd));
    EXPECT_EQ(dialog.DoModal(), 5);
    EXPECT_FALSE(dialog.ownerEnabledDuringInit);
    EXPECT_EQ(dialog.ownerOfWindow, owner.hwnd);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd));
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(ModalDialog, EscReachesTheDialogManagerAndCancels) {
    Owner owner;
    CEmptyDialogTemplate t = Template();
    ProbeDialog dialog;
    dialog.init = [](ProbeDialog& d) { PostMessageW(d.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0); };
    dialog.InitModalIndirect(&t.header, owner.hwnd);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST(ModalDialog, WmQuitEndsTheLoopAndIsHandedOn) {
    CEmptyDialogTemplate t = Template();
    ProbeDialog dialog;
    dialog.init = [](ProbeDialog&) { PostQuitMessage(3); };
    dialog.InitModalIndirect(&t.header, nullptr);
    EXPECT_EQ(dialog.DoModal(), -1);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(ModalDialog, ADialogWindowDestroyedFromOutsideEndsTheLoop) {
    Owner owner;
    CEmptyDialogTemplate t = Template();
    ProbeDialog dialog;
    // A timer of the owner destroys the dialog window while the loop waits.
    static HWND target = nullptr;
    dialog.init = [&](ProbeDialog& d) {
        target = d.m_hWnd;
        SetTimer(owner.hwnd, 1, 30, [](HWND h, UINT, UINT_PTR id, DWORD) {
            KillTimer(h, id);
            DestroyWindow(target);
        });
    };
    dialog.InitModalIndirect(&t.header, owner.hwnd);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd));
}

}  // namespace
