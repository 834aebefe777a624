// Window procedure hook: messages reach the bound handler before the window's own procedure, a non-zero
// result swallows them, dropped files arrive as their own event, and unhooking, destruction of the hook
// and destruction of the window all give the window its own procedure back.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "drawing/WindowHook.h"
#include "drawing/tests/test_support.h"
#include "testsupport/DropFiles.h"
#include "testsupport/MessageSequence.h"
#include "testsupport/Pump.h"

using rg_Zarno_MFCJieMian_JiBen::BindEvent;
using rg_Zarno_YuanChuangRuanJian::rg_ChuangKouGuoChengLei;
using qeltest::kHook;
using qeltest::kLParam;
using qeltest::kSent;
using qeltest::kWParam;

namespace {

constexpr UINT kSwallowed = WM_USER + 1;
constexpr UINT kAnswered = WM_USER + 2;
constexpr UINT kDestroyMe = WM_USER + 3;
constexpr UINT kDeleteHook = WM_USER + 4;
// Not a message: the journal's entry for the files-dropped event (wParam: the drop handle).
constexpr UINT kFilesEvent = WM_APP + 100;

// Everything the window's own procedure (as sent messages) and the handlers (as hook messages) saw of
// the messages the tests follow, in order.
struct Journal {
    qeltest::MessageSequence entries;
    HWND lastWindow = nullptr;
    uint32_t lastMessage = 0;
    WPARAM lastWParam = 0;
    LPARAM lastLParam = 0;
    CQelObject* lastReceiver = nullptr;
    CQelObject* lastSender = nullptr;
    uint32_t lastTag = 99;
    HDROP lastDrop = nullptr;
    UINT droppedFiles = 0;
    rg_ChuangKouGuoChengLei* hookToDelete = nullptr;
    void Clear() { *this = Journal(); }
};
Journal journal;

// The messages the journal follows.
bool Followed(UINT message) {
    switch (message) {
    case WM_PAINT:
    case WM_DROPFILES:
    case WM_NCDESTROY:
    case kSwallowed:
    case kAnswered:
    case kDestroyMe:
    case kDeleteHook:
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK OwnProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Followed(message)) journal.entries.Add(hwnd, message, kSent, wParam, lParam);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case kAnswered:
    case kDeleteHook:
        return static_cast<LRESULT>(wParam + lParam + 1000);
    case kSwallowed:
    case WM_DROPFILES:
        return 555;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

HWND MakeWindow(WNDPROC proc, const wchar_t* className) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassExW(&wc);  // fails harmlessly when already registered
    HWND hwnd = CreateWindowExW(0, className, L"hook test", WS_POPUP | WS_VISIBLE, 10, 500, 60, 40, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    qeltest::DispatchPending();
    return hwnd;
}

HWND MakeLoggingWindow() { return MakeWindow(OwnProc, L"QelHookTestWindow"); }
HWND MakePlainWindow() { return MakeWindow(DefWindowProcW, L"QelHookPlainWindow"); }

LONG_PTR ProcOf(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWLP_WNDPROC); }
LONG_PTR OwnProcValue() { return reinterpret_cast<LONG_PTR>(&OwnProc); }
LONG_PTR HookProcValue() { return reinterpret_cast<LONG_PTR>(&rg_ChuangKouGuoChengLei::HookWindowProc); }

int32_t OnMessage(CQelObject* receiver, CQelObject* sender, uint32_t tag, HWND hwnd, uint32_t message, WPARAM wParam,
                  LPARAM lParam) {
    if (Followed(message)) journal.entries.Add(hwnd, message, kHook, wParam, lParam);
    journal.lastReceiver = receiver;
    journal.lastSender = sender;
    journal.lastTag = tag;
    journal.lastWindow = hwnd;
    journal.lastMessage = message;
    journal.lastWParam = wParam;
    journal.lastLParam = lParam;
    if (message == kDestroyMe) DestroyWindow(hwnd);
    if (message == kDeleteHook && journal.hookToDelete) {
        rg_ChuangKouGuoChengLei* hook = journal.hookToDelete;
        journal.hookToDelete = nullptr;
        hook->Delete();
    }
    return message == kSwallowed ? 1 : 0;
}

int32_t OnFilesDropped(CQelObject* receiver, CQelObject* sender, uint32_t tag, HDROP drop) {
    journal.entries.Add(nullptr, kFilesEvent, kHook, reinterpret_cast<WPARAM>(drop), 0);
    journal.lastReceiver = receiver;
    journal.lastSender = sender;
    journal.lastDrop = drop;
    journal.droppedFiles = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    return 7;
}

// A receiver object and its counted pointer, as a form holds them.
struct Receiver {
    CQelObject object;
    CQelObjectPointer* pointer = new CQelObjectPointer(&object);
    ~Receiver() {
        pointer->target = nullptr;
        pointer->Release();
    }
};

class WindowHookTest : public ::testing::Test {
protected:
    void SetUp() override { journal.Clear(); }
    void TearDown() override {
        for (HWND w : windows)
            if (IsWindow(w)) DestroyWindow(w);
        qeltest::DispatchPending();
    }
    HWND Track(HWND w) {
        windows.push_back(w);
        return w;
    }
    std::vector<HWND> windows;
};

}  // namespace

