// The open and save dialogs, driven through the real system dialogs: filter conversion and filter
// index, the chosen path, cancelling, the flag rules, and the shared dialog the printer uses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/QelCommonDialog.h"
#include "ui/tests/dialog_driver.h"

using namespace rg_Zarno_MFCJieMian_JiBen;
using namespace dialog_test;

namespace {

constexpr int kFileNameCombo = 0x47C;  // cmb13
constexpr int kFileNameEdit = 0x480;   // edt1
constexpr int kTypeCombo = 0x470;      // cmb1
constexpr int kReadOnlyBox = 0x410;    // chx1

// The edit control that takes the typed file name.
HWND FileNameEdit(HWND dialog) {
    HWND control = GetDlgItem(dialog, kFileNameCombo);
    if (!control) control = GetDlgItem(dialog, kFileNameEdit);
    if (!control || ClassOf(control) == L"Edit") return control;
    HWND edit = nullptr;
    EnumChildWindows(
        control,
        [](HWND child, LPARAM param) -> BOOL {
            if (ClassOf(child) != L"Edit") return TRUE;
            *reinterpret_cast<HWND*>(param) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&edit));
    return edit;
}

void TypeFileName(HWND dialog, const std::wstring& name) {
    SendMessageW(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

std::vector<std::wstring> TypeComboItems(HWND dialog) {
    HWND combo = GetDlgItem(dialog, kTypeCombo);
    std::vector<std::wstring> items;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) < 255)
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

int TypeComboSelection(HWND dialog) {
    return static_cast<int>(SendMessageW(GetDlgItem(dialog, kTypeCombo), CB_GETCURSEL, 0, 0));
}

std::wstring CurrentDirectory() {
    wchar_t dir[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, dir);
    return dir;
}

// A scratch folder with one existing file, removed afterwards.
class FileDialogTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
        folder = std::wstring(temp) + L"qel_dialog_test_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder.c_str(), nullptr);
        existing = folder + L"\\existing.txt";
        HANDLE file = CreateFileW(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        CloseHandle(file);
        savedDirectory = CurrentDirectory();
    }
    void TearDown() override {
        SetCurrentDirectoryW(savedDirectory.c_str());
        DeleteFileW(existing.c_str());
        DeleteFileW((folder + L"\\out.png").c_str());
        RemoveDirectoryW(folder.c_str());
    }

    // Shows the dialog while the action answers it; the dialog must have been seen and closed.
    int Show(rg_TongYongDuiHuaKuang& dialog, std::function<void(HWND)> action) {
        DialogDriver driver([&](HWND d, DWORD) { action(d); });
        const int result = dialog.ShowDialog(nullptr);
        driver.Join();
        EXPECT_TRUE(driver.found);
        EXPECT_FALSE(driver.leftOpen);
        return result;
    }

    std::wstring folder;
    std::wstring existing;
    std::wstring savedDirectory;
};

}  // namespace

TEST_F(FileDialogTest, FilterIsConvertedWithItsIndex) {
    rg_TongYongDuiHuaKuang dialog;
    dialog.filter.Append(L"Text (*.txt)|*.txt|Pictures|*.png;*.bmp");  // no closing "||"
    dialog.filterIndex = 1;
    std::vector<std::wstring> items;
    int selection = -2;
    EXPECT_EQ(0, Show(dialog, [&](HWND d) {
                  items = TypeComboItems(d);
                  selection = TypeComboSelection(d);
                  Click(d, IDCANCEL);
              }));
    EXPECT_EQ(std::vector<std::wstring>({L"Text (*.txt)", L"Pictures"}), items);
    EXPECT_EQ(1, selection);

    // Closing bars followed by blanks and a line break: no empty third entry.
    dialog.filter.SetEmpty();
    dialog.filter.Append(L"Text (*.txt)|*.txt|All|*.*||  \r\n");
    dialog.filterIndex = 0;
    EXPECT_EQ(0, Show(dialog, [&](HWND d) {
                  items = TypeComboItems(d);
                  selection = TypeComboSelection(d);
                  Click(d, IDCANCEL);
              }));
    EXPECT_EQ(std::vector<std::wstring>({L"Text (*.txt)", L"All"}), items);
    EXPECT_EQ(0, selection);

    // A negative index preselects the first filter too.
    dialog.filterIndex = -5;
    EXPECT_EQ(0, Show(dialog, [&](HWND d) {
                  selection = TypeComboSelection(d);
                  Click(d, IDCANCEL);
              }));
    EXPECT_EQ(0, selection);

    // No filter (blanks only): no types listed.
    dialog.filter.SetEmpty();
    dialog.filter.Append(L" \t\r\n");
    dialog.filterIndex = 1;
    EXPECT_EQ(0, Show(dialog, [&](HWND d) {
                  items = TypeComboItems(d);
                  Click(d, IDCANCEL);
              }));
    EXPECT_TRUE(items.empty());
}

