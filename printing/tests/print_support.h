// Test support for printing: answering the modal print and file dialogs as a user would, running
// host tools (pdfinfo, pdftoppm, gs, lpstat) from inside Wine, reading rendered pages, and the
// daemon-free PostScript printer with margins.
#pragma once
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "testsupport/HostCommand.h"

namespace printtest {

using qeltest::RunHost;
using qeltest::WinPath;

// ---- dialogs --------------------------------------------------------------------------------------

// What the user does in the next print dialog.
struct PrintAnswer {
    bool ok = true;                // IDOK, else IDCANCEL
    std::wstring choosePrinter;    // picked in the printer combo (0x473) when not empty
    bool printToFile = false;      // ticks the print-to-file box (0x410)
};

// What the user does in the next file dialog.
struct FileAnswer {
    bool ok = true;
    std::wstring path;  // typed into the file name box
};

// What the test saw in a dialog before answering it.
struct SeenDialog {
    bool isPrintDialog = false;
    std::wstring title;
    // Print dialog.
    std::wstring printerShown;
    bool pageRangeEnabled = false;
    bool selectionEnabled = false;
    bool selectionChecked = false;
    std::wstring copiesText;
    bool collateChecked = false;
    bool printToFileChecked = false;
    // File dialog.
    std::wstring fileNameShown;
    std::vector<std::wstring> filterItems;
};

// Answers the "#32770" dialogs this thread shows, by their control ids, while it exists. Dialogs
// without a queued answer are cancelled (so a test never hangs) and recorded as unexpected.
class DialogAnswerer {
public:
    DialogAnswerer();
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    std::deque<PrintAnswer> printAnswers;
    std::deque<FileAnswer> fileAnswers;
    std::vector<SeenDialog> seen;
    int unexpected = 0;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    void Answer(HWND dialog);
    HHOOK hook_ = nullptr;
    std::vector<HWND> handled_;
    std::vector<HWND> pending_;
};

// ---- host tools -----------------------------------------------------------------------------------

// A per-process scratch folder on the host, as a Unix path ending without a slash.
std::string HostScratch();
// Reads a whole file (Unix path); empty when missing.
std::string ReadHostFile(const std::string& unixPath);
bool HostFileExists(const std::string& unixPath);

// ---- pages ----------------------------------------------------------------------------------------

struct Page {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    bool Valid() const { return width > 0 && height > 0; }
    COLORREF At(int x, int y) const;
    // Whether the pixel is close to the colour (each channel within tolerance).
    bool Near(int x, int y, COLORREF c, int tolerance = 40) const;
};
// Parses a binary PPM (P6) file.
Page ReadPpm(const std::string& unixPath);
// Renders page 1 of a PDF (pdftoppm) or a PostScript file (gs) at dpi.
Page RenderPdf(const std::string& pdf, int dpi);
Page RenderPostScript(const std::string& ps, int dpi);
// Page count and page size in points of a PDF (pdfinfo); 0 when unreadable.
int PdfPageCount(const std::string& pdf, double* widthPt = nullptr, double* heightPt = nullptr);

// ---- spooler --------------------------------------------------------------------------------------

// The folder cups-pdf writes to (QEL_PRINT_PDF_DIR), empty when the CUPS queue is not available.
std::string PdfFolder();
// Names of the PDF files in the folder.
std::vector<std::string> ListPdfs();
// Waits until a PDF not in `before` appears and the queue is empty; its path, or empty on timeout.
std::string WaitForNewPdf(const std::vector<std::string>& before, DWORD timeoutMs = 20000);
// Number of jobs CUPS has seen on the PDF queue (completed and not completed).
int CupsJobCount();
// Waits until CUPS has no pending job.
void WaitForIdleQueue(DWORD timeoutMs = 20000);
// The default printer's name.
std::wstring DefaultPrinterName();

// ---- the PostScript printer with margins ---------------------------------------------------------

// A Wine PostScript printer on our PPD (A4, 300 dpi, margins 0.5 in left, 0.75 in top, 0.25 in right,
// 1 in bottom) whose port is piped into a file. Created on construction (reused when it exists),
// deleted on destruction.
class MarginPrinter {
public:
    explicit MarginPrinter(const wchar_t* name = L"QelMargins", const wchar_t* port = L"LPT1:");
    ~MarginPrinter();
    bool Ready() const { return ready_; }
    const std::wstring& Name() const { return name_; }
    // Points the port at a fresh output file; answers its Unix path.
    std::string NewOutput(const std::string& baseName);
    // Deletes the printer now (the destructor then does nothing).
    bool Remove();

    static constexpr double kLeftIn = 0.5, kTopIn = 0.75, kRightIn = 0.25, kBottomIn = 1.0;

private:
    std::wstring name_, port_;
    bool ready_ = false;
};

// A device-dependent bitmap of four coloured quadrants of w x h pixels: top-left red, top-right
// green, bottom-left blue, bottom-right yellow.
HBITMAP MakeQuadrantBitmap(int w, int h);

}  // namespace printtest

