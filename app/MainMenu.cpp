#include "app/MainMenu.h"

namespace rg_Zarno_YangLi {

namespace {
constexpr int32_t kSeparator = 0;
}

const MainMenuEntry kMainMenuEntries[] = {
    {0, L"文件(&F)", 9001, L"", false, false},
    {1, L"打开(&O)…", kCmdOpen, L"O", true, false},
    {1, L"保存(&S)", kCmdSave, L"S", true, false},
    {1, L"另存为(&A)…", kCmdSaveAs, L"S", true, true},
    {1, L"", kSeparator, L"", false, false},
    {1, L"打印(&P)…", kCmdPrint, L"P", true, false},
    {1, L"", kSeparator, L"", false, false},
    {1, L"退出(&X)", kCmdExit, L"", false, false},
    {0, L"视图(&V)", 9002, L"", false, false},
    {1, L"适合窗口", kCmdFitWindow, L"0", true, false},
    {1, L"实际大小", kCmdActualSize, L"1", true, false},
    {1, L"", kSeparator, L"", false, false},
    {1, L"放大", kCmdZoomIn, L"=", true, false},
    {1, L"缩小", kCmdZoomOut, L"-", true, false},
    {0, L"图片(&I)", 9003, L"", false, false},
    {1, L"向左旋转", kCmdRotateLeft, L"L", true, false},
    {1, L"向右旋转", kCmdRotateRight, L"R", true, false},
    {1, L"", kSeparator, L"", false, false},
    {1, L"一键白底", kCmdCleanPage, L"B", true, true},
    {1, L"拉正页面", kCmdStraightenPage, L"K", true, true},
    {1, L"", kSeparator, L"", false, false},
    {1, L"恢复原图", kCmdRestoreOriginal, L"", false, false},
    {0, L"帮助(&H)", 9004, L"", false, false},
    {1, L"关于", kCmdAbout, L"", false, false},
};
const int32_t kMainMenuEntryCount = static_cast<int32_t>(sizeof kMainMenuEntries / sizeof kMainMenuEntries[0]);

CWString MainMenuDefinition() {
    CWString text;
    text.Append(L"1\n");
    for (int32_t i = 0; i < kMainMenuEntryCount; ++i) {
        const MainMenuEntry& e = kMainMenuEntries[i];
        const bool separator = e.id == kSeparator;
        CWString record;
        // level, caption, (unused), id, name, key, Ctrl, Shift, separator, checked, disabled
        record.Format(L"%d\n%ls\n\n%d\nmenu%d\n%ls\n%d\n%d\n%d\n0\n0\n", e.level, e.caption, separator ? 0 : e.id,
                      separator ? 0 : e.id, e.key, e.ctrl ? 1 : 0, e.shift ? 1 : 0, separator ? 1 : 0);
        text.Append(record.GetText());
    }
    return text;
}

}  // namespace rg_Zarno_YangLi
