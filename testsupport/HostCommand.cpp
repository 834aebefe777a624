#include "testsupport/HostCommand.h"

#include <algorithm>
#include <cstdlib>

namespace qeltest {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
    return w;
}

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::wstring WinPath(const std::string& unixPath) {
    std::wstring w = L"Z:" + Wide(unixPath);
    std::replace(w.begin(), w.end(), L'/', L'\\');
    return w;
}

std::string UnixPath(const std::wstring& winPath) {
    if (winPath.size() < 2 || (winPath[0] != L'Z' && winPath[0] != L'z') || winPath[1] != L':') return {};
    std::wstring rest = winPath.substr(2);
    std::replace(rest.begin(), rest.end(), L'\\', L'/');
    return rest.empty() ? "/" : Utf8(rest);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const BOOL ok = bytes.empty() || WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(f);
    return ok && n == bytes.size();
}

std::string ReadBytes(const std::wstring& path) {
    std::string data;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return data;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0) data.append(buf, n);
    CloseHandle(f);
    return data;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int RunHost(const std::string& command, std::string* output, DWORD timeoutMs) {
    // Wine starts host programs without a handle to wait on: the command reports its status through
    // a file that appears (by rename) only when it is complete.
    static int counter = 0;
    const std::string base = "/tmp/qel-host-cmd-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    const std::string script = "( " + command + " ) > " + base + ".out 2>&1\necho $? > " + base + ".tmp && mv " + base +
                               ".tmp " + base + ".rc\n";
    if (!WriteBytes(WinPath(base + ".sh"), script)) return -1;
    std::wstring line = L"/bin/sh " + Wide(base) + L".sh";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    const DWORD start = GetTickCount();
    int status = -1;
    while (GetTickCount() - start < timeoutMs) {
        if (FileExists(WinPath(base + ".rc"))) {
            status = std::atoi(ReadBytes(WinPath(base + ".rc")).c_str());
            break;
        }
        Sleep(10);
    }
    if (output) *output = ReadBytes(WinPath(base + ".out"));
    for (const char* ext : {".sh", ".out", ".rc"}) DeleteFileW(WinPath(base + ext).c_str());
    return status;
}

}  // namespace qeltest
