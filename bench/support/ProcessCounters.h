// What a leak would make grow: the process's GDI objects, its USER objects and its private memory.
// Windows reports the first two through GetGuiResources; Wine answers that call with "not
// implemented", so there the handle tables are walked instead (see the .cpp).
#pragma once
#include <cstdint>
#include <cstdio>

namespace benchhost {

struct ProcessCounts {
    int64_t gdiObjects = 0;
    int64_t userObjects = 0;      // windows, menus, icons and cursors, accelerator tables
    int64_t windows = 0;          // of those, the windows
    int64_t privateBytes = 0;     // committed private memory
};

ProcessCounts CountProcess();

// "gdi 123  user 45 (windows 30)  private 67.8 MB"
void PrintCounts(std::FILE* out, const char* label, const ProcessCounts& counts);

}  // namespace benchhost
