#include "tools/windows_today_traces.h"
#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>
#include <cstring>
#include <algorithm>
#include <map>
#include "tools/compound_file_writer.h"

namespace {

const std::string kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
const std::string kUserAssistGuid = kExplorer + "\\UserAssist\\{CEBFF5CD-ACE2-4F4F-9178-9926F41749EA}";
const std::string kRecentApps = "Software\\Microsoft\\Windows\\CurrentVersion\\Search\\RecentApps";
const std::string kLocalShell = "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell";
const std::string kTerminalServer = "Software\\Microsoft\\Terminal Server Client";
const std::string kLinkTarget = "Software\\OmbrixTodayLinkTarget";
const std::string kUserChoice = kExplorer + "\\FileExts\\.txt\\UserChoice";
const char* const kShellBagBases[] = {"Software\\Microsoft\\Windows\\Shell", "Software\\Microsoft\\Windows\\ShellNoRoam",
                                      "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell",
                                      "Software\\Classes\\Wow6432Node\\Local Settings\\Software\\Microsoft\\Windows\\Shell"};
const char* const kValueKeys[] = {"TypedPaths", "WordWheelQuery", "ComDlg32\\OpenSavePidlMRU",
                                  "ComDlg32\\OpenSavePidlMRU\\docx", "ComDlg32\\LastVisitedPidlMRU",
                                  "ComDlg32\\LastVisitedPidlMRULegacy", "ComDlg32\\FirstFolder",
                                  "FeatureUsage\\AppLaunch", "FeatureUsage\\AppSwitched", "FeatureUsage\\ShowJumpView",
                                  "FeatureUsage\\AppBadgeUpdated", "FeatureUsage\\TrayButtonClicked"};
const char* const kAppletLists[] = {"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List",
                                    "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List"};
// The long tail a real Windows 7 user's registry still held: each key's values, one named value.
const char* const kTailKeys[] = {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StreamMRU",
                                 "Software\\Microsoft\\Microsoft Management Console\\Recent File List",
                                 "Software\\Microsoft\\Direct3D\\MostRecentApplication",
                                 "Software\\Microsoft\\Search Assistant\\ACMru\\5603"};
const std::string kRegedit = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

// The files' planted bytes, to tell a canary kept byte for byte.
std::map<std::string, std::string>& Planted()
{
    static std::map<std::string, std::string> planted;
    return planted;
}

std::string Roaming(const std::string& profile) { return profile + "\\AppData\\Roaming"; }
std::string Local(const std::string& profile) { return profile + "\\AppData\\Local"; }
std::string Recent(const std::string& profile) { return Roaming(profile) + "\\Microsoft\\Windows\\Recent"; }
std::string Automatic(const std::string& profile) { return Recent(profile) + "\\AutomaticDestinations"; }
std::string Custom(const std::string& profile) { return Recent(profile) + "\\CustomDestinations"; }
std::string ExplorerCache(const std::string& profile) { return Local(profile) + "\\Microsoft\\Windows\\Explorer"; }
std::string Reports(const std::string& profile) { return Local(profile) + "\\Microsoft\\Windows\\WER"; }
std::string RemoteDesktopDefault() { return UserDocuments() + "\\Default.rdp"; }
std::string OwnRemoteDesktop() { return UserDocuments() + "\\work.rdp"; }

void Put(const std::string& path, const std::string& content)
{
    WriteFileText(path, content);
    Planted()[path] = content;
}

// An automatic jump list: a compound file with a numbered link stream and its DestList.
void PutJumpList(const std::string& path, const std::string& destList)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    MakeFolders(path.substr(0, path.rfind('\\')));
    const std::wstring wide(path.begin(), path.end());
    IStorage* storage = nullptr;
    if (SUCCEEDED(StgCreateStorageEx(wide.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                     STGFMT_STORAGE, 0, nullptr, nullptr, IID_IStorage,
                                     reinterpret_cast<void**>(&storage)))) {
        for (const auto& [name, data] : {std::pair<const wchar_t*, std::string>{L"1", "L\0\0\0link"},
                                         std::pair<const wchar_t*, std::string>{L"DestList", destList}}) {
            IStream* stream = nullptr;
            if (FAILED(storage->CreateStream(name, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream)))
                continue;
            stream->Write(data.data(), static_cast<ULONG>(data.size()), nullptr);
            stream->Release();
        }
        storage->Commit(STGC_DEFAULT);
        storage->Release();
    }
    Planted()[path] = ReadFileText(path);
}

