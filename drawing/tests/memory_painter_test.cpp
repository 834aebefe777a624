// Memory painter: the surface it builds, frames read back from the window, presentation after the
// window grew, value semantics of copies, the GDI+ status rule and GDI handle counts over re-attaching
// and destruction. Also the drawing initialisation object.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "drawing/DibConvert.h"
#include "drawing/GdiplusFlat.h"
#include "drawing/MemoryPainter.h"
#include "imaging/ImageObject.h"
#include "runtime/ValueClasses.h"
#include "drawing/tests/test_support.h"
#include "testsupport/GdiCount.h"
#include "testsupport/Pump.h"

using namespace rg_Zarno_YuanChuangRuanJian;
using drawtest::SurfacePixels;
using drawtest::TestWindow;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kGuideBlue = 0x0088FF;  // the application's guide colour, 0xFF0088FF in ARGB

// A small picture drawn with GDI: each pixel's colour encodes its position.
struct Picture {
    QelDibRecord dib = {};
    int width, height;
    Picture(int w, int h) : width(w), height(h) {
        EXPECT_TRUE(CreateDib(dib, w, h, 32, false));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                reinterpret_cast<uint32_t*>(dib.topRow + static_cast<ptrdiff_t>(y) * dib.stride)[x] = Colour(x, y);
    }
    ~Picture() { ReleaseDib(dib); }
    static uint32_t Colour(int x, int y) { return ((x * 6) << 16) | ((y * 8) << 8) | 0x40; }
    void DrawTo(HDC target, int left, int top) const {
        HDC source = CreateCompatibleDC(target);
        HGDIOBJ old = SelectObject(source, dib.bitmap);
        BitBlt(target, left, top, width, height, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
};

// Blue guide pixels lie on a line of width 2 centred on the given coordinate: the line's own row or
// column, or its neighbour on either side.
bool NearLine(int v, int line) { return std::abs(v - line) <= 2; }

// One full drawing cycle on a throwaway painter: the window's device context comes from the system's
// cache and GDI+ makes some objects of its own on first use; both belong to a test's baseline, not to
// the painter under test.
void WarmUp(HWND window, const CQelGdiplusPen& pen) {
    rg_NeiCunHuaBan throwaway;
    for (int i = 0; i < 2; ++i) {
        throwaway.AttachWindow(window);
        throwaway.Clear(0xFFFFFFFF);
        throwaway.DrawLine(pen, 0, 0, 50, 50);
        throwaway.Show();
    }
}

}  // namespace

TEST(MemoryPainter, WithoutSurfaceNothingIsDrawnOrShown) {
    rg_NeiCunHuaBan painter;
    EXPECT_EQ(painter.GetMemoryDC(), nullptr);
    EXPECT_EQ(painter.GetSurfaceBitmap(), nullptr);
    EXPECT_FALSE(painter.HasGraphics());
    EXPECT_EQ(painter.GetGraphicsStatus(), -1);
    CQelGdiplusPen pen(0xFF000000, 3.0f);
    painter.Clear(0xFFFFFFFF);
    painter.DrawLine(pen, 0, 0, 10, 10);
    painter.BeginWindowPaint();
    painter.EndWindowPaint();
    EXPECT_FALSE(painter.Show());

    // A null or destroyed window gives no surface either (no screen device context is taken).
    painter.AttachWindow(nullptr);
    EXPECT_EQ(painter.GetWindowDC(), nullptr);
    EXPECT_FALSE(painter.Show());
    HWND gone;
    {
        TestWindow w(30, 30);
        gone = w.hwnd();
    }
    painter.AttachWindow(gone);
    EXPECT_EQ(painter.GetMemoryDC(), nullptr);
    EXPECT_FALSE(painter.Show());
}

TEST(MemoryPainter, AttachBuildsABottomUpThirtyTwoBitSurfaceOfTheClientSize) {
    TestWindow window(123, 71);
    rg_NeiCunHuaBan painter;
    painter.AttachWindow(window.hwnd());
    EXPECT_EQ(painter.GetWindow(), window.hwnd());
    EXPECT_NE(painter.GetWindowDC(), nullptr);
    ASSERT_NE(painter.GetMemoryDC(), nullptr);
    ASSERT_NE(painter.GetSurfaceBitmap(), nullptr);
    EXPECT_EQ(GetCurrentObject(painter.GetMemoryDC(), OBJ_BITMAP), painter.GetSurfaceBitmap());
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectW(painter.GetSurfaceBitmap(), sizeof(section), &section), static_cast<int>(sizeof(section)));
    EXPECT_EQ(section.dsBmih.biWidth, 123);
    EXPECT_EQ(section.dsBmih.biHeight, 71) << "positive height: bottom-up rows";
    EXPECT_EQ(section.dsBmih.biBitCount, 32);
    EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(painter.GetClientRectangle().right, 123);
    EXPECT_EQ(painter.GetClientRectangle().bottom, 71);
    EXPECT_TRUE(painter.HasGraphics());
    EXPECT_EQ(painter.GetGraphicsStatus(), 0);
}

