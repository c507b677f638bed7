#include "ui/rules_page.h"
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include "cleaners/category_table.h"
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

BOOL CRulesPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    m_catalogue = CommunityRules();
    m_ticked = LoadEnabledRules();
    const std::vector<bool> detected = DetectRules(m_catalogue->rules);
    for (size_t i = 0; i < detected.size(); ++i)
        if (detected[i]) m_shown.push_back(i);
    // By category, then by name, so that each category's rules stand together.
    std::stable_sort(m_shown.begin(), m_shown.end(), [&](size_t a, size_t b) {
        const CommunityRule& x = m_catalogue->rules[a];
        const CommunityRule& y = m_catalogue->rules[b];
        if (x.group != y.group) return std::string(GroupName(x.group)) < GroupName(y.group);
        return lstrcmpiA(x.name.c_str(), y.name.c_str()) < 0;
    });
    HWND list = GetDlgItem(IDC_RULES_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    AddColumn(list, 0, "Rule", 250);
    AddColumn(list, 1, "Category", 90);
    std::string files;
    for (const std::string& file : m_catalogue->files) files += (files.empty() ? "" : "; ") + file;
    SetDlgItemTextA(m_hWnd, IDC_RULES_FILES,
                    files.empty() ? "No rules file: put winapp2.ini in %APPDATA%\\Ombrix or beside Ombrix.exe."
                                  : ("Read: " + files).c_str());
    const std::string count = std::to_string(m_shown.size()) + " of " + std::to_string(m_catalogue->rules.size()) +
                              " rules are for this machine";
    SetDlgItemTextA(m_hWnd, IDC_RULES_COUNT, count.c_str());
    Fill();
    static constexpr int kList[] = {IDC_RULES_LIST};
    if (EnabledRulesFixed()) ShowFixedByPolicy(m_hWnd, kList);
    return TRUE;
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
        const std::string text = !rule.unavailable.empty() ? "Cannot run: " + rule.unavailable : rule.warning;
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
