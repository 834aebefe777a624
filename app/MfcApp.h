// The application object: initialises the platform, creates the startup object through its class
// record, runs it under the exception guard and forwards pre-translation, idle time and exit to it.
#pragma once
#include <cstdint>

#include "printing/PrinterChoice.h"
#include "app/Program.h"
#include "platform/mfc/QelApp.h"

class CQelMfcAppBase : public CWinAppEx {
public:
    CQelMfcAppBase() : CWinAppEx(TRUE) {}
};

class CQelMFCApp : public CQelMfcAppBase {
public:
    // The class whose record InitInstance uses to create the program object.
    explicit CQelMFCApp(const ClassRecord* (*programRecord)());
    ~CQelMFCApp() override;

    BOOL InitInstance() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle(LONG count) override;
    int ExitInstance() override;

    // Non-owning: the program object when it is a windowed program, else null.
    rg_Zarno_JiBen::rg_ChuangKouChengXuLei* windowedProgram = nullptr;

    // The printer chosen in the last print dialog, kept for the whole run so that every print dialog
    // starts with it (the system default printer before the first dialog).
    rg_Zarno_MFCJieMian_JiBen::CQelPrinterChoice printerChoice;

    // Tick source of the idle timing (GetTickCount; tests replace it).
    DWORD (*tickSource)() = nullptr;

protected:
    // The base idle work of the application class.
    virtual BOOL BaseOnIdle(LONG count) { return CWinAppEx::OnIdle(count); }

private:
    const ClassRecord* (*programRecord_)();
    BOOL baseIdleBusy_ = TRUE;
    DWORD idleStart_ = 0;
};

// Runs the current program object's Run under the exception guard: a runtime exception or any other
// exception is reported in a message box and ends the process with exit code -1. With a debugger
// attached, Run is called without the guard.
int32_t RunGuarded();
