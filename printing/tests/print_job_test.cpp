// Print jobs for real: the system print dialog answered as a user would (by its control ids), the CUPS
// PDF queue (skipped when scripts/test-services.sh did not start it) and a Wine PostScript printer
// with unprintable margins; pages rendered back and checked by their pixels.
#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include "printing/PrintToFileDialog.h"
#include "printing/PrinterChoice.h"
#include "printing/Printer.h"
#include "testsupport/GdiCount.h"
#include "printing/tests/print_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace printtest;
using qeltest::CountGdiObjects;

namespace {

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kYellow = RGB(255, 255, 0),
               kWhite = RGB(255, 255, 255);

struct EventLog : CQelObject {
    EventLog() : self(new CQelObjectPointer(this)) {}
    ~EventLog() override {
        self->target = nullptr;
        self->Release();
    }
    void BindTo(rg_DaYinJi& printer) {
        BindEvent(printer.printStarted, &Started, self);
        BindEvent(printer.printCompleted, &Completed, self);
        BindEvent(printer.printFinished, &Finished, self);
    }
    static int32_t Started(CQelObject* r, CQelObject*, uint32_t) {
        static_cast<EventLog*>(r)->events.push_back("started");
        return 0;
    }
    static int32_t Completed(CQelObject* r, CQelObject*, uint32_t) {
        static_cast<EventLog*>(r)->events.push_back("completed");
        return 0;
    }
    static int32_t Finished(CQelObject* r, CQelObject*, uint32_t, int32_t aborted) {
        static_cast<EventLog*>(r)->events.push_back("finished(" + std::to_string(aborted) + ")");
        return 0;
    }
    CQelObjectPointer* self;
    std::vector<std::string> events;
};

// The picture fills [x0, x1) x [y0, y1) of the page upright: each quadrant's colour at its centre and
// just inside each corner of the area.
void ExpectPictureFills(const Page& page, double x0, double y0, double x1, double y1) {
    auto at = [&](double fx, double fy, COLORREF c, const char* what) {
        int x = static_cast<int>(x0 + fx * (x1 - x0)), y = static_cast<int>(y0 + fy * (y1 - y0));
        EXPECT_TRUE(page.Near(x, y, c)) << what << " at " << x << "," << y << " is " << std::hex << page.At(x, y);
    };
    at(0.25, 0.25, kRed, "top-left quadrant");
    at(0.75, 0.25, kGreen, "top-right quadrant");
    at(0.25, 0.75, kBlue, "bottom-left quadrant");
    at(0.75, 0.75, kYellow, "bottom-right quadrant");
    const int in = 3;  // pixels inside the area's corners
    EXPECT_TRUE(page.Near(static_cast<int>(x0) + in, static_cast<int>(y0) + in, kRed));
    EXPECT_TRUE(page.Near(static_cast<int>(x1) - in, static_cast<int>(y0) + in, kGreen));
    EXPECT_TRUE(page.Near(static_cast<int>(x0) + in, static_cast<int>(y1) - in, kBlue));
    EXPECT_TRUE(page.Near(static_cast<int>(x1) - in, static_cast<int>(y1) - in, kYellow));
}

class PrintJobTest : public ::testing::Test {
protected:
    void SetUp() override { SetAppPrinterChoice(&choice); }
    void TearDown() override {
        SetAppPrinterChoice(nullptr);
        EXPECT_EQ(CQel_Printer::LiveDeviceContexts(), 0);
        EXPECT_EQ(answerer.unexpected, 0);
    }
    bool NeedQueue() {
        if (PdfFolder().empty()) return false;
        EXPECT_EQ(DefaultPrinterName(), L"PDF");
        return true;
    }
    CQelPrinterChoice choice;
    DialogAnswerer answerer;
};

// The queue is part of the test set-up: without it the test fails rather than passing untested.
// The document names of the jobs the spooler holds for a printer. Wine's EnumJobsW lists nothing,
// so when it answers no job the job numbers this process can have used are asked one by one.
std::vector<std::wstring> SpooledDocumentNames(const wchar_t* printerName) {
    std::vector<std::wstring> names;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(printerName), &printer, nullptr)) return names;
    DWORD needed = 0, count = 0;
    EnumJobsW(printer, 0, 64, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (needed && EnumJobsW(printer, 0, 64, 1, buffer.data(), needed, &needed, &count)) {
        const auto* jobs = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) names.emplace_back(jobs[i].pDocument ? jobs[i].pDocument : L"");
    }
    for (DWORD id = 1; names.empty() && id <= 256; ++id) {
        needed = 0;
        GetJobW(printer, id, 1, nullptr, 0, &needed);
        if (!needed) continue;
        std::vector<BYTE> job(needed);
        if (GetJobW(printer, id, 1, job.data(), needed, &needed)) {
            const auto* info = reinterpret_cast<const JOB_INFO_1W*>(job.data());
            names.emplace_back(info->pDocument ? info->pDocument : L"");
        }
    }
    ClosePrinter(printer);
    return names;
}

