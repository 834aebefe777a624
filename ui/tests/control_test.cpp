// Control base: the creation skeleton, copies sharing one window, listener attachment, the base
// events with their argument encodings from real input, WM_SETCURSOR and the property operations.
#include <gtest/gtest.h>

#include "ui/QelButton.h"
#include "ui/QelLabel.h"
#include "ui/QelPainter.h"
#include "ui/QelSlider.h"
#include "ui/tests/ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

TEST(ControlBase, ClassesStylesAndKindsWithoutAWindowOfTheirOwn) {
    CQelCreateRecord record;
    CQelWinControl plain;
    CQelWinContainer container;
    rg_AnNiuJiChuLei buttonBase;
    EXPECT_FALSE(plain.Create(record));
    EXPECT_FALSE(container.Create(record));
    EXPECT_FALSE(buttonBase.Create(record));
    EXPECT_EQ(buttonBase.GetWndObject(), nullptr);
    EXPECT_STREQ(buttonBase.GetClassRecord()->name, "rg_Zarno_MFCJieMian_JiBen::rg_AnNiuJiChuLei");
    rg_AnNiu button;
    rg_HuaKuaiTiao slider;
    EXPECT_STREQ(button.GetClassRecord()->name, "rg_Zarno_MFCJieMian_JiBen::rg_AnNiu");
    EXPECT_EQ(button.IsKindOf(rg_AnNiuJiChuLei::StaticRecord()), 1);
    EXPECT_EQ(button.IsKindOf(rg_BiaoQian::StaticRecord()), 0);
    EXPECT_STREQ(button.GetWndObject()->GetClassRecord()->name, "CMfcWndObject");
    EXPECT_EQ(button.GetStyle(), 0x14012000u);
    EXPECT_EQ(slider.GetStyle(), 0x14000001u);
    EXPECT_EQ(rg_BiaoQian().GetStyle(), 0x14000000u);
    EXPECT_EQ(rg_HuaBan().GetStyle(), 0x14000000u);
    EXPECT_EQ(rg_ZuJianBuJuQi().GetStyle(), 0x14000000u);
}

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.created); }
    Host host;
    Receiver receiver;
};

TEST_F(ControlTest, CreateFillsTheRecordOnceAndASecondCreateChangesNothing) {
    rg_BiaoQian label;
    label.SetText(L"first");
    CQelCreateRecord record = host.Child(5, 6, 70, 20, 31);
    ASSERT_TRUE(label.Create(record));
    EXPECT_EQ(record.style, 0x54000000u);  // child added, tab stop removed
    EXPECT_STREQ(record.title, L"first");
    EXPECT_EQ(record.font, GetStockObject(DEFAULT_GUI_FONT));
    HWND hwnd = label.GetHwnd();
    EXPECT_EQ(GetDlgCtrlID(hwnd), 31);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 5);
    EXPECT_EQ(rc.bottom, 26);

    CQelCreateRecord again = host.Child(1, 2, 3, 4, 5);
    again.style = 0x1234;
    EXPECT_FALSE(label.Create(again));
    EXPECT_EQ(again.style, 0x1234u);
    EXPECT_EQ(again.font, nullptr);
    DestroyWindow(hwnd);  // a destroyed window can be created anew
    EXPECT_NE(host.Make(label, 0, 0, 10, 10), nullptr);

    // Without a parent, and with WS_POPUP, WS_CHILD is cleared.
    rg_HuaBan top;
    top.SetStyle(WS_POPUP | WS_CHILD);
    CQelCreateRecord tr = host.Child(0, 0, 30, 30);
    ASSERT_TRUE(top.Create(tr));
    EXPECT_EQ(GetWindowLongW(top.GetHwnd(), GWL_STYLE) & WS_CHILD, 0);
}

