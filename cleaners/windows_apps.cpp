#include <windows.h>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "cleaners/browser_profile.h"
#include "cleaners/windows_cleaners.h"
#include "engine/notepad_tab_state.h"
#include "engine/profile_walk.h"
#include "engine/sweep_events.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "framework/process_list.h"

// What Windows 11's own apps leave in the user's local application data: Notepad's tabs, the
// Snipping Tool's clips, the activity timeline.

namespace {

constexpr int kStatus = kStatusWindows;
constexpr const char* kNotepadTabs = "Packages\\Microsoft.WindowsNotepad_8wekyb3d8bbwe\\LocalState\\TabState";
constexpr size_t kTabLimit = 64u << 20;  // a tab holds its text: a larger one is not read, and stays
const char* const kScreenClipFolders[] = {
    "Packages\\MicrosoftWindows.Client.CBS_cw5n1h2txyewy\\TempState\\ScreenClip",
    "Packages\\Microsoft.ScreenSketch_8wekyb3d8bbwe\\TempState",
};
const char* const kActivityFiles[] = {"ActivitiesCache.db", "ActivitiesCache.db-wal", "ActivitiesCache.db-shm"};

// A folder below the user's local application data, reached step by step.
std::optional<ReachedEntry> LocalFolder(const std::string& relative)
{
    const std::optional<std::string> local = ShellFolderPath("Local AppData");
    const std::optional<ReachedEntry> start = local ? StartFolder(*local) : std::nullopt;
    std::optional<ReachedEntry> folder = start ? Reach(*start, relative) : std::nullopt;
    return folder && folder->IsFolder() ? folder : std::nullopt;
}

bool IsGuid(std::string_view text)
{
    if (text.size() != 36) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const char c = text[i];
        if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// A file of the TabState folder: "<GUID>.bin" is a tab, "<GUID>.0.bin" and "<GUID>.1.bin" its options.
struct TabFile {
    std::string guid;  // in lower case
    bool options;
    ReachedEntry entry;
};

std::optional<TabFile> AsTabFile(ReachedEntry& entry)
{
    const std::string& name = entry.name;
    if (entry.IsFolder() || !IsGuid(std::string_view(name).substr(0, 36))) return std::nullopt;
    const std::string rest = name.substr(36);
    const bool options = lstrcmpiA(rest.c_str(), ".0.bin") == 0 || lstrcmpiA(rest.c_str(), ".1.bin") == 0;
    if (!options && lstrcmpiA(rest.c_str(), ".bin") != 0) return std::nullopt;
    std::string guid = name.substr(0, 36);
    CharLowerA(guid.data());
    return TabFile{guid, options, std::move(entry)};
}

// A file that cannot be read might hold text: it stays, and counts as left.
void KeepUnread(const ReachedEntry& file)
{
    LogNote(FormatLine("  Kept: %s (not read).\n", file.path.c_str()));
    NoteLeft(kStatus, "remove-file", file.path, "not read");
}

std::optional<std::vector<unsigned char>> Content(const ReachedEntry& file)
{
    std::vector<unsigned char> bytes;
    return ReadEntryContent(file, bytes, kTabLimit) ? std::optional(std::move(bytes)) : std::nullopt;
}

// A tab goes, with its option files, only when it shows a saved file and holds no change that is not
// on disk.
void CleanTab(TabFile& tab, std::vector<TabFile>& options, int* counter, float* kb)
{
    const std::optional<std::vector<unsigned char>> bytes = Content(tab.entry);
    switch (bytes ? ReadNotepadTab(*bytes).kind : NotepadTabKind::NotRead) {
    case NotepadTabKind::NotRead:
        KeepUnread(tab.entry);
        return;
    case NotepadTabKind::Unsaved:
    case NotepadTabKind::UnsavedChanges:
        LogNote(FormatLine("  Kept: %s (unsaved text).\n", tab.entry.path.c_str()));
        return;
    case NotepadTabKind::Saved:
        break;
    }
    RemoveProfileFile(tab.entry, kStatus, counter, kb);
    for (TabFile& option : options) {
        const std::optional<std::vector<unsigned char>> optionBytes = Content(option.entry);
        if (optionBytes && IsNotepadOptionFile(*optionBytes))
            RemoveProfileFile(option.entry, kStatus, counter, kb);
        else
            KeepUnread(option.entry);
    }
}

}  // namespace

void CleanNotepadSession(int* counter, float* kb)
{
    LogLine("Start clean up Notepad session.\n", kStatusLogOnly);
    try {
        const std::optional<ReachedEntry> tabs = LocalFolder(kNotepadTabs);
        if (!tabs) return;
        // Notepad rewrites its tabs as it runs: none is judged, or taken, under its hands.
        if (ProcessRunning("notepad.exe")) return LogLeft(kStatus, "remove-file", tabs->path, "Notepad is running");
        std::vector<TabFile> tabFiles;
        std::map<std::string, std::vector<TabFile>> optionFiles;
        ForEachEntry(
            *tabs, "*.bin",
            [&](ReachedEntry& entry) {
                if (std::optional<TabFile> file = AsTabFile(entry))
                    (file->options ? optionFiles[file->guid] : tabFiles).push_back(std::move(*file));
            },
            true);
        for (TabFile& tab : tabFiles) CleanTab(tab, optionFiles[tab.guid], counter, kb);
    } catch (const std::exception&) {
        // The walk ends; the next item still runs.
    }
}

void CleanScreenClips(int* counter, float* kb)
{
    LogLine("Start clean up screen clips.\n", kStatusLogOnly);
    for (const char* relative : kScreenClipFolders) {
        try {
            const std::optional<ReachedEntry> folder = LocalFolder(relative);
            if (!folder) continue;
            LogLine(FormatLine("  Clean up directory: %s.\n", folder->path.c_str()).c_str(), kStatusLogOnly);
            CSweepFinder(folder->AsFolder(), "*.*", DeepSweepOn()).RemoveTree(TreeMode::Plain, kStatus, counter, kb);
        } catch (const std::exception&) {
            // This folder ends; the next one is still cleaned.
        }
    }
}

// The timeline's database and its journal files in each account's folder. The service holds them
// while Windows runs: they stay with a line, or with Deep Sweep go at the restart.
void CleanActivityHistory(int* counter, float* kb)
{
    LogLine("Start clean up activity history.\n", kStatusLogOnly);
    try {
        const std::optional<ReachedEntry> platform = LocalFolder("ConnectedDevicesPlatform");
        if (!platform) return;
        std::vector<ReachedEntry> accounts;
        ForEachEntry(*platform, "*", [&](ReachedEntry& entry) {
            if (entry.IsFolder()) accounts.push_back(std::move(entry));
        });
        for (const ReachedEntry& account : accounts)
            for (const char* name : kActivityFiles)
                if (std::optional<ReachedEntry> file = Reach(account, name); file && !file->IsFolder())
                    RemoveProfileFile(*file, kStatus, counter, kb);
    } catch (const std::exception&) {
        // The walk ends; the next item still runs.
    }
}
