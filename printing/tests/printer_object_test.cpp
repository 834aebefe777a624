// The printer object without a spooler: object operations sharing the implementation, progress events,
// the settings StartJob hands to the print dialog and reads back from it (through a scripted dialog),
// the device mode it prepares, and the program-wide printer choice with its retry.
#include <gtest/gtest.h>

#include <windows.h>
#include <cderr.h>
#include <commdlg.h>
#include <winspool.h>

#include <functional>
#include <vector>

#include "printing/PrinterChoice.h"
#include "printing/Printer.h"
#include "printing/tests/print_support.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace printtest;

namespace {

// ---- a receiver of printer events ----

struct Recorder : CQelObject {
    Recorder() : self(new CQelObjectPointer(this)) {}
    ~Recorder() override {
        self->target = nullptr;
        self->Release();
    }
    static int32_t Started(CQelObject* r, CQelObject* sender, uint32_t tag) {
        return static_cast<Recorder*>(r)->Note("started", sender, tag, -1);
    }
    static int32_t Completed(CQelObject* r, CQelObject* sender, uint32_t tag) {
        return static_cast<Recorder*>(r)->Note("completed", sender, tag, -1);
    }
    static int32_t Finished(CQelObject* r, CQelObject* sender, uint32_t tag, int32_t aborted) {
        return static_cast<Recorder*>(r)->Note("finished", sender, tag, aborted);
    }
    int32_t Note(const char* what, CQelObject* sender, uint32_t tag, int32_t aborted) {
        events.push_back(what);
        if (aborted >= 0) events.back().append("(").append(std::to_string(aborted)).append(")");
        lastSender = sender;
        lastTag = tag;
        return 0;
    }
    void BindTo(rg_DaYinJi& printer) {
        BindEvent(printer.printStarted, &Started, self);
        BindEvent(printer.printCompleted, &Completed, self);
        BindEvent(printer.printFinished, &Finished, self);
    }
    CQelObjectPointer* self;
    std::vector<std::string> events;
    CQelObject* lastSender = nullptr;
    uint32_t lastTag = 99;
};

int64_t RefCount(const rg_DaYinJi& p) { return p.GetData()->GetRefCount(); }

// ---- a scripted print dialog ----

struct DialogCall {
    DWORD flags;
    WORD minPage, maxPage, fromPage, toPage, copies;
    HGLOBAL devMode, devNames;
    DEVMODEW mode;  // copy of the public part of the device mode block (zeros without one)
    SIZE_T modeSize;
    std::wstring device;
};
std::vector<DialogCall> g_calls;
std::function<BOOL(PRINTDLGW*, DWORD*)> g_script;

BOOL ScriptedDialog(PRINTDLGW* pd, DWORD* error) {
    DialogCall call{pd->Flags, pd->nMinPage, pd->nMaxPage, pd->nFromPage, pd->nToPage, pd->nCopies,
                    pd->hDevMode, pd->hDevNames, {}, 0, {}};
    if (pd->hDevMode) {
        call.modeSize = GlobalSize(pd->hDevMode);
        if (auto* dm = static_cast<DEVMODEW*>(GlobalLock(pd->hDevMode))) {
            memcpy(&call.mode, dm, std::min<SIZE_T>(sizeof(DEVMODEW), call.modeSize));
            GlobalUnlock(pd->hDevMode);
        }
    }
    call.device = ReadDevNamesField(pd->hDevNames, 1).GetText();
    g_calls.push_back(call);
    *error = 0;
    return g_script ? g_script(pd, error) : FALSE;
}

// A DEVNAMES block for a printer.
HGLOBAL MakeDevNames(const wchar_t* driver, const wchar_t* device, const wchar_t* port) {
    size_t a = wcslen(driver) + 1, b = wcslen(device) + 1, c = wcslen(port) + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVNAMES) + (a + b + c) * sizeof(wchar_t));
    auto* names = static_cast<DEVNAMES*>(GlobalLock(h));
    wchar_t* text = reinterpret_cast<wchar_t*>(names);
    WORD first = sizeof(DEVNAMES) / sizeof(wchar_t);
    names->wDriverOffset = first;
    names->wDeviceOffset = static_cast<WORD>(first + a);
    names->wOutputOffset = static_cast<WORD>(first + a + b);
    wcscpy(text + names->wDriverOffset, driver);
    wcscpy(text + names->wDeviceOffset, device);
    wcscpy(text + names->wOutputOffset, port);
    GlobalUnlock(h);
    return h;
}

