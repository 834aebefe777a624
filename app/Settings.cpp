#include "app/Settings.h"

namespace rg_Zarno_YangLi {

namespace {

// Reads one value of the settings key: true when it exists with the expected type and size.
bool ReadValue(const wchar_t* name, DWORD expectedType, void* data, DWORD expectedSize) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD size = expectedSize;
    const LONG status = RegQueryValueExW(key, name, nullptr, &type, static_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == expectedType && size == expectedSize;
}

bool WriteValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const LONG status = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace

SavedViewMode ReadViewMode() {
    DWORD mode = 0;
    if (!ReadValue(kViewModeValue, REG_DWORD, &mode, sizeof mode)) return SavedViewMode::None;
    if (mode == 0) return SavedViewMode::ActualSize;
    if (mode == 1) return SavedViewMode::Fit;
    return SavedViewMode::None;
}

bool WriteViewMode(bool fit) {
    const DWORD mode = fit ? 1 : 0;
    return WriteValue(kViewModeValue, REG_DWORD, &mode, sizeof mode);
}

bool PlacementUsable(const WINDOWPLACEMENT& p) {
    if (p.length != sizeof(WINDOWPLACEMENT)) return false;
    if (p.showCmd != SW_SHOWNORMAL && p.showCmd != SW_SHOWMAXIMIZED) return false;
    const RECT& r = p.rcNormalPosition;
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    if (width < 200 || height < 150 || width > 32767 || height > 32767) return false;
    return MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}

bool ReadPlacement(WINDOWPLACEMENT& placement) {
    WINDOWPLACEMENT saved{};
    if (!ReadValue(kPlacementValue, REG_BINARY, &saved, sizeof saved) || !PlacementUsable(saved)) return false;
    placement = saved;
    return true;
}

bool WritePlacement(const WINDOWPLACEMENT& placement) {
    return WriteValue(kPlacementValue, REG_BINARY, &placement, sizeof placement);
}

}  // namespace rg_Zarno_YangLi
