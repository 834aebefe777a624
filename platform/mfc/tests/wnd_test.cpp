// Window objects: creation with subclassing from the first message, handle map, default processing,
// reflection of notifications, the pre-translation walk, destruction order, styles and kinds.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "QelApp.h"
#include "QelTestSupport.h"
#include "QelWnd.h"

namespace {

const wchar_t kClass[] = L"QelWndTestClass";

void RegisterTestClass() {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClass;
    ASSERT_TRUE(AfxRegisterClass(&wc));
}

// Records every message its WindowProc sees.
class RecordingWnd : public CWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        if (message == WM_NCCREATE || message == WM_CREATE) mappedDuringCreate = FromHandlePermanent(m_hWnd) == this;
        return CWnd::WindowProc(message, wParam, lParam);
    }
    int OnCreate(CREATESTRUCTW* cs) override {
        createParam = cs->lpCreateParams;
        return failCreate ? -1 : CWnd::OnCreate(cs);
    }
    void PostNcDestroy() override {
        postNcDestroyCalls++;
        handleAtPostNcDestroy = m_hWnd;
    }
    bool Saw(UINT message) const {
        for (UINT m : seen) {
            if (m == message) return true;
        }
        return false;
    }
    size_t IndexOf(UINT message) const {
        for (size_t i = 0; i < seen.size(); ++i) {
            if (seen[i] == message) return i;
        }
        return seen.size();
    }
    std::vector<UINT> seen;
    bool mappedDuringCreate = false;
    bool failCreate = false;
    void* createParam = nullptr;
    int postNcDestroyCalls = 0;
    HWND handleAtPostNcDestroy = reinterpret_cast<HWND>(1);
};

class WndTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestClass(); }
};

TEST_F(WndTest, CreateExSubclassesBeforeTheFirstMessageAndMapsTheHandle) {
    RecordingWnd wnd;
    int param = 0;
    ASSERT_TRUE(wnd.CreateEx(0, kClass, L"title", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr, &param));
    ASSERT_NE(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    ASSERT_FALSE(wnd.seen.empty());
    // An overlapped window gets WM_GETMINMAXINFO before WM_NCCREATE; both reached the object.
    EXPECT_EQ(wnd.seen[0], static_cast<UINT>(WM_GETMINMAXINFO));
    ASSERT_TRUE(wnd.Saw(WM_NCCREATE));
    ASSERT_TRUE(wnd.Saw(WM_CREATE));
    EXPECT_LT(wnd.IndexOf(WM_NCCREATE), wnd.IndexOf(WM_CREATE));
    EXPECT_TRUE(wnd.mappedDuringCreate);
    EXPECT_EQ(wnd.createParam, &param);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd.m_hWnd, GWLP_WNDPROC)), &QelWndProc);
    // Creating again while the window exists fails and changes nothing.
    HWND first = wnd.m_hWnd;
    EXPECT_FALSE(wnd.CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.m_hWnd, first);
    EXPECT_TRUE(wnd.DestroyWindow());
}

TEST_F(WndTest, DestructionDetachesThenCallsPostNcDestroyOnceAndEndsTheLoopForTheMainWindow) {
    CWinThread thread;
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    HWND hwnd = wnd.m_hWnd;
    thread.m_pMainWnd = &wnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(wnd.Saw(WM_DESTROY));
    EXPECT_TRUE(wnd.Saw(WM_NCDESTROY));
    EXPECT_EQ(wnd.postNcDestroyCalls, 1);
    EXPECT_EQ(wnd.handleAtPostNcDestroy, nullptr);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    EXPECT_EQ(thread.m_pMainWnd, nullptr);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    // A second destroy has nothing to do.
    EXPECT_FALSE(wnd.DestroyWindow());
}

