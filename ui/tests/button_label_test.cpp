// Push button and label: clicks from BM_CLICK and a real mouse click, colours through the reflected
// control colour message, erasing, the default push button of a form, label text alignment and wrap
// read back from the screen, the label's own font copy and the feedback message.
#include <gtest/gtest.h>

#include "QelButton.h"
#include "QelLabel.h"
#include "ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

class ButtonLabelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.created); }
    Host host{500, 300, 80, 80};
    Receiver receiver;
};

TEST_F(ButtonLabelTest, ClicksFromBmClickAndFromTheMouseRaiseTheClickEventOnce) {
    rg_AnNiu button;
    button.SetText(L"OK");
    CQelCreateRecord record = host.Child(20, 20, 100, 40, 77);
    ASSERT_TRUE(button.Create(record));
    EXPECT_EQ(GetWindowLongW(button.GetHwnd(), GWL_STYLE) & 0xFFFF0000, 0x54010000);  // child, visible, clip, tab
    wchar_t cls[16] = {};
    GetClassNameW(button.GetHwnd(), cls, 16);
    EXPECT_STREQ(cls, L"Button");
    BindEvent(button, button.clicked, Plain<kClicked>, receiver.self);

    SendMessageW(button.GetHwnd(), BM_CLICK, 0, 0);
    ASSERT_EQ(receiver.Count(kClicked), 1);
    EXPECT_EQ(receiver.log[0].sender, &button);

    ClickAt(button.GetHwnd(), 50, 20);
    EXPECT_EQ(receiver.Count(kClicked), 2);
    // A press that is released outside the button is no click.
    MoveTo(button.GetHwnd(), 50, 20);
    SendInputs({MouseInput(MOUSEEVENTF_LEFTDOWN)});
    qeltest::Pump(20);
    MoveTo(button.GetHwnd(), 300, 200);
    SendInputs({MouseInput(MOUSEEVENTF_LEFTUP)});
    qeltest::Pump(20);
    EXPECT_EQ(receiver.Count(kClicked), 2);
    // Other notifications are not clicks.
    SendMessageW(host.hwnd(), WM_COMMAND, MAKEWPARAM(77, BN_DOUBLECLICKED), reinterpret_cast<LPARAM>(button.GetHwnd()));
    EXPECT_EQ(receiver.Count(kClicked), 2);
    // The reflected click itself, sent straight to the button, is a click too.
    SendMessageW(button.GetHwnd(), 0xBD11, MAKEWPARAM(77, BN_CLICKED), reinterpret_cast<LPARAM>(button.GetHwnd()));
    EXPECT_EQ(receiver.Count(kClicked), 3);
}

TEST_F(ButtonLabelTest, TheReflectedControlColourSetsTheColoursAndAnswersTheButtonsBrush) {
    rg_AnNiu button;
    ASSERT_TRUE(button.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 80, 30))));
    CQWnd_Button* w = button.GetButtonWnd();
    w->textColor = RGB(10, 20, 30);
    HDC dc = GetDC(button.GetHwnd());
    const LRESULT brush = SendMessageW(host.hwnd(), WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(button.GetHwnd()));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), w->backgroundBrush.GetSafeHandle());
    EXPECT_EQ(GetTextColor(dc), RGB(10, 20, 30));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));
    w->backgroundColor = RGB(1, 200, 3);
    SendMessageW(host.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button.GetHwnd()));
    EXPECT_EQ(GetBkColor(dc), RGB(1, 200, 3));
    LOGBRUSH lb{};
    GetObjectW(w->backgroundBrush.GetSafeHandle(), sizeof lb, &lb);
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));
    ReleaseDC(button.GetHwnd(), dc);
}

