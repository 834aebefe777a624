// rg_QiDongLei, the startup object: the one program object, which owns the main window by value.
#pragma once
#include "app/Program.h"
#include "app/MainWindow.h"

namespace rg_Zarno_YangLi {

class rg_QiDongLei : public rg_Zarno_JiBen::rg_ChuangKouChengXuLei {
    QEL_OBJECT_CLASS(rg_QiDongLei, rg_Zarno_JiBen::rg_ChuangKouChengXuLei, "rg_Zarno_YangLi::rg_QiDongLei")
public:
    rg_QiDongLei();
    rg_QiDongLei(const rg_QiDongLei& other) = default;
    rg_QiDongLei& operator=(const rg_QiDongLei& other) = default;

    // Creates the main window; always 1.
    int32_t Run() override;

    rg_ZhuChuangKouLei mainWindow;
};

}  // namespace rg_Zarno_YangLi
