#pragma once
#include <optional>
#include <string>
#include "app/command_line.h"
#include "cleaners/category_table.h"

// What a script may ask on the command line besides a sweep.

// The usage that /? and /help print: every switch, the exit codes and an example.
std::string UsageText();
// Every item with a command-line id, one a line: id, category, name, and "on" when the stored
// settings sweep it (its category enabled and its box ticked), each separated by a tab.
std::string ItemListText();
// /update-rules: the community rules downloaded from their source and made the user's rules file;
// one line on standard output when they are ("Rules: N rule(s), version V, from URL."), else one on
// standard error saying why not. The exit code: done, something left (nothing changed), or a bad
// command line (another switch, or a value given to it).
int UpdateRulesCommand(const AppCommandLineInfo& commandLine);
// The items /only names ("a,b"), or nothing with `error` saying which id is unknown.
std::optional<ItemSelection> ParseItemIds(const std::string& ids, std::string& error);

// The exit codes of a script's run.
namespace ExitCode {
inline constexpr int kDone = 0;        // nothing it set out to remove was left
inline constexpr int kCannotStart = 1;
inline constexpr int kBadCommandLine = 2;
inline constexpr int kSomethingLeft = 3;
}  // namespace ExitCode
