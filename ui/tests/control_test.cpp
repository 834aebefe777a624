// Control base: creation skeleton, copies sharing one window, listener attachment, the thirteen base
// events with their argument encodings from real input, WM_SETCURSOR and the property operations.
#include <gtest/gtest.h>

#include "QelButton.h"
#include "QelLabel.h"
#include "QelPainter.h"
#include "QelSlider.h"
#include "RuntimeUtil.h"
#include "ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

std::string ClassName(const CQelObject& o) { return o.GetClassRecord()->name; }

TEST(ControlBase, KindsWithoutAWindowOfTheirOwnCannotBeCreated) {
    CQelCreateRecord record;
    CQelWinControl plain;
    CQelWinContainer container;
    rg_AnNiuJiChuLei buttonBase;
    EXPECT_FALSE(plain.Create(record));
    EXPECT_FALSE(container.Create(record));
    EXPECT_FALSE(buttonBase.Create(record));
    EXPECT_EQ(plain.GetWndObject(), nullptr);
    EXPECT_EQ(buttonBase.GetWndObject(), nullptr);
    EXPECT_FALSE(buttonBase.HasListener());
    buttonBase.AttachListener();  // nothing to attach to, and no crash
    EXPECT_EQ(ClassName(plain), "rg_Zarno_MFCJieMian_JiBen::CQelWinControl");
    EXPECT_EQ(ClassName(container), "rg_Zarno_MFCJieMian_JiBen::CQelWinContainer");
    EXPECT_EQ(ClassName(buttonBase), "rg_Zarno_MFCJieMian_JiBen::rg_AnNiuJiChuLei");
    EXPECT_EQ(ClassName(rg_AnNiu()), "rg_Zarno_MFCJieMian_JiBen::rg_AnNiu");
    EXPECT_EQ(ClassName(rg_BiaoQian()), "rg_Zarno_MFCJieMian_JiBen::rg_BiaoQian");
    EXPECT_EQ(ClassName(rg_HuaKuaiTiao()), "rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao");
    EXPECT_EQ(ClassName(rg_HuaBan()), "rg_Zarno_MFCJieMian_JiBen::rg_HuaBan");
    EXPECT_EQ(ClassName(rg_ZuJianBuJuQi()), "rg_Zarno_MFCJieMian_JiBen::rg_ZuJianBuJuQi");
    rg_AnNiu button;
    EXPECT_EQ(button.IsKindOf(rg_AnNiuJiChuLei::StaticRecord()), 1);
    EXPECT_EQ(button.IsKindOf(CQelWinControl::StaticRecord()), 1);
    EXPECT_EQ(button.IsKindOf(rg_Zarno_JiBen::rg_CanKaoDuiXiangLei::StaticRecord()), 1);
    EXPECT_EQ(button.IsKindOf(rg_BiaoQian::StaticRecord()), 0);
}

TEST(ControlBase, WindowDataHasItsOwnRecordAndTheKindsDefaultStyles) {
    rg_AnNiu button;
    rg_HuaKuaiTiao slider;
    rg_BiaoQian label;
    rg_HuaBan painter;
    rg_ZuJianBuJuQi container;
    EXPECT_STREQ(button.GetWndObject()->GetClassRecord()->name, "CMfcWndObject");
    EXPECT_EQ(button.GetWndObject()->IsKindOf(CRefObject::StaticRefRecord()), 1);
    EXPECT_EQ(button.GetStyle(), 0x14012000u);
    EXPECT_EQ(slider.GetStyle(), 0x14000001u);
    EXPECT_EQ(label.GetStyle(), 0x14000000u);
    EXPECT_EQ(painter.GetStyle(), 0x14000000u);
    EXPECT_EQ(container.GetStyle(), 0x14000000u);
    EXPECT_EQ(button.GetWndObject()->exStyle, 0u);
    EXPECT_EQ(button.GetWndObject()->GetRefCount(), 1);
    EXPECT_FALSE(button.HasNativeWindow());
}

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host.created); }
    Host host;
    Receiver receiver;
};

