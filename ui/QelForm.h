// Forms: top-level windows (or windows owned by another form) that hold the application's controls.
//
// A form is a layout manager (container with a window and the container events) whose window object,
// CQWnd_WinForm, adds what a top-level window needs: title and caption rules with a default title,
// border styles, minimize and maximize boxes, an icon, a menu with accelerators, a start position and
// show state, a shape, topmost, a window class name of its own, and dialog-like keyboard handling
// (Tab, Enter, arrow keys, Esc, F1) although the window is no dialog. Forms raise ten further events.
//
// A form whose creation record asks for a modal form runs inside a host dialog (QelModalHost.h); the
// host dialog is then the form's frame window: caption, icon, shape, topmost and system menu act on
// it, and the form tells it through message 0xA001 when it is destroyed, shown or hidden, retitled,
// or wants to end.
#pragma once
#include <windows.h>

#include <cstdint>

#include "ui/QelContainer.h"
#include "ui/QelMenu.h"
#include "runtime/QelString.h"
#include "runtime/ValueClasses.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// Border styles of a form: the frame and the kind of window. 1 and 3 can be sized with the mouse.
enum FormBorderStyle : int64_t {
    kBorderNone = 0,
    kBorderSizable = 1,
    kBorderFixed = 2,
    kBorderSizableTool = 3,
    kBorderFixedTool = 4,
    kBorderSizableSunken = 5,
    kBorderFixedSunken = 6,
};

// Callback message of a form's notification-area icon.
constexpr UINT kNotifyIconMessage = 0xA000;
// Message of a form to its host dialog; wParam is one of the codes below.
constexpr UINT kHostDialogMessage = 0xA001;
constexpr WPARAM kHostFormDestroyed = 1;   // lParam 0
constexpr WPARAM kHostShow = 2;            // lParam: non-zero shows, 0 hides
constexpr WPARAM kHostEnd = 3;             // lParam: end code
constexpr WPARAM kHostSetTitle = 4;        // lParam: the text
// Identifier of the notification-area icon of a form.
constexpr UINT kNotifyIconId = 100;
// Title of a form that shows a caption without a title of its own.
extern const wchar_t kDefaultFormTitle[];
// Win32 class of forms that name no class of their own.
extern const wchar_t kDefaultFormClassName[];

// Window position limit information: the four members of a MINMAXINFO that a handler may change.
class rg_ChuangKouWeiZhiXianZhiXinXi : public rg_Zarno_JiBen::rg_KuoZhanDuiXiangLei {
    QEL_OBJECT_CLASS(rg_ChuangKouWeiZhiXianZhiXinXi, rg_Zarno_JiBen::rg_KuoZhanDuiXiangLei,
                     "rg_Zarno_MFCJieMian_JiBen::rg_ChuangKouWeiZhiXianZhiXinXi")
public:
    rg_ChuangKouWeiZhiXianZhiXinXi() = default;
    rg_ChuangKouWeiZhiXianZhiXinXi(const rg_ChuangKouWeiZhiXianZhiXinXi&) = default;
    // Copies the four members (CopyFrom).
    rg_ChuangKouWeiZhiXianZhiXinXi& operator=(const rg_ChuangKouWeiZhiXianZhiXinXi& other);

    void ReadFrom(const MINMAXINFO& info);
    void WriteTo(MINMAXINFO& info) const;

    rg_Zarno_JiBen::rg_CheCunLei maxSize;
    rg_Zarno_JiBen::rg_WeiZhiLei maxPosition;
    rg_Zarno_JiBen::rg_CheCunLei minTrackSize;
    rg_Zarno_JiBen::rg_CheCunLei maxTrackSize;

protected:
    // Equal only to itself.
    bool EqualFields(const rg_ChuangKouWeiZhiXianZhiXinXi& other) const { return this == &other; }
    void ResetFields();
};

// Window object of an ActiveX control host. A host that wants Tab, Enter or the arrow keys gets them
// from a form instead of the form's dialog-like keyboard handling.
class CQWnd_OcxControl : public CWnd {
    DECLARE_DYNAMIC(CQWnd_OcxControl)
public:
    int64_t wantsTab = 0;
    int64_t wantsEnter = 0;
    int64_t wantsArrows = 0;
};

// Window object of forms (run-time class "CQWnd_WinForm").
class CQWnd_WinForm : public CQWnd_Container, public IQelFormWindow {
    DECLARE_DYNAMIC(CQWnd_WinForm)
public:
    CQWnd_WinForm();
    // Releases the menu; destroys a notification icon that is still held.
    ~CQWnd_WinForm() override;

    // ---- fields (defaults as a new form has them) ----
    HWND hostDialog = nullptr;            // the dialog hosting a modal form
    int64_t activatedOnce = 0;
    int64_t helpUsed = 0;
    uint32_t defaultButtonId = 0;
    int64_t enterInProgress = 0;
    CRefQelMenu* menu = nullptr;          // one reference
    HICON notifyIcon = nullptr;           // owned
    int64_t borderStyle = 2;              // a FormBorderStyle
    int64_t caption = 1;
    int64_t maximizeBox = 0;
    int64_t minimizeBox = 1;
    int64_t startState = 0;               // 0 normal, 1 centred, 2 minimized, 3 maximized
    int64_t movable = 1;
    HICON icon;                           // icon 100 of the program module
    int64_t escCloses = 1;
    CWString helpFile;
    int64_t helpContext = 0;
    int64_t dragByClientArea = 0;
    int64_t shape = 0;                    // 0 rectangle, 1 ellipse, 2 rounded rectangle
    int64_t topmost = 0;
    int64_t keepActiveLook = 0;
    CWString windowClassName;             // empty: "QelWinForm"