void PlantValues()
{
    for (const char* key : kValueKeys) {
        SetRaw(HKEY_CURRENT_USER, kExplorer + "\\" + key, "0", REG_BINARY, std::string("\x14\0\x1f\x50", 4));
        SetRaw(HKEY_CURRENT_USER, kExplorer + "\\" + key, "MRUListEx", REG_BINARY, std::string("\0\0\0\0\xff\xff\xff\xff", 8));
    }
    SetText(HKEY_CURRENT_USER, kExplorer + "\\TypedPaths", "url1", "C:\\Users\\someone\\Secret Plans");
    SetRaw(HKEY_CURRENT_USER, kUserAssistGuid + "\\Count", "{1NP14R77-02R7-4R5Q-O744-2RO1NR5198O7}\\abgrcnq.rkr",
           REG_BINARY, std::string(72, '\x01'));
    SetNumber(HKEY_CURRENT_USER, kUserAssistGuid, "Version", 5);
    SetText(HKEY_CURRENT_USER, kRecentApps + "\\{5E2E2B5A-0000-0000-0000-000000000001}", "AppId", "Microsoft.Paint");
    SetText(HKEY_CURRENT_USER, kLocalShell + "\\MuiCache", "C:\\Tools\\secret.exe.FriendlyAppName", "Secret Tool");
    SetNumber(HKEY_CURRENT_USER, kLocalShell + "\\MuiCache", "LangID", 0x409);
    for (const char* list : kAppletLists) SetText(HKEY_CURRENT_USER, list, "File1", "C:\\Users\\someone\\plan.png");
    SetText(HKEY_CURRENT_USER, kTerminalServer + "\\Default", "MRU0", "server.example.org");
    SetText(HKEY_CURRENT_USER, kTerminalServer + "\\Default", "MRU9", "10.0.0.9");
    SetText(HKEY_CURRENT_USER, kTerminalServer + "\\Default", "MRU10", "kept: not one of the ten");
    SetText(HKEY_CURRENT_USER, kTerminalServer + "\\Servers\\server.example.org", "UsernameHint", "someone");
    SetText(HKEY_CURRENT_USER, kUserChoice, "ProgId", "txtfile");
    for (const char* base : kShellBagBases) {
        SetRaw(HKEY_CURRENT_USER, std::string(base) + "\\BagMRU", "0", REG_BINARY, std::string("\x19\0\x2f", 3));
        SetRaw(HKEY_CURRENT_USER, std::string(base) + "\\BagMRU\\0", "0", REG_BINARY, std::string("\x19\0\x2f", 3));
        SetNumber(HKEY_CURRENT_USER, std::string(base) + "\\Bags\\1\\Shell", "Mode", 4);
        SetNumber(HKEY_CURRENT_USER, std::string(base) + "\\Bags\\AllFolders\\Shell", "Mode", 6);
    }
    SetRaw(HKEY_CURRENT_USER, kTailKeys[0], "0", REG_BINARY, std::string("\x14\0\x1f\x50", 4));
    SetRaw(HKEY_CURRENT_USER, kTailKeys[0], "MRUListEx", REG_BINARY, std::string("\0\0\0\0\xff\xff\xff\xff", 8));
    SetText(HKEY_CURRENT_USER, kTailKeys[1], "File1", "C:\\Users\\someone\\secret.msc");
    SetText(HKEY_CURRENT_USER, kTailKeys[2], "Name", "secretgame.exe");
    SetText(HKEY_CURRENT_USER, kTailKeys[3], "000", "secret words");
    SetText(HKEY_CURRENT_USER, kRegedit, "LastKey", "Computer\\HKEY_CURRENT_USER\\Software\\Secret");
    SetNumber(HKEY_CURRENT_USER, kRegedit, "View", 1);
    SetText(HKEY_CURRENT_USER, kRegedit + "\\Favorites", "Run", "Computer\\HKEY_CURRENT_USER\\Software\\Run");
    // A history key that is a link to another program's key: neither is touched.
    SetText(HKEY_CURRENT_USER, kLinkTarget, "keep", "another program's value");
    MakeRegistryLink(HKEY_CURRENT_USER, kExplorer + "\\ComDlg32\\CIDSizeMRU", kLinkTarget);
}