// A bare device mode (no driver part) in landscape with a few fields flagged.
HGLOBAL MakeBareDevMode(const wchar_t* device) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVMODEW));
    auto* dm = static_cast<DEVMODEW*>(GlobalLock(h));
    lstrcpynW(dm->dmDeviceName, device, CCHDEVICENAME);
    dm->dmSize = sizeof(DEVMODEW);
    dm->dmSpecVersion = DM_SPECVERSION;
    dm->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
    dm->dmOrientation = DMORIENT_LANDSCAPE;
    dm->dmPaperSize = DMPAPER_A4;
    dm->dmCopies = 7;
    GlobalUnlock(h);
    return h;
}

class PrinterSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_script = nullptr;
        choice.dialog = ScriptedDialog;
        SetAppPrinterChoice(&choice);
    }
    void TearDown() override {
        SetAppPrinterChoice(nullptr);
        g_script = nullptr;
    }
    // Makes the kept selection name the printer, with a landscape device mode without driver part.
    void Keep(const std::wstring& device) {
        choice.Adopt(MakeDevNames(L"winspool", device.c_str(), L"LPT1:"), MakeBareDevMode(device.c_str()));
    }
    CQelPrinterChoice choice;
};

}  // namespace

// ---- defaults and operations without a job ----------------------------------------------------------

TEST(PrinterObject, DefaultsAndEveryOperationIsSafeWithoutAJob) {
    rg_DaYinJi printer;
    CQel_Printer* p = printer.GetPrinterImpl();
    EXPECT_EQ(p->state.unit, 1);
    EXPECT_EQ(p->jobName.GetLength(), 0);
    EXPECT_EQ(p->minPage, -1);
    EXPECT_EQ(p->maxPage, -1);
    EXPECT_EQ(p->leftMargin + p->topMargin + p->rightMargin + p->bottomMargin, 0);
    EXPECT_EQ(p->copies, 1);
    EXPECT_EQ(p->selection, -1);
    EXPECT_EQ(p->collate, 0);
    EXPECT_EQ(p->fromPage, 1);
    EXPECT_EQ(p->toPage, -1);
    EXPECT_EQ(p->pageOpen, 0);
    EXPECT_EQ(p->dc, nullptr);
    EXPECT_EQ(p->progress, nullptr);
    EXPECT_EQ(GetObjectType(p->state.pen), (DWORD)OBJ_PEN);  // pen and brush exist from the start
    EXPECT_EQ(GetObjectType(p->state.brush), (DWORD)OBJ_BRUSH);
    EXPECT_EQ(p->state.font, nullptr);  // the font is made per job

    Recorder r;
    r.BindTo(printer);
    HBITMAP bmp = MakeQuadrantBitmap(4, 4);
    EXPECT_EQ(printer.GetPageWidth(), 0);
    EXPECT_EQ(printer.GetPageHeight(), 0);
    EXPECT_FALSE(printer.EnsurePage());
    printer.DrawBitmap(bmp, 10, 10);
    printer.EndJob(0);
    EXPECT_TRUE(r.events.empty());
    DeleteObject(bmp);
}

TEST(PrinterObject, StartJobWithoutAProgramPrinterChoiceShowsNothing) {
    SetAppPrinterChoice(nullptr);
    DialogAnswerer answerer;
    rg_DaYinJi printer;
    EXPECT_FALSE(printer.StartJob(nullptr, printer.GetProgress()));
    EXPECT_TRUE(answerer.seen.empty());
    EXPECT_FALSE(printer.GetPrinterImpl()->IsJobActive());
}

// ---- object operations -------------------------------------------------------------------------------

