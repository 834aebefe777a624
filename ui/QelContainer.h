// Containers: the container base (design size and the create-components hook), the component layout
// manager with a window of class "QelContainer" and six container events, and its window object.
//
// Layout is absolute: a container creates its controls at fixed positions in CreateComponents, which
// runs while the container window handles WM_CREATE (through the attached listener), before the
// created event.
#pragma once
#include <windows.h>

#include "ui/QelControl.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// Container base: no window of its own.
class CQelWinContainer : public CQelWinControl {
    QEL_OBJECT_CLASS(CQelWinContainer, CQelWinControl, "rg_Zarno_MFCJieMian_JiBen::CQelWinContainer")
public:
    CQelWinContainer() = default;
    CQelWinContainer(const CQelWinContainer& other) = default;
    CQelWinContainer& operator=(const CQelWinContainer& other) = default;

    // Adds WS_EX_CONTROLPARENT.
    void FillCreateParams(CQelCreateRecord& record) override;
    // A record with CW_USEDEFAULT width or height gets the outer size of the design client size
    // (0 by 0 without a positive design size).
    void AdjustCreateSize(CQelCreateRecord& record) override;

    virtual int32_t GetDesignWidth() const;
    virtual int32_t GetDesignHeight() const;
    // Creates and binds the container's controls; the base creates nothing.
    virtual void CreateComponents();
};

// Window object of containers (and, through CQWnd_WinForm, of forms).
class CQWnd_Container : public CQelHookedWnd<CWnd, IContainerEventListener> {
public:
    CQWnd_Container() = default;

    // Background colour (kSystemColor = COLOR_BTNFACE), picture layout mode and picture.
    COLORREF backgroundColor = kSystemColor;
    int32_t pictureMode = 0;
    CBitmap picture;

    int OnCreate(CREATESTRUCTW* cs) override;
    void OnDestroy() override;
    void PostNcDestroy() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnShowWindow(BOOL show, UINT status) override;
    void OnMove(int x, int y) override;
    void OnPaint() override;
    UINT OnGetDlgCode() override;
    // Forwards the focus to the first descendant that wants keys, else the first tab stop, else the
    // first child.
    void OnSetFocus(HWND oldFocus) override;
};

// The window the focus of a container goes to: the first descendant (depth first, children in Z
// order, descending only into visible and enabled windows) that answers WM_GETDLGCODE with any of
// DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTCHARS; else the first WS_TABSTOP
// window met; else the first child. A hidden or disabled container gives its first child. Null when
// the container has no child.
HWND FindContainerFocusTarget(HWND container);

// The component layout manager: a container with a window and the container events.
class rg_ZuJianBuJuQi : public CQelWinContainer, public IContainerEventListener {
    QEL_OBJECT_CLASS(rg_ZuJianBuJuQi, CQelWinContainer, "rg_Zarno_MFCJieMian_JiBen::rg_ZuJianBuJuQi")
public:
    rg_ZuJianBuJuQi();
    rg_ZuJianBuJuQi(const rg_ZuJianBuJuQi& other);
    rg_ZuJianBuJuQi& operator=(const rg_ZuJianBuJuQi& other);
    ~rg_ZuJianBuJuQi() override;

    bool Create(CQelCreateRecord& record) override;
    // Also attaches the listener when none is attached, so every created window gets its components.
    void FillCreateParams(CQelCreateRecord& record) override;
    void AttachListener() override;
    void DetachListener() override;
    bool HasListener() const override;

    CQWnd_Container* GetContainerWnd() const { return static_cast<CQWnd_Container*>(GetWindowObject()); }

    // IContainerEventListener
    bool OnWindowMessage(MSG* msg) override { return PreDispatchMessage(msg); }
    void OnCreated() override;
    void OnDestroyed() override;
    void OnAfterDestroy() override;
    void OnResized() override;
    void OnShowChanged(bool shown) override;
    void OnMoved() override;

    // Container events (handler arguments: receiver, container, tag).
    CQelNotifyEventSlot created;
    CQelNotifyEventSlot destroyed;
    CQelNotifyEventSlot afterDestroy;
    CQelNotifyEventSlot moved;
    CQelNotifyEventSlot resized;
    CQelNotifyEventSlot shown;
    CQelNotifyEventSlot hidden;

protected:
    void ResetFields();
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
