// Menus and accelerators built from a menu definition text.
//
// A definition is one line with the format number 1, then eleven lines per menu entry:
//   0 level (0 top level, one more per nesting step)   1 caption        2 (not read)
//   3 command id (1..65535 for a command entry)          4 name           5 key name ("" = none)
//   6 Ctrl "1"/"0"   7 Shift "1"/"0"   8 separator "1"/"0"   9 checked "1"/"0"   10 disabled "1"/"0"
// Lines are separated by "\n" and trimmed of leading and trailing characters up to U+0020; lines
// after the last complete record are ignored. A wrong format line or any invalid record builds
// nothing at all.
//
// The built menu (CRefQelMenu) is a counted object owning the menu bar, its popups and the
// accelerator table; the menu class rg_CaiChanLei shares it between copies and with forms.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "runtime/QelObject.h"
#include "runtime/QelString.h"

// A list of texts.
class CMStringArray {
public:
    int64_t GetCount() const { return static_cast<int64_t>(items.size()); }
    // The text at index; the empty text outside the list.
    const wchar_t* GetAt(int64_t index) const;
    void Add(const wchar_t* text);
    void RemoveAll() { items.clear(); }

private:
    std::vector<CWString> items;
};

namespace rg_Zarno_MFCJieMian_JiBen {

// The built menu: menu bar, popups, accelerator table and, per command entry, its id, the popup that
// holds it and its name. Reports the class record of CRefObject.
class CRefQelMenu : public CRefObject {
public:
    CRefQelMenu() = default;
    // Destroys the accelerator table and the menu bar (with all its popups).
    ~CRefQelMenu() override;

    // Destroys the accelerator table and the menu bar, empties the lists and the stored definition
    // and marks the menu not built.
    void Clear();

    HMENU GetMenuBar() const { return menuBar; }
    HACCEL GetAcceleratorTable() const { return acceleratorTable; }
    bool IsBuilt() const { return built != 0; }
    int64_t GetCommandCount() const { return static_cast<int64_t>(commandIds.size()); }

    int32_t built = 0;
    HMENU menuBar = nullptr;
    HACCEL acceleratorTable = nullptr;
    CWString definition;
    std::vector<int64_t> commandIds;
    std::vector<HMENU> commandPopups;
    CMStringArray entryNames;
};

// Builds the menu from a definition text and answers the menu bar, or null when the definition is
// empty, has a wrong format line or an invalid record. A definition given while the menu is already
// built leaves it unchanged (the existing menu bar is answered); a null definition rebuilds from the
// stored one. A null menu answers null.
HMENU BuildMenu(CRefQelMenu* menu, const wchar_t* definition);

// The popup that holds the first entry with the command id, or null (also for a null menu).
HMENU FindCommandPopup(const CRefQelMenu* menu, int64_t commandId);

// Translates a keyboard message (WM_KEYFIRST..WM_KEYLAST, 0x100..0x109) through the menu's
// accelerator table for the window: true when it became a WM_COMMAND. False for a null menu, a menu
// without accelerators, other messages or keys that are no accelerator.
bool TranslateAccelerators(const CRefQelMenu* menu, HWND window, MSG* message);

// Takes the menu bar off a window before the window is destroyed, so that the window's destruction
// does not destroy a menu bar that the built menu owns (and other forms may share). Nothing happens
// when the window shows another menu or none. Forms call this in WM_DESTROY.
void DetachMenuBar(const CRefQelMenu* menu, HWND window);

// The menu class: a designable object whose design text is a menu definition; the shared data is the
// built menu. A null object (objectFlags bit 0) stands for no menu at all.
class rg_CaiChanLei : public rg_Zarno_JiBen::rg_KeSheJiLei {
    QEL_OBJECT_CLASS(rg_CaiChanLei, rg_Zarno_JiBen::rg_KeSheJiLei, "rg_Zarno_MFCJieMian_JiBen::rg_CaiChanLei")
public:
    rg_CaiChanLei() = default;
    // A temporary menu class object over an existing built menu (takes a reference; null allowed).
    explicit rg_CaiChanLei(CRefQelMenu* builtMenu);
    rg_CaiChanLei(const rg_CaiChanLei& other) = default;
    rg_CaiChanLei& operator=(const rg_CaiChanLei& other) = default;

    // The built menu: created empty on first use, then built once from the design text. Null for a
    // null object. The menu class keeps its reference; a caller that keeps the menu takes its own.
    CRefQelMenu* GetBuiltMenu();
    // The built menu when there is one (no creation, no build); null when the shared data is not a
    // built menu.
    CRefQelMenu* GetMenuData() const { return dynamic_cast<CRefQelMenu*>(data); }
};

}  // namespace rg_Zarno_MFCJieMian_JiBen
