// Application shell: idle forwarding, pre-translation, start-up through the class record, exit and
// the exception guard with its message boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "runtime/AppInstance.h"
#include "app/MfcApp.h"
#include "runtime/QelException.h"

using rg_Zarno_JiBen::rg_ChengXuLei;
using rg_Zarno_JiBen::rg_ChuangKouChengXuLei;

namespace {

struct Calls {
    std::vector<uint32_t> idle;
    int filters = 0;
    int exits = 0;
    int destroyed = 0;
    int32_t filterResult = 1;
    int32_t idleResult = 1;
};
Calls g_calls;

class TestWindowedProgram : public rg_ChuangKouChengXuLei {
    QEL_OBJECT_CLASS(TestWindowedProgram, rg_ChuangKouChengXuLei, "test::TestWindowedProgram")
public:
    TestWindowedProgram() = default;
    ~TestWindowedProgram() override { ++g_calls.destroyed; }
    int32_t FilterMessage(HWND, uint32_t, WPARAM, LPARAM, MSG*) override {
        ++g_calls.filters;
        return g_calls.filterResult;
    }
    int32_t OnIdleTime(uint32_t elapsed) override {
        g_calls.idle.push_back(elapsed);
        return g_calls.idleResult;
    }
    void OnExitProgram() override { ++g_calls.exits; }
};

class TestPlainProgram : public rg_ChengXuLei {
    QEL_OBJECT_CLASS(TestPlainProgram, rg_ChengXuLei, "test::TestPlainProgram")
public:
    TestPlainProgram() = default;
};

// Scripted base idle work and tick count.
class ScriptedApp : public CQelMFCApp {
public:
    explicit ScriptedApp(const ClassRecord* (*record)()) : CQelMFCApp(record) { tickSource = &Tick; }
    BOOL BaseOnIdle(LONG count) override {
        baseCounts.push_back(count);
        return count < busyUntil;
    }
    static DWORD Tick() { return ticks; }
    std::vector<LONG> baseCounts;
    LONG busyUntil = 1;  // the class layer's own idle work wants counts 0 only
    static DWORD ticks;
};
DWORD ScriptedApp::ticks = 0;

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { g_calls = Calls{}; }
    void TearDown() override { GetAppInstance()->DeleteProgram(); }
};

TEST_F(ShellTest, IdleHookStartsAtCountTwoWithElapsedTicks) {
    ScriptedApp app(&TestWindowedProgram::StaticRecord);
    auto* program = new TestWindowedProgram();
    app.windowedProgram = program;
    ScriptedApp::ticks = 1000;
    EXPECT_TRUE(app.OnIdle(0));  // base busy
    ScriptedApp::ticks = 1100;
    EXPECT_TRUE(app.OnIdle(1));  // base reports it is done
    EXPECT_TRUE(g_calls.idle.empty());
    ScriptedApp::ticks = 1250;
    EXPECT_TRUE(app.OnIdle(2));
    ASSERT_EQ(g_calls.idle.size(), 1u);
    EXPECT_EQ(g_calls.idle[0], 250u);
    g_calls.idleResult = 0;  // the hook's 0 ends the idle period
    ScriptedApp::ticks = 1300;
    EXPECT_FALSE(app.OnIdle(3));
    EXPECT_EQ(g_calls.idle.back(), 300u);
    EXPECT_EQ(app.baseCounts, (std::vector<LONG>{0, 1}));
}

TEST_F(ShellTest, BaseDoneAtCountZeroStillFirstCallsTheHookAtCountTwo) {
    ScriptedApp app(&TestWindowedProgram::StaticRecord);
    app.busyUntil = 0;
    auto* program = new TestWindowedProgram();
    app.windowedProgram = program;
    ScriptedApp::ticks = 5;
    EXPECT_TRUE(app.OnIdle(0));
    EXPECT_TRUE(app.OnIdle(1));
    EXPECT_TRUE(g_calls.idle.empty());
    EXPECT_TRUE(app.OnIdle(2));
    EXPECT_EQ(g_calls.idle.size(), 1u);
    EXPECT_EQ(app.baseCounts, (std::vector<LONG>{0}));
    // A new idle period restarts the base work and the clock.
    ScriptedApp::ticks = 100;
    EXPECT_TRUE(app.OnIdle(0));
    EXPECT_EQ(app.baseCounts, (std::vector<LONG>{0, 0}));
}

TEST_F(ShellTest, ElapsedTimeSurvivesTickCountWrapAround) {
    ScriptedApp app(&TestWindowedProgram::StaticRecord);
    app.windowedProgram = new TestWindowedProgram();
    ScriptedApp::ticks = 0xFFFFFFF0u;
    app.OnIdle(0);
    app.OnIdle(1);
    ScriptedApp::ticks = 0x10;
    app.OnIdle(2);
    ASSERT_EQ(g_calls.idle.size(), 1u);
    EXPECT_EQ(g_calls.idle[0], 0x20u);
}

TEST_F(ShellTest, WithoutWindowedProgramIdleAndPreTranslationAreTheBaseBehaviour) {
    ScriptedApp app(&TestPlainProgram::StaticRecord);
    new TestPlainProgram();
    EXPECT_TRUE(app.OnIdle(0));
    EXPECT_FALSE(app.OnIdle(1));
    EXPECT_EQ(app.baseCounts, (std::vector<LONG>{0, 1}));
    MSG msg{};
    msg.message = WM_USER;
    EXPECT_FALSE(app.PreTranslateMessage(&msg));
    EXPECT_EQ(g_calls.filters, 0);
}

