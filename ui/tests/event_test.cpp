// Event slots: binding, reference counting of receiver holders, delivery and dropping.
#include <gtest/gtest.h>

#include "QelEvent.h"

using namespace rg_Zarno_MFCJieMian_JiBen;

namespace {

struct Receiver : CQelObject {
    Receiver() : self(new CQelObjectPointer(this)) {}
    ~Receiver() override {
        self->target = nullptr;
        self->Release();
    }
    int32_t OnMouse(CQelObject* sender, int32_t x, int32_t y, int32_t mods) {
        lastSender = sender;
        lx = x;
        ly = y;
        lm = mods;
        ++calls;
        return 7;
    }
    CQelObjectPointer* self;
    CQelObject* lastSender = nullptr;
    int32_t lx = 0, ly = 0, lm = 0;
    int calls = 0;
};

struct FakeControl : CQelObject {
    void AttachListener() { ++attaches; }
    int attaches = 0;
    CQelMouseEventSlot mouse;
};

int32_t g_freeCalls = 0;
CQelObject* g_freeReceiver = nullptr;
uint32_t g_freeTag = 99;
int32_t FreeHandler(CQelObject* receiver, CQelObject*, uint32_t tag, int32_t, int32_t, int32_t) {
    ++g_freeCalls;
    g_freeReceiver = receiver;
    g_freeTag = tag;
    return -5;
}

TEST(EventSlot, FreshSlotIsEmptyAndUnlocked) {
    CQelEventSlot slot;
    EXPECT_EQ(slot.handler, nullptr);
    EXPECT_EQ(slot.holder, nullptr);
    EXPECT_EQ(slot.tag, 0u);
    EXPECT_EQ(slot.lock, 1);
    QelHandlerFn fn;
    CQelObject* target;
    uint32_t tag;
    EXPECT_FALSE(slot.Read(&fn, &target, &tag));
}

TEST(EventSlot, BindingTwiceWithOneHolderKeepsOneReferenceAndAnotherHolderReleasesTheFirst) {
    Receiver a, b;
    {
        CQelMouseEventSlot slot;
        EXPECT_EQ(a.self->GetRefCount(), 1);
        slot.Bind(FreeHandler, a.self);
        EXPECT_EQ(a.self->GetRefCount(), 2);
        slot.Bind(FreeHandler, a.self);
        EXPECT_EQ(a.self->GetRefCount(), 2);
        slot.Bind(FreeHandler, b.self);
        EXPECT_EQ(a.self->GetRefCount(), 1);
        EXPECT_EQ(b.self->GetRefCount(), 2);
        EXPECT_EQ(slot.lock, 1);
    }
    // The slot's destruction gives its reference back.
    EXPECT_EQ(b.self->GetRefCount(), 1);
}

TEST(EventSlot, BindStoresTagZeroAndRebindReplacesTheHandler) {
    Receiver r;
    CQelMouseEventSlot slot;
    slot.tag = 5;
    slot.Bind(FreeHandler, r.self);
    EXPECT_EQ(slot.tag, 0u);
    g_freeCalls = 0;
    int32_t result = 0;
    FakeControl sender;
    ASSERT_TRUE(slot.Raise(&sender, &result, 1, 2, 3));
    EXPECT_EQ(result, -5);
    EXPECT_EQ(g_freeCalls, 1);
    EXPECT_EQ(g_freeReceiver, &r);
    EXPECT_EQ(g_freeTag, 0u);
    slot.Bind(QelMemberHandler<&Receiver::OnMouse>::Call, r.self);
    ASSERT_TRUE(slot.Raise(&sender, &result, 10, 20, 0x2000));
    EXPECT_EQ(g_freeCalls, 1);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(r.calls, 1);
    EXPECT_EQ(r.lastSender, &sender);
    EXPECT_EQ(r.lx, 10);
    EXPECT_EQ(r.ly, 20);
    EXPECT_EQ(r.lm, 0x2000);
}

TEST(EventSlot, EventsAreDroppedOnceTheReceiverDiesAndTheHolderOutlivesIt) {
    CQelMouseEventSlot slot;
    CQelObjectPointer* kept = nullptr;
    {
        Receiver r;
        slot.Bind(QelMemberHandler<&Receiver::OnMouse>::Call, r.self);
        kept = r.self;
        EXPECT_EQ(kept->GetRefCount(), 2);
    }
    // The receiver cleared its target and dropped its reference; the slot still holds the pointer.
    EXPECT_EQ(kept->GetRefCount(), 1);
    EXPECT_EQ(kept->target, nullptr);
    int32_t result = 1234;
    EXPECT_FALSE(slot.Raise(nullptr, &result, 1, 2, 3));
    EXPECT_EQ(result, 1234);
    EXPECT_EQ(slot.RaiseOr(-9, nullptr, 1, 2, 3), -9);
}

TEST(EventSlot, NoHandlerOrNoHolderDropsTheEvent) {
    Receiver r;
    CQelMouseEventSlot slot;
    slot.Bind(nullptr, r.self);
    EXPECT_FALSE(slot.Raise(nullptr, nullptr, 0, 0, 0));
    slot.Bind(FreeHandler, nullptr);
    EXPECT_EQ(r.self->GetRefCount(), 1);
    g_freeCalls = 0;
    EXPECT_FALSE(slot.Raise(nullptr, nullptr, 0, 0, 0));
    EXPECT_EQ(g_freeCalls, 0);
}

TEST(EventSlot, BindEventOnAControlAttachesItsListenerEachTime) {
    Receiver r;
    FakeControl control;
    BindEvent(control, control.mouse, FreeHandler, r.self);
    BindEvent(control, control.mouse, FreeHandler, r.self);
    EXPECT_EQ(control.attaches, 2);
    EXPECT_EQ(r.self->GetRefCount(), 2);
    CQelMouseEventSlot plain;
    BindEvent(plain, FreeHandler, r.self);
    EXPECT_EQ(r.self->GetRefCount(), 3);
    control.mouse.Clear();
    EXPECT_EQ(r.self->GetRefCount(), 2);
    EXPECT_EQ(control.mouse.handler, nullptr);
}

TEST(EventSlot, ReleasingTheLastReferenceInsideRebindIsSafe) {
    // A holder whose only owner is the slot dies when the slot moves to another holder.
    CQelObjectPointer* lonely = new CQelObjectPointer(nullptr);
    Receiver r;
    CQelMouseEventSlot slot;
    slot.Bind(FreeHandler, lonely);
    lonely->Release();
    EXPECT_EQ(slot.holder->GetRefCount(), 1);
    slot.Bind(FreeHandler, r.self);
    EXPECT_EQ(slot.holder, r.self);
    EXPECT_EQ(r.self->GetRefCount(), 2);
}

}  // namespace
