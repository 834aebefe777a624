#include "bench/support/ProcessCounters.h"

#include <windows.h>
#include <psapi.h>

#include "testsupport/GdiCount.h"

namespace benchhost {

namespace {

// Windows of this process: the top-level ones, the message-only ones and all their descendants.
int64_t CountWindows() {
    struct Counter {
        DWORD pid;
        int64_t count;
        static BOOL CALLBACK Child(HWND, LPARAM p) {
            ++reinterpret_cast<Counter*>(p)->count;
            return TRUE;
        }
        void Top(HWND hwnd) {
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner != pid) return;
            ++count;
            EnumChildWindows(hwnd, &Child, reinterpret_cast<LPARAM>(this));
        }
    };
    Counter counter{GetCurrentProcessId(), 0};
    EnumWindows(
        [](HWND hwnd, LPARAM p) -> BOOL {
            reinterpret_cast<Counter*>(p)->Top(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&counter));
    for (HWND h = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); h;
         h = FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr))
        counter.Top(h);
    return counter.count;
}

using CursorFrameInfo = HCURSOR(WINAPI*)(HCURSOR, DWORD, DWORD, DWORD*, DWORD*);

// The other USER objects: the user handle table is shared by the desktop session, its entries are
// 0x20 + 2 * index, and a bare 16-bit value (generation 0) is accepted for any live entry. Each value
// is asked whether it is a menu, an icon or cursor, or an accelerator table of this process (these
// are answered from the process's own part of the table; objects of other processes answer none).
int64_t CountOtherUserObjects() {
    static const auto frameInfo = reinterpret_cast<CursorFrameInfo>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetCursorFrameInfo")));
    int64_t count = 0;
    for (UINT_PTR value = 0x20; value < 0x10000; value += 2) {
        if (IsMenu(reinterpret_cast<HMENU>(value))) {
            ++count;
            continue;
        }
        DWORD rate = 0, steps = 0;
        if (frameInfo && frameInfo(reinterpret_cast<HCURSOR>(value), 0, 0, &rate, &steps)) {
            ++count;
            continue;
        }
        if (CopyAcceleratorTableW(reinterpret_cast<HACCEL>(value), nullptr, 0) > 0) ++count;
    }
    return count;
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
    c.gdiObjects = qeltest::CountGdiObjects();
    c.windows = CountWindows();
    SetLastError(0);
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (reported != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) c.userObjects = reported;
    else c.userObjects = c.windows + CountOtherUserObjects();
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