TEST_F(ShellTest, FilterResultZeroConsumesTheMessage) {
    ScriptedApp app(&TestWindowedProgram::StaticRecord);
    app.windowedProgram = new TestWindowedProgram();
    MSG msg{};
    msg.message = WM_KEYDOWN;
    g_calls.filterResult = 1;
    EXPECT_FALSE(app.PreTranslateMessage(&msg));
    g_calls.filterResult = 0;
    EXPECT_TRUE(app.PreTranslateMessage(&msg));
    EXPECT_EQ(g_calls.filters, 2);
}

TEST_F(ShellTest, InitInstanceCreatesTheProgramThroughItsRecordAndExitDeletesIt) {
    {
        ScriptedApp app(&TestWindowedProgram::StaticRecord);
        // The program creates no main window, so InitInstance answers FALSE.
        EXPECT_FALSE(app.InitInstance());
        CQelObject* program = GetAppInstance()->currentProgram;
        ASSERT_NE(program, nullptr);
        EXPECT_EQ(program->GetClassRecord(), TestWindowedProgram::StaticRecord());
        EXPECT_EQ(app.windowedProgram, program);
        EXPECT_TRUE(GetAppInstance()->comInitialised);
        app.ExitInstance();
        EXPECT_EQ(g_calls.exits, 1);
        EXPECT_EQ(g_calls.destroyed, 1);
        EXPECT_EQ(GetAppInstance()->currentProgram, nullptr);
    }
    {
        ScriptedApp app(&TestPlainProgram::StaticRecord);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.windowedProgram, nullptr);  // a program, but not a windowed one
        app.ExitInstance();
        EXPECT_EQ(g_calls.exits, 1);  // no exit hook for a plain program
        EXPECT_EQ(GetAppInstance()->currentProgram, nullptr);
    }
}

TEST(ShellDeathTest, ProgramRecordOfAnotherKindEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            CQelMFCApp app(&CQelObject::StaticRecord);
            app.InitInstance();
        },
        ::testing::ExitedWithCode(-1), "");
}

// Finds the message box of this process from a second thread, checks caption and text, presses OK.
void AnswerMessageBox(const std::wstring& expectedCaption, const std::wstring& expectedText) {
    std::thread([=] {
        DWORD pid = GetCurrentProcessId();
        for (int i = 0; i < 500; ++i) {
            HWND found = nullptr;
            for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w;
                 w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == pid && IsWindowVisible(w)) found = w;
            }
            if (found) {
                wchar_t caption[256] = {}, text[512] = {};
                GetWindowTextW(found, caption, 256);
                GetDlgItemTextW(found, 0xFFFF, text, 512);
                bool ok = expectedCaption == caption && expectedText == text;
                fprintf(stderr, ok ? "MESSAGE-BOX-MATCHED\n" : "MESSAGE-BOX-DIFFERS\n");
                fflush(stderr);
                PostMessageW(found, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(20);
        }
        fprintf(stderr, "NO-MESSAGE-BOX\n");
        fflush(stderr);
        ExitProcess(3);
    }).detach();
}

class ThrowingProgram : public rg_ChengXuLei {
    QEL_OBJECT_CLASS(ThrowingProgram, rg_ChengXuLei, "test::ThrowingProgram")
public:
    ThrowingProgram() = default;
    int32_t Run() override {
        if (kind == 0) throw CQelException(42, L"图片无法读取");
        if (kind == 1) throw 7;
        return 5;
    }
    static int kind;
};
int ThrowingProgram::kind = 0;

TEST(ShellDeathTest, RuntimeExceptionIsReportedWithCodeAndDescriptionThenExitsMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ThrowingProgram::kind = 0;
            new ThrowingProgram();
            AnswerMessageBox(L"运行时异常", L"俘获到异常,代码值为: 42, 描述为: 图片无法读取");
            RunGuarded();
        },
        ::testing::ExitedWithCode(-1), "MESSAGE-BOX-MATCHED");
}

TEST(ShellDeathTest, AnyOtherExceptionIsReportedWithTheFixedTextThenExitsMinusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ThrowingProgram::kind = 1;
            new ThrowingProgram();
            AnswerMessageBox(L"运行时异常", L"程序在运行时抛出了未被管理的异常");
            RunGuarded();
        },
        ::testing::ExitedWithCode(-1), "MESSAGE-BOX-MATCHED");
}

TEST_F(ShellTest, ProgramHandsOutTheEightBasicValueClassRecordsInOrder) {
    auto* program = new TestPlainProgram();
    const ClassRecord* const* table = program->GetBasicClassTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table, program->GetBasicClassTable());  // built once
    const char* names[] = {"rg_ZiJieLei", "rg_DuanZhengShuLei", "rg_ZiFuLei", "rg_ZhengShuLei",
                           "rg_BianZhengShuLei", "rg_ChangZhengShuLei", "rg_XiaoShuLei", "rg_LuoJiXingLei"};
    for (int i = 0; i < 8; ++i) {
        ASSERT_NE(table[i], nullptr);
        std::string name = table[i]->name;
        EXPECT_EQ(name, std::string("rg_Zarno_JiBen::") + names[i]);
        CQelObject* instance = table[i]->create();
        EXPECT_EQ(instance->GetClassRecord(), table[i]);
        instance->Delete();
    }
}

TEST_F(ShellTest, GuardedRunReturnsTheProgramResult) {
    ThrowingProgram::kind = 2;
    new ThrowingProgram();
    EXPECT_EQ(RunGuarded(), 5);
}

}  // namespace
