// JPEG encoding through WIC: 24-bit BGR rows into the platform's JPEG encoder, written into a
// memory stream and copied out.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>

#include "platform/cximage/include/ximajpeg.h"
#include "platform/cximage/win/com.h"

namespace cximg {

namespace {

// One row of the picture as B, G, R, over white where it is transparent.
void RowToBgr(const uint8_t* in, uint32_t width, bool alpha, uint8_t* out) {
    for (uint32_t x = 0; x < width; ++x, in += 4, out += 3) {
        if (!alpha || in[3] == 255) {
            out[0] = in[0], out[1] = in[1], out[2] = in[2];
        } else {
            const uint32_t a = in[3];
            for (int c = 0; c < 3; ++c) out[c] = uint8_t((in[c] * a + 255 * (255 - a) + 127) / 255);
        }
    }
}

}  // namespace

bool EncodeJpegPlatform(const CxImage& picture, float quality, std::vector<uint8_t>& out, const char*& err) {
    out.clear();
    if (!picture.IsValid()) {
        err = "empty picture";
        return false;
    }
    err = "the platform JPEG encoder failed";
    cximg_win::ComScope com;
    cximg_win::ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory)))) {
        return false;
    }
    cximg_win::ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return false;
    cximg_win::ComPtr<IWICBitmapEncoder> encoder;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder))) return false;
    if (FAILED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache))) return false;
    cximg_win::ComPtr<IWICBitmapFrameEncode> frame;
    cximg_win::ComPtr<IPropertyBag2> options;
    if (FAILED(encoder->CreateNewFrame(&frame, &options))) return false;
    PROPBAG2 option{};
    wchar_t qualityName[] = L"ImageQuality";
    option.pstrName = qualityName;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = std::clamp(quality, 0.0f, 1.0f);
    if (options.p) options->Write(1, &option, &value);
    if (FAILED(frame->Initialize(options.p))) return false;
    const uint32_t width = picture.GetWidth(), height = picture.GetHeight();
    if (FAILED(frame->SetSize(width, height))) return false;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return false;
    // Rows go to the encoder in bands, so the 24-bit copy never holds the whole picture.
    const UINT stride = (width * 3 + 3) & ~3u;
    const uint32_t bandRows = std::max<uint32_t>(1, (4u << 20) / stride);
    std::vector<uint8_t> band(size_t(stride) * std::min(bandRows, height));
    for (uint32_t y = 0; y < height; y += bandRows) {
        const uint32_t rows = std::min(bandRows, height - y);
        for (uint32_t r = 0; r < rows; ++r)
            RowToBgr(picture.GetRow(y + r), width, picture.AlphaIsValid(), band.data() + size_t(r) * stride);
        if (FAILED(frame->WritePixels(rows, stride, UINT(size_t(stride) * rows), band.data()))) return false;
    }
    if (FAILED(frame->Commit()) || FAILED(encoder->Commit())) return false;
    HGLOBAL memory = nullptr;
    if (FAILED(GetHGlobalFromStream(stream.p, &memory))) return false;
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return false;
    const size_t size = static_cast<size_t>(stat.cbSize.QuadPart);
    const void* bytes = GlobalLock(memory);
    if (!bytes) return false;
    out.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
    GlobalUnlock(memory);
    err = nullptr;
    return size > 0;
}

}  // namespace cximg
