#include "runtime/AppInstance.h"
#include "runtime/QelObject.h"

#include <objbase.h>

extern "C" void WINAPI GdiplusShutdown(ULONG_PTR token);

// Constructed before every other static object of the program and destroyed after all of them.
__attribute__((init_priority(101))) static CQelAppInstance g_appInstance;

CQelAppInstance* GetAppInstance() { return &g_appInstance; }

HMODULE GetCodeModuleHandle() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&GetCodeModuleHandle), &module);
    return module;
}

CQelAppInstance::CQelAppInstance() { InitializeCriticalSection(&lock); }

HMODULE CQelAppInstance::GetModuleHandleOp() {
    return moduleInstance ? moduleInstance : GetCodeModuleHandle();
}

void CQelAppInstance::DeleteProgram() {
    if (currentProgram) {
        CQelObject* program = currentProgram;
        currentProgram = nullptr;
        program->Delete();
    }
}

void CQelAppInstance::AddLibrary(HMODULE lib) {
    if (libraryCount == libraryCapacity) {
        size_t cap = libraryCapacity ? libraryCapacity * 2 : 8;
        void* grown = libraries ? HeapReAlloc(GetProcessHeap(), 0, libraries, cap * sizeof(HMODULE))
                                : HeapAlloc(GetProcessHeap(), 0, cap * sizeof(HMODULE));
        if (!grown) QelExitOnAllocFailure();
        libraries = static_cast<HMODULE*>(grown);
        libraryCapacity = cap;
    }
    libraries[libraryCount++] = lib;
}

void CQelAppInstance::FreeLibraries() {
    for (size_t i = 0; i < libraryCount; ++i) FreeLibrary(libraries[i]);
    libraryCount = 0;
}

void CQelAppInstance::ShutdownLazyGdiplus() {
    EnterCriticalSection(&lock);
    if (gdiplusToken) {
        GdiplusShutdown(gdiplusToken);
        gdiplusToken = 0;
    }
    LeaveCriticalSection(&lock);
}

CQelAppInstance::~CQelAppInstance() {
    DeleteProgram();
    if (comInitialised) {
        comInitialised = false;
        CoUninitialize();
    }
    ShutdownLazyGdiplus();
    DeleteCriticalSection(&lock);
    FreeLibraries();
    if (libraries) HeapFree(GetProcessHeap(), 0, libraries);
    libraries = nullptr;
    libraryCapacity = 0;
    // The pool member's destructor returns the region to the process heap last.
}