TEST_F(WndTest, FailingOnCreateFailsCreateExAndLeavesNoMapping) {
    RecordingWnd wnd;
    wnd.failCreate = true;
    EXPECT_FALSE(wnd.CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_TRUE(wnd.Saw(WM_NCDESTROY));
    EXPECT_EQ(wnd.postNcDestroyCalls, 1);
    // An unknown class fails before any message.
    RecordingWnd other;
    EXPECT_FALSE(other.CreateEx(0, L"NoSuchClassAnywhere", L"", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr));
    EXPECT_TRUE(other.seen.empty());
    EXPECT_EQ(other.m_hWnd, nullptr);
    // The hook is gone: a plain CreateWindowExW afterwards is not attached to anything.
    HWND plain = CreateWindowExW(0, kClass, L"", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, AfxGetInstanceHandle(), nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
    DestroyWindow(plain);
}

// A parent that creates a child window object during its own WM_CREATE.
class NestingParent : public RecordingWnd {
public:
    int OnCreate(CREATESTRUCTW* cs) override {
        int r = RecordingWnd::OnCreate(cs);
        childCreated = child.CreateEx(0, kClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, m_hWnd, reinterpret_cast<HMENU>(7));
        return r;
    }
    RecordingWnd child;
    BOOL childCreated = FALSE;
};

TEST_F(WndTest, WindowsCreatedDuringCreationAreSubclassedToo) {
    NestingParent parent;
    ASSERT_TRUE(parent.CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    ASSERT_TRUE(parent.childCreated);
    EXPECT_TRUE(parent.child.Saw(WM_NCCREATE));
    EXPECT_EQ(::GetParent(parent.child.m_hWnd), parent.m_hWnd);
    EXPECT_EQ(parent.child.GetParent(), &parent);
    EXPECT_EQ(parent.child.GetDlgCtrlID(), 7);
    // Destroying the parent destroys and detaches the child first.
    parent.DestroyWindow();
    EXPECT_EQ(parent.child.m_hWnd, nullptr);
    EXPECT_EQ(parent.child.postNcDestroyCalls, 1);
}

// Handles reflected messages and counts what arrives.
class ReflectingButton : public CButton {
public:
    BOOL OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        reflected.push_back(message);
        lastWParam = wParam;
        lastLParam = lParam;
        if (message == kReflectedCtlColor) {
            *result = reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
            return handleCtlColor;
        }
        return message == kReflectedCommand;
    }
    std::vector<UINT> reflected;
    WPARAM lastWParam = 0;
    LPARAM lastLParam = 0;
    BOOL handleCtlColor = TRUE;
};

class CommandParent : public CWnd {
public:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        ++commands;
        return CWnd::OnCommand(wParam, lParam);
    }
    int commands = 0;
};

TEST_F(WndTest, ControlNotificationsComeBackToTheControlAsReflectedMessages) {
    CommandParent parent;
    ASSERT_TRUE(parent.CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
    ReflectingButton button;
    ASSERT_TRUE(button.Create(L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, RECT{0, 0, 80, 30}, &parent, 42));
    EXPECT_TRUE(button.IsKindOf(RUNTIME_CLASS(CButton)));

    SendMessageW(button.m_hWnd, BM_CLICK, 0, 0);
    ASSERT_EQ(parent.commands, 1);
    ASSERT_EQ(button.reflected.size(), 1u);
    EXPECT_EQ(button.reflected[0], 0xBD11u);
    EXPECT_EQ(HIWORD(button.lastWParam), BN_CLICKED);
    EXPECT_EQ(LOWORD(button.lastWParam), 42);
    EXPECT_EQ(button.lastLParam, reinterpret_cast<LPARAM>(button.m_hWnd));

    // Every control colour message is reflected as 0xBC19 with the DC in wParam.
    HDC dc = GetDC(button.m_hWnd);
    LRESULT brush = SendMessageW(parent.m_hWnd, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button.m_hWnd));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(button.reflected.back(), 0xBC19u);
    EXPECT_EQ(button.lastWParam, reinterpret_cast<WPARAM>(dc));
    SendMessageW(parent.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button.m_hWnd));
    EXPECT_EQ(button.reflected.back(), 0xBC19u);
    // Unhandled by the child: the parent's default processing answers.
    button.handleCtlColor = FALSE;
    LRESULT def = SendMessageW(parent.m_hWnd, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button.m_hWnd));
    EXPECT_NE(def, reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(button.m_hWnd, dc);

    // A reflected message sent straight to the control arrives the same way.
    SendMessageW(button.m_hWnd, 0xBD11, MAKEWPARAM(42, BN_CLICKED), 0);
    EXPECT_EQ(button.reflected.back(), 0xBD11u);
    parent.DestroyWindow();
}

class ScrollSink : public CSliderCtrl {
public:
    BOOL OnReflect(UINT message, WPARAM wParam, LPARAM, LRESULT*) override {
        if (message != kReflectedHScroll) return FALSE;
        codes.push_back(LOWORD(wParam));
        return TRUE;
    }
    std::vector<int> codes;
};

