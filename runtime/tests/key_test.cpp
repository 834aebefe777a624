// Key names, key-combination captions and key values built from the real keyboard state.
#include <gtest/gtest.h>

#include <string>

#include "RuntimeUtil.h"

namespace {

TEST(KeyNames, TableEntries) {
    EXPECT_STREQ(KeyName(0x03), L"Break");
    EXPECT_STREQ(KeyName(0x0C), L"PadCenter");
    EXPECT_STREQ(KeyName(0x1B), L"ESC");
    EXPECT_STREQ(KeyName(0x2D), L"Ins");
    EXPECT_STREQ(KeyName(0x30), L"0");
    EXPECT_STREQ(KeyName(0x39), L"9");
    EXPECT_STREQ(KeyName(0x41), L"A");
    EXPECT_STREQ(KeyName(0x5A), L"Z");
    EXPECT_STREQ(KeyName(0x6A), L"PadMul");
    EXPECT_STREQ(KeyName(0x6B), L"PadPlus");
    EXPECT_STREQ(KeyName(0x70), L"F1");
    EXPECT_STREQ(KeyName(0x7F), L"F16");
    EXPECT_STREQ(KeyName(0x91), L"ScrollLock");
    const wchar_t* punctuation = L";=,-./`[\\]'";
    const int codes[] = {0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(std::wstring(KeyName(codes[i])), std::wstring(1, punctuation[i])) << codes[i];
    int named = 0;
    const wchar_t* const* table = GetKeyNameTable();
    for (int code = 0; code < 256; ++code) named += table[code][0] != 0;
    EXPECT_EQ(named, 22 + 10 + 26 + 2 + 16 + 2 + 11);
    for (int code = 0x60; code <= 0x69; ++code) EXPECT_STREQ(KeyName(code), L"") << code;
    EXPECT_STREQ(KeyName(0), L"");
    EXPECT_STREQ(KeyName(0x6D), L"");
    EXPECT_STREQ(KeyName(0x141), L"A");  // only the low 8 bits count
}

TEST(KeyComboText, ModifiersInTheOrderCtrlShiftAlt) {
    CWString scratch;
    EXPECT_STREQ(KeyComboText(0x2000 + 0x8000 + 0x74, scratch), L"Ctrl+Shift+F5");
    EXPECT_STREQ(KeyComboText(0x4000 + 0x58, scratch), L"Alt+X");
    EXPECT_STREQ(KeyComboText(0x8000 + 0x41, scratch), L"Shift+A");
    EXPECT_STREQ(KeyComboText(0x2000 + 0x4000 + 0x8000 + 0xBC, scratch), L"Ctrl+Shift+Alt+,");
    EXPECT_STREQ(KeyComboText(0x8000 + 0x4000 + 0x70, scratch), L"Shift+Alt+F1");
    EXPECT_STREQ(KeyComboText(0x2000 + 0x4000 + 0x1B, scratch), L"Ctrl+Alt+ESC");
}

TEST(KeyComboText, PlainKeysAndUnnamedKeysLeaveTheScratchAlone) {
    CWString scratch(L"untouched");
    EXPECT_STREQ(KeyComboText(0x41, scratch), L"A");
    EXPECT_STREQ(scratch.GetText(), L"untouched");
    EXPECT_STREQ(KeyComboText(0x2000 + 0x60, scratch), L"");
    EXPECT_STREQ(scratch.GetText(), L"untouched");
    // A high bit that is no modifier gives the bare name through the scratch string.
    EXPECT_STREQ(KeyComboText(0x0100 + 0x41, scratch), L"A");
}

// Sets the thread's keyboard state so that exactly the given keys are down.
class KeyboardState : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(GetKeyboardState(saved_)); }
    void TearDown() override { SetKeyboardState(saved_); }
    void Hold(std::initializer_list<int> keys) {
        BYTE state[256] = {};
        for (int k : keys) {
            state[k] = 0x80;
            if (k == VK_CONTROL) state[VK_LCONTROL] = 0x80;
            if (k == VK_SHIFT) state[VK_LSHIFT] = 0x80;
            if (k == VK_MENU) state[VK_LMENU] = 0x80;
        }
        ASSERT_TRUE(SetKeyboardState(state));
        for (int k : keys) ASSERT_LT(GetKeyState(k), 0) << k;
    }
    BYTE saved_[256];
};

