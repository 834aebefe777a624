// The photo-print program hosted in the test or harness process: the application object built
// here and started as the executable starts it, its messages pumped through the application's own
// loop piece (pre-translation, then translation and dispatch), and ended as the user ends it. The
// end-to-end tests and the timed harnesses both drive the program through it.
#pragma once
#include <windows.h>

#include <memory>

class CQelMFCApp;
namespace rg_Zarno_YangLi {
class rg_ZhuChuangKouLei;
}

namespace qeltest {

class ProgramHost {
public:
    ProgramHost();
    ~ProgramHost();
    ProgramHost(const ProgramHost&) = delete;
    ProgramHost& operator=(const ProgramHost&) = delete;

    // InitInstance of the application object; true when the main window came up. A process may host
    // the program several times in turn: each start begins without a reference picture.
    bool Start();
    HWND Main() const { return main_; }
    rg_Zarno_YangLi::rg_ZhuChuangKouLei& Window();

    // Handles every message waiting for this thread through the application's loop piece. False
    // once the loop's end (WM_QUIT) has been taken.
    bool PumpPending();

    // Ends the program: the main window closed (destroyed when it stays), the messages up to the
    // loop's end handled, then ExitInstance (also after a failed start), whose result this answers.
    // No quit message is left for a later program of this process.
    int Stop();

private:
    std::unique_ptr<CQelMFCApp> app_;
    HWND main_ = nullptr;
    bool quitSeen_ = false;
    bool initialised_ = false;  // InitInstance has run
    bool stopped_ = false;
};

// The program hosted now (null when none is), for pumps that serve it.
ProgramHost* CurrentProgramHost();

}  // namespace qeltest
