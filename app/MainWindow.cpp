#include "app/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "app/MainWindowLayout.h"
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
      paintHook(other.paintHook) {
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
    const rg_JuXingLei& s = selection;
    canvas.DrawLine(pen, s.left, s.top, s.right, s.top);
    canvas.DrawLine(pen, s.left, s.top, s.left, s.bottom);
    canvas.DrawLine(pen, s.left, s.bottom, s.right, s.bottom);
    canvas.DrawLine(pen, s.right, s.bottom, s.right, s.top);
}

void rg_ZhuChuangKouLei::DrawOnCanvas(rg_TuXiangChuLiLei& picture) {
    if (picture.GetImage()->AlphaIsValid()) canvas.Clear(0xFFFFFFFF);
    picture.DrawTo(canvas.GetMemoryDC(), 0, 0, NoClip());
}

void rg_ZhuChuangKouLei::RedrawPicture() {
    picturePainter.SetWidth(PictureWidth(workingPicture));
    picturePainter.SetHeight(PictureHeight(workingPicture));
    DrawOnCanvas(workingPicture);
    if (SelectionHasGuideLines(selection)) DrawGuideLines();
    canvas.Show();
}

int32_t rg_ZhuChuangKouLei::OnPicturePaint(CQelObject*, HWND, uint32_t message, WPARAM, LPARAM) {
    if (message == WM_PAINT) {
        canvas.BeginWindowPaint();
        DrawOnCanvas(workingPicture);
        if (SelectionHasGuideLines(selection)) DrawGuideLines();
        canvas.Show();
        canvas.EndWindowPaint();
    }
    return 0;
}

void rg_ZhuChuangKouLei::DrawRubberBand() {
    // An opaque reference at least as large as the canvas is copied over every pixel of it: the
    // white would not survive, and clearing 12 megapixels costs a pass over them on every frame.
    CxImage* reference = GetReferencePicture().GetImage();
    const RECT& surface = canvas.GetClientRectangle();
    const bool covers = reference->IsValid() && !reference->AlphaIsValid() &&
                        LONG(reference->GetWidth()) >= surface.right - surface.left &&
                        LONG(reference->GetHeight()) >= surface.bottom - surface.top;
    if (!covers) canvas.Clear(0xFFFFFFFF);
    GetReferencePicture().DrawTo(canvas.GetMemoryDC(), 0, 0, NoClip());
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
    // A reference bitmap of the picture's size is refilled in place; only another size (or none)
    // needs a new one, whose first touch costs about 120 ms for 12 megapixels under Wine.
    CxImage* picture = workingPicture.GetImage();
    if (!picture->CopyToBitmap(GetReferenceBitmap().GetBitmap())) {
        rg_WeiTuDuiXiangLei bitmap(picture->MakeBitmap(nullptr, false));
        GetReferenceBitmap().CopyFrom(bitmap);
    }
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
    if (reference->IsValid() && !SelectionLimitsAdjustment(selection)) {
        // The whole picture is adjusted: the adjustment reads the reference picture (see below) and
        // writes the working picture in one pass.
        if (lightSlider) ApplyLightSliders(*picture, reference);
        else ApplyHueSlider(*picture, reference);
        RedrawPicture();
        return 0;
    }
    if (reference->IsValid()) {
        // TakeReference builds the reference picture from the reference bitmap and nothing changes
        // either afterwards, so the reference picture holds what rebuilding from that bitmap gives
        // (pixels, alpha state, format): a plain copy of it is the same picture, without reading the
        // bitmap back through GDI on every step.
        picture->RestoreFrom(*GetReferencePicture().GetImage());
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
    dragging = 1;
    SetCapture(picturePainter.GetHwnd());
    selection.left = x;
    selection.top = y;
    TakeReference();
    return 0;
}

int32_t rg_ZhuChuangKouLei::OnPainterMouseMove(CQelObject*, int32_t x, int32_t y, int32_t) {
    if (dragging != 1) return 0;
    selection.right = ClampEdgeWhileMoving(x, PictureWidth(workingPicture));
    selection.bottom = ClampEdgeWhileMoving(y, PictureHeight(workingPicture));
    DrawRubberBand();
    return 0;
}

int32_t rg_ZhuChuangKouLei::OnPainterLeftUp(CQelObject*, int32_t x, int32_t y, int32_t) {
    if (dragging == 1) {
        selection.right = ClampEdgeOnRelease(x, PictureWidth(workingPicture));
        selection.bottom = ClampEdgeOnRelease(y, PictureHeight(workingPicture));
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
    DrawOnCanvas(GetReferencePicture());
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

int32_t rg_ZhuChuangKouLei::FilterFormMessage(HWND, uint32_t message, WPARAM wParam, LPARAM, MSG*) {
    if (message != WM_DROPFILES) return 1;
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    // The first file only, read whole whatever its length.
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::vector<wchar_t> path(static_cast<size_t>(length) + 1, L'\0');
    if (length > 0) DragQueryFileW(drop, 0, path.data(), length + 1);
    DragFinish(drop);
    CWString dropped;
    dropped.Append(path.data());
    // Decode first: a file that cannot be read leaves the picture, its reference, the selection
    // and the file name to save under exactly as they were. No path at all (the shell delivered
    // none) brings the sample back.
    const bool file = dropped.GetLength() > 0;
    CxImage decoded;
    if (file && !DecodeFile(dropped, decoded)) return 1;
    currentFilePath = dropped;
    GetReferencePicture().GetImage()->Destroy();
    if (file) ShowDecodedFile(decoded);
    else Reload();
    return 1;
}

bool rg_ZhuChuangKouLei::DecodeFile(const CWString& path, CxImage& decoded) {
    const CWString openable = ExtendedLengthPath(path);
    if (decoded.Load(openable.GetText(), rg_TuXiangChuLiLei::FormatFromFileName(path))) return true;
    TraceFailure(L"载入图像", decoded.GetLastError());
    // While one message is up, further failures (more drops handled by its message loop) are not
    // stacked on top of it.
    if (reportingLoadFailure) return false;
    reportingLoadFailure = true;
    const CWString message = LoadFailureMessage(path, decoded.GetLastError());
    wchar_t title[128] = {};
    HWND owner = GetHwnd();
    if (owner) GetWindowTextW(owner, title, 128);
    MessageBoxW(owner, message.GetText(), title, MB_OK | MB_ICONWARNING);
    reportingLoadFailure = false;
    return false;
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
    picturePainter.SetWidth(PictureWidth(workingPicture));
    picturePainter.SetHeight(PictureHeight(workingPicture));
    selection.left = selection.top = selection.right = selection.bottom = 0;
    picture->SelectionDelete();
    canvas.AttachWindow(picturePainter.GetHwnd());
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
}

}  // namespace rg_Zarno_YangLi
