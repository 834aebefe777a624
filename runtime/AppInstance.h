// The application instance: the first program-wide object of the process. It holds the memory pool
// and the process-level state that outlives every window (module handle, arguments, the program
// object, COM state, loaded libraries and the lazily started GDI+).
#pragma once
#include <windows.h>
#include "runtime/QelPool.h"

class CQelObject;

class CQelCommonBase {};

class CQelAppInstance : public CQelCommonBase {
public:
    CQelAppInstance();
    virtual HMODULE GetModuleHandleOp();  // operation 0: the stored handle, else the code module
    virtual ~CQelAppInstance();

    // Deletes the current program object (if any) and clears the pointer.
    void DeleteProgram();
    // Frees every loaded library and empties the list.
    void FreeLibraries();
    // Shuts the lazily started GDI+ down under the lock when it is running.
    void ShutdownLazyGdiplus();
    void AddLibrary(HMODULE lib);

    CPoolMem pool;
    HINSTANCE moduleInstance = nullptr;
    int64_t argCount = 0;
    wchar_t** argValues = nullptr;
    CQelObject* currentProgram = nullptr;
    bool comInitialised = false;
    HMODULE* libraries = nullptr;
    size_t libraryCount = 0;
    size_t libraryCapacity = 0;
    CRITICAL_SECTION lock;
    ULONG_PTR gdiplusToken = 0;
};

CQelAppInstance* GetAppInstance();
// The module that contains the program's code.
HMODULE GetCodeModuleHandle();
