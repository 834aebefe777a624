// Form events raised by the form window: position limits, activation with the flag shared by all
// forms, commands, menu selection, notification icon codes, session end, the keep-active look and the
// position limit value class.
#include <gtest/gtest.h>
#include <windows.h>

#include "ui/QelForm.h"
#include "ui/tests/form_test_support.h"

using namespace formtest;
using qeltest::Pump;

namespace {

// The limits a handler last saw; the handler sets its own limits and answers `answer`.
struct LimitsProbe {
    rg_ChuangKouWeiZhiXianZhiXinXi seen;
    int32_t answer = 0;
    int calls = 0;
};
LimitsProbe* g_probe = nullptr;

int32_t OnLimits(CQelObject*, CQelObject*, uint32_t, rg_ChuangKouWeiZhiXianZhiXinXi* info) {
    ++g_probe->calls;
    g_probe->seen.CopyFrom(*info);
    info->minTrackSize = rg_Zarno_JiBen::rg_CheCunLei(200, 150);
    info->maxTrackSize = rg_Zarno_JiBen::rg_CheCunLei(320, 240);
    return g_probe->answer;
}

TEST(FormEvents, PositionLimitsAreWrittenBackOnlyWhenTheHandlerAnswersNonZero) {
    LimitsProbe probe;
    g_probe = &probe;
    Receiver r;
    TestForm form;
    form.W().borderStyle = 1;
    BindEvent(form, form.positionLimits, &OnLimits, r.self);
    CQelCreateRecord record = TopRecord(50, 50, 300, 200);
    ASSERT_TRUE(form.Create(record));
    HWND h = form.GetHwnd();
    EXPECT_GT(probe.calls, 0);

    probe.answer = 0;
    MoveWindow(h, 50, 50, 600, 500, TRUE);
    RECT rc = WindowRect(h);
    EXPECT_EQ(rc.right - rc.left, 600);
    EXPECT_EQ(rc.bottom - rc.top, 500);
    // The handler saw the system's values, not its own changes of an earlier call.
    EXPECT_EQ(probe.seen.maxTrackSize.width, GetSystemMetrics(SM_CXMAXTRACK));
    EXPECT_EQ(probe.seen.maxTrackSize.height, GetSystemMetrics(SM_CYMAXTRACK));

    probe.answer = 1;
    MoveWindow(h, 50, 50, 600, 500, TRUE);
    rc = WindowRect(h);
    EXPECT_EQ(rc.right - rc.left, 320);
    EXPECT_EQ(rc.bottom - rc.top, 240);
    MoveWindow(h, 50, 50, 40, 30, TRUE);
    rc = WindowRect(h);
    EXPECT_EQ(rc.right - rc.left, 200);
    EXPECT_EQ(rc.bottom - rc.top, 150);
    DestroyWindow(h);
    g_probe = nullptr;
}

TEST(FormEvents, ActivationEventsAndTheFlagSharedByAllForms) {
    Receiver ra, rb;
    TestForm a, b;
    BindFormEvents(a, ra);
    BindFormEvents(b, rb);
    CQelCreateRecord recordA = TopRecord(40, 40, 200, 150);
    ASSERT_TRUE(a.Create(recordA));
    ASSERT_TRUE(Activate(a.GetHwnd()));
    EXPECT_EQ(ra.Count(kFirstActivated), 1);
    ASSERT_GE(ra.log.size(), 2u);
    EXPECT_EQ(ra.log[0].first, kFirstActivated);  // first activation before activated
    EXPECT_EQ(ra.log[1].first, kActivated);

    CQelCreateRecord recordB = TopRecord(300, 40, 200, 150);
    ASSERT_TRUE(b.Create(recordB));
    ASSERT_TRUE(Activate(b.GetHwnd()));
    EXPECT_EQ(ra.Count(kDeactivated), 1);
    EXPECT_EQ(rb.Count(kFirstActivated), 1);
    ASSERT_TRUE(Activate(a.GetHwnd()));
    EXPECT_EQ(ra.Count(kFirstActivated), 1);
    EXPECT_EQ(ra.Count(kActivated), 2);

    // A handler that activates another form while it runs: neither the other form's activation nor
    // its own deactivation reaches a handler.
    SetActiveWindow(b.GetHwnd());
    const int bActivated = rb.Count(kActivated);
    const int bDeactivated = rb.Count(kDeactivated);
    const int aDeactivated = ra.Count(kDeactivated);
    ra.actions[kActivated] = [&](int32_t) { SetActiveWindow(b.GetHwnd()); };
    SetActiveWindow(a.GetHwnd());
    Pump(20);
    ra.actions.clear();
    EXPECT_EQ(GetActiveWindow(), b.GetHwnd());
    EXPECT_EQ(rb.Count(kDeactivated), bDeactivated + 1);  // before the handler ran: delivered
    EXPECT_EQ(rb.Count(kActivated), bActivated);
    EXPECT_EQ(ra.Count(kDeactivated), aDeactivated);
    EXPECT_FALSE(IsFormActivationRunning());
    SetActiveWindow(a.GetHwnd());
    SetActiveWindow(b.GetHwnd());
    EXPECT_EQ(rb.Count(kActivated), bActivated + 1);

    // A new window of the same form is activated for the first time again.
    DestroyWindow(a.GetHwnd());
    EXPECT_EQ(a.W().activatedOnce, 0);
    recordA = TopRecord(40, 40, 200, 150);
    ASSERT_TRUE(a.Create(recordA));
    ASSERT_TRUE(Activate(a.GetHwnd()));
    EXPECT_EQ(ra.Count(kFirstActivated), 2);
}

TEST(FormEvents, CommandMenuSelectNotifyIconAndSessionEndMessages) {
    Receiver r;
    TestForm form;
    BindFormEvents(form, r);
    CQelCreateRecord record = TopRecord(40, 40, 200, 150);
    ASSERT_TRUE(form.Create(record));
    HWND h = form.GetHwnd();

    SendMessageW(h, WM_COMMAND, MAKEWPARAM(77, 0), 0);
    SendMessageW(h, WM_COMMAND, MAKEWPARAM(78, 1), 0);
    EXPECT_EQ(r.Args(kCommand), (std::vector<int32_t>{77, 78}));

    SendMessageW(h, WM_MENUSELECT, MAKEWPARAM(5, 0), 0);
    SendMessageW(h, WM_MENUSELECT, MAKEWPARAM(6, MF_CHECKED | MF_HILITE), 0);
    SendMessageW(h, WM_MENUSELECT, MAKEWPARAM(7, 0xFFFF), 0);
    SendMessageW(h, WM_MENUSELECT, MAKEWPARAM(8, MF_POPUP), 0);
    SendMessageW(h, WM_MENUSELECT, MAKEWPARAM(9, MF_SEPARATOR), 0);
    EXPECT_EQ(r.Args(kMenuSelect), (std::vector<int32_t>{5, 6, 0, 0, 0}));

    for (LPARAM code : {LPARAM(WM_LBUTTONUP), LPARAM(WM_LBUTTONDBLCLK), LPARAM(WM_RBUTTONUP), LPARAM(WM_CONTEXTMENU),
                        LPARAM(WM_MOUSEMOVE), LPARAM(WM_LBUTTONDOWN)}) {
        SendMessageW(h, kNotifyIconMessage, kNotifyIconId, code);
    }
    EXPECT_EQ(r.Args(kNotifyIcon), (std::vector<int32_t>{1, 2, 3, 3}));

    r.answers[kQueryClose] = 1;
    EXPECT_EQ(SendMessageW(h, WM_QUERYENDSESSION, 0, 0), 0);
    r.answers[kQueryClose] = 0;
    EXPECT_NE(SendMessageW(h, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_EQ(r.Count(kCloseRequest), 0);  // session end asks only query close
    EXPECT_EQ(r.Count(kQueryClose), 2);
}

// Colour of a point of the window's caption, as painted.
COLORREF CaptionPixel(HWND h) {
    RECT outer = WindowRect(h);
    POINT client{0, 0};
    ClientToScreen(h, &client);
    HDC dc = GetWindowDC(h);
    const COLORREF c = GetPixel(dc, (outer.right - outer.left) / 2, (client.y - outer.top) / 2);
    ReleaseDC(h, dc);
    return c;
}

TEST(FormEvents, KeepActiveLookKeepsTheActiveCaptionOfADeactivatedForm) {
    TestForm plain, kept;
    kept.W().keepActiveLook = 1;
    CQelCreateRecord r1 = TopRecord(40, 40, 220, 120), r2 = TopRecord(300, 40, 220, 120);
    ASSERT_TRUE(plain.Create(r1));
    ASSERT_TRUE(kept.Create(r2));
    for (TestForm* f : {&plain, &kept}) {
        HWND h = f->GetHwnd();
        ASSERT_TRUE(Activate(h));
        Pump(30);
        const COLORREF active = CaptionPixel(h);
        EXPECT_NE(SendMessageW(h, WM_NCACTIVATE, FALSE, 0), 0);  // deactivation is allowed
        Pump(30);
        if (f == &kept) {
            EXPECT_EQ(CaptionPixel(h), active);
        } else {
            EXPECT_NE(CaptionPixel(h), active);  // the difference the test relies on is visible
        }
    }
}

TEST(FormEvents, PositionLimitInformationIsAValueClassEqualOnlyToItself) {
    MINMAXINFO info{{0, 0}, {1, 2}, {3, 4}, {5, 6}, {7, 8}};
    rg_ChuangKouWeiZhiXianZhiXinXi a, b;
    a.ReadFrom(info);
    ASSERT_EQ(b.CopyFrom(a), 1);
    EXPECT_EQ(a.IsEqual(a), 1);
    EXPECT_EQ(a.IsEqual(b), 0);  // same members, another object
    MINMAXINFO out{};
    b.WriteTo(out);
    EXPECT_EQ(std::memcmp(&out, &info, sizeof info), 0);
    EXPECT_STREQ(a.GetClassRecord()->name, "rg_Zarno_MFCJieMian_JiBen::rg_ChuangKouWeiZhiXianZhiXinXi");
    EXPECT_STREQ(CQelWinForm::StaticRecord()->name, "rg_Zarno_MFCJieMian_JiBen::CQelWinForm");
}

}  // namespace