TEST_F(WndTest, TrackbarScrollsAreReflectedAndWindowScrollBarsAreNot) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr));
    ScrollSink slider;
    ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 200, 30}, &parent, 5));
    EXPECT_TRUE(slider.IsKindOf(RUNTIME_CLASS(CSliderCtrl)));
    slider.SetRange(0, 100);
    slider.SetPos(10);
    EXPECT_EQ(slider.GetPos(), 10);
    // The trackbar reports keyboard moves to its parent, which reflects them.
    SendMessageW(slider.m_hWnd, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageW(slider.m_hWnd, WM_KEYUP, VK_RIGHT, 0);
    ASSERT_GE(slider.codes.size(), 1u);
    EXPECT_EQ(slider.codes[0], TB_LINEDOWN);
    EXPECT_EQ(slider.GetPos(), 11);
    // WM_HSCROLL without a control (the window's own scroll bar) is not reflected.
    size_t before = slider.codes.size();
    SendMessageW(parent.m_hWnd, WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(slider.codes.size(), before);
    parent.DestroyWindow();
}

class PreTranslator : public CWnd {
public:
    PreTranslator(std::vector<CWnd*>* log, BOOL answer) : log_(log), answer_(answer) {}
    BOOL PreTranslateMessage(MSG* msg) override {
        log_->push_back(this);
        return answer_;
    }
    std::vector<CWnd*>* log_;
    BOOL answer_;
};

TEST_F(WndTest, PreTranslationWalksFromTheMessageWindowUpAndStopsAtTheFirstTaker) {
    std::vector<CWnd*> log;
    PreTranslator top(&log, TRUE), middle(&log, FALSE), leaf(&log, FALSE);
    ASSERT_TRUE(top.CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    ASSERT_TRUE(middle.CreateEx(0, kClass, L"", WS_CHILD, 0, 0, 50, 50, top.m_hWnd, nullptr));
    ASSERT_TRUE(leaf.CreateEx(0, kClass, L"", WS_CHILD, 0, 0, 20, 20, middle.m_hWnd, nullptr));
    MSG msg{leaf.m_hWnd, WM_KEYDOWN, 'A', 0, 0, {0, 0}};
    EXPECT_TRUE(WalkPreTranslateTree(nullptr, &msg));
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], &leaf);
    EXPECT_EQ(log[1], &middle);
    EXPECT_EQ(log[2], &top);
    // The walk ends after the stop window.
    log.clear();
    EXPECT_FALSE(WalkPreTranslateTree(middle.m_hWnd, &msg));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], &middle);
    top.DestroyWindow();
}

TEST_F(WndTest, ModifyStyleReportsChangesAndRecomputesTheFrameWhenAsked) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    EXPECT_FALSE(wnd.ModifyStyle(0, WS_POPUP));
    wnd.seen.clear();
    EXPECT_TRUE(wnd.ModifyStyle(0, WS_BORDER | WS_TABSTOP, SWP_FRAMECHANGED));
    EXPECT_EQ(wnd.GetStyle() & (WS_BORDER | WS_TABSTOP), static_cast<DWORD>(WS_BORDER | WS_TABSTOP));
    EXPECT_TRUE(wnd.Saw(WM_NCCALCSIZE));
    wnd.seen.clear();
    EXPECT_TRUE(wnd.ModifyStyle(WS_TABSTOP, 0));
    EXPECT_FALSE(wnd.Saw(WM_NCCALCSIZE));
    EXPECT_EQ(wnd.GetStyle() & WS_TABSTOP, 0u);
    EXPECT_TRUE(wnd.ModifyStyleEx(0, WS_EX_TOOLWINDOW));
    EXPECT_NE(wnd.GetExStyle() & WS_EX_TOOLWINDOW, 0u);
    wnd.DestroyWindow();
    EXPECT_FALSE(wnd.ModifyStyle(0, WS_BORDER));
}

class DerivedButton : public CButton {
    DECLARE_DYNAMIC(DerivedButton)
};
IMPLEMENT_DYNAMIC(DerivedButton, CButton)