TEST(MemoryPainter, ReattachingGivesASurfaceAsNewAsAFreshOne) {
    TestWindow window(123, 71);
    CQelGdiplusPen pen(0xFF0088FF, 2.0f);
    rg_NeiCunHuaBan painter;
    painter.AttachWindow(window.hwnd());
    const std::vector<uint32_t> fresh = SurfacePixels(painter);
    ASSERT_EQ(fresh.size(), 123u * 71u);
    // Drawn on, then attached again at the same size: the same pixels as the new surface had (the
    // surface's memory is kept for it), the same size and kind, usable as before.
    painter.Clear(0xFF336699);
    painter.DrawLine(pen, 0, 0, 100, 60);
    const HBITMAP first = painter.GetSurfaceBitmap();
    painter.AttachWindow(window.hwnd());
    EXPECT_EQ(painter.GetSurfaceBitmap(), first);
    EXPECT_EQ(SurfacePixels(painter), fresh);
    EXPECT_EQ(GetCurrentObject(painter.GetMemoryDC(), OBJ_BITMAP), painter.GetSurfaceBitmap());
    EXPECT_TRUE(painter.HasGraphics());
    EXPECT_EQ(painter.GetGraphicsStatus(), 0);
    painter.Clear(0xFFFFFFFF);
    EXPECT_EQ(GetPixel(painter.GetMemoryDC(), 10, 10) & 0xFFFFFF, kWhite);
    // A smaller and then a larger window: each time a surface of the new size, as new, with nothing
    // of the earlier drawing in it.
    for (const SIZE size : {SIZE{60, 40}, SIZE{200, 90}}) {
        painter.Clear(0xFF336699);
        window.ResizeClient(size.cx, size.cy);
        painter.AttachWindow(window.hwnd());
        DIBSECTION section = {};
        ASSERT_EQ(GetObjectW(painter.GetSurfaceBitmap(), sizeof(section), &section), static_cast<int>(sizeof(section)));
        EXPECT_EQ(section.dsBm.bmWidth, size.cx);
        EXPECT_EQ(section.dsBm.bmHeight, size.cy);
        rg_NeiCunHuaBan other;
        other.AttachWindow(window.hwnd());
        EXPECT_EQ(SurfacePixels(painter), SurfacePixels(other));
    }
}

