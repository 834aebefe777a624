#include "ProcessCounters.h"

#include <windows.h>
#include <psapi.h>

namespace benchhost {

namespace {

// GDI objects: GetGuiResources on Windows. Wine does not implement it, but resolves a GDI handle
// given as its bare table index (no generation bits), so every index of the 16-bit table is asked
// for its object type; the table holds this process's objects only.
int64_t CountGdi() {
    SetLastError(0);
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return reported;
    int64_t count = 0;
    for (UINT_PTR i = 1; i < 0x10000; ++i)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++count;
    return count;
}

using CursorFrameInfo = HCURSOR(WINAPI*)(HCURSOR, DWORD, DWORD, DWORD*, DWORD*);

// USER objects: the user handle table is shared by the whole desktop session, its entries are
// 0x20 + 2 * index, and a bare 16-bit value (generation 0) is accepted for any live entry. Each value
// is asked what it is: a window of this process, a menu, an icon or cursor, an accelerator table
// (objects of other processes answer none of these, except windows, whose owner is checked).
void CountUser(int64_t& user, int64_t& windows) {
    const DWORD pid = GetCurrentProcessId();
    static const auto frameInfo = reinterpret_cast<CursorFrameInfo>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetCursorFrameInfo")));
    user = windows = 0;
    for (UINT_PTR value = 0x20; value < 0x10000; value += 2) {
        HWND hwnd = reinterpret_cast<HWND>(value);
        if (IsWindow(hwnd)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == pid) {
                ++windows;
                ++user;
            }
            continue;
        }
        if (IsMenu(reinterpret_cast<HMENU>(value))) {
            ++user;
            continue;
        }
        DWORD rate = 0, steps = 0;
        if (frameInfo && frameInfo(reinterpret_cast<HCURSOR>(value), 0, 0, &rate, &steps)) {
            ++user;
            continue;
        }
        if (CopyAcceleratorTableW(reinterpret_cast<HACCEL>(value), nullptr, 0) > 0) ++user;
    }
}

// Committed private memory: every committed region of the address space that is not an image or a
// mapped file. (Wine's PrivateUsage counter reports swap use, not this.)
int64_t CountPrivate() {
    int64_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    const uint8_t* address = nullptr;
    while (VirtualQuery(address, &info, sizeof info) == sizeof info) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += static_cast<int64_t>(info.RegionSize);
        const uint8_t* next = static_cast<const uint8_t*>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

}  // namespace

ProcessCounts CountProcess() {
    ProcessCounts c;
    c.gdiObjects = CountGdi();
    SetLastError(0);
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (reported != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        c.userObjects = reported;
        int64_t ignored = 0;
        CountUser(ignored, c.windows);
    } else {
        CountUser(c.userObjects, c.windows);
    }
    c.privateBytes = CountPrivate();
    return c;
}

void PrintCounts(std::FILE* out, const char* label, const ProcessCounts& c) {
    std::fprintf(out, "%-26s gdi %5lld  user %5lld (windows %lld)  private %8.1f MB\n", label,
                 static_cast<long long>(c.gdiObjects), static_cast<long long>(c.userObjects),
                 static_cast<long long>(c.windows), static_cast<double>(c.privateBytes) / (1024.0 * 1024.0));
    std::fflush(out);
}

}  // namespace benchhost
