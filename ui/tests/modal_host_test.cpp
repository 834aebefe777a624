// Modal forms: the host dialog's rectangle from the record, end codes, the form window destroyed from
// a handler, Esc from the keyboard, the focus given back, messages between form and dialog, template
// styles, owner choice and main-window substitution, menus and accelerators, creation failure.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

#include "platform/mfc/QelApp.h"
#include "ui/QelModalHost.h"
#include "ui/tests/form_test_support.h"
#include "ui/tests/menu_test_util.h"

using namespace formtest;
using qeltest::Pump;

namespace {

// An active top-level form with two edit controls, the second of which has the focus (activating
// the form alone would give it to the first): the window the modal forms of the tests are run from.
struct OwnerForm {
    OwnerForm() {
        form.components = [this](TestForm& f) {
            for (int i = 0; i < 2; ++i) {
                edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10 + 30 * i, 120, 24,
                                       f.GetWindowObject()->m_hWnd, reinterpret_cast<HMENU>(5 + i), nullptr, nullptr);
            }
        };
        CQelCreateRecord record = TopRecord(700, 500, 300, 200);
        ok = form.Create(record) && Activate(form.GetHwnd());
        SetFocus(edit);
    }
    TestForm form;
    HWND edit = nullptr;
    bool ok = false;
};

HWND HostOf(const TestForm& form) { return GetParent(form.GetHwnd()); }

