// Each of our decoders against pictures written by independent encoders (ImageMagick, netpbm) in
// every variant we read, compared pixel for pixel with ImageMagick's own reading of the same file;
// content detection when the format number lies; clean failures on damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

#include "platform/cximage/src/internal.h"
#include "platform/cximage/tests/test_util.h"
#include "platform/cximage/include/ximacore.h"

using namespace cxtest;

namespace {

// Source pictures for the encoders, made once: colour blocks, gradients and noise in odd sizes.
constexpr uint32_t W = 37, H = 23;

std::vector<uint8_t> SourceRgba(bool alpha) {
    std::vector<uint8_t> px(size_t(W) * H * 4);
    std::mt19937 rng(7);
    for (uint32_t y = 0; y < H; ++y)
        for (uint32_t x = 0; x < W; ++x) {
            uint8_t* p = &px[(size_t(y) * W + x) * 4];
            if (x < 12) {  // flat blocks give runs for the run-length coders
                p[0] = uint8_t(y < 11 ? 200 : 30);
                p[1] = uint8_t(x < 6 ? 90 : 250);
                p[2] = 17;
            } else if (x < 25) {
                p[0] = uint8_t(x * 9);
                p[1] = uint8_t(y * 11);
                p[2] = uint8_t(255 - x * 5);
            } else {
                p[0] = uint8_t(rng());
                p[1] = uint8_t(rng());
                p[2] = uint8_t(rng());
            }
            p[3] = alpha ? uint8_t((x * 7 + y * 13) % 256) : 255;
        }
    return px;
}

class Sources {
public:
    static void Make() {
        static bool made = false;
        if (made) return;
        made = true;
        WriteFile(Scratch("src.rgba"), SourceRgba(false));
        WriteFile(Scratch("srca.rgba"), SourceRgba(true));
        const std::string c = Convert(), size = " -size " + std::to_string(W) + "x" + std::to_string(H) + " -depth 8 ";
        ASSERT_TRUE(cxtest::Run(c + size + "rgba:" + Scratch("src.rgba") + " -alpha off -depth 8 " + Scratch("src.ppm")));
        ASSERT_TRUE(cxtest::Run(c + size + "rgba:" + Scratch("srca.rgba") + " " + Scratch("srca.png")));
        ASSERT_TRUE(cxtest::Run(c + " " + Scratch("src.ppm") + " -colorspace gray -depth 8 " + Scratch("gray.pgm")));
        ASSERT_TRUE(cxtest::Run(c + " " + Scratch("src.ppm") + " -colorspace gray -threshold 50% " + Scratch("bw.pbm")));
        ASSERT_TRUE(cxtest::Run(c + " " + Scratch("src.ppm") + " +dither -colors 16 -depth 8 " + Scratch("c16.ppm")));
        // 16-bit pictures with values that are not multiples of 257.
        ASSERT_TRUE(cxtest::Run(c + " " + Scratch("src.ppm") + " -depth 16 -evaluate add 99 " + Scratch("deep.ppm")));
        ASSERT_TRUE(cxtest::Run(c + " " + Scratch("gray.pgm") + " -depth 16 -evaluate add 77 " + Scratch("deepgray.pgm")));
    }
};

struct Variant {
    const char* name;
    const char* command;  // {c} convert, {s} scratch folder, {o} output file
    const char* ext;
    uint32_t format;
    int tolerance;
    // Where ImageMagick misreads what the other encoder wrote, the reference is the picture the
    // encoder was given (a file of the scratch folder); otherwise ImageMagick's reading of the file.
    const char* source = nullptr;
};

std::string Expand(std::string cmd, const std::string& out) {
    auto replace = [&](const std::string& key, const std::string& value) {
        for (size_t p; (p = cmd.find(key)) != std::string::npos;) cmd.replace(p, key.size(), value);
    };
    replace("{c}", Convert());
    replace("{s}", ScratchDir());
    replace("{o}", out);
    return cmd;
}

const Variant kVariants[] = {
    // TGA: every image type, depth and origin.
    {"tga_rgb24_raw", "{c} {s}/src.ppm -compress None {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_rgb24_rle", "{c} {s}/src.ppm -compress RLE {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_rgba32_raw", "{c} {s}/srca.png -compress None {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_rgba32_rle", "{c} {s}/srca.png -compress RLE {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_rgb16_raw", "{c} {s}/src.ppm -depth 5 -compress None {o}", "tga", CXIMAGE_FORMAT_TGA, 1},
    {"tga_rgb16_rle", "{c} {s}/src.ppm -depth 5 -compress RLE {o}", "tga", CXIMAGE_FORMAT_TGA, 1},
    {"tga_rgb15_raw", "{c} {s}/src.ppm -depth 5 -compress None {o} && printf '\\017' | dd of={o} bs=1 seek=16 conv=notrunc",
     "tga", CXIMAGE_FORMAT_TGA, 1},
    {"tga_gray8_raw", "{c} {s}/gray.pgm -compress None {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_gray8_rle", "{c} {s}/gray.pgm -compress RLE {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_palette8_raw", "{c} {s}/c16.ppm -type Palette -compress None {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_palette8_rle", "{c} {s}/c16.ppm -type Palette -compress RLE {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_origin_top_left", "{c} {s}/src.ppm -orient TopLeft -compress None {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_origin_top_right", "{c} {s}/src.ppm -orient TopRight -compress None {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_origin_bottom_right", "{c} {s}/src.ppm -orient BottomRight -compress RLE {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_netpbm_rgb_rle", "ppmtotga -rgb {s}/src.ppm > {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_netpbm_cmap_rle", "ppmtotga -cmap {s}/c16.ppm > {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    {"tga_netpbm_mono_raw", "ppmtotga -mono -norle {s}/gray.pgm > {o}", "tga", CXIMAGE_FORMAT_TGA, 0},
    // PCX: 1, 4 (planes and packed), 8 and 24 bits.
    {"pcx_rgb24_rle", "{c} {s}/src.ppm {o}", "pcx", CXIMAGE_FORMAT_PCX, 0},
    {"pcx_rgb24_raw", "{c} {s}/src.ppm -compress None {o}", "pcx", CXIMAGE_FORMAT_PCX, 0},
    {"pcx_palette8", "{c} {s}/c16.ppm -type Palette {o}", "pcx", CXIMAGE_FORMAT_PCX, 0},
    {"pcx_gray8", "{c} {s}/gray.pgm -type Grayscale {o}", "pcx", CXIMAGE_FORMAT_PCX, 0},
    {"pcx_mono1", "ppmtopcx {s}/bw.pbm > {o}", "pcx", CXIMAGE_FORMAT_PCX, 0, "bw.pbm"},
    {"pcx_planes4", "ppmtopcx -planes 4 {s}/c16.ppm > {o}", "pcx", CXIMAGE_FORMAT_PCX, 0},
    {"pcx_packed4", "ppmtopcx -packed {s}/c16.ppm > {o}", "pcx", CXIMAGE_FORMAT_PCX, 0},
    {"pcx_netpbm_rgb24", "ppmtopcx -24bit {s}/src.ppm > {o}", "pcx", CXIMAGE_FORMAT_PCX, 0},
    {"pcx_netpbm_palette8", "ppmtopcx -8bit {s}/c16.ppm > {o}", "pcx", CXIMAGE_FORMAT_PCX, 0},
    // WBMP.
    {"wbmp_imagemagick", "{c} {s}/bw.pbm {o}", "wbmp", CXIMAGE_FORMAT_WBMP, 0},
    {"wbmp_netpbm", "pbmtowbmp {s}/bw.pbm > {o}", "wbmp", CXIMAGE_FORMAT_WBMP, 0},
    // PNM: text and binary forms, 8 and 16 bits.
    {"pnm_p1", "{c} {s}/bw.pbm -compress none {o}", "pbm", CXIMAGE_FORMAT_PNM, 0},
    {"pnm_p2", "{c} {s}/gray.pgm -compress none {o}", "pgm", CXIMAGE_FORMAT_PNM, 0},
    {"pnm_p3", "{c} {s}/src.ppm -compress none {o}", "ppm", CXIMAGE_FORMAT_PNM, 0},
    {"pnm_p4", "{c} {s}/bw.pbm {o}", "pbm", CXIMAGE_FORMAT_PNM, 0},
    {"pnm_p5", "{c} {s}/gray.pgm {o}", "pgm", CXIMAGE_FORMAT_PNM, 0},
    {"pnm_p6", "{c} {s}/src.ppm {o}", "ppm", CXIMAGE_FORMAT_PNM, 0},
    {"pnm_p5_16bit", "{c} {s}/deepgray.pgm -depth 16 {o}", "pgm", CXIMAGE_FORMAT_PNM, 0},
    {"pnm_p6_16bit", "{c} {s}/deep.ppm -depth 16 {o}", "ppm", CXIMAGE_FORMAT_PNM, 0},
    {"pnm_p3_16bit", "{c} {s}/deep.ppm -depth 16 -compress none {o}", "ppm", CXIMAGE_FORMAT_PNM, 0},
    {"pnm_p2_maxval_1000", "pamdepth 1000 {s}/gray.pgm | pnmtoplainpnm > {o}", "pgm", CXIMAGE_FORMAT_PNM, 1},
    // Sun raster: 1, 8, 24 and 32 bits, RGB order, colour maps, run-length coding.
    {"ras_rgb24", "{c} {s}/src.ppm {o}", "ras", CXIMAGE_FORMAT_RAS, 0},
    {"ras_rgba32", "{c} {s}/srca.png {o}", "ras", CXIMAGE_FORMAT_RAS, 0},
    {"ras_palette8", "{c} {s}/c16.ppm -type Palette {o}", "ras", CXIMAGE_FORMAT_RAS, 0},
    {"ras_netpbm_bgr24", "pnmtorast {s}/src.ppm > {o}", "ras", CXIMAGE_FORMAT_RAS, 0, "src.ppm"},
    // pnmtorast drops the bits of a last partial byte, so its 1-bit pictures are 48 pixels wide.
    {"ras_netpbm_mono1", "pnmpad -right 11 {s}/bw.pbm > {s}/bw48.pbm && pnmtorast {s}/bw48.pbm > {o}", "ras", CXIMAGE_FORMAT_RAS, 0, "bw48.pbm"},
    {"ras_netpbm_mono1_rle", "pnmpad -right 11 {s}/bw.pbm > {s}/bw48.pbm && pnmtorast -rle {s}/bw48.pbm > {o}", "ras", CXIMAGE_FORMAT_RAS, 0, "bw48.pbm"},
    {"ras_netpbm_palette8_rle", "pnmtorast -rle {s}/c16.ppm > {o}", "ras", CXIMAGE_FORMAT_RAS, 0, "c16.ppm"},
    {"ras_netpbm_gray8", "pnmtorast {s}/gray.pgm > {o}", "ras", CXIMAGE_FORMAT_RAS, 0, "gray.pgm"},
    // PGX: 8 and 16 bits.
    {"pgx_8bit", "{c} {s}/gray.pgm {o}", "pgx", CXIMAGE_FORMAT_PGX, 0},
    {"pgx_16bit", "{c} {s}/deepgray.pgm -depth 16 {o}", "pgx", CXIMAGE_FORMAT_PGX, 0},
    // PSD: gray, RGB, indexed, CMYK; 8 and 16 bits; raw and run-length coded; with alpha.
    {"psd_rgb_rle", "{c} {s}/src.ppm {o}", "psd", CXIMAGE_FORMAT_PSD, 0},
    {"psd_rgb_raw", "{c} {s}/src.ppm -compress None {o}", "psd", CXIMAGE_FORMAT_PSD, 0},
    {"psd_rgba_rle", "{c} {s}/srca.png {o}", "psd", CXIMAGE_FORMAT_PSD, 0, "srca.png"},
    {"psd_gray_rle", "{c} {s}/gray.pgm -type Grayscale {o}", "psd", CXIMAGE_FORMAT_PSD, 0},
    {"psd_gray_raw", "{c} {s}/gray.pgm -type Grayscale -compress None {o}", "psd", CXIMAGE_FORMAT_PSD, 0},
    {"psd_indexed", "{c} {s}/c16.ppm -type Palette {o}", "psd", CXIMAGE_FORMAT_PSD, 0, "c16.ppm"},
    {"psd_cmyk_rle", "{c} {s}/src.ppm -colorspace CMYK {o}", "psd", CXIMAGE_FORMAT_PSD, 1},
    {"psd_cmyk_raw", "{c} {s}/src.ppm -colorspace CMYK -compress None {o}", "psd", CXIMAGE_FORMAT_PSD, 1},
    {"psd_rgb16_rle", "{c} {s}/deep.ppm -depth 16 {o}", "psd", CXIMAGE_FORMAT_PSD, 0},
    {"psd_rgb16_raw", "{c} {s}/deep.ppm -depth 16 -compress None {o}", "psd", CXIMAGE_FORMAT_PSD, 0},
    {"psd_gray16", "{c} {s}/deepgray.pgm -depth 16 -type Grayscale {o}", "psd", CXIMAGE_FORMAT_PSD, 0},
};

class DecoderVariant : public ::testing::TestWithParam<Variant> {
protected:
    void SetUp() override { Sources::Make(); }
    std::string Make(const Variant& v) {
        std::string out = Scratch(std::string(v.name) + "." + v.ext);
        EXPECT_TRUE(cxtest::Run(Expand(v.command, out))) << Expand(v.command, out);
        return out;
    }
};

TEST_P(DecoderVariant, MatchesImageMagickPixelForPixel) {
    const Variant& v = GetParam();
    std::string file = Make(v);
    uint32_t w = 0, h = 0;
    std::string reference = v.source ? Scratch(v.source) : file;
    std::vector<uint8_t> ref = ImageMagickRgba(reference, w, h);
    ASSERT_FALSE(ref.empty()) << "ImageMagick could not read " << reference;
    CxImage img;
    ASSERT_TRUE(img.LoadUtf8(file.c_str(), v.format)) << img.GetLastError();
    EXPECT_EQ(img.GetType(), v.format);
    EXPECT_LE(MaxDifference(img, ref, w, h), v.tolerance);
}

TEST_P(DecoderVariant, ContentDecidesWhenTheFormatNumberLies) {
    const Variant& v = GetParam();
    std::vector<uint8_t> bytes = ReadFile(Make(v));
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(cximg::DetectFormat(bytes.data(), bytes.size()), v.format);
    CxImage right;
    ASSERT_TRUE(right.Decode(bytes.data(), bytes.size(), v.format));
    for (uint32_t claimed : {uint32_t(CXIMAGE_FORMAT_UNKNOWN), uint32_t(CXIMAGE_FORMAT_PNG), uint32_t(CXIMAGE_FORMAT_JPG),
                             v.format == CXIMAGE_FORMAT_TGA ? uint32_t(CXIMAGE_FORMAT_PCX) : uint32_t(CXIMAGE_FORMAT_TGA)}) {
        CxImage img;
        EXPECT_TRUE(img.Decode(bytes.data(), bytes.size(), claimed)) << "claimed " << claimed << ": " << img.GetLastError();
        EXPECT_EQ(img.GetType(), v.format);
        ASSERT_EQ(img.GetWidth(), right.GetWidth());
        ASSERT_EQ(img.GetHeight(), right.GetHeight());
        EXPECT_EQ(std::memcmp(img.GetRow(0), right.GetRow(0), size_t(img.GetWidth()) * img.GetHeight() * 4), 0);
    }
}

TEST_P(DecoderVariant, DamagedFilesFailCleanly) {
    const Variant& v = GetParam();
    std::vector<uint8_t> bytes = ReadFile(Make(v));
    ASSERT_GT(bytes.size(), 40u);
    // Half a file always lacks pixel data.
    CxImage half;
    EXPECT_FALSE(half.Decode(bytes.data(), bytes.size() / 2, v.format));
    EXPECT_STRNE(half.GetLastError(), "");
    EXPECT_FALSE(half.IsValid());
    // Every shorter prefix and a few corrupted copies must neither crash nor read out of bounds
    // (the sanitizers watch); a failure must come with a text.
    for (size_t n = 0; n < bytes.size(); n += std::max<size_t>(1, bytes.size() / 97)) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(n));
        CxImage img;
        if (!img.Decode(cut.data(), cut.size(), v.format)) EXPECT_STRNE(img.GetLastError(), "") << n;
    }
    std::mt19937 rng(1);
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> bad = bytes;
        for (int k = 0; k < 4; ++k) bad[rng() % std::min<size_t>(bad.size(), 64)] = uint8_t(rng());
        CxImage img;
        if (!img.Decode(bad.data(), bad.size(), v.format)) EXPECT_STRNE(img.GetLastError(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(AllVariants, DecoderVariant, ::testing::ValuesIn(kVariants),
                         [](const ::testing::TestParamInfo<Variant>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// SKA has no encoder outside this library; the file is assembled here from its documented layout.

std::vector<uint8_t> MakeSka(uint32_t w, uint32_t h, uint8_t depthCode) {
    std::vector<uint8_t> f = {uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), depthCode, 0, 0, 0, 0};
    for (int i = 0; i < 256; ++i) {
        f.push_back(uint8_t(i));            // blue
        f.push_back(uint8_t(255 - i));      // green
        f.push_back(uint8_t((i * 7) & 255)); // red
        f.push_back(0);
    }
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) f.push_back(uint8_t(x * 16 + y));
    return f;
}

TEST(SkaDecoder, ReadsPaletteIndicesTopDown) {
    auto f = MakeSka(5, 3, 3);
    EXPECT_EQ(cximg::DetectFormat(f.data(), f.size()), CXIMAGE_FORMAT_SKA);
    CxImage img;
    ASSERT_TRUE(img.Decode(f.data(), f.size(), CXIMAGE_FORMAT_SKA)) << img.GetLastError();
    ASSERT_EQ(img.GetWidth(), 5u);
    ASSERT_EQ(img.GetHeight(), 3u);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 5; ++x) {
            uint8_t i = uint8_t(x * 16 + y);
            const uint8_t* p = img.GetRow(y) + x * 4;
            EXPECT_EQ(p[0], i);
            EXPECT_EQ(p[1], 255 - i);
            EXPECT_EQ(p[2], uint8_t((i * 7) & 255));
            EXPECT_EQ(p[3], 255);
        }
    auto deep = MakeSka(5, 3, 4);
    EXPECT_FALSE(img.Decode(deep.data(), deep.size(), CXIMAGE_FORMAT_SKA));
    EXPECT_STREQ(img.GetLastError(), "unsupported SKA bit depth");
    f.pop_back();
    EXPECT_FALSE(img.Decode(f.data(), f.size(), CXIMAGE_FORMAT_SKA));
    EXPECT_STREQ(img.GetLastError(), "truncated file");
}

// ---------------------------------------------------------------------------------------------
// Header faults with their texts.

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

struct Fault {
    const char* name;
    std::vector<uint8_t> file;
    uint32_t format;
    const char* error;
};

std::vector<Fault> Faults() {
    std::vector<Fault> f;
    f.push_back({"pnm_over_256_megapixels", Bytes("P5 20000 20000 255\n"), CXIMAGE_FORMAT_PNM, "picture larger than 256 megapixels"});
    f.push_back({"pnm_bad_maxval", Bytes("P5 2 2 0\nabcd"), CXIMAGE_FORMAT_PNM, "invalid PNM maxval"});
    f.push_back({"pgx_over_256_megapixels", Bytes("PG ML +8 30000 30000\n"), CXIMAGE_FORMAT_PGX, "picture larger than 256 megapixels"});
    f.push_back({"pgx_depth_20", Bytes("PG ML +20 2 2\n12345678"), CXIMAGE_FORMAT_PGX, "unsupported PGX bit depth"});
    std::vector<uint8_t> tga(18, 0);
    tga[2] = 2; tga[12] = 0xFF; tga[13] = 0xFF; tga[14] = 0xFF; tga[15] = 0xFF; tga[16] = 24;
    f.push_back({"tga_over_256_megapixels", tga, CXIMAGE_FORMAT_TGA, "picture larger than 256 megapixels"});
    tga[12] = 0x10; tga[13] = 0; tga[14] = 0x10; tga[15] = 0;  // 16 x 16 but no pixels
    f.push_back({"tga_no_pixels", tga, CXIMAGE_FORMAT_TGA, "truncated file"});
    tga[2] = 5;
    f.push_back({"tga_type_5", tga, CXIMAGE_FORMAT_TGA, "unsupported TGA image type"});
    tga[2] = 2; tga[16] = 12;
    f.push_back({"tga_depth_12", tga, CXIMAGE_FORMAT_TGA, "unsupported TGA bit depth"});
    std::vector<uint8_t> pcx(128 + 64, 0);
    pcx[0] = 0x0A; pcx[1] = 5; pcx[2] = 1; pcx[3] = 2; pcx[8] = 7; pcx[10] = 7; pcx[65] = 1; pcx[66] = 2;
    f.push_back({"pcx_depth_2", pcx, CXIMAGE_FORMAT_PCX, "unsupported PCX bit depth"});
    pcx[3] = 8; pcx[8] = 0xFF; pcx[9] = 0x7F; pcx[10] = 0xFF; pcx[11] = 0xFF; pcx[66] = 0x00; pcx[67] = 0x80;
    f.push_back({"pcx_over_256_megapixels", pcx, CXIMAGE_FORMAT_PCX, "picture larger than 256 megapixels"});
    pcx[9] = 0x0F; pcx[11] = 0x0F; pcx[67] = 0x10;  // 4096 x 4096 from 64 bytes
    f.push_back({"pcx_runs_cannot_fill", pcx, CXIMAGE_FORMAT_PCX, "truncated file"});
    std::vector<uint8_t> psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 4, 0, 32, 0, 3,
                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    f.push_back({"psd_depth_32", psd, CXIMAGE_FORMAT_PSD, "unsupported PSD bit depth"});
    psd[23] = 8; psd[25] = 9;
    f.push_back({"psd_lab", psd, CXIMAGE_FORMAT_PSD, "unsupported PSD colour mode"});
    psd[25] = 3; psd[39] = 2;
    f.push_back({"psd_zip", psd, CXIMAGE_FORMAT_PSD, "unsupported PSD compression"});
    std::vector<uint8_t> ras = {0x59, 0xa6, 0x6a, 0x95, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 0,
                                0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    f.push_back({"ras_depth_4", ras, CXIMAGE_FORMAT_RAS, "unsupported Sun raster bit depth"});
    f.push_back({"wbmp_type_1", {1, 0, 8, 8, 0, 0, 0, 0, 0, 0, 0, 0}, CXIMAGE_FORMAT_WBMP, "unsupported WBMP type"});
    f.push_back({"empty", {}, CXIMAGE_FORMAT_TGA, "empty file"});
    f.push_back({"unknown_content", Bytes("hello, this is not a picture at all"), CXIMAGE_FORMAT_UNKNOWN, "unknown file format"});
    f.push_back({"jpeg_without_platform_codec", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16}, CXIMAGE_FORMAT_JPG,
                 "no decoder for JPEG files on this platform"});
    f.push_back({"mng_without_platform_codec", Bytes("\x8aMNG\r\n\x1a\n0000"), CXIMAGE_FORMAT_MNG,
                 "no decoder for MNG files on this platform"});
    return f;
}

TEST(DecoderFaults, ReportShortEnglishTexts) {
    for (const Fault& f : Faults()) {
        CxImage img;
        EXPECT_FALSE(img.Decode(f.file.data(), f.file.size(), f.format)) << f.name;
        EXPECT_STREQ(img.GetLastError(), f.error) << f.name;
        EXPECT_FALSE(img.IsValid()) << f.name;
    }
}

TEST(DecoderFaults, MissingFileAndFailedLoadLeaveNoPicture) {
    CxImage img;
    EXPECT_FALSE(img.LoadUtf8(Scratch("does-not-exist.tga").c_str(), CXIMAGE_FORMAT_TGA));
    EXPECT_STREQ(img.GetLastError(), "cannot open file");
    EXPECT_FALSE(img.Load(L"/nonexistent/\u56fe\u7247.png", CXIMAGE_FORMAT_PNG));
    EXPECT_FALSE(img.IsValid());
}

TEST(Detection, SignaturesOfPlatformFormats) {
    struct Case {
        std::string bytes;
        uint32_t format;
    };
    const Case cases[] = {
        {std::string("\x89PNG\r\n\x1a\n", 8) + "rest", CXIMAGE_FORMAT_PNG},
        {"\xff\xd8\xff\xe1 exif", CXIMAGE_FORMAT_JPG},
        {"GIF89a......", CXIMAGE_FORMAT_GIF},
        {std::string("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0", 18) + std::string(10, '\0'), CXIMAGE_FORMAT_BMP},
        {std::string("II*\0\x08\0\0\0", 8), CXIMAGE_FORMAT_TIF},
        {std::string("MM\0*\0\0\0\x08", 8), CXIMAGE_FORMAT_TIF},
        {std::string("\0\0\x01\0\x01\0\x10\x10\0\0\x01\0\x20\0\0\0\0\0\x16\0\0\0", 22), CXIMAGE_FORMAT_ICO},
        {std::string("\0\0\x02\0\x01\0\x10\x10\0\0\x05\0\x07\0\0\0\0\0\x16\0\0\0", 22), CXIMAGE_FORMAT_ICO},
        {std::string("\0\0\0\x0cjP  \r\n\x87\n", 12), CXIMAGE_FORMAT_JP2},
        {"\xff\x4f\xff\x51\0\0", CXIMAGE_FORMAT_JPC},
        {std::string("\x8bJNG\r\n\x1a\n", 8), CXIMAGE_FORMAT_MNG},
        {"\xd7\xcd\xc6\x9a\0\0", CXIMAGE_FORMAT_WMF},
        {"FUJIFILMCCD-RAW 0201", CXIMAGE_FORMAT_RAW},
        {std::string("II\x1a\0\0\0HEAPCCDR", 14), CXIMAGE_FORMAT_RAW},
        {"8BPS", CXIMAGE_FORMAT_PSD},
        {"no signature here", CXIMAGE_FORMAT_UNKNOWN},
    };
    for (const Case& c : cases) {
        auto b = Bytes(c.bytes);
        EXPECT_EQ(cximg::DetectFormat(b.data(), b.size()), c.format) << c.bytes;
    }
}

}  // namespace

namespace {

std::vector<uint8_t> Be(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

std::vector<uint8_t> PngHeader(uint32_t w, uint32_t h) {
    std::vector<uint8_t> d = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint8_t b : Be(w)) d.push_back(b);
    for (uint8_t b : Be(h)) d.push_back(b);
    d.insert(d.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});
    return d;
}

// A JPEG start: SOI, an APP0 segment and a baseline frame header of the given size.
std::vector<uint8_t> JpegHeader(uint16_t w, uint16_t h) {
    std::vector<uint8_t> d = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    d.insert(d.end(), {0xFF, 0xC0, 0, 11, 8, uint8_t(h >> 8), uint8_t(h), uint8_t(w >> 8), uint8_t(w), 1, 1, 0x11, 0});
    return d;
}

TEST(ClaimedSize, ReadsTheHeadersOfThePlatformsFormats) {
    uint64_t w = 0, h = 0;
    auto png = PngHeader(100000, 3);
    ASSERT_TRUE(cximg::ClaimedSize(png.data(), png.size(), CXIMAGE_FORMAT_PNG, w, h));
    EXPECT_EQ(w, 100000u);
    EXPECT_EQ(h, 3u);
    auto jpeg = JpegHeader(4000, 3000);
    ASSERT_TRUE(cximg::ClaimedSize(jpeg.data(), jpeg.size(), CXIMAGE_FORMAT_JPG, w, h));
    EXPECT_EQ(w, 4000u);
    EXPECT_EQ(h, 3000u);
    std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 0x10, 0x27, 0x20, 0x4E};
    ASSERT_TRUE(cximg::ClaimedSize(gif.data(), gif.size(), CXIMAGE_FORMAT_GIF, w, h));
    EXPECT_EQ(w, 10000u);
    EXPECT_EQ(h, 20000u);
    // A top-down BMP stores its height negative.
    std::vector<uint8_t> bmp(26, 0);
    bmp[0] = 'B', bmp[1] = 'M', bmp[14] = 40;
    bmp[18] = 0x40, bmp[19] = 0x1F;                          // 8000
    bmp[22] = 0xC0, bmp[23] = 0xE0, bmp[24] = bmp[25] = 0xFF;  // -8000
    ASSERT_TRUE(cximg::ClaimedSize(bmp.data(), bmp.size(), CXIMAGE_FORMAT_BMP, w, h));
    EXPECT_EQ(w, 8000u);
    EXPECT_EQ(h, 8000u);
    // Headers cut short, and formats without such a header, claim nothing.
    EXPECT_FALSE(cximg::ClaimedSize(png.data(), 20, CXIMAGE_FORMAT_PNG, w, h));
    EXPECT_FALSE(cximg::ClaimedSize(jpeg.data(), 22, CXIMAGE_FORMAT_JPG, w, h));
    EXPECT_FALSE(cximg::ClaimedSize(png.data(), png.size(), CXIMAGE_FORMAT_TGA, w, h));
}

