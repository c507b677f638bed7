#pragma once
#include <windows.h>
#include "framework/property_sheet.h"
#include "ui/category_pages.h"
#include "ui/rules_page.h"
#include "ui/settings_page.h"

// The control panel: a modal sheet of the Settings, Sweep Windows, Sweep Internet, Sweep Applications
// and Sweep More pages, each working on a copy of its settings.
class COmbrixProp : public CPropertySheet {
public:
    COmbrixProp(const char* caption, HWND parent);
    ~COmbrixProp() override;

    // The page of a worker message's category (0 Windows, 1 Applications, 2 Internet).
    CCategoryPage* CategoryPage(WPARAM category);

    COmbrixPage m_settings;
    CWinTmpPage m_windows;
    CInternetPage m_internet;
    CApplicationPage m_applications;
    CRulesPage m_rules;

protected:
    void OnInitDialog() override;
    bool OnSysCommand(WPARAM id) override;

private:
    HICON m_icon;
};
