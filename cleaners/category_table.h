#pragma once
#include <windows.h>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include "cleaners/category_items.h"
#include "cleaners/rules_format.h"
#include "engine/sweep_coordinator.h"
#include "settings/settings_group.h"

// Everything that names a category, one row each, in the order the sweeps run them: Applications,
// Windows, Internet. The pages, the tray, the timer, the start-up and closing sweeps and `once` read
// these rows; nothing else maps a category to its bits, group or worker.
struct CategoryRow {
    int index;                 // of the coordinator's queries and the worker messages
    const char* id;            // the category's name on the command line
    uint32_t generalBit;       // the category enabled in the general targets
    uint32_t requestBit;       // the coordinator's request and stop bit
    int statusId;              // the progress window's status line and bar
    int barId;
    SettingsGroup& group;      // its settings, and their key
    const char* keyPath;
    UINT (*procedure)(void*);  // its worker; the argument is the coordinator, or null
    std::span<const CategoryItem> items;  // as its worker runs them
    RuleGroup rules;                      // the community rules that run after its items
};

const std::array<CategoryRow, 3>& CategoryRows();
// The row of a coordinator category index; null for any other value.
const CategoryRow* CategoryByIndex(WPARAM index);
// The workers, indexed as the coordinator indexes categories.
CategoryProcedures WorkerProcedures();
// The request bits of the categories enabled in the general targets, with the policy read afresh.
uint32_t EnabledCategoryRequests();

// An item by its command-line id: its category's row and its position among the category's items.
struct ItemPlace {
    const CategoryRow* category;
    size_t position;
};
std::optional<ItemPlace> FindItem(const std::string& id);

// Which items a sweep takes instead of those the stored settings enable: per category index, one bit
// per item position. A command line's choice, for this process's sweeps only: the stored settings
// stay as they are. Null goes back to the stored settings.
using ItemSelection = std::array<uint64_t, 3>;
void SelectItems(const std::optional<ItemSelection>& selection);
std::optional<ItemSelection> SelectedItems();
// The next run of the categories of these request bits takes their ticked community rules alone,
// none of their items ("Sweep More").
void TakeRulesAloneNext(uint32_t requests);
// The request bits of the categories a sweep takes: those with a chosen item, or else those the
// general targets enable.
uint32_t SweptCategoryRequests();

// The category workers, on a worker thread or called directly.
UINT SweepWindows(void* coordinator);
UINT SweepApplications(void* coordinator);
UINT SweepInternet(void* coordinator);
