#pragma once
#include <cstdint>
#include <span>

// One item of a category, everywhere at once: its bit of the group's "Targets", its checkbox on the
// category's page, its id on the command line, and its step of the category's worker. The worker
// runs the rows in order; the pages exchange their boxes through them.
struct CategoryItem {
    using Cleaner = void (*)(int* counter, float* kb);

    uint32_t bit;            // kAlwaysRuns: a step of the worker that no box selects
    int checkbox;            // on the category's page; 0 for none
    const char* id;          // on the command line; null for none
    const char* name;        // as its box and the command line's list show it
    Cleaner cleaner;         // null: the bit is kept and selects nothing
    int percent;             // the bar before the step; kKeepsBar leaves it where it is
    bool checksStop;         // a stop request is heard before the step
    const char* confirm;     // asked once when the box is ticked (the item changes more than traces); or null
};

inline constexpr uint32_t kAlwaysRuns = 0;
inline constexpr int kKeepsBar = -1;

std::span<const CategoryItem> WindowsItems();
std::span<const CategoryItem> ApplicationsItems();
std::span<const CategoryItem> InternetItems();
