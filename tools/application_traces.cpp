#include "tools/application_traces.h"
#include <windows.h>
#include <shlobj.h>
#include "tools/profile_tools.h"

namespace {

const std::string kOffice = "Software\\Microsoft\\Office\\";
const std::string kAdobe = "Software\\Adobe\\";
const char* const kMediaPlayer = "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList";
const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char* const kAccount = "ADAL_8d0f3e6a-42c1-4b8e-9a57-7a1b2c3d4e5f";

// A recent-list key and the value names its prefixes take and keep.
struct RecentList {
    std::string path;
    std::vector<const char*> traces;
    std::vector<const char*> canaries;
};

// The keys an Office version keeps its lists in, each swept whole by the Office rows.
std::vector<std::string> OfficeListKeys()
{
    std::vector<std::string> keys;
    for (const char* v : {"8.0", "9.0", "10.0"}) {
        keys.push_back(kOffice + v + "\\Common\\Open Find\\Microsoft Word\\Settings\\Open\\File Name MRU");
        keys.push_back(kOffice + v + "\\Common\\Open Find\\Microsoft Word\\Settings\\Save As\\File Name MRU");
        keys.push_back(kOffice + v + "\\Common\\Open Find\\Microsoft Excel\\Settings\\Open\\File Name MRU");
        keys.push_back(kOffice + v + "\\Common\\Open Find\\Microsoft Access\\Settings\\Open\\File Name MRU");
        keys.push_back(kOffice + v + "\\Common\\Open Find\\Microsoft PowerPoint\\Settings\\Save As\\File Name MRU");
    }
    keys.push_back(kOffice + "11.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Save As\\File Name MRU");
    keys.push_back(kOffice + "11.0\\Common\\Open Find\\Microsoft Office Access\\Settings\\New\\File Name MRU");
    for (const char* v : {"12.0", "14.0"}) {
        keys.push_back(kOffice + v + "\\Common\\Open Find\\Microsoft Office Word\\Settings\\Open");
        keys.push_back(kOffice + v + "\\Common\\Open Find\\Microsoft Office Excel\\Settings\\Save As\\File Name MRU");
    }
    for (const char* v : {"11.0", "12.0", "14.0"}) {
        keys.push_back(kOffice + v + "\\Word\\File MRU");
        keys.push_back(kOffice + v + "\\Excel\\File MRU");
        keys.push_back(kOffice + v + "\\PowerPoint\\File MRU");
    }
    for (const char* app : {"Word", "Excel", "PowerPoint"}) keys.push_back(kOffice + "14.0\\" + app + "\\Place MRU");
    for (const char* v : {"15.0", "16.0"})
        for (const char* app : {"Word", "Excel", "PowerPoint", "Access"})
            for (const char* list : {"File MRU", "Place MRU"}) {
                keys.push_back(kOffice + v + "\\" + app + "\\" + list);
                keys.push_back(kOffice + v + "\\" + app + "\\User MRU\\" + kAccount + "\\" + list);
            }
    return keys;
}

std::vector<RecentList> OfficeRecentLists()
{
    std::vector<RecentList> lists;
    for (const char* v : {"8.0", "9.0", "10.0", "11.0", "12.0", "14.0"}) {
        // Word 97 to 2003 kept its recent list in "Data"; from 2007 on its options are there.
        const bool recentList = std::string(v) != "12.0" && std::string(v) != "14.0";
        lists.push_back({kOffice + v + "\\Word\\Data", recentList ? std::vector<const char*>{"Settings", "Settings2"}
                                                                       : std::vector<const char*>{},
                         recentList ? std::vector<const char*>{"MySettings"} : std::vector<const char*>{"Settings", "MySettings"}});
        lists.push_back({kOffice + v + "\\Excel\\Recent Files", {"File1", "File2"}, {"xFile1", "Recent", "file3"}});
        lists.push_back({kOffice + v + "\\PowerPoint\\Recent File List", {"File1"}, {"xFile1", "Recent"}});
        lists.push_back({kOffice + v + "\\Access\\Settings", {"MRU1", "MRUFlags1"}, {"Other", "xMRU1"}});
    }
    lists.push_back({kMediaPlayer, {"File0", "File1"}, {"xFile1", "Recent"}});
    // Versions the tables do not name.
    for (const char* v : {"7.0", "13.0"}) {
        lists.push_back({kOffice + v + "\\Word\\Data", {}, {"Settings"}});
        lists.push_back({kOffice + v + "\\Excel\\Recent Files", {}, {"File1"}});
        lists.push_back({kOffice + v + "\\Word\\File MRU", {}, {"Item 1"}});
    }
    return lists;
}

// Keys whose subkeys by prefix are the traces, and subkeys beside them that stay.
struct SubKeyList {
    HKEY hive;
    std::string path;
    std::vector<const char*> traces;
    std::vector<const char*> canaries;
};

std::vector<SubKeyList> SubKeyLists()
{
    std::vector<SubKeyList> lists;
    for (const char* v : {"4.0", "5.0", "6.0", "7.0", "8.0", "9.0", "10.0", "DC"})
        lists.push_back({HKEY_CURRENT_USER, kAdobe + "Acrobat Reader\\" + v + "\\AVGeneral\\cRecentFiles",
                         {"c1", "c2"}, {"xc1", "C3"}});
    lists.push_back({HKEY_CURRENT_USER, kAdobe + "Adobe Acrobat\\DC\\AVGeneral\\cRecentFiles", {"c1"}, {"xc1"}});
    for (const char* v : {"5.0", "6.0", "7.0"})
        lists.push_back({HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\classes\\Software\\RealNetworks\\RealPlayer\\") + v +
                                                 "\\Preferences",
                         {"MostRecentClips1", "MostRecentClips2"}, {"PlayerWidth"}});
    lists.push_back({HKEY_CURRENT_USER, "SOFTWARE\\RealNetworks\\RealPlayer\\6.0\\Preferences", {"MostRecentClips1"},
                     {"PlayerWidth", "mostrecentclips3"}});
    return lists;
}

std::string Local(const std::string& root) { return root + "\\Profile\\AppData\\Local"; }
std::string Roaming(const std::string& root) { return root + "\\Profile\\AppData\\Roaming"; }
std::string RealOne(const std::string& root) { return Roaming(root) + "\\Real\\RealOne Player"; }

// The shell writes the roaming folder into "Shell Folders" whenever it is asked for it, so the Office
// shortcuts there are planted where the shell has it.
std::string ShellRoaming()
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::vector<std::string> FileTraces(const std::string& root)
{
    const std::string r = RealOne(root);
    return {Local(root) + "\\Microsoft\\Office\\Recent\\old.doc.lnk",
            ShellRoaming() + "\\Microsoft\\Office\\Recent\\ombrix-report.docx.lnk",
            r + "\\urls.ini", r + "\\realplayer.ste", r + "\\History\\clip1.rm", r + "\\History\\sub\\clip2.rm",
            r + "\\Temp", r + "\\cookies.txt"};
}

std::vector<std::string> FileCanaries(const std::string& root)
{
    const std::string r = RealOne(root);
    return {ShellRoaming() + "\\Microsoft\\Office\\Recent\\ombrix-index.dat", r + "\\prefs.ini", r + "\\cookies.txt.bak",
            r + "\\History"};
}

}  // namespace

