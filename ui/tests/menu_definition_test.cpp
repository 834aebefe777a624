// Building menus from definition texts: structure, captions, flags, accelerators, validation,
// rebuilding and the menu class.
#include <gtest/gtest.h>

#include <vector>

#include "ui/QelMenu.h"
#include "ui/tests/menu_test_util.h"

using namespace rg_Zarno_MFCJieMian_JiBen;

namespace {

// A built menu owned by the test.
struct MenuHolder {
    CRefQelMenu* menu = new CRefQelMenu();
    ~MenuHolder() { menu->Release(); }
    HMENU Build(const std::wstring& text) { return BuildMenu(menu, text.c_str()); }
};

std::vector<ACCEL> ReadAccelerators(HACCEL table) {
    const int count = CopyAcceleratorTableW(table, nullptr, 0);
    std::vector<ACCEL> entries(static_cast<size_t>(count > 0 ? count : 0));
    if (count > 0) CopyAcceleratorTableW(table, entries.data(), count);
    return entries;
}

// Expects the definition to build nothing: null bar, no accelerators, empty lists, marked built.
void ExpectNothingBuilt(const std::wstring& text) {
    SCOPED_TRACE(testing::Message() << "definition of " << text.size() << " units");
    MenuHolder h;
    EXPECT_EQ(nullptr, h.Build(text));
    EXPECT_TRUE(h.menu->IsBuilt());
    EXPECT_EQ(nullptr, h.menu->GetMenuBar());
    EXPECT_EQ(nullptr, h.menu->GetAcceleratorTable());
    EXPECT_EQ(0, h.menu->GetCommandCount());
    EXPECT_EQ(0, h.menu->entryNames.GetCount());
    EXPECT_EQ(0, h.menu->definition.GetLength());
    EXPECT_EQ(nullptr, FindCommandPopup(h.menu, 101));
}

}  // namespace

TEST(MenuBuild, FormatLineAloneGivesEmptyMenuBar) {
    MenuHolder h;
    HMENU bar = h.Build(L"1");
    ASSERT_NE(nullptr, bar);
    EXPECT_TRUE(IsMenu(bar));
    EXPECT_EQ(0, GetMenuItemCount(bar));
    EXPECT_EQ(nullptr, h.menu->GetAcceleratorTable());
    EXPECT_TRUE(h.menu->IsBuilt());
    EXPECT_STREQ(L"1", h.menu->definition.GetText());

    MenuHolder empty;
    EXPECT_EQ(nullptr, empty.Build(L""));
    EXPECT_TRUE(empty.menu->IsBuilt());
    EXPECT_EQ(nullptr, BuildMenu(nullptr, L"1"));
}

