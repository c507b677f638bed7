#pragma once
#include <string>
#include <vector>

// Where a walk's pattern came from: a path from data is never swept below the folders the user
// keeps; a folder the user chose may lie below the document folders.
// The Jump Lists item's own walk is the only one that may start in a jump-list folder.
enum class PatternSource { Data, UserChoice, JumpLists };

// The log line that refuses a sweep target which is a drive, or is or holds a folder the system or the
// user keeps (the Windows folder, Program Files, ProgramData, the Users folder, a profile, the user's known
// folders, LocalLow, OneDrive), or lies inside a kept subtree: the Windows folder (but its Temp) and
// Program Files always, the user's document folders when the path came from data rather than from
// the user's own choice. Empty when the target may be swept. The folders come from the shell; the
// target is given as named and as the system resolved it (links followed).
std::string ProtectedFolderRefusal(const std::string& folder, const std::string& finalFolder, PatternSource source);
// The same, logged (and told to a script) when the target is refused; true then.
bool RefuseProtectedFolder(const std::string& folder, const std::string& finalFolder, PatternSource source);
// The kept folders that lie below a folder (given as named and as resolved), for a walk that must
// enter none of them; and whether a folder is or holds one of them.
std::vector<std::string> KeptFoldersBelow(const std::string& folder, const std::string& finalFolder);
bool IsOrHoldsAny(const std::string& folder, const std::vector<std::string>& kept);
// The kept folders of a sweep, decided before its first change: while one hold or more is alive, every
// refusal compares with the folders as the shell named them when the first was taken, whatever the
// sweep changes meanwhile (a rule that deletes where Documents is cannot free it for the next one).
// Whatever starts a sweep holds it until the sweep's last worker has ended.
class KeptFoldersHold {
public:
    KeptFoldersHold();
    ~KeptFoldersHold();
    KeptFoldersHold(const KeptFoldersHold&) = delete;
    KeptFoldersHold& operator=(const KeptFoldersHold&) = delete;
};

// Why a folder cannot be a custom location, as the dialogs say it ("C:\ is a whole drive; choose a
// folder inside it."); empty when it may be one. Drive roots, the system's folders, the user's known
// folders, profiles, any folder that holds one of them, and folders inside Windows or Program Files
// are refused.
std::string CustomLocationRefusal(const std::string& folder);

// Why an entry of a walked folder is never taken, whatever walk finds it, or null: the jump-list
// folders of the user's Recent folder (their files belong to the Jump Lists item, which keeps the
// pinned ones), and the file of the Quick Access pins. `parentFinal` is the folder as resolved.
const char* KeptEntryReason(const std::string& parentFinal, const std::string& name, bool folder);
// Whether a folder is, or lies inside, a jump-list folder.
bool InJumpListFolder(const std::string& folder);