TEST_F(ControlTest, CreateFillsTheRecordAndASecondCreateChangesNothing) {
    rg_BiaoQian label;
    label.SetText(L"first");
    CQelCreateRecord record = host.Child(5, 6, 70, 20, 31);
    record.style = WS_TABSTOP;  // callers pass 0; the window data decides
    ASSERT_TRUE(label.Create(record));
    EXPECT_EQ(record.style & WS_CHILD, static_cast<uint32_t>(WS_CHILD));
    EXPECT_EQ(record.style & WS_TABSTOP, 0u);
    EXPECT_STREQ(record.title, L"first");
    EXPECT_EQ(record.font, GetStockObject(DEFAULT_GUI_FONT));
    HWND hwnd = label.GetHwnd();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetDlgCtrlID(hwnd), 31);
    EXPECT_EQ(GetParent(hwnd), host.hwnd());
    RECT rc;
    GetWindowRect(hwnd, &rc);
    MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 5);
    EXPECT_EQ(rc.top, 6);
    EXPECT_EQ(rc.right - rc.left, 70);

    CQelCreateRecord again = host.Child(1, 2, 3, 4, 5);
    again.style = 0x1234;
    again.title = L"untouched";
    EXPECT_FALSE(label.Create(again));
    EXPECT_EQ(again.style, 0x1234u);
    EXPECT_STREQ(again.title, L"untouched");
    EXPECT_EQ(again.font, nullptr);
    EXPECT_EQ(label.GetHwnd(), hwnd);

    // After the native window is gone the control can be created again.
    DestroyWindow(hwnd);
    EXPECT_FALSE(label.HasNativeWindow());
    CQelCreateRecord third = host.Child(0, 0, 10, 10);
    EXPECT_TRUE(label.Create(third));
    EXPECT_NE(label.GetHwnd(), nullptr);
}

TEST_F(ControlTest, TopLevelRecordsDropWsChildAndAPopupParentedWindowKeepsItOff) {
    rg_HuaBan painter;
    painter.SetStyle(WS_POPUP | WS_CHILD);
    CQelCreateRecord record;
    record.x = 0;
    record.y = 0;
    record.width = 30;
    record.height = 30;
    ASSERT_TRUE(painter.Create(record));
    EXPECT_EQ(record.style & WS_CHILD, 0u);
    EXPECT_EQ(GetWindowLongW(painter.GetHwnd(), GWL_STYLE) & WS_CHILD, 0);
    rg_HuaBan popup;
    popup.SetStyle(WS_POPUP);
    CQelCreateRecord withParent = host.Child(0, 0, 30, 30);
    ASSERT_TRUE(popup.Create(withParent));
    EXPECT_EQ(withParent.style & WS_CHILD, 0u);
}

TEST_F(ControlTest, AfterCreateMakesKeyWantingWindowsTabStopsAndRemovesBordersTheClassAdded) {
    rg_HuaKuaiTiao slider;
    CQelCreateRecord record = host.Child(0, 0, 150, 30);
    ASSERT_TRUE(slider.Create(record));
    // The trackbar wants arrow keys, so it became a tab stop although the record had none.
    EXPECT_EQ(record.style & WS_TABSTOP, 0u);
    EXPECT_NE(GetWindowLongW(slider.GetHwnd(), GWL_STYLE) & WS_TABSTOP, 0);

    // A window class that answers WM_GETDLGCODE with DLGC_STATIC stays without a tab stop.
    rg_BiaoQian label;
    CQelCreateRecord lr = host.Child(0, 40, 50, 20);
    ASSERT_TRUE(label.Create(lr));
    EXPECT_EQ(GetWindowLongW(label.GetHwnd(), GWL_STYLE) & WS_TABSTOP, 0);

    // An overlapped top-level window gets a caption (and with it WS_BORDER) from the system; the
    // record had no border, so it is removed again.
    rg_HuaBan painter;
    painter.SetStyle(WS_VISIBLE);
    CQelCreateRecord tr;
    tr.x = 10;
    tr.y = 10;
    tr.width = 100;
    tr.height = 80;
    ASSERT_TRUE(painter.Create(tr));
    EXPECT_EQ(GetWindowLongW(painter.GetHwnd(), GWL_STYLE) & WS_BORDER, 0);
    // A border the record asked for stays.
    rg_HuaBan bordered;
    bordered.SetStyle(WS_VISIBLE | WS_BORDER);
    CQelCreateRecord br = host.Child(0, 0, 40, 40);
    ASSERT_TRUE(bordered.Create(br));
    EXPECT_NE(GetWindowLongW(bordered.GetHwnd(), GWL_STYLE) & WS_BORDER, 0);
}

