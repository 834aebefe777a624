#include "ui/QelMenu.h"

#include <string>
#include <string_view>

#include "runtime/RuntimeUtil.h"
#include "runtime/SortArray.h"

// ---- list of texts -------------------------------------------------------------------------------

const wchar_t* CMStringArray::GetAt(int64_t index) const {
    if (index < 0 || index >= GetCount()) return L"";
    return items[static_cast<size_t>(index)].GetText();
}

void CMStringArray::Add(const wchar_t* text) {
    items.emplace_back();
    items.back().Append(text);
}

namespace rg_Zarno_MFCJieMian_JiBen {

namespace {

constexpr int kFieldsPerRecord = 11;
constexpr int64_t kFirstCommandId = 1;
constexpr int64_t kLastCommandId = 65535;

// One entry of a definition, parsed and checked.
struct MenuRecord {
    bool valid = false;
    int64_t level = 0;
    std::wstring_view caption;
    int64_t commandId = 0;
    std::wstring_view name;
    int64_t keyValue = 0;
    bool separator = false;
    bool checked = false;
    bool disabled = false;
};

std::wstring_view Trim(std::wstring_view line) {
    size_t begin = 0;
    size_t end = line.size();
    while (begin < end && line[begin] <= L' ') ++begin;
    while (end > begin && line[end - 1] <= L' ') --end;
    return line.substr(begin, end - begin);
}

// The lines of a definition ("\n"-separated), each trimmed.
std::vector<std::wstring_view> SplitLines(std::wstring_view text) {
    std::vector<std::wstring_view> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L'\n', start);
        if (end == std::wstring_view::npos) {
            lines.push_back(Trim(text.substr(start)));
            return lines;
        }
        lines.push_back(Trim(text.substr(start, end - start)));
        start = end + 1;
    }
}

// A whole line read as a decimal integer with an optional sign. Anything else (no digits, trailing
// text, values beyond 18 digits) is not an integer.
bool ParseInteger(std::wstring_view text, int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    if (i == text.size()) return false;
    int64_t result = 0;
    int digits = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c < L'0' || c > L'9') return false;
        if (result != 0 || c != L'0') ++digits;
        if (digits > 18) return false;
        result = result * 10 + (c - L'0');
    }
    value = negative ? -result : result;
    return true;
}

// "1" or "0" and nothing else.
bool ParseFlag(std::wstring_view text, bool& flag) {
    if (text == L"1") {
        flag = true;
        return true;
    }
    if (text == L"0") {
        flag = false;
        return true;
    }
    return false;
}

wchar_t FoldAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// The virtual-key code whose name matches (without regard to case), or 0 when no named key does.
int64_t FindKeyCode(std::wstring_view name) {
    const wchar_t* const* table = GetKeyNameTable();
    for (int code = 1; code < 256; ++code) {
        const wchar_t* entry = table[code];
        if (!entry || !entry[0]) continue;
        size_t i = 0;
        while (i < name.size() && entry[i] && FoldAscii(entry[i]) == FoldAscii(name[i])) ++i;
        if (i == name.size() && !entry[i]) return code;
    }
    return 0;
}

MenuRecord ParseRecord(const std::vector<std::wstring_view>& lines, size_t first) {
    MenuRecord r;
    const std::wstring_view* f = &lines[first];
    bool ctrl = false;
    bool shift = false;
    if (!ParseFlag(f[6], ctrl) || !ParseFlag(f[7], shift) || !ParseFlag(f[8], r.separator) ||
        !ParseFlag(f[9], r.checked) || !ParseFlag(f[10], r.disabled))
        return r;
    if (!ParseInteger(f[0], r.level) || r.level < 0) return r;
    r.caption = f[1];
    r.name = f[4];
    if (!r.separator) {
        if (r.caption.empty()) return r;
        if (!ParseInteger(f[3], r.commandId) || r.commandId < kFirstCommandId || r.commandId > kLastCommandId) return r;
        if (!f[5].empty()) {
            const int64_t code = FindKeyCode(f[5]);
            if (code == 0) return r;
            r.keyValue = code + (ctrl ? kKeyCtrl : 0) + (shift ? kKeyShift : 0);
        }
    }
    r.valid = true;
    return r;
}

