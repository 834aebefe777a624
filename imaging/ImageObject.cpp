#include "imaging/ImageObject.h"

#include <cstring>

#include "runtime/AppInstance.h"

namespace rg_Zarno_ShiChuang_TuXiangChuLi {

rg_TuXiangChuLiLei::rg_TuXiangChuLiLei() : holder(new Holder()) {}

rg_TuXiangChuLiLei::rg_TuXiangChuLiLei(const rg_TuXiangChuLiLei& other) : CQelObject(other), holder(other.holder) {
    holder->AddRef();
}

rg_TuXiangChuLiLei& rg_TuXiangChuLiLei::operator=(const rg_TuXiangChuLiLei& other) {
    if (this != &other) {
        CQelObject::operator=(other);
        other.holder->AddRef();  // before the release: the two may already share it
        holder->Release();
        holder = other.holder;
    }
    return *this;
}

rg_TuXiangChuLiLei::~rg_TuXiangChuLiLei() { holder->Release(); }

void rg_TuXiangChuLiLei::ResetFields() {
    CQelObject::ResetFields();
    Holder* fresh = new Holder();
    holder->Release();
    holder = fresh;
}

CxImage* rg_TuXiangChuLiLei::GetImage() { return &holder->data.image; }

int rg_TuXiangChuLiLei::LoadFromResource(int32_t id) {
    HMODULE module = GetAppInstance()->GetModuleHandleOp();
    if (!module) module = GetCodeModuleHandle();
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(uint16_t(id & 0xFFFF)), MAKEINTRESOURCEW(10));
    if (!resource) return 0;
    return holder->data.image.LoadResource(resource, CXIMAGE_FORMAT_PNG, module) ? 1 : 0;
}

int rg_TuXiangChuLiLei::EncodeToPng(CQelMem& buffer) {
    CxMemFile file(nullptr, 0);
    if (!file.Open()) return 0;
    if (!holder->data.image.Encode(file, CXIMAGE_FORMAT_PNG)) return 0;
    const size_t n = file.Size();
    const uint8_t* bytes = file.GetBuffer(false);
    uint8_t* target = buffer.SetSize(int64_t(n));
    if (n) {
        if (bytes) std::memcpy(target, bytes, n);
        else std::memset(target, 0, n);
    }
    return 1;
}

void rg_TuXiangChuLiLei::DrawTo(HDC dc, int32_t x, int32_t y, const rg_Zarno_JiBen::rg_JuXingLei& clip) {
    (void)x;
    (void)y;
    RECT r{clip.left, clip.top, clip.right, clip.bottom};
    holder->data.image.Draw(dc, 0, 0, -1, -1, clip.IsNullObject() ? nullptr : &r, false, false);
}

uint32_t rg_TuXiangChuLiLei::FormatFromFileName(const CWString& fileName) {
    if (fileName.GetLength() == 0) return CXIMAGE_FORMAT_UNKNOWN;
    struct Row {
        const wchar_t* extension;
        uint32_t format;
    };
    // Tested in this order; the first extension the name ends with decides.
    static const Row table[] = {
        {L".bmp", CXIMAGE_FORMAT_BMP},  {L".gif", CXIMAGE_FORMAT_GIF},   {L".jpg", CXIMAGE_FORMAT_JPG},
        {L".jpeg", CXIMAGE_FORMAT_JPG}, {L".png", CXIMAGE_FORMAT_PNG},   {L".mng", CXIMAGE_FORMAT_MNG},
        {L".jng", CXIMAGE_FORMAT_MNG},  {L".ico", CXIMAGE_FORMAT_ICO},   {L".cur", CXIMAGE_FORMAT_ICO},
        {L".tif", CXIMAGE_FORMAT_TIF},  {L".tiff", CXIMAGE_FORMAT_TIF},  {L".tga", CXIMAGE_FORMAT_TGA},
        {L".pcx", CXIMAGE_FORMAT_PCX},  {L".wbmp", CXIMAGE_FORMAT_WBMP}, {L".wmf", CXIMAGE_FORMAT_WMF},
        {L".emf", CXIMAGE_FORMAT_WMF},  {L".jp2", CXIMAGE_FORMAT_JP2},   {L".j2k", CXIMAGE_FORMAT_JP2},
        {L".jpc", CXIMAGE_FORMAT_JPC},  {L".j2c", CXIMAGE_FORMAT_JPC},   {L".pgx", CXIMAGE_FORMAT_PGX},
        {L".ras", CXIMAGE_FORMAT_RAS},  {L".pnm", CXIMAGE_FORMAT_PNM},   {L".pgm", CXIMAGE_FORMAT_PNM},
        {L".ppm", CXIMAGE_FORMAT_PNM},  {L".ska", CXIMAGE_FORMAT_SKA},   {L".nef", CXIMAGE_FORMAT_RAW},
        {L".crw", CXIMAGE_FORMAT_RAW},  {L".cr2", CXIMAGE_FORMAT_RAW},   {L".mrw", CXIMAGE_FORMAT_RAW},
        {L".raf", CXIMAGE_FORMAT_RAW},  {L".erf", CXIMAGE_FORMAT_RAW},   {L".3fr", CXIMAGE_FORMAT_RAW},
        {L".dcr", CXIMAGE_FORMAT_RAW},  {L".raw", CXIMAGE_FORMAT_RAW},   {L".dng", CXIMAGE_FORMAT_RAW},
        {L".pef", CXIMAGE_FORMAT_RAW},  {L".x3f", CXIMAGE_FORMAT_RAW},   {L".arw", CXIMAGE_FORMAT_RAW},
        {L".sr2", CXIMAGE_FORMAT_RAW},  {L".mef", CXIMAGE_FORMAT_RAW},   {L".orf", CXIMAGE_FORMAT_RAW},
        {L".psd", CXIMAGE_FORMAT_PSD},
    };
    for (const Row& row : table)
        if (fileName.EndsWithNoCase(row.extension)) return row.format;
    return CXIMAGE_FORMAT_UNKNOWN;
}

}  // namespace rg_Zarno_ShiChuang_TuXiangChuLi