TEST_F(ControlTest, AfterCreateSendsTheWindowDataFontToTheWindow) {
    LOGFONTW lf{};
    lf.lfHeight = -20;
    lf.lfWeight = FW_BOLD;
    rg_AnNiu button;
    button.SetFont(CreateFontIndirectW(&lf));
    HFONT owned = button.GetWndObject()->font;
    CQelCreateRecord record = host.Child(0, 0, 80, 30);
    ASSERT_TRUE(button.Create(record));
    EXPECT_EQ(record.font, owned);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button.GetHwnd(), WM_GETFONT, 0, 0)), owned);
}

TEST_F(ControlTest, CopiesShareOneWindowThatLivesUntilTheLastCopyGoes) {
    rg_BiaoQian* original = new rg_BiaoQian;
    CQelCreateRecord record = host.Child(0, 0, 100, 20);
    ASSERT_TRUE(original->Create(record));
    HWND hwnd = original->GetHwnd();
    rg_BiaoQian* copy = static_cast<rg_BiaoQian*>(original->Clone());
    EXPECT_EQ(copy->GetWndObject(), original->GetWndObject());
    EXPECT_EQ(original->GetWndObject()->GetRefCount(), 2);
    EXPECT_EQ(copy->IsEqual(*original), 1);

    copy->SetText(L"through the copy");
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    EXPECT_STREQ(text, L"through the copy");
    original->SetText(L"through the original");
    CWString read;
    copy->GetText(read);
    EXPECT_STREQ(read.GetText(), L"through the original");

    // The auxiliary text is each copy's own and takes part in equality.
    copy->auxText.Append(L"x");
    EXPECT_EQ(copy->IsEqual(*original), 0);
    copy->auxText.SetEmpty();

    original->Delete();
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(copy->GetWndObject()->GetRefCount(), 1);
    copy->Delete();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(ControlTest, CopyFromDetachesTheOldListenerAndResetGivesANewUncreatedWindow) {
    rg_HuaBan a, b;
    ASSERT_TRUE(a.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 50, 50))));
    ASSERT_TRUE(b.Create(*std::make_unique<CQelCreateRecord>(host.Child(60, 0, 50, 50))));
    BindEvent(a, a.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    ASSERT_EQ(a.GetPainterWnd()->listener, static_cast<IPainterEventListener*>(&a));
    CQWnd_Painter* oldWindow = a.GetPainterWnd();
    HWND oldHwnd = a.GetHwnd();

    // a takes b's window: the old window no longer points at a, and a does not listen to b's window
    // until it binds again.
    EXPECT_EQ(a.CopyFrom(b), 1);
    EXPECT_FALSE(IsWindow(oldHwnd));  // a held the last reference to its old window
    EXPECT_EQ(a.GetWndObject(), b.GetWndObject());
    EXPECT_FALSE(a.HasListener());
    // Kind test: a label cannot be copied into a painter.
    rg_BiaoQian label;
    EXPECT_EQ(a.CopyFrom(label), 0);
    EXPECT_EQ(a.GetWndObject(), b.GetWndObject());
    (void)oldWindow;

    // Reset: a new window data with a new window object and no native window.
    CMfcWndObject* shared = b.GetWndObject();
    a.Reset();
    EXPECT_NE(a.GetWndObject(), shared);
    ASSERT_NE(a.GetWndObject(), nullptr);
    EXPECT_FALSE(a.HasNativeWindow());
    EXPECT_EQ(a.GetStyle(), 0x14000000u);
    EXPECT_EQ(shared->GetRefCount(), 1);
    EXPECT_TRUE(b.HasNativeWindow());
}

TEST_F(ControlTest, AssigningAControlThatListensDoesNotLeaveItsOldWindowPointingAtIt) {
    rg_HuaBan* a = new rg_HuaBan;
    rg_HuaBan keeper;
    ASSERT_TRUE(a->Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 50, 50))));
    keeper = *a;  // keeps the first window alive
    BindEvent(*a, a->leftButtonDown, Mouse<kLeftDown>, receiver.self);
    rg_HuaBan other;
    *a = other;  // plain assignment, not CopyFrom
    EXPECT_EQ(keeper.GetPainterWnd()->listener, nullptr);
    a->Delete();
    // The first window is still there and its messages reach no dead control.
    PostMessageW(keeper.GetHwnd(), WM_LBUTTONDOWN, 0, MAKELPARAM(3, 4));
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kLeftDown), 0);
}