void PlantApplicationTraces(const std::string& root)
{
    for (const std::string& key : OfficeListKeys()) {
        SetRaw(HKEY_CURRENT_USER, key, "Value", REG_MULTI_SZ, std::string("C:\\Users\\me\\report.docx\0\0", 26));
        SetText(HKEY_CURRENT_USER, key, "Item 1", "[F00000000][T01D9]*C:\\Users\\me\\report.docx");
        SetNumber(HKEY_CURRENT_USER, key, "Max Display", 25);
    }
    for (const char* v : {"15.0", "16.0"})
        for (const char* app : {"Word", "Excel", "PowerPoint", "Access"}) {
            const std::string account = kOffice + v + "\\" + app + "\\User MRU\\" + kAccount;
            SetText(HKEY_CURRENT_USER, account, "AccountName", "me@example.com");
            SetText(HKEY_CURRENT_USER, account + "\\Settings", "Theme", "dark");
        }
    for (const RecentList& list : OfficeRecentLists()) {
        for (const char* name : list.traces) SetText(HKEY_CURRENT_USER, list.path, name, "C:\\Users\\me\\plan.xls");
        for (const char* name : list.canaries) SetText(HKEY_CURRENT_USER, list.path, name, "keep");
    }
    for (const SubKeyList& list : SubKeyLists()) {
        for (const char* name : list.traces) SetText(list.hive, list.path + "\\" + name, "tDIText", "/C/me/plan.pdf");
        for (const char* name : list.canaries) SetText(list.hive, list.path + "\\" + name, "", "keep");
    }
    SetNumber(HKEY_CURRENT_USER, kAdobe + "Acrobat Reader\\DC\\AVGeneral", "bExpandRHPInViewer", 1);

    // The Office recent folders, and RealOne's folders named by its keys, one without a final backslash.
    // The user's setting names the local folder too: the shell rewrites "Shell Folders" from it
    // whenever it is asked, and a profile where the two differ would change under a mere question.
    SetText(HKEY_CURRENT_USER, kShellFolders, "Local AppData", Local(root));
    SetRaw(HKEY_CURRENT_USER, kUserShellFolders, "Local AppData", REG_EXPAND_SZ, Local(root) + '\0');
    SetText(HKEY_CURRENT_USER, "SOFTWARE\\RealNetworks\\Preferences\\UserDataPath", "", RealOne(root));
    SetText(HKEY_CURRENT_USER, "SOFTWARE\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\CookiesPath", "",
            RealOne(root) + "\\cookies.txt");
    for (const std::string& path : FileTraces(root))
        WriteFileText(path == RealOne(root) + "\\Temp" ? path + "\\sub\\t.tmp" : path, "trace");
    for (const std::string& path : FileCanaries(root))
        if (path != RealOne(root) + "\\History") WriteFileText(path, "keep");

    SetNumber(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Applications", "Targets", 0x7F);
}

void CheckApplicationTraces(const std::string& root, ProfileCheck& check)
{
    for (const std::string& key : OfficeListKeys()) {
        check.Trace(ValueExists(HKEY_CURRENT_USER, key, "Item 1") || ValueExists(HKEY_CURRENT_USER, key, "Max Display"),
                    key);
        check.Canary(KeyExists(HKEY_CURRENT_USER, key), key + " (the key itself)");
    }
    for (const char* v : {"15.0", "16.0"})
        for (const char* app : {"Word", "Excel", "PowerPoint", "Access"}) {
            const std::string account = kOffice + v + "\\" + app + "\\User MRU\\" + kAccount;
            check.Canary(ValueExists(HKEY_CURRENT_USER, account, "AccountName"), account + " AccountName");
            check.Canary(ValueExists(HKEY_CURRENT_USER, account + "\\Settings", "Theme"), account + "\\Settings");
        }
    for (const RecentList& list : OfficeRecentLists()) {
        for (const char* name : list.traces) check.Trace(ValueExists(HKEY_CURRENT_USER, list.path, name), list.path + " " + name);
        for (const char* name : list.canaries)
            check.Canary(ValueExists(HKEY_CURRENT_USER, list.path, name), list.path + " " + name);
    }
    for (const SubKeyList& list : SubKeyLists()) {
        for (const char* name : list.traces) check.Trace(KeyExists(list.hive, list.path + "\\" + name), list.path + "\\" + name);
        for (const char* name : list.canaries)
            check.Canary(KeyExists(list.hive, list.path + "\\" + name), list.path + "\\" + name);
    }
    check.Canary(ValueExists(HKEY_CURRENT_USER, kAdobe + "Acrobat Reader\\DC\\AVGeneral", "bExpandRHPInViewer"),
                 "Acrobat DC setting");
    for (const std::string& path : FileTraces(root)) check.Trace(Exists(path), path);
    for (const std::string& path : FileCanaries(root)) check.Canary(Exists(path), path);
}
