#include "ui/rules_page.h"
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include "cleaners/category_table.h"
#include "cleaners/rules_update.h"
#include "framework/file.h"
#include "framework/messages.h"
#include "res/resource.h"
#include "settings/rules_choice.h"
#include "ui/fixed_controls.h"
#include "ui/sweep_controller.h"

namespace {

constexpr UINT kTickedState = INDEXTOSTATEIMAGEMASK(2);
constexpr UINT kUntickedState = INDEXTOSTATEIMAGEMASK(1);

const char* GroupName(RuleGroup group)
{
    switch (group) {
    case RuleGroup::Windows: return "Windows";
    case RuleGroup::Internet: return "Internet";
    case RuleGroup::Applications: break;
    }
    return "Applications";
}

uint32_t RequestOf(RuleGroup group)
{
    for (const CategoryRow& row : CategoryRows())
        if (row.rules == group) return row.requestBit;
    return 0;
}

std::string Lowered(std::string text)
{
    if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool Contains(const std::string& text, const std::string& part) { return Lowered(text).find(Lowered(part)) != std::string::npos; }

void AddColumn(HWND list, int index, const char* title, int width)
{
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<char*>(title);
    column.cx = width;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void SetTicked(HWND list, int row, bool ticked)
{
    LVITEMA state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = ticked ? kTickedState : kUntickedState;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

}  // namespace

CRulesPage::CRulesPage() : CPropertyPage(IDD_RULES_PAGE) {}

// What a detecting thread found, handed to the page by a posted message; the thread keeps it alive
// should the page close first.
struct CRulesPage::Detection {
    std::mutex lock;
    std::vector<bool> detected;
};

// How far a download has come, and what it ended with.
struct CRulesPage::Download {
    std::atomic<bool> cancelled{false};
    std::atomic<uint64_t> received{0}, total{0};
    std::mutex lock;
    bool ended = false;
    RulesUpdate update;
};

BOOL CRulesPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_ticked = LoadEnabledRules();
    HWND list = GetDlgItem(IDC_RULES_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    AddColumn(list, 0, "Rule", 250);
    AddColumn(list, 1, "Category", 90);
    ShowWindow(GetDlgItem(IDC_RULES_PROGRESS), SW_HIDE);
    SendDlgItemMessageA(m_hWnd, IDC_RULES_PROGRESS, PBM_SETRANGE32, 0, 1000);
    ShowGetButton();
    StartDetection();
    return TRUE;
}

// The rules as last read, detected on a thread of their own: thousands of rules ask the registry and
// the file system for a while, and the page answers meanwhile.
void CRulesPage::StartDetection()
{
    m_catalogue = CommunityRules();
    m_shown.clear();
    Fill();
    for (int id : {IDC_RULES_SWEEP, IDC_RULES_TICK_SHOWN, IDC_RULES_UNTICK_SHOWN}) EnableWindow(GetDlgItem(id), FALSE);
    std::string files;
    for (const std::string& file : m_catalogue->files) files += (files.empty() ? "" : "; ") + file;
    SetDlgItemTextA(m_hWnd, IDC_RULES_FILES,
                    files.empty() ? "No rules file: put winapp2.ini in %APPDATA%\\Ombrix or beside Ombrix.exe, or get the community's."
                                  : ("Read: " + files).c_str());
    SetDlgItemTextA(m_hWnd, IDC_RULES_COUNT,
                    ("Finding the rules for this machine among " + std::to_string(m_catalogue->rules.size()) + "...").c_str());
    m_detection = std::make_shared<Detection>();
    std::thread([detection = m_detection, catalogue = m_catalogue, page = m_hWnd] {
        std::vector<bool> detected = DetectRules(catalogue->rules);
        {
            std::lock_guard<std::mutex> hold(detection->lock);
            detection->detected = std::move(detected);
        }
        PostMessageA(page, kRulesDetectedMessage, 0, 0);  // fails harmlessly once the page is gone
    }).detach();
}

bool CRulesPage::OnPrivateMessage(UINT message, WPARAM, LPARAM)
{
    if (message == kRulesDownloadMessage) {
        DownloadMoved();
        return true;
    }
    if (message != kRulesDetectedMessage) return false;
    DetectionEnded();
    return true;
}

void CRulesPage::ShowGetButton()
{
    const wchar_t* text = m_download                                  ? L"Cancel"
                          : FileSystem::Exists(UserRulesPath()) ? L"Update Rules\u2026"
                                                                : L"Get Rules\u2026";
    SetDlgItemTextW(m_hWnd, IDC_RULES_GET, text);
}

// The community file from its source, on a thread of its own; while it comes the button cancels it.
void CRulesPage::GetRules()
{
    if (m_download) {
        m_download->cancelled = true;  // the thread ends at its next step and says so
        return;
    }
    m_download = std::make_shared<Download>();
    ShowGetButton();
    SendDlgItemMessageA(m_hWnd, IDC_RULES_PROGRESS, PBM_SETPOS, 0, 0);
    ShowWindow(GetDlgItem(IDC_RULES_PROGRESS), SW_SHOW);
    std::thread([download = m_download, page = m_hWnd] {
        uint64_t posted = 0;
        RulesUpdate update = UpdateCommunityRules([&](uint64_t received, uint64_t total) {
            download->received = received;
            download->total = total;
            if (received == 0 || received - posted >= 256 * 1024) {
                posted = received;
                PostMessageA(page, kRulesDownloadMessage, 0, 0);
            }
            return !download->cancelled;
        });
        {
            std::lock_guard<std::mutex> hold(download->lock);
            download->update = std::move(update);
            download->ended = true;
        }
        PostMessageA(page, kRulesDownloadMessage, 0, 0);
    }).detach();
}

void CRulesPage::DownloadMoved()
{
    if (!m_download) return;
    const uint64_t total = m_download->total, received = m_download->received;
    if (total) SendDlgItemMessageA(m_hWnd, IDC_RULES_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(std::min<uint64_t>(received, total) * 1000 / total), 0);
    RulesUpdate update;
    {
        std::lock_guard<std::mutex> hold(m_download->lock);
        if (!m_download->ended) return;
        update = std::move(m_download->update);
    }
    const bool cancelled = m_download->cancelled;
    m_download.reset();
    ShowWindow(GetDlgItem(IDC_RULES_PROGRESS), SW_HIDE);
    ShowGetButton();
    if (update.error.empty()) {
        StartDetection();  // the new file's rules, ticked by their names as before
        MessageBoxA(m_hWnd, RulesUpdateSummary(update).c_str(), "Ombrix", MB_OK | MB_ICONINFORMATION);
    } else if (!cancelled) {
        const std::string failed = "The rules were not updated from " + update.source + ": " + update.error +
                                   ".\n\nThe rules file stays as it was.";
        MessageBoxA(m_hWnd, failed.c_str(), "Ombrix", MB_OK | MB_ICONEXCLAMATION);
    }
}

void CRulesPage::DetectionEnded()
{
    std::vector<bool> detected;
    {
        std::lock_guard<std::mutex> hold(m_detection->lock);
        detected = std::move(m_detection->detected);
    }
    if (detected.size() != m_catalogue->rules.size()) return;  // an earlier detection's, of other rules
    m_shown.clear();
    for (size_t i = 0; i < detected.size(); ++i)
        if (detected[i]) m_shown.push_back(i);
    // By category, then by name, so that each category's rules stand together.
    std::stable_sort(m_shown.begin(), m_shown.end(), [&](size_t a, size_t b) {
        const CommunityRule& x = m_catalogue->rules[a];
        const CommunityRule& y = m_catalogue->rules[b];
        if (x.group != y.group) return std::string(GroupName(x.group)) < GroupName(y.group);
        return lstrcmpiA(x.name.c_str(), y.name.c_str()) < 0;
    });
    const std::string count = std::to_string(m_shown.size()) + " of " + std::to_string(m_catalogue->rules.size()) +
                              " rules are for this machine";
    SetDlgItemTextA(m_hWnd, IDC_RULES_COUNT, count.c_str());
    for (int id : {IDC_RULES_SWEEP, IDC_RULES_TICK_SHOWN, IDC_RULES_UNTICK_SHOWN}) EnableWindow(GetDlgItem(id), TRUE);
    Fill();
    static constexpr int kFixed[] = {IDC_RULES_LIST, IDC_RULES_TICK_SHOWN, IDC_RULES_UNTICK_SHOWN};
    if (EnabledRulesFixed()) ShowFixedByPolicy(m_hWnd, kFixed);
}

const CommunityRule& CRulesPage::RuleOfItem(int item) const
{
    LVITEMA row{};
    row.mask = LVIF_PARAM;
    row.iItem = item;
    SendDlgItemMessageA(m_hWnd, IDC_RULES_LIST, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row));
    return m_catalogue->rules[m_shown[static_cast<size_t>(row.lParam)]];
}

bool CRulesPage::IsTicked(const std::string& name) const
{
    return std::find(m_ticked.begin(), m_ticked.end(), name) != m_ticked.end();
}

// The rules whose name holds the filter's text, ticked as chosen so far.
void CRulesPage::Fill()
{
    char filter[256] = {};
    GetDlgItemTextA(m_hWnd, IDC_RULES_FILTER, filter, sizeof filter);
    HWND list = GetDlgItem(IDC_RULES_LIST);
    m_filling = true;
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (size_t i = 0; i < m_shown.size(); ++i) {
        const CommunityRule& rule = m_catalogue->rules[m_shown[i]];
        if (!Contains(rule.name, filter)) continue;
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = const_cast<char*>(rule.name.c_str());
        item.lParam = static_cast<LPARAM>(i);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        item.mask = LVIF_TEXT;
        item.iSubItem = 1;
        // A rule that cannot run says so where the eye goes; the tooltip says why.
        const std::string group = !rule.unavailable.empty() ? "cannot run"
                                  : rule.groupLabel.empty() ? GroupName(rule.group)
                                                            : rule.groupLabel;
        item.pszText = const_cast<char*>(group.c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        SetTicked(list, row, IsTicked(rule.name));
        ++row;
    }
    m_filling = false;
}

// A rule that cannot run stays unticked, saying why; one with a warning only once the user agrees.
void CRulesPage::OnTicked(int item, bool ticked)
{
    const CommunityRule& rule = RuleOfItem(item);
    if (ticked == IsTicked(rule.name)) return;
    bool keep = true;
    if (ticked && !rule.unavailable.empty()) {
        MessageBoxA(m_hWnd, ("\"" + rule.name + "\" cannot run: " + rule.unavailable + ".").c_str(), "Ombrix",
                    MB_OK | MB_ICONEXCLAMATION);
        keep = false;
    } else if (ticked && !rule.warning.empty()) {
        keep = MessageBoxA(m_hWnd, (rule.warning + "\n\nSweep \"" + rule.name + "\" anyway?").c_str(), "Ombrix",
                           MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
    }
    if (!keep) {
        m_filling = true;
        SetTicked(GetDlgItem(IDC_RULES_LIST), item, false);
        m_filling = false;
        return;
    }
    if (ticked)
        m_ticked.push_back(rule.name);
    else
        m_ticked.erase(std::remove(m_ticked.begin(), m_ticked.end(), rule.name), m_ticked.end());
    SetModified();
}

// Every rule the filter shows, ticked or unticked in one go. Ticking leaves out a rule that cannot
// run, and asks once about those that warn.
void CRulesPage::TickShown(bool tick)
{
    HWND list = GetDlgItem(IDC_RULES_LIST);
    std::vector<int> rows, warned;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        const CommunityRule& rule = RuleOfItem(row);
        if (IsTicked(rule.name) == tick || (tick && !rule.unavailable.empty())) continue;
        (tick && !rule.warning.empty() ? warned : rows).push_back(row);
    }
    if (!warned.empty()) {
        const CommunityRule& first = RuleOfItem(warned.front());
        const std::string question = std::to_string(warned.size()) + " of these rules warn before they sweep, as \"" +
                                     first.name + "\" does:\n\n" + first.warning + "\n\nTick those as well?";
        const int answer = MessageBoxA(m_hWnd, question.c_str(), "Ombrix", MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2);
        if (answer == IDCANCEL) return;
        if (answer == IDYES) rows.insert(rows.end(), warned.begin(), warned.end());
    }
    if (rows.empty()) return;
    m_filling = true;
    for (int row : rows) {
        const std::string& name = RuleOfItem(row).name;
        if (tick)
            m_ticked.push_back(name);
        else
            m_ticked.erase(std::remove(m_ticked.begin(), m_ticked.end(), name), m_ticked.end());
        SetTicked(list, row, tick);
    }
    m_filling = false;
    SetModified();
}

bool CRulesPage::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_RULES_LIST) return false;
    if (header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (!m_filling && (change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK))
            OnTicked(change.iItem, (change.uNewState & LVIS_STATEIMAGEMASK) == kTickedState);
        result = 0;
        return true;
    }
    if (header.code == LVN_GETINFOTIPA) {
        auto& tip = const_cast<NMLVGETINFOTIPA&>(reinterpret_cast<const NMLVGETINFOTIPA&>(header));
        const CommunityRule& rule = RuleOfItem(tip.iItem);
        std::string text = !rule.unavailable.empty() ? "Cannot run: " + rule.unavailable : rule.warning;
        if (rule.unavailable.empty())
            for (const std::string& refusal : RuleRefusals(rule))
                text += (text.empty() ? "Will not run here: " : "\r\nWill not run here: ") + refusal;
        if (tip.pszText && tip.cchTextMax > 0) lstrcpynA(tip.pszText, text.c_str(), tip.cchTextMax);
        result = 0;
        return true;
    }
    return false;
}

bool CRulesPage::OnCommand(int id, int code, HWND)
{
    if (id == IDC_RULES_FILTER && code == EN_CHANGE) {
        Fill();
        return true;
    }
    if (id == IDC_RULES_GET && code == BN_CLICKED) {
        GetRules();
        return true;
    }
    if ((id == IDC_RULES_TICK_SHOWN || id == IDC_RULES_UNTICK_SHOWN) && code == BN_CLICKED) {
        TickShown(id == IDC_RULES_TICK_SHOWN);
        return true;
    }
    if (id == IDC_RULES_SWEEP && code == BN_CLICKED) {
        SweepTicked();
        return true;
    }
    return false;
}

bool CRulesPage::OnApply()
{
    SaveEnabledRules(m_ticked);
    return true;
}

// Stored first, so that the workers read what the page shows. While its sweep runs, the button
// cancels it, as the category pages' buttons do.
void CRulesPage::SweepTicked()
{
    if (m_running) {
        SweepController::Stop(m_running);  // the button is set back when the workers report
        return;
    }
    SaveEnabledRules(m_ticked);
    uint32_t requests = 0;
    for (size_t index : m_shown) {
        const CommunityRule& rule = m_catalogue->rules[index];
        if (IsTicked(rule.name) && rule.unavailable.empty()) requests |= RequestOf(rule.group);
    }
    m_running = requests ? SweepController::StartRules(requests) : 0;
    if (m_running) {
        SetDlgItemTextA(m_hWnd, IDC_RULES_SWEEP, "Cancel Sweep");
        return;
    }
    MessageBoxA(m_hWnd, requests ? "A sweep runs already; Sweep More waits until it has ended." : "Tick the rules to sweep first.",
                "Ombrix", MB_OK | MB_ICONINFORMATION);
}

void CRulesPage::CategoryEnded(uint32_t requestBit)
{
    if (!(m_running & requestBit)) return;
    m_running &= ~requestBit;
    if (!m_running && m_hWnd) SetDlgItemTextA(m_hWnd, IDC_RULES_SWEEP, "Sweep More");
}