TEST_F(WindowHookTest, HookReplacesTheProcedureAndSetsDropAcceptance) {
    HWND w = Track(MakeLoggingWindow());
    rg_ChuangKouGuoChengLei hook;
    EXPECT_FALSE(hook.IsAttached());
    hook.HookWindow(w, TRUE);
    EXPECT_TRUE(hook.IsAttached());
    EXPECT_EQ(hook.GetWindow(), w);
    EXPECT_EQ(ProcOf(w), HookProcValue());
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(hook.GetPreviousProcedure()), OwnProcValue());
    EXPECT_EQ(GetWindowLongPtrW(w, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&hook));
    EXPECT_NE(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);

    // Hooking the same window again changes only the drop setting; the procedure is not wrapped twice.
    hook.HookWindow(w, FALSE);
    EXPECT_EQ(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(hook.GetPreviousProcedure()), OwnProcValue());
    EXPECT_EQ(SendMessageW(w, kAnswered, 2, 3), 1005);
}

TEST_F(WindowHookTest, ZeroResultLetsTheOwnProcedureRunAfterTheHandler) {
    HWND w = Track(MakeLoggingWindow());
    Receiver receiver;
    rg_ChuangKouGuoChengLei hook;
    BindEvent(hook.messageEvent, &OnMessage, receiver.pointer);
    hook.HookWindow(w, FALSE);
    journal.Clear();
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    ASSERT_TRUE(journal.entries.Matches({{WM_PAINT, kHook}, {WM_PAINT, kSent}}));
    RECT update;
    EXPECT_FALSE(GetUpdateRect(w, &update, FALSE)) << "the own procedure validated the window";

    journal.Clear();
    EXPECT_EQ(SendMessageW(w, kAnswered, 20, 22), 1042) << "the own procedure's result comes back";
    EXPECT_TRUE(journal.entries.Matches(
        {{kAnswered, kHook | kWParam | kLParam, 20, 22}, {kAnswered, kSent | kWParam | kLParam, 20, 22}}));
    EXPECT_EQ(journal.lastReceiver, &receiver.object);
    EXPECT_EQ(journal.lastSender, &hook);
    EXPECT_EQ(journal.lastTag, 0u);
    EXPECT_EQ(journal.lastWindow, w);
    EXPECT_EQ(journal.lastMessage, kAnswered);
    EXPECT_EQ(journal.lastWParam, 20u);
    EXPECT_EQ(journal.lastLParam, 22);
}

TEST_F(WindowHookTest, NonZeroResultSwallowsTheMessage) {
    HWND w = Track(MakeLoggingWindow());
    Receiver receiver;
    rg_ChuangKouGuoChengLei hook;
    BindEvent(hook.messageEvent, &OnMessage, receiver.pointer);
    hook.HookWindow(w, FALSE);
    journal.Clear();
    EXPECT_EQ(SendMessageW(w, kSwallowed, 1, 2), 0);
    EXPECT_TRUE(journal.entries.Matches({{kSwallowed, kHook | kWParam | kLParam, 1, 2}}));

    // Once the receiver is gone the event is dropped and the message passes on.
    receiver.pointer->target = nullptr;
    journal.Clear();
    EXPECT_EQ(SendMessageW(w, kSwallowed, 1, 2), 555);
    EXPECT_TRUE(journal.entries.Matches({{kSwallowed, kSent}}));
}

