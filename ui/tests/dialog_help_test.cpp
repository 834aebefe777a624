// Help requests: the WinHelp command sent for each help command, help files resolved against the
// program's folder, missing files and parents, and the help-used mark.
//
// A window of the viewer's class "MS_WINHELP" stands in for the WinHelp viewer: WinHelpW finds it
// and hands it the request as WM_COPYDATA (a WINHELP record followed by the file name), so the test
// sees exactly what was asked without starting a viewer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/QelCommonDialog.h"

using namespace rg_Zarno_MFCJieMian_JiBen;

namespace {

struct HelpRequest {
    UINT command = 0;
    LONG data = 0;
    std::string file;
};

std::vector<HelpRequest> requests;
LRESULT viewerAnswer = 1;

#pragma pack(push, 1)
struct WinHelpRecord {
    WORD size;
    WORD command;
    LONG data;
    LONG reserved;
    WORD fileOffset;
    WORD dataOffset;
};
#pragma pack(pop)

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const COPYDATASTRUCT* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        HelpRequest request;
        if (copy->cbData >= sizeof(WinHelpRecord)) {
            WinHelpRecord record;
            std::memcpy(&record, copy->lpData, sizeof(record));
            request.command = record.command;
            request.data = record.data;
            if (record.fileOffset && record.fileOffset < copy->cbData)
                request.file = static_cast<const char*>(copy->lpData) + record.fileOffset;
        }
        requests.push_back(request);
        return viewerAnswer;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct MarkCall {
    HWND window;
    int used;
};
std::vector<MarkCall> marks;
void RecordMark(HWND window, int used) { marks.push_back({window, used}); }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring ExeFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1);
}

class HelpTest : public testing::Test {
protected:
    void SetUp() override {
        static ATOM viewerClass = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = ViewerProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"MS_WINHELP";
            return RegisterClassW(&wc);
        }();
        ASSERT_NE(0, viewerClass);
        viewer = CreateWindowExW(0, L"MS_WINHELP", L"viewer", 0, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr),
                                 nullptr);
        ASSERT_NE(nullptr, viewer);
        parent = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, parent);
        requests.clear();
        marks.clear();
        viewerAnswer = 1;
        previousHook = SetHelpMarkHook(RecordMark);

        // A help file beside the test program, one in a sub-folder, and a missing one.
        localName = L"qel_help_" + std::to_wstring(GetCurrentProcessId()) + L".hlp";
        localPath = ExeFolder() + localName;
        CloseHandle(CreateFileW(localPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(localPath.c_str()));
        dialog.dialogKind = rg_TongYongDuiHuaKuang::kHelp;
    }
    void TearDown() override {
        SetHelpMarkHook(previousHook);
        DeleteFileW(localPath.c_str());
        DestroyWindow(parent);
        DestroyWindow(viewer);
    }

    int Request(int command, const std::wstring& file, int context = 0) {
        dialog.helpCommand = command;
        dialog.helpFile.SetEmpty();
        dialog.helpFile.Append(file.c_str());
        dialog.helpContext = context;
        return dialog.ShowDialog(parent);
    }

    rg_TongYongDuiHuaKuang dialog;
    HWND viewer = nullptr;
    HWND parent = nullptr;
    std::wstring localName;
    std::wstring localPath;
    QelHelpMarkHook previousHook = nullptr;
};

}  // namespace

TEST_F(HelpTest, CommandsWithAFileSendTheirWinHelpCommand) {
    const struct {
        int command;
        int context;
        UINT sent;
        LONG data;
    } cases[] = {
        {0, 0, HELP_FINDER, 0},          {0, 55, HELP_FINDER, 0},
        {1, 77, HELP_CONTEXT, 77},       {1, 0, HELP_FINDER, 0},
        {2, 88, HELP_CONTEXTPOPUP, 88},  {2, 0, HELP_FINDER, 0},
        {3, 0, HELP_FORCEFILE, 0},       {3, 9, HELP_FORCEFILE, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command << " context " << c.context);
        requests.clear();
        marks.clear();
        EXPECT_EQ(1, Request(c.command, localPath, c.context));
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ(c.sent, requests[0].command);
        EXPECT_EQ(c.data, requests[0].data);
        EXPECT_EQ(Narrow(localPath), requests[0].file);
        ASSERT_EQ(1u, marks.size());
        EXPECT_EQ(parent, marks[0].window);
        EXPECT_EQ(1, marks[0].used);
    }
}

TEST_F(HelpTest, RelativeFilesAreTakenFromTheProgramsFolder) {
    EXPECT_EQ(1, Request(0, localName));
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(Narrow(localPath), requests[0].file);

    requests.clear();
    EXPECT_EQ(1, Request(1, L"sub\\.\\..\\" + localName, 12));
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(Narrow(localPath), requests[0].file);
    EXPECT_EQ(12, requests[0].data);
}

TEST_F(HelpTest, MissingOrEmptyFilesAndMissingParentsAskForNothing) {
    EXPECT_EQ(0, Request(0, L"no_such_help_file.hlp"));
    EXPECT_EQ(0, Request(1, ExeFolder() + L"no_such_help_file.hlp", 5));
    EXPECT_EQ(0, Request(0, L""));
    EXPECT_EQ(0, Request(7, L"no_such_help_file.hlp"));
    dialog.helpCommand = 0;
    dialog.helpFile.SetEmpty();
    dialog.helpFile.Append(localPath.c_str());
    EXPECT_EQ(0, dialog.ShowDialog(nullptr));
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(marks.empty());
}

TEST_F(HelpTest, UnknownCommandWithAnExistingFileShowsNothing) {
    EXPECT_EQ(1, Request(7, localPath));
    EXPECT_EQ(1, Request(-1, localName));
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(marks.empty());
}

TEST_F(HelpTest, HelpOnHelpAndQuitNeedNoFile) {
    EXPECT_EQ(1, Request(4, L""));
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(static_cast<UINT>(HELP_HELPONHELP), requests[0].command);
    EXPECT_TRUE(requests[0].file.empty());
    ASSERT_EQ(1u, marks.size());
    EXPECT_EQ(1, marks[0].used);

    EXPECT_EQ(1, Request(5, L"no_such_help_file.hlp"));
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ(static_cast<UINT>(HELP_QUIT), requests[1].command);
    ASSERT_EQ(2u, marks.size());
    EXPECT_EQ(parent, marks[1].window);
    EXPECT_EQ(0, marks[1].used);
}

TEST_F(HelpTest, RefusedRequestIsNotReportedAsMade) {
    viewerAnswer = 0;
    EXPECT_EQ(0, Request(1, localPath, 3));
    EXPECT_EQ(1u, requests.size());
    // The viewer may have started: the form still sends it HELP_QUIT later.
    ASSERT_EQ(1u, marks.size());
    EXPECT_EQ(1, marks[0].used);
}
