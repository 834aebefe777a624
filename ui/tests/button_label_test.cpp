// Push button and label: clicks from BM_CLICK and a real mouse click, colours through the reflected
// control colour message, erasing, the default push button of a form, label text alignment and wrap
// read back from the screen, the label's own font copy and the feedback message.
#include <gtest/gtest.h>

#include "ui/QelButton.h"
#include "ui/QelLabel.h"
#include "ui/tests/ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

class ButtonLabelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.created); }
    Host host{500, 300, 80, 80};
    Receiver receiver;
};

TEST_F(ButtonLabelTest, ClicksRaiseTheClickEventOnceAndOtherNotificationsDoNot) {
    rg_AnNiu button;
    HWND h = host.Make(button, 20, 20, 100, 40, 77);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)) & 0xFFFF0000u, 0x54010000u);
    BindEvent(button, button.clicked, Plain<kClicked>, receiver.self);
    SendMessageW(h, BM_CLICK, 0, 0);
    ClickAt(h, 50, 20);
    EXPECT_EQ(receiver.Count(kClicked), 2);
    EXPECT_EQ(receiver.log[0].sender, &button);
    MoveTo(h, 50, 20);  // pressed on the button, released outside: no click
    SendInputs({MouseInput(MOUSEEVENTF_LEFTDOWN)});
    MoveTo(h, 300, 200);
    SendInputs({MouseInput(MOUSEEVENTF_LEFTUP)});
    qeltest::Pump(20);
    SendMessageW(host.hwnd(), WM_COMMAND, MAKEWPARAM(77, BN_DOUBLECLICKED), reinterpret_cast<LPARAM>(h));
    EXPECT_EQ(receiver.Count(kClicked), 2);
}

TEST_F(ButtonLabelTest, TheReflectedControlColourSetsTheColoursAndOtherTypesEraseWithTheBrush) {
    rg_AnNiu push, check;
    check.SetStyle((check.GetStyle() & ~0xFu) | BS_AUTOCHECKBOX);
    HWND hp = host.Make(push, 0, 0, 80, 30), hc = host.Make(check, 0, 40, 80, 30);
    CQWnd_Button* w = push.GetButtonWnd();
    w->textColor = RGB(10, 20, 30);
    w->backgroundColor = RGB(1, 200, 3);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, 80, 30);
    HGDIOBJ old = SelectObject(dc, bm);
    EXPECT_EQ(SendMessageW(host.hwnd(), WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hp)),
              reinterpret_cast<LRESULT>(w->backgroundBrush.GetSafeHandle()));
    EXPECT_EQ(GetTextColor(dc), RGB(10, 20, 30));
    EXPECT_EQ(GetBkColor(dc), RGB(1, 200, 3));
    for (auto [hwnd, filled] : {std::pair{hc, true}, {hp, false}}) {
        PatBlt(dc, 0, 0, 80, 30, BLACKNESS);
        SendMessageW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        EXPECT_EQ(GetPixel(dc, 40, 15), filled ? GetSysColor(COLOR_BTNFACE) : RGB(0, 0, 0));
    }
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

// A stand-in for the form window: the run-time class the button looks for.
class CQWnd_WinForm : public CQWnd_Container, public IQelFormWindow {
    DECLARE_DYNAMIC(CQWnd_WinForm)
public:
    void SetDefaultButtonId(uint32_t id) override { defaultId = id; }
    uint32_t defaultId = 0;
};
IMPLEMENT_DYNAMIC(CQWnd_WinForm, CWnd)

class FakeForm : public rg_ZuJianBuJuQi {
public:
    FakeForm() { MakeWindowData(new CQWnd_WinForm, kDefaultControlStyle); }
    CQWnd_WinForm* Form() const { return static_cast<CQWnd_WinForm*>(GetWindowObject()); }
};

TEST_F(ButtonLabelTest, ADefaultPushButtonInsideAContainerInsideAFormBecomesItsDefaultButton) {
    FakeForm form;
    rg_ZuJianBuJuQi inner;
    rg_AnNiu plain, def, lonely;
    host.Make(form, 0, 0, 300, 200);
    CQelCreateRecord r{form.GetWindowObject(), 10, 10, 200, 150};
    inner.Create(r);
    r = {inner.GetWindowObject(), 0, 0, 80, 30, 5};
    plain.Create(r);
    EXPECT_EQ(form.Form()->defaultId, 0u);
    def.SetStyle(def.GetStyle() | BS_DEFPUSHBUTTON);
    r = {inner.GetWindowObject(), 0, 40, 80, 30, 42};
    ASSERT_TRUE(def.Create(r));
    EXPECT_EQ(form.Form()->defaultId, 42u);
    lonely.SetStyle(def.GetStyle());
    EXPECT_NE(host.Make(lonely, 320, 0, 80, 30, 43), nullptr);  // no form above: nothing set
    EXPECT_EQ(form.Form()->defaultId, 42u);
}