// The frame the application draws: white, the picture through the image object at the origin, guide
// lines with the blue pen, then one block transfer.
TEST(MemoryPainter, FrameOfWhitePictureAndBlueLinesReachesTheWindowPixelForPixel) {
    TestWindow window(160, 100, 40, 40);
    rg_NeiCunHuaBan painter;
    painter.AttachWindow(window.hwnd());
    CQelGdiplusPen pen(0xFF000000, 3.0f);
    pen.SetColor(0xFF0088FF);
    pen.SetWidth(2.0f);
    EXPECT_EQ(pen.GetLastStatus(), 0);
    EXPECT_EQ(pen.GetColor(), 0xFF0088FFu);
    EXPECT_FLOAT_EQ(pen.GetWidth(), 2.0f);

    const int pw = 40, ph = 30;
    rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei picture;
    {
        Picture source(pw, ph);
        ASSERT_TRUE(picture.GetImage()->CreateFromHBITMAP(source.dib.bitmap));
    }
    rg_Zarno_JiBen::rg_JuXingLei noClip;
    noClip.SetNullObject(true);

    const int lineY = 80, lineX = 140;
    painter.Clear(0xFFFFFFFF);
    picture.DrawTo(painter.GetMemoryDC(), 0, 0, noClip);
    painter.DrawLine(pen, 5, lineY, 150, lineY);
    painter.DrawLine(pen, lineX, 5, lineX, 95);
    EXPECT_EQ(painter.GetGraphicsStatus(), 0);
    ASSERT_TRUE(painter.Show());

    const drawtest::Pixels shown = drawtest::ReadWindow(window.hwnd());
    ASSERT_EQ(shown.width, 160);
    ASSERT_EQ(shown.height, 100);
    int blueOnHorizontal = 0, blueOnVertical = 0;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x) {
            const uint32_t got = shown.at(x, y);
            const bool onHorizontal = NearLine(y, lineY) && x >= 3 && x <= 152;
            const bool onVertical = NearLine(x, lineX) && y >= 3 && y <= 97;
            if (onHorizontal || onVertical) {
                EXPECT_TRUE(got == kGuideBlue || got == kWhite) << x << "," << y << " " << std::hex << got;
                if (got == kGuideBlue && onHorizontal && x > 20 && x < 130) ++blueOnHorizontal;
                if (got == kGuideBlue && onVertical && y > 20 && y < 70) ++blueOnVertical;
                continue;
            }
            const bool inPicture = x < pw && y < ph;
            const uint32_t expected = inPicture ? Picture::Colour(x, y) : kWhite;
            ASSERT_EQ(got, expected) << "pixel " << x << "," << y;
        }
    // Width 2: two rows (columns) of blue along each line.
    EXPECT_EQ(blueOnHorizontal, 2 * 109);
    EXPECT_EQ(blueOnVertical, 2 * 49);
}

TEST(MemoryPainter, ShowAfterTheWindowGrewCopiesTheSurfaceAtTheOrigin) {
    TestWindow window(80, 60, 300, 40);
    rg_NeiCunHuaBan painter;
    painter.AttachWindow(window.hwnd());
    const HBITMAP surface = painter.GetSurfaceBitmap();
    Picture picture(20, 15);
    painter.Clear(0xFFFFFFFF);
    picture.DrawTo(painter.GetMemoryDC(), 55, 40);  // reaches into the surface's bottom-right corner

    window.ResizeClient(200, 150);
    ASSERT_TRUE(painter.Show());
    EXPECT_EQ(painter.GetSurfaceBitmap(), surface) << "no new attach happened";
    EXPECT_EQ(painter.GetClientRectangle().right, 80) << "the surface keeps the size it was built with";

    const drawtest::Pixels shown = drawtest::ReadWindow(window.hwnd());
    ASSERT_EQ(shown.width, 200);
    ASSERT_EQ(shown.height, 150);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            const bool inPicture = x >= 55 && x < 75 && y >= 40 && y < 55;
            ASSERT_EQ(shown.at(x, y), inPicture ? Picture::Colour(x - 55, y - 40) : kWhite) << x << "," << y;
        }

    // The same painter shows a new frame over the grown window once it is attached again.
    painter.AttachWindow(window.hwnd());
    painter.Clear(0xFF00FF00);
    ASSERT_TRUE(painter.Show());
    const drawtest::Pixels regrown = drawtest::ReadWindow(window.hwnd());
    EXPECT_EQ(regrown.at(0, 0), 0x00FF00u);
    EXPECT_EQ(regrown.at(199, 149), 0x00FF00u);
}

TEST(MemoryPainter, PaintBracketValidatesTheWindow) {
    TestWindow window(50, 50, 500, 40);
    rg_NeiCunHuaBan painter;
    painter.AttachWindow(window.hwnd());
    InvalidateRect(window.hwnd(), nullptr, FALSE);
    RECT update;
    EXPECT_TRUE(GetUpdateRect(window.hwnd(), &update, FALSE));
    painter.BeginWindowPaint();
    painter.Clear(0xFFFFFFFF);
    EXPECT_TRUE(painter.Show());
    painter.EndWindowPaint();
    EXPECT_FALSE(GetUpdateRect(window.hwnd(), &update, FALSE));
}

