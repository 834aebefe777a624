// Window objects of the application class layer.
//
// A window object (CWnd) is a C++ object per native window, found through a permanent handle map.
// CreateEx creates the native window and subclasses it from the very first message on (a CBT hook
// attaches the object before WM_GETMINMAXINFO, WM_NCCREATE and WM_CREATE arrive), so that every
// message passes the virtual WindowProc. WindowProc hands the message to OnWndMsg, which calls the
// virtual handler of the message; what no handler takes goes to DefWindowProc, which calls the window
// procedure the window had before it was subclassed.
//
// Notifications that a control sends to its parent (WM_COMMAND, WM_NOTIFY, WM_HSCROLL/WM_VSCROLL from
// a control, the WM_CTLCOLOR* messages) are first reflected to the control's own window object as
// message kReflectBase + message; when the control handles the reflected message the parent's own
// processing is skipped. The control colour messages are all reflected as kReflectBase + 0x19
// (kReflectedCtlColor), with wParam the device context and lParam the control window.
//
// When the native window is destroyed the object is detached in WM_NCDESTROY, AfxOnWindowDestroyed
// runs (which ends the message loop when it was the main window) and PostNcDestroy is called last.
// A window object may be asked to go away while one of its own messages is being processed
// (DeleteSafely): it is then deleted when the outermost processing returns.
#pragma once
#include <windows.h>

#include <cstdint>

// ---- run-time class information -------------------------------------------------------------------

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    // True when this class is the given class or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(cls) (&cls::classInfo##cls)
// In the class body: the class's run-time class record and its virtual query.
#define DECLARE_DYNAMIC(cls)                                                                       \
public:                                                                                            \
    static const CRuntimeClass classInfo##cls;                                                     \
    const CRuntimeClass* GetRuntimeClass() const override { return &classInfo##cls; }
// In one source file: the record, naming the base class.
#define IMPLEMENT_DYNAMIC(cls, base) const CRuntimeClass cls::classInfo##cls = {#cls, RUNTIME_CLASS(base)};

class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    static const CRuntimeClass classInfoCCmdTarget;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classInfoCCmdTarget; }
    bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }
};

// ---- window objects ---------------------------------------------------------------------------------

// Reflected notifications arrive at the control's window object as kReflectBase + message.
constexpr UINT kReflectBase = 0xBC00;
constexpr UINT kReflectedCommand = kReflectBase + WM_COMMAND;   // 0xBD11
constexpr UINT kReflectedNotify = kReflectBase + WM_NOTIFY;     // 0xBC4E
constexpr UINT kReflectedHScroll = kReflectBase + WM_HSCROLL;   // 0xBD14
constexpr UINT kReflectedVScroll = kReflectBase + WM_VSCROLL;   // 0xBD15
constexpr UINT kReflectedCtlColor = kReflectBase + 0x19;        // 0xBC19

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd() = default;
    // Destroys a native window the object still owns.
    ~CWnd() override;

    // The window object that owns a handle, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);

    // Binds an existing native window to this object (enters it into the handle map) without
    // subclassing it. FALSE when the handle is null, the object has a window or the handle already
    // belongs to another object.
    BOOL Attach(HWND hwnd);
    // Unbinds the native window (undoing a subclassing) and answers it.
    HWND Detach();
    // Binds an existing native window and routes its messages through this object.
    BOOL SubclassWindow(HWND hwnd);
    // Completes a creation through the creation hook: FALSE when no window came out (one that failed
    // in WM_NCCREATE/WM_CREATE was detached by its WM_NCDESTROY already); otherwise a window the hook
    // did not see (another hook swallowed it) is routed through this object now.
    BOOL AdoptCreatedWindow(HWND hwnd);
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Creates the native window with this object attached from its first message on. FALSE when the
    // object already has a window or creation fails.
    virtual BOOL CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* windowName, DWORD style, int x,
                          int y, int width, int height, HWND parent, HMENU menuOrId, void* param = nullptr);
    virtual BOOL DestroyWindow();

    // Called for each window on the path from a message's window up to the main window; TRUE means
    // the message is handled and is neither translated nor dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // Every message of the window passes here; the default hands it to OnWndMsg and, when no handler
    // took it, to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Calls the handler of the message; FALSE when the message has no handler here.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The window procedure the window had before it was subclassed (DefWindowProcW when none).
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message now being handled by this window.
    LRESULT Default();
    // Called after the last message of the window (WM_NCDESTROY), with the object detached.
    virtual void PostNcDestroy();

    // A control's parent offers it a notification; the default reflects it (OnReflect).
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A reflected notification (message = kReflectBase + the original message); TRUE when handled.
    virtual BOOL OnReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // ---- handlers (each default runs Default()) ----
    virtual int OnCreate(CREATESTRUCTW* cs);
    virtual void OnDestroy();
    virtual void OnSize(UINT type, int cx, int cy);
    virtual void OnMove(int x, int y);
    virtual void OnShowWindow(BOOL show, UINT status);
    virtual void OnPaint();
    virtual BOOL OnEraseBkgnd(HDC dc);
    virtual void OnSetFocus(HWND oldFocus);
    virtual void OnKillFocus(HWND newFocus);
    virtual UINT OnGetDlgCode();
    virtual int OnMouseActivate(HWND topLevel, UINT hitTest, UINT mouseMessage);
    virtual void OnSetFont(HFONT font, BOOL redraw);
    virtual BOOL OnSetCursor(HWND wnd, UINT hitTest, UINT mouseMessage);
    // WM_COMMAND: control notifications are reflected first; then the default processing.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY: reflected first; then the default processing.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);

    // ---- thin wrappers ----
    // Replaces style bits; when flags is not 0, SetWindowPos(flags | SWP_NOSIZE | SWP_NOMOVE |
    // SWP_NOZORDER | SWP_NOACTIVATE) follows. TRUE when the style changed.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    CWnd* GetParent() const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL ShowWindow(int command) const;
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    void SetWindowText(const wchar_t* text) const;
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) const;
    void GetWindowRect(RECT* rect) const;
    void GetClientRect(RECT* rect) const;
    void Invalidate(BOOL erase = TRUE) const;
    HWND SetFocus() const;
    int GetDlgCtrlID() const;

    HWND m_hWnd = nullptr;
    // Window procedure before subclassing; null when the window is not subclassed.
    WNDPROC m_pfnSuper = nullptr;

    // Deletes a window object now, or, while one of its messages or hooks is running, when that
    // returns. A null object is ignored.
    static void DeleteSafely(CWnd* wnd);
    // Number of message and hook calls of this object now running.
    int GetDispatchDepth() const { return m_dispatchDepth; }

    // Keeps a window object alive for the duration of a call that may delete it; on leaving, a
    // deletion requested meanwhile is carried out.
    class KeepAlive {
    public:
        explicit KeepAlive(CWnd* wnd);
        ~KeepAlive();
        KeepAlive(const KeepAlive&) = delete;
        KeepAlive& operator=(const KeepAlive&) = delete;

    private:
        CWnd* wnd_;
    };

