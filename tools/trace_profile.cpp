#include "tools/trace_profile.h"
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>
#include "tools/application_traces.h"
#include "tools/browser_traces.h"
#include "tools/internet_explorer_traces.h"
#include "tools/profile_tools.h"
#include "tools/windows_apps_traces.h"
#include "tools/windows_today_traces.h"

namespace {

const char* const kCV = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
const char* const kBars = "Software\\Microsoft\\Internet Explorer\\Explorer Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}";
const char* const kLogonNT = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const char* const kLogon = "Software\\Microsoft\\Windows\\CurrentVersion\\Winlogon";
const char* const kRootCanary = "C:\\ombrix-drive-root-canary.txt";

void Recycle(const std::string& path)
{
    std::string from = path + '\0';
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationA(&op);
}

void PlantMru(const std::string& path)
{
    SetText(HKEY_CURRENT_USER, path, "MRUList", "ba");
    SetText(HKEY_CURRENT_USER, path, "a", "C:\\Users\\me\\report.doc");
    SetText(HKEY_CURRENT_USER, path, "b", "\\\\server\\share\\plan.xls");
    SetText(HKEY_CURRENT_USER, path, "(Default)", "canary");
}

// A file as deep as a package cache puts one: 400 characters of path.
std::string LongTempPath(const std::string& root)
{
    std::string path = root + "\\Temp\\node_modules";
    for (int level = 1; path.size() < 350; ++level) path += "\\package-with-a-long-name-" + std::to_string(level);
    return path + "\\" + std::string(400 - path.size() - 1 - 3, 'i') + ".js";
}

std::string RecentFolder(const std::string& root) { return root + "\\Profile\\AppData\\Roaming\\Microsoft\\Windows\\Recent"; }

}  // namespace

void SetProfileEnvironment(const std::string& root)
{
    SetEnvironmentVariableA("TEMP", (root + "\\Temp").c_str());
    SetEnvironmentVariableA("TMP", (root + "\\Temp").c_str());
    SetEnvironmentVariableA("TMPDIR", "C:\\");  // hostile: names the drive root
    // The user's shell folders name it: the browsers' profiles are found below it.
    SetEnvironmentVariableA("USERPROFILE", (root + "\\Profile").c_str());
    SetEnvironmentVariableA("APPDATA", (root + "\\Profile\\AppData\\Roaming").c_str());
    SetEnvironmentVariableA("LOCALAPPDATA", (root + "\\Profile\\AppData\\Local").c_str());
}

