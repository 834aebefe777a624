// The Linux host seen from a test program under Wine: Unix paths mapped to the Windows paths Wine
// gives them (drive Z: is the host's root), files read and written through those paths, and /bin/sh
// command lines run on the host.
#pragma once
#include <windows.h>

#include <string>

namespace qeltest {

// Converts between UTF-8 and UTF-16.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// Unix path to the Windows path that Wine maps it to (Z:\...).
std::wstring WinPath(const std::string& unixPath);
// The reverse: a Z:\ path to its Unix path; empty when the path is not on drive Z:.
std::string UnixPath(const std::wstring& winPath);

// Writes bytes into a file (Windows path).
bool WriteBytes(const std::wstring& path, const std::string& bytes);
// Reads a whole file (Windows path); empty when missing.
std::string ReadBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

// Runs a /bin/sh command line on the host and waits for it; answers its exit status (-1 when it did
// not end in time) and its output (standard output and error) in *output.
int RunHost(const std::string& command, std::string* output = nullptr, DWORD timeoutMs = 30000);

}  // namespace qeltest