// Ends any host dialog of the thread with code 999 after five seconds, so that a test whose dialog
// does not end fails instead of hanging.
class Watchdog {
public:
    Watchdog() : thread_(GetCurrentThreadId()), worker_([this] { Run(); }) {}
    ~Watchdog() {
        stop_ = true;
        worker_.join();
    }

private:
    void Run() {
        for (int i = 0; i < 250 && !stop_; ++i) Sleep(20);
        if (stop_) return;
        EnumThreadWindows(
            thread_,
            [](HWND h, LPARAM) -> BOOL {
                wchar_t cls[32] = {};
                GetClassNameW(h, cls, 32);
                if (std::wstring(cls) == L"#32770") PostMessageW(h, kHostDialogMessage, kHostEnd, 999);
                return TRUE;
            },
            0);
    }
    DWORD thread_;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

// A modal form with its events logged.
struct ModalForm {
    ModalForm() { BindFormEvents(form, r); }
    TestForm form;
    Receiver r;
    Watchdog watchdog;
};

CQelCreateRecord ModalRecord(int standardFrame = 1) {
    CQelCreateRecord record = TopRecord(100, 100, 400, 300);
    record.modal = 1;
    record.standardDialogFrame = standardFrame;
    return record;
}

TEST(ModalHost, TheDialogTakesTheRecordsRectangleAndTheFormFillsIt) {
    OwnerForm owner;
    ASSERT_TRUE(owner.ok);
    for (int standard : {1, 0}) {
        SCOPED_TRACE(standard);
        ModalForm m;
        if (!standard) m.form.W().borderStyle = 1;  // sizable: no modal frame in the template
        HWND dialog = nullptr;
        RECT outer{}, dialogClient{}, formRect{};
        BOOL ownerEnabled = TRUE;
        HWND dialogOwner = nullptr;
        DWORD style = 0, exStyle = 0;
        m.r.actions[kDialogInit] = [&](int32_t) {
            dialog = HostOf(m.form);
            outer = WindowRect(dialog);
            GetClientRect(dialog, &dialogClient);
            GetClientRect(m.form.GetHwnd(), &formRect);
            ownerEnabled = IsWindowEnabled(owner.form.GetHwnd());
            dialogOwner = GetWindow(dialog, GW_OWNER);
            style = StyleOf(dialog);
            exStyle = ExStyleOf(dialog);
            PostMessageW(dialog, kHostDialogMessage, kHostEnd, 42);
        };
        CQelCreateRecord record = ModalRecord(standard);
        ASSERT_TRUE(m.form.Create(record));
        EXPECT_EQ(record.modalResult, 42);
        EXPECT_EQ(outer.left, 100);
        EXPECT_EQ(outer.top, 100);
        EXPECT_EQ(outer.right, 500);
        EXPECT_EQ(outer.bottom, 400);
        EXPECT_EQ(formRect.right, dialogClient.right);
        EXPECT_EQ(formRect.bottom, dialogClient.bottom);
        EXPECT_FALSE(ownerEnabled);
        EXPECT_EQ(dialogOwner, owner.form.GetHwnd());
        EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
        EXPECT_EQ((style & WS_THICKFRAME) != 0, standard == 0);
        EXPECT_EQ((exStyle & WS_EX_DLGMODALFRAME) != 0, standard == 1);
        // Afterwards: the dialog and the form window are gone, the owner is enabled and has its focus.
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_FALSE(m.form.HasNativeWindow());
        EXPECT_TRUE(IsWindowEnabled(owner.form.GetHwnd()));
        EXPECT_EQ(GetFocus(), owner.edit);
        EXPECT_EQ(m.r.Count(kDialogInit), 1);
    }
}

TEST(ModalHost, DestroyingTheFormWindowFromAHandlerEndsTheDialogWithMinusOne) {
    OwnerForm owner;
    ASSERT_TRUE(owner.ok);
    ModalForm m;
    m.r.actions[kDialogInit] = [&](int32_t) { PostMessageW(m.form.GetHwnd(), WM_COMMAND, 55, 0); };
    m.r.actions[kCommand] = [&](int32_t id) {
        if (id == 55) DestroyWindow(m.form.GetHwnd());
    };
    CQelCreateRecord record = ModalRecord();
    ASSERT_TRUE(m.form.Create(record));
    EXPECT_EQ(record.modalResult, -1);
    EXPECT_EQ(m.r.Count(kDestroyed), 1);
    EXPECT_EQ(GetFocus(), owner.edit);
}

// Waits from a helper thread until the thread shows a host dialog in the foreground, then presses keys.
void PressKeysInDialog(DWORD thread, std::vector<std::pair<WORD, std::vector<WORD>>> keys, std::atomic<bool>* done) {
    for (int i = 0; i < 200; ++i) {
        GUITHREADINFO info{sizeof info};
        wchar_t cls[32] = {};
        if (GetGUIThreadInfo(thread, &info) && info.hwndActive && GetClassNameW(info.hwndActive, cls, 32) &&
            std::wstring(cls) == L"#32770" && GetForegroundWindow() == info.hwndActive) {
            break;
        }
        Sleep(20);
    }
    Sleep(50);
    for (auto& k : keys) {
        SendKey(k.first, k.second);
        Sleep(80);
    }
    *done = true;
}

TEST(ModalHost, EscFromTheKeyboardEndsWithMinusOneAndTheFocusComesBack) {
    OwnerForm owner;
    ASSERT_TRUE(owner.ok);
    ModalForm m;
    std::atomic<bool> done{false};
    std::thread keys(PressKeysInDialog, GetCurrentThreadId(),
                     std::vector<std::pair<WORD, std::vector<WORD>>>{{VK_ESCAPE, {}}}, &done);
    CQelCreateRecord record = ModalRecord();
    ASSERT_TRUE(m.form.Create(record));
    keys.join();
    EXPECT_EQ(record.modalResult, -1);
    EXPECT_EQ(GetFocus(), owner.edit);
    EXPECT_EQ(m.r.Count(kCloseRequest), 0);  // the host ends without WM_CLOSE
}

int32_t OnLimits(CQelObject* r, CQelObject*, uint32_t, rg_ChuangKouWeiZhiXianZhiXinXi*) {
    return static_cast<Receiver*>(r)->Record("limits", 0);
}

TEST(ModalHost, FormAndDialogTalkThroughHostMessagesAndTheDialogForwardsItsFrameEvents) {
    OwnerForm owner;
    ASSERT_TRUE(owner.ok);
    ModalForm m;
    BindEvent(m.form, m.form.positionLimits, &OnLimits, m.r.self);
    std::wstring title;
    BOOL hidden = TRUE, shownAgain = FALSE, openAfterRefusals = FALSE;
    m.r.actions[kDialogInit] = [&](int32_t) { PostMessageW(m.form.GetHwnd(), WM_COMMAND, 60, 0); };
    m.r.actions[kCommand] = [&](int32_t id) {
        if (id != 60) return;
        HWND dialog = HostOf(m.form);
        m.form.SetText(L"Neu");
        title = TextOf(dialog);
        ShowWindow(m.form.GetHwnd(), SW_HIDE);
        hidden = !IsWindowVisible(dialog);
        ShowWindow(m.form.GetHwnd(), SW_SHOW);
        shownAgain = IsWindowVisible(dialog);
        SendMessageW(dialog, WM_MENUSELECT, MAKEWPARAM(9, 0), 0);
        MINMAXINFO mmi{};
        SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        m.r.answers[kCloseRequest] = 1;
        SendMessageW(dialog, WM_CLOSE, 0, 0);
        m.r.answers[kCloseRequest] = 0;
        m.r.answers[kQueryClose] = 1;
        SendMessageW(dialog, WM_CLOSE, 0, 0);
        openAfterRefusals = IsWindow(dialog);
        m.r.answers[kQueryClose] = 0;
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    };
    CQelCreateRecord record = ModalRecord();
    ASSERT_TRUE(m.form.Create(record));
    EXPECT_EQ(title, L"Neu");
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(shownAgain);
    EXPECT_TRUE(openAfterRefusals);
    EXPECT_EQ(m.r.Count(kCloseRequest), 3);
    EXPECT_EQ(m.r.Count(kQueryClose), 2);
    EXPECT_EQ(m.r.Args(kMenuSelect), std::vector<int32_t>{9});
    EXPECT_GE(m.r.Count("limits"), 1);
    EXPECT_EQ(record.modalResult, -1);  // the close box cancels
}

TEST(ModalHost, TemplateStylesFollowTheRecord) {
    CQelCreateRecord record;
    record.style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | 0x800;
    record.exStyle = WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW;
    DWORD style = 0, exStyle = 0;
    record.standardDialogFrame = 1;
    HostDialogStyles(record, &style, &exStyle);
    EXPECT_EQ(style, 0x92C80880u);
    EXPECT_EQ(exStyle, 0u);
    record.standardDialogFrame = 0;
    HostDialogStyles(record, &style, &exStyle);
    EXPECT_EQ(style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU |
                                        WS_MINIMIZEBOX | DS_CENTER | DS_MODALFRAME));
    EXPECT_EQ(exStyle, record.exStyle);
    record.style = WS_CHILD | WS_THICKFRAME | WS_DISABLED;
    HostDialogStyles(record, &style, &exStyle);
    EXPECT_EQ(style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | DS_CENTER | WS_THICKFRAME |
                                        WS_DISABLED));
}

