// The font dialog, driven through the real system dialog: the LOGFONTW built from the settings, the
// size conversions in both directions, the effects and colour, and cancelling.
#include <gtest/gtest.h>

#include <string>

#include "ui/QelCommonDialog.h"
#include "ui/tests/dialog_driver.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace dialog_test;

namespace {

constexpr int kFaceCombo = 0x470;   // cmb1
constexpr int kStyleCombo = 0x471;  // cmb2
constexpr int kSizeCombo = 0x472;   // cmb3
constexpr int kColorCombo = 0x473;  // cmb4
constexpr int kStrikeout = 0x410;   // chx1
constexpr int kUnderline = 0x411;   // chx2

// What the system dialog received: the CHOOSEFONTW and its LOGFONTW as they were at WM_INITDIALOG.
struct Received {
    bool seen = false;
    CHOOSEFONTW choose = {};
    LOGFONTW font = {};
};
Received received;
HHOOK initHook = nullptr;

LRESULT CALLBACK InitDialogHook(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && !received.seen && ClassOf(call->hwnd) == L"#32770") {
        const CHOOSEFONTW* choose = reinterpret_cast<const CHOOSEFONTW*>(call->lParam);
        if (choose && choose->lStructSize == sizeof(CHOOSEFONTW)) {
            received.seen = true;
            received.choose = *choose;
            if (choose->lpLogFont) received.font = *choose->lpLogFont;
        }
    }
    return CallNextHookEx(initHook, code, wParam, lParam);
}

int ScreenDpiY() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::wstring ComboText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

// Selects the list entry with the text and tells the dialog, as a click in the list would.
bool SelectComboText(HWND dialog, int id, const wchar_t* text) {
    HWND combo = GetDlgItem(dialog, id);
    const LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    if (index == CB_ERR) return false;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    return true;
}

bool SelectColor(HWND dialog, COLORREF color) {
    HWND combo = GetDlgItem(dialog, kColorCombo);
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (static_cast<COLORREF>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == color) {
            SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kColorCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
            return true;
        }
    }
    return false;
}

COLORREF SelectedColor(HWND dialog) {
    HWND combo = GetDlgItem(dialog, kColorCombo);
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return static_cast<COLORREF>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

bool IsChecked(HWND dialog, int id) { return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetCheck(HWND dialog, int id, bool on) {
    HWND box = GetDlgItem(dialog, id);
    if (IsChecked(dialog, id) != on) {
        SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(box));
    }
}

class FontDialogTest : public testing::Test {
protected:
    void SetUp() override {
        received = Received();
        initHook = SetWindowsHookExW(WH_CALLWNDPROC, InitDialogHook, nullptr, GetCurrentThreadId());
        ASSERT_NE(nullptr, initHook);
        dpi = ScreenDpiY();
        ASSERT_GT(dpi, 0);
        dialog.dialogKind = rg_TongYongDuiHuaKuang::kFont;
    }
    void TearDown() override { UnhookWindowsHookEx(initHook); }

    rg_TongYongDuiHuaKuang dialog;
    int dpi = 0;
};

}  // namespace

TEST_F(FontDialogTest, SettingsPresetTheDialogAndComeBackUnchanged) {
    dialog.fontName.Append(L"DejaVu Sans");
    dialog.fontSize = 9;
    dialog.bold = 1;
    dialog.underline = 1;
    dialog.fontColor = RGB(255, 0, 0);

    std::wstring face, size, style;
    bool underline = false, strikeout = true;
    COLORREF color = 0;
    DialogDriver driver([&](HWND d, DWORD) {
        face = ComboText(d, kFaceCombo);
        size = ComboText(d, kSizeCombo);
        style = ComboText(d, kStyleCombo);
        underline = IsChecked(d, kUnderline);
        strikeout = IsChecked(d, kStrikeout);
        color = SelectedColor(d);
        Click(d, IDOK);
    });
    EXPECT_EQ(1, dialog.ShowDialog(nullptr));
    driver.Join();
    ASSERT_TRUE(driver.found);
    EXPECT_FALSE(driver.leftOpen);

    // What the system dialog was given.
    ASSERT_TRUE(received.seen);
    EXPECT_EQ(static_cast<DWORD>(CF_SCREENFONTS | CF_EFFECTS),
              received.choose.Flags & static_cast<DWORD>(CF_SCREENFONTS | CF_EFFECTS | CF_PRINTERFONTS));
    EXPECT_EQ(nullptr, received.choose.hDC);
    EXPECT_EQ(RGB(255, 0, 0), received.choose.rgbColors);
    EXPECT_EQ(-static_cast<LONG>(9.0 * dpi / 72.0 + 0.5), received.font.lfHeight);
    if (dpi == 96) {
        EXPECT_EQ(-12, received.font.lfHeight);
    }
    EXPECT_EQ(FW_BOLD, received.font.lfWeight);
    EXPECT_EQ(0, received.font.lfItalic);
    EXPECT_EQ(1, received.font.lfUnderline);
    EXPECT_EQ(0, received.font.lfStrikeOut);
    EXPECT_STREQ(L"DejaVu Sans", received.font.lfFaceName);

    // What the dialog showed.
    EXPECT_EQ(L"DejaVu Sans", face);
    EXPECT_EQ(L"9", size);
    EXPECT_TRUE(underline);
    EXPECT_FALSE(strikeout);
    EXPECT_EQ(RGB(255, 0, 0), color);
    EXPECT_FALSE(style.empty());

    // Confirmed unchanged: the same settings come back.
    EXPECT_STREQ(L"DejaVu Sans", dialog.fontName.GetText());
    EXPECT_EQ(9, dialog.fontSize);
    EXPECT_EQ(1, dialog.bold);
    EXPECT_EQ(0, dialog.italic);
    EXPECT_EQ(1, dialog.underline);
    EXPECT_EQ(0, dialog.strikeout);
    EXPECT_EQ(RGB(255, 0, 0), dialog.fontColor);
}

