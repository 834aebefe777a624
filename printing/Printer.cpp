#include "printing/Printer.h"

#include <commdlg.h>
#include <winspool.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstddef>

#include "printing/PrintToFileDialog.h"
#include "printing/PrinterChoice.h"

namespace rg_Zarno_MFCJieMian_JiBen {

const wchar_t* const CQel_Printer::kDefaultJobName = L"未命名打印作业";

namespace {

std::atomic<int64_t> g_liveDeviceContexts{0};

int ClampToInt(int64_t v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// The part of a DEVMODEW that must be present before its size fields and the fields we set can be
// trusted.
constexpr SIZE_T kDevModeMinimum = offsetof(DEVMODEW, dmCollate) + sizeof(short);

// Step 5 of a job: the kept device mode asks for portrait orientation, merged with the printer's
// current settings, and carries the job's copies and collation.
void PrepareDevMode(CQelPrinterChoice& choice, int64_t copies, int64_t collate) {
    HGLOBAL block = choice.DevMode();
    if (!block) return;
    SIZE_T size = GlobalSize(block);
    DEVMODEW* dm = static_cast<DEVMODEW*>(GlobalLock(block));
    if (!dm) return;
    if (size < kDevModeMinimum) {
        GlobalUnlock(block);
        return;
    }
    dm->dmFields = DM_ORIENTATION;
    dm->dmOrientation = DMORIENT_PORTRAIT;

    CWString device = choice.DeviceName();
    HANDLE printer = nullptr;
    if (device.GetLength() > 0 && OpenPrinterW(const_cast<wchar_t*>(device.GetText()), &printer, nullptr)) {
        wchar_t* name = const_cast<wchar_t*>(device.GetText());
        // The merged mode is written into a block of the size the driver asks for: the kept block
        // may come from another printer and be smaller. The kept block is only read when its own
        // size fields fit inside it.
        LONG need = DocumentPropertiesW(nullptr, printer, name, nullptr, nullptr, 0);
        bool inputFits = static_cast<SIZE_T>(dm->dmSize) + dm->dmDriverExtra <= size;
        if (need > 0 && inputFits) {
            HGLOBAL merged = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(need));
            DEVMODEW* out = merged ? static_cast<DEVMODEW*>(GlobalLock(merged)) : nullptr;
            if (out && DocumentPropertiesW(nullptr, printer, name, out, dm, DM_IN_BUFFER | DM_OUT_BUFFER) == IDOK &&
                GlobalSize(merged) >= kDevModeMinimum) {
                GlobalUnlock(block);
                choice.ReplaceDevMode(merged);
                block = merged;
                dm = out;
                size = GlobalSize(merged);
            } else {
                if (out) GlobalUnlock(merged);
                if (merged) GlobalFree(merged);
            }
        }
        ClosePrinter(printer);
    }
    dm->dmCopies = static_cast<short>(std::clamp<int64_t>(copies, 1, SHRT_MAX));
    if (collate) {
        dm->dmFields |= DM_COLLATE;
        dm->dmCollate = DMCOLLATE_TRUE;
    }
    GlobalUnlock(block);
}

// Creates the printer DC of the chosen printer and device mode.
HDC CreatePrinterDC(HGLOBAL devNames, HGLOBAL devMode) {
    CWString driver = ReadDevNamesField(devNames, 0);
    CWString device = ReadDevNamesField(devNames, 1);
    if (device.GetLength() == 0) return nullptr;
    const DEVMODEW* dm = nullptr;
    if (devMode && GlobalSize(devMode) >= kDevModeMinimum) dm = static_cast<const DEVMODEW*>(GlobalLock(devMode));
    HDC dc = CreateDCW(driver.GetLength() ? driver.GetText() : nullptr, device.GetText(), nullptr, dm);
    if (!dc && driver.GetLength()) dc = CreateDCW(nullptr, device.GetText(), nullptr, dm);
    if (dm) GlobalUnlock(devMode);
    return dc;
}

// Copies and collation the user chose: from the device mode when the dialog kept them there.
void ReadDialogCopies(const PRINTDLGW& pd, int64_t* copies, int64_t* collate) {
    *copies = pd.nCopies;
    *collate = (pd.Flags & PD_COLLATE) ? 1 : 0;
    if (!pd.hDevMode || GlobalSize(pd.hDevMode) < kDevModeMinimum) return;
    const DEVMODEW* dm = static_cast<const DEVMODEW*>(GlobalLock(pd.hDevMode));
    if (!dm) return;
    if (dm->dmFields & DM_COPIES) *copies = dm->dmCopies;
    if (dm->dmFields & DM_COLLATE) *collate = dm->dmCollate == DMCOLLATE_TRUE ? 1 : 0;
    GlobalUnlock(pd.hDevMode);
}

}  // namespace

// ---- CQel_Printer -------------------------------------------------------------------------------

int64_t CQel_Printer::LiveDeviceContexts() { return g_liveDeviceContexts.load(); }

CQel_Printer::CQel_Printer() {
    state.CreateStylePen();
    state.CreateBrushFromSettings();
}

CQel_Printer::~CQel_Printer() {
    progress = nullptr;  // the receiver may already be gone: no events from here on
    if (dc) {
        if (pageOpen) endPageCall(dc);
        pageOpen = 0;
        SelectStockObjects(dc);
        EndDoc(dc);
        DeleteDeviceContext();
    }
    // The drawing state deletes pen, brush and font; the strings free themselves.
}

void CQel_Printer::AdoptDeviceContext(HDC newDc) {
    DeleteDeviceContext();
    dc = newDc;
    if (dc) g_liveDeviceContexts.fetch_add(1);
}

void CQel_Printer::DeleteDeviceContext() {
    if (!dc) return;
    DeleteDC(dc);
    dc = nullptr;
    g_liveDeviceContexts.fetch_sub(1);
}

void CQel_Printer::ReadPageGeometry() {
    physicalWidth = GetDeviceCaps(dc, PHYSICALWIDTH);
    physicalHeight = GetDeviceCaps(dc, PHYSICALHEIGHT);
    physicalOffsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    physicalOffsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    rightUnprintable = std::max(0, physicalWidth - GetDeviceCaps(dc, HORZRES) - physicalOffsetX);
    bottomUnprintable = std::max(0, physicalHeight - GetDeviceCaps(dc, VERTRES) - physicalOffsetY);
}

bool CQel_Printer::StartJob(HWND parent, IPrintingProgress* receiver) {
    if (dc) return false;
    progress = nullptr;
    deviceName.SetEmpty();
    portName.SetEmpty();
    outputFile.SetEmpty();

    PRINTDLGW pd{};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = parent;
    pd.Flags = PD_USEDEVMODECOPIESANDCOLLATE;
    if (minPage < 0) pd.Flags |= PD_NOPAGENUMS;
    if (collate) pd.Flags |= PD_COLLATE;
    if (selection < 0) pd.Flags |= PD_NOSELECTION;
    if (selection > 0) pd.Flags |= PD_SELECTION;
    pd.Flags &= ~PD_RETURNDC;  // the device context is made below, from the chosen printer

    CQelPrinterChoice* choice = GetAppPrinterChoice();
    if (!choice) return false;
    choice->EnsureSelection();
    pd.hDevMode = choice->DevMode();
    pd.hDevNames = choice->DevNames();
    PrepareDevMode(*choice, copies, collate);

    if (minPage >= 0) {
        int64_t lo = std::max<int64_t>(minPage, 1);
        int64_t hi = maxPage < 0 ? 0x7FFF : std::max(maxPage, lo);
        lo = std::min<int64_t>(lo, 0xFFFF);
        hi = std::min<int64_t>(hi, 0xFFFF);
        pd.nMinPage = static_cast<WORD>(lo);
        pd.nMaxPage = static_cast<WORD>(hi);
        pd.nFromPage = static_cast<WORD>(fromPage < lo ? lo : std::min(fromPage, hi));
        if (toPage >= 0) pd.nToPage = static_cast<WORD>(toPage < pd.nFromPage ? pd.nFromPage : std::min(toPage, hi));
    }
    pd.nCopies = static_cast<WORD>(std::clamp<int64_t>(copies, 1, 0xFFFF));
    lastDialogFlags = pd.Flags;

    if (choice->DoPrintDialog(&pd) != IDOK) return false;

    HDC newDc = CreatePrinterDC(pd.hDevNames, pd.hDevMode);
    if (!newDc) return false;

    CWString path;
    if (pd.Flags & PD_PRINTTOFILE) {
        if (!ShowPrintToFileDialog(parent, path)) {
            DeleteDC(newDc);
            return false;
        }
    }

    ReadDialogCopies(pd, &copies, &collate);
    selection = ((pd.Flags & PD_SELECTION) && selection >= 0) ? 1 : 0;
    if (minPage >= 0 && (pd.Flags & PD_PAGENUMS)) {
        fromPage = pd.nFromPage;
        toPage = pd.nToPage;
    } else {
        fromPage = -1;
        toPage = -1;
    }

    AdoptDeviceContext(newDc);
    deviceName = ReadDevNamesField(pd.hDevNames, 1);
    portName = ReadDevNamesField(pd.hDevNames, 2);
    ReadPageGeometry();

    DOCINFOW info{};
    info.cbSize = sizeof(info);
    info.lpszDocName = jobName.GetLength() > 0 ? jobName.GetText() : kDefaultJobName;
    if (path.GetLength() > 0) {
        outputFile = path;
        info.lpszOutput = outputFile.GetText();
    }
    info.lpszDatatype = nullptr;
    info.fwType = 0;
    if (StartDocW(dc, &info) <= 0) {
        DeleteDeviceContext();
        return false;
    }

    state.CreateJobFont(dc);

    if (startPageCall(dc) <= 0) {
        pageOpen = 0;
        EndJob(1);
        return false;
    }
    pageOpen = 1;
    ApplyUnit(dc, state.unit);
    progress = receiver;
    if (progress) progress->OnPrintStarted();
    return true;
}

bool CQel_Printer::EnsurePage() {
    if (!dc) return false;
    ApplyUnit(dc, state.unit);
    if (!pageOpen) {
        if (startPageCall(dc) <= 0) {
            EndJob(1);
            return false;
        }
        pageOpen = 1;
        ApplyUnit(dc, state.unit);
    }
    ApplyDrawingState(state, dc);
    return true;
}

void CQel_Printer::GetPageSize(int64_t* width, int64_t* height) {
    int64_t w = 0, h = 0;
    if (dc) {
        int32_t deviceWidth = physicalWidth - rightUnprintable - physicalOffsetX;
        int32_t deviceHeight = physicalHeight - bottomUnprintable - physicalOffsetY;
        ApplyUnit(dc, state.unit);
        SIZE logical = DeviceToLogicalSize(dc, SIZE{deviceWidth, deviceHeight});
        w = std::max<int64_t>(0, logical.cx - leftMargin - rightMargin);
        h = std::max<int64_t>(0, logical.cy - topMargin - bottomMargin);
    }
    if (width) *width = w;
    if (height) *height = h;
}

int64_t CQel_Printer::GetPageWidth() {
    int64_t w = 0;
    GetPageSize(&w, nullptr);
    return w;
}

int64_t CQel_Printer::GetPageHeight() {
    int64_t h = 0;
    GetPageSize(nullptr, &h);
    return h;
}

void CQel_Printer::DrawBitmap(HBITMAP bitmap, int64_t width, int64_t height) {
    if (!bitmap) return;
    if (!EnsurePage()) return;
    POINT at = LogicalToDevicePoint(dc, POINT{ClampToInt(leftMargin), ClampToInt(topMargin)});
    SIZE size = LogicalToDeviceSize(dc, SIZE{ClampToInt(std::max<int64_t>(width, 0)),
                                             ClampToInt(std::max<int64_t>(height, 0))});
    // A negative size asks for the bitmap's own size in device pixels.
    if (width < 0) size.cx = -1;
    if (height < 0) size.cy = -1;
    SetMapMode(dc, MM_TEXT);
    DrawBitmapOnDC(bitmap, dc, at.x, at.y, size.cx, size.cy, SRCCOPY);
    SelectStockObjects(dc);
}

void CQel_Printer::EndJob(int32_t aborted) {
    if (!dc) return;
    bool succeeded = false;
    if (pageOpen) {
        succeeded = endPageCall(dc) > 0;
        pageOpen = 0;
    }
    SelectStockObjects(dc);
    // A document the spooler could not finish (its output file could not be written, say) did not
    // complete either.
    if (EndDoc(dc) <= 0) succeeded = false;
    DeleteDeviceContext();
    // Taken off the printer before the calls, so a handler may start the next job.
    IPrintingProgress* receiver = progress;
    progress = nullptr;
    if (receiver) {
        if (succeeded && aborted == 0) receiver->OnPrintCompleted();
        receiver->OnPrintFinished(aborted);
    }
}

// ---- rg_DaYinJi ------------------------------------------------------------------------------------

rg_DaYinJi::rg_DaYinJi() { AttachData(new Implementation()); }

rg_DaYinJi::rg_DaYinJi(const rg_DaYinJi& other) : rg_CanKaoDuiXiangLei(other), IPrintingProgress() {}

rg_DaYinJi& rg_DaYinJi::operator=(const rg_DaYinJi& other) {
    if (this != &other && other.data != data) DetachFromImplementation();
    rg_CanKaoDuiXiangLei::operator=(other);
    return *this;
}

rg_DaYinJi::~rg_DaYinJi() {
    // Slots release their receivers as members; the implementation is released by the base after.
    DetachFromImplementation();
}

void rg_DaYinJi::OnBeforeAssign() {
    rg_CanKaoDuiXiangLei::OnBeforeAssign();
    DetachFromImplementation();
}

void rg_DaYinJi::ResetFields() {
    DetachFromImplementation();
    rg_CanKaoDuiXiangLei::ResetFields();
    AttachData(new Implementation());
}

void rg_DaYinJi::DetachFromImplementation() {
    CQel_Printer* printer = GetPrinterImpl();
    if (printer && printer->progress == static_cast<IPrintingProgress*>(this)) printer->progress = nullptr;
}

CQel_Printer* rg_DaYinJi::GetPrinterImpl() const {
    return data ? &static_cast<Implementation*>(data)->data : nullptr;
}

void rg_DaYinJi::SetJobName(const wchar_t* name) {
    CQel_Printer* p = GetPrinterImpl();
    p->jobName.SetEmpty();
    if (name) p->jobName.Append(name);
}

void rg_DaYinJi::SetPageRange(int64_t minimum, int64_t maximum) {
    GetPrinterImpl()->minPage = minimum;
    GetPrinterImpl()->maxPage = maximum;
}

void rg_DaYinJi::SetChosenPages(int64_t from, int64_t to) {
    GetPrinterImpl()->fromPage = from;
    GetPrinterImpl()->toPage = to;
}

void rg_DaYinJi::SetCopies(int64_t copies) { GetPrinterImpl()->copies = copies; }
void rg_DaYinJi::SetSelection(int64_t selection) { GetPrinterImpl()->selection = selection; }
void rg_DaYinJi::SetCollate(bool collate) { GetPrinterImpl()->collate = collate ? 1 : 0; }

void rg_DaYinJi::SetMargins(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    CQel_Printer* p = GetPrinterImpl();
    p->leftMargin = left;
    p->topMargin = top;
    p->rightMargin = right;
    p->bottomMargin = bottom;
}

void rg_DaYinJi::SetUnit(int64_t unit) { GetPrinterImpl()->state.unit = unit; }

void rg_DaYinJi::OnPrintStarted() { printStarted.Raise(this, nullptr); }
void rg_DaYinJi::OnPrintCompleted() { printCompleted.Raise(this, nullptr); }
void rg_DaYinJi::OnPrintFinished(int32_t aborted) { printFinished.Raise(this, nullptr, aborted); }

}  // namespace rg_Zarno_MFCJieMian_JiBen
