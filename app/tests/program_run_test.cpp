// Starts the built program, checks its main window and ends it with Esc.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "testsupport/ProgramWindow.h"

namespace {

TEST(Program, MainWindowIsCentredWithTheDesignClientSizeAndEscEndsWithExitCodeZero) {
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    wchar_t commandLine[MAX_PATH * 2];
    swprintf(commandLine, MAX_PATH * 2, L"\"%ls\"", PHOTOPRINT_EXE);
    ASSERT_TRUE(CreateProcessW(PHOTOPRINT_EXE, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << GetLastError();
    HWND hwnd = nullptr;
    for (int i = 0; i < 300 && !hwnd; ++i) {
        hwnd = qeltest::FindMainWindow(pi.dwProcessId);
        if (!hwnd) Sleep(50);
    }
    ASSERT_NE(hwnd, nullptr);
    RECT client{}, outer{};
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &outer);
    EXPECT_EQ(client.right, 967);
    EXPECT_EQ(client.bottom, 790);
    MONITORINFO mi{sizeof mi};
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    const int freeLeft = outer.left - mi.rcWork.left, freeRight = mi.rcWork.right - outer.right;
    const int freeTop = outer.top - mi.rcWork.top, freeBottom = mi.rcWork.bottom - outer.bottom;
    EXPECT_LE(abs(freeLeft - freeRight), 1);
    EXPECT_LE(abs(freeTop - freeBottom), 1);

    PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1234;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(IsWindow(hwnd));
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

TEST(Program, ExecutableCarriesBothIconsAndTheCommonControlsManifest) {
    HMODULE exe = LoadLibraryExW(PHOTOPRINT_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr);
    EXPECT_NE(FindResourceW(exe, MAKEINTRESOURCEW(500), RT_GROUP_ICON), nullptr);
    EXPECT_NE(FindResourceW(exe, MAKEINTRESOURCEW(100), RT_GROUP_ICON), nullptr);
    EXPECT_NE(LoadImageW(exe, MAKEINTRESOURCEW(500), IMAGE_ICON, 32, 32, 0), nullptr);
    HRSRC manifest = FindResourceW(exe, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(exe, manifest)));
    std::string xml(text, SizeofResource(exe, manifest));
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(xml.find("asInvoker"), std::string::npos);
    // Long paths allowed, and the program declared as written for Windows 10 and 11.
    EXPECT_NE(xml.find("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>"),
              std::string::npos);
    EXPECT_NE(xml.find("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"), std::string::npos);
    FreeLibrary(exe);

    // The system accepts the manifest as a whole (a malformed one makes no activation context).
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = PHOTOPRINT_EXE;
    context.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE made = CreateActCtxW(&context);
    ASSERT_NE(made, INVALID_HANDLE_VALUE) << GetLastError();
    ReleaseActCtx(made);
}

}  // namespace