TEST(PrinterObject, ClonesShareTheImplementationWithEmptySlots) {
    rg_DaYinJi a;
    Recorder r;
    r.BindTo(a);
    EXPECT_EQ(RefCount(a), 1);
    rg_DaYinJi* b = static_cast<rg_DaYinJi*>(a.Clone());
    EXPECT_EQ(b->GetPrinterImpl(), a.GetPrinterImpl());
    EXPECT_EQ(RefCount(a), 2);
    EXPECT_FALSE(b->printStarted.HasHandler());
    EXPECT_FALSE(b->printFinished.HasHandler());
    EXPECT_TRUE(a.IsEqual(*b));
    b->SetCopies(4);  // a setting made through one copy is the other's too
    EXPECT_EQ(a.GetPrinterImpl()->copies, 4);

    rg_DaYinJi* fresh = static_cast<rg_DaYinJi*>(a.NewInstance());
    EXPECT_NE(fresh->GetPrinterImpl(), a.GetPrinterImpl());
    EXPECT_FALSE(a.IsEqual(*fresh));
    EXPECT_EQ(fresh->GetPrinterImpl()->copies, 1);
    fresh->Delete();
    b->Delete();
    EXPECT_EQ(RefCount(a), 1);
}

TEST(PrinterObject, CopyFromSharesAndReleasesTheOldImplementationButKeepsTheSlots) {
    rg_DaYinJi target, source;
    Recorder r;
    r.BindTo(target);
    CRefObject* old = target.GetData();
    old->AddRef();  // watch the old implementation
    ASSERT_EQ(old->GetRefCount(), 2);
    ASSERT_TRUE(target.CopyFrom(source));
    EXPECT_EQ(old->GetRefCount(), 1);
    old->Release();
    EXPECT_EQ(target.GetPrinterImpl(), source.GetPrinterImpl());
    EXPECT_EQ(RefCount(source), 2);
    EXPECT_TRUE(target.printStarted.HasHandler());
    target.OnPrintStarted();
    EXPECT_EQ(r.events, std::vector<std::string>{"started"});

    CQelObject other;
    EXPECT_FALSE(target.CopyFrom(other));  // not a printer: nothing changes
    EXPECT_EQ(target.GetPrinterImpl(), source.GetPrinterImpl());
}

TEST(PrinterObject, ResetTakesAFreshImplementation) {
    rg_DaYinJi a;
    a.SetCopies(3);
    rg_DaYinJi b(a);
    a.Reset();
    EXPECT_NE(a.GetPrinterImpl(), b.GetPrinterImpl());
    EXPECT_EQ(a.GetPrinterImpl()->copies, 1);
    EXPECT_EQ(b.GetPrinterImpl()->copies, 3);
    EXPECT_EQ(RefCount(a), 1);
    EXPECT_EQ(RefCount(b), 1);
}

TEST(PrinterObject, DestructionReleasesReceiversAndTheImplementation) {
    Recorder r;
    rg_DaYinJi* keeper = new rg_DaYinJi();
    rg_DaYinJi* p = static_cast<rg_DaYinJi*>(keeper->Clone());
    r.BindTo(*p);
    EXPECT_EQ(r.self->GetRefCount(), 4);  // the recorder and three slots
    p->Delete();
    EXPECT_EQ(r.self->GetRefCount(), 1);
    EXPECT_EQ(RefCount(*keeper), 1);
    keeper->Delete();
}

// ---- progress events -----------------------------------------------------------------------------------

TEST(PrinterEvents, HandlersGetReceiverPrinterTagAndTheAbortedFlag) {
    rg_DaYinJi printer;
    Recorder r;
    r.BindTo(printer);
    printer.printFinished.tag = 42;
    IPrintingProgress* progress = printer.GetProgress();
    progress->OnPrintStarted();
    progress->OnPrintCompleted();
    progress->OnPrintFinished(1);
    EXPECT_EQ(r.events, (std::vector<std::string>{"started", "completed", "finished(1)"}));
    EXPECT_EQ(r.lastSender, &printer);
    EXPECT_EQ(r.lastTag, 42u);

    rg_DaYinJi unbound;
    unbound.GetProgress()->OnPrintFinished(0);  // nothing bound: nothing happens

    // A receiver that died gets nothing.
    auto* gone = new Recorder();
    gone->BindTo(unbound);
    CQelObjectPointer* holder = gone->self;
    holder->AddRef();
    delete gone;
    unbound.OnPrintStarted();
    EXPECT_EQ(holder->target, nullptr);
    holder->Release();
}

