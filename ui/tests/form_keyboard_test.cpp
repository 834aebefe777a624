// Keyboard and mouse pre-processing of forms with real input (SendInput): Esc and its refusals, the
// filter and base events before it, Tab in edit controls, the Enter rule, keys wanted by ActiveX
// hosts, accelerators, F1 help and moving a form by its client area.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "ui/QelButton.h"
#include "ui/QelCommonDialog.h"
#include "ui/QelForm.h"
#include "ui/QelLabel.h"
#include "ui/tests/form_test_support.h"
#include "ui/tests/menu_test_util.h"

using namespace formtest;
using qeltest::Pump;
using qeltest::PumpUntil;

namespace {

// A shown, active form at (80, 80) of outer size 360 by 240.
struct ActiveForm {
    explicit ActiveForm(std::function<void(TestForm&)> components = nullptr, CRefQelMenu* menu = nullptr) {
        form.components = std::move(components);
        CQelCreateRecord record = TopRecord(80, 80, 360, 240);
        record.menu = menu;
        created = form.Create(record);
        if (created) {
            BindFormEvents(form, receiver);
            active = Activate(form.GetHwnd());
        }
    }
    HWND hwnd() const { return form.GetHwnd(); }

    TestForm form;
    Receiver receiver;
    bool created = false;
    bool active = false;
};

HWND AddChild(HWND parent, const wchar_t* cls, DWORD style, int x, int y, int id) {
    return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, 100, 24, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

TEST(FormKeyboard, EscClosesThroughWmCloseWhichCloseRequestAndQueryCloseMayRefuse) {
    ActiveForm f;
    ASSERT_TRUE(f.created && f.active);
    Receiver& r = f.receiver;
    r.answers[kCloseRequest] = 1;
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(IsWindow(f.hwnd()));
    EXPECT_EQ(r.Count(kCloseRequest), 1);
    EXPECT_EQ(r.Count(kQueryClose), 0);

    r.answers[kCloseRequest] = 0;
    r.answers[kQueryClose] = 1;
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(IsWindow(f.hwnd()));
    EXPECT_EQ(r.Count(kCloseRequest), 2);
    EXPECT_EQ(r.Count(kQueryClose), 1);

    f.form.W().escCloses = 0;
    PressKey(VK_ESCAPE);
    EXPECT_EQ(r.Count(kCloseRequest), 2);

    f.form.W().escCloses = 1;
    r.answers[kQueryClose] = 0;
    const HWND h = f.hwnd();
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(r.Count(kDestroyed), 1);
    std::vector<std::string> closing;
    for (const auto& e : r.log)
        if (e.first == kCloseRequest || e.first == kQueryClose) closing.push_back(e.first);
    // Close request first, then query close, each time.
    EXPECT_EQ(closing, (std::vector<std::string>{kCloseRequest, kCloseRequest, kQueryClose, kCloseRequest,
                                                 kQueryClose}));
}

int32_t ConsumeKeys(CQelObject* r, CQelObject*, uint32_t, int32_t key, int32_t) {
    return static_cast<Receiver*>(r)->Record("key", key);
}

TEST(FormKeyboard, TheFilterAndTheBaseEventsSeeKeysBeforeEsc) {
    ActiveForm f;
    ASSERT_TRUE(f.created && f.active);
    std::vector<uint32_t> filtered;
    f.form.filter = [&](uint32_t message, WPARAM wParam) -> int32_t {
        filtered.push_back(message);
        return message == WM_KEYDOWN && wParam == VK_ESCAPE ? 0 : 1;
    };
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(IsWindow(f.hwnd()));
    EXPECT_NE(std::find(filtered.begin(), filtered.end(), static_cast<uint32_t>(WM_KEYDOWN)), filtered.end());

    f.form.filter = nullptr;
    BindEvent(f.form, f.form.keyDown, &ConsumeKeys, f.receiver.self);
    f.receiver.answers["key"] = 1;
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(IsWindow(f.hwnd()));
    EXPECT_EQ(f.receiver.Args("key"), std::vector<int32_t>{VK_ESCAPE});
    EXPECT_EQ(f.receiver.Count(kCloseRequest), 0);
}

TEST(FormKeyboard, TabInAnEditMovesToTheNextTabStopEvenWhenTheEditTakesTabs) {
    HWND edit1 = nullptr, edit2 = nullptr, button = nullptr;
    ActiveForm f([&](TestForm& form) {
        HWND h = form.GetWindowObject()->m_hWnd;
        edit1 = AddChild(h, L"EDIT", WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN, 10, 10, 11);
        edit2 = AddChild(h, L"EDIT", WS_TABSTOP, 10, 40, 12);
        button = AddChild(h, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 10, 70, 13);
    });
    ASSERT_TRUE(f.created && f.active);
    ASSERT_TRUE(SendMessageW(edit1, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
    SetFocus(edit1);
    PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), edit2);
    PressKey(VK_TAB, {VK_SHIFT});
    EXPECT_EQ(GetFocus(), edit1);
    SetFocus(edit2);
    PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), button);
    // From a window that is no edit, the dialog-message processing moves on (wrapping round).
    PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), edit1);
    EXPECT_EQ(GetWindowTextLengthW(edit1), 0);  // no tab character was typed
}