void PlantFiles(const std::string& profile)
{
    const std::string automatic = Automatic(profile);
    PutJumpList(automatic + "\\f01b4d95cf55d32a.automaticDestinations-ms", DestListStream(4, {-1}));
    PutJumpList(automatic + "\\9b9cdc69c1c24e2b.automaticDestinations-ms", DestListStream(4, {-1, 0, -1}));
    PutJumpList(automatic + "\\1b4dd67f29cb1962.automaticDestinations-ms", DestListStream(1, {-1, 1}));
    PutJumpList(automatic + "\\5f7b5f1e01b83767.automaticDestinations-ms", DestListStream(4, {-1, -1}));
    PutJumpList(automatic + "\\adecfb853d77462a.automaticDestinations-ms", DestListStream(1, {-1}));
    Put(Custom(profile) + "\\5f7b5f1e01b83767.customDestinations-ms", "custom tasks");
    Put(Recent(profile) + "\\report.docx.lnk", "shortcut");
    const std::string cache = ExplorerCache(profile);
    Put(ThumbnailDatabase(profile), std::string(4096, 't'));
    Put(cache + "\\thumbcache_idx.db", std::string(512, 'i'));
    Put(cache + "\\iconcache_32.db", std::string(512, 'c'));
    Put(Local(profile) + "\\IconCache.db", std::string(512, 'c'));
    Put(Reports(profile) + "\\ReportArchive\\AppCrash_secret.exe_1\\Report.wer", "report");
    Put(Reports(profile) + "\\ReportQueue\\AppHang_secret.exe_2\\Report.wer", "report");
    Put(Local(profile) + "\\CrashDumps\\secret.exe.4242.dmp", std::string(2048, 'd'));
    Put(Local(profile) + "\\CrashDumps\\readme.txt", "kept");
    Put(Roaming(profile) + "\\Microsoft\\Windows\\PowerShell\\PSReadLine\\ConsoleHost_history.txt", "Get-Secret");
    Put(Roaming(profile) + "\\Microsoft\\Windows\\PowerShell\\PSReadLine\\notes.txt", "kept");
    Put(RemoteDesktopDefault(), "full address:s:server.example.org");
    SetFileAttributesA(RemoteDesktopDefault().c_str(), FILE_ATTRIBUTE_HIDDEN);
    Put(OwnRemoteDesktop(), "full address:s:my-own.example.org");
}

bool FileTrace(const std::string& path) { return Exists(path); }

bool KeyHasValues(const std::string& key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    DWORD values = 0, subkeys = 0;
    RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(opened);
    return values + subkeys > 0;
}