#define REQUIRE_PDF_QUEUE()                                                                   \
    if (!NeedQueue()) GTEST_FAIL() << "no CUPS PDF queue (source scripts/test-services.sh)"

}  // namespace

// ---- the default printer, through CUPS ----------------------------------------------------------------

TEST_F(PrintJobTest, DefaultPrinterPrintsOnePageFilledWithThePictureUpright) {
    REQUIRE_PDF_QUEUE();
    std::vector<std::string> before = ListPdfs();
    rg_DaYinJi printer;
    answerer.printAnswers.push_back(PrintAnswer{});
    ASSERT_TRUE(printer.StartJob(nullptr, printer.GetProgress()));

    // A default printer object offers no page range and no selection, one copy, no collation.
    ASSERT_EQ(answerer.seen.size(), 1u);
    const SeenDialog& dialog = answerer.seen[0];
    EXPECT_TRUE(dialog.isPrintDialog);
    EXPECT_EQ(dialog.printerShown, L"PDF");
    EXPECT_FALSE(dialog.pageRangeEnabled);
    EXPECT_FALSE(dialog.selectionEnabled);
    EXPECT_EQ(dialog.copiesText, L"1");
    EXPECT_FALSE(dialog.collateChecked);

    // While the job runs, the spooler lists it under the default job name.
    EXPECT_EQ(SpooledDocumentNames(L"PDF"), std::vector<std::wstring>{L"未命名打印作业"});

    const int64_t w = printer.GetPageWidth(), h = printer.GetPageHeight();
    HBITMAP picture = MakeQuadrantBitmap(60, 80);
    printer.DrawBitmap(picture, w, h);
    printer.EndJob(0);
    DeleteObject(picture);
    EXPECT_FALSE(printer.GetPrinterImpl()->IsJobActive());

    std::string pdf = WaitForNewPdf(before);
    ASSERT_FALSE(pdf.empty()) << "no PDF from the queue";
    double widthPt = 0, heightPt = 0;
    EXPECT_EQ(PdfPageCount(pdf, &widthPt, &heightPt), 1);
    // The usable size in 0.1 mm agrees with the page the spooler produced (no unprintable strips
    // on this queue) within a millimetre.
    EXPECT_NEAR(w, widthPt / 72.0 * 254.0, 10.0);
    EXPECT_NEAR(h, heightPt / 72.0 * 254.0, 10.0);

    Page page = RenderPdf(pdf, 30);
    ASSERT_TRUE(page.Valid());
    ExpectPictureFills(page, 0, 0, page.width, page.height);
}

TEST_F(PrintJobTest, RepeatedPrintsKeepTheGdiCountFlat) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    margins.NewOutput("repeated");
    HBITMAP picture = MakeQuadrantBitmap(60, 80);
    auto print = [&] {
        rg_DaYinJi printer;
        PrintAnswer pick;
        pick.choosePrinter = margins.Name();
        answerer.printAnswers.push_back(pick);
        ASSERT_TRUE(printer.StartJob(nullptr, printer.GetProgress()));
        printer.DrawBitmap(picture, printer.GetPageWidth(), printer.GetPageHeight());
        printer.EndJob(0);
    };
    print();  // the first dialog loads what the system keeps for later dialogs
    const int64_t before = CountGdiObjects();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 5; ++i) print();
    EXPECT_EQ(CountGdiObjects(), before);
    DeleteObject(picture);
}