TEST_F(FontDialogTest, ChoicesInTheDialogBecomeTheSettings) {
    dialog.fontName.Append(L"DejaVu Sans");
    dialog.fontSize = 9;
    dialog.bold = 1;
    dialog.underline = 1;
    bool selected = false;
    DialogDriver driver([&](HWND d, DWORD) {
        selected = SelectComboText(d, kFaceCombo, L"DejaVu Serif") && SelectComboText(d, kStyleCombo, L"Italic") &&
                   SelectComboText(d, kSizeCombo, L"10") && SelectColor(d, RGB(0, 0, 255));
        SetCheck(d, kStrikeout, true);
        SetCheck(d, kUnderline, false);
        Click(d, IDOK);
    });
    EXPECT_EQ(1, dialog.ShowDialog(nullptr));
    driver.Join();
    ASSERT_TRUE(driver.found);
    ASSERT_TRUE(selected);
    EXPECT_STREQ(L"DejaVu Serif", dialog.fontName.GetText());
    // 10 points are 13 pixels at 96 dots per inch, which read back as 9.75 and round to 10.
    EXPECT_EQ(10, dialog.fontSize);
    EXPECT_EQ(0, dialog.bold);
    EXPECT_EQ(1, dialog.italic);
    EXPECT_EQ(1, dialog.strikeout);
    EXPECT_EQ(0, dialog.underline);
    EXPECT_EQ(RGB(0, 0, 255), dialog.fontColor);
}

TEST_F(FontDialogTest, CancelledDialogChangesNothing) {
    dialog.fontName.Append(L"DejaVu Sans");
    dialog.fontSize = 14;
    dialog.fontColor = RGB(0, 128, 0);
    rg_TongYongDuiHuaKuang before(dialog);
    DialogDriver driver([&](HWND d, DWORD) {
        SelectComboText(d, kSizeCombo, L"20");
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(0, dialog.ShowDialog(nullptr));
    driver.Join();
    ASSERT_TRUE(driver.found);
    EXPECT_EQ(1, dialog.IsEqual(before));
}

TEST_F(FontDialogTest, LongFaceNameIsCutAndNegativeSizeTakesItsMagnitude) {
    const wchar_t* longName = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";  // 36 characters
    dialog.fontName.Append(longName);
    dialog.fontSize = -18;  // its magnitude is used
    dialog.italic = 1;
    dialog.strikeout = 1;
    DialogDriver driver([&](HWND d, DWORD) { Click(d, IDCANCEL); });
    EXPECT_EQ(0, dialog.ShowDialog(nullptr));
    driver.Join();
    ASSERT_TRUE(received.seen);
    EXPECT_EQ(std::wstring(longName, 31), received.font.lfFaceName);
    EXPECT_EQ(-static_cast<LONG>(18.0 * dpi / 72.0 + 0.5), received.font.lfHeight);
    EXPECT_EQ(0, received.font.lfWeight);
    EXPECT_EQ(1, received.font.lfItalic);
    EXPECT_EQ(1, received.font.lfStrikeOut);
    EXPECT_STREQ(longName, dialog.fontName.GetText());  // the setting itself is untouched
}