TEST_F(WindowHookTest, WithoutHandlersMessagesPassUnchangedAndDropsAreSwallowed) {
    HWND w = Track(MakeLoggingWindow());
    rg_ChuangKouGuoChengLei hook;
    hook.HookWindow(w, FALSE);
    journal.Clear();
    EXPECT_EQ(SendMessageW(w, kAnswered, 7, 8), 1015);
    EXPECT_EQ(SendMessageW(w, kSwallowed, 0, 0), 555);
    HGLOBAL drop = qeltest::MakeDropFiles({L"C:\\pictures\\page.png"});
    EXPECT_EQ(SendMessageW(w, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0), 0);
    EXPECT_TRUE(journal.entries.Matches({{kAnswered, kSent | kWParam | kLParam, 7, 8}, {kSwallowed, kSent}}));
    GlobalFree(drop);
}

TEST_F(WindowHookTest, DroppedFilesGoToTheirOwnEvent) {
    HWND w = Track(MakeLoggingWindow());
    Receiver receiver;
    rg_ChuangKouGuoChengLei hook;
    BindEvent(hook.messageEvent, &OnMessage, receiver.pointer);
    BindEvent(hook.filesDroppedEvent, &OnFilesDropped, receiver.pointer);
    hook.HookWindow(w, TRUE);
    journal.Clear();
    HGLOBAL drop = qeltest::MakeDropFiles({L"C:\\pictures\\page.png"});
    EXPECT_EQ(SendMessageW(w, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0), 0) << "the handler's 7 is ignored";
    EXPECT_TRUE(journal.entries.Matches({{kFilesEvent, kHook | kWParam, reinterpret_cast<WPARAM>(drop)}}));
    EXPECT_EQ(journal.lastDrop, reinterpret_cast<HDROP>(drop));
    EXPECT_EQ(journal.droppedFiles, 1u);
    EXPECT_EQ(journal.lastSender, &hook);
    GlobalFree(drop);
}

TEST_F(WindowHookTest, UnhookAndDestructionRestoreTheOwnProcedure) {
    HWND w = Track(MakeLoggingWindow());
    Receiver receiver;
    {
        rg_ChuangKouGuoChengLei hook;
        BindEvent(hook.messageEvent, &OnMessage, receiver.pointer);
        hook.HookWindow(w, FALSE);
        hook.UnhookWindow();
        EXPECT_FALSE(hook.IsAttached());
        EXPECT_EQ(ProcOf(w), OwnProcValue());
        EXPECT_EQ(GetWindowLongPtrW(w, GWLP_USERDATA), 0) << "nothing finds the detached hook through the window";
        journal.Clear();
        EXPECT_EQ(SendMessageW(w, kSwallowed, 0, 0), 555);
        EXPECT_TRUE(journal.entries.Matches({{kSwallowed, kSent}}));

        // A detached hook can be attached again.
        hook.HookWindow(w, FALSE);
        EXPECT_EQ(ProcOf(w), HookProcValue());
        journal.Clear();
        EXPECT_EQ(SendMessageW(w, kSwallowed, 0, 0), 0);
        EXPECT_EQ(receiver.pointer->GetRefCount(), 2);
    }
    EXPECT_EQ(ProcOf(w), OwnProcValue()) << "destruction detaches";
    EXPECT_EQ(receiver.pointer->GetRefCount(), 1) << "destruction releases the receiver";
    journal.Clear();
    EXPECT_EQ(SendMessageW(w, kSwallowed, 0, 0), 555);
    EXPECT_TRUE(journal.entries.Matches({{kSwallowed, kSent}}));
}

TEST_F(WindowHookTest, HookingAnotherWindowGivesTheFirstItsProcedureBack) {
    HWND first = Track(MakeLoggingWindow());
    HWND second = Track(MakePlainWindow());
    const LONG_PTR secondOwn = ProcOf(second);
    rg_ChuangKouGuoChengLei hook;
    hook.HookWindow(first, FALSE);
    hook.HookWindow(second, FALSE);
    EXPECT_EQ(ProcOf(first), OwnProcValue());
    EXPECT_EQ(GetWindowLongPtrW(first, GWLP_USERDATA), 0);
    EXPECT_EQ(ProcOf(second), HookProcValue());
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(hook.GetPreviousProcedure()), secondOwn);
    hook.UnhookWindow();
    EXPECT_EQ(ProcOf(second), secondOwn) << "the second window gets its own procedure, not the first's";
}