TEST_F(PrintJobTest, CancelledDialogLeavesNoJobAndSpoolsNothing) {
    REQUIRE_PDF_QUEUE();
    int jobs = CupsJobCount();
    rg_DaYinJi printer;
    EventLog log;
    log.BindTo(printer);
    PrintAnswer cancel;
    cancel.ok = false;
    answerer.printAnswers.push_back(cancel);
    EXPECT_FALSE(printer.StartJob(nullptr, printer.GetProgress()));
    EXPECT_EQ(answerer.seen.size(), 1u);
    EXPECT_FALSE(printer.GetPrinterImpl()->IsJobActive());
    EXPECT_EQ(printer.GetPageWidth(), 0);
    HBITMAP picture = MakeQuadrantBitmap(4, 4);
    printer.DrawBitmap(picture, 100, 100);
    printer.EndJob(0);
    DeleteObject(picture);
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(CupsJobCount(), jobs);
}

TEST_F(PrintJobTest, SecondStartJobIsRefusedWhileTheFirstRuns) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    margins.NewOutput("twice");
    rg_DaYinJi printer;
    PrintAnswer pick;
    pick.choosePrinter = margins.Name();
    answerer.printAnswers.push_back(pick);
    ASSERT_TRUE(printer.StartJob(nullptr, nullptr));
    HDC first = printer.GetPrinterImpl()->dc;
    EXPECT_FALSE(printer.StartJob(nullptr, nullptr));
    EXPECT_EQ(answerer.seen.size(), 1u);  // no second dialog
    EXPECT_EQ(printer.GetPrinterImpl()->dc, first);
    EXPECT_TRUE(printer.EnsurePage());
    printer.EndJob(0);
}

// ---- a printer with unprintable margins ------------------------------------------------------------------

TEST_F(PrintJobTest, PrintableAreaIsFilledAndTheMarginsStayWhite) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    std::string ps = margins.NewOutput("margins");
    rg_DaYinJi printer;
    PrintAnswer pick;
    pick.choosePrinter = margins.Name();
    answerer.printAnswers.push_back(pick);
    ASSERT_TRUE(printer.StartJob(nullptr, nullptr));
    CQel_Printer* p = printer.GetPrinterImpl();
    EXPECT_EQ(std::wstring(p->deviceName.GetText()), margins.Name());
    // 300 dpi: offsets 150 and 225 pixels, right and bottom strips 75 and 300 pixels.
    EXPECT_EQ(p->physicalOffsetX, 150);
    EXPECT_EQ(p->physicalOffsetY, 225);
    EXPECT_EQ(p->rightUnprintable, 75);
    EXPECT_EQ(p->bottomUnprintable, 300);
    const int64_t w = printer.GetPageWidth(), h = printer.GetPageHeight();
    // Printable area of the PPD: 541 x 716 points.
    EXPECT_NEAR(w, 541 / 72.0 * 254.0, 10.0);
    EXPECT_NEAR(h, 716 / 72.0 * 254.0, 10.0);
    HBITMAP picture = MakeQuadrantBitmap(60, 80);
    printer.DrawBitmap(picture, w, h);
    printer.EndJob(0);
    DeleteObject(picture);

    std::string text = ReadHostFile(ps);
    ASSERT_EQ(text.compare(0, 4, "%!PS"), 0);
    // One page, named after the default job name (seven characters the PostScript title cannot
    // carry, so each shows as "?").
    EXPECT_EQ(text.find("%%Page:"), text.rfind("%%Page:"));
    EXPECT_NE(text.find("%%Title: ???????\n"), std::string::npos);

    const int dpi = 36;
    Page page = RenderPostScript(ps, dpi);
    ASSERT_TRUE(page.Valid());
    const double left = MarginPrinter::kLeftIn * dpi, top = MarginPrinter::kTopIn * dpi;
    const double right = page.width - MarginPrinter::kRightIn * dpi, bottom = page.height - MarginPrinter::kBottomIn * dpi;
    ExpectPictureFills(page, left, top, right, bottom);
    for (int y = 0; y < page.height; y += 7) {
        EXPECT_TRUE(page.Near(static_cast<int>(left) - 3, y, kWhite, 8)) << "left margin, row " << y;
        EXPECT_TRUE(page.Near(static_cast<int>(right) + 3, y, kWhite, 8)) << "right margin, row " << y;
    }
    for (int x = 0; x < page.width; x += 7) {
        EXPECT_TRUE(page.Near(x, static_cast<int>(top) - 3, kWhite, 8)) << "top margin, column " << x;
        EXPECT_TRUE(page.Near(x, static_cast<int>(bottom) + 3, kWhite, 8)) << "bottom margin, column " << x;
    }
}