TEST_F(ControlTest, LeftPressWithCtrlReportsPositionAndModifiersFromRealInput) {
    rg_HuaBan painter;
    ASSERT_TRUE(painter.Create(*std::make_unique<CQelCreateRecord>(host.Child(20, 20, 200, 150))));
    BindEvent(painter, painter.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    BindEvent(painter, painter.leftButtonUp, Mouse<kLeftUp>, receiver.self);
    ClickAt(painter.GetHwnd(), 10, 20, {VK_CONTROL});
    const Event* down = receiver.Last(kLeftDown);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->sender, &painter);
    EXPECT_EQ(down->a, 10);
    EXPECT_EQ(down->b, 20);
    EXPECT_EQ(down->c, 0x2000);
    ASSERT_NE(receiver.Last(kLeftUp), nullptr);

    ClickAt(painter.GetHwnd(), 10, 20, {VK_CONTROL, VK_SHIFT, VK_MENU});
    down = receiver.Last(kLeftDown);
    ASSERT_EQ(receiver.Count(kLeftDown), 2);
    EXPECT_EQ(down->c, 0xE000);
    ClickAt(painter.GetHwnd(), 7, 8);
    EXPECT_EQ(receiver.Last(kLeftDown)->c, 0);
    EXPECT_EQ(receiver.Last(kLeftDown)->a, 7);
}

TEST_F(ControlTest, ACapturedMoveLeftOfTheWindowArrivesAsAnUnsignedCoordinate) {
    rg_HuaBan painter;
    ASSERT_TRUE(painter.Create(*std::make_unique<CQelCreateRecord>(host.Child(50, 50, 200, 150))));
    BindEvent(painter, painter.mouseMove, Mouse<kMove>, receiver.self);
    MoveTo(painter.GetHwnd(), 30, 40);
    SetCapture(painter.GetHwnd());
    receiver.log.clear();
    MoveTo(painter.GetHwnd(), -5, 40);
    ReleaseCapture();
    const Event* move = receiver.Last(kMove);
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(move->a, 65531);
    EXPECT_EQ(move->b, 40);
}

TEST_F(ControlTest, WheelDeltasBecomeWholeNotchesTruncatedTowardZero) {
    rg_HuaBan painter;
    ASSERT_TRUE(painter.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 100))));
    BindEvent(painter, painter.mouseWheel, Pair<kWheel>, receiver.self);
    HWND hwnd = painter.GetHwnd();
    for (int delta : {119, -119, -240, 360}) {
        PostMessageW(hwnd, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(delta)), MAKELPARAM(10, 10));
    }
    qeltest::Pump(10);
    ASSERT_EQ(receiver.Count(kWheel), 4);
    EXPECT_EQ(receiver.log[0].a, 0);
    EXPECT_EQ(receiver.log[1].a, 0);
    EXPECT_EQ(receiver.log[2].a, -2);
    EXPECT_EQ(receiver.log[3].a, 3);
    EXPECT_EQ(receiver.log[2].b, 0x8000);
    // A real wheel turn goes to the focused window.
    SetFocus(hwnd);
    receiver.log.clear();
    MoveTo(hwnd, 20, 20);
    SendInputs({MouseInput(MOUSEEVENTF_WHEEL, 0, 0, -240)});
    qeltest::Pump(30);
    ASSERT_EQ(receiver.Count(kWheel), 1);
    EXPECT_EQ(receiver.log[0].a, -2);
}

TEST_F(ControlTest, KeysArriveNormalisedWithTheirModifiersSplitOff) {
    rg_HuaBan painter;
    painter.SetStyle(painter.GetStyle() | WS_TABSTOP);
    ASSERT_TRUE(painter.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 100))));
    BindEvent(painter, painter.keyDown, Pair<kKeyDown>, receiver.self);
    BindEvent(painter, painter.keyUp, Pair<kKeyUp>, receiver.self);
    SetFocus(painter.GetHwnd());
    ASSERT_EQ(GetFocus(), painter.GetHwnd());
    SendInputs({KeyInput(VK_CONTROL, false), KeyInput('A', false), KeyInput('A', true), KeyInput(VK_CONTROL, true)});
    qeltest::Pump(30);
    // Ctrl alone reports itself without its own bit; A with Ctrl reports 0x41 and 0x2000.
    ASSERT_GE(receiver.Count(kKeyDown), 2);
    const Event& ctrl = receiver.log[0];
    EXPECT_STREQ(ctrl.name, kKeyDown);
    EXPECT_EQ(ctrl.a, 0x11);
    EXPECT_EQ(ctrl.b, 0);
    const Event& a = receiver.log[1];
    EXPECT_EQ(a.a, 0x41);
    EXPECT_EQ(a.b, 0x2000);
    const Event* up = receiver.Last(kKeyUp);
    ASSERT_NE(up, nullptr);
    // A keypad digit reports the digit key; a key without a name reports code 0 and is still raised.
    receiver.log.clear();
    PostMessageW(painter.GetHwnd(), WM_KEYDOWN, VK_NUMPAD5, 0);
    PostMessageW(painter.GetHwnd(), WM_KEYDOWN, 0xE5, 0);
    qeltest::Pump(10);
    ASSERT_EQ(receiver.Count(kKeyDown), 2);
    EXPECT_EQ(receiver.log[0].a, 0x35);
    EXPECT_EQ(receiver.log[1].a, 0);
    EXPECT_EQ(receiver.log[1].b, 0);
}