TEST(PrinterEvents, APrinterThatGoesAwayIsNoLongerTheJobsReceiver) {
    // A job's receiver is the printer object that started it; when that object is destroyed or takes
    // another implementation while a copy keeps the job's implementation, the job must not report to it.
    auto* starter = new rg_DaYinJi();
    rg_DaYinJi copy(*starter);
    CQel_Printer* impl = copy.GetPrinterImpl();
    impl->progress = starter->GetProgress();
    starter->Delete();
    EXPECT_EQ(impl->progress, nullptr);

    rg_DaYinJi other;
    rg_DaYinJi sharer(other);
    other.GetPrinterImpl()->progress = other.GetProgress();
    rg_DaYinJi fresh;
    other.CopyFrom(fresh);
    EXPECT_EQ(sharer.GetPrinterImpl()->progress, nullptr);
}

// ---- what StartJob gives the dialog -----------------------------------------------------------------------

TEST_F(PrinterSettingsTest, DialogFlagsPagesAndCopiesFollowTheSettings) {
    struct Case {
        int64_t minPage, maxPage, fromPage, toPage, copies, selection, collate;
        DWORD flags;
        WORD nMin, nMax, nFrom, nTo, nCopies;
    };
    const DWORD base = PD_USEDEVMODECOPIESANDCOLLATE;
    const Case cases[] = {
        // defaults: no page range, no selection, one copy
        {-1, -1, 1, -1, 1, -1, 0, base | PD_NOPAGENUMS | PD_NOSELECTION, 0, 0, 0, 0, 1},
        // range from page 2 without limit; from below the minimum moves up; to kept
        {2, -1, 1, 5, 3, 0, 0, base, 2, 0x7FFF, 2, 5, 3},
        // minimum 0 counts as 1; maximum below it is raised; from and to clamped to the maximum
        {0, 0, 9, 1, 0, 1, 1, base | PD_COLLATE | PD_SELECTION, 1, 1, 1, 1, 1},
        // to below from becomes from; copies below 1 count as 1
        {1, 10, 4, 2, -5, 0, 0, base, 1, 10, 4, 4, 1},
    };
    for (const Case& c : cases) {
        g_calls.clear();
        rg_DaYinJi printer;
        printer.SetPageRange(c.minPage, c.maxPage);
        printer.SetChosenPages(c.fromPage, c.toPage);
        printer.SetCopies(c.copies);
        printer.SetSelection(c.selection);
        printer.SetCollate(c.collate != 0);
        EXPECT_FALSE(printer.StartJob(nullptr, nullptr));  // the script cancels
        ASSERT_EQ(g_calls.size(), 1u);
        const DialogCall& call = g_calls[0];
        EXPECT_EQ(call.flags, c.flags) << c.minPage;
        EXPECT_EQ(call.flags & (PD_RETURNDC | PD_PRINTSETUP), 0u);
        if (c.minPage >= 0) {
            EXPECT_EQ(call.minPage, c.nMin) << c.minPage;
            EXPECT_EQ(call.maxPage, c.nMax) << c.minPage;
            EXPECT_EQ(call.fromPage, c.nFrom) << c.minPage;
            EXPECT_EQ(call.toPage, c.nTo) << c.minPage;
        }
        EXPECT_EQ(call.copies, c.nCopies) << c.minPage;
        EXPECT_FALSE(printer.GetPrinterImpl()->IsJobActive());
    }
}

