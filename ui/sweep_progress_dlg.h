#pragma once
#include "engine/sweep_log.h"
#include <memory>
#include "framework/dialog.h"

// The "Sweeping Progress" window: bars and status lines per category, the totals line and the log
// pane. Modeless, owned by the main window; closing it only hides it.
class CSweepProgressDlg : public CDialog {
public:
    CSweepProgressDlg();
    ~CSweepProgressDlg() override;

    // Makes the one progress window, shown or hidden, and writes its opening line; null on failure.
    static CSweepProgressDlg* CreateProgressWindow(HWND parent, bool show);
    static void DestroyProgressWindow();
    static CSweepProgressDlg* Instance();

    void ShowProgressWindow();
    void Hide();
    bool IsVisibleFlag() const { return m_visible; }
    bool DetailsShown() const { return m_detailsShown; }
    void ToggleDetails();
    void ClearLog();  // asks first

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnCancel() override { Hide(); }

private:
    void WriteOpeningLine();
    void PlaceBesideSheet(HWND sheet);
    void MoveDetails(int direction);

    bool m_detailsShown = false;
    bool m_visible = false;
    HICON m_icon = nullptr;
    RECT m_logRect{};  // the log pane as the template places it, in client coordinates
};

// The window's controls that the log writes.
const ProgressWindowIds& ProgressIds();
