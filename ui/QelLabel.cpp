#include "ui/QelLabel.h"

#include "ui/QelBackground.h"

namespace rg_Zarno_MFCJieMian_JiBen {

UINT CQWnd_Label::TextFormat() const {
    UINT flags = DT_NOCLIP;
    if (horizontalAlignment == 1) flags |= DT_CENTER;
    if (horizontalAlignment == 2) flags |= DT_RIGHT;
    if (wordWrap) {
        flags |= DT_WORDBREAK | DT_VCENTER;
    } else {
        flags |= DT_SINGLELINE;
        if (verticalAlignment == 1) flags |= DT_VCENTER;
        if (verticalAlignment == 2) flags |= DT_BOTTOM;
    }
    return flags;
}

BOOL CQWnd_Label::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == kLabelFeedbackMessage) {
        *result = listener ? listener->OnFeedback(wParam, lParam) : 0;
        return TRUE;
    }
    return CQelHookedWnd::OnWndMsg(message, wParam, lParam, result);
}

void CQWnd_Label::OnSetFont(HFONT newFont, BOOL redraw) {
    LOGFONTW lf;
    if (!newFont || GetObjectW(newFont, sizeof lf, &lf) != sizeof lf) return;
    font.DeleteObject();
    font.CreateFontIndirect(&lf);
    if (redraw && m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}

UINT CQWnd_Label::OnGetDlgCode() { return DLGC_STATIC; }

void CQWnd_Label::OnPaint() {
    CPaintDC dc(this);
    if (!dc.m_hDC) return;
    RECT client, area;
    if (!GetPaintArea(dc, m_hWnd, client, area)) return;
    PaintBackgroundArea(dc, pictureMode, picture.GetSafeHandle(), ResolveColor(backgroundColor, COLOR_BTNFACE), client,
                        area);
    const int length = GetWindowTextLengthW(m_hWnd);
    if (length <= 0) return;
    CQelMem buffer;
    wchar_t* text = reinterpret_cast<wchar_t*>(buffer.SetSize((static_cast<int64_t>(length) + 1) * 2));
    const int got = GetWindowTextW(m_hWnd, text, length + 1);
    if (got <= 0) return;
    HGDIOBJ useFont = font ? font.GetSafeHandle() : GetStockObject(DEFAULT_GUI_FONT);
    CSelectObject selected(dc, useFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ResolveColor(textColor, COLOR_WINDOWTEXT));
    DrawTextW(dc, text, got, &client, TextFormat());
}

rg_BiaoQian::rg_BiaoQian() { MakeWindowData(new CQWnd_Label, kDefaultControlStyle); }

rg_BiaoQian::~rg_BiaoQian() { DetachListener(); }

void rg_BiaoQian::ResetFields() {
    CQelWinControl::ResetFields();
    MakeWindowData(new CQWnd_Label, kDefaultControlStyle);
}

bool rg_BiaoQian::Create(CQelCreateRecord& record) {
    if (HasNativeWindow()) return false;
    FillCreateParams(record);
    AdjustCreateSize(record);
    record.style &= ~static_cast<uint32_t>(WS_TABSTOP);
    RegisterFrameworkClass(L"QelLabel");
    if (!CreateNativeWindow(GetWindowObject(), L"QelLabel", record, record.style)) return false;
    if (HasNativeWindow()) AfterCreate(GetWindowObject(), record);
    return true;
}

void rg_BiaoQian::AttachListener() { AttachListenerTo(GetLabelWnd(), static_cast<ILabelEventListener*>(this)); }

void rg_BiaoQian::DetachListener() { DetachListenerFrom(GetLabelWnd(), static_cast<ILabelEventListener*>(this)); }

bool rg_BiaoQian::HasListener() const { return WindowHasListener(GetLabelWnd()); }

void rg_BiaoQian::SetHorizontalAlignment(int32_t alignment) {
    CQWnd_Label* w = GetLabelWnd();
    if (!w) return;
    w->horizontalAlignment = alignment;
    if (w->m_hWnd) InvalidateRect(w->m_hWnd, nullptr, TRUE);
}

LRESULT rg_BiaoQian::OnFeedback(WPARAM wParam, LPARAM lParam) {
    // The handler's 32-bit result, sign-extended.
    return static_cast<LRESULT>(feedback.RaiseOr(0, this, wParam, lParam));
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