// Builds the popups of one definition into a menu.
class MenuBuilder {
public:
    MenuBuilder(const std::vector<MenuRecord>& records, CRefQelMenu& menu) : records(records), menu(menu) {}

    // Builds the popup headed by records[header] and appends it to parent. Answers the index of the
    // first record that does not belong to the popup, or -1 when the popup cannot be built (the
    // popup is then destroyed; nothing of it is left in parent).
    int64_t AddPopup(HMENU parent, size_t header) {
        const MenuRecord& head = records[header];
        if (!head.valid || head.separator) return -1;
        HMENU popup = CreatePopupMenu();
        if (!popup) return -1;
        size_t i = header + 1;
        while (i < records.size()) {
            const MenuRecord& r = records[i];
            if (!r.valid) return Fail(popup);
            if (r.level <= head.level) break;
            if (i + 1 < records.size() && records[i + 1].valid && records[i + 1].level > r.level) {
                const int64_t next = AddPopup(popup, i);
                if (next < 0) return Fail(popup);
                i = static_cast<size_t>(next);
                continue;
            }
            if (r.separator) {
                if (!AppendMenuW(popup, MF_SEPARATOR, 0, nullptr)) return Fail(popup);
            } else if (!AddCommand(popup, r)) {
                return Fail(popup);
            }
            ++i;
        }
        const std::wstring caption(head.caption);
        if (!AppendMenuW(parent, MF_POPUP | (head.disabled ? MF_GRAYED : 0), reinterpret_cast<UINT_PTR>(popup),
                         caption.c_str()))
            return Fail(popup);
        return static_cast<int64_t>(i);
    }

    // One ACCEL per key value, in ascending key order; null when there is no key.
    HACCEL CreateAccelerators() const {
        const int64_t count = keys.GetCount();
        if (count == 0) return nullptr;
        std::vector<ACCEL> table(static_cast<size_t>(count));
        for (int64_t k = 0; k < count; ++k) {
            const uint64_t key = keys.GetAt(k);
            ACCEL& a = table[static_cast<size_t>(k)];
            a.fVirt = FVIRTKEY | FNOINVERT;
            if (key & kKeyShift) a.fVirt |= FSHIFT;
            if (key & kKeyCtrl) a.fVirt |= FCONTROL;
            if (key & kKeyAlt) a.fVirt |= FALT;
            a.key = static_cast<WORD>(key & 0xFF);
            a.cmd = static_cast<WORD>(acceleratorIds[static_cast<size_t>(k)]);
        }
        return CreateAcceleratorTableW(table.data(), static_cast<int>(count));
    }

private:
    int64_t Fail(HMENU popup) {
        DestroyMenu(popup);
        return -1;
    }

    bool AddCommand(HMENU popup, const MenuRecord& r) {
        std::wstring caption(r.caption);
        if (r.keyValue != 0) {
            const uint64_t key = static_cast<uint64_t>(r.keyValue);
            const int64_t position = keys.AddUnique(&key);
            // A key used twice stays with the first entry that named it; both captions show it.
            if (position >= 0) acceleratorIds.insert(acceleratorIds.begin() + position, r.commandId);
            caption += L'\t';
            caption += KeyComboText(r.keyValue, scratch);
        }
        menu.commandIds.push_back(r.commandId);
        menu.commandPopups.push_back(popup);
        menu.entryNames.Add(std::wstring(r.name).c_str());
        const UINT flags = MF_STRING | (r.checked ? MF_CHECKED : 0) | (r.disabled ? MF_GRAYED : 0);
        return AppendMenuW(popup, flags, static_cast<UINT_PTR>(r.commandId), caption.c_str()) != FALSE;
    }

