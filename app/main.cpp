// Program entry. The application object is the last program-wide object of the static-init order
// (see ProgramObjects.cpp for the ones before it).
#include <windows.h>

#include "app/MfcApp.h"
#include "app/Startup.h"

__attribute__((init_priority(106))) CQelMFCApp theApp(&rg_Zarno_YangLi::rg_QiDongLei::StaticRecord);

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int showCommand) {
    return AfxWinMain(instance, previous, commandLine, showCommand);
}