TEST(MenuBuild, TopLevelRecordWithEntriesBecomesPopup) {
    MenuHolder h;
    HMENU bar = h.Build(Definition({Cmd(0, L"File", 100), Cmd(1, L"Open", 101), Cmd(1, L"Close", 102),
                                    Cmd(0, L"Edit", 200), Cmd(1, L"Copy", 201)}));
    ASSERT_NE(nullptr, bar);
    ASSERT_EQ(2, GetMenuItemCount(bar));
    ItemInfo file = ReadItem(bar, 0);
    ItemInfo edit = ReadItem(bar, 1);
    EXPECT_EQ(L"File", file.text);
    EXPECT_EQ(L"Edit", edit.text);
    ASSERT_NE(nullptr, file.submenu);
    ASSERT_NE(nullptr, edit.submenu);
    ASSERT_EQ(2, GetMenuItemCount(file.submenu));
    EXPECT_EQ(L"Open", ReadItem(file.submenu, 0).text);
    EXPECT_EQ(101u, ReadItem(file.submenu, 0).id);
    EXPECT_EQ(L"Close", ReadItem(file.submenu, 1).text);
    EXPECT_EQ(102u, ReadItem(file.submenu, 1).id);
    ASSERT_EQ(1, GetMenuItemCount(edit.submenu));
    EXPECT_EQ(201u, ReadItem(edit.submenu, 0).id);

    // Command lists: one entry per command entry, in definition order; headers are not commands.
    ASSERT_EQ(3, h.menu->GetCommandCount());
    EXPECT_EQ(101, h.menu->commandIds[0]);
    EXPECT_EQ(102, h.menu->commandIds[1]);
    EXPECT_EQ(201, h.menu->commandIds[2]);
    EXPECT_EQ(file.submenu, h.menu->commandPopups[0]);
    EXPECT_EQ(edit.submenu, h.menu->commandPopups[2]);
    ASSERT_EQ(3, h.menu->entryNames.GetCount());
    EXPECT_STREQ(L"name_Open", h.menu->entryNames.GetAt(0));
    EXPECT_STREQ(L"name_Copy", h.menu->entryNames.GetAt(2));
    EXPECT_EQ(file.submenu, FindCommandPopup(h.menu, 102));
    EXPECT_EQ(edit.submenu, FindCommandPopup(h.menu, 201));
    EXPECT_EQ(nullptr, FindCommandPopup(h.menu, 100));  // a header's id is not a command
    EXPECT_EQ(nullptr, FindCommandPopup(h.menu, 999));
    EXPECT_EQ(nullptr, FindCommandPopup(nullptr, 101));
    EXPECT_EQ(nullptr, h.menu->GetAcceleratorTable());
}

TEST(MenuBuild, NestedPopupsAndEmptyPopups) {
    MenuHolder h;
    HMENU bar = h.Build(Definition({Cmd(0, L"File", 1), Cmd(1, L"New", 2), Cmd(1, L"Recent", 3), Cmd(2, L"a.png", 4),
                                    Cmd(2, L"b.png", 5), Cmd(1, L"Exit", 6), Cmd(0, L"Empty", 7),
                                    Cmd(0, L"Tools", 8), Cmd(1, L"Deep", 9), Cmd(2, L"Deeper", 10),
                                    Cmd(3, L"Deepest", 11), Cmd(0, L"Gap", 12), Cmd(2, L"Two", 13), Cmd(2, L"Down", 14)}));
    ASSERT_NE(nullptr, bar);
    ASSERT_EQ(4, GetMenuItemCount(bar));
    // Entries two levels below their header still belong to its popup.
    EXPECT_EQ(2, GetMenuItemCount(ReadItem(bar, 3).submenu));
    HMENU file = ReadItem(bar, 0).submenu;
    ASSERT_NE(nullptr, file);
    ASSERT_EQ(3, GetMenuItemCount(file));
    ItemInfo recent = ReadItem(file, 1);
    EXPECT_EQ(L"Recent", recent.text);
    ASSERT_NE(nullptr, recent.submenu);
    ASSERT_EQ(2, GetMenuItemCount(recent.submenu));
    EXPECT_EQ(5u, ReadItem(recent.submenu, 1).id);
    EXPECT_EQ(6u, ReadItem(file, 2).id);  // back at level 1 after the nested popup
    EXPECT_EQ(recent.submenu, FindCommandPopup(h.menu, 4));
    EXPECT_EQ(file, FindCommandPopup(h.menu, 6));

    // A top-level record with no deeper records still becomes a popup, an empty one.
    ItemInfo empty = ReadItem(bar, 1);
    EXPECT_EQ(L"Empty", empty.text);
    ASSERT_NE(nullptr, empty.submenu);
    EXPECT_EQ(0, GetMenuItemCount(empty.submenu));

    HMENU deep = ReadItem(ReadItem(bar, 2).submenu, 0).submenu;
    ASSERT_NE(nullptr, deep);
    HMENU deeper = ReadItem(deep, 0).submenu;
    ASSERT_NE(nullptr, deeper);
    EXPECT_EQ(L"Deepest", ReadItem(deeper, 0).text);
    EXPECT_EQ(deeper, FindCommandPopup(h.menu, 11));
    EXPECT_EQ(std::vector<int64_t>({2, 4, 5, 6, 11, 13, 14}), h.menu->commandIds);
}

