// Window objects: subclassing from the first message, handle map, destruction order, reflection,
// the pre-translation walk, styles, kinds, deferred deletion and the GDI owners.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/mfc/QelApp.h"
#include "platform/mfc/QelWnd.h"
#include "testsupport/GdiCount.h"
#include "testsupport/MessageSequence.h"

namespace {

using qeltest::kOptional;
using qeltest::kSent;
using qeltest::kWParam;

const wchar_t kClass[] = L"QelWndTestClass";

class Recording : public CWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        sequence.Add(m_hWnd, message, kSent, wParam, lParam);
        if (message == WM_NCCREATE) mappedAtNcCreate = FromHandlePermanent(m_hWnd) == this;
        return CWnd::WindowProc(message, wParam, lParam);
    }
    int OnCreate(CREATESTRUCTW* cs) override { return failCreate ? -1 : CWnd::OnCreate(cs); }
    void PostNcDestroy() override {
        ++postNcDestroys;
        handleAtPostNcDestroy = m_hWnd;
    }
    size_t IndexOf(UINT m) const { return std::find(seen.begin(), seen.end(), m) - seen.begin(); }
    bool Saw(UINT m) const { return IndexOf(m) < seen.size(); }
    BOOL Make(DWORD style = WS_POPUP, HWND parent = nullptr) {
        return CreateEx(0, kClass, L"", style, 0, 0, 100, 100, parent, nullptr);
    }
    std::vector<UINT> seen;
    qeltest::MessageSequence sequence;
    bool mappedAtNcCreate = false, failCreate = false;
    int postNcDestroys = 0;
    HWND handleAtPostNcDestroy = reinterpret_cast<HWND>(1);
};

class WndTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = AfxGetInstanceHandle();
        wc.lpszClassName = kClass;
        ASSERT_TRUE(AfxRegisterClass(&wc));
    }
};

TEST_F(WndTest, CreateExRoutesEveryMessageFromTheFirstOnAndDestructionEndsWithPostNcDestroy) {
    CWinThread thread;
    Recording wnd;
    ASSERT_TRUE(wnd.CreateEx(0, kClass, L"t", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
    // Even WM_GETMINMAXINFO, which comes before WM_NCCREATE, reaches the object. WM_SIZE and WM_MOVE
    // follow WM_CREATE when the system sends them during creation (Wine may leave them until the
    // window is first shown).
    EXPECT_TRUE(wnd.sequence.Matches({{WM_GETMINMAXINFO, kSent},
                                      {WM_NCCREATE, kSent},
                                      {WM_NCCALCSIZE, kSent | kWParam, FALSE},
                                      {WM_CREATE, kSent},
                                      {WM_SIZE, kSent | kWParam | kOptional, SIZE_RESTORED},
                                      {WM_MOVE, kSent | kOptional}}));
    EXPECT_TRUE(wnd.mappedAtNcCreate);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd.m_hWnd, GWLP_WNDPROC)), &QelWndProc);
    EXPECT_FALSE(wnd.Make());  // the object has a window already
    HWND hwnd = wnd.m_hWnd;
    thread.m_pMainWnd = &wnd;
    wnd.sequence.Clear();
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_TRUE(wnd.sequence.Matches({{WM_DESTROY, kSent}, {WM_NCDESTROY, kSent}}));
    EXPECT_EQ(wnd.postNcDestroys, 1);
    EXPECT_EQ(wnd.handleAtPostNcDestroy, nullptr);  // detached before
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    EXPECT_EQ(thread.m_pMainWnd, nullptr);  // the main window's end ends the loop
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_FALSE(wnd.DestroyWindow());
}

