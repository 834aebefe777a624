#include "ZhuChuangKou.h"

namespace rg_Zarno_YangLi {

rg_ZhuChuangKouLei::rg_ZhuChuangKouLei() { SetWindowProperties(); }

void rg_ZhuChuangKouLei::SetWindowProperties() {
    SetBorderStyle(1);
    SetMaximizeBox(true);
}

void rg_ZhuChuangKouLei::ResetFields() {
    CQelWinForm::ResetFields();
    SetWindowProperties();
}

}  // namespace rg_Zarno_YangLi