TEST(MenuBuild, SeparatorsCheckMarksAndDisabledEntries) {
    DefEntry checkedEntry = Cmd(1, L"Grid", 11);
    checkedEntry.checked = L"1";
    DefEntry disabledEntry = Cmd(1, L"Paste", 12);
    disabledEntry.disabled = L"1";
    DefEntry disabledHeader = Cmd(0, L"Window", 20);
    disabledHeader.disabled = L"1";
    disabledHeader.checked = L"1";  // a header's check flag is not used
    DefEntry separator = Sep(1);  // a separator needs no caption, id or key
    separator.id = L"";
    separator.key = L"NoSuchKey";
    MenuHolder h;
    HMENU bar = h.Build(Definition({Cmd(0, L"View", 10), checkedEntry, separator, disabledEntry, disabledHeader,
                                    Cmd(1, L"Tile", 21)}));
    ASSERT_NE(nullptr, bar);
    HMENU view = ReadItem(bar, 0).submenu;
    ASSERT_EQ(3, GetMenuItemCount(view));
    EXPECT_TRUE(ReadItem(view, 0).state & MFS_CHECKED);
    EXPECT_FALSE(ReadItem(view, 0).state & MFS_GRAYED);
    EXPECT_TRUE(ReadItem(view, 1).type & MFT_SEPARATOR);
    EXPECT_TRUE(ReadItem(view, 2).state & MFS_GRAYED);
    EXPECT_FALSE(ReadItem(view, 2).state & MFS_CHECKED);
    ItemInfo window = ReadItem(bar, 1);
    EXPECT_TRUE(window.state & MFS_GRAYED);
    EXPECT_FALSE(window.state & MFS_CHECKED);
    EXPECT_FALSE(ReadItem(window.submenu, 0).state & MFS_GRAYED);
    // Separators are not commands.
    EXPECT_EQ(std::vector<int64_t>({11, 12, 21}), h.menu->commandIds);
}

TEST(MenuBuild, LineEndsAndBlanksAreTrimmedAndIncompleteRecordsIgnored) {
    std::wstring text = Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 2, L"o", true)}, L"  \r\n\t ", L" 1 ");
    text += L"\r\n0\r\nhalf a record\r\n";  // not a complete record: ignored
    MenuHolder h;
    HMENU bar = h.Build(text);
    ASSERT_NE(nullptr, bar);
    ASSERT_EQ(1, GetMenuItemCount(bar));
    HMENU file = ReadItem(bar, 0).submenu;
    EXPECT_EQ(L"File", ReadItem(bar, 0).text);
    EXPECT_EQ(L"Open\tCtrl+O", ReadItem(file, 0).text);
    EXPECT_EQ(2u, ReadItem(file, 0).id);
}