TEST_F(ButtonLabelTest, ButtonTypesOtherThanPushButtonsEraseWithTheBrush) {
    rg_AnNiu push, check;
    check.SetStyle((check.GetStyle() & ~0xFu) | BS_AUTOCHECKBOX);
    ASSERT_TRUE(push.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 80, 30))));
    ASSERT_TRUE(check.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 40, 80, 30))));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, 80, 30);
    HGDIOBJ old = SelectObject(dc, bm);
    const COLORREF sentinel = RGB(9, 8, 7);
    auto fill = [&] {
        HBRUSH b = CreateSolidBrush(sentinel);
        RECT r{0, 0, 80, 30};
        FillRect(dc, &r, b);
        DeleteObject(b);
    };
    fill();
    SendMessageW(check.GetHwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(GetPixel(dc, 40, 15), GetSysColor(COLOR_BTNFACE));
    fill();
    SendMessageW(push.GetHwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(GetPixel(dc, 40, 15), sentinel);
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

TEST_F(ButtonLabelTest, ADefaultPushButtonBelowAFormBecomesItsDefaultButton) {
    FakeForm form;
    ASSERT_TRUE(form.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 300, 200))));
    rg_ZuJianBuJuQi inner;
    ASSERT_TRUE(inner.Create(*std::make_unique<CQelCreateRecord>(CQelCreateRecord{form.GetWindowObject(), 10, 10, 200, 150})));
    rg_AnNiu plain;
    ASSERT_TRUE(plain.Create(*std::make_unique<CQelCreateRecord>(CQelCreateRecord{inner.GetWindowObject(), 0, 0, 80, 30, 5})));
    EXPECT_EQ(form.Form()->defaultId, 0u);
    rg_AnNiu def;
    def.SetStyle(def.GetStyle() | BS_DEFPUSHBUTTON);
    CQelCreateRecord r{inner.GetWindowObject(), 0, 40, 80, 30, 42};
    ASSERT_TRUE(def.Create(r));
    EXPECT_EQ(form.Form()->defaultId, 42u);
    // Without a form above it nothing is set and nothing breaks.
    rg_AnNiu lonely;
    lonely.SetStyle(lonely.GetStyle() | BS_DEFPUSHBUTTON);
    CQelCreateRecord lr = host.Child(320, 0, 80, 30, 43);
    EXPECT_TRUE(lonely.Create(lr));
    EXPECT_EQ(form.Form()->defaultId, 42u);
    EXPECT_EQ(FindParentFormWindow(inner.GetWindowObject()), static_cast<IQelFormWindow*>(form.Form()));
    EXPECT_EQ(FindParentFormWindow(host.wnd()), nullptr);
}

constexpr COLORREF kBack = RGB(255, 255, 255);

