// The common dialog object's settings and standard operations, and the filter conversion.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/QelCommonDialog.h"

using namespace rg_Zarno_MFCJieMian_JiBen;

namespace {

// Every setting set to a value other than its default.
void FillSettings(rg_TongYongDuiHuaKuang& d) {
    d.dialogKind = 2;
    d.title.Append(L"Title");
    d.fileName.Append(L"C:\\x\\a.png");
    d.filter.Append(L"Pictures|*.png");
    d.filterIndex = 1;
    d.initialDirectory.Append(L"C:\\x");
    d.defaultExtension.Append(L"png");
    d.createPrompt = 1;
    d.fileMustExist = 1;
    d.overwritePrompt = 1;
    d.pathMustExist = 1;
    d.keepCurrentDirectory = 1;
    d.fontColor = RGB(1, 2, 3);
    d.bold = d.italic = d.strikeout = d.underline = 1;
    d.fontName.Append(L"Tahoma");
    d.fontSize = 9;
    d.helpFile.Append(L"app.hlp");
    d.helpCommand = 2;
    d.helpContext = 42;
}

// One change per setting, each making an otherwise equal object differ.
std::vector<std::function<void(rg_TongYongDuiHuaKuang&)>> SettingChanges() {
    return {
        [](rg_TongYongDuiHuaKuang& d) { d.dialogKind = 1; },
        [](rg_TongYongDuiHuaKuang& d) { d.title.Append(L"!"); },
        [](rg_TongYongDuiHuaKuang& d) { d.fileName.SetEmpty(); d.fileName.Append(L"C:\\X\\A.PNG"); },
        [](rg_TongYongDuiHuaKuang& d) { d.filter.Append(L"|"); },
        [](rg_TongYongDuiHuaKuang& d) { d.filterIndex = 0; },
        [](rg_TongYongDuiHuaKuang& d) { d.initialDirectory.SetEmpty(); },
        [](rg_TongYongDuiHuaKuang& d) { d.defaultExtension.SetEmpty(); d.defaultExtension.Append(L"PNG"); },
        [](rg_TongYongDuiHuaKuang& d) { d.createPrompt = 0; },
        [](rg_TongYongDuiHuaKuang& d) { d.fileMustExist = 0; },
        [](rg_TongYongDuiHuaKuang& d) { d.overwritePrompt = 0; },
        [](rg_TongYongDuiHuaKuang& d) { d.pathMustExist = 0; },
        [](rg_TongYongDuiHuaKuang& d) { d.keepCurrentDirectory = 0; },
        [](rg_TongYongDuiHuaKuang& d) { d.fontColor = RGB(3, 2, 1); },
        [](rg_TongYongDuiHuaKuang& d) { d.bold = 0; },
        [](rg_TongYongDuiHuaKuang& d) { d.italic = 0; },
        [](rg_TongYongDuiHuaKuang& d) { d.strikeout = 0; },
        [](rg_TongYongDuiHuaKuang& d) { d.underline = 0; },
        [](rg_TongYongDuiHuaKuang& d) { d.fontName.SetEmpty(); d.fontName.Append(L"tahoma"); },
        [](rg_TongYongDuiHuaKuang& d) { d.fontSize = 10; },
        [](rg_TongYongDuiHuaKuang& d) { d.helpFile.Append(L"x"); },
        [](rg_TongYongDuiHuaKuang& d) { d.helpCommand = 3; },
        [](rg_TongYongDuiHuaKuang& d) { d.helpContext = 43; },
        [](rg_TongYongDuiHuaKuang& d) { d.objectWord = 7; },
        [](rg_TongYongDuiHuaKuang& d) { d.SetNullObject(true); },
    };
}

void ExpectDefaults(const rg_TongYongDuiHuaKuang& d) {
    rg_TongYongDuiHuaKuang fresh;
    EXPECT_EQ(1, d.IsEqual(fresh));
    EXPECT_EQ(0, d.dialogKind);
    EXPECT_EQ(0, d.title.GetLength());
    EXPECT_EQ(0, d.fileName.GetLength());
    EXPECT_EQ(0, d.fontName.GetLength());
    EXPECT_EQ(0, d.fontSize);
    EXPECT_EQ(0u, d.fontColor);
}

std::wstring Units(const CQelMem& list) {
    return std::wstring(reinterpret_cast<const wchar_t*>(list.data), static_cast<size_t>(list.size) / sizeof(wchar_t));
}

}  // namespace

