// The one exception type of the runtime: a 32-bit code and a description text. It is caught only by
// the guarded run of the program object.
#pragma once
#include <cstdint>

#include "runtime/QelString.h"

class CQelException {
public:
    CQelException(int32_t errorCode, const wchar_t* text) : code(errorCode) { description.Append(text); }
    int32_t code;
    CWString description;
};
