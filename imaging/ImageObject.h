// rg_TuXiangChuLiLei, the image object: a small value object that refers to one shared picture of
// our picture library. Copies made by Clone and CopyFrom share the picture (no copy-on-write); a
// separate picture exists only when an imaging call writes into another object's picture.
#pragma once
#include <windows.h>

#include "runtime/QelObject.h"
#include "runtime/QelString.h"
#include "runtime/ValueClasses.h"
#include "platform/cximage/include/ximage.h"

// Holder of one picture; constructed empty (format unknown, no pixels).
class CxImageWrapper {
public:
    CxImageWrapper() : image(CXIMAGE_FORMAT_UNKNOWN) {}
    ~CxImageWrapper() {
        image.DestroyFrames();
        image.Destroy();
    }
    CxImageWrapper(const CxImageWrapper&) = delete;
    CxImageWrapper& operator=(const CxImageWrapper&) = delete;

    CxImage image;
};

namespace rg_Zarno_ShiChuang_TuXiangChuLi {

class rg_TuXiangChuLiLei : public CQelObject {
    QEL_OBJECT_CLASS(rg_TuXiangChuLiLei, CQelObject, "rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei")
public:
    using Holder = CRefObjectWithData<CxImageWrapper>;

    // A new object gets a new holder with an empty picture.
    rg_TuXiangChuLiLei();
    // Copies (Clone) and assignments (CopyFrom) share the source's holder.
    rg_TuXiangChuLiLei(const rg_TuXiangChuLiLei& other);
    rg_TuXiangChuLiLei& operator=(const rg_TuXiangChuLiLei& other);
    ~rg_TuXiangChuLiLei() override;

    virtual CxImage* GetImage();  // slot 16

    // Reads RT_RCDATA resource id of the program's module as a PNG file: 1 loaded, 0 not.
    int LoadFromResource(int32_t id);
    // Replaces the buffer's content by the picture encoded as PNG: 1 written, 0 failed (the
    // buffer is then left as it was).
    int EncodeToPng(CQelMem& buffer);
    // Draws the picture at its natural size at (0, 0) of the device context; x and y are not used.
    // The rectangle clips unless it is a null object.
    void DrawTo(HDC dc, int32_t x, int32_t y, const rg_Zarno_JiBen::rg_JuXingLei& clip);
    // Picture format for a file name, from its extension (case-insensitive); 0 when unknown.
    static uint32_t FormatFromFileName(const CWString& fileName);

    Holder* GetHolder() const { return holder; }

protected:
    bool EqualFields(const rg_TuXiangChuLiLei& other) const { return CQelObject::EqualFields(other) && holder == other.holder; }
    // Reset: the standard fields cleared and a new empty holder.
    void ResetFields();

private:
    Holder* holder;
};

}  // namespace rg_Zarno_ShiChuang_TuXiangChuLi
