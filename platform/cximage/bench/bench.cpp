// Native benchmark: our Light, Colorize, GrayScale, Rotate(90) and PNG encoder on a 12-megapixel
// document photograph, each beside one memcpy of the picture's bytes and beside the same work done
// in the same run by ImageMagick (MagickWand), libvips and libpng. Every tool runs on one thread
// and starts from pixels in memory, so no decoding is counted anywhere. Then our PNG encoder on one
// thread and on every processor, in wall-clock time, for the document and a camera photograph.
#include <png.h>
#include <vips/vips.h>
#include <wand/MagickWand.h>

#include <cstdlib>
#include <vector>

#include "platform/cximage/bench/bench_common.h"

using namespace bench;

namespace {

// ----- libpng -----

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

size_t LibpngEncode(const CxImage& img, int level) {
    std::vector<uint8_t> out;
    out.reserve(size_t(kWidth) * kHeight * 3);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    if (level >= 0) png_set_compression_level(png, level);
    png_set_IHDR(png, info, img.GetWidth(), img.GetHeight(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);                           // our pixels are B, G, R, A
    png_set_filler(png, 0, PNG_FILLER_AFTER);   // and the fourth byte is dropped
    for (uint32_t y = 0; y < img.GetHeight(); ++y) png_write_row(png, const_cast<png_bytep>(img.GetRow(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out.size();
}

// ----- libvips -----

VipsImage* VipsFrom(const CxImage& img) {
    VipsImage* raw = vips_image_new_from_memory(img.GetRow(0), size_t(kWidth) * kHeight * 4, int(kWidth), int(kHeight), 4,
                                                VIPS_FORMAT_UCHAR);
    VipsImage* out = nullptr;
    vips_copy(raw, &out, "interpretation", VIPS_INTERPRETATION_sRGB, nullptr);
    g_object_unref(raw);
    return out;
}

// Runs the pipeline to the end into memory.
void VipsMaterialise(VipsImage* image) {
    size_t size = 0;
    void* mem = vips_image_write_to_memory(image, &size);
    g_free(mem);
    g_object_unref(image);
}

// ----- ImageMagick -----

MagickWand* WandFrom(const CxImage& img) {
    MagickWand* w = NewMagickWand();
    MagickConstituteImage(w, kWidth, kHeight, "BGRP", CharPixel, img.GetRow(0));
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    (void)argc;
    if (VIPS_INIT(argv[0])) return 1;
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    MagickWandGenesis();
    MagickSetResourceLimit(ThreadResource, 1);
    cximg::SetPngEncoderThreads(1);  // like the peers; the threaded encoder has its own rows below

    std::printf("generating the document photograph...\n");
    CxImage photo = DocumentPhoto();
    CxImage whitened = photo;
    whitened.Light(30, 160);  // what a user does to a paper background before printing

    const size_t bytes = size_t(kWidth) * kHeight * 4;
    std::vector<uint8_t> a(photo.GetRow(0), photo.GetRow(0) + bytes), b(bytes, 0);
    const double mc = Time(9, [] {}, [&] { std::memcpy(b.data(), a.data(), bytes); });

    CxImage work;
    auto restore = [&] { work = photo; };
    Header();
    Row("memcpy of the picture's bytes", mc, mc);

    // Our operations.
    double ours[4];
    ours[0] = Time(7, restore, [&] { work.Light(20, 40); });
    ours[1] = Time(7, restore, [&] { work.Colorize(150, 150, 1.0f); });
    ours[2] = Time(7, restore, [&] { work.GrayScale(); });
    CxImage turned;
    ours[3] = Time(7, [] {}, [&] { photo.Rotate(90.0f, &turned); });
    Row("ours  Light(20, 40)", ours[0], mc);
    Row("ours  Colorize(150, 150, 1.0)", ours[1], mc);
    Row("ours  GrayScale()", ours[2], mc);
    Row("ours  Rotate(90)", ours[3], mc);

    std::printf("generating the camera photograph...\n");
    const CxImage camera = CameraPhoto();
    const double mcWall = TimeWall(9, [&] { std::memcpy(b.data(), a.data(), bytes); });
    // The threaded encoder, wall clock: the noisy document (sensor noise on paper) and the camera
    // photograph, against libpng's default level for the size.
    auto threadRows = [&] {
        std::printf("\n%-34s %11s %9s %12s\n", "PNG encoding (4000 x 3000)", "wall ms", "x memcpy", "output bytes");
        Row("memcpy of the picture's bytes", mcWall, mcWall);
        const size_t noisy = PngThreadRows("noisy", photo, mcWall, 5);
        const size_t cam = PngThreadRows("camera", camera, mcWall, 5);
        const size_t libNoisy = LibpngEncode(photo, -1), libCam = LibpngEncode(camera, -1);
        std::printf("  %-32s %.3f (libpng %zu)\n", "size / libpng default, noisy", double(noisy) / libNoisy, libNoisy);
        std::printf("  %-32s %.3f (libpng %zu)\n", "size / libpng default, camera", double(cam) / libCam, libCam);
        return std::max(double(noisy) / libNoisy, double(cam) / libCam);
    };
    if (std::getenv("CXIMAGE_BENCH_OURS_ONLY")) {
        for (const CxImage* pic : {&photo, &whitened}) {
            std::vector<uint8_t> out;
            double t = Time(3, [] {}, [&] { const_cast<CxImage*>(pic)->Encode(out, CXIMAGE_FORMAT_PNG); });
            Row(pic == &photo ? "ours  PNG encode, noisy" : "ours  PNG encode, whitened", t, mc, out.size());
        }
        threadRows();
        return 0;
    }
    // ImageMagick, one thread.
    MagickWand* base = WandFrom(photo);
    MagickWand* w = nullptr;
    auto fresh = [&] {
        if (w) DestroyMagickWand(w);
        w = CloneMagickWand(base);
    };
    PixelWand* bg = NewPixelWand();
    double im[4];
    im[0] = Time(3, fresh, [&] { MagickBrightnessContrastImage(w, 8.0, 16.0); });
    im[1] = Time(3, fresh, [&] { MagickModulateImage(w, 100.0, 60.0, 160.0); });
    im[2] = Time(3, fresh, [&] { MagickTransformImageColorspace(w, GRAYColorspace); });
    im[3] = Time(3, fresh, [&] { MagickRotateImage(w, bg, -90.0); });
    Row("ImageMagick brightness-contrast", im[0], mc);
    Row("ImageMagick modulate (HSL)", im[1], mc);
    Row("ImageMagick colourspace gray", im[2], mc);
    Row("ImageMagick rotate -90", im[3], mc);

    // libvips, one thread, no operation cache.
    double vp[4];
    vp[0] = Time(3, [] {}, [&] {
        VipsImage* in = VipsFrom(photo);
        VipsImage* out = nullptr;
        vips_linear1(in, &out, 1.19, -4.0, "uchar", TRUE, nullptr);
        g_object_unref(in);
        VipsMaterialise(out);
    });
    vp[1] = Time(3, [] {}, [&] {
        VipsImage* in = VipsFrom(photo);
        VipsImage *hsv = nullptr, *set = nullptr, *out = nullptr;
        double mul[4] = {0, 0, 1, 1}, add[4] = {150, 150, 0, 0};
        vips_sRGB2HSV(in, &hsv, nullptr);
        vips_linear(hsv, &set, mul, add, 4, "uchar", TRUE, nullptr);
        vips_HSV2sRGB(set, &out, nullptr);
        g_object_unref(in);
        g_object_unref(hsv);
        g_object_unref(set);
        VipsMaterialise(out);
    });
    vp[2] = Time(3, [] {}, [&] {
        VipsImage* in = VipsFrom(photo);
        VipsImage* out = nullptr;
        vips_colourspace(in, &out, VIPS_INTERPRETATION_B_W, nullptr);
        g_object_unref(in);
        VipsMaterialise(out);
    });
    vp[3] = Time(3, [] {}, [&] {
        VipsImage* in = VipsFrom(photo);
        VipsImage* out = nullptr;
        vips_rot(in, &out, VIPS_ANGLE_D270, nullptr);
        g_object_unref(in);
        VipsMaterialise(out);
    });
    Row("libvips linear", vp[0], mc);
    Row("libvips HSV set hue and saturation", vp[1], mc);
    Row("libvips colourspace b-w", vp[2], mc);
    Row("libvips rot 270", vp[3], mc);

    // PNG encoding of the noisy photograph and of the whitened one.
    const char* names[2] = {"noisy", "whitened"};
    const CxImage* pics[2] = {&photo, &whitened};
    struct Png { double ours, lib6, lib1, magick, vips; size_t sOurs, sLib6, sLib1, sMagick, sVips; } png[2];
    for (int k = 0; k < 2; ++k) {
        const CxImage& pic = *pics[k];
        Png& r = png[k];
        std::vector<uint8_t> out;
        r.ours = Time(5, [] {}, [&] { const_cast<CxImage&>(pic).Encode(out, CXIMAGE_FORMAT_PNG); });
        r.sOurs = out.size();
        r.lib6 = Time(2, [] {}, [&] { r.sLib6 = LibpngEncode(pic, -1); });
        r.lib1 = Time(2, [] {}, [&] { r.sLib1 = LibpngEncode(pic, 1); });
        MagickWand* pw = WandFrom(pic);
        MagickSetImageFormat(pw, "PNG");
        r.magick = Time(2, [] {}, [&] {
            size_t len = 0;
            unsigned char* blob = MagickGetImageBlob(pw, &len);
            r.sMagick = len;
            MagickRelinquishMemory(blob);
        });
        DestroyMagickWand(pw);
        r.vips = Time(2, [] {}, [&] {
            VipsImage* in = VipsFrom(pic);
            VipsImage* rgb = nullptr;
            vips_extract_band(in, &rgb, 0, "n", 3, nullptr);
            void* buf = nullptr;
            size_t len = 0;
            vips_pngsave_buffer(rgb, &buf, &len, nullptr);
            r.sVips = len;
            g_free(buf);
            g_object_unref(rgb);
            g_object_unref(in);
        });
        std::string n = names[k];
        Row("ours  PNG encode, " + n, r.ours, mc, r.sOurs);
        Row("libpng default, " + n, r.lib6, mc, r.sLib6);
        Row("libpng zlib level 1, " + n, r.lib1, mc, r.sLib1);
        Row("ImageMagick PNG, " + n, r.magick, mc, r.sMagick);
        Row("libvips pngsave, " + n, r.vips, mc, r.sVips);
    }

    const double worstSizeRatio = threadRows();

    // The targets, as ratios.
    std::printf("\ntargets:\n");
    auto check = [](const char* what, bool ok, double value) { std::printf("  %-58s %-5s (%.2f)\n", what, ok ? "met" : "MISSED", value); };
    check("Light <= 2 x memcpy", ours[0] <= 2 * mc, ours[0] / mc);
    check("Colorize <= 4 x memcpy", ours[1] <= 4 * mc, ours[1] / mc);
    check("GrayScale <= 4 x memcpy", ours[2] <= 4 * mc, ours[2] / mc);
    check("Rotate(90) <= 5 x memcpy", ours[3] <= 5 * mc, ours[3] / mc);
    for (int i = 0; i < 4; ++i) {
        static const char* op[4] = {"Light", "Colorize", "GrayScale", "Rotate(90)"};
        double bestPeer = std::min(im[i], vp[i]);
        check((std::string(op[i]) + " faster than every peer (best peer / ours)").c_str(), ours[i] < bestPeer, bestPeer / ours[i]);
    }
    for (int k = 0; k < 2; ++k) {
        const Png& r = png[k];
        check((std::string("PNG ") + names[k] + ": >= 10 x faster than libpng default").c_str(), r.lib6 >= 10 * r.ours, r.lib6 / r.ours);
        check((std::string("PNG ") + names[k] + ": size <= 1.15 x libpng default").c_str(), r.sOurs <= r.sLib6 * 1.15, double(r.sOurs) / r.sLib6);
        double bestPeer = std::min({r.lib1, r.magick, r.vips});
        check((std::string("PNG ") + names[k] + ": faster than every peer (best peer / ours)").c_str(), r.ours < bestPeer, bestPeer / r.ours);
    }
    check("PNG noisy and camera: size <= 1.15 x libpng default (worst)", worstSizeRatio <= 1.15, worstSizeRatio);
    if (w) DestroyMagickWand(w);
    DestroyMagickWand(base);
    DestroyPixelWand(bg);
    MagickWandTerminus();
    vips_shutdown();
    return 0;
}