TEST_F(PrinterSettingsTest, DeviceModeAsksForPortraitWithTheJobsCopiesAndCollation) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    Keep(margins.Name());  // a landscape mode without the driver's private part
    LONG full = 0;
    {
        HANDLE h = nullptr;
        ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(margins.Name().c_str()), &h, nullptr));
        full = DocumentPropertiesW(nullptr, h, const_cast<wchar_t*>(margins.Name().c_str()), nullptr, nullptr, 0);
        ClosePrinter(h);
    }
    ASSERT_GT(full, (LONG)sizeof(DEVMODEW));  // the driver wants more than the kept block holds

    rg_DaYinJi printer;
    printer.SetCopies(3);
    printer.SetCollate(true);
    EXPECT_FALSE(printer.StartJob(nullptr, nullptr));
    ASSERT_EQ(g_calls.size(), 1u);
    const DialogCall& call = g_calls[0];
    EXPECT_EQ(call.device, margins.Name());
    EXPECT_GE(call.modeSize, (SIZE_T)full);  // merged into a block of the driver's size
    EXPECT_EQ(call.mode.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_TRUE(call.mode.dmFields & DM_ORIENTATION);
    EXPECT_EQ(call.mode.dmCopies, 3);
    EXPECT_TRUE(call.mode.dmFields & DM_COLLATE);
    EXPECT_EQ(call.mode.dmCollate, DMCOLLATE_TRUE);
    EXPECT_EQ(call.mode.dmPaperSize, DMPAPER_A4);  // the printer's own settings came with the merge
    EXPECT_EQ(choice.DevMode(), call.devMode);     // and became the kept selection
}

TEST_F(PrinterSettingsTest, APrinterThatCannotBeOpenedKeepsOnlyOrientationAndCollation) {
    Keep(L"No Such Printer 4711");
    rg_DaYinJi printer;
    printer.SetCopies(2);
    EXPECT_FALSE(printer.StartJob(nullptr, nullptr));
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].mode.dmFields, (DWORD)DM_ORIENTATION);
    EXPECT_EQ(g_calls[0].mode.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(g_calls[0].mode.dmCopies, 2);
    EXPECT_EQ(g_calls[0].modeSize, sizeof(DEVMODEW));

    g_calls.clear();
    rg_DaYinJi collating;
    collating.SetCollate(true);
    EXPECT_FALSE(collating.StartJob(nullptr, nullptr));
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].mode.dmFields, (DWORD)(DM_ORIENTATION | DM_COLLATE));
}

TEST_F(PrinterSettingsTest, ChoicesAreReadBackFromTheDialog) {
    MarginPrinter margins;
    ASSERT_TRUE(margins.Ready());
    margins.NewOutput("readback");
    Keep(margins.Name());
    // The user picks pages 3 to 4, two copies, collated.
    g_script = [](PRINTDLGW* pd, DWORD*) {
        pd->Flags |= PD_PAGENUMS;
        pd->nFromPage = 3;
        pd->nToPage = 4;
        auto* dm = static_cast<DEVMODEW*>(GlobalLock(pd->hDevMode));
        dm->dmFields |= DM_COPIES | DM_COLLATE;
        dm->dmCopies = 2;
        dm->dmCollate = DMCOLLATE_TRUE;
        GlobalUnlock(pd->hDevMode);
        return TRUE;
    };
    rg_DaYinJi printer;
    printer.SetPageRange(1, 9);
    printer.SetSelection(0);
    ASSERT_TRUE(printer.StartJob(nullptr, nullptr));
    CQel_Printer* p = printer.GetPrinterImpl();
    EXPECT_EQ(p->copies, 2);
    EXPECT_EQ(p->collate, 1);
    EXPECT_EQ(p->fromPage, 3);
    EXPECT_EQ(p->toPage, 4);
    EXPECT_EQ(p->selection, 0);
    EXPECT_EQ(std::wstring(p->deviceName.GetText()), margins.Name());
    EXPECT_EQ(std::wstring(p->portName.GetText()), L"LPT1:");
    printer.EndJob(0);

    // Without a chosen page range both ends read -1; a selection never offered reads 0.
    g_script = [](PRINTDLGW*, DWORD*) { return TRUE; };
    rg_DaYinJi plain;
    ASSERT_TRUE(plain.StartJob(nullptr, nullptr));
    EXPECT_EQ(plain.GetPrinterImpl()->fromPage, -1);
    EXPECT_EQ(plain.GetPrinterImpl()->toPage, -1);
    EXPECT_EQ(plain.GetPrinterImpl()->selection, 0);
    plain.EndJob(0);
    EXPECT_EQ(CQel_Printer::LiveDeviceContexts(), 0);
}

// ---- the program-wide choice ---------------------------------------------------------------------------