TEST_F(WndTest, FailedCreationLeavesNoMappingAndNoHookBehind) {
    Recording wnd;
    wnd.failCreate = true;
    EXPECT_FALSE(wnd.Make());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(wnd.postNcDestroys, 1);
    Recording other;
    EXPECT_FALSE(other.CreateEx(0, L"NoSuchClass", L"", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr));
    EXPECT_TRUE(other.seen.empty());
    HWND plain = CreateWindowExW(0, kClass, L"", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, AfxGetInstanceHandle(), nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
    // Subclassing an existing window, refusing a second owner, and undoing it on detach.
    const LONG_PTR original = GetWindowLongPtrW(plain, GWLP_WNDPROC);
    Recording a;
    CWnd b;
    ASSERT_TRUE(a.SubclassWindow(plain));
    EXPECT_FALSE(b.Attach(plain));
    SendMessageW(plain, WM_USER + 5, 0, 0);
    EXPECT_TRUE(a.Saw(WM_USER + 5));
    EXPECT_EQ(a.Detach(), plain);
    EXPECT_EQ(GetWindowLongPtrW(plain, GWLP_WNDPROC), original);
    DestroyWindow(plain);
}

class Nesting : public Recording {
public:
    int OnCreate(CREATESTRUCTW* cs) override {
        child.Make(WS_CHILD, m_hWnd);
        return Recording::OnCreate(cs);
    }
    Recording child;
};

TEST_F(WndTest, WindowsCreatedDuringCreationAreRoutedTooAndDieWithTheirParent) {
    Nesting parent;
    ASSERT_TRUE(parent.Make());
    EXPECT_TRUE(parent.child.Saw(WM_NCCREATE));
    EXPECT_EQ(parent.child.GetParent(), &parent);
    parent.DestroyWindow();
    EXPECT_EQ(parent.child.m_hWnd, nullptr);
    EXPECT_EQ(parent.child.postNcDestroys, 1);
    // Deleting an object with a live window destroys the window.
    auto* owned = new Recording;
    owned->Make();
    HWND hwnd = owned->m_hWnd;
    delete owned;
    EXPECT_FALSE(IsWindow(hwnd));
}

class Reflecting : public CButton {
public:
    BOOL OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        reflected.push_back(message);
        lastWParam = wParam;
        if (message == kReflectedCtlColor) *result = reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
        return message == kReflectedCommand || (message == kReflectedCtlColor && takeColour);
    }
    std::vector<UINT> reflected;
    WPARAM lastWParam = 0;
    bool takeColour = true;
};

class Scrolls : public CSliderCtrl {
public:
    BOOL OnReflect(UINT message, WPARAM wParam, LPARAM, LRESULT*) override {
        if (message == kReflectedHScroll) codes.push_back(LOWORD(wParam));
        return message == kReflectedHScroll;
    }
    std::vector<int> codes;
};

