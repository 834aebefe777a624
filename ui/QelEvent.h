// Listener interfaces of the window framework: what a window object reports to its control. The
// event slots the controls raise are in runtime/QelEventSlot.h.
#pragma once
#include <windows.h>

#include <cstdint>

#include "runtime/QelEventSlot.h"

namespace rg_Zarno_MFCJieMian_JiBen {

// ---- listener interfaces ----------------------------------------------------------------------
// The window object of a control calls into the control through the listener interface that is
// attached to it, without knowing the control's class. Operations are in slot order.

class IBaseEventListener {
public:
    // Offers a message to the control's PreDispatchMessage; true = consumed.
    virtual bool OnWindowMessage(MSG* msg) = 0;

protected:
    ~IBaseEventListener() = default;
};

class IButtonEventListener : public IBaseEventListener {
public:
    virtual void OnClicked() = 0;

protected:
    ~IButtonEventListener() = default;
};

class ISliderBarEventListener : public IBaseEventListener {
public:
    virtual void OnPositionChanged() = 0;

protected:
    ~ISliderBarEventListener() = default;
};

class ILabelEventListener : public IBaseEventListener {
public:
    // Message 0xA002 sent to the label; the result becomes the message result.
    virtual LRESULT OnFeedback(WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~ILabelEventListener() = default;
};

class IPainterEventListener : public IBaseEventListener {
public:
    // WM_PAINT without a back buffer; the area is in logical units.
    virtual void OnPaint(rg_Zarno_JiBen::rg_JuXingLei* area) = 0;

protected:
    ~IPainterEventListener() = default;
};

class IContainerEventListener : public IBaseEventListener {
public:
    // WM_CREATE succeeded: creates the components, then raises created.
    virtual void OnCreated() = 0;
    virtual void OnDestroyed() = 0;
    virtual void OnAfterDestroy() = 0;
    virtual void OnResized() = 0;
    virtual void OnShowChanged(bool shown) = 0;
    virtual void OnMoved() = 0;

protected:
    ~IContainerEventListener() = default;
};

class IWinFormEventListener : public IContainerEventListener {
public:
    // The form's message filter; 0 = consumed.
    virtual int32_t OnFilterMessage(MSG* msg) = 0;
    // Menu item or accelerator; true = handled.
    virtual bool OnCommand(int32_t id) = 0;
    // true = refuse.
    virtual bool OnQueryClose() = 0;
    virtual bool OnCloseRequest() = 0;
    virtual void OnFirstActivated() = 0;
    virtual void OnActivated() = 0;
    virtual void OnDeactivated() = 0;
    virtual void OnNotifyIcon(int32_t code) = 0;
    virtual void OnMenuSelect(int32_t id) = 0;
    // true = the handler changed the limits and they are written back.
    virtual bool OnPositionLimits(MINMAXINFO* info) = 0;
    virtual void OnDialogInit() = 0;

protected:
    ~IWinFormEventListener() = default;
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
