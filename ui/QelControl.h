// The control base of the window framework.
//
// Every visible element exists as three objects: the control object (a CQelWinControl kind, which the
// application holds, copies and binds handlers on), the window data (CMfcWndObject, counted and shared
// by copies of one control; it keeps the properties that exist before the native window and owns the
// window object) and the window object (a CQWnd_* class over CWnd, which owns the native window and
// forwards messages to the control through its listener pointer).
//
// A control receives events only while its listener interface is attached to its window object;
// binding a handler attaches it. Window objects offer posted messages to the listener in
// PreTranslateMessage and the sent WM_SETCURSOR, WM_SETFOCUS and WM_KILLFOCUS in WindowProc.
#pragma once
#include <windows.h>

#include <cstdint>

#include "ui/QelEvent.h"
#include "runtime/QelObject.h"
#include "runtime/QelString.h"
#include "platform/mfc/QelWnd.h"

namespace rg_Zarno_MFCJieMian_JiBen {

class CRefQelMenu;

// Window style defaults of the kinds.
constexpr uint32_t kDefaultControlStyle = WS_VISIBLE | WS_CLIPSIBLINGS;                              // 0x14000000
constexpr uint32_t kDefaultButtonStyle = WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | BS_MULTILINE;   // 0x14012000
constexpr uint32_t kDefaultSliderStyle = WS_VISIBLE | WS_CLIPSIBLINGS | 0x1 /* TBS_AUTOTICKS */;     // 0x14000001

// 0xFF000000 in a colour field stands for the system colour of the role.
constexpr COLORREF kSystemColor = 0xFF000000;
// The colour itself, or the system colour sysIndex when the field holds kSystemColor.
inline COLORREF ResolveColor(COLORREF color, int sysIndex) {
    return color == kSystemColor ? GetSysColor(sysIndex) : color;
}

// The creation record handed to Create. Callers fill parent, position, size and id (and, for forms,
// menu and modal fields); Create fills style, extended style, title and font.
struct CQelCreateRecord {
    CWnd* parent = nullptr;             // the parent's window object; null for a top-level window
    int32_t x = CW_USEDEFAULT;          // CW_USEDEFAULT (0x80000000) lets the kind choose
    int32_t y = CW_USEDEFAULT;
    int32_t width = CW_USEDEFAULT;
    int32_t height = CW_USEDEFAULT;
    uint32_t id = 0;                    // control identifier of a child window
    uint32_t style = 0;
    uint32_t exStyle = 0;
    const wchar_t* title = L"";
    CRefQelMenu* menu = nullptr;        // forms only: the built menu
    int32_t modal = 0;                  // forms only
    int32_t standardDialogFrame = 0;    // forms only, with modal
    int32_t modalResult = 0;            // forms only: end code of a modal form
    HFONT font = nullptr;
};

// True when a creation record describes a top-level window whose menu has a menu bar.
bool RecordHasMenuBar(const CQelCreateRecord& record);

// Window data of a control: shared by copies of one control object.
class CMfcWndObject : public CRefObject {
public:
    static const RefClassRecord* StaticRefRecord();
    const RefClassRecord* GetClassRecord() const override;

    // Takes ownership of the window object.
    CMfcWndObject(CWnd* windowObject, uint32_t defaultStyle);
    // Deletes the font and the window object (unless forgotten), frees the text.
    ~CMfcWndObject() override;
    // The last reference is gone: destroys the native window; forgets the window object when the
    // window deletes itself.
    void OnFinalRelease() override;

    bool HasNativeWindow() const { return window && window->m_hWnd; }

    CWString text;
    uint32_t style;
    uint32_t exStyle = 0;
    HCURSOR cursor = nullptr;
    HFONT font = nullptr;               // owned
    CWnd* window;                       // owned unless windowDeletesItself
    int64_t windowDeletesItself = 0;
};

// Offers a posted message to the listener of a window object (its PreTranslateMessage hook); true
// when consumed: the listener took it, or the window changed or died while the listener ran.
bool OfferPostedMessage(CWnd* wnd, IBaseEventListener* listener, MSG* msg);
// Offers WM_SETCURSOR, WM_SETFOCUS and WM_KILLFOCUS to the listener (the WindowProc hook); true when
// consumed, in which case the window procedure answers 1.
bool OfferSentMessage(CWnd* wnd, IBaseEventListener* listener, UINT message, WPARAM wParam, LPARAM lParam);

// A window object with a listener pointer (its first own field) and the two message hooks.
template <class Base, class Listener>
class CQelHookedWnd : public Base {
public:
    BOOL PreTranslateMessage(MSG* msg) override {
        if (OfferPostedMessage(this, listener, msg)) return TRUE;
        return Base::PreTranslateMessage(msg);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (OfferSentMessage(this, listener, message, wParam, lParam)) return 1;
        return Base::WindowProc(message, wParam, lParam);
    }

