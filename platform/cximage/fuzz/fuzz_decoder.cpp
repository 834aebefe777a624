// libFuzzer target for one of our decoders (chosen by CXIMAGE_FUZZ_DECODER at build time), or for
// the whole loading path (content detection plus dispatch) when CXIMAGE_FUZZ_DETECT is set.
// Besides the sanitizers' checks it verifies what every decoder promises: a result is either a
// picture of sane size or a failure with a text. The whole loading path also runs the adjustments,
// the page cleaning, the sheet finder and the sheet warp on what it decoded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/cximage/include/ximacore.h"
#include "platform/cximage/include/ximapage.h"
#include "platform/cximage/include/ximasheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
#if defined(CXIMAGE_FUZZ_DETECT)
    uint32_t format = cximg::DetectFormat(data, size);
    CxImage img;
    bool ok = img.Decode(data, size, format);
    if (ok != img.IsValid()) std::abort();
    if (!ok && std::strlen(img.GetLastError()) == 0) std::abort();
    if (ok) {
        // Touch every pixel (the sanitizers see any short allocation) and run the adjustments.
        uint64_t sum = 0;
        for (uint32_t y = 0; y < img.GetHeight(); ++y)
            for (uint32_t x = 0; x < img.GetWidth() * 4; ++x) sum += img.GetRow(y)[x];
        if (img.GetWidth() * uint64_t(img.GetHeight()) <= 4096) {
            img.SelectionAddRect(CxRect{1, 1, int32_t(img.GetWidth()) / 2, int32_t(img.GetHeight()) / 2});
            img.Light(int(sum % 511) - 255, 40);
            img.Colorize(uint8_t(sum), uint8_t(sum >> 8), 1.0f);
            img.GrayScale();
            CxImage cleaned = img;
            const char* err = nullptr;
            if (!cximg::CleanPage(cleaned, err)) std::abort();
            cleaned.SelectionDelete();
            if (!cximg::CleanPage(cleaned, err)) std::abort();
            CxImage turned;
            img.Rotate(90.0f, &turned);
            std::vector<uint8_t> png;
            if (!img.Encode(png, CXIMAGE_FORMAT_PNG)) std::abort();
        }
        if (img.GetWidth() * uint64_t(img.GetHeight()) <= (1u << 20)) {
            // The sheet finder, then the warp with its corners and with corners made of the input's
            // last bytes (anywhere from half a picture before it to half a picture after it).
            cximg::SheetCorners corners;
            double confidence = -1;
            cximg::FindSheet(img, corners, confidence);
            if (!(confidence >= 0 && confidence <= 1)) std::abort();
            for (int pass = 0; pass < 2; ++pass) {
                if (pass == 1) {
                    if (size < 8) break;
                    for (int k = 0; k < 4; ++k) {
                        corners.x[k] = (data[size - 8 + 2 * k] / 127.5 - 0.5) * img.GetWidth();
                        corners.y[k] = (data[size - 7 + 2 * k] / 127.5 - 0.5) * img.GetHeight();
                    }
                }
                CxImage out;
                const char* err = nullptr;
                if (cximg::RectifySheet(img, corners, out, err)) {
                    if (!out.IsValid() || out.AlphaIsValid() != img.AlphaIsValid()) std::abort();
                    volatile uint8_t last = out.GetRow(out.GetHeight() - 1)[out.GetWidth() * 4 - 1];
                    (void)last;
                } else if (!err || !*err) {
                    std::abort();
                }
            }
        }
    }
#else
    cximg::Picture pic;
    const char* err = nullptr;
    bool ok = cximg::CXIMAGE_FUZZ_DECODER(data, size, pic, err);
    if (ok) {
        if (!pic.Valid() || uint64_t(pic.width) * pic.height > cximg::kMaxPixels) std::abort();
        volatile uint8_t last = pic.px[pic.Bytes() - 1];
        (void)last;
    } else if (!err || !*err) {
        std::abort();
    }
#endif
    return 0;
}
