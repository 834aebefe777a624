// Key names, key-combination captions and key values under the real keyboard state.
#include <gtest/gtest.h>

#include <string>

#include "runtime/RuntimeUtil.h"

namespace {

TEST(KeyNames, NamedAndUnnamedCodes) {
    const std::pair<int, const wchar_t*> named[] = {{0x03, L"Break"}, {0x0C, L"PadCenter"}, {0x1B, L"ESC"},
                                                    {0x39, L"9"},     {0x5A, L"Z"},         {0x6B, L"PadPlus"},
                                                    {0x7F, L"F16"},   {0xBD, L"-"},         {0xDC, L"\\"},
                                                    {0xDE, L"'"},     {0x141, L"A"}};
    for (const auto& [code, name] : named) EXPECT_STREQ(KeyName(code), name) << code;
    int count = 0;
    for (int code = 0; code < 256; ++code) count += KeyName(code)[0] != 0;
    EXPECT_EQ(count, 89);
    for (int code : {0x00, 0x60, 0x69, 0x6D, 0xE5}) EXPECT_STREQ(KeyName(code), L"") << code;
}

TEST(KeyComboText, ModifiersAlwaysInTheOrderCtrlShiftAlt) {
    CWString scratch(L"untouched");
    EXPECT_STREQ(KeyComboText(0x41, scratch), L"A");
    EXPECT_STREQ(KeyComboText(0x2000 + 0x60, scratch), L"");
    EXPECT_STREQ(scratch.GetText(), L"untouched");
    EXPECT_STREQ(KeyComboText(0x2000 + 0x8000 + 0x74, scratch), L"Ctrl+Shift+F5");
    EXPECT_STREQ(KeyComboText(0x4000 + 0x58, scratch), L"Alt+X");
    EXPECT_STREQ(KeyComboText(0x8000 + 0x41, scratch), L"Shift+A");
    EXPECT_STREQ(KeyComboText(0x8000 + 0x4000 + 0x2000 + 0xBC, scratch), L"Ctrl+Shift+Alt+,");
    EXPECT_STREQ(KeyComboText(0x0100 + 0x41, scratch), L"A");
}

// Sets the thread's keyboard state so that exactly the given keys are down.
class HeldKeys : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(GetKeyboardState(saved_)); }
    void TearDown() override { SetKeyboardState(saved_); }
    void Hold(std::initializer_list<int> keys) {
        BYTE state[256] = {};
        for (int k : keys) state[k] = 0x80;
        ASSERT_TRUE(SetKeyboardState(state));
        for (int k : keys) ASSERT_LT(GetKeyState(k), 0) << k;
    }
    BYTE saved_[256];
};

TEST_F(HeldKeys, KeypadKeysMapToMainKeysAndUnnamedKeysGiveZero) {
    Hold({});
    EXPECT_EQ(NormalizeKey(0x65), 0x35);
    EXPECT_EQ(NormalizeKey(0x6D), 0xBD);
    EXPECT_EQ(NormalizeKey(0x6E), 0xBE);
    EXPECT_EQ(NormalizeKey(0x6F), 0xBF);
    EXPECT_EQ(NormalizeKey(0x141), 0x41);
    Hold({VK_CONTROL});
    EXPECT_EQ(NormalizeKey(0xE5), 0);
    EXPECT_EQ(NormalizeKey(0), 0);
    EXPECT_EQ(NormalizeKey(0x65), 0x2000 + 0x35);
}

TEST_F(HeldKeys, ModifiersAddTheirBitsAndAModifierAloneReportsItself) {
    Hold({VK_CONTROL, VK_SHIFT, VK_MENU});
    EXPECT_EQ(NormalizeKey(VK_DELETE), 0x2000 + 0x8000 + 0x4000 + 0x2E);
    Hold({VK_CONTROL});
    EXPECT_EQ(NormalizeKey(VK_CONTROL), 0x11);
    Hold({VK_SHIFT});
    EXPECT_EQ(NormalizeKey(VK_SHIFT), 0x10);
    Hold({VK_MENU});
    EXPECT_EQ(NormalizeKey(VK_MENU), 0x12);
    Hold({VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(NormalizeKey(VK_SHIFT), 0x2000 + 0x10 + 0x8000);
    EXPECT_EQ(NormalizeKey(VK_CONTROL), 0x11 + 0x8000);
    // Once Shift's bit is in, the value is no longer exactly Alt's code, so Alt's bit follows.
    Hold({VK_SHIFT, VK_MENU});
    EXPECT_EQ(NormalizeKey(VK_MENU), 0x8000 + 0x12 + 0x4000);
}

// Real key events: SendInput to a focused window; processing the messages updates the key state.
TEST(SentKeys, CtrlAndShiftPressedForRealAreSeen) {
    HWND window = CreateWindowExW(0, L"STATIC", L"keys", WS_POPUP | WS_VISIBLE, 50, 50, 200, 150, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    auto send = [](WORD key, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &input, sizeof input);
    };
    auto pump = [] {
        for (int round = 0; round < 20; ++round) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(5);
        }
    };
    pump();
    send(VK_CONTROL, false);
    pump();
    EXPECT_EQ(NormalizeKey('S'), 0x2000 + 0x53);
    send(VK_SHIFT, false);
    pump();
    EXPECT_EQ(NormalizeKey(VK_SHIFT), 0x2000 + 0x10 + 0x8000);
    send(VK_CONTROL, true);
    send(VK_SHIFT, true);
    pump();
    EXPECT_EQ(NormalizeKey('S'), 0x53);
    DestroyWindow(window);
}

}  // namespace