TEST(ModalHost, OwnerChoiceAndMainWindowSubstitution) {
    CWinApp app;
    ASSERT_EQ(AfxGetThread(), &app);
    OwnerForm owner;
    ASSERT_TRUE(owner.ok);
    // The active window is a form: it owns the dialog; without a main window the dialog is the main
    // window for the duration.
    {
        ModalForm m;
        HWND dialogOwner = nullptr;
        bool dialogWasMain = false;
        m.r.actions[kDialogInit] = [&](int32_t) {
            HWND dialog = HostOf(m.form);
            dialogOwner = GetWindow(dialog, GW_OWNER);
            dialogWasMain = app.m_pMainWnd && app.m_pMainWnd->m_hWnd == dialog;
            PostMessageW(dialog, kHostDialogMessage, kHostEnd, 1);
        };
        CQelCreateRecord record = ModalRecord();
        ASSERT_TRUE(m.form.Create(record));
        EXPECT_EQ(dialogOwner, owner.form.GetHwnd());
        EXPECT_TRUE(dialogWasMain);
        EXPECT_EQ(app.m_pMainWnd, nullptr);
        MSG msg;
        EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // the loop goes on
    }
    // The active window is no window object: the main window owns the dialog.
    HWND plain = CreateWindowExW(0, L"STATIC", L"plain", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_TRUE(Activate(plain));
    app.m_pMainWnd = owner.form.GetWindowObject();
    {
        ModalForm m;
        HWND dialogOwner = nullptr;
        m.r.actions[kDialogInit] = [&](int32_t) {
            dialogOwner = GetWindow(HostOf(m.form), GW_OWNER);
            PostMessageW(HostOf(m.form), kHostDialogMessage, kHostEnd, 1);
        };
        CQelCreateRecord record = ModalRecord();
        ASSERT_TRUE(m.form.Create(record));
        EXPECT_EQ(dialogOwner, owner.form.GetHwnd());
        EXPECT_EQ(app.m_pMainWnd, owner.form.GetWindowObject());
    }
    // Neither: the desktop, which is no owner.
    app.m_pMainWnd = nullptr;
    {
        ModalForm m;
        HWND dialogOwner = reinterpret_cast<HWND>(1);
        m.r.actions[kDialogInit] = [&](int32_t) {
            dialogOwner = GetWindow(HostOf(m.form), GW_OWNER);
            PostMessageW(HostOf(m.form), kHostDialogMessage, kHostEnd, 1);
        };
        CQelCreateRecord record = ModalRecord();
        ASSERT_TRUE(m.form.Create(record));
        EXPECT_EQ(dialogOwner, nullptr);
    }
    DestroyWindow(plain);
}

TEST(ModalHost, AModalFormShowsItsMenuOnTheDialogAndItsAcceleratorsWork) {
    CRefQelMenu* menu = new CRefQelMenu;
    HMENU bar = BuildMenu(menu, Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 101, L"O", true)}).c_str());
    ASSERT_NE(bar, nullptr);
    {
        OwnerForm owner;
        ASSERT_TRUE(owner.ok);
        ModalForm m;
        HMENU shown = nullptr;
        RECT outer{};
        m.r.actions[kDialogInit] = [&](int32_t) {
            shown = GetMenu(HostOf(m.form));
            outer = WindowRect(HostOf(m.form));
        };
        m.r.actions[kCommand] = [&](int32_t id) {
            if (id == 101) PostMessageW(HostOf(m.form), kHostDialogMessage, kHostEnd, 101);
        };
        std::atomic<bool> done{false};
        std::thread keys(PressKeysInDialog, GetCurrentThreadId(),
                         std::vector<std::pair<WORD, std::vector<WORD>>>{{'O', {VK_CONTROL}}}, &done);
        CQelCreateRecord record = ModalRecord();
        record.menu = menu;
        ASSERT_TRUE(m.form.Create(record));
        keys.join();
        EXPECT_EQ(shown, bar);
        EXPECT_EQ(outer.right - outer.left, 400);
        EXPECT_EQ(outer.bottom - outer.top, 300);
        EXPECT_EQ(record.modalResult, 101);
    }
    EXPECT_TRUE(IsMenu(bar));  // still the built menu's
    EXPECT_EQ(menu->GetRefCount(), 1);
    menu->Release();
}