TEST_F(KeyboardState, WithoutModifiersKeypadKeysMapToTheirMainKeys) {
    Hold({});
    EXPECT_EQ(NormalizeKey(0x65), 0x35);
    EXPECT_EQ(NormalizeKey(0x60), 0x30);
    EXPECT_EQ(NormalizeKey(0x69), 0x39);
    EXPECT_EQ(NormalizeKey(0x6D), 0xBD);
    EXPECT_EQ(NormalizeKey(0x6E), 0xBE);
    EXPECT_EQ(NormalizeKey(0x6F), 0xBF);
    EXPECT_EQ(NormalizeKey(0x6A), 0x6A);
    EXPECT_EQ(NormalizeKey(0x41), 0x41);
    EXPECT_EQ(NormalizeKey(0xE5), 0);
    EXPECT_EQ(NormalizeKey(0), 0);
    EXPECT_EQ(NormalizeKey(0x100 + 0x41), 0x41);
}

TEST_F(KeyboardState, HeldModifiersAddTheirBits) {
    Hold({VK_CONTROL});
    EXPECT_EQ(NormalizeKey('A'), 0x2000 + 0x41);
    EXPECT_EQ(NormalizeKey(0x65), 0x2000 + 0x35);
    EXPECT_EQ(NormalizeKey(0xE5), 0);  // unnamed even with Ctrl down
    Hold({VK_SHIFT});
    EXPECT_EQ(NormalizeKey(VK_F5), 0x8000 + 0x74);
    Hold({VK_MENU});
    EXPECT_EQ(NormalizeKey('X'), 0x4000 + 0x58);
    Hold({VK_CONTROL, VK_SHIFT, VK_MENU});
    EXPECT_EQ(NormalizeKey(VK_DELETE), 0x2000 + 0x8000 + 0x4000 + 0x2E);
}

TEST_F(KeyboardState, AModifierAloneReportsItselfWithTheOtherModifiersBits) {
    Hold({VK_CONTROL});
    EXPECT_EQ(NormalizeKey(VK_CONTROL), 0x11);
    Hold({VK_SHIFT});
    EXPECT_EQ(NormalizeKey(VK_SHIFT), 0x10);
    Hold({VK_MENU});
    EXPECT_EQ(NormalizeKey(VK_MENU), 0x12);
    Hold({VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(NormalizeKey(VK_SHIFT), 0x2000 + 0x10 + 0x8000);
    EXPECT_EQ(NormalizeKey(VK_CONTROL), 0x11 + 0x8000);
    Hold({VK_CONTROL, VK_MENU});
    EXPECT_EQ(NormalizeKey(VK_MENU), 0x2000 + 0x12 + 0x4000);
    Hold({VK_SHIFT, VK_MENU});
    // Once Shift's bit is in, the value is no longer exactly Alt's code, so Alt's bit is added too.
    EXPECT_EQ(NormalizeKey(VK_MENU), 0x8000 + 0x12 + 0x4000);
    EXPECT_EQ(NormalizeKey(VK_SHIFT), 0x10 + 0x4000);
}

// Real key events: SendInput into a focused window, then the key messages are processed so that the
// thread's key state follows them.
class SentKeys : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RuntimeKeyTestWindow";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 150,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        SetForegroundWindow(window_);
        SetFocus(window_);
        Pump();
    }
    void TearDown() override {
        Send(VK_CONTROL, true);
        Send(VK_SHIFT, true);
        Pump();
        DestroyWindow(window_);
    }
    static void Send(WORD key, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &input, sizeof input);
    }
    static void Pump() {
        for (int round = 0; round < 20; ++round) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(5);
        }
    }
    HWND window_ = nullptr;
};

TEST_F(SentKeys, CtrlAndShiftPressedForRealAreSeen) {
    if (GetFocus() != window_) GTEST_SKIP() << "the test window did not get the keyboard focus";
    Send(VK_CONTROL, false);
    Pump();
    ASSERT_LT(GetKeyState(VK_CONTROL), 0);
    EXPECT_EQ(NormalizeKey('S'), 0x2000 + 0x53);
    Send(VK_SHIFT, false);
    Pump();
    EXPECT_EQ(NormalizeKey(VK_SHIFT), 0x2000 + 0x10 + 0x8000);
    Send(VK_CONTROL, true);
    Send(VK_SHIFT, true);
    Pump();
    EXPECT_EQ(NormalizeKey('S'), 0x53);
}

}  // namespace