struct Buttons {
    rg_AnNiu plain;
    rg_AnNiu deflt;
};

TEST(FormKeyboard, EnterClicksOnlyTheDefaultPushButton) {
    Buttons b;
    ActiveForm f([&](TestForm& form) {
        CQelCreateRecord r1 = TopRecord(10, 10, 90, 28);
        r1.parent = form.GetWindowObject();
        r1.id = 21;
        b.plain.Create(r1);
        b.deflt.SetStyle(b.deflt.GetStyle() | BS_DEFPUSHBUTTON);
        CQelCreateRecord r2 = TopRecord(110, 10, 90, 28);
        r2.parent = form.GetWindowObject();
        r2.id = 22;
        b.deflt.Create(r2);
    });
    ASSERT_TRUE(f.created && f.active);
    Receiver plainLog, defaultLog;
    BindEvent(b.plain, b.plain.clicked, &Plain<kClicked>, plainLog.self);
    BindEvent(b.deflt, b.deflt.clicked, &Plain<kClicked>, defaultLog.self);
    EXPECT_EQ(f.form.W().defaultButtonId, 22u);
    EXPECT_EQ(SendMessageW(f.hwnd(), DM_GETDEFID, 0, 0), (0x534BL << 16) | 22);

    // Focus on the plain button: Enter clicks the default one found through DM_GETDEFID.
    SetFocus(b.plain.GetHwnd());
    PressKey(VK_RETURN);
    EXPECT_EQ(plainLog.Count(kClicked), 0);
    EXPECT_EQ(defaultLog.Count(kClicked), 1);

    SetFocus(b.deflt.GetHwnd());
    PressKey(VK_RETURN);
    EXPECT_EQ(defaultLog.Count(kClicked), 2);
    EXPECT_EQ(plainLog.Count(kClicked), 0);

    // While Enter is processed, a click of the plain button (here sent by the default button's
    // handler) is swallowed; outside Enter it goes through.
    defaultLog.actions[kClicked] = [&](int32_t) { SendMessageW(b.plain.GetHwnd(), BM_CLICK, 0, 0); };
    SetFocus(b.deflt.GetHwnd());
    PressKey(VK_RETURN);
    EXPECT_EQ(defaultLog.Count(kClicked), 3);
    EXPECT_EQ(plainLog.Count(kClicked), 0);
    SendMessageW(b.deflt.GetHwnd(), BM_CLICK, 0, 0);
    Pump(20);
    EXPECT_EQ(defaultLog.Count(kClicked), 4);
    EXPECT_EQ(plainLog.Count(kClicked), 1);

    // DM_GETDEFID answers only for a visible form with such a control.
    f.form.W().defaultButtonId = 99;
    EXPECT_EQ(SendMessageW(f.hwnd(), DM_GETDEFID, 0, 0), 0);
    f.form.W().defaultButtonId = 22;
    ShowWindow(f.hwnd(), SW_HIDE);
    EXPECT_EQ(SendMessageW(f.hwnd(), DM_GETDEFID, 0, 0), 0);
}

// An ActiveX host window that records the keys it receives.
class KeyHost : public CQWnd_OcxControl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_KEYDOWN) keys.push_back(static_cast<int>(wParam));
        return CQWnd_OcxControl::WindowProc(message, wParam, lParam);
    }
    std::vector<int> keys;
};

TEST(FormKeyboard, AnActiveXHostThatWantsTheKeysGetsThemInsteadOfTheDialogProcessing) {
    KeyHost host;
    HWND next = nullptr;
    ActiveForm f([&](TestForm& form) {
        HWND h = form.GetWindowObject()->m_hWnd;
        RegisterFrameworkClass(L"QelOcxTestHost");
        host.CreateEx(0, L"QelOcxTestHost", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 100, 50, h,
                      reinterpret_cast<HMENU>(31));
        next = AddChild(h, L"BUTTON", WS_TABSTOP, 10, 80, 32);
    });
    ASSERT_TRUE(f.created && f.active);
    ASSERT_NE(host.m_hWnd, nullptr);
    for (WORD key : {WORD(VK_DOWN), WORD(VK_TAB), WORD(VK_RETURN)}) {
        SCOPED_TRACE(key);
        host.keys.clear();
        host.wantsArrows = host.wantsTab = host.wantsEnter = 0;
        SetFocus(host.m_hWnd);
        PressKey(key);
        EXPECT_TRUE(host.keys.empty());  // the dialog-message processing took it
        host.wantsArrows = key == VK_DOWN;
        host.wantsTab = key == VK_TAB;
        host.wantsEnter = key == VK_RETURN;
        SetFocus(host.m_hWnd);
        PressKey(key);
        EXPECT_EQ(host.keys, std::vector<int>{key});
        EXPECT_EQ(GetFocus(), host.m_hWnd);
    }
}

