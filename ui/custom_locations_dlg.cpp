#include "ui/custom_locations_dlg.h"
#include "framework/trace.h"
#include <cstring>
#include "engine/protected_folders.h"
#include "engine/sweep_log.h"
#include "res/resource.h"

namespace {
std::string Joined(const std::string& folder, const std::string& name)
{
    if (folder.empty()) return name;
    return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

std::string Parent(const std::string& folder)
{
    const size_t cut = folder.find_last_of('\\', folder.size() > 1 ? folder.size() - 2 : 0);
    if (cut == std::string::npos) return folder;
    return cut <= 2 ? folder.substr(0, cut + 1) : folder.substr(0, cut);  // "C:\" keeps its backslash
}

size_t Levels(const std::string& folder)
{
    size_t levels = 0;
    for (size_t i = 0; i < folder.size(); ++i)
        if (folder[i] != '\\' && (i == 0 || folder[i - 1] == '\\')) ++levels;
    return levels;
}

std::string DlgText(HWND dialog, int id, int capacity)
{
    std::string text(static_cast<size_t>(capacity), '\0');
    text.resize(static_cast<size_t>(GetDlgItemTextA(dialog, id, text.data(), capacity)));
    return text;
}
}  // namespace

std::string PickedFolder(const std::string& openFolder, const std::vector<std::string>& items, int selected)
{
    if (selected < 0 || static_cast<size_t>(selected) >= items.size()) return {};
    const std::string& item = items[static_cast<size_t>(selected)];
    if (item.size() >= 2 && item.front() == '[' && item.back() == ']') {
        const std::string name = item.substr(1, item.size() - 2);
        if (name == "..") return Parent(openFolder);
        if (name.size() == 3 && name.front() == '-' && name.back() == '-') return std::string(1, name[1]) + ":\\";
        return Joined(openFolder, name);
    }
    const size_t levels = openFolder.empty() ? items.size() : Levels(openFolder);
    if (static_cast<size_t>(selected) >= levels) return Joined(openFolder, item);
    std::string folder = items[0];
    for (int i = 1; i <= selected; ++i) folder = Joined(folder, items[static_cast<size_t>(i)]);
    return folder;
}

// ---- The folder picker

CFileOpen::CFileOpen(HWND parent, int includeSubfolders)
    : CFileDialog(false, nullptr, nullptr, OFN_ENABLETEMPLATE, "All Files (*.*)|*.*||", parent),
      m_subfolders(includeSubfolders)
{
    m_ofn.lpstrTitle = "Directory Select";  // the dialog would call itself "Save As"
}

bool CFileOpen::OnCommand(int id, int code)
{
    if (code != BN_CLICKED) return false;
    if (id == IDC_PICK_SUBFOLDERS) {
        m_subfolders = IsDlgButtonChecked(m_hWnd, IDC_PICK_SUBFOLDERS) == BST_CHECKED ? 1 : 0;
        return true;
    }
    if (id == IDC_PICK_OK) {
        OnVisibleOk();
        return true;
    }
    return false;
}

void CFileOpen::OnVisibleOk()
{
    HWND list = GetDlgItem(m_hWnd, IDC_PICK_FOLDERS);
    const int selected = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    if (selected == LB_ERR) return;
    std::vector<std::string> items;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char item[MAX_PATH] = {};
        if (SendMessageA(list, LB_GETTEXTLEN, i, 0) < MAX_PATH)
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
        items.emplace_back(item);
    }
    // The old-style dialog makes the folder it shows the process's current one while it is open.
    char open[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof open, open);
    lstrcpynA(m_folder, PickedFolder(open, items, selected).c_str(), sizeof m_folder);
    m_filter[0] = '\0';
    if (GetDlgItem(m_hWnd, IDC_PICK_FILTER)) GetDlgItemTextA(m_hWnd, IDC_PICK_FILTER, m_filter, sizeof m_filter);
    EndDialog(IDOK);
}

bool CFileOpen::OnFileNameOK()
{
    TraceMessage("Get a OnFileNameOK\n");
    const std::string path = m_ofn.lpstrFile ? m_ofn.lpstrFile : "";
    const size_t nameAt = m_ofn.nFileOffset <= path.size() ? m_ofn.nFileOffset : path.size();
    lstrcpynA(m_folder, path.substr(0, nameAt > 0 ? nameAt - 1 : 0).c_str(), sizeof m_folder);
    lstrcpynA(m_filter, path.c_str() + nameAt, sizeof m_filter);
    return false;
}

// ---- The list of custom locations

BOOL CCusDirDlg::OnInitDialog()
{
    for (const CustomLocation& entry : m_entries)
        SendDlgItemMessageA(m_hWnd, IDC_CUS_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.DisplayText().c_str()));
    SetDlgItemTextA(m_hWnd, IDC_CUS_FOLDER, "");
    SetDlgItemTextA(m_hWnd, IDC_CUS_FILTER, "");
    CheckDlgButton(m_hWnd, IDC_CUS_SUBFOLDERS, BST_UNCHECKED);
    return TRUE;
}