TEST_F(PrintJobTest, NegativeSizeDrawsTheBitmapPixelForPixelAtTheMarginCorner) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    std::string ps = margins.NewOutput("ownsize");
    rg_DaYinJi printer;
    printer.SetMargins(100, 50, 0, 0);  // 10 mm from the left, 5 mm from the top of the printable area
    printer.SetJobName(L"Own size");
    PrintAnswer pick;
    pick.choosePrinter = margins.Name();
    answerer.printAnswers.push_back(pick);
    ASSERT_TRUE(printer.StartJob(nullptr, nullptr));
    HBITMAP picture = MakeQuadrantBitmap(60, 80);
    printer.DrawBitmap(picture, -1, -1);
    printer.EndJob(0);
    DeleteObject(picture);
    EXPECT_NE(ReadHostFile(ps).find("%%Title: Own size\n"), std::string::npos);

    // At 300 dpi the 60 x 80 bitmap covers 60 x 80 device pixels; rendered at 150 dpi, 30 x 40.
    const int dpi = 150;
    Page page = RenderPostScript(ps, dpi);
    ASSERT_TRUE(page.Valid());
    const double x0 = MarginPrinter::kLeftIn * dpi + 10.0 / 25.4 * dpi;
    const double y0 = MarginPrinter::kTopIn * dpi + 5.0 / 25.4 * dpi;
    ExpectPictureFills(page, x0, y0, x0 + 30, y0 + 40);
    EXPECT_TRUE(page.Near(static_cast<int>(x0) - 4, static_cast<int>(y0) + 20, kWhite, 8));
    EXPECT_TRUE(page.Near(static_cast<int>(x0) + 34, static_cast<int>(y0) + 20, kWhite, 8));
    EXPECT_TRUE(page.Near(static_cast<int>(x0) + 15, static_cast<int>(y0) + 44, kWhite, 8));
    EXPECT_TRUE(page.Near(static_cast<int>(x0) + 15, static_cast<int>(y0) - 4, kWhite, 8));
}

// ---- print to file ---------------------------------------------------------------------------------------

TEST_F(PrintJobTest, PrintToFileWritesPostScriptThroughTheSaveDialogAndQueuesNothing) {
    REQUIRE_PDF_QUEUE();
    const int jobs = CupsJobCount();
    std::vector<std::string> before = ListPdfs();
    const std::string target = HostScratch() + "/picture.prn";
    rg_DaYinJi printer;
    PrintAnswer toFile;
    toFile.printToFile = true;
    answerer.printAnswers.push_back(toFile);
    FileAnswer save;
    save.path = WinPath(target);
    answerer.fileAnswers.push_back(save);
    ASSERT_TRUE(printer.StartJob(nullptr, nullptr));
    ASSERT_EQ(answerer.seen.size(), 2u);
    const SeenDialog& file = answerer.seen[1];
    EXPECT_FALSE(file.isPrintDialog);
    EXPECT_EQ(file.title, kPrintToFileTitle);
    EXPECT_EQ(file.fileNameShown, L"output.prn");
    EXPECT_EQ(file.filterItems, (std::vector<std::wstring>{L"打印输出文件 (*.prn)", L"所有文件 (*.*)"}));
    EXPECT_EQ(std::wstring(printer.GetPrinterImpl()->outputFile.GetText()), save.path);

    HBITMAP picture = MakeQuadrantBitmap(60, 80);
    printer.DrawBitmap(picture, printer.GetPageWidth(), printer.GetPageHeight());
    printer.EndJob(0);
    DeleteObject(picture);

    std::string text = ReadHostFile(target);
    ASSERT_GT(text.size(), 100u);
    EXPECT_EQ(text.compare(0, 4, "%!PS"), 0);
    Page page = RenderPostScript(target, 30);
    ASSERT_TRUE(page.Valid());
    ExpectPictureFills(page, 0, 0, page.width, page.height);
    // A job for a CUPS queue is handed to the scheduler before EndJob returns (its PDF comes
    // later), and the count includes finished jobs: an unchanged count means no job was sent.
    EXPECT_EQ(CupsJobCount(), jobs);
    EXPECT_EQ(ListPdfs(), before);
}

