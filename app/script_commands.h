#pragma once
#include <optional>
#include <string>
#include "cleaners/category_table.h"

// What a script may ask on the command line besides a sweep.

// The usage that /? and /help print: every switch, the exit codes and an example.
std::string UsageText();
// Every item with a command-line id, one a line: id, category, name, and "on" when the stored
// settings sweep it (its category enabled and its box ticked), each separated by a tab.
std::string ItemListText();
// The items /only names ("a,b"), or nothing with `error` saying which id is unknown.
std::optional<ItemSelection> ParseItemIds(const std::string& ids, std::string& error);

// The exit codes of a script's run.
namespace ExitCode {
inline constexpr int kDone = 0;        // nothing it set out to remove was left
inline constexpr int kCannotStart = 1;
inline constexpr int kBadCommandLine = 2;
inline constexpr int kSomethingLeft = 3;
}  // namespace ExitCode
