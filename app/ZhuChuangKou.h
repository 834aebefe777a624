// The main window of the program. Until the form framework carries it, it is a plain top-level
// window with the program's title and client size, which Esc or the close box ends.
#pragma once
#include <windows.h>

#include "QelObject.h"
#include "QelWnd.h"

namespace rg_Zarno_YangLi {

class rg_ZhuChuangKouLei : public CQelObject {
    QEL_OBJECT_CLASS(rg_ZhuChuangKouLei, CQelObject, "rg_Zarno_YangLi::rg_ZhuChuangKouLei")
public:
    static constexpr int kDesignWidth = 967;
    static constexpr int kDesignHeight = 790;

    rg_ZhuChuangKouLei() = default;
    rg_ZhuChuangKouLei(const rg_ZhuChuangKouLei& other) : CQelObject(other), icon(other.icon) {}
    rg_ZhuChuangKouLei& operator=(const rg_ZhuChuangKouLei& other) {
        CQelObject::operator=(other);
        icon = other.icon;
        return *this;
    }
    ~rg_ZhuChuangKouLei() override;

    int GetDesignWidth() const { return kDesignWidth; }
    int GetDesignHeight() const { return kDesignHeight; }
    // Creates the window centred on the screen with the design client size; 1 on success.
    int Create();
    HWND GetHwnd() const { return window.m_hWnd; }
    CWnd* GetMfcWindow() { return window.m_hWnd ? &window : nullptr; }

    HICON icon = nullptr;

private:
    CWnd window;
};

}  // namespace rg_Zarno_YangLi
