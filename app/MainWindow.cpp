#include "app/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "app/MainMenu.h"
#include "app/MainWindowLayout.h"
#include "app/Settings.h"
#include "platform/cximage/include/ximajpeg.h"
#include "platform/cximage/include/ximapage.h"
#include "platform/cximage/include/ximaview.h"
#include "ui/QelCommonDialog.h"
#include "app/PictureRules.h"
#include "app/ProgramObjects.h"
#include "runtime/RuntimeUtil.h"

namespace rg_Zarno_YangLi {

using namespace rg_Zarno_MFCJieMian_JiBen;
using rg_Zarno_JiBen::rg_JuXingLei;
using rg_Zarno_JiBen::rg_WeiTuDuiXiangLei;
using rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei;

namespace {

constexpr uint32_t kGuideColour = 0xFF0088FF;  // opaque blue
constexpr float kGuideWidth = 2.0f;

// A rectangle object that stands for "no rectangle": the picture is drawn without clipping.
const rg_JuXingLei& NoClip() {
    static const rg_JuXingLei none = [] {
        rg_JuXingLei r;
        r.SetNullObject(true);
        return r;
    }();
    return none;
}

// Painter positions left of or above the painter arrive wrapped around as 16-bit values.
double Unwrapped(int32_t painterCoordinate) {
    return painterCoordinate > 32767 ? painterCoordinate - 65536.0 : painterCoordinate;
}

int32_t PictureWidth(rg_TuXiangChuLiLei& picture) { return static_cast<int32_t>(picture.GetImage()->GetWidth()); }
int32_t PictureHeight(rg_TuXiangChuLiLei& picture) { return static_cast<int32_t>(picture.GetImage()->GetHeight()); }

}  // namespace

rg_ZhuChuangKouLei::rg_ZhuChuangKouLei() {
    selfPointer = new CQelObjectPointer(this);
    SetWindowProperties();
    BindPaintHook();
}

rg_ZhuChuangKouLei::rg_ZhuChuangKouLei(const rg_ZhuChuangKouLei& other)
    : CQelWinForm(other),
      hiddenPainter(other.hiddenPainter),
      picturePainter(other.picturePainter),
      brightnessSlider(other.brightnessSlider),
      contrastSlider(other.contrastSlider),
      hueSlider(other.hueSlider),
      hueLabel(other.hueLabel),
      contrastLabel(other.contrastLabel),
      grayscaleButton(other.grayscaleButton),
      brightnessLabel(other.brightnessLabel),
      printButton(other.printButton),
      saveButton(other.saveButton),
      cornerButton(other.cornerButton),
      workingPicture(other.workingPicture),
      sampleResourceId(other.sampleResourceId),
      currentFilePath(other.currentFilePath),
      printer(other.printer),
      dragging(other.dragging),
      selection(other.selection),
      canvas(other.canvas),
      paintHook(other.paintHook),
      view(other.view) {
    selfPointer = new CQelObjectPointer(this);
    BindPaintHook();
}

rg_ZhuChuangKouLei& rg_ZhuChuangKouLei::operator=(const rg_ZhuChuangKouLei& other) {
    if (&other == this) return *this;
    CQelWinForm::operator=(other);
    hiddenPainter = other.hiddenPainter;
    picturePainter = other.picturePainter;
    brightnessSlider = other.brightnessSlider;
    contrastSlider = other.contrastSlider;
    hueSlider = other.hueSlider;
    hueLabel = other.hueLabel;
    contrastLabel = other.contrastLabel;
    grayscaleButton = other.grayscaleButton;
    brightnessLabel = other.brightnessLabel;
    printButton = other.printButton;
    saveButton = other.saveButton;
    cornerButton = other.cornerButton;
    workingPicture = other.workingPicture;
    sampleResourceId = other.sampleResourceId;
    currentFilePath = other.currentFilePath;
    printer = other.printer;
    dragging = other.dragging;
    selection = other.selection;
    canvas = other.canvas;
    view = other.view;
    return *this;
}

rg_ZhuChuangKouLei::~rg_ZhuChuangKouLei() {
    // A late event must find no receiver; the bindings release the pointer as the members go.
    selfPointer->target = nullptr;
    selfPointer->Release();
}

void rg_ZhuChuangKouLei::SetWindowProperties() {
    SetBorderStyle(kBorderSizable);
    SetMaximizeBox(true);
}

void rg_ZhuChuangKouLei::ResetFields() {
    CQelWinForm::ResetFields();
    SetWindowProperties();
}

void rg_ZhuChuangKouLei::BindPaintHook() {
    BindEvent(paintHook.messageEvent, QelMemberHandler<&rg_ZhuChuangKouLei::OnPicturePaint>::Call, selfPointer);
}

// ---- creation ------------------------------------------------------------------------------------

void rg_ZhuChuangKouLei::CreateChild(CQelWinControl& control, int32_t id) {
    const ControlPlace& place = ControlPlaceOf(id);
    CQelCreateRecord record;
    record.parent = GetWindowObject();
    record.x = place.x;
    record.y = place.y;
    record.width = place.width;
    record.height = place.height;
    record.id = static_cast<uint32_t>(place.id);
    record.title = L"";
    control.Create(record);
}

void rg_ZhuChuangKouLei::BindPainterMouse(rg_HuaBan& painter) {
    BindEvent(painter, painter.leftButtonDown, QelMemberHandler<&rg_ZhuChuangKouLei::OnPainterLeftDown>::Call,
              selfPointer);
    BindEvent(painter, painter.leftButtonUp, QelMemberHandler<&rg_ZhuChuangKouLei::OnPainterLeftUp>::Call, selfPointer);
    BindEvent(painter, painter.mouseMove, QelMemberHandler<&rg_ZhuChuangKouLei::OnPainterMouseMove>::Call, selfPointer);
    BindEvent(painter, painter.rightButtonDown, QelMemberHandler<&rg_ZhuChuangKouLei::OnPainterRightDown>::Call,
              selfPointer);
}

void rg_ZhuChuangKouLei::PrepareSlider(rg_HuaKuaiTiao& slider, int64_t maximum, bool setPosition) {
    slider.SetMinimum(0);
    slider.SetMaximum(maximum);
    // Horizontal, no tick marks.
    slider.SetStyle((slider.GetStyle() & ~static_cast<uint32_t>(TBS_VERT | TBS_TOP | TBS_BOTH | TBS_NOTICKS)) |
                    TBS_NOTICKS);
    if (setPosition) slider.SetPosition(kLightSliderNeutral);
    slider.SetPageSize(1);
}

void rg_ZhuChuangKouLei::CreateComponents() {
    BindEvent(*this, created, QelMemberHandler<&rg_ZhuChuangKouLei::OnWindowCreated>::Call, selfPointer);
    BindEvent(*this, command, QelMemberHandler<&rg_ZhuChuangKouLei::OnMenuCommand>::Call, selfPointer);
    BindEvent(*this, resized, QelMemberHandler<&rg_ZhuChuangKouLei::OnWindowResized>::Call, selfPointer);
    BindEvent(*this, destroyed, QelMemberHandler<&rg_ZhuChuangKouLei::OnWindowDestroyed>::Call, selfPointer);

    hiddenPainter.Hide();
    CreateChild(hiddenPainter, kHiddenPainterId);
    BindPainterMouse(hiddenPainter);

    CreateChild(picturePainter, kPicturePainterId);
    BindPainterMouse(picturePainter);

    const auto sliderHandler = QelMemberHandler<&rg_ZhuChuangKouLei::OnSliderChanged>::Call;
    PrepareSlider(brightnessSlider, kLightSliderMaximum, true);
    CreateChild(brightnessSlider, kBrightnessSliderId);
    BindEvent(brightnessSlider, brightnessSlider.positionChanged, sliderHandler, selfPointer);
    PrepareSlider(contrastSlider, kLightSliderMaximum, true);
    CreateChild(contrastSlider, kContrastSliderId);
    BindEvent(contrastSlider, contrastSlider.positionChanged, sliderHandler, selfPointer);
    PrepareSlider(hueSlider, kHueSliderMaximum, false);  // keeps the slider's default position 1
    CreateChild(hueSlider, kHueSliderId);
    BindEvent(hueSlider, hueSlider.positionChanged, sliderHandler, selfPointer);

    CreateLabel(hueLabel, kHueLabelId);
    CreateLabel(contrastLabel, kContrastLabelId);

    const auto buttonHandler = QelMemberHandler<&rg_ZhuChuangKouLei::OnButtonClicked>::Call;
    grayscaleButton.SetText(ControlPlaceOf(kGrayscaleButtonId).caption);
    grayscaleButton.Hide();
    CreateChild(grayscaleButton, kGrayscaleButtonId);
    BindEvent(grayscaleButton, grayscaleButton.clicked, buttonHandler, selfPointer);

    CreateLabel(brightnessLabel, kBrightnessLabelId);

    printButton.SetText(ControlPlaceOf(kPrintButtonId).caption);
    CreateChild(printButton, kPrintButtonId);
    BindEvent(printButton, printButton.clicked, buttonHandler, selfPointer);
    saveButton.SetText(ControlPlaceOf(kSaveButtonId).caption);
    CreateChild(saveButton, kSaveButtonId);
    BindEvent(saveButton, saveButton.clicked, buttonHandler, selfPointer);

    CreateChild(cornerButton, kCornerButtonId);
    BindEvent(cornerButton, cornerButton.clicked, buttonHandler, selfPointer);
}

void rg_ZhuChuangKouLei::CreateLabel(rg_BiaoQian& label, int32_t id) {
    label.SetText(ControlPlaceOf(id).caption);
    label.SetHorizontalAlignment(kLabelAlignRight);
    CreateChild(label, id);
}

int32_t rg_ZhuChuangKouLei::OnWindowCreated(CQelObject*) {
    DragAcceptFiles(GetHwnd(), TRUE);
    if (workingPicture.LoadFromResource(sampleResourceId)) {
        InitialHuePass();
        CWString text;
        selection.ToText(text, 0);
        Trace(0, 0, "S", text.GetText());
        TracePictureSize();
    } else {
        TraceFailure(L"载入资源图像");
    }
    picturePainter.SetPenColor(RGB(0, 136, 255));
    picturePainter.SetPenWidth(2);
    paintHook.HookWindow(picturePainter.GetHwnd(), FALSE);
    canvas.AttachWindow(picturePainter.GetHwnd());
    canvas.Clear(0xFFFFFFFF);
    GetGuidePen().SetColor(kGuideColour);
    GetGuidePen().SetWidth(kGuideWidth);
    return 0;
}

// ---- drawing -------------------------------------------------------------------------------------

void rg_ZhuChuangKouLei::DrawGuideLines() {
    auto& pen = GetGuidePen();
    rg_JuXingLei s = selection;
    if (view.active) {
        // The selection is kept in picture pixels; its lines are drawn where those pixels show.
        s.left = PictureToPainter(selection.left, view.originX, view.scale);
        s.right = PictureToPainter(selection.right, view.originX, view.scale);
        s.top = PictureToPainter(selection.top, view.originY, view.scale);
        s.bottom = PictureToPainter(selection.bottom, view.originY, view.scale);
    }
    canvas.DrawLine(pen, s.left, s.top, s.right, s.top);
    canvas.DrawLine(pen, s.left, s.top, s.left, s.bottom);
    canvas.DrawLine(pen, s.left, s.bottom, s.right, s.bottom);
    canvas.DrawLine(pen, s.right, s.bottom, s.right, s.top);
}

void rg_ZhuChuangKouLei::DrawOnCanvas(rg_TuXiangChuLiLei& picture) {
    if (picture.GetImage()->AlphaIsValid()) canvas.Clear(0xFFFFFFFF);
    picture.DrawTo(canvas.GetMemoryDC(), 0, 0, NoClip());
}

void rg_ZhuChuangKouLei::DrawPictureFrame(rg_TuXiangChuLiLei& picture) {
    if (view.active) DrawViewOf(picture, &picture == &workingPicture ? viewFrame : referenceFrame);
    else DrawOnCanvas(picture);
}

void rg_ZhuChuangKouLei::RedrawPicture() {
    if (view.active) {
        LayoutView();
    } else {
        picturePainter.SetWidth(PictureWidth(workingPicture));
        picturePainter.SetHeight(PictureHeight(workingPicture));
    }
    DrawPictureFrame(workingPicture);
    if (SelectionHasGuideLines(selection)) DrawGuideLines();
    if (straightening) DrawSheetHandles();
    canvas.Show();
}

int32_t rg_ZhuChuangKouLei::OnPicturePaint(CQelObject*, HWND, uint32_t message, WPARAM, LPARAM) {
    if (message == WM_PAINT) {
        canvas.BeginWindowPaint();
        DrawPictureFrame(workingPicture);
        if (SelectionHasGuideLines(selection)) DrawGuideLines();
        if (straightening) DrawSheetHandles();
        canvas.Show();
        canvas.EndWindowPaint();
    }
    return 0;
}

void rg_ZhuChuangKouLei::DrawRubberBand() {
    if (view.active) {
        // The reference does not change during a drag: its view is rendered once, then redrawn. The
        // view has the canvas's size, so an opaque one covers every pixel and needs no white under it.
        if (!referenceFrameValid) {
            referenceFrameValid = cximg::RenderAreaView(
                *GetReferencePicture().GetImage(),
                cximg::ViewWindow{view.scale, view.originX, view.originY,
                                  static_cast<uint32_t>(PainterWidth()),
                                  static_cast<uint32_t>(PainterHeight())},
                referenceFrame);
        }
        if (!referenceFrameValid || referenceFrame.AlphaIsValid()) canvas.Clear(0xFFFFFFFF);
        if (referenceFrameValid) referenceFrame.Draw(canvas.GetMemoryDC(), 0, 0);
    } else {
        // An opaque reference at least as large as the canvas is copied over every pixel of it: the
        // white would not survive, and clearing 12 megapixels costs a pass over them on every frame.
        CxImage* reference = GetReferencePicture().GetImage();
        const RECT& surface = canvas.GetClientRectangle();
        const bool covers = reference->IsValid() && !reference->AlphaIsValid() &&
                            LONG(reference->GetWidth()) >= surface.right - surface.left &&
                            LONG(reference->GetHeight()) >= surface.bottom - surface.top;
        if (!covers) canvas.Clear(0xFFFFFFFF);
        GetReferencePicture().DrawTo(canvas.GetMemoryDC(), 0, 0, NoClip());
    }
    DrawGuideLines();
    canvas.Show();
}

void rg_ZhuChuangKouLei::TracePictureSize() {
    CWString height, width;
    height.Format(L"图像高度:%d", PictureHeight(workingPicture));
    width.Format(L"图像宽度:%d", PictureWidth(workingPicture));
    Trace(0, 0, "SS", height.GetText(), width.GetText());
}

void rg_ZhuChuangKouLei::TraceFailure(const wchar_t* operation) {
    TraceFailure(operation, workingPicture.GetImage()->GetLastError());
}

void rg_ZhuChuangKouLei::TraceFailure(const wchar_t* operation, const char* libraryError) {
    CWString text, error;
    text.Append(operation);
    text.Append(L"处理失败");
    error.AppendUtf8(libraryError);
    Trace(0, 0, "SS", text.GetText(), error.GetText());
}

// ---- adjustments ---------------------------------------------------------------------------------

void rg_ZhuChuangKouLei::TakeReference() {
    referenceFrameValid = false;
    // A reference bitmap of the picture's size is refilled in place; only another size (or none)
    // needs a new one, whose first touch costs about 120 ms for 12 megapixels under Wine.
    CxImage* picture = workingPicture.GetImage();
    if (!picture->CopyToBitmap(GetReferenceBitmap().GetBitmap())) {
        rg_WeiTuDuiXiangLei bitmap(picture->MakeBitmap(nullptr, false));
        GetReferenceBitmap().CopyFrom(bitmap);
    }
    referenceFromBitmap =
        GetReferencePicture().GetImage()->CreateFromHBITMAP(GetReferenceBitmap().GetBitmap(), nullptr, false);
}

void rg_ZhuChuangKouLei::ApplyHueSlider(CxImage& picture, const CxImage* from) {
    const int64_t saturation = hueSlider.GetPosition();
    const int64_t hue = hueSlider.GetPosition();
    if (from) picture.Colorize(static_cast<uint8_t>(hue), static_cast<uint8_t>(saturation), 1.0f, *from);
    else picture.Colorize(static_cast<uint8_t>(hue), static_cast<uint8_t>(saturation), 1.0f);
}

void rg_ZhuChuangKouLei::ApplyLightSliders(CxImage& picture, const CxImage* from) {
    // Contrast is read first, then brightness.
    const int32_t contrast = static_cast<int32_t>(contrastSlider.GetPosition());
    const int32_t brightness = static_cast<int32_t>(brightnessSlider.GetPosition());
    const LightArgs args = LightFromSliders(brightness, contrast);
    if (from) picture.Light(args.brightness, args.contrast, *from);
    else picture.Light(args.brightness, args.contrast);
}

void rg_ZhuChuangKouLei::InitialHuePass() {
    ApplyHueSlider(*workingPicture.GetImage());
    if (!GetReferencePicture().GetImage()->IsValid()) TakeReference();
}

int32_t rg_ZhuChuangKouLei::OnSliderChanged(CQelObject* sender) {
    const bool lightSlider = sender == &brightnessSlider || sender == &contrastSlider;
    if (!lightSlider && sender != &hueSlider) return 0;
    CxImage* picture = workingPicture.GetImage();
    const CxImage* reference = GetReferencePicture().GetImage();
    const bool copyReference = referenceFromBitmap && reference->IsValid();
    if (copyReference && !SelectionLimitsAdjustment(selection)) {
        // The whole picture is adjusted: the adjustment reads the reference picture (see below) and
        // writes the working picture in one pass.
        if (lightSlider) ApplyLightSliders(*picture, reference);
        else ApplyHueSlider(*picture, reference);
        RedrawPicture();
        return 0;
    }
    if (copyReference) {
        // TakeReference built the reference picture from the reference bitmap and nothing changed
        // either since, so the reference picture holds what rebuilding from that bitmap gives
        // (pixels, alpha state, format): a plain copy of it is the same picture, without reading the
        // bitmap back through GDI on every step.
        picture->RestoreFrom(*reference);
    } else if (reference->IsValid()) {
        // A reference changed in place (turned, straightened) with its bitmap made anew: rebuilt from
        // the bitmap as its pixels and alpha rule give it.
        picture->CreateFromHBITMAP(GetReferenceBitmap().GetBitmap(), nullptr, false);
    } else {
        // No reference (a drop emptied it and none was taken since): its bitmap is none, the working
        // picture becomes empty.
        rg_WeiTuDuiXiangLei restored(GetReferencePicture().GetImage()->MakeBitmap(nullptr, false));
        picture->CreateFromHBITMAP(restored.GetBitmap(), nullptr, false);
    }
    if (SelectionLimitsAdjustment(selection)) {
        const rg_JuXingLei r = SelectionToLibraryRect(selection, PictureHeight(workingPicture));
        picture->SelectionAddRect(CxRect{r.left, r.top, r.right, r.bottom}, 255);
    }
    if (lightSlider) ApplyLightSliders(*picture);
    else ApplyHueSlider(*picture);
    RedrawPicture();
    return 0;
}

void rg_ZhuChuangKouLei::DarkenCorner() {
    const int32_t height = PictureHeight(workingPicture);
    CxImage* picture = workingPicture.GetImage();
    picture->SelectionAddRect(CxRect{0, height - 1, 100, height - 101}, 255);
    picture->Light(-255, 0);
    RedrawPicture();
}

// ---- mouse on the picture ------------------------------------------------------------------------

int32_t rg_ZhuChuangKouLei::OnPainterLeftDown(CQelObject*, int32_t x, int32_t y, int32_t) {
    if (straightening) {
        // The handles take the left button: a press on one starts moving it, elsewhere nothing.
        draggedHandle = HandleAt(x, y);
        if (draggedHandle >= 0) SetCapture(picturePainter.GetHwnd());
        return 0;
    }
    dragging = 1;
    SetCapture(picturePainter.GetHwnd());
    selection.left = ToPictureX(x);
    selection.top = ToPictureY(y);
    TakeReference();
    return 0;
}

int32_t rg_ZhuChuangKouLei::OnPainterMouseMove(CQelObject*, int32_t x, int32_t y, int32_t) {
    if (straightening) {
        if (draggedHandle < 0) return 0;
        double px = 0, py = 0;
        PainterToPicturePoint(x, y, px, py);
        sheetCorners.x[draggedHandle] = std::clamp(px, 0.0, double(PictureWidth(workingPicture)));
        sheetCorners.y[draggedHandle] = std::clamp(py, 0.0, double(PictureHeight(workingPicture)));
        RedrawPicture();
        return 0;
    }
    if (dragging != 1) return 0;
    selection.right = ClampEdgeWhileMoving(ToPictureX(x), PictureWidth(workingPicture));
    selection.bottom = ClampEdgeWhileMoving(ToPictureY(y), PictureHeight(workingPicture));
    DrawRubberBand();
    return 0;
}

int32_t rg_ZhuChuangKouLei::OnPainterLeftUp(CQelObject*, int32_t x, int32_t y, int32_t) {
    if (straightening) {
        if (draggedHandle >= 0) ReleaseCapture();
        draggedHandle = -1;
        return 0;
    }
    if (dragging == 1) {
        selection.right = ClampEdgeOnRelease(ToPictureX(x), PictureWidth(workingPicture));
        selection.bottom = ClampEdgeOnRelease(ToPictureY(y), PictureHeight(workingPicture));
        DrawRubberBand();
    }
    dragging = 0;
    ReleaseCapture();
    return 0;
}

int32_t rg_ZhuChuangKouLei::OnPainterRightDown(CQelObject*, int32_t, int32_t, int32_t) {
    selection.left = selection.top = selection.right = selection.bottom = 0;
    TakeReference();
    workingPicture.GetImage()->SelectionDelete();
    DrawPictureFrame(GetReferencePicture());
    if (straightening) DrawSheetHandles();
    canvas.Show();
    return 0;
}

// ---- buttons -------------------------------------------------------------------------------------

int32_t rg_ZhuChuangKouLei::OnButtonClicked(CQelObject* sender) {
    if (sender == &grayscaleButton) Reload();
    else if (sender == &printButton) PrintPicture();
    else if (sender == &saveButton) SaveAsPng();
    else if (sender == &cornerButton) DarkenCorner();
    return 0;
}

int32_t rg_ZhuChuangKouLei::FilterFormMessage(HWND, uint32_t message, WPARAM wParam, LPARAM lParam, MSG*) {
    if (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) return HandleWheel(message == WM_MOUSEHWHEEL, wParam, lParam) ? 0 : 1;
    if (straightening && message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        if (wParam == VK_RETURN) ApplyStraighten();
        else CancelStraighten();
        return 0;
    }
    if (message != WM_DROPFILES) return 1;
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    // The first file only, read whole whatever its length.
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::vector<wchar_t> path(static_cast<size_t>(length) + 1, L'\0');
    if (length > 0) DragQueryFileW(drop, 0, path.data(), length + 1);
    DragFinish(drop);
    CWString dropped;
    dropped.Append(path.data());
    TakeFilePath(dropped);
    return 1;
}

void rg_ZhuChuangKouLei::TakeFilePath(const CWString& path) {
    if (straightening) CancelStraighten();
    // Decode first: a file that cannot be read leaves the picture, its reference, the selection
    // and the file name to save under exactly as they were. No path at all (the shell delivered
    // none) brings the sample back.
    const bool file = path.GetLength() > 0;
    CxImage decoded;
    if (file) PrepareForShowing(path);
    if (file && !DecodeFile(path, decoded)) return;
    currentFilePath = path;
    GetReferencePicture().GetImage()->Destroy();
    if (file) ShowDecodedFile(decoded);
    else Reload();
    // Whatever was made ready and not taken is not needed any more.
    cximg::DropPrepared();
}

void rg_ZhuChuangKouLei::PrepareForShowing(const CWString& path) {
    // The claimed size is in the first bytes (a JPEG's EXIF block and colour profile come before
    // its frame header; 256 KB covers the usual ones).
    constexpr DWORD kHeaderBytes = 256 * 1024;
    const CWString openable = ExtendedLengthPath(path);
    HANDLE file = CreateFileW(openable.GetText(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    std::vector<uint8_t> header(kHeaderBytes);
    DWORD got = 0;
    const bool read = ReadFile(file, header.data(), kHeaderBytes, &got, nullptr) != 0;
    CloseHandle(file);
    ClaimedPicture claimed;
    if (!read || !ClaimedPictureOf(header.data(), got, claimed)) return;
    const size_t bytes = size_t(claimed.width) * claimed.height * 4;
    const auto pictureBytes = [](const CxImage* picture) {
        return picture->IsValid() ? size_t(picture->GetWidth()) * picture->GetHeight() * 4 : size_t(0);
    };
    ShowingState state;
    state.keptBlocks = cximg::KeptPixelBlocksOf(bytes);
    state.blocksGivenBack = size_t(pictureBytes(workingPicture.GetImage()) == bytes) +
                            size_t(pictureBytes(GetReferencePicture().GetImage()) == bytes);
    BITMAP bitmap{};
    HBITMAP referenceBitmap = GetReferenceBitmap().GetBitmap();
    state.referenceBitmapFits = referenceBitmap && GetObjectW(referenceBitmap, sizeof(bitmap), &bitmap) != 0 &&
                                bitmap.bmBitsPixel == 32 && bitmap.bmWidth == LONG(claimed.width) &&
                                bitmap.bmHeight == LONG(claimed.height);
    RECT client{};
    state.canvasFits = view.active || (GetClientRect(picturePainter.GetHwnd(), &client) &&
                                       client.right == LONG(claimed.width) && client.bottom == LONG(claimed.height));
    cximg::PrepareAhead(PiecesForShowing(claimed, state));
}

bool rg_ZhuChuangKouLei::DecodeFile(const CWString& path, CxImage& decoded) {
    const CWString openable = ExtendedLengthPath(path);
    if (decoded.Load(openable.GetText(), rg_TuXiangChuLiLei::FormatFromFileName(path))) return true;
    cximg::DropPrepared();
    TraceFailure(L"载入图像", decoded.GetLastError());
    // While one message is up, further failures (more drops handled by its message loop) are not
    // stacked on top of it.
    if (reportingLoadFailure) return false;
    reportingLoadFailure = true;
    const CWString message = LoadFailureMessage(path, decoded.GetLastError());
    WarnUser(message.GetText());
    reportingLoadFailure = false;
    return false;
}

void rg_ZhuChuangKouLei::WarnUser(const wchar_t* message) {
    wchar_t title[128] = {};
    HWND owner = GetHwnd();
    if (owner) GetWindowTextW(owner, title, 128);
    MessageBoxW(owner, message, title, MB_OK | MB_ICONWARNING);
}

void rg_ZhuChuangKouLei::Reload() {
    if (currentFilePath.GetLength() > 0) {
        CxImage decoded;
        if (DecodeFile(currentFilePath, decoded)) ShowDecodedFile(decoded);
        return;
    }
    workingPicture.LoadFromResource(sampleResourceId);
    workingPicture.GetImage()->GrayScale();
    RedrawPicture();
}

void rg_ZhuChuangKouLei::ShowDecodedFile(CxImage& decoded) {
    CxImage* picture = workingPicture.GetImage();
    picture->Transfer(decoded);
    InitialHuePass();
    if (!view.active) {
        picturePainter.SetWidth(PictureWidth(workingPicture));
        picturePainter.SetHeight(PictureHeight(workingPicture));
    }
    selection.left = selection.top = selection.right = selection.bottom = 0;
    picture->SelectionDelete();
    if (view.active) {
        // A new picture is seen from its top-left corner (or whole, when the view fits).
        view.originX = view.originY = 0;
        LayoutView();
    } else {
        canvas.AttachWindow(picturePainter.GetHwnd());
    }
    canvas.Clear(0xFFFFFFFF);
    GetGuidePen().SetColor(kGuideColour);
    GetGuidePen().SetWidth(kGuideWidth);
    ApplyLightSliders(*picture);
    RedrawPicture();
}

void rg_ZhuChuangKouLei::SaveAsPng() {
    if (!workingPicture.GetImage()->IsValid()) return;
    // Encode first: when encoding fails nothing is written, so no existing file is touched. The file
    // is written from the encoder's own memory (a copy into a new buffer of the PNG's size costs a
    // first touch of every page of it).
    CxMemFile bytes(nullptr, 0);
    if (!bytes.Open() || !workingPicture.GetImage()->Encode(bytes, CXIMAGE_FORMAT_PNG) || bytes.Size() == 0) {
        TraceFailure(L"保存图像");
        return;
    }
    const CWString path = BuildSavePath(currentFilePath);
    if (path.GetLength() == 0) return;
    if (!WriteFileReplacing(path, bytes.GetBuffer(false), static_cast<int64_t>(bytes.Size()))) TraceFailure(L"写入文件");
}

void rg_ZhuChuangKouLei::PrintPicture() {
    {
        rg_DaYinJi fresh;
        printer.CopyFrom(fresh);
    }
    CxImage* picture = workingPicture.GetImage();
    if (!picture->IsValid()) return;
    // The bitmap of the page (the picture upright, turned when it is wider than high) is made
    // ready while the print dialog is up.
    const bool turn = picture->GetWidth() > picture->GetHeight();
    cximg::PreparedPiece pageBitmap;
    pageBitmap.width = static_cast<int32_t>(turn ? picture->GetHeight() : picture->GetWidth());
    pageBitmap.height = -static_cast<int32_t>(turn ? picture->GetWidth() : picture->GetHeight());
    cximg::PrepareAhead({pageBitmap});
    printer.StartJob(GetHwnd(), printer.GetProgress());
    rg_TuXiangChuLiLei turned;
    const int64_t pageWidth = printer.GetPageWidth();
    const int64_t pageHeight = printer.GetPageHeight();
    if (picture->GetWidth() > picture->GetHeight()) {
        picture->Rotate(90.0f, turned.GetImage());
        rg_WeiTuDuiXiangLei bitmap(turned.GetImage()->MakeBitmap(nullptr, false));
        printer.DrawBitmap(bitmap.GetBitmap(), pageWidth, pageHeight);
    } else {
        rg_WeiTuDuiXiangLei bitmap(picture->MakeBitmap(nullptr, false));
        printer.DrawBitmap(bitmap.GetBitmap(), pageWidth, pageHeight);
    }
    printer.EndJob(0);
    cximg::DropPrepared();
}

// ---- menu commands -------------------------------------------------------------------------------

int32_t rg_ZhuChuangKouLei::OnMenuCommand(CQelObject*, int32_t id) {
    switch (id) {
    case kCmdOpen: OpenWithDialog(); break;
    case kCmdSave: SaveAsPng(); break;
    case kCmdSaveAs: SaveWithDialog(); break;
    case kCmdPrint: PrintPicture(); break;
    case kCmdExit: PostMessageW(GetHwnd(), WM_CLOSE, 0, 0); break;
    case kCmdFitWindow: ShowWholePicture(); break;
    case kCmdActualSize: ShowActualSize(); break;
    case kCmdZoomIn:
    case kCmdZoomOut:
        ZoomAbout(id == kCmdZoomIn, PainterWidth() / 2, PainterHeight() / 2);
        break;
    case kCmdRotateLeft: TurnPictures(true); break;
    case kCmdRotateRight: TurnPictures(false); break;
    case kCmdRestoreOriginal: RestoreOriginal(); break;
    case kCmdCleanPage: CleanPage(); break;
    case kCmdStraightenPage: StraightenPage(); break;
    case kCmdAbout: ShowAbout(); break;
    default: return 0;
    }
    return 1;
}

namespace {

// The formats the picture library reads, for the open dialog's filter.
constexpr const wchar_t* kOpenFilter =
    L"图片文件|*.png;*.jpg;*.jpeg;*.jpe;*.jfif;*.bmp;*.dib;*.gif;*.tif;*.tiff;*.ico;*.jxr;*.wdp;*.tga;*.pcx;"
    L"*.wbmp;*.pnm;*.pbm;*.pgm;*.ppm;*.ras;*.pgx;*.ska;*.psd;*.wmf;*.emf|所有文件|*.*";
constexpr const wchar_t* kSaveFilter = L"PNG 图片|*.png|JPEG 图片|*.jpg;*.jpeg";
constexpr float kJpegQuality = 0.9f;

// Splits a path at its last backslash: the folder (empty when there is none) and the name.
void SplitFolder(const CWString& path, CWString& folder, CWString& name) {
    const wchar_t* text = path.GetText();
    const wchar_t* slash = wcsrchr(text, L'\\');
    folder.SetEmpty();
    name.SetEmpty();
    if (!slash) {
        name.Append(text);
        return;
    }
    for (const wchar_t* c = text; c < slash; ++c) folder.AppendChar(*c);
    name.Append(slash + 1);
}

bool HasJpegExtension(const CWString& path) {
    const wchar_t* dot = wcsrchr(path.GetText(), L'.');
    if (!dot || wcschr(dot, L'\\')) return false;
    return _wcsicmp(dot, L".jpg") == 0 || _wcsicmp(dot, L".jpeg") == 0 || _wcsicmp(dot, L".jpe") == 0 ||
           _wcsicmp(dot, L".jfif") == 0;
}

}  // namespace

void rg_ZhuChuangKouLei::OpenWithDialog() {
    rg_TongYongDuiHuaKuang dialog;
    dialog.dialogKind = rg_TongYongDuiHuaKuang::kOpenFile;
    dialog.filter.Append(kOpenFilter);
    dialog.fileMustExist = 1;
    dialog.pathMustExist = 1;
    dialog.keepCurrentDirectory = 1;
    CWString folder, name;
    SplitFolder(currentFilePath, folder, name);
    if (folder.GetLength() > 0) dialog.initialDirectory = folder;
    if (dialog.ShowDialog(GetHwnd()) != 1 || dialog.fileName.GetLength() == 0) return;
    TakeFilePath(dialog.fileName);
}

void rg_ZhuChuangKouLei::SaveWithDialog() {
    if (!workingPicture.GetImage()->IsValid()) return;
    rg_TongYongDuiHuaKuang dialog;
    dialog.dialogKind = rg_TongYongDuiHuaKuang::kSaveFile;
    dialog.filter.Append(kSaveFilter);
    dialog.defaultExtension.Append(L"png");
    dialog.overwritePrompt = 1;
    dialog.pathMustExist = 1;
    dialog.keepCurrentDirectory = 1;
    // Starts where the save button writes: the picture's folder, the save button's name.
    CWString folder, name;
    SplitFolder(BuildSavePath(currentFilePath), folder, name);
    dialog.fileName = name;
    if (folder.GetLength() > 0) dialog.initialDirectory = folder;
    if (dialog.ShowDialog(GetHwnd()) != 1 || dialog.fileName.GetLength() == 0) return;
    WriteChosenFile(dialog.fileName);
}

bool rg_ZhuChuangKouLei::WriteChosenFile(const CWString& path) {
    CxImage* picture = workingPicture.GetImage();
    std::vector<uint8_t> bytes;
    bool encoded = false;
    const char* error = nullptr;
    if (HasJpegExtension(path)) {
        encoded = cximg::EncodeJpegPlatform(*picture, kJpegQuality, bytes, error);
    } else {
        encoded = picture->Encode(bytes, CXIMAGE_FORMAT_PNG);
        if (!encoded) error = picture->GetLastError();
    }
    const bool written = encoded && !bytes.empty() &&
                         WriteFileReplacing(ExtendedLengthPath(path), bytes.data(), static_cast<int64_t>(bytes.size()));
    if (written) return true;
    TraceFailure(L"另存图像", error ? error : "write failed");
    CWString folder, name, message;
    SplitFolder(path, folder, name);
    message.Format(L"无法保存“%ls”。\n%ls", name.GetText(),
                   encoded ? L"无法写入文件，请检查文件夹是否可写、磁盘是否已满。" : L"无法生成图片数据。");
    WarnUser(message.GetText());
    return false;
}

void rg_ZhuChuangKouLei::TurnPictures(bool counterClockwise) {
    if (straightening) CancelStraighten();
    const float angle = counterClockwise ? 90.0f : 270.0f;
    TransformBothPictures([angle](CxImage& in, CxImage& out) { return in.Rotate(angle, &out); });
}

bool rg_ZhuChuangKouLei::TransformBothPictures(const std::function<bool(CxImage& in, CxImage& out)>& transform) {
    CxImage* picture = workingPicture.GetImage();
    CxImage changed;
    if (!picture->IsValid() || !transform(*picture, changed)) return false;
    picture->Transfer(changed);
    CxImage* reference = GetReferencePicture().GetImage();
    if (reference->IsValid()) {
        CxImage changedReference;
        if (transform(*reference, changedReference)) reference->Transfer(changedReference);
        // The slider steps start from the reference bitmap: it must show the changed reference.
        rg_WeiTuDuiXiangLei bitmap(reference->MakeBitmap(nullptr, false));
        GetReferenceBitmap().CopyFrom(bitmap);
        referenceFromBitmap = false;
    }
    ShowReplacedPicture();
    return true;
}

void rg_ZhuChuangKouLei::ShowReplacedPicture() {
    selection.left = selection.top = selection.right = selection.bottom = 0;
    workingPicture.GetImage()->SelectionDelete();
    referenceFrameValid = false;
    if (view.active) {
        view.originX = view.originY = 0;
        LayoutView();
    } else {
        picturePainter.SetWidth(PictureWidth(workingPicture));
        picturePainter.SetHeight(PictureHeight(workingPicture));
        canvas.AttachWindow(picturePainter.GetHwnd());
        canvas.Clear(0xFFFFFFFF);
    }
    RedrawPicture();
}

void rg_ZhuChuangKouLei::CleanPage() {
    CxImage* picture = workingPicture.GetImage();
    if (!picture->IsValid()) return;
    if (straightening) CancelStraighten();
    picture->SelectionDelete();
    if (SelectionLimitsAdjustment(selection)) {
        const rg_JuXingLei r = SelectionToLibraryRect(selection, PictureHeight(workingPicture));
        picture->SelectionAddRect(CxRect{r.left, r.top, r.right, r.bottom}, 255);
    }
    const char* error = nullptr;
    const bool cleaned = cximg::CleanPage(*picture, error);
    picture->SelectionDelete();
    if (!cleaned) {
        TraceFailure(L"一键白底", error ? error : "");
        return;
    }
    // The cleaned look is where the sliders start from now, as after a press on the picture.
    TakeReference();
    RedrawPicture();
}

void rg_ZhuChuangKouLei::StraightenPage() {
    if (straightening) {
        ApplyStraighten();
        return;
    }
    CxImage* picture = workingPicture.GetImage();
    if (!picture->IsValid()) return;
    double confidence = 0.0;
    cximg::FindSheet(*picture, sheetCorners, confidence);
    straightening = true;
    draggedHandle = -1;
    RedrawPicture();
}

void rg_ZhuChuangKouLei::CancelStraighten() {
    if (draggedHandle >= 0) ReleaseCapture();
    straightening = false;
    draggedHandle = -1;
    RedrawPicture();
}

void rg_ZhuChuangKouLei::ApplyStraighten() {
    if (draggedHandle >= 0) ReleaseCapture();
    straightening = false;
    draggedHandle = -1;
    const char* error = nullptr;
    const cximg::SheetCorners corners = sheetCorners;
    if (!TransformBothPictures([&](CxImage& in, CxImage& out) { return cximg::RectifySheet(in, corners, out, error); })) {
        TraceFailure(L"拉正页面", error ? error : "");
        WarnUser(L"无法拉正页面：四个角必须围成一个凸四边形，且大部分在图片内。");
        RedrawPicture();
    }
}

void rg_ZhuChuangKouLei::PainterToPicturePoint(int32_t x, int32_t y, double& px, double& py) const {
    const double painterX = Unwrapped(x), painterY = Unwrapped(y);
    const double scale = view.active ? view.scale : 1.0;
    px = (painterX + (view.active ? double(view.originX) : 0.0)) / scale;
    py = (painterY + (view.active ? double(view.originY) : 0.0)) / scale;
}

void rg_ZhuChuangKouLei::PictureToPainterPoint(double px, double py, double& x, double& y) const {
    const double scale = view.active ? view.scale : 1.0;
    x = px * scale - (view.active ? double(view.originX) : 0.0);
    y = py * scale - (view.active ? double(view.originY) : 0.0);
}

int rg_ZhuChuangKouLei::HandleAt(int32_t painterX, int32_t painterY) const {
    const double px = Unwrapped(painterX), py = Unwrapped(painterY);
    int best = -1;
    double bestDistance = 14.0 * 14.0;  // a handle answers within 14 screen pixels of its centre
    for (int i = 0; i < 4; ++i) {
        double hx = 0, hy = 0;
        PictureToPainterPoint(sheetCorners.x[i], sheetCorners.y[i], hx, hy);
        const double dx = hx - px, dy = hy - py;
        if (dx * dx + dy * dy <= bestDistance) {
            bestDistance = dx * dx + dy * dy;
            best = i;
        }
    }
    return best;
}

void rg_ZhuChuangKouLei::DrawSheetHandles() {
    int x[4], y[4];
    for (int i = 0; i < 4; ++i) {
        double hx = 0, hy = 0;
        PictureToPainterPoint(sheetCorners.x[i], sheetCorners.y[i], hx, hy);
        x[i] = static_cast<int>(std::lround(hx));
        y[i] = static_cast<int>(std::lround(hy));
    }
    auto& pen = GetGuidePen();
    for (int i = 0; i < 4; ++i) canvas.DrawLine(pen, x[i], y[i], x[(i + 1) % 4], y[(i + 1) % 4]);
    HDC dc = canvas.GetMemoryDC();
    if (!dc) return;
    HPEN border = CreatePen(PS_SOLID, 2, RGB(0, 136, 255));
    HGDIOBJ oldPen = SelectObject(dc, border);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    for (int i = 0; i < 4; ++i) Rectangle(dc, x[i] - 6, y[i] - 6, x[i] + 7, y[i] + 7);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(border);
}

void rg_ZhuChuangKouLei::RestoreOriginal() { TakeFilePath(currentFilePath); }

void rg_ZhuChuangKouLei::ShowAbout() {
    // The version comes from the program's own version resource.
    CWString version;
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(module, &ignored);
    std::vector<uint8_t> info(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (size && GetFileVersionInfoW(module, 0, size, info.data()) &&
        VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed) {
        version.Format(L"%u.%u.%u", HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                       HIWORD(fixed->dwProductVersionLS));
    }
    CWString text;
    text.Format(L"Ferovel photo print %ls\n\n把手机拍摄的纸质文件照片调整后打印在一页纸上。\n\n"
                L"Copyright (c) 2026 the Ferovel photo print authors\n按 MIT 许可证发布。",
                version.GetText());
    MessageBoxW(GetHwnd(), text.GetText(), L"关于", MB_OK | MB_ICONINFORMATION);
}

// ---- the zoomed and scrolled view ----------------------------------------------------------------

int64_t rg_ZhuChuangKouLei::PainterWidth() const {
    RECT r{};
    GetClientRect(picturePainter.GetHwnd(), &r);
    return r.right - r.left;
}

int64_t rg_ZhuChuangKouLei::PainterHeight() const {
    RECT r{};
    GetClientRect(picturePainter.GetHwnd(), &r);
    return r.bottom - r.top;
}

int32_t rg_ZhuChuangKouLei::ToPictureX(int32_t x) const {
    return view.active ? PainterToPicture(x, view.originX, view.scale) : x;
}

int32_t rg_ZhuChuangKouLei::ToPictureY(int32_t y) const {
    return view.active ? PainterToPicture(y, view.originY, view.scale) : y;
}

void rg_ZhuChuangKouLei::ActivateView() {
    if (view.active) return;
    view = PictureView{};
    view.active = true;
    LayoutView();
}

void rg_ZhuChuangKouLei::LayoutView() {
    RECT client{};
    GetClientRect(GetHwnd(), &client);
    const int64_t areaWidth = std::max<int64_t>(1, client.right - kPictureX);
    const int64_t areaHeight = std::max<int64_t>(1, client.bottom - kPictureY);
    const int64_t width = std::max<int32_t>(1, PictureWidth(workingPicture));
    const int64_t height = std::max<int32_t>(1, PictureHeight(workingPicture));
    if (view.fit) view.scale = FitScale(width, height, areaWidth, areaHeight);
    const int64_t viewWidth = ViewExtent(width, view.scale, areaWidth);
    const int64_t viewHeight = ViewExtent(height, view.scale, areaHeight);
    view.originX = ClampOrigin(view.originX, width, view.scale, viewWidth);
    view.originY = ClampOrigin(view.originY, height, view.scale, viewHeight);
    if (PainterWidth() != viewWidth) picturePainter.SetWidth(static_cast<int32_t>(viewWidth));
    if (PainterHeight() != viewHeight) picturePainter.SetHeight(static_cast<int32_t>(viewHeight));
    const RECT& surface = canvas.GetClientRectangle();
    if (!canvas.GetMemoryDC() || surface.right - surface.left != viewWidth || surface.bottom - surface.top != viewHeight) {
        canvas.AttachWindow(picturePainter.GetHwnd());
    }
    referenceFrameValid = false;
}

void rg_ZhuChuangKouLei::DrawViewOf(rg_TuXiangChuLiLei& picture, CxImage& frame) {
    const cximg::ViewWindow window{view.scale, view.originX, view.originY,
                                   static_cast<uint32_t>(std::max<int64_t>(1, PainterWidth())),
                                   static_cast<uint32_t>(std::max<int64_t>(1, PainterHeight()))};
    if (!cximg::RenderAreaView(*picture.GetImage(), window, frame)) {
        canvas.Clear(0xFFFFFFFF);
        return;
    }
    if (frame.AlphaIsValid()) canvas.Clear(0xFFFFFFFF);
    frame.Draw(canvas.GetMemoryDC(), 0, 0);
}

void rg_ZhuChuangKouLei::ShowWholePicture() {
    view.active = true;
    view.fit = true;
    view.originX = view.originY = 0;
    viewModeChosen = true;
    RedrawPicture();
}

void rg_ZhuChuangKouLei::ShowActualSize() {
    view.active = true;
    view.fit = false;
    view.scale = 1.0;
    view.originX = view.originY = 0;
    viewModeChosen = true;
    RedrawPicture();
}

void rg_ZhuChuangKouLei::ZoomAbout(bool larger, int64_t anchorX, int64_t anchorY) {
    ActivateView();
    const double oldScale = view.scale;
    const double newScale = NextZoomStep(oldScale, larger);
    if (newScale == oldScale) return;
    view.fit = false;
    view.scale = newScale;
    view.originX = OriginKeepingAnchor(view.originX, oldScale, newScale, anchorX);
    view.originY = OriginKeepingAnchor(view.originY, oldScale, newScale, anchorY);
    viewModeChosen = true;
    RedrawPicture();
}

void rg_ZhuChuangKouLei::ScrollView(int64_t dx, int64_t dy) {
    ActivateView();
    const int64_t x = view.originX, y = view.originY;
    view.originX += dx;
    view.originY += dy;
    LayoutView();
    if (view.originX != x || view.originY != y) RedrawPicture();
}

bool rg_ZhuChuangKouLei::HandleWheel(bool tilt, WPARAM wParam, LPARAM lParam) {
    HWND self = GetHwnd();
    if (!self) return false;
    // Only a wheel over the part of the window where the picture shows.
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ScreenToClient(self, &at);
    RECT client{};
    GetClientRect(self, &client);
    RECT painter{};
    GetWindowRect(picturePainter.GetHwnd(), &painter);
    MapWindowPoints(nullptr, self, reinterpret_cast<POINT*>(&painter), 2);
    if (!PtInRect(&client, at) || !PtInRect(&painter, at)) return false;
    const int notches = GET_WHEEL_DELTA_WPARAM(wParam);
    const int keys = GET_KEYSTATE_WPARAM(wParam);
    ActivateView();
    const int64_t anchorX = at.x - kPictureX, anchorY = at.y - kPictureY;
    if (keys & MK_CONTROL) {
        for (int n = std::abs(notches) / WHEEL_DELTA; n > 0; --n) ZoomAbout(notches > 0, anchorX, anchorY);
        return true;
    }
    const bool sideways = tilt || (keys & MK_SHIFT) != 0;
    const int64_t extent = sideways ? PainterWidth() : PainterHeight();
    // Wheel forward (positive) moves towards the top (with Shift: the left); a tilt to the right
    // (positive) moves right.
    const int64_t direction = tilt ? 1 : -1;
    const int64_t distance = direction * static_cast<int64_t>(notches) * WheelStep(extent) / WHEEL_DELTA;
    if (sideways) ScrollView(distance, 0);
    else ScrollView(0, distance);
    return true;
}

int32_t rg_ZhuChuangKouLei::OnWindowResized(CQelObject*) {
    if (view.active && GetHwnd() && !IsIconic(GetHwnd())) RedrawPicture();
    return 0;
}

void rg_ZhuChuangKouLei::ApplySavedSettings() {
    HWND self = GetHwnd();
    if (!self) return;
    WINDOWPLACEMENT placement{};
    if (ReadPlacement(placement)) {
        placement.flags = 0;
        SetWindowPlacement(self, &placement);
    }
    if (ReadViewMode() == SavedViewMode::Fit) {
        view.active = true;
        view.fit = true;
        RedrawPicture();
    }
    startPlacement.length = sizeof startPlacement;
    startPlacementKnown = GetWindowPlacement(self, &startPlacement) != 0;
}

int32_t rg_ZhuChuangKouLei::OnWindowDestroyed(CQelObject*) {
    // Only what the user changed in this run is written, so a run that changes nothing leaves
    // the saved settings as they were.
    if (viewModeChosen) WriteViewMode(view.fit);
    HWND self = GetHwnd();
    WINDOWPLACEMENT now{};
    now.length = sizeof now;
    if (startPlacementKnown && self && GetWindowPlacement(self, &now)) {
        if (now.showCmd == SW_SHOWMINIMIZED || now.showCmd == SW_MINIMIZE)
            now.showCmd = (now.flags & WPF_RESTORETOMAXIMIZED) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
        const bool moved = std::memcmp(&now.rcNormalPosition, &startPlacement.rcNormalPosition, sizeof(RECT)) != 0;
        const bool maximized = (now.showCmd == SW_SHOWMAXIMIZED) != (startPlacement.showCmd == SW_SHOWMAXIMIZED);
        if (moved || maximized) {
            now.flags = 0;
            WritePlacement(now);
        }
    }
    return 0;
}

}  // namespace rg_Zarno_YangLi