TEST(MenuBuild, AcceleratorCaptionsAndTable) {
    MenuHolder h;
    HMENU bar = h.Build(Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 2, L"o", true),
                                    Cmd(1, L"Refresh", 3, L"F5", true, true), Cmd(1, L"Help", 4, L"f1"),
                                    Cmd(1, L"Zoom", 5, L"=", false, true), Cmd(1, L"Quit", 6, L"esc"),
                                    Cmd(1, L"Next", 7, L"pagedown", true)}));
    ASSERT_NE(nullptr, bar);
    HMENU file = ReadItem(bar, 0).submenu;
    EXPECT_EQ(L"Open\tCtrl+O", ReadItem(file, 0).text);
    EXPECT_EQ(L"Refresh\tCtrl+Shift+F5", ReadItem(file, 1).text);
    EXPECT_EQ(L"Help\tF1", ReadItem(file, 2).text);
    EXPECT_EQ(L"Zoom\tShift+=", ReadItem(file, 3).text);
    EXPECT_EQ(L"Quit\tESC", ReadItem(file, 4).text);
    EXPECT_EQ(L"Next\tCtrl+PageDown", ReadItem(file, 5).text);

    // One ACCEL per key value in ascending key order: F1 (0x70), ESC (0x1B), Ctrl+O (0x204F),
    // Ctrl+PageDown (0x2022), Shift+= (0x80BB), Ctrl+Shift+F5 (0xA074).
    std::vector<ACCEL> table = ReadAccelerators(h.menu->GetAcceleratorTable());
    ASSERT_EQ(6u, table.size());
    const struct {
        BYTE fVirt;
        WORD key;
        WORD cmd;
    } expected[] = {{3, 0x1B, 6}, {3, 0x70, 4}, {3 | 8, 0x22, 7}, {3 | 8, 0x4F, 2}, {3 | 4, 0xBB, 5}, {3 | 4 | 8, 0x74, 3}};
    for (size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].fVirt, table[i].fVirt & 0x1F);
        EXPECT_EQ(expected[i].key, table[i].key);
        EXPECT_EQ(expected[i].cmd, table[i].cmd);
    }
}

TEST(MenuBuild, KeyUsedTwiceStaysWithFirstCommand) {
    MenuHolder h;
    ASSERT_NE(nullptr, h.Build(Definition({Cmd(0, L"File", 1), Cmd(1, L"Save", 2, L"S", true), Cmd(1, L"Print", 3, L"P", true),
                                           Cmd(0, L"Other", 4), Cmd(1, L"Sort", 5, L"s", true)})));
    HMENU bar = h.menu->GetMenuBar();
    EXPECT_EQ(L"Save\tCtrl+S", ReadItem(ReadItem(bar, 0).submenu, 0).text);
    EXPECT_EQ(L"Sort\tCtrl+S", ReadItem(ReadItem(bar, 1).submenu, 0).text);
    std::vector<ACCEL> table = ReadAccelerators(h.menu->GetAcceleratorTable());
    ASSERT_EQ(2u, table.size());
    EXPECT_EQ('P', table[0].key);
    EXPECT_EQ(3, table[0].cmd);
    EXPECT_EQ('S', table[1].key);
    EXPECT_EQ(2, table[1].cmd);
}

TEST(MenuBuild, MalformedDefinitionsBuildNothing) {
    const DefEntry top = Cmd(0, L"File", 1);
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", 101)}, L"\n", L"2"));
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", 101)}, L"\n", L"x"));
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", 101)}, L"\n", L"1x"));
    ExpectNothingBuilt(L"\n0\nFile\n\n1\nn\n\n0\n0\n0\n0\n0");  // empty format line
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", 0)}));
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", 70000)}));
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", 65536)}));
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", -3)}));
    ExpectNothingBuilt(Definition({Cmd(0, L"File", 0), Cmd(1, L"Open", 101)}));  // a header is checked too
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", 101, L"Foo")}));
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", 101, L"Pad5")}));  // keypad digits have no name
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", 101, L"O", true), Cmd(-1, L"Bad", 102)}));
    // Valid popups with accelerators first, the invalid record last: nothing of them survives.
    ExpectNothingBuilt(Definition({top, Cmd(1, L"Open", 101, L"O", true), Cmd(0, L"Edit", 3),
                                   Cmd(1, L"Copy", 4, L"C", true), Cmd(1, L"Bad", 70000)}));
    ExpectNothingBuilt(Definition({top, Cmd(1, L"", 101)}));
    ExpectNothingBuilt(Definition({Sep(0), Cmd(1, L"Open", 101)}));  // separator as a header
    ExpectNothingBuilt(Definition({top, Sep(1), Cmd(2, L"Open", 101)}));  // separator heading a popup
    for (const wchar_t* badFlag : {L"2", L"", L"yes", L"01", L"true"}) {
        for (int field = 0; field < 5; ++field) {
            DefEntry e = Cmd(1, L"Open", 101);
            std::wstring* flags[] = {&e.ctrl, &e.shift, &e.separator, &e.checked, &e.disabled};
            *flags[field] = badFlag;
            ExpectNothingBuilt(Definition({top, e}));
        }
    }
}

