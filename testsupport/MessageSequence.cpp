#include "testsupport/MessageSequence.h"

#include <cstdio>

namespace qeltest {

std::string MessageName(UINT message) {
    switch (message) {
#define QEL_NAME(m) \
    case m: return #m;
    QEL_NAME(WM_CREATE) QEL_NAME(WM_DESTROY) QEL_NAME(WM_MOVE) QEL_NAME(WM_SIZE) QEL_NAME(WM_ACTIVATE)
    QEL_NAME(WM_SETFOCUS) QEL_NAME(WM_KILLFOCUS) QEL_NAME(WM_ENABLE) QEL_NAME(WM_SETTEXT) QEL_NAME(WM_GETTEXT)
    QEL_NAME(WM_GETTEXTLENGTH) QEL_NAME(WM_PAINT) QEL_NAME(WM_CLOSE) QEL_NAME(WM_QUIT) QEL_NAME(WM_ERASEBKGND)
    QEL_NAME(WM_SHOWWINDOW) QEL_NAME(WM_ACTIVATEAPP) QEL_NAME(WM_SETCURSOR) QEL_NAME(WM_MOUSEACTIVATE)
    QEL_NAME(WM_GETMINMAXINFO) QEL_NAME(WM_WINDOWPOSCHANGING) QEL_NAME(WM_WINDOWPOSCHANGED) QEL_NAME(WM_NOTIFY)
    QEL_NAME(WM_GETICON) QEL_NAME(WM_NCCREATE) QEL_NAME(WM_NCDESTROY) QEL_NAME(WM_NCCALCSIZE)
    QEL_NAME(WM_NCHITTEST) QEL_NAME(WM_NCPAINT) QEL_NAME(WM_NCACTIVATE) QEL_NAME(WM_GETDLGCODE)
    QEL_NAME(WM_KEYDOWN) QEL_NAME(WM_KEYUP) QEL_NAME(WM_CHAR) QEL_NAME(WM_SYSKEYDOWN) QEL_NAME(WM_SYSKEYUP)
    QEL_NAME(WM_INITDIALOG) QEL_NAME(WM_COMMAND) QEL_NAME(WM_SYSCOMMAND) QEL_NAME(WM_TIMER) QEL_NAME(WM_HSCROLL)
    QEL_NAME(WM_VSCROLL) QEL_NAME(WM_CTLCOLORBTN) QEL_NAME(WM_CTLCOLORSTATIC) QEL_NAME(WM_MOUSEMOVE)
    QEL_NAME(WM_LBUTTONDOWN) QEL_NAME(WM_LBUTTONUP) QEL_NAME(WM_RBUTTONDOWN) QEL_NAME(WM_RBUTTONUP)
    QEL_NAME(WM_MOUSEWHEEL) QEL_NAME(WM_PARENTNOTIFY) QEL_NAME(WM_DROPFILES) QEL_NAME(WM_IME_SETCONTEXT)
    QEL_NAME(WM_IME_NOTIFY) QEL_NAME(WM_NCMOUSEMOVE) QEL_NAME(WM_CHILDACTIVATE) QEL_NAME(WM_STYLECHANGING)
    QEL_NAME(WM_STYLECHANGED) QEL_NAME(WM_SETFONT) QEL_NAME(WM_CONTEXTMENU) QEL_NAME(WM_USER)
#undef QEL_NAME
    default: {
        char text[16];
        std::snprintf(text, sizeof text, "0x%04X", message);
        return text;
    }
    }
}

void MessageSequence::Add(HWND hwnd, UINT message, unsigned kind, WPARAM wParam, LPARAM lParam) {
    recorded_.push_back({hwnd, message, kind & kMessageKinds, wParam, lParam});
}

bool MessageSequence::Saw(UINT message, unsigned kind) const {
    for (const RecordedMessage& r : recorded_)
        if (r.message == message && (kind == 0 || r.flags == (kind & kMessageKinds))) return true;
    return false;
}

namespace {

std::string Kinds(unsigned flags) {
    std::string s;
    const auto add = [&](unsigned bit, const char* name) {
        if (flags & bit) s += s.empty() ? name : std::string("|") + name;
    };
    add(kSent, "sent");
    add(kPosted, "posted");
    add(kParent, "parent");
    add(kDefWinProc, "defwinproc");
    add(kHook, "hook");
    add(kOptional, "optional");
    return s.empty() ? "-" : s;
}

std::string Describe(const ExpectedMessage& e) {
    std::string s = MessageName(e.message) + " " + Kinds(e.flags);
    char text[64];
    if (e.flags & kWParam) {
        std::snprintf(text, sizeof text, " wParam=0x%llx", static_cast<unsigned long long>(e.wParam));
        s += text;
    }
    if (e.flags & kLParam) {
        std::snprintf(text, sizeof text, " lParam=0x%llx", static_cast<unsigned long long>(e.lParam));
        s += text;
    }
    return s;
}

std::string Describe(const RecordedMessage& r) {
    char text[80];
    std::snprintf(text, sizeof text, " wParam=0x%llx lParam=0x%llx", static_cast<unsigned long long>(r.wParam),
                  static_cast<unsigned long long>(r.lParam));
    return MessageName(r.message) + " " + Kinds(r.flags) + text;
}

}  // namespace

std::string MessageSequence::Mismatch(const std::vector<ExpectedMessage>& expected) const {
    std::string problem;
    size_t e = 0, r = 0;
    while (e < expected.size() || r < recorded_.size()) {
        if (e == expected.size()) {
            problem = "message " + std::to_string(r) + ": " + Describe(recorded_[r]) + " was not expected (the expected sequence ended)";
            break;
        }
        const ExpectedMessage& want = expected[e];
        if (r == recorded_.size()) {
            if (want.flags & kOptional) {
                ++e;
                continue;
            }
            problem = "message " + std::to_string(r) + ": expected " + Describe(want) + ", the record ended";
            break;
        }
        const RecordedMessage& got = recorded_[r];
        std::string why;
        if (got.message != want.message)
            why = "another message";
        else if (got.flags != (want.flags & kMessageKinds))
            why = "seen as " + Kinds(got.flags);
        else if ((want.flags & kWParam) && got.wParam != want.wParam)
            why = "another wParam";
        else if ((want.flags & kLParam) && got.lParam != want.lParam)
            why = "another lParam";
        if (why.empty()) {
            ++e;
            ++r;
            continue;
        }
        if (want.flags & kOptional) {
            ++e;
            continue;
        }
        problem = "message " + std::to_string(r) + ": expected " + Describe(want) + ", recorded " + Describe(got) +
                  " (" + why + ")";
        break;
    }
    if (problem.empty()) return problem;
    problem += "\n  expected:";
    for (const ExpectedMessage& x : expected) problem += "\n    " + Describe(x);
    problem += "\n  recorded:";
    for (const RecordedMessage& x : recorded_) problem += "\n    " + Describe(x);
    return problem;
}

::testing::AssertionResult MessageSequence::Matches(std::initializer_list<ExpectedMessage> expected) const {
    const std::string problem = Mismatch(std::vector<ExpectedMessage>(expected));
    if (problem.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << problem;
}

}  // namespace qeltest
