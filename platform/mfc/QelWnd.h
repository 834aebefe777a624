// Window objects of the application class layer: a C++ object per native window, found through a
// permanent handle map. This is the base the controls and forms build on.
#pragma once
#include <windows.h>

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
};

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The window object that owns a handle, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Binds an existing native window to this object (enters it into the handle map).
    BOOL Attach(HWND hwnd);
    HWND Detach();
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Called for each window on the path from a message's window up to the main window; TRUE means
    // the message is handled and is neither translated nor dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg);

    HWND m_hWnd = nullptr;
};

// Walks from the message's window up through its parents (stopping after hwndStop), asking each
// window object's PreTranslateMessage; TRUE when one of them handled the message.
BOOL WalkPreTranslateTree(HWND hwndStop, MSG* msg);
