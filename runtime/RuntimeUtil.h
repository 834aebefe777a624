// Runtime utilities shared by the window framework, menus, dialogs and drawing code: key names and
// key values, paths, screen queries and the debug trace entry point.
#pragma once
#include <cstdint>
#include <windows.h>

#include "runtime/QelString.h"

// Modifier bits of a key value (low 8 bits: the virtual-key code).
constexpr int64_t kKeyCtrl = 0x2000;
constexpr int64_t kKeyAlt = 0x4000;
constexpr int64_t kKeyShift = 0x8000;

// Name of a virtual-key code; the empty text for a key without a name.
const wchar_t* KeyName(uint32_t virtualKey);
// The 256 key names, indexed by virtual-key code.
const wchar_t* const* GetKeyNameTable();

// Caption of a key value: the key's name after "Ctrl", "Shift", "Alt" (in that order) joined by plus
// signs. A key without a name gives the empty text; a value without bits above the code gives the
// name itself and leaves scratch untouched.
const wchar_t* KeyComboText(int64_t keyValue, CWString& scratch);

// Key value of a key message's virtual-key code, with the bits of the modifier keys that are down
// (a modifier pressed alone reports itself without its own bit); 0 for a key without a name.
int64_t NormalizeKey(uint32_t virtualKey);

// Folder of the module's file, with its trailing backslash; 0 (and text empty) on failure.
int GetModuleDirectory(HMODULE module, CWString& text);

// Joins a base folder and a relative path, resolving "." and ".." segments; the result lives in
// scratch unless base or relative is answered as it came (rooted or unresolvable relative paths,
// empty arguments).
const wchar_t* CombinePath(const wchar_t* base, const wchar_t* relative, CQelMem& scratch);

// 1 when the file or folder exists; a folder may be given with a trailing backslash.
int FileExists(const wchar_t* path);

// The text after the last backslash, or the whole text.
const wchar_t* FileNamePart(const wchar_t* path);

// The module that holds the program's code (null when it cannot be found).
HMODULE GetCodeModule();

// The full rectangle of the window's monitor, or of the primary screen.
void GetMonitorRect(HWND window, RECT& out);

// Points and pixels at the screen's vertical resolution; both drop the sign.
double PixelsToPoints(double pixels);
double PointsToPixels(double points);

// HALFTONE (4) for displays of more than 16 bits per pixel, else COLORONCOLOR (3).
int GetDisplayStretchMode();

// Debug trace: two integers, a signature with one letter per value ("S" a string) and the values.
// Discards everything.
void Trace(int32_t first, int32_t second, const char* signature, ...);
