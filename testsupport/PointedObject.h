// The base of the tests' event receivers: an object with its counted object pointer, which events are
// bound to and which forgets the object when the object goes.
#pragma once
#include "runtime/QelObject.h"

namespace qeltest {

class PointedObject : public CQelObject {
public:
    PointedObject() : self(new CQelObjectPointer(this)) {}
    ~PointedObject() override {
        self->target = nullptr;
        self->Release();
    }
    PointedObject(const PointedObject&) = delete;
    PointedObject& operator=(const PointedObject&) = delete;

    CQelObjectPointer* self;
};

}  // namespace qeltest