TEST_F(ControlTest, AfterCreateSetsTheFontAddsTabStopsForKeyWindowsAndRemovesAddedBorders) {
    rg_HuaKuaiTiao slider;  // the trackbar wants arrow keys
    rg_BiaoQian label;      // a static window does not
    host.Make(slider, 0, 0, 150, 30);
    host.Make(label, 0, 40, 50, 20);
    EXPECT_NE(GetWindowLongW(slider.GetHwnd(), GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_EQ(GetWindowLongW(label.GetHwnd(), GWL_STYLE) & WS_TABSTOP, 0);
    // An overlapped top-level window gets a caption, and WS_BORDER with it, from the system.
    rg_HuaBan overlapped;
    overlapped.SetStyle(WS_VISIBLE);
    CQelCreateRecord r{nullptr, 10, 10, 100, 80};
    ASSERT_TRUE(overlapped.Create(r));
    EXPECT_EQ(GetWindowLongW(overlapped.GetHwnd(), GWL_STYLE) & WS_BORDER, 0);
    rg_AnNiu bordered;
    bordered.SetStyle(bordered.GetStyle() | WS_BORDER);
    LOGFONTW lf{};
    lf.lfHeight = -20;
    bordered.SetFont(CreateFontIndirectW(&lf));  // owned by the window data
    host.Make(bordered, 0, 70, 80, 30);
    EXPECT_NE(GetWindowLongW(bordered.GetHwnd(), GWL_STYLE) & WS_BORDER, 0);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(bordered.GetHwnd(), WM_GETFONT, 0, 0)), bordered.GetWndObject()->font);
}

TEST_F(ControlTest, CopiesShareOneWindowThatLivesUntilTheLastCopyGoes) {
    auto* original = new rg_BiaoQian;
    HWND hwnd = host.Make(*original, 0, 0, 100, 20);
    auto* copy = static_cast<rg_BiaoQian*>(original->Clone());
    EXPECT_EQ(copy->GetWndObject(), original->GetWndObject());
    EXPECT_EQ(copy->IsEqual(*original), 1);
    copy->SetText(L"through the copy");
    wchar_t text[32] = {};
    GetWindowTextW(hwnd, text, 32);
    EXPECT_STREQ(text, L"through the copy");
    copy->auxText.Append(L"x");  // each copy's own, compared by equality
    EXPECT_EQ(copy->IsEqual(*original), 0);
    original->Delete();
    EXPECT_TRUE(IsWindow(hwnd));
    copy->Delete();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(ControlTest, OverwritingAControlDetachesItFromItsOldWindowAndResetGivesANewWindow) {
    rg_HuaBan a, b, keeper;
    host.Make(a, 0, 0, 50, 50);
    host.Make(b, 60, 0, 50, 50);
    keeper = a;
    BindEvent(a, a.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    EXPECT_EQ(a.CopyFrom(b), 1);
    EXPECT_EQ(a.GetWndObject(), b.GetWndObject());
    EXPECT_FALSE(a.HasListener());                        // not listening to b's window
    EXPECT_EQ(keeper.GetPainterWnd()->listener, nullptr);  // nor left behind in its old one
    rg_BiaoQian label;
    EXPECT_EQ(a.CopyFrom(label), 0);
    // Plain assignment detaches just the same.
    BindEvent(keeper, keeper.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    rg_HuaBan* temp = new rg_HuaBan(keeper);
    temp->AttachListener();
    *temp = b;
    temp->Delete();
    PostMessageW(keeper.GetHwnd(), WM_LBUTTONDOWN, 0, 0);
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kLeftDown), 0);  // nobody listens; nothing dangles

    CMfcWndObject* shared = b.GetWndObject();
    a.Reset();
    EXPECT_NE(a.GetWndObject(), shared);
    EXPECT_FALSE(a.HasNativeWindow());
    EXPECT_EQ(shared->GetRefCount(), 1);
}

TEST_F(ControlTest, MouseEventsCarryUnsignedCoordinatesAndModifiersFromRealInput) {
    rg_HuaBan painter;
    HWND h = host.Make(painter, 50, 50, 200, 150);
    BindEvent(painter, painter.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    BindEvent(painter, painter.leftButtonUp, Mouse<kLeftUp>, receiver.self);
    BindEvent(painter, painter.mouseMove, Mouse<kMove>, receiver.self);
    ClickAt(h, 10, 20, {VK_CONTROL});
    const Event* down = receiver.Last(kLeftDown);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->sender, &painter);
    EXPECT_EQ(down->a, 10);
    EXPECT_EQ(down->b, 20);
    EXPECT_EQ(down->c, 0x2000);
    EXPECT_EQ(receiver.Count(kLeftUp), 1);
    ClickAt(h, 10, 20, {VK_CONTROL, VK_SHIFT, VK_MENU});
    EXPECT_EQ(receiver.Last(kLeftDown)->c, 0xE000);
    ClickAt(h, 7, 8);
    EXPECT_EQ(receiver.Last(kLeftDown)->c, 0);

    SetCapture(h);
    MoveTo(h, -5, 40);
    ReleaseCapture();
    EXPECT_EQ(receiver.Last(kMove)->a, 65531);
    EXPECT_EQ(receiver.Last(kMove)->b, 40);
}

TEST_F(ControlTest, WheelDeltasBecomeNotchesTruncatedTowardZeroAndKeysArriveNormalised) {
    rg_HuaBan painter;
    painter.SetStyle(painter.GetStyle() | WS_TABSTOP);
    HWND h = host.Make(painter, 0, 0, 100, 100);
    BindEvent(painter, painter.mouseWheel, Pair<kWheel>, receiver.self);
    BindEvent(painter, painter.keyDown, Pair<kKeyDown>, receiver.self);
    for (int delta : {119, -119, 360}) PostMessageW(h, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(delta)), 0);
    SetFocus(h);
    MoveTo(h, 20, 20);
    SendInputs({MouseInput(MOUSEEVENTF_WHEEL, 0, 0, -240)});  // a real turn goes to the focus
    qeltest::Pump(30);
    ASSERT_EQ(receiver.Count(kWheel), 4);
    EXPECT_EQ(receiver.log[0].a, 0);
    EXPECT_EQ(receiver.log[1].a, 0);
    EXPECT_EQ(receiver.log[2].a, 3);
    EXPECT_EQ(receiver.log[2].b, 0x8000);
    EXPECT_EQ(receiver.log[3].a, -2);

    receiver.log.clear();
    PressKeys({VK_CONTROL, 'A'});
    PostMessageW(h, WM_KEYDOWN, VK_NUMPAD5, 0);
    PostMessageW(h, WM_KEYDOWN, 0xE5, 0);  // a key without a name is still raised, as 0
    qeltest::Pump(10);
    ASSERT_EQ(receiver.Count(kKeyDown), 4);
    EXPECT_EQ(receiver.log[0].a, 0x11);  // Ctrl alone reports itself without its own bit
    EXPECT_EQ(receiver.log[0].b, 0);
    EXPECT_EQ(receiver.log[1].a, 0x41);
    EXPECT_EQ(receiver.log[1].b, 0x2000);
    EXPECT_EQ(receiver.log[2].a, 0x35);
    EXPECT_EQ(receiver.log[3].a, 0);
    EXPECT_EQ(receiver.log[3].b, 0);
}

