#pragma once
#include <windows.h>
#include <cstdint>
#include "tests/support/scratch.h"
#include "ui/main_window.h"

// A hidden main window with its coordinator, as start-up makes them, in a scratch registry and
// folder; the general and Windows targets are the test's to choose and are put back afterwards.
class MainWindowTest : public SandboxTest {
protected:
    void SetUp() override;
    void TearDown() override;
    HWND Window() const { return m_window.GetSafeHwnd(); }
    void Command(int id);
    // Temporary files for a Windows sweep to remove.
    void PlantTemp(int count);
    bool TempIsEmpty() const;
    bool SweepEnds();

    MainWindow m_window;

private:
    uint32_t m_general = 0, m_sweepAt = 0, m_period = 0, m_windows = 0;
};
