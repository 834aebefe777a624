// The main window's menu bar: its command ids, its entries (captions, keys) and the menu definition
// text the window's menu is built from.
#pragma once
#include <cstdint>

#include "runtime/QelString.h"

namespace rg_Zarno_YangLi {

enum MainMenuCommand : int32_t {
    kCmdOpen = 2001,
    kCmdSave = 2002,
    kCmdSaveAs = 2003,
    kCmdPrint = 2004,
    kCmdExit = 2005,
    kCmdFitWindow = 2101,
    kCmdActualSize = 2102,
    kCmdZoomIn = 2103,
    kCmdZoomOut = 2104,
    kCmdRotateLeft = 2201,
    kCmdRotateRight = 2202,
    kCmdRestoreOriginal = 2203,
    kCmdCleanPage = 2204,
    kCmdStraightenPage = 2205,
    kCmdAbout = 2301,
};

struct MainMenuEntry {
    int32_t level;           // 0: a popup of the bar; 1: an entry of that popup
    const wchar_t* caption;  // empty for a separator
    int32_t id;              // command id (popups and separators carry ids of their own)
    const wchar_t* key;      // key name, "" for none
    bool ctrl, shift;
};

// The entries in menu order.
extern const MainMenuEntry kMainMenuEntries[];
extern const int32_t kMainMenuEntryCount;

// The definition text of the menu bar (format 1, eleven lines per entry).
CWString MainMenuDefinition();

}  // namespace rg_Zarno_YangLi
