#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <utility>
#include <vector>
#include "engine/sweep_coordinator.h"
#include "engine/sweep_log.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/scratch.h"
#include "cleaners/category_table.h"

namespace {

using Posted = std::pair<WPARAM, LPARAM>;

// A hidden window standing in for the main window: it records the worker messages.
class MessageRecorder {
public:
    MessageRecorder()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OmbrixTestRecorder";
        RegisterClassA(&wc);
        m_window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWorkerMessageWindow(m_window);
    }
    ~MessageRecorder()
    {
        SetWorkerMessageWindow(nullptr);
        DestroyWindow(m_window);
    }
    int Count(WPARAM category, LPARAM status) const
    {
        return static_cast<int>(std::count(posted.begin(), posted.end(), Posted{category, status}));
    }
    std::vector<Posted> posted;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == kWorkerMessage)
            if (auto* self = reinterpret_cast<MessageRecorder*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
                self->posted.emplace_back(wParam, lParam);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    HWND m_window = nullptr;
};

class CoordinatorTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        m_coordinator = CSweepCoordinator::Start(WorkerProcedures());
    }
    void TearDown() override
    {
        CSweepCoordinator::Terminate();
        PumpPending();
        SandboxTest::TearDown();
    }
    // Runs messages until no worker runs and every expected end was recorded.
    void AwaitEnds(int ends)
    {
        const ULONGLONG until = GetTickCount64() + 30000;
        while (GetTickCount64() < until) {
            PumpPending();
            int seen = 0;
            for (const Posted& p : m_recorder.posted) seen += p.second == 1;
            if (seen >= ends && !m_coordinator->IsAnyWorkerRunning()) return;
            Sleep(5);
        }
        FAIL() << "workers did not end";
    }
    size_t LinesWith(const std::string& text) const { return m_log.Count(text); }

    LogCapture m_log;
    MessageRecorder m_recorder;
    CSweepCoordinator* m_coordinator = nullptr;
};

}  // namespace

TEST_F(CoordinatorTest, WindowsStartsBeforeInternetAndBothEndsArePosted)
{
    m_coordinator->RequestSweep(kSweepWindows | kSweepInternet);
    AwaitEnds(2);
    ASSERT_GE(m_recorder.posted.size(), 4u);
    const auto first = std::find(m_recorder.posted.begin(), m_recorder.posted.end(), Posted{0, 2});
    const auto second = std::find(m_recorder.posted.begin(), m_recorder.posted.end(), Posted{2, 2});
    EXPECT_LT(first, second);
    EXPECT_EQ(m_recorder.Count(0, 1), 1);
    EXPECT_EQ(m_recorder.Count(2, 1), 1);
    const auto lines = m_log.Lines();
    const auto windows = std::find_if(lines.begin(), lines.end(), [](auto& l) { return l.rfind("Start a thread to clean up the history for Windows.", 0) == 0; });
    const auto internet = std::find_if(lines.begin(), lines.end(), [](auto& l) { return l.rfind("Start a thread to clean up the history for internet browser.", 0) == 0; });
    EXPECT_LT(windows, internet);
    EXPECT_EQ(m_log.Status(kStatusWindows), "Finished cleaning up.");
}

TEST_F(CoordinatorTest, AStopAllStopsAtTheFirstCheckAndStaysSet)
{
    m_coordinator->RequestStop(kSweepAll);
    m_coordinator->RequestSweep(kSweepWindows);
    AwaitEnds(1);
    EXPECT_EQ(m_recorder.Count(0, 1), 1);
    EXPECT_EQ(LinesWith("Finished cleaning up."), 0u);
    EXPECT_TRUE(m_coordinator->IsStopRequested(kSweepAll));
    EXPECT_FALSE(m_coordinator->IsStopRequested(kSweepWindows));
    EXPECT_EQ(m_log.Totals(), "Waiting to start sweeping") << "no totals were added";
    m_coordinator->ClearStop(kSweepAll);
    m_coordinator->RequestSweep(kSweepWindows);
    AwaitEnds(2);
    EXPECT_EQ(LinesWith("Finished cleaning up."), 1u);
}