TEST(RuntimeClass, KindTestFollowsTheBaseChain) {
    DerivedButton derived;
    CWnd plain;
    EXPECT_TRUE(derived.IsKindOf(RUNTIME_CLASS(DerivedButton)));
    EXPECT_TRUE(derived.IsKindOf(RUNTIME_CLASS(CButton)));
    EXPECT_TRUE(derived.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(derived.IsKindOf(RUNTIME_CLASS(CSliderCtrl)));
    EXPECT_FALSE(plain.IsKindOf(RUNTIME_CLASS(CButton)));
    EXPECT_STREQ(derived.GetRuntimeClass()->m_lpszClassName, "DerivedButton");
}

// Deletes itself while handling its own click.
class SelfDeleting : public CButton {
public:
    explicit SelfDeleting(int* destroyed) : destroyed_(destroyed) {}
    ~SelfDeleting() override { ++*destroyed_; }
    BOOL OnReflect(UINT message, WPARAM, LPARAM, LRESULT*) override {
        if (message != kReflectedCommand) return FALSE;
        DestroyWindow();
        DeleteSafely(this);
        // Still alive here: the deletion waits until the message returns.
        stillAlive = *destroyed_ == 0;
        return TRUE;
    }
    int* destroyed_;
    bool stillAlive = false;
    static bool lastAlive;
};

TEST_F(WndTest, AWindowObjectDeletedDuringItsOwnMessageGoesAwayWhenTheMessageReturns) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
    int destroyed = 0;
    SelfDeleting* button = new SelfDeleting(&destroyed);
    ASSERT_TRUE(button->Create(L"x", WS_CHILD | WS_VISIBLE, RECT{0, 0, 50, 20}, &parent, 1));
    HWND hwnd = button->m_hWnd;
    SendMessageW(hwnd, BM_CLICK, 0, 0);
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    // Outside any message the deletion is immediate.
    SelfDeleting* idle = new SelfDeleting(&destroyed);
    CWnd::DeleteSafely(idle);
    EXPECT_EQ(destroyed, 2);
    CWnd::DeleteSafely(nullptr);
    parent.DestroyWindow();
}

TEST_F(WndTest, DeletingAnObjectWithALiveWindowDestroysTheWindow) {
    CWnd* wnd = new CWnd;
    ASSERT_TRUE(wnd->CreateEx(0, kClass, L"", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr));
    HWND hwnd = wnd->m_hWnd;
    delete wnd;
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
}

TEST_F(WndTest, AttachRefusesAHandleOwnedByAnotherObjectAndDetachRestoresTheProcedure) {
    HWND plain = CreateWindowExW(0, kClass, L"", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, AfxGetInstanceHandle(), nullptr);
    ASSERT_NE(plain, nullptr);
    const LONG_PTR original = GetWindowLongPtrW(plain, GWLP_WNDPROC);
    RecordingWnd a;
    CWnd b;
    ASSERT_TRUE(a.SubclassWindow(plain));
    EXPECT_FALSE(b.Attach(plain));
    EXPECT_FALSE(a.Attach(plain));
    SendMessageW(plain, WM_USER + 5, 0, 0);
    EXPECT_TRUE(a.Saw(WM_USER + 5));
    EXPECT_EQ(a.Detach(), plain);
    EXPECT_EQ(GetWindowLongPtrW(plain, GWLP_WNDPROC), original);
    EXPECT_EQ(CWnd::FromHandlePermanent(plain), nullptr);
    DestroyWindow(plain);
}

TEST(GdiOwners, OwnersDeleteTheirObjectsAndSelectionsAreUndone) {
    HDC screen = GetDC(nullptr);
    {
        // Warm-up: the first use of some GDI paths creates objects that stay.
        CBitmap warm;
        warm.CreateCompatibleBitmap(screen, 2, 2);
        CDC dc;
        dc.CreateCompatibleDC(screen);
    }
    const int before = qeltest::CountGdiObjects();
    for (int i = 0; i < 200; ++i) {
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(screen, 4, 3));
        BITMAP info{};
        ASSERT_TRUE(bitmap.GetBitmap(&info));
        EXPECT_EQ(info.bmWidth, 4);
        CBrush brush;
        ASSERT_TRUE(brush.CreateSolidBrush(RGB(1, 2, 3)));
        CPen pen;
        ASSERT_TRUE(pen.CreatePen(PS_DASH, 1, 0));
        LOGFONTW lf{};
        lf.lfHeight = -12;
        CFont font;
        ASSERT_TRUE(font.CreateFontIndirect(&lf));
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(screen));
        {
            CSelectObject keep(dc, bitmap.GetSafeHandle());
            EXPECT_TRUE(keep.Selected());
            EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap.GetSafeHandle());
        }
        EXPECT_NE(GetCurrentObject(dc, OBJ_BITMAP), bitmap.GetSafeHandle());
        // Replacing an object deletes the previous one.
        ASSERT_TRUE(brush.CreateSolidBrush(RGB(4, 5, 6)));
    }
    EXPECT_EQ(qeltest::CountGdiObjects(), before);
    ReleaseDC(nullptr, screen);
    CBrush empty;
    EXPECT_FALSE(empty.DeleteObject());
    EXPECT_EQ(empty.GetObject(sizeof(LOGBRUSH), nullptr), 0);
}

}  // namespace