// Stands for the platform's codecs: finds no picture in anything.
bool RefusingPlatform(const uint8_t*, size_t, uint32_t, cximg::Picture&, const char*& err) {
    err = "unknown file format";
    return false;
}

int g_platformCalls = 0;
bool CountingPlatform(const uint8_t*, size_t, uint32_t, cximg::Picture&, const char*& err) {
    ++g_platformCalls;
    err = "unknown file format";
    return false;
}

class WithPlatform : public ::testing::Test {
protected:
    void TearDown() override { cximg::SetPlatformDecoder(previous); }
    cximg::PlatformDecoder previous = cximg::GetPlatformDecoder();
};

TEST_F(WithPlatform, AHugeClaimFailsBeforeAnyDecoderRuns) {
    cximg::SetPlatformDecoder(&CountingPlatform);
    g_platformCalls = 0;
    for (const auto& file : {PngHeader(100000, 100000), JpegHeader(65535, 65535)}) {
        CxImage img;
        EXPECT_FALSE(img.Decode(file.data(), file.size(), CXIMAGE_FORMAT_UNKNOWN));
        EXPECT_STREQ(img.GetLastError(), "picture larger than 256 megapixels");
    }
    EXPECT_EQ(g_platformCalls, 0);
    // Exactly at the limit the decoders get their turn.
    const auto atLimit = PngHeader(16000, 16000);
    CxImage img;
    EXPECT_FALSE(img.Decode(atLimit.data(), atLimit.size(), CXIMAGE_FORMAT_PNG));
    EXPECT_EQ(g_platformCalls, 1);
}

