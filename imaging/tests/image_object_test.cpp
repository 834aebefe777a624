// The image object: the file-name table, sharing of the picture between cloned objects, loading
// the sample from the resources, PNG encoding into a byte buffer and drawing with and without clip.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/ImageObject.h"
#include "testsupport/Bitmap32.h"

using rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei;

namespace {

uint32_t Format(const wchar_t* name) { return rg_TuXiangChuLiLei::FormatFromFileName(CWString(name)); }

TEST(FormatFromFileName, CasesOfTheTable) {
    EXPECT_EQ(Format(L"C:\\photos\\IMG_0001.JPEG"), 3u);
    EXPECT_EQ(Format(L"raw\\DSC1234.CR2"), 19u);
    EXPECT_EQ(Format(L"C:\\notes\\README"), 0u);
    EXPECT_EQ(Format(L""), 0u);
    EXPECT_EQ(Format(L"logo.wbmp"), 9u);  // not 1: ".bmp" is not a suffix of "x.wbmp"
    EXPECT_EQ(Format(L"scan.bmp"), 1u);
    EXPECT_EQ(Format(L"\u4f5c\u4e1a.PnG"), 4u);
    EXPECT_EQ(Format(L"anim.gif"), 2u);
    EXPECT_EQ(Format(L"a.jpg"), 3u);
    EXPECT_EQ(Format(L"a.mng"), 17u);
    EXPECT_EQ(Format(L"a.JNG"), 17u);
    EXPECT_EQ(Format(L"a.ico"), 5u);
    EXPECT_EQ(Format(L"a.cur"), 5u);
    EXPECT_EQ(Format(L"a.tif"), 6u);
    EXPECT_EQ(Format(L"a.TIFF"), 6u);
    EXPECT_EQ(Format(L"a.tga"), 7u);
    EXPECT_EQ(Format(L"a.pcx"), 8u);
    EXPECT_EQ(Format(L"a.wmf"), 10u);
    EXPECT_EQ(Format(L"a.emf"), 10u);
    EXPECT_EQ(Format(L"a.jp2"), 11u);
    EXPECT_EQ(Format(L"a.j2k"), 11u);
    EXPECT_EQ(Format(L"a.jpc"), 12u);
    EXPECT_EQ(Format(L"a.j2c"), 12u);
    EXPECT_EQ(Format(L"a.pgx"), 13u);
    EXPECT_EQ(Format(L"a.ras"), 15u);
    EXPECT_EQ(Format(L"a.pnm"), 14u);
    EXPECT_EQ(Format(L"a.pgm"), 14u);
    EXPECT_EQ(Format(L"a.ppm"), 14u);
    EXPECT_EQ(Format(L"a.ska"), 18u);
    EXPECT_EQ(Format(L"a.psd"), 20u);
    for (const wchar_t* raw : {L"a.nef", L"a.crw", L"a.cr2", L"a.mrw", L"a.raf", L"a.erf", L"a.3fr", L"a.dcr", L"a.raw",
                               L"a.dng", L"a.pef", L"a.x3f", L"a.arw", L"a.sr2", L"a.mef", L"a.orf"})
        EXPECT_EQ(Format(raw), 19u) << static_cast<const void*>(raw);
    // Only the suffix with its dot counts.
    EXPECT_EQ(Format(L"png"), 0u);
    EXPECT_EQ(Format(L"a.png.txt"), 0u);
    EXPECT_EQ(Format(L"a.xpng"), 0u);
    EXPECT_EQ(Format(L".png"), 4u);
}

// ---------------------------------------------------------------------------------------------
// Sharing

TEST(Sharing, NewObjectsHaveTheirOwnEmptyPicture) {
    rg_TuXiangChuLiLei a, b;
    EXPECT_NE(a.GetHolder(), b.GetHolder());
    EXPECT_EQ(a.GetHolder()->GetRefCount(), 1);
    EXPECT_FALSE(a.GetImage()->IsValid());
    EXPECT_EQ(a.IsEqual(b), 0);
}

TEST(Sharing, CloneSharesSoChangesShowThroughBoth) {
    rg_TuXiangChuLiLei original;
    ASSERT_EQ(original.LoadFromResource(501), 1);
    CQelObject* copy = original.Clone();
    auto* clone = static_cast<rg_TuXiangChuLiLei*>(copy);
    EXPECT_EQ(clone->GetHolder(), original.GetHolder());
    EXPECT_EQ(original.GetHolder()->GetRefCount(), 2);
    EXPECT_EQ(clone->IsEqual(original), 1);
    // Colourising the clone changes the first object too.
    const uint8_t* px = original.GetImage()->GetRow(200) + 300 * 4;
    uint8_t before[4];
    std::memcpy(before, px, 4);
    clone->GetImage()->Colorize(0, 255, 1.0f);
    EXPECT_NE(std::memcmp(before, original.GetImage()->GetRow(200) + 300 * 4, 4), 0);
    copy->Delete();
    EXPECT_EQ(original.GetHolder()->GetRefCount(), 1);
    EXPECT_TRUE(original.GetImage()->IsValid());
}

TEST(Sharing, CopyFromSharesAndReleasesThePreviousHolder) {
    rg_TuXiangChuLiLei source, target, keeper;
    ASSERT_EQ(source.LoadFromResource(501), 1);
    ASSERT_EQ(keeper.CopyFrom(target), 1);  // keeper holds target's first holder too
    auto* first = target.GetHolder();
    EXPECT_EQ(first->GetRefCount(), 2);
    ASSERT_EQ(target.CopyFrom(source), 1);
    EXPECT_EQ(target.GetHolder(), source.GetHolder());
    EXPECT_EQ(first->GetRefCount(), 1);  // target let go of it
    EXPECT_EQ(source.GetHolder()->GetRefCount(), 2);
    EXPECT_EQ(target.GetImage()->GetWidth(), 608u);
    EXPECT_EQ(target.CopyFrom(target), 1);  // assigning to itself keeps the count
    EXPECT_EQ(source.GetHolder()->GetRefCount(), 2);
}

TEST(Sharing, ResetGivesANewEmptyHolder) {
    rg_TuXiangChuLiLei a;
    ASSERT_EQ(a.LoadFromResource(501), 1);
    rg_TuXiangChuLiLei b(a);
    auto* shared = a.GetHolder();
    b.Reset();
    EXPECT_NE(b.GetHolder(), shared);
    EXPECT_FALSE(b.GetImage()->IsValid());
    EXPECT_TRUE(a.GetImage()->IsValid());
    EXPECT_EQ(shared->GetRefCount(), 1);
}

TEST(Sharing, RotateIntoAnotherObjectMakesASeparatePicture) {
    rg_TuXiangChuLiLei a, turned;
    ASSERT_EQ(a.LoadFromResource(501), 1);
    ASSERT_TRUE(a.GetImage()->Rotate(90.0f, turned.GetImage()));
    EXPECT_EQ(turned.GetImage()->GetWidth(), 406u);
    EXPECT_EQ(turned.GetImage()->GetHeight(), 608u);
    EXPECT_EQ(a.GetImage()->GetWidth(), 608u);
    EXPECT_NE(turned.GetHolder(), a.GetHolder());
}

// ---------------------------------------------------------------------------------------------
// Resource, PNG, drawing

TEST(LoadFromResource, SampleIsA608By406PngWithAlpha) {
    rg_TuXiangChuLiLei img;
    ASSERT_EQ(img.LoadFromResource(501), 1);
    EXPECT_EQ(img.GetImage()->GetWidth(), 608u);
    EXPECT_EQ(img.GetImage()->GetHeight(), 406u);
    EXPECT_EQ(img.GetImage()->GetType(), uint32_t(CXIMAGE_FORMAT_PNG));
    // A missing id fails and leaves the picture as it was.
    EXPECT_EQ(img.LoadFromResource(9999), 0);
    EXPECT_EQ(img.GetImage()->GetWidth(), 608u);
    rg_TuXiangChuLiLei empty;
    EXPECT_EQ(empty.LoadFromResource(9999), 0);
    EXPECT_FALSE(empty.GetImage()->IsValid());
}

TEST(EncodeToPng, EmptyPictureFailsAndLeavesTheBuffer) {
    rg_TuXiangChuLiLei img;
    CQelMem buffer;
    buffer.AppendBytes("keep", 4);
    EXPECT_EQ(img.EncodeToPng(buffer), 0);
    ASSERT_EQ(buffer.size, 4);
    EXPECT_EQ(std::memcmp(buffer.data, "keep", 4), 0);
}

TEST(EncodeToPng, WritesAPngThatDecodesToTheSamePixels) {
    rg_TuXiangChuLiLei img;
    ASSERT_EQ(img.LoadFromResource(501), 1);
    img.GetImage()->Light(30, 60);
    CQelMem buffer;
    buffer.AppendBytes("old content that must go", 24);
    ASSERT_EQ(img.EncodeToPng(buffer), 1);
    ASSERT_GT(buffer.size, 8);
    EXPECT_EQ(std::memcmp(buffer.data, "\x89PNG\r\n\x1a\n", 8), 0);
    CxImage back;
    ASSERT_TRUE(back.Decode(buffer.data, size_t(buffer.size), CXIMAGE_FORMAT_PNG)) << back.GetLastError();
    ASSERT_EQ(back.GetWidth(), 608u);
    EXPECT_EQ(std::memcmp(back.GetRow(0), img.GetImage()->GetRow(0), 608 * 406 * 4), 0);
}

struct Canvas {
    HDC dc;
    HBITMAP bmp;
    HGDIOBJ old;
    uint32_t* px;
    Canvas() {
        dc = CreateCompatibleDC(nullptr);
        bmp = qeltest::CreateBitmap32(700, 500, &px, qeltest::Rows::TopDown,
                                      [](int, int) -> uint32_t { return 0x00FF00FF; });  // magenta: nothing drawn
        old = SelectObject(dc, bmp);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    bool Drawn(int x, int y) {
        GdiFlush();
        return (px[y * 700 + x] & 0xFFFFFF) != 0xFF00FF;
    }
};

TEST(DrawTo, NullRectangleDrawsTheWholePictureAtTheOrigin) {
    rg_TuXiangChuLiLei img;
    ASSERT_EQ(img.LoadFromResource(501), 1);
    img.GetImage()->AlphaDelete();
    Canvas c;
    rg_Zarno_JiBen::rg_JuXingLei none;
    none.SetNullObject(true);
    img.DrawTo(c.dc, 50, 60, none);  // x and y are not used
    EXPECT_TRUE(c.Drawn(0, 0));
    EXPECT_TRUE(c.Drawn(607, 405));
    EXPECT_FALSE(c.Drawn(608, 10));
    EXPECT_FALSE(c.Drawn(10, 406));
}

TEST(DrawTo, RectangleClips) {
    rg_TuXiangChuLiLei img;
    ASSERT_EQ(img.LoadFromResource(501), 1);
    img.GetImage()->AlphaDelete();
    Canvas c;
    rg_Zarno_JiBen::rg_JuXingLei clip(100, 50, 300, 200);
    img.DrawTo(c.dc, 0, 0, clip);
    EXPECT_TRUE(c.Drawn(100, 50));
    EXPECT_TRUE(c.Drawn(299, 199));
    EXPECT_FALSE(c.Drawn(99, 100));
    EXPECT_FALSE(c.Drawn(300, 100));
    EXPECT_FALSE(c.Drawn(150, 49));
    EXPECT_FALSE(c.Drawn(150, 200));
}

}  // namespace