constexpr COLORREF kBack = RGB(255, 255, 255);

// A label at (x, y) on white in a font without smoothing, so that its text colour shows exactly.
Capture ShowLabel(Host& host, rg_BiaoQian& label, const wchar_t* text, int w, int h, int x = 10, int y = 10) {
    label.SetText(text);
    label.GetLabelWnd()->backgroundColor = kBack;
    HWND hwnd = host.Make(label, x, y, w, h);
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfQuality = NONANTIALIASED_QUALITY;
    HFONT font = CreateFontIndirectW(&lf);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    DeleteObject(font);
    Repaint(hwnd);
    return Capture(hwnd);
}

TEST_F(ButtonLabelTest, LabelTextIsLeftAndCentredByDefaultRightAlignedOrWrappedFromTheTop) {
    rg_BiaoQian left, right, wrapped, empty;
    Capture c = ShowLabel(host, left, L"WWWW", 300, 60);
    RECT ink = c.Bounds(kBack);
    EXPECT_LT(ink.left, 4);
    EXPECT_LT(ink.right, 150);
    EXPECT_LE(std::abs(static_cast<int>(ink.top - (60 - ink.bottom))), 3);  // vertically centred
    EXPECT_NE(std::find(c.pixels.begin(), c.pixels.end(), GetSysColor(COLOR_WINDOWTEXT)), c.pixels.end());

    right.SetHorizontalAlignment(2);
    ink = ShowLabel(host, right, L"WWWW", 300, 60, 10, 80).Bounds(kBack);
    EXPECT_GE(ink.right, 296);
    EXPECT_GT(ink.left, 150);

    wrapped.SetHorizontalAlignment(2);
    wrapped.GetLabelWnd()->wordWrap = 1;
    ink = ShowLabel(host, wrapped, L"WWW WWW WWW WWW WWW", 80, 150, 350, 10).Bounds(kBack);
    EXPECT_LT(ink.top, 4);      // from the top: DT_VCENTER does nothing without DT_SINGLELINE
    EXPECT_GT(ink.bottom, 25);  // several lines of about 13 pixels
    EXPECT_GE(ink.right, 76);
    UpdateWindow(wrapped.GetHwnd());
    wrapped.SetHorizontalAlignment(1);
    EXPECT_TRUE(GetUpdateRect(wrapped.GetHwnd(), &ink, FALSE));

    ink = ShowLabel(host, empty, L"", 120, 40, 10, 160).Bounds(kBack);
    EXPECT_TRUE(IsRectEmpty(&ink));
}

TEST_F(ButtonLabelTest, TheLabelKeepsItsOwnCopyOfTheFont) {
    rg_BiaoQian label;
    HWND h = host.Make(label, 0, 0, 100, 30);
    CQWnd_Label* w = label.GetLabelWnd();
    ASSERT_TRUE(w->font);  // a copy of the creation font, sent by AfterCreate
    EXPECT_NE(w->font.GetSafeHandle(), GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf{};
    lf.lfHeight = -27;
    HFONT given = CreateFontIndirectW(&lf);
    UpdateWindow(h);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(given), TRUE);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(h, &update, FALSE));
    HFONT copy = w->font.GetSafeHandle();
    EXPECT_NE(copy, given);
    DeleteObject(given);  // the caller's font; the label's copy stays
    ASSERT_EQ(GetObjectW(copy, sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_EQ(lf.lfHeight, -27);
    SendMessageW(h, WM_SETFONT, 0, TRUE);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(given), TRUE);  // deleted: unreadable
    EXPECT_EQ(w->font.GetSafeHandle(), copy);
}

TEST_F(ButtonLabelTest, TheFeedbackMessageRunsTheHandlerAndAnswersItsResultSignExtended) {
    rg_BiaoQian label;
    HWND h = host.Make(label, 0, 0, 100, 30);
    EXPECT_EQ(SendMessageW(h, 0xA002, 1, 2), 0);
    receiver.answer = -5;
    BindEvent(label, label.feedback,
              [](CQelObject* r, CQelObject* s, uint32_t, WPARAM w, LPARAM l) { return Note(r, "feedback", s, w, l); },
              receiver.self);
    EXPECT_EQ(SendMessageW(h, 0xA002, 11, 22), static_cast<LRESULT>(-5));
    PostMessageW(h, 0xA002, 33, 44);
    qeltest::Pump(10);
    ASSERT_EQ(receiver.Count("feedback"), 2);
    EXPECT_EQ(receiver.log[0].sender, &label);
    EXPECT_EQ(receiver.log[0].b, 22);
    EXPECT_EQ(receiver.log[1].a, 33);
}

}  // namespace