TEST(ModalHost, AFormWindowThatCannotBeCreatedEndsTheDialogAndTheFormIsReusable) {
    OwnerForm owner;
    ASSERT_TRUE(owner.ok);
    const int windowsBefore = qeltest::CountThreadWindows();
    ModalForm m;
    m.form.W().windowClassName.Append(std::wstring(300, L'q').c_str());
    CQelCreateRecord record = ModalRecord();
    ASSERT_TRUE(m.form.Create(record));
    EXPECT_EQ(record.modalResult, -1);
    EXPECT_EQ(m.r.Count(kDialogInit), 0);
    EXPECT_TRUE(IsWindowEnabled(owner.form.GetHwnd()));
    EXPECT_EQ(qeltest::CountThreadWindows(), windowsBefore);

    // The same form later makes a window of its own.
    m.form.W().windowClassName.SetEmpty();
    CQelCreateRecord plain = TopRecord(20, 20, 200, 100);
    ASSERT_TRUE(m.form.Create(plain));
    EXPECT_EQ(m.form.W().hostDialog, nullptr);
    EXPECT_EQ(m.form.W().FrameWindow(), m.form.GetHwnd());
    EXPECT_EQ(GetParent(m.form.GetHwnd()), nullptr);
}

// The dialog class itself: no template, the dialog manager's Esc, WM_QUIT handed on to the loop
// outside, and a dialog window destroyed from outside.
class LoopDialog : public CDialog {
public:
    BOOL OnInitDialog() override {
        init(m_hWnd);
        return TRUE;
    }
    std::function<void(HWND)> init;
};

TEST(ModalDialog, TheModalLoopEndsByEndCodeEscQuitOrDestruction) {
    LoopDialog noTemplate;
    EXPECT_EQ(noTemplate.DoModal(), -1);
    CEmptyDialogTemplate t;
    MakeEmptyDialogTemplate(t, WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME, 0);
    static HWND target = nullptr;
    const struct {
        std::function<void(HWND)> init;
        INT_PTR result;
    } cases[] = {
        {[](HWND h) { PostMessageW(h, WM_KEYDOWN, VK_ESCAPE, 0); }, IDCANCEL},
        {[](HWND) { PostQuitMessage(3); }, -1},
        {[](HWND h) {
             target = h;
             SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR id, DWORD) {
                 KillTimer(nullptr, id);
                 DestroyWindow(target);
             });
         },
         -1},
    };
    for (const auto& c : cases) {
        LoopDialog dialog;
        dialog.init = c.init;
        ASSERT_TRUE(dialog.InitModalIndirect(&t.header, nullptr));
        EXPECT_EQ(dialog.DoModal(), c.result);
        EXPECT_EQ(dialog.m_hWnd, nullptr);
    }
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