TEST_F(PrintJobTest, PrintToFileCancelledOrUnwritableStartsNoJob) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    std::string port = margins.NewOutput("tofile-port");
    for (int round = 0; round < 2; ++round) {
        rg_DaYinJi printer;
        EventLog log;
        log.BindTo(printer);
        PrintAnswer toFile;
        toFile.choosePrinter = margins.Name();
        toFile.printToFile = true;
        answerer.printAnswers.push_back(toFile);
        FileAnswer answer;
        if (round == 0) {
            answer.ok = false;  // the user cancels the save dialog
        } else {
            answer.path = L"Z:\\proc\\qel-no-such-place.prn";  // a folder nobody can create files in
        }
        answerer.fileAnswers.push_back(answer);
        if (round == 0) {
            EXPECT_FALSE(printer.StartJob(nullptr, printer.GetProgress()));
            EXPECT_TRUE(log.events.empty());
        } else if (printer.StartJob(nullptr, printer.GetProgress())) {
            // A spooler that writes the file only when the document ends finds out there: the job
            // finishes without completing.
            printer.EndJob(0);
            EXPECT_EQ(log.events, (std::vector<std::string>{"started", "finished(0)"}));
        }
        EXPECT_FALSE(printer.GetPrinterImpl()->IsJobActive()) << round;
        EXPECT_EQ(CQel_Printer::LiveDeviceContexts(), 0) << round;
    }
    EXPECT_EQ(answerer.seen.size(), 4u);
    EXPECT_FALSE(HostFileExists(port));  // nothing reached the printer's port either
}

// ---- the events of a job -------------------------------------------------------------------------------------

TEST_F(PrintJobTest, EventsOfANormalAnAbortedAndAFailedEnd) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    auto run = [&](const char* name, auto&& beforeEnd, int32_t aborted) {
        margins.NewOutput(name);
        rg_DaYinJi printer;
        EventLog log;
        log.BindTo(printer);
        PrintAnswer pick;
        pick.choosePrinter = margins.Name();
        answerer.printAnswers.push_back(pick);
        EXPECT_TRUE(printer.StartJob(nullptr, printer.GetProgress())) << name;
        EXPECT_EQ(log.events, std::vector<std::string>{"started"}) << name;
        beforeEnd(printer.GetPrinterImpl());
        printer.EndJob(aborted);
        return log.events;
    };
    auto nothing = [](CQel_Printer*) {};
    EXPECT_EQ(run("normal", nothing, 0), (std::vector<std::string>{"started", "completed", "finished(0)"}));
    EXPECT_EQ(run("aborted", nothing, 1), (std::vector<std::string>{"started", "finished(1)"}));
    // The driver ends the page but reports a failure.
    auto failEndPage = [](CQel_Printer* p) {
        p->endPageCall = [](HDC dc) -> int {
            EndPage(dc);
            return -1;
        };
    };
    EXPECT_EQ(run("failed", failEndPage, 0), (std::vector<std::string>{"started", "finished(0)"}));
    EXPECT_EQ(run("failed-aborted", failEndPage, 1), (std::vector<std::string>{"started", "finished(1)"}));
}