TEST_F(WndTest, NotificationsToTheParentComeBackToTheControlAsReflectedMessages) {
    Recording parent;
    ASSERT_TRUE(parent.Make());
    Reflecting button;
    ASSERT_TRUE(button.Create(L"OK", WS_CHILD | BS_PUSHBUTTON, RECT{0, 0, 80, 30}, &parent, 42));
    SendMessageW(button.m_hWnd, BM_CLICK, 0, 0);
    ASSERT_EQ(button.reflected, std::vector<UINT>{0xBD11u});
    EXPECT_EQ(button.lastWParam, MAKEWPARAM(42, BN_CLICKED));

    HDC dc = GetDC(button.m_hWnd);
    const auto colour = [&](UINT m) {
        return SendMessageW(parent.m_hWnd, m, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button.m_hWnd));
    };
    EXPECT_EQ(colour(WM_CTLCOLORBTN), reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(button.reflected.back(), 0xBC19u);
    EXPECT_EQ(button.lastWParam, reinterpret_cast<WPARAM>(dc));
    colour(WM_CTLCOLORSTATIC);
    EXPECT_EQ(button.reflected.back(), 0xBC19u);
    button.takeColour = false;  // not handled: the parent's default processing answers
    EXPECT_NE(colour(WM_CTLCOLORBTN), reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(button.m_hWnd, dc);

    Scrolls slider;
    ASSERT_TRUE(slider.Create(WS_CHILD, RECT{0, 40, 200, 70}, &parent, 5));
    slider.SetRange(0, 100);
    SendMessageW(slider.m_hWnd, WM_KEYDOWN, VK_RIGHT, 0);
    ASSERT_FALSE(slider.codes.empty());
    EXPECT_EQ(slider.codes[0], TB_LINEDOWN);
    EXPECT_EQ(slider.GetPos(), 1);
    const size_t before = slider.codes.size();
    SendMessageW(parent.m_hWnd, WM_HSCROLL, SB_LINEDOWN, 0);  // the window's own scroll bar
    EXPECT_EQ(slider.codes.size(), before);
    EXPECT_TRUE(parent.Saw(WM_HSCROLL));
}

class PreTranslator : public CWnd {
public:
    PreTranslator(std::vector<CWnd*>* log, BOOL answer) : log_(log), answer_(answer) {}
    BOOL PreTranslateMessage(MSG*) override {
        log_->push_back(this);
        return answer_;
    }
    std::vector<CWnd*>* log_;
    BOOL answer_;
};

TEST_F(WndTest, PreTranslationWalksUpFromTheMessageWindowAndStopsAtTheTakerOrTheStopWindow) {
    std::vector<CWnd*> log;
    PreTranslator top(&log, TRUE), middle(&log, FALSE), leaf(&log, FALSE);
    ASSERT_TRUE(top.CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    ASSERT_TRUE(middle.CreateEx(0, kClass, L"", WS_CHILD, 0, 0, 50, 50, top.m_hWnd, nullptr));
    ASSERT_TRUE(leaf.CreateEx(0, kClass, L"", WS_CHILD, 0, 0, 20, 20, middle.m_hWnd, nullptr));
    MSG msg{leaf.m_hWnd, WM_KEYDOWN, 'A', 0, 0, {0, 0}};
    EXPECT_TRUE(WalkPreTranslateTree(nullptr, &msg));
    EXPECT_EQ(log, (std::vector<CWnd*>{&leaf, &middle, &top}));
    log.clear();
    EXPECT_FALSE(WalkPreTranslateTree(middle.m_hWnd, &msg));
    EXPECT_EQ(log, (std::vector<CWnd*>{&leaf, &middle}));
}

class DerivedButton : public CButton {
    DECLARE_DYNAMIC(DerivedButton)
};
IMPLEMENT_DYNAMIC(DerivedButton, CButton)

TEST_F(WndTest, ModifyStyleAndTheRunTimeClassTest) {
    Recording wnd;
    ASSERT_TRUE(wnd.Make());
    EXPECT_FALSE(wnd.ModifyStyle(0, WS_POPUP));
    wnd.seen.clear();
    EXPECT_TRUE(wnd.ModifyStyle(0, WS_BORDER | WS_TABSTOP, SWP_FRAMECHANGED));
    EXPECT_EQ(wnd.GetStyle() & (WS_BORDER | WS_TABSTOP), static_cast<DWORD>(WS_BORDER | WS_TABSTOP));
    EXPECT_TRUE(wnd.Saw(WM_NCCALCSIZE));
    wnd.seen.clear();
    EXPECT_TRUE(wnd.ModifyStyle(WS_TABSTOP, 0));
    EXPECT_FALSE(wnd.Saw(WM_NCCALCSIZE));
    EXPECT_TRUE(wnd.ModifyStyleEx(0, WS_EX_TOOLWINDOW));
    EXPECT_NE(wnd.GetExStyle() & WS_EX_TOOLWINDOW, 0u);

    DerivedButton derived;
    EXPECT_TRUE(derived.IsKindOf(RUNTIME_CLASS(CButton)));
    EXPECT_TRUE(derived.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(derived.IsKindOf(RUNTIME_CLASS(CSliderCtrl)));
    EXPECT_FALSE(wnd.IsKindOf(RUNTIME_CLASS(CButton)));
    EXPECT_STREQ(derived.GetRuntimeClass()->m_lpszClassName, "DerivedButton");
}

class SelfDeleting : public CButton {
public:
    explicit SelfDeleting(int* destroyed) : destroyed_(destroyed) {}
    ~SelfDeleting() override { ++*destroyed_; }
    BOOL OnReflect(UINT message, WPARAM, LPARAM, LRESULT*) override {
        DestroyWindow();
        DeleteSafely(this);
        aliveAfterRequest = *destroyed_ == 0;  // the deletion waits until the message returns
        return message == kReflectedCommand;
    }
    int* destroyed_;
    bool aliveAfterRequest = false;
};

TEST_F(WndTest, AnObjectDeletedDuringItsOwnMessageGoesWhenTheMessageReturns) {
    Recording parent;
    ASSERT_TRUE(parent.Make());
    int destroyed = 0;
    auto* button = new SelfDeleting(&destroyed);
    ASSERT_TRUE(button->Create(L"x", WS_CHILD, RECT{0, 0, 50, 20}, &parent, 1));
    HWND hwnd = button->m_hWnd;
    SendMessageW(hwnd, BM_CLICK, 0, 0);
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(IsWindow(hwnd));
    CWnd::DeleteSafely(new SelfDeleting(&destroyed));  // outside any message: at once
    EXPECT_EQ(destroyed, 2);
}

TEST(GdiOwners, OwnersDeleteTheirObjectsAndSelectionsAreUndone) {
    HDC screen = GetDC(nullptr);
    const int before = qeltest::CountGdiObjects();
    for (int i = 0; i < 200; ++i) {
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(screen, 4, 3));
        BITMAP info{};
        ASSERT_TRUE(bitmap.GetBitmap(&info));
        EXPECT_EQ(info.bmWidth, 4);
        CBrush brush;
        ASSERT_TRUE(brush.CreateSolidBrush(RGB(1, 2, 3)));
        ASSERT_TRUE(brush.CreateSolidBrush(RGB(4, 5, 6)));  // replaces and deletes the first
        CPen pen;
        ASSERT_TRUE(pen.CreatePen(PS_DASH, 1, 0));
        LOGFONTW lf{};
        CFont font;
        ASSERT_TRUE(font.CreateFontIndirect(&lf));
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(screen));
        {
            CSelectObject keep(dc, bitmap.GetSafeHandle());
            EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap.GetSafeHandle());
        }
        EXPECT_NE(GetCurrentObject(dc, OBJ_BITMAP), bitmap.GetSafeHandle());
    }
    EXPECT_EQ(qeltest::CountGdiObjects(), before);
    ReleaseDC(nullptr, screen);
}

}  // namespace