// A label at (x, y) on a white background showing the text in a font without smoothing (so that
// the text colour appears exactly); answers what the screen shows.
Capture ShowLabel(Host& host, rg_BiaoQian& label, const wchar_t* text, int w, int h, int x = 10, int y = 10) {
    label.SetText(text);
    label.GetLabelWnd()->backgroundColor = kBack;
    CQelCreateRecord r = host.Child(x, y, w, h);
    EXPECT_TRUE(label.Create(r));
    LOGFONTW lf{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfQuality = NONANTIALIASED_QUALITY;
    HFONT font = CreateFontIndirectW(&lf);
    SendMessageW(label.GetHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    DeleteObject(font);
    Repaint(label.GetHwnd());
    return Capture(label.GetHwnd());
}

TEST_F(ButtonLabelTest, ALabelShowsItsTextLeftAlignedAndCentredByDefault) {
    rg_BiaoQian label;
    EXPECT_EQ(label.GetLabelWnd()->TextFormat(), static_cast<UINT>(DT_NOCLIP | DT_SINGLELINE | DT_VCENTER));
    Capture c = ShowLabel(host, label, L"WWWW", 300, 60);
    const RECT ink = c.Bounds(kBack);
    ASSERT_GT(ink.right, ink.left);
    EXPECT_LT(ink.left, 4);
    EXPECT_LT(ink.right, 150);
    // Vertically centred: equal room above and below within a pixel or two.
    EXPECT_LE(std::abs(static_cast<int>(ink.top - (60 - ink.bottom))), 3);
    // Text in the window-text colour.
    EXPECT_EQ(c.At(ink.left + 1, (ink.top + ink.bottom) / 2) != kBack, true);
    bool sawTextColour = false;
    for (COLORREF p : c.pixels) sawTextColour |= p == GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_TRUE(sawTextColour);
}

TEST_F(ButtonLabelTest, RightAlignmentAndWordWrapShowTheTextAtTheRightStartingAtTheTop) {
    rg_BiaoQian right;
    right.SetHorizontalAlignment(2);
    Capture c = ShowLabel(host, right, L"WWWW", 300, 60);
    const RECT ink = c.Bounds(kBack);
    ASSERT_GT(ink.right, ink.left);
    EXPECT_GE(ink.right, 296);
    EXPECT_GT(ink.left, 150);

    rg_BiaoQian wrapped;
    wrapped.SetHorizontalAlignment(2);
    wrapped.GetLabelWnd()->wordWrap = 1;
    EXPECT_EQ(wrapped.GetLabelWnd()->TextFormat(), static_cast<UINT>(DT_NOCLIP | DT_RIGHT | DT_WORDBREAK | DT_VCENTER));
    Capture w = ShowLabel(host, wrapped, L"WWW WWW WWW WWW WWW", 80, 150, 10, 100);
    const RECT wink = w.Bounds(kBack);
    ASSERT_GT(wink.bottom, wink.top);
    EXPECT_LT(wink.top, 4);           // starts at the top
    EXPECT_GT(wink.bottom, 25);       // several lines of about 13 pixels
    EXPECT_LT(wink.bottom, 140);
    EXPECT_GE(wink.right, 76);        // right-aligned lines

    // Alignment set on a created label repaints it.
    ValidateRect(wrapped.GetHwnd(), nullptr);
    wrapped.SetHorizontalAlignment(1);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(wrapped.GetHwnd(), &update, FALSE));
}

TEST_F(ButtonLabelTest, AnEmptyLabelPaintsOnlyItsBackground) {
    rg_BiaoQian label;
    Capture c = ShowLabel(host, label, L"", 120, 40);
    EXPECT_EQ(c.CountOther(kBack, 0, 0, 120, 40), 0);
    rg_BiaoQian face;
    face.SetText(L"");
    ASSERT_TRUE(face.Create(*std::make_unique<CQelCreateRecord>(host.Child(200, 10, 50, 20))));
    Repaint(face.GetHwnd());
    Capture f(face.GetHwnd());
    EXPECT_EQ(f.CountOther(GetSysColor(COLOR_BTNFACE), 0, 0, 50, 20), 0);
}

TEST_F(ButtonLabelTest, TheLabelKeepsItsOwnCopyOfTheFont) {
    rg_BiaoQian label;
    ASSERT_TRUE(label.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 30))));
    CQWnd_Label* w = label.GetLabelWnd();
    ASSERT_TRUE(w->font);  // AfterCreate sent the creation font
    EXPECT_NE(w->font.GetSafeHandle(), GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(SendMessageW(label.GetHwnd(), WM_GETDLGCODE, 0, 0), DLGC_STATIC);

    LOGFONTW lf{};
    lf.lfHeight = -27;
    lf.lfItalic = TRUE;
    HFONT given = CreateFontIndirectW(&lf);
    UpdateWindow(label.GetHwnd());
    ValidateRect(label.GetHwnd(), nullptr);
    SendMessageW(label.GetHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(given), TRUE);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(label.GetHwnd(), &update, FALSE));
    HFONT copy = w->font.GetSafeHandle();
    EXPECT_NE(copy, given);
    DeleteObject(given);  // the caller keeps and frees its font
    LOGFONTW read{};
    ASSERT_EQ(GetObjectW(copy, sizeof read, &read), static_cast<int>(sizeof read));
    EXPECT_EQ(read.lfHeight, -27);
    EXPECT_TRUE(read.lfItalic);
    // A null or unreadable font changes nothing.
    SendMessageW(label.GetHwnd(), WM_SETFONT, 0, TRUE);
    SendMessageW(label.GetHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(given), TRUE);  // deleted
    EXPECT_EQ(w->font.GetSafeHandle(), copy);
}

int32_t Feedback(CQelObject* r, CQelObject* s, uint32_t, WPARAM w, LPARAM l) {
    AsReceiver(r)->log.push_back({"feedback", s, static_cast<int64_t>(w), static_cast<int64_t>(l), 0, 0});
    return -5;
}

TEST_F(ButtonLabelTest, TheFeedbackMessageRunsTheHandlerAndAnswersItsResult) {
    rg_BiaoQian label;
    ASSERT_TRUE(label.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 30))));
    EXPECT_EQ(SendMessageW(label.GetHwnd(), 0xA002, 1, 2), 0);
    BindEvent(label, label.feedback, Feedback, receiver.self);
    EXPECT_EQ(SendMessageW(label.GetHwnd(), 0xA002, 11, 22), static_cast<LRESULT>(-5));
    ASSERT_EQ(receiver.Count("feedback"), 1);
    EXPECT_EQ(receiver.log[0].sender, &label);
    EXPECT_EQ(receiver.log[0].a, 11);
    EXPECT_EQ(receiver.log[0].b, 22);
    // Posted from anywhere, it runs on the UI thread's loop.
    PostMessageW(label.GetHwnd(), 0xA002, 33, 44);
    qeltest::Pump(10);
    ASSERT_EQ(receiver.Count("feedback"), 2);
    EXPECT_EQ(receiver.log[1].a, 33);
}

}  // namespace