bool CCusDirDlg::OnCommand(int id, int code)
{
    if (id == IDC_CUS_LIST) {
        if (code == LBN_SELCHANGE && Selection() >= 0) ShowEntry(m_entries[static_cast<size_t>(Selection())]);
        return true;
    }
    if (code != BN_CLICKED) return CDialog::OnCommand(id, code);
    switch (id) {
    case IDC_CUS_BROWSE: Browse(); return true;
    case IDC_CUS_ADD: Add(); return true;
    case IDC_CUS_UPDATE: Update(); return true;
    case IDC_CUS_DELETE: Delete(); return true;
    default: return CDialog::OnCommand(id, code);
    }
}

CustomLocation CCusDirDlg::ReadCurrent() const
{
    CustomLocation entry;
    entry.Dir = DlgText(m_hWnd, IDC_CUS_FOLDER, 1024);
    entry.Flt = DlgText(m_hWnd, IDC_CUS_FILTER, 256);
    entry.SubInc = IsDlgButtonChecked(m_hWnd, IDC_CUS_SUBFOLDERS) == BST_CHECKED ? 1 : 0;
    return entry;
}

void CCusDirDlg::ShowEntry(const CustomLocation& entry)
{
    SetDlgItemTextA(m_hWnd, IDC_CUS_FOLDER, entry.Dir.c_str());
    SetDlgItemTextA(m_hWnd, IDC_CUS_FILTER, entry.Flt.c_str());
    CheckDlgButton(m_hWnd, IDC_CUS_SUBFOLDERS, entry.SubInc ? BST_CHECKED : BST_UNCHECKED);
}

int CCusDirDlg::Selection() const
{
    const LRESULT selected = SendDlgItemMessageA(m_hWnd, IDC_CUS_LIST, LB_GETCURSEL, 0, 0);
    return selected == LB_ERR || static_cast<size_t>(selected) >= m_entries.size() ? -1 : static_cast<int>(selected);
}

// The list box's own search: an item that begins with the text, letters compared without case.
int CCusDirDlg::FindText(const std::string& text) const
{
    const LRESULT found = SendDlgItemMessageA(m_hWnd, IDC_CUS_LIST, LB_FINDSTRING, WPARAM(-1),
                                              reinterpret_cast<LPARAM>(text.c_str()));
    return found == LB_ERR ? -1 : static_cast<int>(found);
}

void CCusDirDlg::Say(const std::string& message) const
{
    MessageBoxA(m_hWnd, message.c_str(), "Ombrix", MB_OK | MB_ICONERROR);
}

// A drive, a system folder or a whole profile would sweep far more than the user means.
bool CCusDirDlg::Refused(const CustomLocation& entry) const
{
    const std::string reason = CustomLocationRefusal(entry.Dir);
    if (reason.empty()) return false;
    Say(reason);
    return true;
}

void CCusDirDlg::Browse()
{
    CFileOpen picker(m_hWnd, 0);
    picker.m_ofn.hInstance = GetModuleHandleA(nullptr);
    picker.m_ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_DIRECTORY_SELECT);
    picker.m_ofn.Flags &= ~(OFN_EXPLORER | OFN_FILEMUSTEXIST);
    // The picker moves the current folder as the user walks; it is put back when it closes.
    picker.m_ofn.Flags |= OFN_NOCHANGEDIR;
    if (picker.DoModal() != IDOK) return;
    TraceMessage("Selected directory was %s, filename %s, include sub %d\n", picker.m_folder, picker.m_filter,
                 picker.m_subfolders);
    CustomLocation entry;
    entry.Dir = picker.m_folder;
    entry.Flt = picker.m_filter;
    entry.SubInc = picker.m_subfolders;
    ShowEntry(entry);
}

void CCusDirDlg::Add()
{
    const CustomLocation entry = ReadCurrent();
    if (entry.Dir.empty()) return Say("There is no directory data input.");
    if (Refused(entry)) return;
    const std::string text = entry.DisplayText();
    if (FindText(text) >= 0) return Say("The input directory has already been in the list.");
    SendDlgItemMessageA(m_hWnd, IDC_CUS_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    m_entries.push_back(entry);
}

// Without a selection there is nothing to replace; the list box and the entries stay as they are.
void CCusDirDlg::Update()
{
    const CustomLocation entry = ReadCurrent();
    if (entry.Dir.empty()) return Say("There is no directory data input.");
    const int selected = Selection();
    if (selected < 0) return Say("Please select an updating item from the list box.");
    if (Refused(entry)) return;
    const std::string text = entry.DisplayText();
    const int found = FindText(text);
    if (found >= 0) {
        if (found != selected) Say("The update directory has already been in the list.");
        return;
    }
    HWND list = GetDlgItem(IDC_CUS_LIST);
    SendMessageA(list, LB_DELETESTRING, selected, 0);
    SendMessageA(list, LB_INSERTSTRING, selected, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(list, LB_SETCURSEL, selected, 0);
    m_entries[static_cast<size_t>(selected)] = entry;
}

void CCusDirDlg::Delete()
{
    const int selected = Selection();
    if (selected < 0) return Say("Please select a deleting item from the list box.");
    SendDlgItemMessageA(m_hWnd, IDC_CUS_LIST, LB_DELETESTRING, selected, 0);
    m_entries.erase(m_entries.begin() + selected);
}
