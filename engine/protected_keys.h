#pragma once
#include <string>

// Why a key may not be deleted with its tree, nor a value of it, as the words that follow its name in
// a line ("is a whole hive", "holds the user's choice of a program"); empty when it may. Kept are the
// hives and every key one step below them, the keys the system keeps with all below them (the
// system's configuration, the classes and policies, the keys that start programs, the keys that name
// where the user's folders and the profiles are, the environments, the user's choices of programs for
// file types), and every key that holds one of them, by its name or by a name it may hold (a file
// type's key may hold a choice). `path` is below HKCU or HKLM in one form ("Software\\Tool"), and the
// same keys are kept below both; Wow6432Node steps count as absent. The table is fixed: what is kept
// is decided before any sweep. (A rule's detection only reads a key, and may name any.)
std::string KeptKeyRefusal(const std::string& path);
// A key's refusal logged ("  Refused: <shown> <words>.") and told to a script.
void LogKeyRefusal(const std::string& shown, const std::string& words);
