// Form creation: default geometry, caption rules and border styles, start states, menus, frame
// properties, failures and resources.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ui/QelForm.h"
#include "ui/tests/form_test_support.h"
#include "ui/tests/menu_test_util.h"

using namespace formtest;

namespace {

constexpr DWORD kBase = WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

TEST(FormCreate, DefaultGeometryGivesTheDesignClientAreaCentredOnThePrimaryScreenWithTheDefaultTitle) {
    TestForm form(800, 600);
    CQelCreateRecord record = TopRecord();
    ASSERT_TRUE(form.Create(record));
    HWND h = form.GetHwnd();
    ASSERT_NE(h, nullptr);
    const SIZE client = ClientSize(h);
    EXPECT_EQ(client.cx, 800);
    EXPECT_EQ(client.cy, 600);
    const RECT outer = WindowRect(h);
    EXPECT_EQ(outer.right - outer.left, record.width);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - record.width) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - record.height) / 2);
    EXPECT_EQ(TextOf(h), L"Ferovel V1.3  Osk");
    const DWORD style = StyleOf(h);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_EQ(style & kBase, kBase);
    EXPECT_TRUE(ExStyleOf(h) & WS_EX_CONTROLPARENT);
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    EXPECT_STREQ(cls, L"QelWinForm");
    // A form that has its window refuses a second creation and leaves the record alone.
    CQelCreateRecord again = TopRecord(1, 2, 3, 4);
    EXPECT_FALSE(form.Create(again));
    EXPECT_EQ(again.style, 0u);
    EXPECT_EQ(again.width, 3);
}

TEST(FormCreate, CaptionFollowsBorderStyleCaptionFlagAndTitle) {
    {   // Border style 0: no caption even with a title, no frame at all.
        TestForm form;
        form.W().borderStyle = 0;
        form.SetText(L"Titled");
        CQelCreateRecord record = TopRecord(40, 40, 300, 200);
        ASSERT_TRUE(form.Create(record));
        HWND h = form.GetHwnd();
        EXPECT_EQ(StyleOf(h) & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME), 0u);
        EXPECT_EQ(TextOf(h), L"Titled");
        EXPECT_EQ(ClientSize(h).cx, 300);
        EXPECT_EQ(ClientSize(h).cy, 200);
    }
    {   // Border style 2 without the caption flag and without a title: a dialog frame, no caption; a
        // title brings the caption (without a system menu), the default title takes it away again.
        TestForm form;
        form.W().caption = 0;
        CQelCreateRecord record = TopRecord(40, 40, 300, 200);
        ASSERT_TRUE(form.Create(record));
        HWND h = form.GetHwnd();
        EXPECT_EQ(TextOf(h), L"");
        EXPECT_EQ(StyleOf(h) & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_DLGFRAME));
        form.SetText(L"Hello");
        EXPECT_EQ(StyleOf(h) & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION));
        form.SetText(kDefaultFormTitle);
        EXPECT_EQ(StyleOf(h) & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_DLGFRAME));
    }
}

TEST(FormCreate, FillCreateParamsAddsTheBitsOfEveryBorderStyleBoxAndStartState) {
    const struct {
        int64_t border;
        DWORD style;
        DWORD exStyle;
    } table[] = {
        {0, 0, 0},
        {1, WS_THICKFRAME, 0},
        {2, 0, 0},
        {3, WS_THICKFRAME, WS_EX_TOOLWINDOW},
        {4, 0, WS_EX_TOOLWINDOW},
        {5, WS_THICKFRAME, WS_EX_CLIENTEDGE},
        {6, 0, WS_EX_CLIENTEDGE},
        {7, 0, 0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.border);
        TestForm form;
        form.W().borderStyle = row.border;
        CQelCreateRecord record = TopRecord();
        form.FillCreateParams(record);
        const DWORD caption = row.border ? (WS_CAPTION | WS_SYSMENU) : 0;
        EXPECT_EQ(record.style, kBase | caption | WS_MINIMIZEBOX | row.style);
        EXPECT_EQ(record.exStyle, WS_EX_CONTROLPARENT | row.exStyle);
        EXPECT_STREQ(record.title, L"Ferovel V1.3  Osk");
        EXPECT_TRUE(form.HasListener());
    }
    TestForm form;
    form.W().maximizeBox = 1;
    form.W().minimizeBox = 0;
    form.W().caption = 0;
    form.W().startState = 3;
    CQelCreateRecord record = TopRecord();
    form.FillCreateParams(record);
    EXPECT_STREQ(record.title, L"");
    EXPECT_EQ(record.style, kBase | WS_DLGFRAME | WS_MAXIMIZEBOX | WS_MAXIMIZE);
    form.W().startState = 2;
    form.FillCreateParams(record);
    EXPECT_TRUE(record.style & WS_MINIMIZE);
}