void PlantTraceProfile(const std::string& root)
{
    // Histories, each with a "(Default)" canary value; hostile values of odd types and sizes among them.
    for (const char* key : {"\\RunMRU", "\\Map Network Drive MRU", "\\Doc Find Spec MRU", "\\FindComputerMRU",
                            "\\RecentDocs", "\\RecentDocs\\.doc", "\\ComDlg32\\OpenSaveMRU", "\\ComDlg32\\OpenSaveMRU\\doc",
                            "\\ComDlg32\\LastVisitedMRU"})
        PlantMru(std::string(kExplorer) + key);
    SetNumber(HKEY_CURRENT_USER, std::string(kExplorer) + "\\RunMRU", "c", 7);
    SetRaw(HKEY_CURRENT_USER, std::string(kExplorer) + "\\RunMRU", "d", REG_SZ, std::string(3000, 'r'));
    SetRaw(HKEY_CURRENT_USER, std::string(kExplorer) + "\\RunMRU", "e", REG_BINARY, "C:\\");
    SetText(HKEY_CURRENT_USER, std::string(kBars) + "\\ContainingTextMRU", "a", "secret words");
    SetText(HKEY_CURRENT_USER, std::string(kBars) + "\\FilesNamedMRU", "a", "*.doc");
    SetText(HKEY_CURRENT_USER, std::string(kExplorer) + "\\FileExts\\.txt\\OpenWithList", "a", "notepad.exe");
    SetText(HKEY_CURRENT_USER, std::string(kExplorer) + "\\FileExts\\text/plain", "a", "x");

    // The Recent folder where today's Windows keeps it, named by the shell folders, with shortcuts in it.
    const std::string recent = RecentFolder(root);
    SetRaw(HKEY_CURRENT_USER, std::string(kExplorer) + "\\User Shell Folders", "Recent", REG_EXPAND_SZ, recent + '\0');
    SetText(HKEY_CURRENT_USER, std::string(kExplorer) + "\\Shell Folders", "Recent", recent);
    WriteFileText(recent + "\\report.doc.lnk", "shortcut");
    WriteFileText(recent + "\\plan.xls.lnk", "shortcut");

    // Temp trees with read-only files, nested folders and a folder link to a canary.
    WriteFileText(root + "\\Temp\\setup.tmp", "t");
    SetFileAttributesA((root + "\\Temp\\setup.tmp").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFileText(root + "\\Temp\\nested\\deeper\\cache.bin", "t");
    // Names outside every old code page, and a path of 400 characters.
    WriteFileText(root + "\\Temp\\ж.txt", "t");
    WriteFileText(root + "\\Temp\\日本語\\ファイル.txt", "t");
    WriteFileText(LongTempPath(root), "t");
    WriteFileText(root + "\\Canary\\LinkTarget\\precious.txt", "keep");
    MakeFolderLink(root + "\\Temp\\link-to-canary", root + "\\Canary\\LinkTarget");
    WriteFileText(kRootCanary, "keep");

    // A Recycle Bin with a file and a folder in it.
    WriteFileText(root + "\\ToRecycle\\old.txt", "r");
    WriteFileText(root + "\\ToRecycle\\oldfolder\\inner.txt", "r");
    Recycle(root + "\\ToRecycle\\old.txt");
    Recycle(root + "\\ToRecycle\\oldfolder");

    // Winlogon names, one of an odd type, and a canary beside them.
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        SetText(hive, kLogonNT, "DefaultUserName", "someone");
        SetText(hive, kLogonNT, "DefaultDomainName", "HOME");
        SetNumber(hive, kLogon, "AltDefaultUserName", 1);
        SetText(hive, kLogonNT, "OmbrixCanary", "keep");
    }

    // Two custom locations: one filtered, one with subfolders.
    WriteFileText(root + "\\Custom1\\scratch.tmp", "c");
    WriteFileText(root + "\\Custom1\\keep.doc", "keep");
    WriteFileText(root + "\\Custom2\\sub\\notes.txt", "c");
    const std::string windows = "SOFTWARE\\Quillane\\Ombrix\\Windows";
    SetText(HKEY_CURRENT_USER, windows + "\\CusDir.0", "Dir", root + "\\Custom1");
    SetText(HKEY_CURRENT_USER, windows + "\\CusDir.0", "Flt", "*.tmp");
    SetNumber(HKEY_CURRENT_USER, windows + "\\CusDir.0", "SubInc", 0);
    SetText(HKEY_CURRENT_USER, windows + "\\CusDir.1", "Dir", root + "\\Custom2");
    SetText(HKEY_CURRENT_USER, windows + "\\CusDir.1", "Flt", "*.*");
    SetNumber(HKEY_CURRENT_USER, windows + "\\CusDir.1", "SubInc", 1);
    SetNumber(HKEY_CURRENT_USER, windows, "Targets", 0x3FFF | kWindowsAppsBits);
    SetNumber(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\General Settings", "Targets", 0x07);

    // Outside every target.
    WriteFileText(root + "\\Documents\\thesis.doc", "keep");

    PlantApplicationTraces(root);
    PlantBrowserTraces(root);
    PlantInternetExplorerTraces(root);
    PlantWindowsTodayTraces(root + "\\Profile");
    PlantWindowsAppsTraces(root + "\\Profile");
    SetNumber(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Applications", "Targets", 0x7F | kAppWebCachesBit);
}

std::vector<std::string> CheckTraceProfile(const std::string& root, const SweepEvidence& evidence)
{
    ProfileCheck check;
    auto trace = [&](bool present, const std::string& what) { check.Trace(present, what); };
    auto canary = [&](bool present, const std::string& what) { check.Canary(present, what); };

    for (const char* key : {"\\RunMRU", "\\Map Network Drive MRU", "\\Doc Find Spec MRU", "\\FindComputerMRU",
                            "\\RecentDocs", "\\RecentDocs\\.doc", "\\ComDlg32\\OpenSaveMRU",
                            "\\ComDlg32\\OpenSaveMRU\\doc", "\\ComDlg32\\LastVisitedMRU"}) {
        const std::string path = std::string(kExplorer) + key;
        trace(ValueExists(HKEY_CURRENT_USER, path, "a") || ValueExists(HKEY_CURRENT_USER, path, "b"), path);
        canary(ValueExists(HKEY_CURRENT_USER, path, "(Default)"), path + " (Default)");
    }
    for (const char* v : {"c", "d", "e"}) trace(ValueExists(HKEY_CURRENT_USER, std::string(kExplorer) + "\\RunMRU", v), std::string("RunMRU ") + v);
    trace(ValueExists(HKEY_CURRENT_USER, std::string(kBars) + "\\ContainingTextMRU", "a"), "ContainingTextMRU");
    trace(ValueExists(HKEY_CURRENT_USER, std::string(kBars) + "\\FilesNamedMRU", "a"), "FilesNamedMRU");
    trace(KeyExists(HKEY_CURRENT_USER, std::string(kExplorer) + "\\FileExts\\text/plain"), "FileExts text/plain");
    canary(KeyExists(HKEY_CURRENT_USER, std::string(kExplorer) + "\\FileExts\\.txt"), "FileExts .txt");

    trace(Exists(RecentFolder(root) + "\\report.doc.lnk") || Exists(RecentFolder(root) + "\\plan.xls.lnk"), "Recent shortcuts");
    trace(Exists(root + "\\Temp\\setup.tmp"), "read-only temp file");
    trace(Exists(root + "\\Temp\\nested"), "nested temp folders");
    trace(Exists(root + "\\Temp\\ж.txt") || Exists(root + "\\Temp\\日本語"), "temp files with non-Latin names");
    trace(Exists(root + "\\Temp\\node_modules"), "temp file at a path of 400 characters");
    canary(Exists(root + "\\Canary\\LinkTarget\\precious.txt"), "folder behind the temp link");
    canary(Exists(kRootCanary), "file at the drive root");

    SHQUERYRBINFO bin{};
    bin.cbSize = sizeof bin;
    if (SUCCEEDED(SHQueryRecycleBinA(nullptr, &bin))) trace(bin.i64NumItems != 0, "Recycle Bin items");

    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        trace(ValueExists(hive, kLogonNT, "DefaultUserName") || ValueExists(hive, kLogonNT, "DefaultDomainName") ||
                  ValueExists(hive, kLogon, "AltDefaultUserName"),
              "Winlogon names");
        canary(ValueExists(hive, kLogonNT, "OmbrixCanary"), "Winlogon canary");
    }

    trace(Exists(root + "\\Custom1\\scratch.tmp"), "filtered custom location");
    canary(Exists(root + "\\Custom1\\keep.doc"), "non-matching file of the filtered location");
    trace(Exists(root + "\\Custom2\\sub"), "custom location with subfolders");
    canary(Exists(root + "\\Documents\\thesis.doc"), "document outside every target");
    CheckApplicationTraces(root, check);
    CheckBrowserTraces(root, evidence.passwordsSwept, check);
    CheckInternetExplorerTraces(root, evidence.passwordsSwept, check);
    CheckWindowsTodayTraces(root + "\\Profile", evidence, check);
    CheckWindowsAppsTraces(root + "\\Profile", evidence, check);
    return check.problems;
}