    // The form's listener, when the attached listener is a form's.
    IWinFormEventListener* FormListener() const;
    void SetFormListener(IWinFormEventListener* form);
    // The host dialog when set, else the form window.
    HWND FrameWindow() const { return hostDialog ? hostDialog : m_hWnd; }

    // Creates the native form window from a filled record (also inside a host dialog). False when
    // window creation fails.
    bool CreateFormWindow(CQelCreateRecord& record);
    // Makes the caption, system menu and box bits of the frame window follow the fields.
    void UpdateCaptionBits();
    // Clamps the shape to 0..2, stores it and gives the frame window its region.
    void ApplyShape(int64_t newShape);
    // Replaces the frame window's border bits by those of the border style, then the caption bits.
    void ApplyBorderStyle();
    // Sends the icon (small and big) to the frame window.
    void SendIcon() const;
    // Takes one reference on the menu and releases the one held before (null drops it).
    void TakeMenu(CRefQelMenu* newMenu);

    // IQelFormWindow
    void SetDefaultButtonId(uint32_t id) override { defaultButtonId = id; }

    // ---- message hooks and handlers ----
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnShowWindow(BOOL show, UINT status) override;

private:
    // Raises close request, then query close; true when both allow and the window still exists.
    bool CloseAllowed();
    void HandleActivate(UINT state);
    LRESULT HandleGetDefId();
    // F1: opens the help file when it exists; true when WinHelp was asked.
    bool ShowHelp();

    IWinFormEventListener* formListener_ = nullptr;
};

// True while an activation event of any form runs (the one flag shared by all forms).
bool IsFormActivationRunning();

// The form control.
class CQelWinForm : public rg_ZuJianBuJuQi, public IWinFormEventListener {
    QEL_OBJECT_CLASS(CQelWinForm, rg_ZuJianBuJuQi, "rg_Zarno_MFCJieMian_JiBen::CQelWinForm")
public:
    CQelWinForm();
    CQelWinForm(const CQelWinForm& other);
    CQelWinForm& operator=(const CQelWinForm& other);
    ~CQelWinForm() override;

    // Creates the form window, or runs the form modally when the record's modal field is set (the
    // end code is then in the record's modal result). False when the window exists already or
    // cannot be created.
    bool Create(CQelCreateRecord& record) override;
    // Title (the default title for a captioned form without one), styles of the border style,
    // caption, boxes and start state; attaches the listener when none is attached.
    void FillCreateParams(CQelCreateRecord& record) override;
    // Default size from the design size, default position centred on the screen.
    void AdjustCreateSize(CQelCreateRecord& record) override;
    void AttachListener() override;
    void DetachListener() override;
    bool HasListener() const override;

    // Sees every message before the form's keyboard processing; 0 = consumed. The base answers 1.
    virtual int32_t FilterFormMessage(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam, MSG* msg);

    CQWnd_WinForm* GetFormWnd() const { return static_cast<CQWnd_WinForm*>(GetWindowObject()); }

    // ---- properties (stored in the window object; acting on the frame window once it exists) ----
    void SetBorderStyle(int64_t style);
    int64_t GetBorderStyle() const;
    void SetMaximizeBox(bool on);
    void SetMinimizeBox(bool on);
    void SetIcon(HICON icon);
    HICON GetIcon() const;
    void SetShape(int64_t shape);
    // The form owns the icon from now on; it is removed and destroyed with the window.
    void SetNotifyIcon(HICON icon);

    // ---- IWinFormEventListener ----
    bool OnWindowMessage(MSG* msg) override { return PreDispatchMessage(msg); }
    void OnCreated() override { rg_ZuJianBuJuQi::OnCreated(); }
    void OnDestroyed() override { rg_ZuJianBuJuQi::OnDestroyed(); }
    void OnAfterDestroy() override { rg_ZuJianBuJuQi::OnAfterDestroy(); }
    void OnResized() override { rg_ZuJianBuJuQi::OnResized(); }
    void OnShowChanged(bool isShown) override { rg_ZuJianBuJuQi::OnShowChanged(isShown); }
    void OnMoved() override { rg_ZuJianBuJuQi::OnMoved(); }
    int32_t OnFilterMessage(MSG* msg) override;
    bool OnCommand(int32_t id) override;
    bool OnQueryClose() override;
    bool OnCloseRequest() override;
    void OnFirstActivated() override;
    void OnActivated() override;
    void OnDeactivated() override;
    void OnNotifyIcon(int32_t code) override;
    void OnMenuSelect(int32_t id) override;
    bool OnPositionLimits(MINMAXINFO* info) override;
    void OnDialogInit() override;

    // ---- form events (handler arguments: receiver, form, tag, then as listed) ----
    CQelIdEventSlot command;              // id; non-zero = handled
    CQelIdEventSlot menuSelect;           // item id or 0
    CQelNotifyEventSlot queryClose;       // non-zero = refuse
    CQelNotifyEventSlot closeRequest;     // non-zero = refuse
    CQelNotifyEventSlot firstActivated;
    CQelNotifyEventSlot activated;
    CQelNotifyEventSlot deactivated;
    CQelIdEventSlot notifyIcon;           // 1 left up, 2 left double click, 3 right up / context menu
    CQelEventSlotOf<rg_ChuangKouWeiZhiXianZhiXinXi*> positionLimits;  // non-zero = write back
    CQelNotifyEventSlot dialogInit;

protected:
    void ResetFields();
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
