// Under Wine: the bitmap round trip of every slider movement (MakeBitmap, then CreateFromHBITMAP
// of that bitmap) on the 12-megapixel picture, beside one memcpy of its bytes; then PNG encoding
// of the noisy document and of a camera photograph on one thread and on every processor.
#include <vector>

#include "platform/cximage/bench/bench_common.h"
#include "platform/cximage/include/ximage.h"

int main() {
    using namespace bench;
    CxImage photo = DocumentPhoto();
    const size_t bytes = size_t(kWidth) * kHeight * 4;
    std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
    double mc = Time(7, [] {}, [&] { std::memcpy(b.data(), a.data(), bytes); });
    CxImage back;
    double rt = Time(5, [] {}, [&] {
        HBITMAP bmp = photo.MakeBitmap(nullptr, false);
        back.CreateFromHBITMAP(bmp, nullptr, false);
        DeleteObject(bmp);
    });
    bool same = std::memcmp(back.GetRow(0), photo.GetRow(0), bytes) == 0;
    HBITMAP held = nullptr;
    double make = Time(5, [&] { if (held) DeleteObject(held); held = nullptr; }, [&] { held = photo.MakeBitmap(nullptr, false); });
    double create = Time(5, [] {}, [&] { back.CreateFromHBITMAP(held, nullptr, false); });
    DeleteObject(held);
    Row("memcpy (Wine)", mc, mc);
    Row("  MakeBitmap alone (Wine)", make, mc);
    Row("  CreateFromHBITMAP alone (Wine)", create, mc);
    Row(same ? "MakeBitmap+CreateFromHBITMAP (Wine)" : "bitmap round trip DIFFERS (Wine)", rt, mc);

    const double mcWall = TimeWall(7, [&] { std::memcpy(b.data(), a.data(), bytes); });
    std::printf("\n%-34s %11s %9s %12s\n", "PNG encoding (Wine)", "wall ms", "x memcpy", "output bytes");
    Row("memcpy (Wine)", mcWall, mcWall);
    PngThreadRows("noisy", photo, mcWall, 5);
    PngThreadRows("camera", CameraPhoto(), mcWall, 5);
    return same ? 0 : 1;
}
