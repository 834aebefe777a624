// Hosts the real program inside a harness or test process: the application object started as the
// executable starts it, messages pumped through its pre-translation as its loop does, and the user's
// actions delivered the way Windows delivers them (slider keys, mouse messages on the picture, a
// dropped file as WM_DROPFILES with a real HDROP).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/Startup.h"
#include "testsupport/ProgramHost.h"

namespace benchhost {

class AppHost {
public:
    AppHost();
    ~AppHost();
    AppHost(const AppHost&) = delete;
    AppHost& operator=(const AppHost&) = delete;

    // InitInstance of the application object, then messages until the first frame is painted.
    // False when no main window came up.
    bool Start();
    // Ends the program as the user would (the main window destroyed), runs the loop to WM_QUIT and
    // ExitInstance. Returns ExitInstance's result.
    int Stop();

    // Runs every queued message through the application's pre-translation and dispatch.
    void Pump();

    rg_Zarno_YangLi::rg_ZhuChuangKouLei& Window();
    HWND MainHwnd();
    HWND PainterHwnd();

    // One arrow key on the slider: the trackbar moves its thumb by one and notifies the form, whose
    // handler restores, adjusts and redraws before this returns.
    void SliderKey(rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao& slider, bool right);
    // Moves the slider to a position with the keys (Home, then Right as often as needed).
    void SliderTo(rg_Zarno_MFCJieMian_JiBen::rg_HuaKuaiTiao& slider, int position);

    // Mouse messages on the picture painter in its client coordinates, queued and pumped.
    void LeftDown(int x, int y);
    void MoveWithLeft(int x, int y);
    void LeftUp(int x, int y);
    void RightDown(int x, int y);

    // Drops one file on the main window and pumps until the reload has run.
    void DropFile(const std::wstring& path);

    // A click on a button of the main window (BM_CLICK: the button's own press and release, then its
    // notification to the form); returns once the form's handler has run.
    void ClickButton(HWND button);

private:
    void PostMouse(UINT message, WPARAM keys, int x, int y);
    qeltest::ProgramHost host_;
};

// Colour of a screen pixel as the display shows it (read back from the screen, not from the
// program's memory), as a COLORREF; CLR_INVALID when it cannot be read.
COLORREF ScreenPixel(int x, int y);

// Milliseconds from the performance counter.
double NowMs();

}  // namespace benchhost
