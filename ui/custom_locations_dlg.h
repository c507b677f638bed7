#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "framework/dialog.h"
#include "framework/file_dialog.h"
#include "res/resource.h"
#include "settings/settings_records.h"

// The folder the picker's folder list names. Items of the open path ("c:\", "WINDOWS", "system32")
// are joined up to the selected one. A sub-folder of the open folder that was not opened is that
// folder's child, not the child of every item above it. Wine lists folders as "[name]", "[..]" and
// "[-c-]" beside the open folder instead; those are read against the open folder.
std::string PickedFolder(const std::string& openFolder, const std::vector<std::string>& items, int selected);

// The folder picker: the old-style file dialog on template 1536, returning a folder, a filter and
// whether sub-folders are included.
class CFileOpen : public CFileDialog {
public:
    CFileOpen(HWND parent, int includeSubfolders = 0);
    ~CFileOpen() override = default;

    int m_subfolders;
    char m_folder[MAX_PATH] = {};
    char m_filter[MAX_PATH] = {};

protected:
    BOOL OnInitDialog() override { return TRUE; }
    bool OnFileNameOK() override;
    bool OnCommand(int id, int code) override;

private:
    void OnVisibleOk();
};

// "Customize Cleaning Directories": the Windows page's custom locations, edited as a list.
class CCusDirDlg : public CDialog {
public:
    explicit CCusDirDlg(const CustomLocationList& entries) : CDialog(IDD_CUSTOM_LOCATIONS), m_entries(entries) {}
    const CustomLocationList& Entries() const { return m_entries; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    CustomLocation ReadCurrent() const;
    void ShowEntry(const CustomLocation& entry);
    bool Refused(const CustomLocation& entry) const;
    int FindText(const std::string& text) const;
    void Browse();
    void Add();
    void Update();
    void Delete();
    int Selection() const;
    void Say(const std::string& message) const;

    CustomLocationList m_entries;
};