TEST(DialogObject, DefaultsAndClassName) {
    rg_TongYongDuiHuaKuang d;
    ExpectDefaults(d);
    EXPECT_EQ(0, d.filterIndex);
    EXPECT_EQ(0, d.helpCommand);
    EXPECT_STREQ("rg_Zarno_MFCJieMian_JiBen::rg_TongYongDuiHuaKuang", d.GetClassRecord()->name);
}

TEST(DialogObject, EqualityComparesEverySettingCaseSensitively) {
    rg_TongYongDuiHuaKuang base;
    FillSettings(base);
    const auto changes = SettingChanges();
    for (size_t i = 0; i < changes.size(); ++i) {
        SCOPED_TRACE(i);
        rg_TongYongDuiHuaKuang other;
        FillSettings(other);
        EXPECT_EQ(1, other.IsEqual(base));
        changes[i](other);
        EXPECT_EQ(0, other.IsEqual(base));
        EXPECT_EQ(0, base.IsEqual(other));
    }
    CQelObject plain;
    EXPECT_EQ(0, base.IsEqual(plain));
}

TEST(DialogObject, CloneCopyFromAndResetTransferEverySetting) {
    rg_TongYongDuiHuaKuang source;
    FillSettings(source);
    source.objectWord = 5;

    CQelObject* clone = source.Clone();
    EXPECT_EQ(1, clone->IsEqual(source));
    clone->Delete();

    rg_TongYongDuiHuaKuang target;
    ASSERT_EQ(1, target.CopyFrom(source));
    EXPECT_EQ(1, target.IsEqual(source));
    EXPECT_STREQ(L"Tahoma", target.fontName.GetText());
    EXPECT_EQ(42, target.helpContext);
    // The copy's texts are its own.
    source.title.Append(L" changed");
    EXPECT_STREQ(L"Title", target.title.GetText());

    CQelObject plain;
    EXPECT_EQ(0, target.CopyFrom(plain));
    EXPECT_EQ(42, target.helpContext);

    target.Reset();
    ExpectDefaults(target);
    EXPECT_EQ(0u, target.objectWord);
}

TEST(DialogObject, KindsThatShowNothing) {
    rg_TongYongDuiHuaKuang d;
    d.dialogKind = 4;
    EXPECT_EQ(0, d.ShowDialog(nullptr));
    d.dialogKind = 1000;
    EXPECT_EQ(0, d.ShowDialog(nullptr));
    // Help requests need a parent window.
    d.dialogKind = 3;
    d.helpCommand = 5;
    EXPECT_EQ(0, d.ShowDialog(nullptr));
    EXPECT_EQ(0, d.ShowDialog(reinterpret_cast<HWND>(static_cast<intptr_t>(0x7FFF0))));  // no such window
}

TEST(DialogFilter, BarsBecomeZerosWithClosingEmptyText) {
    CQelMem list;
    ConvertDialogFilter(L"Pictures (*.png)|*.png;*.bmp|All|*.*||", list);
    EXPECT_EQ(std::wstring(L"Pictures (*.png)\0*.png;*.bmp\0All\0*.*\0\0\0", 39), Units(list));
    ConvertDialogFilter(L"", list);
    EXPECT_EQ(0, list.size);
    ConvertDialogFilter(nullptr, list);
    EXPECT_EQ(0, list.size);
    // A filter without its closing bars still ends with a zero.
    ConvertDialogFilter(L"A|*.a", list);
    EXPECT_EQ(std::wstring(L"A\0*.a\0", 6), Units(list));
}