    Listener* listener = nullptr;
};

// Listener registration shared by the kinds: a control starts listening to its window object, stops
// only while it is the registered listener, and asks whether anyone listens.
template <class Wnd, class Listener>
void AttachListenerTo(Wnd* wnd, Listener* listener) {
    if (wnd) wnd->listener = listener;
}
template <class Wnd, class Listener>
void DetachListenerFrom(Wnd* wnd, Listener* listener) {
    if (wnd && wnd->listener == listener) wnd->listener = nullptr;
}
template <class Wnd>
bool WindowHasListener(const Wnd* wnd) {
    return wnd && wnd->listener;
}

// Registers a framework window class (CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS, DefWindowProcW, arrow
// cursor, NULL_BRUSH background) unless the class exists.
void RegisterFrameworkClass(const wchar_t* name);

// Form windows (run-time class "CQWnd_WinForm") take the id of a default push button created below
// them.
class IQelFormWindow {
public:
    virtual void SetDefaultButtonId(uint32_t id) = 0;

protected:
    ~IQelFormWindow() = default;
};
// The first form window object at wnd or above it (through GetParent), or null.
IQelFormWindow* FindParentFormWindow(CWnd* wnd);

// Base of every control object.
class CQelWinControl : public rg_Zarno_JiBen::rg_CanKaoDuiXiangLei {
    QEL_OBJECT_CLASS(CQelWinControl, rg_Zarno_JiBen::rg_CanKaoDuiXiangLei, "rg_Zarno_MFCJieMian_JiBen::CQelWinControl")
public:
    CQelWinControl() = default;
    // Shares the window data and copies the auxiliary text; event slots start empty.
    CQelWinControl(const CQelWinControl& other);
    // Detaches this control's listener from its old window, then shares the other's window data and
    // copies the auxiliary text; event slots stay.
    CQelWinControl& operator=(const CQelWinControl& other);
    ~CQelWinControl() override;

    // ---- operations of the control family (slot order) ----
    // Creates the native window; false for kinds without a window of their own.
    virtual bool Create(CQelCreateRecord& record);
    // Title, styles, child rule and font from the window data.
    virtual void FillCreateParams(CQelCreateRecord& record);
    virtual void AdjustCreateSize(CQelCreateRecord& record);
    // WM_SETFONT, tab stop for windows that want keys, and removal of a border the class added.
    virtual void AfterCreate(CWnd* windowObject, CQelCreateRecord& record);
    // Delivers a message to the thirteen base events; true = consumed.
    virtual bool PreDispatchMessage(MSG* msg);
    virtual void AttachListener();
    virtual void DetachListener();
    virtual bool HasListener() const;

    // A control that is about to be overwritten stops listening to its old window.
    void OnBeforeAssign() override { DetachListener(); }

    // ---- window data and native window ----
    CMfcWndObject* GetWndObject() const { return static_cast<CMfcWndObject*>(data); }
    CWnd* GetWindowObject() const { return GetWndObject() ? GetWndObject()->window : nullptr; }
    bool HasNativeWindow() const { return GetWndObject() && GetWndObject()->HasNativeWindow(); }
    HWND GetHwnd() const { return HasNativeWindow() ? GetWndObject()->window->m_hWnd : nullptr; }

    // ---- properties common to all kinds ----
    // Window text (and a repaint, except for containers), or the stored text.
    void SetText(const wchar_t* text);
    // The window text, or the stored text.
    void GetText(CWString& text) const;
    void SetWidth(int32_t width);
    void SetHeight(int32_t height);
    // ShowWindow(SW_HIDE), or WS_VISIBLE cleared in the stored style.
    void Hide();
    // Stored style before creation (the kinds' style bits are set this way).
    uint32_t GetStyle() const { return GetWndObject() ? GetWndObject()->style : 0; }
    void SetStyle(uint32_t style) {
        if (GetWndObject()) GetWndObject()->style = style;
    }
    void SetExStyle(uint32_t exStyle) {
        if (GetWndObject()) GetWndObject()->exStyle = exStyle;
    }
    // Cursor set on every WM_SETCURSOR of the window; null leaves the class cursor.
    void SetCursor(HCURSOR cursor) {
        if (GetWndObject()) GetWndObject()->cursor = cursor;
    }
    // Font given to the window at creation; the window data owns it from now on.
    void SetFont(HFONT font);

    CWString auxText;
    // The thirteen base events, in event-number order.
    CQelMouseEventSlot leftButtonDown;      // 0
    CQelMouseEventSlot leftButtonUp;        // 1
    CQelMouseEventSlot leftDoubleClick;     // 2
    CQelMouseEventSlot rightButtonDown;     // 3
    CQelMouseEventSlot rightButtonUp;       // 4
    CQelMouseEventSlot mouseMove;           // 5
    CQelWheelEventSlot mouseWheel;          // 6
    CQelKeyEventSlot keyDown;               // 7
    CQelKeyEventSlot keyUp;                 // 8
    CQelNotifyEventSlot gotFocus;           // 9
    CQelNotifyEventSlot lostFocus;          // 10
    CQelCharEventSlot character;            // 11
    CQelMessageEventSlot anyMessage;        // 12

protected:
    bool EqualFields(const CQelWinControl& other) const;
    void ResetFields();
    // Gives the control new window data with a fresh window object (construction and reset).
    void MakeWindowData(CWnd* windowObject, uint32_t defaultStyle);
    // Creates the native window through the window object with the record's values (step 6 of every
    // kind's Create).
    static bool CreateNativeWindow(CWnd* windowObject, const wchar_t* className, const CQelCreateRecord& record,
                                   uint32_t style);
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