TEST(MenuBuild, GivenDefinitionWhileBuiltKeepsMenuAndNullRebuilds) {
    MenuHolder h;
    const std::wstring first = Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 2, L"O", true)});
    HMENU bar = h.Build(first);
    ASSERT_NE(nullptr, bar);
    HACCEL accel = h.menu->GetAcceleratorTable();
    ASSERT_NE(nullptr, accel);

    // Another definition while built: the existing menu bar, unchanged.
    EXPECT_EQ(bar, h.Build(Definition({Cmd(0, L"Other", 5)})));
    EXPECT_EQ(L"File", ReadItem(bar, 0).text);
    EXPECT_EQ(first, h.menu->definition.GetText());

    // No definition: rebuilt from the stored one; the old handles are destroyed.
    HMENU rebuilt = BuildMenu(h.menu, nullptr);
    ASSERT_NE(nullptr, rebuilt);
    EXPECT_FALSE(IsMenu(bar));
    EXPECT_EQ(0, CopyAcceleratorTableW(accel, nullptr, 0));
    EXPECT_EQ(L"File", ReadItem(rebuilt, 0).text);
    EXPECT_EQ(1, h.menu->GetCommandCount());
    EXPECT_EQ(first, h.menu->definition.GetText());
    EXPECT_EQ(1u, ReadAccelerators(h.menu->GetAcceleratorTable()).size());

    // After Clear a new definition builds.
    h.menu->Clear();
    EXPECT_FALSE(h.menu->IsBuilt());
    HMENU other = h.Build(Definition({Cmd(0, L"Other", 5)}));
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(L"Other", ReadItem(other, 0).text);
}

TEST(MenuBuild, ReleasingTheLastReferenceDestroysHandles) {
    CRefQelMenu* menu = new CRefQelMenu();
    HMENU bar = BuildMenu(menu, Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 2, L"O", true)}).c_str());
    ASSERT_NE(nullptr, bar);
    HMENU popup = ReadItem(bar, 0).submenu;
    HACCEL accel = menu->GetAcceleratorTable();
    menu->AddRef();
    EXPECT_EQ(0, menu->Release());
    EXPECT_TRUE(IsMenu(bar));
    EXPECT_EQ(1, menu->Release());
    EXPECT_FALSE(IsMenu(bar));
    EXPECT_FALSE(IsMenu(popup));
    EXPECT_EQ(0, CopyAcceleratorTableW(accel, nullptr, 0));
}

TEST(MenuBuild, DetachMenuBarTakesOnlyItsOwnMenuOffAWindow) {
    MenuHolder h;
    HMENU bar = h.Build(Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 2)}));
    ASSERT_NE(nullptr, bar);
    HWND window = CreateWindowExW(0, L"STATIC", L"menu host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(SetMenu(window, bar));
    DetachMenuBar(h.menu, window);
    EXPECT_EQ(nullptr, GetMenu(window));
    DestroyWindow(window);
    // The menu bar survived the window and still belongs to the built menu.
    EXPECT_TRUE(IsMenu(bar));
    EXPECT_EQ(L"File", ReadItem(bar, 0).text);
}

// ---- menu class ------------------------------------------------------------------------------------

namespace {

// A menu class whose design text is a definition.
class DesignedMenu : public rg_CaiChanLei {
public:
    CWString& GetDesignText(CWString& text) const override {
        text.SetEmpty();
        text.Append(Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 2, L"O", true)}).c_str());
        return text;
    }
};

}  // namespace