int32_t g_charAnswer = 0;
std::vector<wchar_t> g_charsSeen;
int32_t CharHandler(CQelObject* r, CQelObject* s, uint32_t, wchar_t c) {
    AsReceiver(r)->log.push_back({"char", s, c, 0, 0, 0});
    return g_charAnswer;
}
WNDPROC g_previousProc = nullptr;
LRESULT CALLBACK RecordChars(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) g_charsSeen.push_back(static_cast<wchar_t>(wParam));
    return CallWindowProcW(g_previousProc, hwnd, message, wParam, lParam);
}

TEST_F(ControlTest, ACharacterHandlerCanRemoveOrReplaceTheCharacter) {
    rg_HuaBan painter;
    ASSERT_TRUE(painter.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 100))));
    BindEvent(painter, painter.character, CharHandler, receiver.self);
    HWND hwnd = painter.GetHwnd();
    // Watch what the window itself receives, behind the window object.
    g_previousProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordChars)));
    SetFocus(hwnd);
    g_charsSeen.clear();

    g_charAnswer = 0;  // unchanged
    SendInputs({KeyInput('B', false), KeyInput('B', true)});
    qeltest::Pump(30);
    g_charAnswer = -1;  // removed
    SendInputs({KeyInput('C', false), KeyInput('C', true)});
    qeltest::Pump(30);
    g_charAnswer = 0x41;  // replaced by 'A'
    SendInputs({KeyInput('D', false), KeyInput('D', true)});
    qeltest::Pump(30);

    ASSERT_EQ(receiver.log.size(), 3u);
    EXPECT_EQ(receiver.log[0].a, L'b');
    EXPECT_EQ(receiver.log[1].a, L'c');
    EXPECT_EQ(receiver.log[2].a, L'd');
    ASSERT_EQ(g_charsSeen.size(), 2u);
    EXPECT_EQ(g_charsSeen[0], L'b');
    EXPECT_EQ(g_charsSeen[1], L'A');
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previousProc));
}

int32_t g_anyAnswer = 0;
std::vector<UINT> g_anyMessages;
int32_t AnyMessage(CQelObject*, CQelObject*, uint32_t, HWND, uint32_t message, WPARAM, LPARAM, MSG* record) {
    g_anyMessages.push_back(message);
    // Only the button press is consumed; the record is the message itself.
    return record && record->message == message && message == WM_LBUTTONDOWN ? g_anyAnswer : 0;
}
bool Saw(UINT message) {
    for (UINT m : g_anyMessages) {
        if (m == message) return true;
    }
    return false;
}

TEST_F(ControlTest, TheAnyMessageEventSeesMessagesFirstAndCanConsumeThem) {
    rg_HuaBan painter;
    ASSERT_TRUE(painter.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 100))));
    BindEvent(painter, painter.anyMessage, AnyMessage, receiver.self);
    BindEvent(painter, painter.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    g_anyMessages.clear();
    g_anyAnswer = 0;
    PostMessageW(painter.GetHwnd(), WM_LBUTTONDOWN, 0, MAKELPARAM(1, 2));
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kLeftDown), 1);
    EXPECT_TRUE(Saw(WM_LBUTTONDOWN));
    g_anyAnswer = 1;
    PostMessageW(painter.GetHwnd(), WM_LBUTTONDOWN, 0, MAKELPARAM(1, 2));
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kLeftDown), 1);
    // Sent focus messages reach it through the window procedure hook.
    g_anyAnswer = 0;
    g_anyMessages.clear();
    SetFocus(painter.GetHwnd());
    EXPECT_TRUE(Saw(WM_SETFOCUS));
}