TEST(FormCreate, AdjustCreateSizeUsesTheDesignSizeAndCentresWithTruncation) {
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    TestForm empty;  // design size 0 by 0
    CQelCreateRecord record = TopRecord();
    empty.FillCreateParams(record);
    empty.AdjustCreateSize(record);
    EXPECT_EQ(record.width, 0);
    EXPECT_EQ(record.height, 0);
    EXPECT_EQ(record.x, cx / 2);
    EXPECT_EQ(record.y, cy / 2);

    // Wider than the screen: (cx - (cx + 3)) / 2 truncates toward zero to -1; a given x stays.
    TestForm wide;
    record = TopRecord(CW_USEDEFAULT, 7, cx + 3, 100);
    wide.AdjustCreateSize(record);
    EXPECT_EQ(record.x, -1);
    EXPECT_EQ(record.y, 7);
    EXPECT_EQ(record.width, cx + 3);

    // A child form gets 0 for a missing coordinate.
    record = TopRecord(CW_USEDEFAULT, CW_USEDEFAULT, 50, 60);
    record.style = WS_CHILD;
    wide.AdjustCreateSize(record);
    EXPECT_EQ(record.x, 0);
    EXPECT_EQ(record.y, 0);
}

TEST(FormCreate, StartStatesAreClampedAndApplied) {
    TestForm maximized;
    maximized.W().startState = 7;
    CQelCreateRecord record = TopRecord(20, 20, 300, 200);
    ASSERT_TRUE(maximized.Create(record));
    EXPECT_EQ(maximized.W().startState, 3);
    EXPECT_TRUE(IsZoomed(maximized.GetHwnd()));

    TestForm minimized;
    minimized.W().startState = 2;
    record = TopRecord(20, 20, 300, 200);
    ASSERT_TRUE(minimized.Create(record));
    EXPECT_TRUE(IsIconic(minimized.GetHwnd()));

    TestForm centred;
    centred.W().startState = 1;
    record = TopRecord(5, 5, 301, 201);
    ASSERT_TRUE(centred.Create(record));
    MONITORINFO mi{sizeof mi};
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(centred.GetHwnd(), MONITOR_DEFAULTTONEAREST), &mi));
    const RECT outer = WindowRect(centred.GetHwnd());
    EXPECT_EQ(outer.left, (mi.rcMonitor.left + mi.rcMonitor.right - 301) / 2);
    EXPECT_EQ(outer.top, (mi.rcMonitor.top + mi.rcMonitor.bottom - 201) / 2);
    EXPECT_FALSE(IsZoomed(centred.GetHwnd()) || IsIconic(centred.GetHwnd()));
}

TEST(FormCreate, TopLevelFormTakesTheMenuBarAndLeavesItToTheBuiltMenu) {
    CRefQelMenu* menu = new CRefQelMenu;
    HMENU bar = BuildMenu(menu, Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 101, L"O", true)}).c_str());
    ASSERT_NE(bar, nullptr);
    {
        TestForm form(400, 300);
        CQelCreateRecord record = TopRecord();
        record.menu = menu;
        ASSERT_TRUE(form.Create(record));
        EXPECT_EQ(GetMenu(form.GetHwnd()), bar);
        EXPECT_EQ(form.W().menu, menu);
        EXPECT_EQ(menu->GetRefCount(), 2);
        EXPECT_EQ(ClientSize(form.GetHwnd()).cy, 300);

        // A child form takes no menu and gets the record's id.
        TestForm child;
        CQelCreateRecord childRecord = TopRecord(0, 0, 100, 80);
        childRecord.parent = form.GetWindowObject();
        childRecord.id = 321;
        childRecord.menu = menu;
        ASSERT_TRUE(child.Create(childRecord));
        EXPECT_TRUE(StyleOf(child.GetHwnd()) & WS_CHILD);
        EXPECT_EQ(GetDlgCtrlID(child.GetHwnd()), 321);
        EXPECT_EQ(child.W().menu, nullptr);
    }
    // The windows are gone; the menu bar still belongs to the built menu and works.
    EXPECT_TRUE(IsMenu(bar));
    EXPECT_EQ(menu->GetRefCount(), 1);
    EXPECT_EQ(GetMenuItemCount(bar), 1);
    menu->Release();
}

