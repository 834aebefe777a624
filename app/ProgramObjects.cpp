// Program-wide objects, constructed in this order during static initialisation (after the
// application instance with the memory pool, before the application object) and destroyed in the
// reverse order at exit.
#include "app/ProgramObjects.h"

// GDI+ runs from here until static destruction, after the application object has ended.
__attribute__((init_priority(102))) static rg_Zarno_YuanChuangRuanJian::rg______TuXingHuiZhiChuShiHua g_drawingInit;
__attribute__((init_priority(103))) static rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei g_referencePicture;
__attribute__((init_priority(104))) static rg_Zarno_JiBen::rg_WeiTuDuiXiangLei g_referenceBitmap;
__attribute__((init_priority(105))) static rg_Zarno_YuanChuangRuanJian::CQelGdiplusPen g_guidePen(0xFF000000, 3.0f);

rg_Zarno_YuanChuangRuanJian::rg______TuXingHuiZhiChuShiHua& GetDrawingInitialisation() { return g_drawingInit; }
rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei& GetReferencePicture() { return g_referencePicture; }
rg_Zarno_JiBen::rg_WeiTuDuiXiangLei& GetReferenceBitmap() { return g_referenceBitmap; }
rg_Zarno_YuanChuangRuanJian::CQelGdiplusPen& GetGuidePen() { return g_guidePen; }