TEST_F(CoordinatorTest, SweepAllStartsEveryCategoryOnce)
{
    m_coordinator->RequestSweep(kSweepAll);
    AwaitEnds(3);
    EXPECT_EQ(m_recorder.Count(kAllCategories, 2), 1);
    for (WPARAM c : {0, 1, 2}) EXPECT_EQ(m_recorder.Count(c, 1), 1) << c;
    EXPECT_EQ(m_log.Totals(), "Total: 0 item(s) swept, 0.000 KB restored.");
}

TEST_F(CoordinatorTest, TerminateWithoutWorkersEndsAtOnce)
{
    CSweepCoordinator::Terminate();
    EXPECT_EQ(CSweepCoordinator::Instance(), nullptr);
    EXPECT_EQ(LinesWith("Working thread received a termination message."), 1u);
    m_coordinator = CSweepCoordinator::Start(WorkerProcedures());
}

TEST_F(CoordinatorTest, ManyRequestsStopsAndTerminatesNeitherLoseNorDoubleAWorker)
{
    std::mt19937 random(7);
    const uint32_t bits[] = {kSweepWindows, kSweepApplications, kSweepInternet, kSweepAll,
                             kSweepWindows | kSweepInternet};
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 30; ++i) {
            if (random() % 3 == 0)
                m_coordinator->RequestStop(bits[random() % 4]);
            else
                m_coordinator->RequestSweep(bits[random() % 5]);
            if (random() % 4 == 0) PumpPending();
        }
        m_coordinator->ClearStop(kSweepAll);
        CSweepCoordinator::Terminate();  // returns once every running worker has ended
        ASSERT_EQ(CSweepCoordinator::Instance(), nullptr);
        m_coordinator = CSweepCoordinator::Start(WorkerProcedures());
    }
    CSweepCoordinator::Terminate();
    PumpPending();
    const char* starts[] = {"Start a thread to clean up the history for Windows.",
                            "Start a thread to clean up the history for applications.",
                            "Start a thread to clean up the history for internet browser."};
    const char* ends[] = {"Finish the thread cleaning the history for Windows.",
                          "Finish the thread cleaning the history for applications.",
                          "Finish the thread cleanning the history for the internet browser."};
    for (int c = 0; c < 3; ++c) {
        EXPECT_GT(LinesWith(starts[c]), 0u);
        EXPECT_EQ(LinesWith(starts[c]), LinesWith(ends[c])) << "category " << c;
        EXPECT_EQ(static_cast<size_t>(m_recorder.Count(static_cast<WPARAM>(c), 1)), LinesWith(ends[c]));
    }
    m_coordinator = CSweepCoordinator::Start(WorkerProcedures());
}

TEST_F(CoordinatorTest, AStopIsHeardInsideAWalkAndTheWorkerEndsWithTheRestLeft)
{
    constexpr int kFiles = 1000;
    for (int f = 0; f < kFiles; ++f) files::Write(Path("Temp\\big\\file" + std::to_string(f) + ".tmp"), "x");
    const uint32_t saved = g_windowsSettings.Targets;
    g_windowsSettings.Targets = WindowsBit::TemporaryFiles;
    m_coordinator->RequestSweep(kSweepWindows);
    const ULONGLONG until = GetTickCount64() + 60000;
    while (m_log.Count("Remove") == 0 && GetTickCount64() < until) {
        PumpPending();
        Sleep(1);
    }
    m_coordinator->RequestStop(kSweepWindows);
    AwaitEnds(1);
    g_windowsSettings.Targets = saved;
    EXPECT_GT(m_log.Count("Remove"), 0u) << "the sweep never began";
    EXPECT_GT(files::List(Path("Temp\\big")).size(), kFiles / 2u) << "the walk went on after the stop";
    EXPECT_EQ(LinesWith("Finished cleaning up."), 0u);
    EXPECT_EQ(m_log.Totals(), "Waiting to start sweeping") << "a stopped worker adds no totals";
}