int32_t g_charAnswer = 0;
std::vector<wchar_t> g_windowChars;
WNDPROC g_previous = nullptr;
LRESULT CALLBACK RecordChars(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) g_windowChars.push_back(static_cast<wchar_t>(wParam));
    return CallWindowProcW(g_previous, hwnd, message, wParam, lParam);
}

TEST_F(ControlTest, ACharacterHandlerLeavesRemovesOrReplacesTheCharacter) {
    rg_HuaBan painter;
    HWND h = host.Make(painter, 0, 0, 100, 100);
    BindEvent(painter, painter.character,
              [](CQelObject* r, CQelObject* s, uint32_t, wchar_t c) { return Note(r, "char", s, c), g_charAnswer; },
              receiver.self);
    g_previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordChars)));
    SetFocus(h);
    for (auto [key, answer] : {std::pair{'B', 0}, {'C', -1}, {'D', 0x41}}) {
        g_charAnswer = answer;
        PressKeys({static_cast<WORD>(key)});
    }
    SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
    ASSERT_EQ(receiver.log.size(), 3u);
    EXPECT_EQ(receiver.log[2].a, L'd');
    EXPECT_EQ(g_windowChars, (std::vector<wchar_t>{L'b', L'A'}));
}

TEST_F(ControlTest, AnyMessageComesFirstFocusEventsComeFromSentMessagesAndSetCursorNeedsACursor) {
    rg_HuaBan painter;
    rg_AnNiu button;
    HWND h = host.Make(painter, 0, 0, 100, 100);
    host.Make(button, 120, 0, 80, 30);
    static std::vector<UINT> seen;
    seen.clear();
    BindEvent(painter, painter.anyMessage,
              [](CQelObject*, CQelObject*, uint32_t, HWND, uint32_t m, WPARAM, LPARAM, MSG* rec) -> int32_t {
                  seen.push_back(m);
                  return rec->message == WM_RBUTTONDOWN;  // consumes right presses only
              },
              receiver.self);
    BindEvent(painter, painter.rightButtonDown, Mouse<kLeftDown>, receiver.self);
    BindEvent(painter, painter.gotFocus, Plain<kGotFocus>, receiver.self);
    BindEvent(painter, painter.lostFocus, Plain<kLostFocus>, receiver.self);
    PostMessageW(h, WM_RBUTTONDOWN, 0, 0);
    SetFocus(h);
    SetFocus(button.GetHwnd());
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kLeftDown), 0);
    EXPECT_EQ(receiver.Count(kGotFocus), 1);
    EXPECT_EQ(receiver.Count(kLostFocus), 1);
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_SETFOCUS)), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_RBUTTONDOWN)), seen.end());

    HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    HCURSOR cross = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_CROSS));
    const auto setCursor = [&] { return SendMessageW(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)); };
    ::SetCursor(cross);
    setCursor();
    EXPECT_EQ(GetCursor(), arrow);  // not consumed: the class cursor
    painter.SetCursor(cross);
    ::SetCursor(arrow);
    EXPECT_EQ(setCursor(), 1);
    EXPECT_EQ(GetCursor(), cross);
}

