// rg_ZhuChuangKouLei, the main window of the program: a form with the picture painter, the three
// sliders (brightness, contrast, hue), their labels and the print, save and corner buttons, plus
// what the picture workflow needs (working picture, selection, off-screen canvas, printer, paint
// hook).
#pragma once
#include <cstdint>

#include "drawing/GdiResource.h"
#include "drawing/MemoryPainter.h"
#include "printing/Printer.h"
#include "ui/QelButton.h"
#include "ui/QelForm.h"
#include "ui/QelLabel.h"
#include "ui/QelPainter.h"
#include "ui/QelSlider.h"
#include "imaging/ImageObject.h"
#include "runtime/ValueClasses.h"
#include "drawing/WindowHook.h"

namespace rg_Zarno_YangLi {

class rg_ZhuChuangKouLei : public rg_Zarno_MFCJieMian_JiBen::CQelWinForm {
    QEL_OBJECT_CLASS(rg_ZhuChuangKouLei, rg_Zarno_MFCJieMian_JiBen::CQelWinForm, "rg_Zarno_YangLi::rg_ZhuChuangKouLei")
public:
    static constexpr int32_t kDesignWidth = 967;
    static constexpr int32_t kDesignHeight = 790;
    static constexpr int32_t kSampleResourceId = 501;

    // Border style 1 (sizable) and the maximize box, set before any window exists.
    rg_ZhuChuangKouLei();
    // Main windows are never copied by the program; a copy shares the controls' windows and takes a
    // receiver pointer of its own.
    rg_ZhuChuangKouLei(const rg_ZhuChuangKouLei& other);
    rg_ZhuChuangKouLei& operator=(const rg_ZhuChuangKouLei& other);
    ~rg_ZhuChuangKouLei() override;

    int32_t GetDesignWidth() const override { return kDesignWidth; }
    int32_t GetDesignHeight() const override { return kDesignHeight; }
    void CreateComponents() override;
    int32_t FilterFormMessage(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam, MSG* msg) override;

    // ---- handlers (receiver: this window through selfPointer) ----
    int32_t OnWindowCreated(CQelObject* sender);
    int32_t OnPainterLeftDown(CQelObject* sender, int32_t x, int32_t y, int32_t keys);
    int32_t OnPainterLeftUp(CQelObject* sender, int32_t x, int32_t y, int32_t keys);
    int32_t OnPainterMouseMove(CQelObject* sender, int32_t x, int32_t y, int32_t keys);
    int32_t OnPainterRightDown(CQelObject* sender, int32_t x, int32_t y, int32_t keys);
    int32_t OnSliderChanged(CQelObject* sender);
    int32_t OnButtonClicked(CQelObject* sender);
    int32_t OnPicturePaint(CQelObject* sender, HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam);

    // ---- the picture workflow ----
    // Puts the working picture on the screen: painter sized to the picture, picture and guide lines
    // drawn into the canvas, the canvas shown.
    void RedrawPicture();
    // The working picture as it looks now becomes the starting state of the adjustments.
    void TakeReference();
    // Loads the dropped file (or the sample when none was dropped) with the current slider settings.
    // A file that cannot be decoded changes nothing and is reported to the user.
    void Reload();
    // Writes the working picture as PNG beside the dropped file.
    void SaveAsPng();
    // Prints the working picture on one page, turned when it is wider than high.
    void PrintPicture();
    // Darkens the top-left square of 101 x 101 pixels on top of the current look.
    void DarkenCorner();

    void TracePictureSize();
    void TraceFailure(const wchar_t* operation);
    void TraceFailure(const wchar_t* operation, const char* libraryError);

    // ---- members, in declaration order ----
    rg_Zarno_MFCJieMian_JiBen::rg_HuaBan hiddenPainter;
    rg_Zarno_MFCJieMian_JiBen::rg_HuaBan picturePainter;
    rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao brightnessSlider;
    rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao contrastSlider;
    rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao hueSlider;
    rg_Zarno_MFCJieMian_JiBen::rg_BiaoQian hueLabel;
    rg_Zarno_MFCJieMian_JiBen::rg_BiaoQian contrastLabel;
    rg_Zarno_MFCJieMian_JiBen::rg_AnNiu grayscaleButton;
    rg_Zarno_MFCJieMian_JiBen::rg_BiaoQian brightnessLabel;
    rg_Zarno_MFCJieMian_JiBen::rg_AnNiu printButton;
    rg_Zarno_MFCJieMian_JiBen::rg_AnNiu saveButton;
    rg_Zarno_MFCJieMian_JiBen::rg_AnNiu cornerButton;
    rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei workingPicture;
    int32_t sampleResourceId = kSampleResourceId;
    CWString currentFilePath;
    rg_Zarno_MFCJieMian_JiBen::rg_DaYinJi printer;
    int32_t dragging = 0;
    rg_Zarno_JiBen::rg_JuXingLei selection;
    rg_Zarno_YuanChuangRuanJian::rg_NeiCunHuaBan canvas;
    rg_Zarno_YuanChuangRuanJian::rg_ChuangKouGuoChengLei paintHook;
    CQelObjectPointer* selfPointer = nullptr;

protected:
    void ResetFields();

private:
    void SetWindowProperties();
    void BindPaintHook();
    // Creates one child control at its fixed place.
    void CreateChild(rg_Zarno_MFCJieMian_JiBen::CQelWinControl& control, int32_t id);
    // A right-aligned label with its caption.
    void CreateLabel(rg_Zarno_MFCJieMian_JiBen::rg_BiaoQian& label, int32_t id);
    void BindPainterMouse(rg_Zarno_MFCJieMian_JiBen::rg_HuaBan& painter);
    void PrepareSlider(rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao& slider, int64_t maximum, bool setPosition);
    // Draws the four guide lines of the selection into the canvas.
    void DrawGuideLines();
    // Clears the canvas, draws the reference picture and the guide lines, shows the canvas.
    void DrawRubberBand();
    // Colorize with the hue slider's position for hue and saturation; Light with the brightness and
    // contrast sliders' positions. With `from`, the picture becomes a copy of it adjusted as a whole.
    void ApplyHueSlider(CxImage& picture, const CxImage* from = nullptr);
    void ApplyLightSliders(CxImage& picture, const CxImage* from = nullptr);
    // The hue pass on the working picture, then a reference when none is valid.
    void InitialHuePass();
    // Reads the file into `decoded`; on failure tells the user (one message at a time) and answers false.
    bool DecodeFile(const CWString& path, CxImage& decoded);
    // The decoded file becomes the working picture with the current slider settings applied.
    void ShowDecodedFile(CxImage& decoded);
    // Draws a picture at the canvas's origin; a picture with transparency is drawn over white, not
    // over the previous frame, so that every frame of the same picture looks the same.
    void DrawOnCanvas(rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei& picture);
    bool reportingLoadFailure = false;
};

}  // namespace rg_Zarno_YangLi
