// Helpers of the menu tests: writing definition texts and reading built menus back.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

// One entry of a definition, field by field as the definition text holds them.
struct DefEntry {
    std::wstring level;
    std::wstring caption;
    std::wstring id;
    std::wstring name;
    std::wstring key = L"";
    std::wstring ctrl = L"0";
    std::wstring shift = L"0";
    std::wstring separator = L"0";
    std::wstring checked = L"0";
    std::wstring disabled = L"0";
};

// A command entry.
inline DefEntry Cmd(int level, const wchar_t* caption, int id, const wchar_t* key = L"", bool ctrl = false,
                    bool shift = false) {
    DefEntry e;
    e.level = std::to_wstring(level);
    e.caption = caption;
    e.id = std::to_wstring(id);
    e.name = std::wstring(L"name_") + caption;
    e.key = key;
    e.ctrl = ctrl ? L"1" : L"0";
    e.shift = shift ? L"1" : L"0";
    return e;
}

inline DefEntry Sep(int level) {
    DefEntry e;
    e.level = std::to_wstring(level);
    e.id = L"0";
    e.separator = L"1";
    return e;
}

// "1", then eleven lines per entry, joined with the given line end.
inline std::wstring Definition(std::initializer_list<DefEntry> entries, const wchar_t* lineEnd = L"\n",
                               const wchar_t* format = L"1") {
    std::wstring text = format;
    for (const DefEntry& e : entries) {
        for (const std::wstring* f : {&e.level, &e.caption, &e.name /* field 2: not read */, &e.id, &e.name, &e.key,
                                      &e.ctrl, &e.shift, &e.separator, &e.checked, &e.disabled}) {
            text += lineEnd;
            text += *f;
        }
    }
    return text;
}

struct ItemInfo {
    std::wstring text;
    UINT id = 0;
    UINT state = 0;
    UINT type = 0;
    HMENU submenu = nullptr;
};

inline ItemInfo ReadItem(HMENU menu, UINT position) {
    ItemInfo info;
    wchar_t buffer[256] = {};
    MENUITEMINFOW mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE;
    mii.dwTypeData = buffer;
    mii.cch = 255;
    if (GetMenuItemInfoW(menu, position, TRUE, &mii)) {
        info.text = buffer;
        info.id = mii.wID;
        info.state = mii.fState;
        info.type = mii.fType;
        info.submenu = mii.hSubMenu;
    }
    return info;
}