    const std::vector<MenuRecord>& records;
    CRefQelMenu& menu;
    CNumUniqueArray keys{256};
    std::vector<int64_t> acceleratorIds;
    CWString scratch;
};

}  // namespace

// ---- built menu ----------------------------------------------------------------------------------

CRefQelMenu::~CRefQelMenu() { Clear(); }

void CRefQelMenu::Clear() {
    if (acceleratorTable) DestroyAcceleratorTable(acceleratorTable);
    acceleratorTable = nullptr;
    if (menuBar) DestroyMenu(menuBar);
    menuBar = nullptr;
    commandIds.clear();
    commandPopups.clear();
    entryNames.RemoveAll();
    definition.SetEmpty();
    built = 0;
}

HMENU BuildMenu(CRefQelMenu* menu, const wchar_t* definition) {
    if (!menu) return nullptr;
    if (definition && menu->IsBuilt()) return menu->menuBar;
    // The text is copied first: rebuilding from the stored definition clears it below.
    const std::wstring text(definition ? definition : menu->definition.GetText());

    menu->Clear();
    menu->built = 1;
    if (text.empty()) return nullptr;

    std::vector<std::wstring_view> lines = SplitLines(text);
    int64_t format = 0;
    if (!ParseInteger(lines[0], format) || format != 1) return nullptr;

    const size_t recordCount = (lines.size() - 1) / kFieldsPerRecord;
    std::vector<MenuRecord> records;
    records.reserve(recordCount);
    for (size_t r = 0; r < recordCount; ++r) {
        records.push_back(ParseRecord(lines, 1 + r * kFieldsPerRecord));
        // Every record is used by the build, so one invalid record fails the whole definition.
        if (!records.back().valid) {
            menu->Clear();
            menu->built = 1;
            return nullptr;
        }
    }

    HMENU bar = CreateMenu();
    if (!bar) {
        menu->Clear();
        menu->built = 1;
        return nullptr;
    }
    menu->menuBar = bar;
    MenuBuilder builder(records, *menu);
    size_t next = 0;
    while (next < records.size()) {
        const int64_t after = builder.AddPopup(bar, next);
        if (after < 0) {
            menu->Clear();
            menu->built = 1;
            return nullptr;
        }
        next = static_cast<size_t>(after);
    }
    menu->acceleratorTable = builder.CreateAccelerators();
    menu->definition.Append(text.c_str());
    menu->built = 1;
    return bar;
}

HMENU FindCommandPopup(const CRefQelMenu* menu, int64_t commandId) {
    if (!menu) return nullptr;
    for (size_t i = 0; i < menu->commandIds.size(); ++i)
        if (menu->commandIds[i] == commandId) return menu->commandPopups[i];
    return nullptr;
}

bool TranslateAccelerators(const CRefQelMenu* menu, HWND window, MSG* message) {
    if (!menu || !menu->acceleratorTable || !window || !message) return false;
    if (message->message < WM_KEYFIRST || message->message > WM_KEYLAST) return false;
    return TranslateAcceleratorW(window, menu->acceleratorTable, message) != 0;
}

void DetachMenuBar(const CRefQelMenu* menu, HWND window) {
    if (!menu || !menu->menuBar || !window) return;
    if (GetMenu(window) == menu->menuBar) SetMenu(window, nullptr);
}

// ---- menu class ----------------------------------------------------------------------------------

rg_CaiChanLei::rg_CaiChanLei(CRefQelMenu* builtMenu) { SetData(builtMenu); }

CRefQelMenu* rg_CaiChanLei::GetBuiltMenu() {
    if (IsNullObject()) return nullptr;
    CRefQelMenu* menu = GetMenuData();
    if (!menu) {
        menu = new CRefQelMenu();
        AttachData(menu);
    }
    if (!menu->IsBuilt()) {
        CWString design;
        BuildMenu(menu, GetDesignText(design).GetText());
    }
    return menu;
}

}  // namespace rg_Zarno_MFCJieMian_JiBen