TEST(FormCreate, FramePropertiesActOnTheWindow) {
    TestForm form;
    form.W().topmost = 1;
    form.W().movable = 0;
    form.W().shape = 1;
    form.W().windowClassName.Append(L"QelFormTestClass");
    CQelCreateRecord record = TopRecord(30, 30, 200, 100);
    ASSERT_TRUE(form.Create(record));
    HWND h = form.GetHwnd();
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    EXPECT_STREQ(cls, L"QelFormTestClass");
    EXPECT_TRUE(ExStyleOf(h) & WS_EX_TOPMOST);
    EXPECT_EQ(GetMenuState(GetSystemMenu(h, FALSE), SC_MOVE, MF_BYCOMMAND), 0xFFFFFFFFu);

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(h, region), ERROR);
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_NEAR(box.right, 200, 1);
    EXPECT_NEAR(box.bottom, 100, 1);
    EXPECT_FALSE(PtInRegion(region, 1, 1));   // outside the ellipse
    EXPECT_TRUE(PtInRegion(region, 100, 50));
    form.SetShape(9);  // clamped to the rounded rectangle
    EXPECT_EQ(form.W().shape, 2);
    ASSERT_NE(GetWindowRgn(h, region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, 30, 1));   // the corner diameter is min(40, 20)
    form.SetShape(0);
    EXPECT_EQ(GetWindowRgn(h, region), ERROR);
    DeleteObject(region);

    HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    form.SetIcon(icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_SMALL, 0)), icon);

    // Border style 1 and the maximize box on a live window.
    SetWindowLongW(h, GWL_EXSTYLE, ExStyleOf(h) | WS_EX_DLGMODALFRAME);
    form.SetBorderStyle(1);
    form.SetMaximizeBox(true);
    EXPECT_TRUE(StyleOf(h) & WS_THICKFRAME);
    EXPECT_TRUE(StyleOf(h) & WS_MAXIMIZEBOX);
    EXPECT_FALSE(ExStyleOf(h) & WS_EX_DLGMODALFRAME);
    EXPECT_EQ(StyleOf(h) & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
}

TEST(FormCreate, FailedCreationReturnsFalse) {
    TestForm form;
    form.W().windowClassName.Append(std::wstring(300, L'x').c_str());  // no class takes such a name
    CQelCreateRecord record = TopRecord(0, 0, 100, 100);
    EXPECT_FALSE(form.Create(record));
    EXPECT_FALSE(form.HasNativeWindow());
}

TEST(FormCreate, FormsLeaveNoWindowsGdiObjectsOrIconsBehind) {
    int gdiBefore = 0;
    int windowsBefore = 0;
    HICON notify = nullptr;
    // The first round warms up what the system creates once per process (caption fonts, brushes).
    for (int i = -2; i < 8; ++i) {
        if (i == 0) {
            qeltest::Pump(20);
            gdiBefore = qeltest::CountGdiObjects();
            windowsBefore = qeltest::CountThreadWindows();
        }
        TestForm form;
        form.W().shape = 1 + i % 2;
        notify = CopyIcon(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)));
        form.SetNotifyIcon(notify);
        CQelCreateRecord record = TopRecord(10, 10, 150, 100);
        ASSERT_TRUE(form.Create(record));
        SendMessageW(form.GetHwnd(), WM_SIZE, 0, MAKELPARAM(150, 100));
        if (i % 2) DestroyWindow(form.GetHwnd());  // the other half goes with the form object
    }
    qeltest::Pump(20);
    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(notify, &info));  // destroyed with its window
    EXPECT_EQ(qeltest::CountThreadWindows(), windowsBefore);
    EXPECT_EQ(qeltest::CountGdiObjects(), gdiBefore);
}

}  // namespace
