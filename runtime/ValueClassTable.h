// The records of the eight boxed basic value classes, in the order byte, short integer, character,
// integer, pointer-wide integer, long integer, decimal, logical. Built on first use; the program
// class hands it out.
#pragma once
#include "runtime/QelObject.h"

constexpr int kBasicValueClassCount = 8;
const ClassRecord* const* GetBasicValueClassTable();
