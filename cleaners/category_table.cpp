#include "cleaners/category_table.h"
#include "engine/sweep_log.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"

const std::array<CategoryRow, 3>& CategoryRows()
{
    static const std::array<CategoryRow, 3> rows{{
        {Category::Applications, "applications", GeneralBit::Applications, kSweepApplications, kStatusApplications,
         kBarApplications, g_applicationsSettings, kApplicationsSettingsKey, SweepApplications, ApplicationsItems(),
         RuleGroup::Applications},
        {Category::Windows, "windows", GeneralBit::Windows, kSweepWindows, kStatusWindows, kBarWindows,
         g_windowsSettings, kWindowsSettingsKey, SweepWindows, WindowsItems(), RuleGroup::Windows},
        {Category::Internet, "internet", GeneralBit::Internet, kSweepInternet, kStatusInternet, kBarInternet,
         g_internetSettings, kInternetSettingsKey, SweepInternet, InternetItems(), RuleGroup::Internet},
    }};
    return rows;
}

const CategoryRow* CategoryByIndex(WPARAM index)
{
    for (const CategoryRow& row : CategoryRows())
        if (static_cast<WPARAM>(row.index) == index) return &row;
    return nullptr;
}

CategoryProcedures WorkerProcedures()
{
    CategoryProcedures procedures{};
    for (const CategoryRow& row : CategoryRows()) procedures[static_cast<size_t>(row.index)] = row.procedure;
    return procedures;
}

std::optional<ItemPlace> FindItem(const std::string& id)
{
    for (const CategoryRow& row : CategoryRows()) {
        const auto items = row.items;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].id && id == items[i].id) return ItemPlace{&row, i};
    }
    return std::nullopt;
}

uint32_t SweptCategoryRequests()
{
    const std::optional<ItemSelection> selection = SelectedItems();
    if (!selection) return EnabledCategoryRequests();
    uint32_t bits = 0;
    for (const CategoryRow& row : CategoryRows())
        if ((*selection)[static_cast<size_t>(row.index)]) bits |= row.requestBit;
    return bits;
}

uint32_t EnabledCategoryRequests()
{
    RefreshPolicy();  // every sweep asks this first: a policy changed since is in force now
    const uint32_t targets = g_generalSettings.Targets;
    uint32_t bits = 0;
    for (const CategoryRow& row : CategoryRows())
        if (targets & row.generalBit) bits |= row.requestBit;
    return bits;
}
