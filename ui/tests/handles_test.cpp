// Every kind created and destroyed a thousand times, with its events bound, painted and copied:
// the process's GDI objects and windows stay where they were.
#include <gtest/gtest.h>

#include "QelButton.h"
#include "QelLabel.h"
#include "QelPainter.h"
#include "QelSlider.h"
#include "ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

class Populated : public rg_ZuJianBuJuQi {
public:
    void CreateComponents() override {
        CQelCreateRecord r;
        r.parent = GetWindowObject();
        r.x = 0;
        r.y = 0;
        r.width = 60;
        r.height = 20;
        label.SetText(L"标签");
        label.Create(r);
        r.y = 25;
        r.width = 120;
        r.height = 30;
        slider.Create(r);
    }
    rg_BiaoQian label;
    rg_HuaKuaiTiao slider;
};

HBITMAP SmallPicture() {
    HDC screen = GetDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(screen, 7, 5);
    ReleaseDC(nullptr, screen);
    return b;
}

// One round of every kind: create, bind, paint, copy, destroy.
void OneRound(Host& host, Receiver& receiver) {
    {
        Populated c;
        c.GetContainerWnd()->pictureMode = 2;
        c.GetContainerWnd()->picture.Attach(SmallPicture());
        CQelCreateRecord r = host.Child(0, 0, 150, 80);
        ASSERT_TRUE(c.Create(r));
        BindEvent(c, c.resized, Plain<kResized>, receiver.self);
        UpdateWindow(c.GetHwnd());
        SetFocus(c.GetHwnd());
    }
    {
        rg_AnNiu b;
        b.SetText(L"按钮");
        CQelCreateRecord r = host.Child(160, 0, 80, 30);
        ASSERT_TRUE(b.Create(r));
        BindEvent(b, b.clicked, Plain<kClicked>, receiver.self);
        SendMessageW(b.GetHwnd(), BM_CLICK, 0, 0);
        UpdateWindow(b.GetHwnd());
        rg_AnNiu copy(b);
        copy.Reset();
    }
    {
        rg_BiaoQian l;
        l.SetText(L"text");
        l.GetLabelWnd()->picture.Attach(SmallPicture());
        CQelCreateRecord r = host.Child(160, 40, 80, 20);
        ASSERT_TRUE(l.Create(r));
        LOGFONTW lf{};
        lf.lfHeight = -15;
        HFONT f = CreateFontIndirectW(&lf);
        SendMessageW(l.GetHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
        DeleteObject(f);
        UpdateWindow(l.GetHwnd());
    }
    {
        rg_HuaKuaiTiao s;
        CQelCreateRecord r = host.Child(0, 90, 150, 30);
        ASSERT_TRUE(s.Create(r));
        BindEvent(s, s.positionChanged, Plain<kPosition>, receiver.self);
        SendMessageW(s.GetHwnd(), WM_KEYDOWN, VK_RIGHT, 0);
    }
    {
        rg_HuaBan p;
        CQWnd_Painter* w = p.GetPainterWnd();
        w->backBufferEnabled = 1;
        w->brushStyle = 14;
        w->unit = 1;
        w->picture.Attach(SmallPicture());
        p.SetPenStyle(0);
        CQelCreateRecord r = host.Child(160, 70, 90, 60);
        ASSERT_TRUE(p.Create(r));
        p.SetPenColor(RGB(1, 2, 3));
        p.SetFont(CreateFontIndirectW(&w->fontDescription));  // owned by the window data
        SetWindowPos(p.GetHwnd(), nullptr, 0, 0, 100, 70, SWP_NOMOVE | SWP_NOZORDER);
        UpdateWindow(p.GetHwnd());
        rg_HuaBan unbuffered;
        CQelCreateRecord u = host.Child(260, 70, 50, 50);
        ASSERT_TRUE(unbuffered.Create(u));
        BindEvent(unbuffered, unbuffered.paint,
                  [](CQelObject*, CQelObject*, uint32_t, rg_Zarno_JiBen::rg_JuXingLei*) -> int32_t { return 0; },
                  receiver.self);
        UpdateWindow(unbuffered.GetHwnd());
    }
    qeltest::Pump();
}

TEST(Handles, GdiObjectsAndWindowsStayFlatAcrossAThousandRoundsOfEveryKind) {
    Host host(400, 200, 30, 30);
    ASSERT_TRUE(host.created);
    Receiver receiver;
    // Warm-up: caches and lazily created objects of the system.
    for (int i = 0; i < 3; ++i) OneRound(host, receiver);
    const int gdiBefore = qeltest::CountGdiObjects();
    const int windowsBefore = qeltest::CountThreadWindows();
    for (int i = 0; i < 1000; ++i) {
        OneRound(host, receiver);
        if (HasFatalFailure()) return;
    }
    const int gdiAfter = qeltest::CountGdiObjects();
    const int windowsAfter = qeltest::CountThreadWindows();
    std::printf("GDI objects %d -> %d, windows %d -> %d after 1000 rounds\n", gdiBefore, gdiAfter, windowsBefore,
                windowsAfter);
    EXPECT_EQ(gdiAfter, gdiBefore);
    EXPECT_EQ(windowsAfter, windowsBefore);
    EXPECT_GE(receiver.Count(kClicked), 1000);
    EXPECT_GE(receiver.Count(kPosition), 1000);
}

}  // namespace