TEST_F(FileDialogTest, OpenDialogGivesTheChosenFullPath) {
    rg_TongYongDuiHuaKuang dialog;
    dialog.dialogKind = rg_TongYongDuiHuaKuang::kOpenFile;
    dialog.title.Append(L"Pick a file \x6587\x4EF6");
    dialog.initialDirectory.Append(folder.c_str());
    dialog.fileName.Append(L"start.txt");
    dialog.fileMustExist = 1;
    std::wstring caption, initialName;
    bool readOnlyShown = true;
    EXPECT_EQ(1, Show(dialog, [&](HWND d) {
                  caption = TextOf(d);
                  initialName = TextOf(FileNameEdit(d));
                  readOnlyShown = IsWindowVisible(GetDlgItem(d, kReadOnlyBox)) != FALSE;
                  TypeFileName(d, L"existing.txt");  // relative to the initial folder
                  Click(d, IDOK);
              }));
    EXPECT_EQ(L"Pick a file \x6587\x4EF6", caption);
    EXPECT_EQ(L"start.txt", initialName);
    EXPECT_FALSE(readOnlyShown);  // OFN_HIDEREADONLY is always set
    EXPECT_EQ(existing, dialog.fileName.GetText());
}

TEST_F(FileDialogTest, CancelKeepsThePreviousFileName) {
    rg_TongYongDuiHuaKuang dialog;
    dialog.fileName.Append(L"C:\\before.txt");
    rg_TongYongDuiHuaKuang before(dialog);
    EXPECT_EQ(0, Show(dialog, [&](HWND d) {
                  TypeFileName(d, existing);
                  Click(d, IDCANCEL);
              }));
    EXPECT_EQ(1, dialog.IsEqual(before));
}

TEST_F(FileDialogTest, SaveDialogAppendsTheDefaultExtension) {
    rg_TongYongDuiHuaKuang dialog;
    dialog.dialogKind = rg_TongYongDuiHuaKuang::kSaveFile;
    dialog.defaultExtension.Append(L"png");
    dialog.filter.Append(L"PNG|*.png");
    dialog.initialDirectory.Append(folder.c_str());
    EXPECT_EQ(1, Show(dialog, [&](HWND d) {
                  TypeFileName(d, L"out");
                  Click(d, IDOK);
              }));
    EXPECT_EQ(folder + L"\\out.png", dialog.fileName.GetText());
}

TEST_F(FileDialogTest, NegativeKindShowsTheSaveDialog) {
    // The open and save dialogs differ in their OK button; compare against both in this run.
    auto okText = [&](int kind) {
        rg_TongYongDuiHuaKuang dialog;
        dialog.dialogKind = kind;
        std::wstring text;
        Show(dialog, [&](HWND d) {
            text = TextOf(GetDlgItem(d, IDOK));
            Click(d, IDCANCEL);
        });
        return text;
    };
    const std::wstring open = okText(0);
    const std::wstring save = okText(1);
    ASSERT_NE(open, save);
    EXPECT_EQ(save, okText(-1));
}

TEST_F(FileDialogTest, FileMustExistRefusesAMissingFile) {
    rg_TongYongDuiHuaKuang dialog;
    dialog.fileMustExist = 1;
    dialog.fileName.Append(L"C:\\before.txt");
    bool refused = false;
    EXPECT_EQ(0, Show(dialog, [&](HWND d) {
                  TypeFileName(d, folder + L"\\missing.txt");
                  Click(d, IDOK);
                  // The dialog answers with a message box and stays open.
                  HWND box = WaitForDialog(GetWindowThreadProcessId(d, nullptr), d, 5000);
                  refused = box != nullptr && IsWindow(d);
                  if (box) {
                      Click(box, IDOK);
                      WaitGone(box);
                  }
                  Click(d, IDCANCEL);
              }));
    EXPECT_TRUE(refused);
    EXPECT_STREQ(L"C:\\before.txt", dialog.fileName.GetText());
}

