// Event slots: how an object reports events to whoever bound a handler to them.
//
// An event slot holds one handler, a counted reference to the receiver's object pointer, a tag and a
// spin lock. A handler is always called as handler(receiver, sender, tag, arguments...) and returns a
// 32-bit integer; the receiver is the current target of the object pointer, so events to a receiver
// that has died are dropped. The lock only guards the slot's fields while they are written or copied;
// it is never held while a handler runs.
//
// Typed slots (CQelEventSlotOf<Args...>) fix the argument list at compile time; the untyped base
// CQelEventSlot is what every slot is and what binding and delivery work on.
#pragma once
#include <windows.h>

#include <cstdint>

#include "runtime/QelObject.h"
#include "runtime/QelPool.h"

namespace rg_Zarno_JiBen {
class rg_JuXingLei;
}

namespace rg_Zarno_MFCJieMian_JiBen {

// Storage type of every handler; calls go through the slot's own signature.
typedef int32_t (*QelHandlerFn)();

class CQelEventSlot {
public:
    CQelEventSlot() = default;
    // Releases the slot's reference on its receiver holder.
    ~CQelEventSlot();
    // Event slots belong to one object; they are never copied.
    CQelEventSlot(const CQelEventSlot&) = delete;
    CQelEventSlot& operator=(const CQelEventSlot&) = delete;

    // Stores the handler and tag 0 under the lock; when the holder differs from the slot's, takes a
    // reference on the new one and releases the old one after the lock is given back.
    void Bind(QelHandlerFn fn, CQelObjectPointer* newHolder);
    // Drops the handler and releases the holder (the state of a fresh slot).
    void Clear();
    // Copies handler, target and tag under the lock. False when there is no handler, no holder or the
    // holder's target is gone: the event is then not delivered.
    bool Read(QelHandlerFn* fn, CQelObject** target, uint32_t* tag) const;

    bool HasHandler() const { return handler != nullptr; }
    CQelObjectPointer* GetHolder() const { return holder; }

    QelHandlerFn handler = nullptr;
    CQelObjectPointer* holder = nullptr;
    uint32_t tag = 0;
    mutable SpinLock lock = 1;
};

// A slot whose handlers take the arguments Args after (receiver, sender, tag).
template <class... Args>
class CQelEventSlotOf : public CQelEventSlot {
public:
    typedef int32_t (*Handler)(CQelObject* receiver, CQelObject* sender, uint32_t tag, Args... args);

    void Bind(Handler fn, CQelObjectPointer* newHolder) {
        CQelEventSlot::Bind(reinterpret_cast<QelHandlerFn>(fn), newHolder);
    }

    // Delivers the event. Answers true and stores the handler's result when a handler ran; false when
    // the event was dropped (no handler, no receiver).
    bool Raise(CQelObject* sender, int32_t* result, Args... args) const {
        QelHandlerFn fn = nullptr;
        CQelObject* target = nullptr;
        uint32_t t = 0;
        if (!Read(&fn, &target, &t)) return false;
        int32_t r = reinterpret_cast<Handler>(fn)(target, sender, t, args...);
        if (result) *result = r;
        return true;
    }
    // Delivers the event and answers the handler's result, or missing when it was dropped.
    int32_t RaiseOr(int32_t missing, CQelObject* sender, Args... args) const {
        int32_t r = missing;
        return Raise(sender, &r, args...) ? r : missing;
    }
};

// Binds a handler to a slot of an object that is no control (no listener to attach).
template <class... Args>
void BindEvent(CQelEventSlotOf<Args...>& slot, typename CQelEventSlotOf<Args...>::Handler fn,
               CQelObjectPointer* holder) {
    slot.Bind(fn, holder);
}

// Binds a handler to a slot of a control, then attaches the control's listener so that its window
// object starts delivering events to it.
template <class Control, class... Args>
void BindEvent(Control& control, CQelEventSlotOf<Args...>& slot, typename CQelEventSlotOf<Args...>::Handler fn,
               CQelObjectPointer* holder) {
    slot.Bind(fn, holder);
    control.AttachListener();
}

// Turns a member function  int32_t Cls::Method(CQelObject* sender, Args...)  into a handler whose
// receiver is a Cls:  BindEvent(button, button.clickSlot, QelMemberHandler<&Form::OnOk>::Call, ptr).
template <auto Method>
struct QelMemberHandler;
template <class Cls, class... Args, int32_t (Cls::*Method)(CQelObject*, Args...)>
struct QelMemberHandler<Method> {
    static int32_t Call(CQelObject* receiver, CQelObject* sender, uint32_t, Args... args) {
        return (static_cast<Cls*>(receiver)->*Method)(sender, args...);
    }
};

// ---- slot types of the events -----------------------------------------------------------------

// Mouse button and move events: x, y (unsigned 16-bit halves of lParam), modifiers.
typedef CQelEventSlotOf<int32_t, int32_t, int32_t> CQelMouseEventSlot;
// Wheel: notches, modifiers.  Keys: key code, modifiers.
typedef CQelEventSlotOf<int32_t, int32_t> CQelWheelEventSlot;
typedef CQelEventSlotOf<int32_t, int32_t> CQelKeyEventSlot;
// Events without arguments (focus, click, position changed, container and form notifications).
typedef CQelEventSlotOf<> CQelNotifyEventSlot;
// Character: the UTF-16 code unit.
typedef CQelEventSlotOf<wchar_t> CQelCharEventSlot;
// Any message: window, message, wParam, lParam, the message record.
typedef CQelEventSlotOf<HWND, uint32_t, WPARAM, LPARAM, MSG*> CQelMessageEventSlot;
// Label feedback: wParam, lParam.
typedef CQelEventSlotOf<WPARAM, LPARAM> CQelFeedbackEventSlot;
// Painter paint: the area to paint in logical units.
typedef CQelEventSlotOf<rg_Zarno_JiBen::rg_JuXingLei*> CQelPaintEventSlot;
// Form command and menu select: the id; notification icon: the code.
typedef CQelEventSlotOf<int32_t> CQelIdEventSlot;

}  // namespace rg_Zarno_MFCJieMian_JiBen
