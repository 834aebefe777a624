// Recorded message sequences: a window procedure, hook or handler adds each message it sees, and the
// test compares the record with the sequence it expects in one call, which names the first place
// where the two part and prints both.
//
//     qeltest::MessageSequence seq;
//     ... in the window procedure: seq.Add(hwnd, message, qeltest::kSent, wParam, lParam);
//     EXPECT_TRUE(seq.Matches({{WM_NCCREATE, kSent}, {WM_NCCALCSIZE, kSent | kWParam, FALSE},
//                              {WM_CREATE, kSent}}));
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace qeltest {

// How a message was seen (the kind flags must agree between expectation and record) and what of it
// is checked (expectation only).
enum MessageFlags : unsigned {
    kSent = 0x01,        // by a window procedure (sent, or dispatched to it)
    kPosted = 0x02,      // taken from the queue by the message loop
    kParent = 0x04,      // by the parent's procedure (a notification)
    kDefWinProc = 0x08,  // by the procedure while the default processing runs
    kHook = 0x10,        // by a hook or handler ahead of the window's own procedure
    kWParam = 0x100,     // expectation: wParam must be equal
    kLParam = 0x200,     // expectation: lParam must be equal
    kOptional = 0x400,   // expectation: the message may be missing
};
inline constexpr unsigned kMessageKinds = kSent | kPosted | kParent | kDefWinProc | kHook;

struct ExpectedMessage {
    UINT message;
    unsigned flags;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct RecordedMessage {
    HWND hwnd;
    UINT message;
    unsigned flags;
    WPARAM wParam;
    LPARAM lParam;
};

// "WM_PAINT" for the messages this program's tests meet, else the number ("0x0401").
std::string MessageName(UINT message);

class MessageSequence {
public:
    void Add(HWND hwnd, UINT message, unsigned kind, WPARAM wParam = 0, LPARAM lParam = 0);
    void Clear() { recorded_.clear(); }
    const std::vector<RecordedMessage>& Recorded() const { return recorded_; }
    bool Empty() const { return recorded_.empty(); }
    // Whether the message was recorded with that kind (any kind when kind is 0).
    bool Saw(UINT message, unsigned kind = 0) const;

    // Empty when the record is the expected sequence (optional entries may be missing), else the
    // first mismatch followed by both sequences.
    std::string Mismatch(const std::vector<ExpectedMessage>& expected) const;
    // The same as a gtest assertion: EXPECT_TRUE(seq.Matches({...})).
    ::testing::AssertionResult Matches(std::initializer_list<ExpectedMessage> expected) const;

private:
    std::vector<RecordedMessage> recorded_;
};

}  // namespace qeltest
