#include "gdi_count.h"

#include <windows.h>
#include <intrin.h>

namespace printtest {

int64_t CountGdiObjects() {
    SetLastError(0);
    DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0) return reported;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return 0;
    // Wine keeps the GDI handle table in the layout Windows uses, reached through the process
    // environment block (GdiSharedHandleTable); an entry is live while its type byte is not zero.
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

}  // namespace printtest
