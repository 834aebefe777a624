#include "app/Program.h"

#include "runtime/AppInstance.h"
#include "runtime/ValueClassTable.h"

CQelUserApp::CQelUserApp() { GetAppInstance()->currentProgram = this; }

CQelUserApp::CQelUserApp(const CQelUserApp& other) : CQelObject(other) {}

CQelUserApp::~CQelUserApp() {
    if (GetAppInstance()->currentProgram == this) GetAppInstance()->currentProgram = nullptr;
}

namespace rg_Zarno_JiBen {

const ClassRecord* const* rg_ChengXuLei::GetBasicClassTable() const { return GetBasicValueClassTable(); }

int32_t rg_ChuangKouChengXuLei::FilterMessage(HWND, uint32_t, WPARAM, LPARAM, MSG*) { return 1; }
int32_t rg_ChuangKouChengXuLei::OnIdleTime(uint32_t) { return 0; }
void rg_ChuangKouChengXuLei::OnExitProgram() {}

}  // namespace rg_Zarno_JiBen
