// Event slots: receiver holders counted once per slot, delivery with exact arguments, dropping.
#include <gtest/gtest.h>

#include "ui/QelEvent.h"

using namespace rg_Zarno_MFCJieMian_JiBen;

namespace {

struct Receiver : CQelObject {
    Receiver() : self(new CQelObjectPointer(this)) {}
    ~Receiver() override {
        self->target = nullptr;
        self->Release();
    }
    int32_t OnMouse(CQelObject* sender, int32_t x, int32_t y, int32_t mods) {
        seen = {sender, x, y, mods};
        ++calls;
        return 7;
    }
    CQelObjectPointer* self;
    struct { CQelObject* sender; int32_t x, y, mods; } seen{};
    int calls = 0;
};

struct FakeControl : CQelObject {
    void AttachListener() { ++attaches; }
    int attaches = 0;
    CQelMouseEventSlot mouse;
};

uint32_t g_tag = 99;
int32_t Free(CQelObject*, CQelObject*, uint32_t tag, int32_t, int32_t, int32_t) {
    g_tag = tag;
    return -5;
}

TEST(EventSlot, BindingCountsTheHolderOncePerSlotAndReleasesReplacedAndFinalHolders) {
    Receiver a, b;
    {
        CQelMouseEventSlot slot;
        EXPECT_EQ(slot.lock, 1);
        slot.Bind(Free, a.self);
        slot.Bind(Free, a.self);
        EXPECT_EQ(a.self->GetRefCount(), 2);
        slot.Bind(Free, b.self);
        EXPECT_EQ(a.self->GetRefCount(), 1);
        EXPECT_EQ(b.self->GetRefCount(), 2);
        EXPECT_EQ(slot.lock, 1);
    }
    EXPECT_EQ(b.self->GetRefCount(), 1);
    // A holder whose only owner is the slot dies safely when the slot moves on.
    CQelMouseEventSlot slot;
    auto* lonely = new CQelObjectPointer(nullptr);
    slot.Bind(Free, lonely);
    lonely->Release();
    slot.Bind(Free, a.self);
    EXPECT_EQ(slot.holder, a.self);
}

TEST(EventSlot, DeliveryPassesReceiverSenderTagZeroAndTheArguments) {
    Receiver r;
    FakeControl sender;
    sender.mouse.tag = 5;
    BindEvent(sender, sender.mouse, Free, r.self);
    EXPECT_EQ(sender.mouse.tag, 0u);
    EXPECT_EQ(sender.attaches, 1);
    int32_t result = 0;
    ASSERT_TRUE(sender.mouse.Raise(&sender, &result, 1, 2, 3));
    EXPECT_EQ(result, -5);
    EXPECT_EQ(g_tag, 0u);
    BindEvent(sender, sender.mouse, QelMemberHandler<&Receiver::OnMouse>::Call, r.self);
    EXPECT_EQ(sender.attaches, 2);
    EXPECT_EQ(sender.mouse.RaiseOr(0, &sender, 10, 20, 0x2000), 7);
    EXPECT_EQ(r.seen.sender, &sender);
    EXPECT_EQ(r.seen.x, 10);
    EXPECT_EQ(r.seen.y, 20);
    EXPECT_EQ(r.seen.mods, 0x2000);
}

TEST(EventSlot, EventsAreDroppedWithoutHandlerHolderOrLivingReceiver) {
    CQelMouseEventSlot slot;
    int32_t result = 1234;
    EXPECT_FALSE(slot.Raise(nullptr, &result, 0, 0, 0));
    CQelObjectPointer* kept;
    {
        Receiver r;
        slot.Bind(nullptr, r.self);
        EXPECT_FALSE(slot.Raise(nullptr, &result, 0, 0, 0));
        slot.Bind(QelMemberHandler<&Receiver::OnMouse>::Call, r.self);
        kept = r.self;
    }
    EXPECT_EQ(kept->GetRefCount(), 1);  // the slot keeps the holder, whose target is gone
    EXPECT_FALSE(slot.Raise(nullptr, &result, 1, 2, 3));
    EXPECT_EQ(result, 1234);
    EXPECT_EQ(slot.RaiseOr(-9, nullptr, 1, 2, 3), -9);
    slot.Clear();
    EXPECT_EQ(slot.holder, nullptr);
}

}  // namespace