TEST_F(WithPlatform, AKnownSignatureThatNoDecoderReadsIsCalledDamaged) {
    cximg::SetPlatformDecoder(&RefusingPlatform);
    const auto cut = PngHeader(40, 30);
    CxImage named, unnamed;
    EXPECT_FALSE(named.Decode(cut.data(), cut.size(), CXIMAGE_FORMAT_PNG));
    EXPECT_STREQ(named.GetLastError(), "damaged PNG file");
    EXPECT_FALSE(unnamed.Decode(cut.data(), cut.size(), CXIMAGE_FORMAT_JPG));
    EXPECT_STREQ(unnamed.GetLastError(), "damaged PNG file");
    // Content of no known kind stays an unknown format.
    const std::string text = "just some words, not a picture";
    CxImage other;
    EXPECT_FALSE(other.Decode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), CXIMAGE_FORMAT_PNG));
    EXPECT_STREQ(other.GetLastError(), "unknown file format");
}

// ---------------------------------------------------------------------------------------------
// The shared pieces under the decoders: the byte reader and the picture size rule.

TEST(Reader, ReadsUpToTheLastByteAndFailsOnePast) {
    const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    cximg::Reader r(bytes, sizeof bytes);
    EXPECT_EQ(r.Be16(), 0x1234);
    EXPECT_EQ(r.Le16(), 0x7856);
    EXPECT_EQ(r.Remaining(), 1u);
    EXPECT_EQ(r.U8(), 0x9A);  // exactly the last byte
    EXPECT_TRUE(r.Ok());
    EXPECT_TRUE(r.AtEnd());
    EXPECT_EQ(r.U8(), 0);  // one past the end
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.Pos(), 5u);
}