TEST(MemoryPainter, CopiesCarryBaseFieldsAndFontButNoSurface) {
    TestWindow window(64, 48, 600, 40);
    rg_NeiCunHuaBan painter;
    painter.objectWord = 77;
    painter.font.values[0] = 12;
    painter.AttachWindow(window.hwnd());

    CQelObject* clone = painter.Clone();
    auto* copy = static_cast<rg_NeiCunHuaBan*>(clone);
    EXPECT_EQ(copy->objectWord, 77u);
    EXPECT_EQ(copy->font.values[0], 12);
    EXPECT_EQ(copy->GetMemoryDC(), nullptr);
    EXPECT_EQ(copy->GetSurfaceBitmap(), nullptr);
    EXPECT_EQ(copy->GetWindowDC(), nullptr);
    EXPECT_EQ(copy->GetWindow(), nullptr);
    EXPECT_FALSE(copy->HasGraphics());
    EXPECT_FALSE(copy->Show());
    EXPECT_EQ(copy->IsEqual(painter), 1);
    clone->Delete();  // must not free the original's surface
    EXPECT_EQ(GetObjectType(painter.GetSurfaceBitmap()), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_TRUE(painter.Show());

    // Copy-from into an attached painter keeps that painter's own surface.
    rg_NeiCunHuaBan other;
    other.AttachWindow(window.hwnd());
    const HBITMAP ownSurface = other.GetSurfaceBitmap();
    ASSERT_EQ(other.CopyFrom(painter), 1);
    EXPECT_EQ(other.GetSurfaceBitmap(), ownSurface);
    EXPECT_EQ(other.font.values[0], 12);
    EXPECT_EQ(other.IsEqual(painter), 1);
    other.font.values[0] = 13;
    EXPECT_EQ(other.IsEqual(painter), 0);
    other.Reset();
    EXPECT_EQ(other.font.values[0], 0);
    EXPECT_EQ(other.objectWord, 0u);
    EXPECT_EQ(other.GetSurfaceBitmap(), ownSurface);
    EXPECT_STREQ(other.GetClassRecord()->name, "rg_Zarno_YuanChuangRuanJian::rg_NeiCunHuaBan");
}

TEST(MemoryPainter, AnErrorStatusIsKeptAfterLaterSuccess) {
    TestWindow window(40, 40, 700, 40);
    rg_NeiCunHuaBan painter;
    painter.AttachWindow(window.hwnd());
    CQelGdiplusPen good(0xFF000000, 3.0f);
    painter.Clear(0xFFFFFFFF);
    painter.DrawLine(good, 0, 0, 39, 39);
    EXPECT_EQ(painter.GetGraphicsStatus(), 0);

    CQelGdiplusPen broken(0xFF000000, 3.0f, 1);  // GDI+ makes no pen in display units
    ASSERT_EQ(broken.GetNativePen(), nullptr);
    EXPECT_NE(broken.GetLastStatus(), 0);
    broken.SetColor(0xFF0088FF);  // fails too: the pen keeps an error
    EXPECT_NE(broken.GetLastStatus(), 0);

    painter.DrawLine(broken, 0, 0, 10, 10);
    const int32_t error = painter.GetGraphicsStatus();
    EXPECT_NE(error, 0);
    painter.Clear(0xFFFFFFFF);
    painter.DrawLine(good, 0, 39, 39, 0);
    EXPECT_EQ(painter.GetGraphicsStatus(), error);
    // A new surface starts with the status of its own creation.
    painter.AttachWindow(window.hwnd());
    EXPECT_EQ(painter.GetGraphicsStatus(), 0);
}

TEST(MemoryPainter, EmptyClientAreaGivesNoSurfaceButNoFailure) {
    TestWindow window(0, 0, 800, 40);
    CQelGdiplusPen pen(0xFF000000, 3.0f);
    {
        TestWindow sized(40, 40, 800, 100);
        WarmUp(sized.hwnd(), pen);
    }
    WarmUp(window.hwnd(), pen);
    const int64_t before = qeltest::CountGdiObjects();
    {
        rg_NeiCunHuaBan painter;
        painter.AttachWindow(window.hwnd());
        EXPECT_EQ(painter.GetSurfaceBitmap(), nullptr);
        painter.Clear(0xFFFFFFFF);
        painter.DrawLine(pen, 0, 0, 5, 5);
        painter.Show();
    }
    EXPECT_EQ(qeltest::CountGdiObjects(), before);
}

TEST(MemoryPainter, GdiHandleCountsStayFlatOverReattachingAndDestruction) {
    TestWindow window(100, 60, 40, 300);
    CQelGdiplusPen pen(0xFF0088FF, 2.0f);
    WarmUp(window.hwnd(), pen);
    const int64_t baseline = qeltest::CountGdiObjects();
    ASSERT_GT(baseline, 0);
    // Resizing a window can make the system keep objects for the window itself, so each attach is
    // measured against the count right before it.
    int64_t held = -1;
    int64_t withPainter = -1;
    {
        rg_NeiCunHuaBan painter;
        for (int i = 0; i < 40; ++i) {
            window.ResizeClient(100 + (i * 37) % 300, 60 + (i * 23) % 200);
            const int64_t beforeAttach = qeltest::CountGdiObjects();
            painter.AttachWindow(window.hwnd());
            painter.Clear(0xFFFFFFFF);
            painter.DrawLine(pen, 0, 0, 50, 50);
            painter.Show();
            const int64_t after = qeltest::CountGdiObjects();
            if (i == 0) {
                held = after - beforeAttach;
                EXPECT_GE(held, 2) << "at least the memory DC and the DIB section";
            } else {
                ASSERT_EQ(after, beforeAttach) << "attach " << i << " did not free the previous surface";
            }
        }
        withPainter = qeltest::CountGdiObjects();
    }
    EXPECT_EQ(qeltest::CountGdiObjects(), withPainter - held) << "destruction frees the whole surface";

    // Without resizing in between, the count returns exactly to the baseline.
    window.ResizeClient(100, 60);
    WarmUp(window.hwnd(), pen);
    const int64_t settled = qeltest::CountGdiObjects();
    {
        rg_NeiCunHuaBan painter;
        for (int i = 0; i < 20; ++i) {
            painter.AttachWindow(window.hwnd());
            painter.Clear(0xFFFFFFFF);
            painter.Show();
        }
    }
    EXPECT_EQ(qeltest::CountGdiObjects(), settled);
}

TEST(DrawingInitialisation, EachInstanceOwnsItsOwnToken) {
    auto* first = new rg______TuXingHuiZhiChuShiHua();
    EXPECT_NE(first->GetToken(), 0u);
    first->objectWord = 5;
    CQelObject* clone = first->Clone();
    auto* second = static_cast<rg______TuXingHuiZhiChuShiHua*>(clone);
    EXPECT_NE(second->GetToken(), 0u);
    EXPECT_EQ(second->objectWord, 5u);
    EXPECT_EQ(second->IsEqual(*first), 1);

    const ULONG_PTR ownToken = second->GetToken();
    rg______TuXingHuiZhiChuShiHua third;
    third.objectWord = 9;
    ASSERT_EQ(second->CopyFrom(third), 1);
    EXPECT_EQ(second->objectWord, 9u);
    EXPECT_EQ(second->GetToken(), ownToken);
    second->Reset();
    EXPECT_EQ(second->objectWord, 0u);
    EXPECT_EQ(second->GetToken(), ownToken);

    // Destroying one instance leaves GDI+ running for the others.
    clone->Delete();
    first->Delete();
    qelgdiplus::GpPen* pen = nullptr;
    EXPECT_EQ(GdipCreatePen1(0xFF000000, 1.0f, qelgdiplus::kUnitWorld, &pen), qelgdiplus::kOk);
    if (pen) GdipDeletePen(pen);
    EXPECT_STREQ(third.GetClassRecord()->name, "rg_Zarno_YuanChuangRuanJian::rg______TuXingHuiZhiChuShiHua");
}
