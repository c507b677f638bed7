#include <gtest/gtest.h>
#include <thread>
#include <vector>
#include "engine/sweep_log.h"
#include "tests/support/log_capture.h"

TEST(SweepLog, WithoutAWindowNothingHappensAndNothingShowsLater)
{
    ASSERT_EQ(ProgressWindow(), nullptr);
    LogLine("lost line\n", kStatusWindows);
    SetSweepProgress(kBarWindows, 50);
    AddSweepTotals(5, 1.0f);
    ShowSweepTotals();
    LogCapture capture;
    EXPECT_TRUE(capture.Lines().empty());
    EXPECT_EQ(capture.Log().rfind("Start logging working messages  -- ", 0), 0u) << capture.Log();
    EXPECT_EQ(capture.Status(kStatusWindows), "Waiting to start sweeping");
    ShowSweepTotals();
    EXPECT_EQ(capture.Totals(), "Total: 0 item(s) swept, 0.000 KB restored.");
}

TEST(SweepLog, LinesGoToThePaneAndTheirStatusLine)
{
    LogCapture capture;
    LogLine("  Item 1, Delete Value: a=b.\n", kStatusWindows);
    LogLine("plain\n", kStatusLogOnly);
    LogLine("Finished cleaning up.", kStatusInternet);
    LogLine("  continued\n", kStatusLogOnly);
    EXPECT_EQ(capture.Lines(), (std::vector<std::string>{"  Item 1, Delete Value: a=b.", "plain",
                                                         "Finished cleaning up.  continued"}));
    EXPECT_EQ(capture.Status(kStatusWindows), "  Item 1, Delete Value: a=b.\n");
    EXPECT_EQ(capture.Status(kStatusInternet), "Finished cleaning up.");
    EXPECT_EQ(capture.Status(kStatusApplications), "Waiting to start sweeping");
}

TEST(SweepLog, TimedLinesEndWithTheLocalTime)
{
    LogCapture capture;
    LogTimedLine("Start threads to clean up all historical records.", kStatusLogOnly);
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 1u);
    const std::string expected = "Start threads to clean up all historical records." +
                                 LocalTimeText(" @ %H:%M - %b %d %Y");
    EXPECT_EQ(lines[0], expected);
    EXPECT_EQ(capture.Status(kStatusWindows), "Waiting to start sweeping");
}

TEST(SweepLog, BarsStopAtOneHundredAndResetPutsEverythingBack)
{
    LogCapture capture;
    SetSweepProgress(kBarWindows, 250);
    SetSweepProgress(kBarInternet, 40);
    EXPECT_EQ(capture.Bar(kBarWindows), 100);
    EXPECT_EQ(capture.Bar(kBarInternet), 40);
    SetProgressTitle("Sweeping Completed");
    AddSweepTotals(4, 2.0f);
    LogLine("x\n", kStatusApplications);
    ResetSweepProgress();
    EXPECT_EQ(capture.Bar(kBarWindows), 0);
    EXPECT_EQ(capture.Status(kStatusApplications), "Waiting to start sweeping");
    EXPECT_EQ(capture.Totals(), "Waiting to start sweeping");
    char caption[64];
    GetWindowTextA(capture.Window(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Sweeping Progress");
    ShowSweepTotals();
    EXPECT_EQ(capture.Totals(), "Total: 0 item(s) swept, 0.000 KB restored.");
}

TEST(SweepLog, OverlongLinesBecomeErrorTexts)
{
    char buffer[kLineBufferSize];
    EXPECT_EQ(FormatLogLine(buffer, sizeof buffer, "  Item %d, %s.\n", 3, "ok"), 14);
    EXPECT_STREQ(buffer, "  Item 3, ok.\n");
    const std::string path(600, 'p');
    FormatLogLine(buffer, sizeof buffer, "   Remove file: %s, size %.3f(KB).\n", path.c_str(), 1.0);
    EXPECT_STREQ(buffer, "Error: Buffer is not enough. Format:    Remove file: %s, size %.3f(KB).\n\n");
    const std::string longFormat = std::string(600, 'f') + "%d";
    FormatLogLine(buffer, sizeof buffer, longFormat.c_str(), 1);
    EXPECT_STREQ(buffer, "Error: Buffer is not enough.\n");
    EXPECT_EQ(FormatLogLine(buffer, 4, "%s", "abc"), 3);
}

TEST(SweepLog, WorkersWriteWholeLinesAndTotalsAddUp)
{
    LogCapture capture;
    constexpr int kLines = 200;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread coordinator([&] {
        std::vector<std::thread> workers;
        for (int status : {kStatusWindows, kStatusInternet}) {
            workers.emplace_back([status] {
                for (int i = 0; i < kLines; ++i) {
                    char line[kLineBufferSize];
                    FormatLogLine(line, sizeof line, "  Item %d, worker %d.\n", i + 1, status);
                    LogLine(line, status);
                }
                AddSweepTotals(3, 1.5f);
                ShowSweepTotals();
            });
        }
        for (auto& w : workers) w.join();
        SetEvent(done);
    });
    ASSERT_TRUE(PumpUntil(done));
    coordinator.join();
    CloseHandle(done);
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u * kLines);
    int windows = 0;
    for (const auto& line : lines) {
        ASSERT_TRUE(line.rfind("  Item ", 0) == 0 && line.back() == '.') << line;
        windows += line.find("worker " + std::to_string(kStatusWindows) + ".") != std::string::npos;
    }
    EXPECT_EQ(windows, kLines);
    EXPECT_EQ(capture.Totals(), "Total: 6 item(s) swept, 3.000 KB restored.");
    EXPECT_EQ(capture.Status(kStatusWindows), "  Item 200, worker " + std::to_string(kStatusWindows) + ".\n");
}

TEST(SweepLog, ALongLogKeepsEveryLine)
{
    LogCapture capture;
    const std::string line = "   Item 1, Remove file: C:\\Temp\\" + std::string(80, 'n') + ".tmp, size 1.000(KB).\n";
    for (int i = 0; i < 1000; ++i) LogLine(line.c_str(), kStatusWindows);
    EXPECT_EQ(capture.Lines().size(), 1000u);
}