TEST_F(PrintJobTest, AFirstPageThatCannotStartEndsTheJobWithoutEvents) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    margins.NewOutput("nopage");
    rg_DaYinJi printer;
    EventLog log;
    log.BindTo(printer);
    printer.GetPrinterImpl()->startPageCall = [](HDC) -> int { return -1; };
    PrintAnswer pick;
    pick.choosePrinter = margins.Name();
    answerer.printAnswers.push_back(pick);
    EXPECT_FALSE(printer.StartJob(nullptr, printer.GetProgress()));
    EXPECT_FALSE(printer.GetPrinterImpl()->IsJobActive());
    EXPECT_EQ(printer.GetPrinterImpl()->pageOpen, 0);
    EXPECT_TRUE(log.events.empty());
    EXPECT_FALSE(printer.EnsurePage());
}

TEST_F(PrintJobTest, DestroyingThePrinterEndsItsJobSilently) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    std::string ps = margins.NewOutput("destroyed");
    EventLog log;
    {
        rg_DaYinJi printer;
        log.BindTo(printer);
        PrintAnswer pick;
        pick.choosePrinter = margins.Name();
        answerer.printAnswers.push_back(pick);
        ASSERT_TRUE(printer.StartJob(nullptr, printer.GetProgress()));
        HBITMAP picture = MakeQuadrantBitmap(8, 8);
        printer.DrawBitmap(picture, 100, 100);
        DeleteObject(picture);
        // As the program does before every print: the printer takes a new implementation.
        rg_DaYinJi replacement;
        printer.CopyFrom(replacement);
        EXPECT_EQ(CQel_Printer::LiveDeviceContexts(), 0);
    }
    EXPECT_EQ(log.events, std::vector<std::string>{"started"});
    EXPECT_EQ(ReadHostFile(ps).compare(0, 4, "%!PS"), 0);  // the job was ended, not left hanging
}

// ---- the printer choice kept between prints -------------------------------------------------------------------

TEST_F(PrintJobTest, TheNextDialogStartsWithThePrinterChosenBefore) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    margins.NewOutput("kept");
    const std::wstring first = DefaultPrinterName();
    ASSERT_NE(first, margins.Name());
    for (int print = 0; print < 2; ++print) {
        rg_DaYinJi printer;  // a fresh printer object for every print, as the program makes
        PrintAnswer answer;
        if (print == 0) answer.choosePrinter = margins.Name();
        answerer.printAnswers.push_back(answer);
        ASSERT_TRUE(printer.StartJob(nullptr, nullptr));
        EXPECT_EQ(std::wstring(printer.GetPrinterImpl()->deviceName.GetText()), margins.Name());
        printer.EndJob(0);
    }
    ASSERT_EQ(answerer.seen.size(), 2u);
    if (!first.empty()) {
        EXPECT_EQ(answerer.seen[0].printerShown, first);
    }
    EXPECT_EQ(answerer.seen[1].printerShown, margins.Name());
}

TEST_F(PrintJobTest, AVanishedKeptPrinterFallsBackToTheDefault) {
    REQUIRE_PDF_QUEUE();
    MarginPrinter vanishing(L"QelVanishing", L"LPT2:");
    ASSERT_TRUE(vanishing.Ready());
    vanishing.NewOutput("vanishing");
    {
        rg_DaYinJi printer;
        PrintAnswer pick;
        pick.choosePrinter = vanishing.Name();
        answerer.printAnswers.push_back(pick);
        ASSERT_TRUE(printer.StartJob(nullptr, nullptr));
        printer.EndJob(0);
    }
    ASSERT_TRUE(vanishing.Remove());
    std::vector<std::string> before = ListPdfs();
    rg_DaYinJi printer;
    answerer.printAnswers.push_back(PrintAnswer{});
    ASSERT_TRUE(printer.StartJob(nullptr, nullptr));
    EXPECT_EQ(std::wstring(printer.GetPrinterImpl()->deviceName.GetText()), L"PDF");
    ASSERT_EQ(answerer.seen.size(), 2u);
    EXPECT_EQ(answerer.seen[1].printerShown, L"PDF");
    HBITMAP picture = MakeQuadrantBitmap(8, 8);
    printer.DrawBitmap(picture, printer.GetPageWidth(), printer.GetPageHeight());
    printer.EndJob(0);
    DeleteObject(picture);
    EXPECT_FALSE(WaitForNewPdf(before).empty());
}
