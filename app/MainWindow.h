// rg_ZhuChuangKouLei, the main window of the program: a form with the picture painter, the three
// sliders (brightness, contrast, hue), their labels and the print, save and corner buttons, plus
// what the picture workflow needs (working picture, selection, off-screen canvas, printer, paint
// hook).
#pragma once
#include <cstdint>
#include <functional>

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
#include "app/ViewRules.h"
#include "platform/cximage/include/ximasheet.h"

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
    int32_t OnMenuCommand(CQelObject* sender, int32_t id);
    int32_t OnWindowResized(CQelObject* sender);
    int32_t OnWindowDestroyed(CQelObject* sender);

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

    // ---- menu commands ----
    // Shows the open dialog; the chosen file is loaded as a dropped file is.
    void OpenWithDialog();
    // Shows the save dialog (PNG or JPEG) and writes the working picture where the user said.
    void SaveWithDialog();
    // Turns the working and the reference picture a quarter turn together; the selection is dropped.
    void TurnPictures(bool counterClockwise);
    // Loads the current file again as a fresh drop does (the sample when no file was dropped).
    void RestoreOriginal();
    // White paper and full-strength ink, in the selection when there is one; the result becomes the
    // reference the sliders start from.
    void CleanPage();
    // Shows the sheet's four corners (found in the photo, or inset from the picture's corners) as
    // handles over the picture; while they show, left drags move them. A second call, like Enter,
    // applies: the sheet is warped into an upright rectangle that replaces both pictures.
    void StraightenPage();
    void ApplyStraighten();
    // Esc: the handles go, nothing changes.
    void CancelStraighten();
    bool IsStraightening() const { return straightening; }
    const cximg::SheetCorners& GetSheetCorners() const { return sheetCorners; }
    void ShowAbout();
    // The whole picture in the window / one picture pixel per screen pixel / one zoom step, about a
    // point of the painter.
    void ShowWholePicture();
    void ShowActualSize();
    void ZoomAbout(bool larger, int64_t anchorX, int64_t anchorY);
    // Moves the view by the given screen pixels (clamped to the picture).
    void ScrollView(int64_t dx, int64_t dy);
    // A file path handed over by a drop or the open dialog: decoded first; a file that cannot be
    // read changes nothing. An empty path brings the sample back.
    void TakeFilePath(const CWString& path);
    const PictureView& GetView() const { return view; }
    // Startup: the view mode and window placement saved by an earlier run.
    void ApplySavedSettings();

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
    // Starts making ready, on a worker thread while the file decodes, the fresh memory that showing
    // the picture its header claims will need.
    void PrepareForShowing(const CWString& path);
    // Reads the file into `decoded`; on failure tells the user (one message at a time) and answers false.
    bool DecodeFile(const CWString& path, CxImage& decoded);
    // The decoded file becomes the working picture with the current slider settings applied.
    void ShowDecodedFile(CxImage& decoded);
    // Draws a picture at the canvas's origin; a picture with transparency is drawn over white, not
    // over the previous frame, so that every frame of the same picture looks the same.
    void DrawOnCanvas(rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei& picture);
    bool reportingLoadFailure = false;

    // ---- the zoomed and scrolled view ----
    // Leaves the plain view for an active one at the current look (scale 1, no scroll).
    void ActivateView();
    // Sizes the painter (and its canvas) to the visible part of the scaled picture and keeps the
    // scroll position inside the picture; the fit scale follows the window.
    void LayoutView();
    // Draws the part of a picture that the view shows into the canvas (area-averaged when shrunk).
    void DrawViewOf(rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei& picture, CxImage& frame);
    // Draws a frame of the picture: 1:1 in the plain view, the view's part otherwise.
    void DrawPictureFrame(rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei& picture);
    // The wheel over the picture scrolls (Shift or a tilt: sideways) or zooms (Ctrl); true when it
    // was used.
    bool HandleWheel(bool tilt, WPARAM wParam, LPARAM lParam);
    // A painter coordinate as a picture coordinate of the current view.
    int32_t ToPictureX(int32_t x) const;
    int32_t ToPictureY(int32_t y) const;
    // The picture painter's current client size.
    int64_t PainterWidth() const;
    int64_t PainterHeight() const;
    // New pictures of another size replaced the working (and reference) picture: the selection goes,
    // the painter and the view take the new size, the picture is drawn.
    void ShowReplacedPicture();
    // Replaces the working picture and the reference (with its bitmap) by what the transform makes
    // of each, then shows the result; false (nothing changed) when the working picture cannot be
    // transformed.
    bool TransformBothPictures(const std::function<bool(CxImage& in, CxImage& out)>& transform);
    // The sheet's outline and its four corner handles over the canvas.
    void DrawSheetHandles();
    // A painter point (its 16-bit wrap-around undone) in picture pixels of the current view, and a
    // picture point where it shows on the painter; both unrounded.
    void PainterToPicturePoint(int32_t x, int32_t y, double& px, double& py) const;
    void PictureToPainterPoint(double px, double py, double& x, double& y) const;
    // The corner whose handle lies under a painter point, or -1.
    int HandleAt(int32_t painterX, int32_t painterY) const;
    // A warning in a message box owned by the main window, with the window's title.
    void WarnUser(const wchar_t* message);
    // Writes a picture file chosen in the save dialog; tells the user when it cannot.
    bool WriteChosenFile(const CWString& path);
    PictureView view;
    CxImage viewFrame;          // the working picture's view, rebuilt for each frame (at 100 % an opaque picture goes straight into the canvas)
    CxImage referenceFrame;     // the reference picture's view, kept while a drag draws it again
    bool referenceFrameValid = false;
    // The reference picture was built from the reference bitmap by TakeReference and neither changed
    // since, so a copy of it is what rebuilding from the bitmap gives (a slider step then copies it).
    bool referenceFromBitmap = false;
    bool viewModeChosen = false;
    bool startPlacementKnown = false;
    WINDOWPLACEMENT startPlacement{};
    bool straightening = false;
    cximg::SheetCorners sheetCorners{};
    int draggedHandle = -1;
};

}  // namespace rg_Zarno_YangLi
