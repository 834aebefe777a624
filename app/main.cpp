// Program entry and the program-wide objects, constructed in this order before the first window and
// destroyed in reverse order at exit (the application instance with the pool comes first of all).
#include <windows.h>

#include "MfcApp.h"
#include "QiDong.h"

__attribute__((init_priority(106))) CQelMFCApp theApp(&rg_Zarno_YangLi::rg_QiDongLei::StaticRecord);

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int showCommand) {
    return AfxWinMain(instance, previous, commandLine, showCommand);
}