TEST_F(FileDialogTest, OverwritePromptAsksBeforeReplacing) {
    rg_TongYongDuiHuaKuang dialog;
    dialog.dialogKind = rg_TongYongDuiHuaKuang::kSaveFile;
    dialog.overwritePrompt = 1;
    bool asked = false;
    EXPECT_EQ(1, Show(dialog, [&](HWND d) {
                  TypeFileName(d, existing);
                  Click(d, IDOK);
                  HWND box = WaitForDialog(GetWindowThreadProcessId(d, nullptr), d, 5000);
                  asked = box != nullptr;
                  if (box) Click(box, IDYES);
              }));
    EXPECT_TRUE(asked);
    EXPECT_EQ(existing, dialog.fileName.GetText());

    // Without the flag the existing file is taken at once.
    dialog.overwritePrompt = 0;
    dialog.fileName.SetEmpty();
    EXPECT_EQ(1, Show(dialog, [&](HWND d) {
                  TypeFileName(d, existing);
                  Click(d, IDOK);
              }));
    EXPECT_EQ(existing, dialog.fileName.GetText());
}

TEST_F(FileDialogTest, KeepCurrentDirectoryLeavesItAlone) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    ASSERT_TRUE(SetCurrentDirectoryW(windows));
    const std::wstring before = CurrentDirectory();
    rg_TongYongDuiHuaKuang dialog;
    dialog.keepCurrentDirectory = 1;
    dialog.initialDirectory.Append(folder.c_str());
    EXPECT_EQ(1, Show(dialog, [&](HWND d) {
                  TypeFileName(d, existing);
                  Click(d, IDOK);
              }));
    EXPECT_EQ(existing, dialog.fileName.GetText());
    EXPECT_EQ(before, CurrentDirectory());
}

TEST_F(FileDialogTest, SharedDialogWithThePrintersSettings) {
    // The print-to-file dialog: save, "prn", "output.prn", overwrite prompt, two filters, a title.
    QelFileDialogRequest request;
    request.openDialog = false;
    request.defaultExtension = L"prn";
    request.fileName = L"output.prn";
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    request.filter = L"\x6253\x5370\x8F93\x51FA\x6587\x4EF6 (*.prn)|*.prn|\x6240\x6709\x6587\x4EF6 (*.*)|*.*||";
    request.filterIndex = 1;
    request.title = L"\x6253\x5370\x5230\x6587\x4EF6";
    request.initialDirectory = folder.c_str();

    CWString path;
    std::wstring caption, initialName;
    std::vector<std::wstring> items;
    DialogDriver driver([&](HWND d, DWORD) {
        caption = TextOf(d);
        initialName = TextOf(FileNameEdit(d));
        items = TypeComboItems(d);
        TypeFileName(d, L"job");
        Click(d, IDOK);
    });
    EXPECT_EQ(1, ShowFileDialog(request, path));
    driver.Join();
    ASSERT_TRUE(driver.found);
    EXPECT_EQ(L"\x6253\x5370\x5230\x6587\x4EF6", caption);
    EXPECT_EQ(L"output.prn", initialName);
    EXPECT_EQ(std::vector<std::wstring>({L"\x6253\x5370\x8F93\x51FA\x6587\x4EF6 (*.prn)",
                                         L"\x6240\x6709\x6587\x4EF6 (*.*)"}),
              items);
    EXPECT_EQ(folder + L"\\job.prn", path.GetText());

    // Cancelled: 0 and the path untouched.
    DialogDriver cancel([&](HWND d, DWORD) { Click(d, IDCANCEL); });
    EXPECT_EQ(0, ShowFileDialog(request, path));
    cancel.Join();
    EXPECT_EQ(folder + L"\\job.prn", path.GetText());
}

TEST_F(FileDialogTest, LongInitialNameIsTakenWhole) {
    // An initial name far longer than MAX_PATH neither overruns nor is refused.
    QelFileDialogRequest request;
    request.openDialog = false;
    const std::wstring longName(1000, L'n');
    request.fileName = longName.c_str();
    request.initialDirectory = folder.c_str();
    CWString path;
    size_t shownLength = 0;
    DialogDriver driver([&](HWND d, DWORD) {
        shownLength = TextOf(FileNameEdit(d)).size();
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(0, ShowFileDialog(request, path));
    driver.Join();
    ASSERT_TRUE(driver.found);
    EXPECT_EQ(longName.size(), shownLength);
}
