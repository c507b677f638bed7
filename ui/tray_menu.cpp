#include "ui/tray_menu.h"
#include "ui/sweep_controller.h"
#include <memory>
#include "engine/sweep_coordinator.h"
#include "res/resource.h"
#include "ui/sweep_progress_dlg.h"
#include "framework/system_library.h"

namespace {
std::string LoadText(UINT id)
{
    char text[256] = {};
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return text;
}

HFONT MakeBoldFont()
{
    HGDIOBJ stock = GetStockObject(ANSI_VAR_FONT);
    LOGFONTA font{};
    if (!stock || !GetObjectA(stock, sizeof font, &font)) return nullptr;
    font.lfWeight = FW_BOLD;
    return CreateFontIndirectA(&font);
}

COLOR16 Channel(BYTE value) { return static_cast<COLOR16>(value << 8); }

TRIVERTEX Vertex(LONG x, LONG y, COLORREF colour)
{
    return {x, y, Channel(GetRValue(colour)), Channel(GetGValue(colour)), Channel(GetBValue(colour)), 0};
}
}  // namespace

TrayMenu::TrayMenu()
    : CMenu(CreatePopupMenu()),
      m_boldFont(MakeBoldFont()),
      m_gradientFill(SystemFunction<GradientFillProc>("msimg32.dll", "GradientFill")),
      m_startColour(GetSysColor(COLOR_ACTIVECAPTION)),
      m_endColour(GetSysColor(COLOR_GRADIENTACTIVECAPTION)),
      m_textColour(GetSysColor(COLOR_CAPTIONTEXT))
{
}

TrayMenu::~TrayMenu()
{
    if (m_boldFont) DeleteObject(m_boldFont);
}

bool TrayMenu::Build(bool sweepAllRunning, bool logWindowShown, bool previewAvailable)
{
    HMENU menu = GetSafeHmenu();
    if (!menu) return false;
    m_title = LoadText(IDS_TRAY_TITLE);
    if (m_title.empty()) m_title = "Ombrix";
    bool built = InsertMenuA(menu, 0, MF_BYPOSITION | MF_OWNERDRAW | MF_DISABLED, 0, nullptr);
    const UINT items[] = {0,
                          IDS_TRAY_SHOW_PANEL,
                          sweepAllRunning ? UINT(IDS_TRAY_CANCEL) : UINT(IDS_TRAY_SWEEP_NOW),
                          IDS_TRAY_PREVIEW,
                          logWindowShown ? UINT(IDS_TRAY_HIDE_LOG) : UINT(IDS_TRAY_SHOW_LOG),
                          0,
                          IDS_TRAY_HELP,
                          IDS_TRAY_ABOUT,
                          0,
                          IDS_TRAY_EXIT};
    for (UINT id : items) {
        if (id == 0)
            built = AppendMenuA(menu, MF_SEPARATOR, 0, nullptr) && built;
        else
            built = AppendMenuA(menu, MF_STRING | (id == IDS_TRAY_PREVIEW && !previewAvailable ? MF_GRAYED : 0), id,
                                LoadText(id).c_str()) &&
                    built;
    }
    return built;
}

void TrayMenu::MeasureItem(MEASUREITEMSTRUCT& item)
{
    HDC screen = GetDC(nullptr);
    HGDIOBJ oldFont = m_boldFont ? SelectObject(screen, m_boldFont) : nullptr;
    SIZE extent{};
    GetTextExtentPoint32A(screen, m_title.c_str(), static_cast<int>(m_title.size()), &extent);
    if (oldFont) SelectObject(screen, oldFont);
    ReleaseDC(nullptr, screen);
    item.itemWidth = static_cast<UINT>(GetSystemMetrics(SM_CXMENUCHECK) + extent.cx + 16);
    item.itemHeight = static_cast<UINT>(extent.cy + 8);
}

void TrayMenu::DrawItem(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const COLORREF oldBack = SetBkColor(dc, m_startColour);
    if (m_gradientFill) {
        --r.right;
        --r.bottom;
        TRIVERTEX vertices[2] = {Vertex(r.left, r.top, m_startColour), Vertex(r.right, r.bottom, m_endColour)};
        GRADIENT_RECT rect{0, 1};
        m_gradientFill(dc, vertices, 2, &rect, 1, GRADIENT_FILL_RECT_H);
    } else {
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    }
    if (m_frame) DrawEdge(dc, &r, m_edgeStyle, BF_RECT);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldText = SetTextColor(dc, m_textColour);
    HGDIOBJ oldFont = m_boldFont ? SelectObject(dc, m_boldFont) : nullptr;
    r.left += GetSystemMetrics(SM_CXMENUCHECK) + 8;
    DrawTextA(dc, m_title.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER);
    if (oldFont) SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
}

void ShowTrayMenu(HWND window, TrayMenu*& shown)
{
    if (shown) return;
    const CSweepProgressDlg* progress = CSweepProgressDlg::Instance();
    auto menu = std::make_unique<TrayMenu>();
    shown = menu.get();
    const CSweepCoordinator* coordinator = CSweepCoordinator::Instance();
    const bool allRunning = SweepController::AllRunning();
    const bool sweeping = allRunning || (coordinator && coordinator->IsAnyWorkerRunning());
    if (menu->Build(allRunning, progress && progress->IsVisibleFlag(), !sweeping)) {
        POINT at{};
        if (!GetCursorPos(&at)) at = {0, 0};
        SetFocus(window);
        SetActiveWindow(window);
        SetForegroundWindow(window);
        TrackPopupMenu(menu->GetSafeHmenu(), TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_NONOTIFY, at.x, at.y, 0, window,
                       nullptr);
    }
    shown = nullptr;
}
