// The main window of the program: a form with the design client size 967 x 790, sizable and with a
// maximize box. Its controls come with the application's picture workflow.
#pragma once
#include <cstdint>

#include "QelForm.h"

namespace rg_Zarno_YangLi {

class rg_ZhuChuangKouLei : public rg_Zarno_MFCJieMian_JiBen::CQelWinForm {
    QEL_OBJECT_CLASS(rg_ZhuChuangKouLei, rg_Zarno_MFCJieMian_JiBen::CQelWinForm, "rg_Zarno_YangLi::rg_ZhuChuangKouLei")
public:
    static constexpr int32_t kDesignWidth = 967;
    static constexpr int32_t kDesignHeight = 790;

    // Border style 1 (sizable) and the maximize box, set before any window exists.
    rg_ZhuChuangKouLei();
    rg_ZhuChuangKouLei(const rg_ZhuChuangKouLei& other) = default;
    rg_ZhuChuangKouLei& operator=(const rg_ZhuChuangKouLei& other) = default;

    int32_t GetDesignWidth() const override { return kDesignWidth; }
    int32_t GetDesignHeight() const override { return kDesignHeight; }

protected:
    void ResetFields();

private:
    void SetWindowProperties();
};

}  // namespace rg_Zarno_YangLi