TEST(FormKeyboard, AcceleratorsOfTheFormsMenuRaiseTheCommandEvent) {
    CRefQelMenu* menu = new CRefQelMenu;
    ASSERT_NE(nullptr, BuildMenu(menu, Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 101, L"O", true),
                                                   Cmd(1, L"Save", 102, L"F5", false, true)})
                                           .c_str()));
    {
        ActiveForm f(nullptr, menu);
        ASSERT_TRUE(f.created && f.active);
        PressKey('O', {VK_CONTROL});
        PressKey(VK_F5, {VK_SHIFT});
        PressKey('O');  // no accelerator
        EXPECT_EQ(f.receiver.Args(kCommand), (std::vector<int32_t>{101, 102}));
    }
    menu->Release();
}

TEST(FormKeyboard, F1OpensAnExistingHelpFileAndClosingTheFormQuitsTheViewer) {
    HelpViewer viewer;
    ASSERT_NE(viewer.hwnd, nullptr);
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring folder(exe);
    folder.resize(folder.rfind(L'\\') + 1);
    const std::wstring name = L"qel_form_help_" + std::to_wstring(GetCurrentProcessId()) + L".hlp";
    CloseHandle(CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

    ActiveForm f;
    ASSERT_TRUE(f.created && f.active);
    CQWnd_WinForm& w = f.form.W();
    w.helpFile.Append(L"missing_help_file.hlp");
    PressKey(VK_F1);
    EXPECT_TRUE(HelpViewer::requests().empty());
    EXPECT_EQ(w.helpUsed, 0);

    w.helpFile.SetEmpty();
    w.helpFile.Append(name.c_str());  // relative: taken from the program's folder
    w.helpContext = 42;
    PressKey(VK_F1);
    ASSERT_EQ(HelpViewer::requests().size(), 1u);
    EXPECT_EQ(HelpViewer::requests()[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(HelpViewer::requests()[0].data, 42);
    EXPECT_NE(HelpViewer::requests()[0].file.find("qel_form_help_"), std::string::npos);
    EXPECT_EQ(w.helpUsed, 1);

    w.helpFile.SetEmpty();
    w.helpFile.Append((folder + name).c_str());  // absolute, context 0: the contents
    w.helpContext = 0;
    PressKey(VK_F1);
    ASSERT_EQ(HelpViewer::requests().size(), 2u);
    EXPECT_EQ(HelpViewer::requests()[1].command, static_cast<UINT>(HELP_FINDER));

    // Help asked for the form through a common dialog object marks it as well.
    w.helpUsed = 0;
    rg_TongYongDuiHuaKuang help;
    help.dialogKind = rg_TongYongDuiHuaKuang::kHelp;
    help.helpCommand = rg_TongYongDuiHuaKuang::kHelpOnHelp;
    ASSERT_EQ(help.ShowDialog(f.hwnd()), 1);
    EXPECT_EQ(w.helpUsed, 1);

    DestroyWindow(f.hwnd());
    ASSERT_EQ(HelpViewer::requests().size(), 4u);
    EXPECT_EQ(HelpViewer::requests()[3].command, static_cast<UINT>(HELP_QUIT));
    EXPECT_EQ(w.helpUsed, 0);
    DeleteFileW((folder + name).c_str());
}

// Presses the left button at a screen point, drags by (dx, dy) and releases, from a helper thread
// while this thread pumps (the system's move loop runs inside the message processing).
void DragFrom(POINT start, int dx, int dy) {
    std::atomic<bool> done{false};
    std::thread input([&] {
        MouseTo(start.x, start.y);
        Sleep(80);
        MouseButton(true);
        Sleep(250);
        for (int i = 1; i <= 5; ++i) {
            MouseTo(start.x + dx * i / 5, start.y + dy * i / 5);
            Sleep(60);
        }
        Sleep(100);
        MouseButton(false);
        Sleep(100);
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 5000);
    input.join();
    Pump(100);
}

TEST(FormKeyboard, DragByClientAreaMovesTheFormWhenPressingOnALabel) {
    rg_BiaoQian label;
    ActiveForm f([&](TestForm& form) {
        CQelCreateRecord r = TopRecord(20, 20, 120, 30);
        r.parent = form.GetWindowObject();
        label.Create(r);
    });
    ASSERT_TRUE(f.created && f.active);
    POINT start{80, 35};
    ClientToScreen(f.hwnd(), &start);

    const RECT before = WindowRect(f.hwnd());
    DragFrom(start, 40, 30);
    RECT after = WindowRect(f.hwnd());
    EXPECT_EQ(after.left, before.left);  // not without the flag
    EXPECT_EQ(after.top, before.top);

    f.form.W().dragByClientArea = 1;
    Activate(f.hwnd());
    DragFrom(start, 40, 30);
    after = WindowRect(f.hwnd());
    EXPECT_EQ(after.left - before.left, 40);
    EXPECT_EQ(after.top - before.top, 30);
}

}  // namespace