TEST(MenuClass, BuiltMenuIsCreatedOnFirstUseFromTheDesignText) {
    rg_CaiChanLei plain;
    EXPECT_EQ(nullptr, plain.GetMenuData());
    CRefQelMenu* empty = plain.GetBuiltMenu();
    ASSERT_NE(nullptr, empty);
    EXPECT_TRUE(empty->IsBuilt());
    EXPECT_EQ(nullptr, empty->GetMenuBar());  // no design text: no menu bar
    EXPECT_EQ(empty, plain.GetBuiltMenu());

    DesignedMenu designed;
    CRefQelMenu* built = designed.GetBuiltMenu();
    ASSERT_NE(nullptr, built);
    ASSERT_NE(nullptr, built->GetMenuBar());
    EXPECT_NE(nullptr, built->GetAcceleratorTable());
    HMENU bar = built->GetMenuBar();
    EXPECT_EQ(built, designed.GetBuiltMenu());
    EXPECT_EQ(bar, built->GetMenuBar());  // built once

    rg_CaiChanLei none;
    none.SetNullObject(true);
    EXPECT_EQ(nullptr, none.GetBuiltMenu());
    EXPECT_EQ(nullptr, none.GetMenuData());
}

TEST(MenuClass, CopiesShareTheBuiltMenu) {
    DesignedMenu designed;
    CRefQelMenu* menu = designed.GetBuiltMenu();
    EXPECT_EQ(1, menu->GetRefCount());

    CQelObject* clone = designed.Clone();
    EXPECT_EQ(2, menu->GetRefCount());
    rg_CaiChanLei copy;
    EXPECT_EQ(0, copy.IsEqual(designed));
    ASSERT_EQ(1, copy.CopyFrom(designed));
    EXPECT_EQ(menu, copy.GetMenuData());
    EXPECT_EQ(3, menu->GetRefCount());
    EXPECT_EQ(1, copy.IsEqual(*clone));

    // A base-class object is not copied into a menu class.
    rg_Zarno_JiBen::rg_KeSheJiLei designable;
    EXPECT_EQ(0, copy.CopyFrom(designable));
    EXPECT_EQ(menu, copy.GetMenuData());
    EXPECT_EQ(1, designable.CopyFrom(copy));
    EXPECT_EQ(4, menu->GetRefCount());

    copy.Reset();
    EXPECT_EQ(nullptr, copy.GetMenuData());
    clone->Delete();
    designable.Reset();
    EXPECT_EQ(1, menu->GetRefCount());
    EXPECT_TRUE(designed.IsKindOf(rg_Zarno_JiBen::rg_KeSheJiLei::StaticRecord()));
    EXPECT_STREQ("rg_Zarno_MFCJieMian_JiBen::rg_CaiChanLei", designed.GetClassRecord()->name);
}

TEST(MenuClass, TemporaryOverAnExistingBuiltMenu) {
    CRefQelMenu* existing = new CRefQelMenu();
    ASSERT_NE(nullptr, BuildMenu(existing, Definition({Cmd(0, L"File", 1), Cmd(1, L"Open", 2)}).c_str()));
    {
        rg_CaiChanLei temporary(existing);
        EXPECT_EQ(2, existing->GetRefCount());
        EXPECT_EQ(existing, temporary.GetBuiltMenu());
        EXPECT_NE(nullptr, FindCommandPopup(temporary.GetBuiltMenu(), 2));
    }
    EXPECT_EQ(1, existing->GetRefCount());
    EXPECT_TRUE(IsMenu(existing->GetMenuBar()));
    existing->Release();

    // With no built menu present the temporary builds an empty one.
    rg_CaiChanLei temporary(nullptr);
    CRefQelMenu* made = temporary.GetBuiltMenu();
    ASSERT_NE(nullptr, made);
    EXPECT_TRUE(made->IsBuilt());
    EXPECT_EQ(nullptr, made->GetMenuBar());
}
