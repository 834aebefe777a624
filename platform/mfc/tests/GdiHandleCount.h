// Live GDI objects of the test process, for handle-leak checks.
#pragma once
#include <windows.h>
#include <intrin.h>

#include <cstdint>

namespace qeltest {

// GetGuiResources where the system keeps the count. Wine does not implement it; there the live
// entries of the process's GDI handle table are counted (Wine keeps the table in the layout Windows
// uses, reached through the process environment block; an entry is live while its type byte is not
// zero). -1 when neither can be read.
inline int64_t CountLiveGdiObjects() {
    SetLastError(0);
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0) return reported;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return 0;
    struct Entry {
        uint64_t object;
        uint32_t owner;
        uint16_t unique;
        uint8_t type;
        uint8_t flags;
        uint64_t user;
    };
    static_assert(sizeof(Entry) == 24, "handle table entry layout");
    const uint8_t* peb = reinterpret_cast<const uint8_t*>(__readgsqword(0x60));
    const Entry* table = *reinterpret_cast<const Entry* const*>(peb + 0xF8);
    if (!table) return -1;
    int64_t live = 0;
    for (int i = 0; i < 0x10000; ++i)
        if (table[i].type != 0) ++live;
    return live;
}

}  // namespace qeltest
