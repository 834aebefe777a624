// The printer object: one print job at a time on a printer the user picks in the system print dialog,
// optionally into a file. rg_DaYinJi is the program's handle on a shared implementation CQel_Printer,
// which owns the printer device context, the job's settings and the drawing state; rg_DaYinJi reports
// the course of a job to bound handlers through IPrintingProgress.
//
// Calling order of a print: StartJob, GetPageWidth/GetPageHeight, DrawBitmap, EndJob(0). Every
// operation after StartJob is safe without an active job and then does nothing.
#pragma once
#include <windows.h>

#include <cstdint>

#include "printing/DrawingState.h"
#include "runtime/QelEventSlot.h"
#include "runtime/QelObject.h"
#include "runtime/QelString.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// The course of a print job.
class IPrintingProgress {
public:
    // StartJob has opened the document and the first page.
    virtual void OnPrintStarted() = 0;
    // EndJob ended a job normally and the last EndPage succeeded.
    virtual void OnPrintCompleted() = 0;
    // EndJob ended a job that had a receiver (after OnPrintCompleted when that was called).
    virtual void OnPrintFinished(int32_t aborted) = 0;

protected:
    ~IPrintingProgress() = default;
};

class CQel_Printer : public CRefObject {
public:
    static const wchar_t* const kDefaultJobName;  // "未命名打印作业"

    // Creates the pen, then the brush of the default drawing state.
    CQel_Printer();
    // Clears the receiver (no events), ends an active job as aborted, deletes pen, brush and font.
    ~CQel_Printer() override;

    // Shows the print dialog and starts a one-page job on the chosen printer. True when a job is
    // active afterwards; false (with no device context left) for a job already active, no program
    // printer choice, the dialog cancelled or failing, no device context, the print-to-file dialog
    // cancelled, StartDoc or the first StartPage failing.
    bool StartJob(HWND parent, IPrintingProgress* receiver);
    // Usable page size in logical units (page minus unprintable strips minus margins, at least 0);
    // 0 by 0 without a job.
    void GetPageSize(int64_t* width, int64_t* height);
    int64_t GetPageWidth();
    int64_t GetPageHeight();
    // Stretches the bitmap to width x height logical units at the top-left margin corner; a negative
    // width or height stands for the bitmap's own size in device pixels.
    void DrawBitmap(HBITMAP bitmap, int64_t width, int64_t height);
    // Makes sure a page is open and applies the unit and drawing state. False without a job (or when
    // a page cannot be started: the job is then ended as aborted).
    bool EnsurePage();
    // Ends the page and the document and deletes the device context; reports completion (not when
    // aborted, or when the last EndPage or the EndDoc failed) and the finish to the receiver.
    void EndJob(int32_t aborted);

    bool IsJobActive() const { return dc != nullptr; }

    // Number of printer device contexts that printers hold in the whole process right now.
    static int64_t LiveDeviceContexts();

    // ---- settings and job state ----
    IPrintingProgress* progress = nullptr;  // set during a job only
    CQelDrawingState state;                 // unit (default 1 = 0.1 mm), pen, brush, font
    CWString jobName;                       // document name; empty = kDefaultJobName
    int64_t minPage = -1;                   // negative: the dialog offers no page range
    int64_t maxPage = -1;                   // negative: no limit
    int64_t leftMargin = 0, topMargin = 0, rightMargin = 0, bottomMargin = 0;  // logical units
    int64_t copies = 1;
    int64_t selection = -1;                 // -1 not offered, 0 offered, 1 chosen
    int64_t collate = 0;
    int64_t fromPage = 1, toPage = -1;      // chosen range; -1 = none
    int64_t pageOpen = 0;
    CWString deviceName;                    // from the dialog
    CWString portName;
    HDC dc = nullptr;                       // device and attribute context (the same DC)
    int32_t physicalWidth = 0, physicalHeight = 0;
    int32_t physicalOffsetX = 0, physicalOffsetY = 0;
    int32_t rightUnprintable = 0, bottomUnprintable = 0;

    // Flags the last StartJob gave the dialog, and the path of a print-to-file job (empty otherwise).
    DWORD lastDialogFlags = 0;
    CWString outputFile;

    // The spooler's page calls (tests substitute failing ones: some drivers never fail them).
    int(WINAPI* startPageCall)(HDC) = ::StartPage;
    int(WINAPI* endPageCall)(HDC) = ::EndPage;

private:
    void AdoptDeviceContext(HDC newDc);
    void DeleteDeviceContext();
    // Reads the page geometry of the device context.
    void ReadPageGeometry();
};

// The printer class of programs. Copies share one implementation; event slots are per object.
class rg_DaYinJi : public rg_Zarno_JiBen::rg_CanKaoDuiXiangLei, public IPrintingProgress {
    QEL_OBJECT_CLASS(rg_DaYinJi, rg_Zarno_JiBen::rg_CanKaoDuiXiangLei, "rg_Zarno_MFCJieMian_JiBen::rg_DaYinJi")
public:
    typedef CRefObjectWithData<CQel_Printer> Implementation;

    // A fresh implementation (reference count 1) and empty event slots.
    rg_DaYinJi();
    // Shares the source's implementation; event slots empty.
    rg_DaYinJi(const rg_DaYinJi& other);
    // Takes the source's base fields and shares its implementation; event slots unchanged.
    rg_DaYinJi& operator=(const rg_DaYinJi& other);
    // Releases the receivers of the event slots, then the implementation.
    ~rg_DaYinJi() override;

    // Leaves the implementation as receiver of a running job before it is let go, so that the job
    // cannot report to this object once it is gone.
    void OnBeforeAssign() override;

    CQel_Printer* GetPrinterImpl() const;
    IPrintingProgress* GetProgress() { return this; }

    bool StartJob(HWND parent, IPrintingProgress* receiver) { return GetPrinterImpl()->StartJob(parent, receiver); }
    int64_t GetPageWidth() { return GetPrinterImpl()->GetPageWidth(); }
    int64_t GetPageHeight() { return GetPrinterImpl()->GetPageHeight(); }
    void DrawBitmap(HBITMAP bitmap, int64_t width, int64_t height) { GetPrinterImpl()->DrawBitmap(bitmap, width, height); }
    bool EnsurePage() { return GetPrinterImpl()->EnsurePage(); }
    void EndJob(int32_t aborted) { GetPrinterImpl()->EndJob(aborted); }

    // Settings a program may change before StartJob.
    void SetJobName(const wchar_t* name);
    // A negative minimum offers no page range; a negative maximum means no limit.
    void SetPageRange(int64_t minimum, int64_t maximum);
    // The range preset in the dialog (-1 = none).
    void SetChosenPages(int64_t from, int64_t to);
    void SetCopies(int64_t copies);
    // -1 offers no selection, 0 offers it, 1 offers and preselects it.
    void SetSelection(int64_t selection);
    void SetCollate(bool collate);
    void SetMargins(int64_t left, int64_t top, int64_t right, int64_t bottom);
    void SetUnit(int64_t unit);

    // IPrintingProgress: each raises the bound handler of its slot.
    void OnPrintStarted() override;
    void OnPrintCompleted() override;
    void OnPrintFinished(int32_t aborted) override;

    // Handler slots, in order: print started, print completed, print finished (with the aborted flag).
    CQelNotifyEventSlot printStarted;
    CQelNotifyEventSlot printCompleted;
    CQelEventSlotOf<int32_t> printFinished;

protected:
    void ResetFields();

private:
    void DetachFromImplementation();
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