TEST_F(ControlTest, ADeadReceiverOrAnotherListeningCopyMeansNoEvents) {
    rg_HuaBan first;
    HWND h = host.Make(first, 0, 0, 100, 100);
    auto* mortal = new Receiver;
    mortal->answer = 1;
    BindEvent(first, first.leftButtonDown, Mouse<kLeftDown>, mortal->self);
    MSG msg{h, WM_LBUTTONDOWN, 0, MAKELPARAM(3, 3), 0, {0, 0}};
    EXPECT_TRUE(first.PreDispatchMessage(&msg));
    delete mortal;
    EXPECT_FALSE(first.PreDispatchMessage(&msg));  // dropped, not consumed

    rg_HuaBan second(first);
    BindEvent(first, first.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    Receiver other;
    BindEvent(second, second.leftButtonDown, Mouse<kLeftDown>, other.self);  // the last to attach wins
    PostMessageW(h, WM_LBUTTONDOWN, 0, 0);
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kLeftDown), 0);
    EXPECT_EQ(other.Count(kLeftDown), 1);
    first.DetachListener();  // not its listener: nothing changes
    EXPECT_TRUE(second.HasListener());
    first.AttachListener();
    PostMessageW(h, WM_LBUTTONDOWN, 0, 0);
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kLeftDown), 1);
}

TEST_F(ControlTest, AHandlerMayDestroyItsOwnControl) {
    auto* painter = new rg_HuaBan;
    HWND h = host.Make(*painter, 0, 0, 100, 100);
    BindEvent(*painter, painter->leftButtonDown,
              [](CQelObject* r, CQelObject* s, uint32_t, int32_t, int32_t, int32_t) {
                  static_cast<CQelWinControl*>(s)->Delete();
                  return Note(r, "destroyed it", nullptr);
              },
              receiver.self);
    PostMessageW(h, WM_LBUTTONDOWN, 0, 0);
    PostMessageW(h, WM_LBUTTONUP, 0, 0);
    qeltest::Pump(20);
    EXPECT_EQ(receiver.Count("destroyed it"), 1);
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(ControlTest, PropertiesAreStoredBeforeTheWindowAndActOnItAfterwards) {
    rg_BiaoQian label;
    label.SetText(L"stored");
    label.SetWidth(300);
    label.Hide();
    EXPECT_EQ(label.GetStyle() & WS_VISIBLE, 0u);
    HWND h = host.Make(label, 10, 10, 100, 20);
    EXPECT_FALSE(IsWindowVisible(h));
    CWString text;
    label.GetText(text);
    EXPECT_STREQ(text.GetText(), L"stored");
    ShowWindow(h, SW_SHOW);
    label.SetWidth(150);
    label.SetHeight(33);
    RECT rc;
    GetWindowRect(h, &rc);
    EXPECT_EQ(rc.right - rc.left, 150);
    EXPECT_EQ(rc.bottom - rc.top, 33);
    UpdateWindow(h);
    label.SetText(L"new");  // a label repaints; a container does not
    EXPECT_TRUE(GetUpdateRect(h, &rc, FALSE));
    rg_ZuJianBuJuQi inner;
    HWND c = host.Make(inner, 200, 0, 100, 100);
    UpdateWindow(c);
    inner.SetText(L"title");
    EXPECT_FALSE(GetUpdateRect(c, &rc, FALSE));
    label.Hide();
    EXPECT_FALSE(IsWindowVisible(h));
}

}  // namespace