TEST_F(PrinterSettingsTest, AVanishedOrMismatchedPrinterIsDiscardedAndTheDialogShownAgain) {
    for (DWORD error : {(DWORD)PDERR_PRINTERNOTFOUND, (DWORD)PDERR_DNDMMISMATCH, (DWORD)PDERR_DEFAULTDIFFERENT}) {
        Keep(L"Gone Printer");
        g_calls.clear();
        int call = 0;
        g_script = [&call, error](PRINTDLGW* pd, DWORD* e) {
            if (++call == 1) {
                *e = error;
                return FALSE;
            }
            // The retry starts without a selection, so the dialog takes the system default.
            pd->hDevNames = MakeDevNames(L"winspool", L"Default Stand-in", L"LPT9:");
            pd->hDevMode = MakeBareDevMode(L"Default Stand-in");
            *e = 0;
            return FALSE;  // and the user cancels
        };
        PRINTDLGW pd{};
        pd.lStructSize = sizeof(pd);
        EXPECT_EQ(choice.DoPrintDialog(&pd), IDCANCEL) << error;
        ASSERT_EQ(g_calls.size(), 2u) << error;
        EXPECT_EQ(g_calls[0].device, L"Gone Printer");
        EXPECT_EQ(g_calls[1].devNames, nullptr);
        EXPECT_EQ(g_calls[1].devMode, nullptr);
        EXPECT_EQ(std::wstring(choice.DeviceName().GetText()), L"Default Stand-in");
    }
}

TEST_F(PrinterSettingsTest, OtherDialogFailuresAreNotRetriedAndCancelKeepsTheSelection) {
    Keep(L"Kept Printer");
    g_script = [](PRINTDLGW*, DWORD* e) {
        *e = PDERR_NODEFAULTPRN;
        return FALSE;
    };
    PRINTDLGW pd{};
    pd.lStructSize = sizeof(pd);
    DWORD error = 0;
    EXPECT_EQ(choice.DoPrintDialog(&pd, &error), 0);
    EXPECT_EQ(error, (DWORD)PDERR_NODEFAULTPRN);
    EXPECT_EQ(g_calls.size(), 1u);

    g_script = nullptr;  // cancel
    EXPECT_EQ(choice.DoPrintDialog(&pd), IDCANCEL);
    EXPECT_EQ(std::wstring(choice.DeviceName().GetText()), L"Kept Printer");

    rg_DaYinJi printer;  // and StartJob reports the failure as false
    g_script = [](PRINTDLGW*, DWORD* e) {
        *e = CDERR_INITIALIZATION;
        return FALSE;
    };
    EXPECT_FALSE(printer.StartJob(nullptr, nullptr));
}

TEST(PrinterChoice, DevNamesFieldsAreReadWithinTheBlock) {
    HGLOBAL names = MakeDevNames(L"drv", L"Device", L"PORT:");
    EXPECT_EQ(std::wstring(ReadDevNamesField(names, 0).GetText()), L"drv");
    EXPECT_EQ(std::wstring(ReadDevNamesField(names, 1).GetText()), L"Device");
    EXPECT_EQ(std::wstring(ReadDevNamesField(names, 2).GetText()), L"PORT:");
    EXPECT_EQ(ReadDevNamesField(names, 3).GetLength(), 0);
    // An offset past the end, and a text running to the end without its zero.
    auto* dn = static_cast<DEVNAMES*>(GlobalLock(names));
    SIZE_T units = GlobalSize(names) / sizeof(wchar_t);
    dn->wDeviceOffset = static_cast<WORD>(units + 10);
    wchar_t* text = reinterpret_cast<wchar_t*>(dn);
    for (SIZE_T i = dn->wOutputOffset; i < units; ++i) text[i] = L'x';
    WORD outputOffset = dn->wOutputOffset;
    GlobalUnlock(names);
    EXPECT_EQ(ReadDevNamesField(names, 1).GetLength(), 0);
    EXPECT_EQ(ReadDevNamesField(names, 2).GetLength(), (int64_t)(units - outputOffset));
    GlobalFree(names);
    EXPECT_EQ(ReadDevNamesField(nullptr, 1).GetLength(), 0);
}
