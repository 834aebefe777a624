// Accelerators of a built menu firing WM_COMMAND on a real window: key messages with the modifier
// keys set in the thread's keyboard state, and real key presses through SendInput.
#include <gtest/gtest.h>

#include <vector>

#include "ui/QelMenu.h"
#include "ui/tests/menu_test_util.h"

using namespace rg_Zarno_MFCJieMian_JiBen;

namespace {

struct CommandLog {
    std::vector<WPARAM> commands;  // wParam of each WM_COMMAND with lParam 0
};

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && lParam == 0) {
        auto* log = reinterpret_cast<CommandLog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (log) log->commands.push_back(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class AcceleratorTest : public testing::Test {
protected:
    void SetUp() override {
        static ATOM atom = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = RecordingProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"QelAcceleratorTestWindow";
            wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            return RegisterClassW(&wc);
        }();
        ASSERT_NE(0, atom);
        window = CreateWindowExW(0, L"QelAcceleratorTestWindow", L"accelerators", WS_OVERLAPPEDWINDOW, 50, 50, 300, 200,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&log));
        ASSERT_NE(nullptr, BuildMenu(menu, Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 101, L"O", true),
                                                       Cmd(1, L"Refresh", 102, L"F5"),
                                                       Cmd(1, L"Reload", 103, L"F5", true, true),
                                                       Cmd(0, L"Edit", 2), Cmd(1, L"Order", 104, L"o", true),
                                                       Cmd(1, L"Plain", 105)})
                                                .c_str()));
    }
    void TearDown() override {
        SetModifiers(false, false);
        if (window) DestroyWindow(window);
        menu->Release();
    }

    static void SetModifiers(bool ctrl, bool shift) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = keys[VK_LCONTROL] = ctrl ? 0x80 : 0;
        keys[VK_SHIFT] = keys[VK_LSHIFT] = shift ? 0x80 : 0;
        keys[VK_MENU] = keys[VK_LMENU] = 0;
        SetKeyboardState(keys);
    }

    // Offers one key-down message to the accelerators; answers whether it was translated.
    bool Press(UINT key, bool ctrl, bool shift, UINT message = WM_KEYDOWN) {
        SetModifiers(ctrl, shift);
        MSG msg = {};
        msg.hwnd = window;
        msg.message = message;
        msg.wParam = key;
        msg.lParam = 1 | (static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16);
        return TranslateAccelerators(menu, window, &msg);
    }

    HWND window = nullptr;
    CRefQelMenu* menu = new CRefQelMenu();
    CommandLog log;
};

}  // namespace

TEST_F(AcceleratorTest, KeyMessagesBecomeCommands) {
    EXPECT_TRUE(Press('O', true, false));
    ASSERT_EQ(1u, log.commands.size());
    EXPECT_EQ(101u, LOWORD(log.commands[0]));  // not 104, the later entry with the same key
    EXPECT_EQ(1u, HIWORD(log.commands[0]));    // from an accelerator

    EXPECT_TRUE(Press(VK_F5, false, false));
    EXPECT_TRUE(Press(VK_F5, true, true));
    ASSERT_EQ(3u, log.commands.size());
    EXPECT_EQ(102u, LOWORD(log.commands[1]));
    EXPECT_EQ(103u, LOWORD(log.commands[2]));
}

TEST_F(AcceleratorTest, OtherKeysAndModifiersAreNotTranslated) {
    EXPECT_FALSE(Press('O', false, false));       // Ctrl missing
    EXPECT_FALSE(Press('O', true, true));         // Shift extra
    EXPECT_FALSE(Press(VK_F5, false, true));      // Shift+F5 names no accelerator
    EXPECT_FALSE(Press('P', true, false));
    EXPECT_FALSE(Press('O', true, false, WM_MOUSEMOVE));  // not a keyboard message
    EXPECT_TRUE(log.commands.empty());

    MSG msg = {window, WM_KEYDOWN, 'O', 1, 0, {0, 0}};
    SetModifiers(true, false);
    EXPECT_FALSE(TranslateAccelerators(nullptr, window, &msg));
    CRefQelMenu* noKeys = new CRefQelMenu();
    ASSERT_NE(nullptr, BuildMenu(noKeys, Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 101)}).c_str()));
    EXPECT_FALSE(TranslateAccelerators(noKeys, window, &msg));
    noKeys->Release();
    EXPECT_TRUE(log.commands.empty());
}

TEST_F(AcceleratorTest, RealKeyPressesThroughTheMessageLoop) {
    SetModifiers(false, false);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    // Let the window become active before typing.
    const DWORD settle = GetTickCount();
    MSG msg;
    while (GetTickCount() - settle < 300) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
    ASSERT_EQ(window, GetForegroundWindow());

    INPUT inputs[4] = {};
    const WORD keys[4] = {VK_CONTROL, 'O', 'O', VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i];
        inputs[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    ASSERT_EQ(4u, SendInput(4, inputs, sizeof(INPUT)));

    const DWORD start = GetTickCount();
    while (log.commands.empty() && GetTickCount() - start < 3000) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (TranslateAccelerators(menu, window, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
    ASSERT_EQ(1u, log.commands.size());
    EXPECT_EQ(101u, LOWORD(log.commands[0]));
}
