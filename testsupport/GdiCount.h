// Live GDI objects and windows of the test process, for leak checks.
#pragma once
#include <windows.h>

#include <cstdint>

namespace qeltest {

// Number of GDI objects of the process. Windows answers GetGuiResources; Wine answers 0 there but
// resolves a GDI handle given as its bare table index (no generation bits), so every index of the
// 16-bit table is asked for its object type instead; the table holds this process's objects only.
int64_t CountGdiObjects();

// Windows of this thread: top-level windows and all their descendants.
int CountThreadWindows();

}  // namespace qeltest
