// Program classes: the program object that the application object creates through its class record,
// the windowed program with its message, idle and exit hooks.
#pragma once
#include <cstdint>
#include <windows.h>

#include "runtime/QelObject.h"

class CQelUserApp : public CQelObject {
    QEL_OBJECT_CLASS(CQelUserApp, CQelObject, "CQelUserApp")
public:
    // Constructing a program object records it as the application instance's current program.
    CQelUserApp();
    CQelUserApp(const CQelUserApp& other);
    CQelUserApp& operator=(const CQelUserApp&) = default;
    ~CQelUserApp() override;
};

namespace rg_Zarno_JiBen {

class rg_ChengXuLei : public CQelUserApp {
    QEL_OBJECT_CLASS(rg_ChengXuLei, CQelUserApp, "rg_Zarno_JiBen::rg_ChengXuLei")
public:
    rg_ChengXuLei() = default;
    // Slot 16: the table of the eight basic value class records, built on first use.
    virtual const ClassRecord* const* GetBasicClassTable() const;
    // What the program does once its objects exist; the result decides whether the loop runs.
    virtual int32_t Run() { return 1; }
};

class rg_ChuangKouChengXuLei : public rg_ChengXuLei {
    QEL_OBJECT_CLASS(rg_ChuangKouChengXuLei, rg_ChengXuLei, "rg_Zarno_JiBen::rg_ChuangKouChengXuLei")
public:
    rg_ChuangKouChengXuLei() = default;
    // Slot 17: 0 consumes the message, non-zero lets it continue normally.
    virtual int32_t FilterMessage(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam, MSG* msg);
    // Slot 18: non-zero asks for more idle calls.
    virtual int32_t OnIdleTime(uint32_t elapsedMs);
    // Slot 19.
    virtual void OnExitProgram();
};

}  // namespace rg_Zarno_JiBen
