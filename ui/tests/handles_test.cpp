// Every kind created and destroyed a thousand times, with events bound, painted, copied and reset:
// the process's GDI objects and windows stay where they were.
#include <gtest/gtest.h>

#include "ui/QelButton.h"
#include "ui/QelLabel.h"
#include "ui/QelPainter.h"
#include "ui/QelSlider.h"
#include "ui/tests/ui_test_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace uitest;

namespace {

class Populated : public rg_ZuJianBuJuQi {
public:
    void CreateComponents() override {
        CQelCreateRecord r{GetWindowObject(), 0, 0, 60, 20};
        label.SetText(L"标签");
        label.Create(r);
        r = {GetWindowObject(), 0, 25, 120, 30};
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

void OneRound(Host& host, Receiver& receiver) {
    {
        Populated c;
        c.GetContainerWnd()->pictureMode = 2;
        c.GetContainerWnd()->picture.Attach(SmallPicture());
        HWND h = host.Make(c, 0, 0, 150, 80);
        BindEvent(c, c.resized, Plain<kResized>, receiver.self);
        UpdateWindow(h);
        SetFocus(h);
    }
    {
        rg_AnNiu b;
        b.SetText(L"按钮");
        HWND h = host.Make(b, 160, 0, 80, 30);
        BindEvent(b, b.clicked, Plain<kClicked>, receiver.self);
        SendMessageW(h, BM_CLICK, 0, 0);
        UpdateWindow(h);
        rg_AnNiu copy(b);
        copy.Reset();
    }
    {
        rg_BiaoQian l;
        l.SetText(L"text");
        l.GetLabelWnd()->picture.Attach(SmallPicture());
        HWND h = host.Make(l, 160, 40, 80, 20);
        LOGFONTW lf{};
        lf.lfHeight = -15;
        HFONT f = CreateFontIndirectW(&lf);
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
        DeleteObject(f);
        UpdateWindow(h);
    }
    {
        rg_HuaKuaiTiao s;
        HWND h = host.Make(s, 0, 90, 150, 30);
        BindEvent(s, s.positionChanged, Plain<kPosition>, receiver.self);
        SendMessageW(h, WM_KEYDOWN, VK_RIGHT, 0);
    }
    {
        rg_HuaBan p, unbuffered;
        CQWnd_Painter* w = p.GetPainterWnd();
        w->backBufferEnabled = 1;
        w->brushStyle = 14;
        w->unit = 1;
        w->picture.Attach(SmallPicture());
        p.SetPenStyle(0);
        HWND h = host.Make(p, 160, 70, 90, 60);
        p.SetPenColor(RGB(1, 2, 3));
        p.SetFont(CreateFontIndirectW(&w->fontDescription));
        SetWindowPos(h, nullptr, 0, 0, 100, 70, SWP_NOMOVE | SWP_NOZORDER);
        UpdateWindow(h);
        HWND u = host.Make(unbuffered, 260, 70, 50, 50);
        BindEvent(unbuffered, unbuffered.paint,
                  [](CQelObject*, CQelObject*, uint32_t, rg_Zarno_JiBen::rg_JuXingLei*) -> int32_t { return 0; }, receiver.self);
        UpdateWindow(u);
    }
    qeltest::Pump();
}

TEST(Handles, GdiObjectsAndWindowsStayFlatAcrossAThousandRoundsOfEveryKind) {
    Host host(400, 200, 30, 30);
    ASSERT_TRUE(host.created);
    Receiver receiver;
    for (int i = 0; i < 3; ++i) OneRound(host, receiver);  // caches the system fills on first use
    const int gdiBefore = qeltest::CountGdiObjects(), windowsBefore = qeltest::CountThreadWindows();
    for (int i = 0; i < 1000 && !HasFatalFailure(); ++i) OneRound(host, receiver);
    const int gdiAfter = qeltest::CountGdiObjects(), windowsAfter = qeltest::CountThreadWindows();
    std::printf("GDI objects %d -> %d, windows %d -> %d after 1000 rounds\n", gdiBefore, gdiAfter, windowsBefore, windowsAfter);
    EXPECT_EQ(gdiAfter, gdiBefore);
    EXPECT_EQ(windowsAfter, windowsBefore);
    EXPECT_GE(receiver.Count(kClicked), 1000);
    EXPECT_GE(receiver.Count(kPosition), 1000);
}

}  // namespace