bool Logged(const std::vector<std::string>& logs, const std::string& text)
{
    for (const std::string& log : logs)
        if (log.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

std::string ThumbnailDatabase(const std::string& profile) { return ExplorerCache(profile) + "\\thumbcache_256.db"; }

void PlantWindowsTodayTraces(const std::string& profile)
{
    Planted().clear();
    PlantValues();
    PlantFiles(profile);
}

void CheckWindowsTodayTraces(const std::string& profile, const SweepEvidence& evidence, ProfileCheck& check)
{
    const std::vector<std::string>& logs = evidence.logs;
    const std::string automatic = Automatic(profile);
    for (const char* name : {"\\5f7b5f1e01b83767.automaticDestinations-ms", "\\adecfb853d77462a.automaticDestinations-ms"})
        check.Trace(FileTrace(automatic + name), automatic + name);
    const std::string traces[] = {Custom(profile) + "\\5f7b5f1e01b83767.customDestinations-ms",
                                  Recent(profile) + "\\report.docx.lnk",
                                  ExplorerCache(profile) + "\\thumbcache_idx.db",
                                  Reports(profile) + "\\ReportArchive\\AppCrash_secret.exe_1",
                                  Reports(profile) + "\\ReportQueue\\AppHang_secret.exe_2",
                                  Local(profile) + "\\CrashDumps\\secret.exe.4242.dmp",
                                  Roaming(profile) + "\\Microsoft\\Windows\\PowerShell\\PSReadLine\\ConsoleHost_history.txt",
                                  RemoteDesktopDefault()};
    for (const std::string& trace : traces) check.Trace(FileTrace(trace), trace);
    for (const auto& [path, content] : Planted()) {
        if (path.rfind(profile, 0) != 0 && path.rfind(UserDocuments(), 0) != 0) continue;  // another profile's
        const bool trace = std::any_of(std::begin(traces), std::end(traces),
                                       [&](const std::string& t) { return path.rfind(t, 0) == 0; }) ||
                           path == ThumbnailDatabase(profile) || path.find("5f7b5f1e01b83767") != std::string::npos ||
                           path.find("adecfb853d77462a") != std::string::npos;
        if (!trace && ReadFileText(path) != content) check.problems.push_back("canary changed or lost: " + path);
    }
    for (const std::string& folder : {automatic, Custom(profile), Reports(profile) + "\\ReportArchive",
                                      Reports(profile) + "\\ReportQueue", Local(profile) + "\\CrashDumps"})
        check.Canary(Exists(folder), folder);
    // Held open by the test: left for the restart with Deep Sweep, else kept and not mentioned.
    const std::string held = ThumbnailDatabase(profile);
    if (!evidence.thumbnailHeld) check.Trace(Exists(held), held);
    if (evidence.thumbnailHeld) check.Canary(Exists(held), held + " (held open)");
    if (evidence.thumbnailHeld && !logs.empty()) {
        const bool scheduled = Logged(logs, held + ", size 4.000(KB) (After Rebooting).");
        if (scheduled != evidence.deepSweep) check.problems.push_back("the held thumbnail database was logged wrongly");
        if (!evidence.deepSweep && Logged(logs, "Remove file: " + held))
            check.problems.push_back("a removal line for the held file");
    }
    if (!logs.empty() &&
        !Logged(logs, "  Kept: " + automatic + "\\9b9cdc69c1c24e2b.automaticDestinations-ms holds pinned items."))
        check.problems.push_back("the pinned jump list was not said to be kept");
    // Lines of today's items name their keys from the hive.
    if (!logs.empty() && !Logged(logs, ", Delete Key: HKCU\\" + kTerminalServer + "\\Servers\\server.example.org."))
        check.problems.push_back("the Remote Desktop server's line does not name its key from the hive");

    for (const char* key : kValueKeys) check.Trace(KeyHasValues(kExplorer + "\\" + key) && std::strcmp(key, "ComDlg32\\OpenSavePidlMRU") != 0, key);
    check.Trace(ValueExists(HKEY_CURRENT_USER, kExplorer + "\\ComDlg32\\OpenSavePidlMRU", "0"), "OpenSavePidlMRU values");
    check.Trace(KeyHasValues(kUserAssistGuid + "\\Count"), "UserAssist counts");
    check.Canary(ValueExists(HKEY_CURRENT_USER, kUserAssistGuid, "Version"), "UserAssist Version");
    check.Trace(KeyHasValues(kRecentApps), "RecentApps");
    check.Canary(KeyExists(HKEY_CURRENT_USER, kRecentApps), "the RecentApps key");
    check.Trace(ValueExists(HKEY_CURRENT_USER, kLocalShell + "\\MuiCache", "C:\\Tools\\secret.exe.FriendlyAppName"),
                "MuiCache");
    check.Canary(ValueExists(HKEY_CURRENT_USER, kLocalShell + "\\MuiCache", "LangID"), "MuiCache LangID");
    for (const char* list : kAppletLists) check.Trace(KeyHasValues(list), list);
    for (const char* key : kTailKeys) check.Trace(KeyHasValues(key), key);
    check.Trace(ValueExists(HKEY_CURRENT_USER, kRegedit, "LastKey"), "Regedit LastKey");
    check.Canary(ValueExists(HKEY_CURRENT_USER, kRegedit, "View"), "Regedit View");
    check.Canary(ValueExists(HKEY_CURRENT_USER, kRegedit + "\\Favorites", "Run"), "Regedit Favorites");
    if (!logs.empty() && !Logged(logs, "  Clean up registry key: HKCU\\Software\\Microsoft\\Direct3D\\MostRecentApplication"))
        check.problems.push_back("the Direct3D line does not name its key from the hive");
    for (const char* value : {"MRU0", "MRU9"})
        check.Trace(ValueExists(HKEY_CURRENT_USER, kTerminalServer + "\\Default", value), value);
    check.Canary(ValueExists(HKEY_CURRENT_USER, kTerminalServer + "\\Default", "MRU10"), "Default MRU10");
    check.Trace(KeyHasValues(kTerminalServer + "\\Servers"), "Terminal Server Client servers");
    check.Canary(ValueExists(HKEY_CURRENT_USER, kUserChoice, "ProgId"), "UserChoice");
    check.Canary(ValueExists(HKEY_CURRENT_USER, kLinkTarget, "keep"), "the value behind a registry link");
    for (const char* base : kShellBagBases) {
        check.Trace(KeyHasValues(std::string(base) + "\\BagMRU"), std::string(base) + "\\BagMRU");
        check.Trace(KeyExists(HKEY_CURRENT_USER, std::string(base) + "\\Bags\\1"), std::string(base) + "\\Bags\\1");
        check.Canary(ValueExists(HKEY_CURRENT_USER, std::string(base) + "\\Bags\\AllFolders\\Shell", "Mode"),
                     std::string(base) + "\\Bags\\AllFolders");
    }
}

void RemoveWindowsTodayTraces()
{
    for (const std::string& path : {RemoteDesktopDefault(), OwnRemoteDesktop()}) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    RemoveRegistryLink(HKEY_CURRENT_USER, kExplorer + "\\ComDlg32\\CIDSizeMRU");
    Planted().clear();
}