TEST_F(ControlTest, FocusEventsComeFromTheSentMessagesAndAConsumedOneSkipsTheWindow) {
    rg_HuaBan painter;
    painter.SetStyle(painter.GetStyle() | WS_TABSTOP);
    ASSERT_TRUE(painter.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 100))));
    rg_AnNiu button;
    ASSERT_TRUE(button.Create(*std::make_unique<CQelCreateRecord>(host.Child(120, 0, 80, 30))));
    BindEvent(painter, painter.gotFocus, Plain<kGotFocus>, receiver.self);
    BindEvent(painter, painter.lostFocus, Plain<kLostFocus>, receiver.self);
    SetFocus(painter.GetHwnd());
    SetFocus(button.GetHwnd());
    EXPECT_EQ(receiver.Count(kGotFocus), 1);
    EXPECT_EQ(receiver.Count(kLostFocus), 1);
    EXPECT_EQ(receiver.log[0].sender, &painter);
}

TEST_F(ControlTest, SetCursorIsConsumedOnlyWhenTheWindowDataHoldsACursor) {
    rg_HuaBan painter;
    ASSERT_TRUE(painter.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 100))));
    BindEvent(painter, painter.leftButtonDown, Mouse<kLeftDown>, receiver.self);  // attaches
    HWND hwnd = painter.GetHwnd();
    HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    HCURSOR cross = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_CROSS));
    ::SetCursor(cross);
    // Without a cursor the message is not consumed: the default processing shows the class cursor.
    LRESULT r = SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), arrow);
    painter.SetCursor(cross);
    ::SetCursor(arrow);
    r = SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(GetCursor(), cross);
    // A posted record of WM_SETCURSOR is decided the same way.
    MSG msg{hwnd, WM_SETCURSOR, 0, 0, 0, {0, 0}};
    EXPECT_TRUE(painter.PreDispatchMessage(&msg));
    painter.SetCursor(nullptr);
    EXPECT_FALSE(painter.PreDispatchMessage(&msg));
}

TEST_F(ControlTest, EventsToADeadReceiverAreDroppedAndTheWindowBehavesAsUnbound) {
    rg_HuaBan painter;
    ASSERT_TRUE(painter.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 100))));
    auto* mortal = new Receiver;
    mortal->answer = 1;
    BindEvent(painter, painter.leftButtonDown, Mouse<kLeftDown>, mortal->self);
    CQelObjectPointer* pointer = mortal->self;
    pointer->AddRef();
    MSG msg{painter.GetHwnd(), WM_LBUTTONDOWN, 0, MAKELPARAM(3, 3), 0, {0, 0}};
    EXPECT_TRUE(painter.PreDispatchMessage(&msg));
    EXPECT_EQ(mortal->Count(kLeftDown), 1);
    delete mortal;
    EXPECT_EQ(pointer->target, nullptr);
    EXPECT_FALSE(painter.PreDispatchMessage(&msg));
    EXPECT_EQ(pointer->GetRefCount(), 2);  // the slot and this test
    pointer->Release();
    // Posted through the loop: not consumed, so the window processes it normally.
    PostMessageW(painter.GetHwnd(), WM_LBUTTONDOWN, 0, MAKELPARAM(3, 3));
    qeltest::Pump(10);
}

TEST_F(ControlTest, BindingTwiceKeepsOneReferenceOnTheHolder) {
    rg_AnNiu button;
    const int64_t before = receiver.self->GetRefCount();
    BindEvent(button, button.clicked, Plain<kClicked>, receiver.self);
    BindEvent(button, button.clicked, Plain<kClicked>, receiver.self);
    EXPECT_EQ(receiver.self->GetRefCount(), before + 1);
    Receiver other;
    BindEvent(button, button.clicked, Plain<kClicked>, other.self);
    EXPECT_EQ(receiver.self->GetRefCount(), before);
    EXPECT_EQ(other.self->GetRefCount(), 2);
    // Binding before creation attaches: the created window already has the listener.
    ASSERT_TRUE(button.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 80, 30))));
    EXPECT_TRUE(button.HasListener());
}

