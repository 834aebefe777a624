// Label: a window of class "QelLabel" that paints a background colour and picture and then its text
// with its own copy of the font, its colour and alignment; message 0xA002 sent to it raises the
// feedback event on the UI thread.
#pragma once
#include <windows.h>

#include "ui/QelControl.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// Horizontal alignment of a label's text.
enum LabelAlignment : int32_t { kLabelAlignLeft = 0, kLabelAlignCentre = 1, kLabelAlignRight = 2 };

// Message that raises a label's feedback event; its result is the handler's.
constexpr UINT kLabelFeedbackMessage = 0xA002;

// Window object of labels.
class CQWnd_Label : public CQelHookedWnd<CWnd, ILabelEventListener> {
public:
    COLORREF textColor = kSystemColor;         // COLOR_WINDOWTEXT
    COLORREF backgroundColor = kSystemColor;   // COLOR_BTNFACE
    int32_t horizontalAlignment = 0;           // 0 left, 1 centre, 2 right
    int32_t verticalAlignment = 1;             // 0 top, 1 centre, 2 bottom (single line only)
    int64_t wordWrap = 0;
    int32_t pictureMode = 0;
    CFont font;                                // own copy of the last WM_SETFONT font
    CBitmap picture;

    // The DrawTextW flags of the current alignment and wrap settings.
    UINT TextFormat() const;

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnSetFont(HFONT newFont, BOOL redraw) override;
    void OnPaint() override;
    UINT OnGetDlgCode() override;
};

class rg_BiaoQian : public CQelWinControl, public ILabelEventListener {
    QEL_OBJECT_CLASS(rg_BiaoQian, CQelWinControl, "rg_Zarno_MFCJieMian_JiBen::rg_BiaoQian")
public:
    rg_BiaoQian();
    rg_BiaoQian(const rg_BiaoQian& other) : CQelWinControl(other) {}
    rg_BiaoQian& operator=(const rg_BiaoQian& other) {
        CQelWinControl::operator=(other);
        return *this;
    }
    ~rg_BiaoQian() override;

    bool Create(CQelCreateRecord& record) override;
    void AttachListener() override;
    void DetachListener() override;
    bool HasListener() const override;

    // 0 left, 1 centre, 2 right; repaints a created label.
    void SetHorizontalAlignment(int32_t alignment);

    CQWnd_Label* GetLabelWnd() const { return static_cast<CQWnd_Label*>(GetWindowObject()); }

    // ILabelEventListener
    bool OnWindowMessage(MSG* msg) override { return PreDispatchMessage(msg); }
    LRESULT OnFeedback(WPARAM wParam, LPARAM lParam) override;

    // Feedback event (handler arguments: receiver, label, tag, wParam, lParam).
    CQelFeedbackEventSlot feedback;

protected:
    void ResetFields();
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