TEST(Reader, AWideReadThatDoesNotFitLeavesThePositionAndStaysFailed) {
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    cximg::Reader r(bytes, sizeof bytes);
    r.Skip(3);
    EXPECT_EQ(r.Be32(), 0u);  // needs 4, 3 are left
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.Pos(), 3u);
    EXPECT_EQ(r.Le16(), 0x0504);  // what fits is still read, the failure mark stays
    EXPECT_FALSE(r.Ok());
    cximg::Reader whole(bytes, sizeof bytes);
    EXPECT_EQ(whole.Be32(), 0x01020304u);
    EXPECT_EQ(whole.Le16(), 0x0605);
    EXPECT_TRUE(whole.Ok());
    cximg::Reader wide(bytes, sizeof bytes);
    EXPECT_EQ(wide.Be64(), 0u);
    EXPECT_FALSE(wide.Ok());
}

TEST(Reader, SubSpansAndSkipsStopAtTheEnd) {
    const uint8_t bytes[] = {10, 20, 30, 40};
    cximg::Reader r(bytes, sizeof bytes);
    cximg::Reader part;
    ASSERT_TRUE(r.Sub(3, part));
    EXPECT_EQ(part.Size(), 3u);
    EXPECT_EQ(part.U8(), 10);
    EXPECT_EQ(r.Pos(), 3u);
    cximg::Reader tooLong;
    EXPECT_FALSE(r.Sub(2, tooLong));  // one byte left
    EXPECT_EQ(tooLong.Size(), 0u);
    EXPECT_FALSE(tooLong.Ok());
    EXPECT_EQ(tooLong.U8(), 0);
    EXPECT_EQ(r.Pos(), 3u);
    const uint8_t* p = nullptr;
    cximg::Reader taker(bytes, sizeof bytes);
    EXPECT_TRUE(taker.Take(4, p));  // exactly everything
    EXPECT_EQ(p, bytes);
    EXPECT_FALSE(taker.Take(1, p));
    EXPECT_EQ(p, nullptr);
    cximg::Reader skipper(bytes, sizeof bytes);
    EXPECT_FALSE(skipper.Skip(UINT64_MAX));  // a huge skip does not wrap the position
    EXPECT_EQ(skipper.Pos(), 0u);
    EXPECT_FALSE(skipper.Skip(uint64_t(1) << 63));
    EXPECT_FALSE(skipper.Ok());
    cximg::Reader exact(bytes, sizeof bytes);
    EXPECT_TRUE(exact.Skip(4));
    EXPECT_TRUE(exact.AtEnd());
    EXPECT_EQ(exact.Peek(), 0);
    EXPECT_TRUE(exact.Ok());  // peeking past the end is no failure
    cximg::Reader none(nullptr, 100);  // no data means no bytes, whatever the size says
    EXPECT_EQ(none.Size(), 0u);
    EXPECT_EQ(none.U8(), 0);
    EXPECT_FALSE(none.Ok());
}

