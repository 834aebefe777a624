// The program-wide objects that the main window's handlers share: the drawing initialisation that
// keeps GDI+ running, the reference picture from which every adjustment starts, the reference bitmap
// it is built from, and the pen of the guide lines.
#pragma once
#include "drawing/GdiResource.h"
#include "drawing/MemoryPainter.h"
#include "imaging/ImageObject.h"

rg_Zarno_YuanChuangRuanJian::rg______TuXingHuiZhiChuShiHua& GetDrawingInitialisation();
rg_Zarno_ShiChuang_TuXiangChuLi::rg_TuXiangChuLiLei& GetReferencePicture();
rg_Zarno_JiBen::rg_WeiTuDuiXiangLei& GetReferenceBitmap();
rg_Zarno_YuanChuangRuanJian::CQelGdiplusPen& GetGuidePen();