private:
    friend LRESULT CALLBACK QelWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK QelCbtHook(int, WPARAM, LPARAM);
    // WM_NCDESTROY: default processing, detach, AfxOnWindowDestroyed, PostNcDestroy.
    void HandleNcDestroy();
    // Offers a notification to the control window lParam names (or hwndCtrl); TRUE when handled.
    static BOOL ReflectToChild(HWND hwndCtrl, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    int m_dispatchDepth = 0;
    bool m_deletePending = false;
};

// The module instance that window classes are registered for: the application's, else the program's.
HINSTANCE AfxGetInstanceHandle();
// Registers a window class (RegisterClassW); TRUE when it is registered afterwards (also when it was
// registered before).
BOOL AfxRegisterClass(WNDCLASSW* wc);

// The shared window procedure of every subclassed window.
LRESULT CALLBACK QelWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Walks from the message's window up through its parents (stopping after hwndStop), asking each
// window object's PreTranslateMessage; TRUE when one of them handled the message.
BOOL WalkPreTranslateTree(HWND hwndStop, MSG* msg);

// ---- control window objects -------------------------------------------------------------------------

// A "BUTTON" window.
class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    BOOL Create(const wchar_t* caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    UINT GetState() const;
};

// A common-controls trackbar ("msctls_trackbar32").
class CSliderCtrl : public CWnd {
    DECLARE_DYNAMIC(CSliderCtrl)
public:
    // Registers the trackbar class (common controls) and creates the window as a child of parent.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int GetPos() const;
    void SetPos(int pos) const;
    int GetRangeMin() const;
    int GetRangeMax() const;
    void SetRange(int minimum, int maximum, BOOL redraw = FALSE) const;
    int GetLineSize() const;
    int GetPageSize() const;
    void GetThumbRect(RECT* rect) const;
};

// ---- GDI object and device context owners -------------------------------------------------------------

// Owns one GDI object handle and deletes it with DeleteObject.
class CGdiObject {
public:
    CGdiObject() = default;
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    BOOL DeleteObject();
    BOOL Attach(HGDIOBJ object);
    HGDIOBJ Detach();
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    explicit operator bool() const { return m_hObject != nullptr; }
    int GetObject(int size, void* out) const;

    HGDIOBJ m_hObject = nullptr;
};

class CBitmap : public CGdiObject {
public:
    HBITMAP GetSafeHandle() const { return static_cast<HBITMAP>(m_hObject); }
    operator HBITMAP() const { return GetSafeHandle(); }
    BOOL CreateCompatibleBitmap(HDC dc, int width, int height);
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
    BOOL GetBitmap(BITMAP* out) const { return GetObject(sizeof(BITMAP), out) != 0; }
};

class CBrush : public CGdiObject {
public:
    HBRUSH GetSafeHandle() const { return static_cast<HBRUSH>(m_hObject); }
    operator HBRUSH() const { return GetSafeHandle(); }
    BOOL CreateSolidBrush(COLORREF color);
};

class CFont : public CGdiObject {
public:
    HFONT GetSafeHandle() const { return static_cast<HFONT>(m_hObject); }
    operator HFONT() const { return GetSafeHandle(); }
    BOOL CreateFontIndirect(const LOGFONTW* font);
};

class CPen : public CGdiObject {
public:
    HPEN GetSafeHandle() const { return static_cast<HPEN>(m_hObject); }
    operator HPEN() const { return GetSafeHandle(); }
    BOOL CreatePen(int style, int width, COLORREF color);
};

// A device context; owned ones (memory DCs) are deleted with the object.
class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // A memory device context compatible with dc (the screen when null); owned.
    BOOL CreateCompatibleDC(HDC dc);
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    HDC m_hDC = nullptr;

protected:
    bool owned_ = false;
};

// The device context of one WM_PAINT: BeginPaint in the constructor, EndPaint in the destructor.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps{};

private:
    HWND hwnd_;
};

// The client-area device context of a window: GetDC in the constructor, ReleaseDC in the destructor.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd);
    ~CClientDC() override;

private:
    HWND hwnd_;
};

// Selects an object into a device context and puts the previous one back when it goes out of scope.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(object && dc ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectObject() {
        if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;
    bool Selected() const { return old_ && old_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ old_;
};