TEST(PictureSize, OneRuleAtTheLimitAndOnePast) {
    const char* err = nullptr;
    EXPECT_TRUE(cximg::CheckPictureSize(16000, 16000, err));  // exactly 256 megapixels
    EXPECT_TRUE(cximg::CheckPictureSize(cximg::kMaxPixels, 1, err));
    EXPECT_TRUE(cximg::CheckPictureSize(1, cximg::kMaxPixels, err));
    EXPECT_EQ(err, nullptr);
    EXPECT_FALSE(cximg::CheckPictureSize(cximg::kMaxPixels + 1, 1, err));
    EXPECT_STREQ(err, "picture larger than 256 megapixels");
    err = nullptr;
    EXPECT_FALSE(cximg::CheckPictureSize(16001, 16000, err));
    EXPECT_STREQ(err, "picture larger than 256 megapixels");
    err = nullptr;
    // Products beyond 64 bits are refused, not wrapped round to a small size.
    EXPECT_FALSE(cximg::CheckPictureSize(uint64_t(1) << 32, uint64_t(1) << 32, err));
    EXPECT_STREQ(err, "picture larger than 256 megapixels");
    err = nullptr;
    EXPECT_FALSE(cximg::CheckPictureSize(0, 5, err));
    EXPECT_STREQ(err, "empty picture");
    err = nullptr;
    EXPECT_FALSE(cximg::CheckPictureSize(5, 0, err));
    EXPECT_STREQ(err, "empty picture");
    err = nullptr;
    EXPECT_FALSE(cximg::CheckPictureSize(0, 0, err));
    EXPECT_STREQ(err, "empty picture");
}

TEST(PictureSize, AllocateFollowsTheRule) {
    cximg::Picture pic;
    const char* err = nullptr;
    EXPECT_FALSE(pic.Allocate(16001, 16000, err));
    EXPECT_STREQ(err, "picture larger than 256 megapixels");
    EXPECT_FALSE(pic.Valid());
    EXPECT_FALSE(pic.Allocate(0, 7, err));
    EXPECT_STREQ(err, "empty picture");
    ASSERT_TRUE(pic.Allocate(3, 2, err));
    EXPECT_EQ(pic.Bytes(), 24u);
}

}  // namespace