TEST_F(WindowHookTest, DestroyedWindowDetachesTheHook) {
    HWND w = MakeLoggingWindow();
    Receiver receiver;
    rg_ChuangKouGuoChengLei hook;
    BindEvent(hook.messageEvent, &OnMessage, receiver.pointer);
    hook.HookWindow(w, FALSE);
    journal.Clear();
    DestroyWindow(w);
    EXPECT_TRUE(journal.entries.Saw(WM_NCDESTROY, kHook));
    EXPECT_TRUE(journal.entries.Saw(WM_NCDESTROY, kSent));
    EXPECT_FALSE(hook.IsAttached());
    EXPECT_EQ(hook.GetWindow(), nullptr);
    hook.UnhookWindow();  // nothing left to touch
}

TEST_F(WindowHookTest, HandlerMayDestroyTheWindowOrTheHook) {
    HWND w = MakeLoggingWindow();
    Receiver receiver;
    rg_ChuangKouGuoChengLei hook;
    BindEvent(hook.messageEvent, &OnMessage, receiver.pointer);
    hook.HookWindow(w, FALSE);
    journal.Clear();
    EXPECT_EQ(SendMessageW(w, kDestroyMe, 0, 0), 0);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(journal.entries.Saw(kDestroyMe, kSent)) << "a dead window's procedure is not called";
    EXPECT_FALSE(hook.IsAttached());

    HWND v = Track(MakeLoggingWindow());
    auto* doomed = new rg_ChuangKouGuoChengLei();
    BindEvent(doomed->messageEvent, &OnMessage, receiver.pointer);
    doomed->HookWindow(v, FALSE);
    journal.Clear();
    journal.hookToDelete = doomed;
    EXPECT_EQ(SendMessageW(v, kDeleteHook, 1, 1), 1002) << "the message still reaches the own procedure";
    EXPECT_EQ(ProcOf(v), OwnProcValue());
    EXPECT_TRUE(journal.entries.Matches({{kDeleteHook, kHook}, {kDeleteHook, kSent | kWParam | kLParam, 1, 1}}));
}

TEST_F(WindowHookTest, CopiesCarryNeitherAttachmentNorHandlers) {
    HWND w = Track(MakeLoggingWindow());
    Receiver receiver;
    rg_ChuangKouGuoChengLei hook;
    hook.objectWord = 42;
    BindEvent(hook.messageEvent, &OnMessage, receiver.pointer);
    hook.HookWindow(w, FALSE);

    CQelObject* clone = hook.Clone();
    auto* copy = static_cast<rg_ChuangKouGuoChengLei*>(clone);
    EXPECT_EQ(copy->objectWord, 42u);
    EXPECT_FALSE(copy->IsAttached());
    EXPECT_EQ(copy->GetWindow(), nullptr);
    EXPECT_FALSE(copy->messageEvent.HasHandler());
    EXPECT_EQ(copy->IsEqual(hook), 1);
    clone->Delete();
    EXPECT_EQ(ProcOf(w), HookProcValue()) << "deleting the copy leaves the original attached";

    rg_ChuangKouGuoChengLei plain;
    ASSERT_EQ(hook.CopyFrom(plain), 1);
    EXPECT_EQ(hook.objectWord, 0u);
    EXPECT_TRUE(hook.IsAttached());
    EXPECT_TRUE(hook.messageEvent.HasHandler());
    EXPECT_STREQ(hook.GetClassRecord()->name, "rg_Zarno_YuanChuangRuanJian::rg_ChuangKouGuoChengLei");
}

TEST_F(WindowHookTest, WindowWithoutHookDataGetsDefaultProcessing) {
    HWND w = Track(MakeLoggingWindow());
    // A window that reaches the hook procedure without a hook object behind it.
    SetWindowLongPtrW(w, GWLP_WNDPROC, HookProcValue());
    journal.Clear();
    EXPECT_EQ(SendMessageW(w, kAnswered, 1, 1), 0) << "DefWindowProc answers 0 for a private message";
    EXPECT_TRUE(journal.entries.Empty());
    SetWindowLongPtrW(w, GWLP_WNDPROC, OwnProcValue());
}