TEST_F(ControlTest, AControlReceivesNothingWhileAnotherCopyIsTheListener) {
    rg_HuaBan first;
    ASSERT_TRUE(first.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 100))));
    rg_HuaBan second(first);
    Receiver r2;
    r2.answer = 0;
    BindEvent(first, first.leftButtonDown, Mouse<kLeftDown>, receiver.self);
    BindEvent(second, second.leftButtonDown, Mouse<kLeftDown>, r2.self);  // the last to attach wins
    EXPECT_TRUE(first.HasListener());  // someone listens
    PostMessageW(first.GetHwnd(), WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kLeftDown), 0);
    EXPECT_EQ(r2.Count(kLeftDown), 1);
    // Detaching the first does not disturb the second; attaching again switches back.
    first.DetachListener();
    EXPECT_NE(first.GetPainterWnd()->listener, nullptr);
    first.AttachListener();
    PostMessageW(first.GetHwnd(), WM_LBUTTONDOWN, 0, MAKELPARAM(1, 1));
    qeltest::Pump(10);
    EXPECT_EQ(receiver.Count(kLeftDown), 1);
    EXPECT_EQ(r2.Count(kLeftDown), 1);
}

int32_t DestroyOnPress(CQelObject* r, CQelObject* s, uint32_t, int32_t, int32_t, int32_t) {
    AsReceiver(r)->log.push_back({"destroying", s, 0, 0, 0, 0});
    // The handler releases the last copy of the control while its window is handling the message.
    static_cast<CQelWinControl*>(s)->Delete();
    return 0;
}

TEST_F(ControlTest, AHandlerMayDestroyItsOwnControl) {
    auto* painter = new rg_HuaBan;
    ASSERT_TRUE(painter->Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 100))));
    HWND hwnd = painter->GetHwnd();
    BindEvent(*painter, painter->leftButtonDown, DestroyOnPress, receiver.self);
    PostMessageW(hwnd, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
    PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    qeltest::Pump(20);
    EXPECT_EQ(receiver.Count("destroying"), 1);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(ControlTest, PropertiesActOnTheWindowOnceItExistsAndAreStoredBefore) {
    rg_BiaoQian label;
    label.SetText(L"stored");
    label.SetWidth(300);   // nothing without a window
    label.Hide();
    EXPECT_EQ(label.GetStyle() & WS_VISIBLE, 0u);
    CWString text;
    label.GetText(text);
    EXPECT_STREQ(text.GetText(), L"stored");
    CQelCreateRecord record = host.Child(10, 10, 100, 20);
    ASSERT_TRUE(label.Create(record));
    EXPECT_FALSE(IsWindowVisible(label.GetHwnd()));
    wchar_t title[32] = {};
    GetWindowTextW(label.GetHwnd(), title, 32);
    EXPECT_STREQ(title, L"stored");
    ShowWindow(label.GetHwnd(), SW_SHOW);
    label.SetWidth(150);
    label.SetHeight(33);
    RECT rc;
    GetWindowRect(label.GetHwnd(), &rc);
    EXPECT_EQ(rc.right - rc.left, 150);
    EXPECT_EQ(rc.bottom - rc.top, 33);
    MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 10);
    label.Hide();
    EXPECT_FALSE(IsWindowVisible(label.GetHwnd()));
    // A label's text change repaints it; the window data keeps the text it had at creation.
    ShowWindow(label.GetHwnd(), SW_SHOW);
    UpdateWindow(label.GetHwnd());
    ValidateRect(label.GetHwnd(), nullptr);
    label.SetText(L"new");
    RECT update;
    EXPECT_TRUE(GetUpdateRect(label.GetHwnd(), &update, FALSE));
    EXPECT_STREQ(label.GetWndObject()->text.GetText(), L"stored");
}

TEST_F(ControlTest, SettingTheTextOfAContainerDoesNotInvalidateIt) {
    rg_ZuJianBuJuQi inner;
    ASSERT_TRUE(inner.Create(*std::make_unique<CQelCreateRecord>(host.Child(0, 0, 100, 100))));
    UpdateWindow(inner.GetHwnd());
    ValidateRect(inner.GetHwnd(), nullptr);
    inner.SetText(L"title");
    RECT update;
    EXPECT_FALSE(GetUpdateRect(inner.GetHwnd(), &update, FALSE));
    wchar_t title[16] = {};
    GetWindowTextW(inner.GetHwnd(), title, 16);
    EXPECT_STREQ(title, L"title");
}

}  // namespace
