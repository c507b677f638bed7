#pragma once
#include <cstdint>
#include <span>
#include "cleaners/category_items.h"
#include "framework/property_sheet.h"
#include "settings/page_members.h"
#include "settings/settings_group.h"

// What tells one category's page from another: its controls and texts; the rest is its category's row.
struct CategoryPageInfo {
    int sweepButton;
    int lastSweepStatic;
    int logButton;  // 0: the page has none
    int category;   // the coordinator's index, its row in the category table
    const char* startLine;
    const char* idleText;
    const char* cancelText;  // after the page's own button started the sweep
};

// Asked of the sibling pages by the Settings page's "Sweep Now": lParam the request bits it started.
inline constexpr WPARAM kMarkSweepingQuery = 1;

// A page of one category: its checkboxes, its sweep-or-cancel button and its last sweep time.
class CCategoryPage : public CPropertyPage {
public:
    CCategoryPage(int templateId, const CategoryPageInfo& info, const SettingsGroup& group)
        : CPropertyPage(templateId), m_info(info), m_group(group) {}

    // A sweep of this category started elsewhere: the button turns into its cancel, with this text.
    void MarkSweeping(const char* buttonText);
    // The category's worker has reported.
    void SweepEnded();
    // The group was stamped: show its new last sweep time.
    void RefreshLastSweep();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT OnQuerySiblings(WPARAM query, LPARAM requests) override;
    virtual int32_t& LastRun() = 0;
    // The category's items, whose boxes are on this page.
    virtual std::span<const CategoryItem> Items() const = 0;

private:
    uint32_t RequestBit() const;
    void SweepOrCancel();
    void ConfirmTicked(const CategoryItem& item);

    const CategoryPageInfo& m_info;
    const SettingsGroup& m_group;
    bool m_sweeping = false;
};

class CApplicationPage : public CCategoryPage {
public:
    CApplicationPage();
    ApplicationPageMembers m_members;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnApply() override;
    int32_t& LastRun() override { return m_members.lastRun; }
    std::span<const CategoryItem> Items() const override;
};

class CInternetPage : public CCategoryPage {
public:
    CInternetPage();
    InternetPageMembers m_members;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnApply() override;
    bool OnCommand(int id, int code, HWND control) override;
    int32_t& LastRun() override { return m_members.lastRun; }
    std::span<const CategoryItem> Items() const override;

private:
    void EditFriendlyCookies();
};

class CWinTmpPage : public CCategoryPage {
public:
    CWinTmpPage();
    WindowsPageMembers m_members;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    bool OnApply() override;
    bool OnCommand(int id, int code, HWND control) override;
    int32_t& LastRun() override { return m_members.lastRun; }
    std::span<const CategoryItem> Items() const override;

private:
    void FillLocationList();
    void EditCustomLocations();
};
