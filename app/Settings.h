// What the program remembers between runs, in the user's part of the registry
// (HKCU\Software\Ferovel\PhotoPrint): the view mode (fit or actual size) and the main window's
// placement. A value that is missing, of the wrong type or size, or out of range counts as not
// saved, so a damaged registry never stops the program from starting as on its first run.
#pragma once
#include <windows.h>

#include <cstdint>

namespace rg_Zarno_YangLi {

// The key under HKEY_CURRENT_USER.
inline constexpr const wchar_t* kSettingsKey = L"Software\\Ferovel\\PhotoPrint";
inline constexpr const wchar_t* kViewModeValue = L"ViewMode";            // REG_DWORD: 0 actual size, 1 fit
inline constexpr const wchar_t* kPlacementValue = L"WindowPlacement";    // REG_BINARY: WINDOWPLACEMENT

enum class SavedViewMode { None, ActualSize, Fit };

SavedViewMode ReadViewMode();
bool WriteViewMode(bool fit);

// The saved placement when it is whole and usable: right length, shown normal or maximized, a
// normal rectangle of a sensible size that lies at least partly on a monitor of this machine.
bool ReadPlacement(WINDOWPLACEMENT& placement);
bool WritePlacement(const WINDOWPLACEMENT& placement);

// The usability rule of ReadPlacement, on its own.
bool PlacementUsable(const WINDOWPLACEMENT& placement);

}  // namespace rg_Zarno_YangLi
