#include "tools/hostile_rules.h"
#include <windows.h>
#include <shlwapi.h>
#include <algorithm>
#include "tools/hostile_profile.h"
#include "tools/profile_tools.h"

namespace {

const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kSaved = "Software\\OmbrixHostileSaved";  // the shell folder values before the move
const char* const kFileExt = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.ombrixhostile";
const char* const kProfileList = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char* const kTool = "Software\\OmbrixRuleTool";
const char* const kTool2 = "Software\\OmbrixRuleTool2";
const char* const kTool3 = "Software\\OmbrixRuleTool3";
const char* const kLink = "Software\\OmbrixRuleLink";  // a link to the data paths' canary keys
const char* const kLinkTarget = "Software\\OmbrixHostileCanary";
const char* const kDriveFolder = "C:\\OmbrixHostileDrivers";
const char* const kRulesKey = "SOFTWARE\\Quillane\\Ombrix\\Rules";

std::string MovedDocuments(const std::string& root) { return root + "\\MovedDocs"; }
std::string Apps(const std::string& root) { return root + "\\Profile\\RuleApps"; }

bool ReadRaw(HKEY hive, const std::string& path, const char* name, DWORD& type, std::string& data)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG read = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    data.assign(size, '\0');
    if (read == ERROR_SUCCESS && size)
        read = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    data.resize(size);
    return read == ERROR_SUCCESS;
}

struct RegistryValue {
    HKEY hive;
    std::string key;
    const char* name;
    std::string text;  // REG_SZ, as planted
};

// Values no rule may take: each rule that names them is refused or excluded.
std::vector<RegistryValue> RegistryCanaries()
{
    return {{HKEY_CURRENT_USER, std::string(kTool) + "\\Keep", "a", "canary kept"},
            {HKEY_CURRENT_USER, std::string(kTool) + "\\Other", "b", "canary beside the kept key"},
            {HKEY_CURRENT_USER, kTool2, "LastFile", "canary excluded value"},
            {HKEY_CURRENT_USER, std::string(kFileExt) + "\\UserChoice", "ProgId", "ombrixhostile.file"},
            {HKEY_CURRENT_USER, "Environment", "OmbrixHostileCanary", "canary environment"},
            {HKEY_LOCAL_MACHINE, kProfileList, "OmbrixHostileCanary", "canary profile list"},
            {HKEY_LOCAL_MACHINE, kTool3, "Keep", "canary machine"}};
}

// What the rules' own files are: canaries that exclusions keep, traces the rules take.
std::vector<std::string> FileCanaries(const std::string& root)
{
    const std::string a = Apps(root);
    return {a + "\\Discord\\app-1.0\\locales\\en-US.pak", a + "\\Discord\\app-1.0\\locales\\fr.pak",
            a + "\\Discord\\app-2.0\\locales\\en-GB.pak",  a + "\\Discord\\app-2.0\\modules\\core.pak",
            a + "\\Tool\\Cache\\sub\\keep.bin",            a + "\\Tool\\Cache\\sub\\index",
            a + "\\Browser\\Profiles\\Bookmarks",          a + "\\Browser\\Profiles\\p1\\Preferences",
            a + "\\Browser\\Profiles\\p1\\prefs.js",       a + "\\Unreadable\\keep.txt",
            a + "\\Unreadable\\data",                      MovedDocuments(root) + "\\thesis.docx",
            MovedDocuments(root) + "\\Notes\\plan.docx"};
}

std::vector<std::string> FileTraces(const std::string& root)
{
    const std::string a = Apps(root);
    return {a + "\\Discord\\app-1.0\\locales\\de.pak", a + "\\Discord\\app-2.0\\locales\\ja.pak",
            a + "\\Tool\\Cache\\data_0",               a + "\\Tool\\Cache\\index",
            a + "\\Tool\\Cache\\sub\\x.tmp",           a + "\\Tool\\Cache\\other\\y",
            a + "\\Browser\\cache.tmp",                a + "\\Browser\\Cache\\data_1",
            std::string(kDriveFolder) + "\\a.sys",     std::string(kDriveFolder) + "\\sub\\b.sys"};
}

std::string RulesText(const std::string& root)
{
    const std::string moved = MovedDocuments(root);
    return "; the hostile profile's rules\r\n"
           "[Hostile Languages *]\r\nLangSecRef=3021\r\n"
           "FileKey1=%UserProfile%\\RuleApps\\Discord\\app-*\\locales|*.pak\r\n"
           "ExcludeKey1=PATH|%UserProfile%\\RuleApps\\Discord\\app-*\\locales\\|en-*.pak;fr.pak\r\n"
           "[Hostile Cache *]\r\nLangSecRef=3021\r\n"
           "FileKey1=%UserProfile%\\RuleApps\\Tool\\Cache|*.*|REMOVESELF\r\n"
           "ExcludeKey1=FILE|%UserProfile%\\RuleApps\\Tool\\Cache\\*\\|keep.bin;index\r\n"
           "ExcludeKey2=PATH|%UserProfile%\\RuleApps\\Tool\\Cache\\Kept\\\r\n"
           "[Hostile Profiles *]\r\nLangSecRef=3021\r\n"
           "FileKey1=%UserProfile%\\RuleApps\\Browser|*|RECURSE\r\n"
           "ExcludeKey1=PATH|%UserProfile%\\RuleApps\\Browser\\Profiles\\|*.*\r\n"
           "[Hostile Keys *]\r\nLangSecRef=3021\r\n"
           "RegKey1=HKCU\\Software\\OmbrixRuleTool\\\r\n"
           "RegKey2=HKEY_CURRENT_USER\\Software\\\\OmbrixRuleTool2\\\\Recent\r\n"
           "RegKey3=HKCU\\Software\\OmbrixRuleTool2|LastFile\r\n"
           "RegKey4=hkcu\\software\\ombrixruletool2\\|History\r\n"
           "RegKey5=HKEY_LOCAL_MACHINE\\Software\\OmbrixRuleTool3\\Recent\r\n"
           "RegKey6=HKCU\\Software\\OmbrixRuleLink\\TypedURLs\\sub/key\r\n"
           "ExcludeKey1=REG|HKCU\\Software\\OmbrixRuleTool\\Keep\r\n"
           "ExcludeKey2=REG|hkey_current_user\\software\\ombrixruletool2\\|LastFile\r\n"
           // Deletes where Documents is, so that the next rule would find it elsewhere.
           "[Hostile Moves Documents *]\r\nLangSecRef=3021\r\n"
           "RegKey1=HKCU\\" + std::string(kUserShellFolders) + "|Personal\r\n"
           "RegKey2=HKCU\\" + std::string(kShellFolders) + "\\|Personal\r\n"
           "RegKey3=HKCU\\Environment|OmbrixHostileCanary\r\nRegKey4=HKCU\\Environment\r\n"
           "RegKey5=HKCU\\Control Panel\r\nRegKey6=HKCU\\Sofware\r\n"
           "RegKey7=HKCU\\" + std::string(kFileExt) + "\r\n"
           "RegKey8=HKLM\\" + std::string(kProfileList) + "|OmbrixHostileCanary\r\n"
           "[Hostile Documents Files *]\r\nLangSecRef=3021\r\n"
           "FileKey1=" + moved + "|*.docx\r\nFileKey2=" + moved + "\\Notes|*.docx\r\n"
           "[Hostile Drive *]\r\nLangSecRef=3021\r\n"
           "FileKey1=%SystemDrive%\\OmbrixHostileDrivers|*|REMOVESELF\r\n"
           "FileKey2=%SystemDrive%\\Program*|*.txt\r\nFileKey3=%SystemDrive%|*.log\r\n"
           // An exclusion that names no folder Ombrix knows: the rule does not run at all.
           "[Hostile Unreadable Exclusion *]\r\nLangSecRef=3021\r\n"
           "FileKey1=%UserProfile%\\RuleApps\\Unreadable|*.*\r\n"
           "ExcludeKey1=FILE|%NoSuchFolder%\\Unreadable|keep.txt\r\n";
}

const char* const kRuleNames[] = {"Hostile Languages *", "Hostile Cache *",           "Hostile Profiles *",
                                  "Hostile Keys *",      "Hostile Moves Documents *", "Hostile Documents Files *",
                                  "Hostile Drive *",     "Hostile Unreadable Exclusion *"};

// Lines every sweep that runs the rules writes: what each refusal and exclusion says.
std::vector<std::string> ExpectedLines(const std::string& root)
{
    const std::string moved = MovedDocuments(root);
    return {"  Refused: HKCU\\" + std::string(kUserShellFolders) + " is a key that names the user's folders.",
            "  Refused: HKCU\\" + std::string(kShellFolders) + " is a key that names the user's folders.",
            "  Refused: HKCU\\Environment is the user's environment.",
            "  Refused: HKCU\\Control Panel is a top key of its hive.",
            "  Refused: HKCU\\Sofware is a top key of its hive.",
            "  Refused: HKCU\\" + std::string(kFileExt) + " holds the user's choice of a program.",
            "  Refused: HKLM\\" + std::string(kProfileList) + " is a key that names the profiles' folders.",
            "  Refused: " + moved + " is a user's folder.",
            "  Refused: " + moved + "\\Notes lies inside a user's folder.",
            "  Refused: C:\\ is a whole drive.",
            "  Refused: C:\\Program* takes folders right below a drive by a wildcard.",
            "  Kept: HKCU\\Software\\OmbrixRuleTool, which the rule excludes.",
            "  Kept: HKCU\\Software\\OmbrixRuleTool2|LastFile, which the rule excludes."};
}

// Item lines of one sweep or the other (two may run at once): keys named from their hives.
const char* const kItemLines[] = {", Delete Key: HKCU\\Software\\OmbrixRuleTool2\\Recent.",
                                  ", Delete Key: HKLM\\Software\\OmbrixRuleTool3\\Recent.",
                                  ", Delete Value: History of HKCU\\software\\ombrixruletool2.",
                                  ", Remove directory: C:\\OmbrixHostileDrivers, size"};

void PlantRegistry()
{
    for (const RegistryValue& value : RegistryCanaries()) SetText(value.hive, value.key, value.name, value.text);
    SetText(HKEY_CURRENT_USER, std::string(kTool2) + "\\Recent", "a", "trace");
    SetText(HKEY_CURRENT_USER, kTool2, "History", "trace");
    SetText(HKEY_LOCAL_MACHINE, std::string(kTool3) + "\\Recent", "a", "trace");
    MakeRegistryLink(HKEY_CURRENT_USER, kLink, kLinkTarget);
    std::string enabled;
    for (const char* name : kRuleNames) enabled += std::string(name) + '\0';
    SetRaw(HKEY_CURRENT_USER, kRulesKey, "Enabled", REG_MULTI_SZ, enabled + '\0');
}

}  // namespace

// The shell folders the profile moves: Documents here, Recent in the first round.
const char* const kMovedFolders[] = {"Personal", "Recent"};

void MoveHostileDocuments(const std::string& root)
{
    // The values as they were before the first move, kept until they are put back.
    DWORD type = REG_NONE;
    std::string data;
    if (!KeyExists(HKEY_CURRENT_USER, kSaved))
        for (const char* name : kMovedFolders)
            for (const char* key : {kUserShellFolders, kShellFolders})
                if (ReadRaw(HKEY_CURRENT_USER, key, name, type, data))
                    SetRaw(HKEY_CURRENT_USER, std::string(kSaved) + "\\" + key, name, type, data);
    const std::string moved = MovedDocuments(root);
    MakeFolders(moved);
    SetRaw(HKEY_CURRENT_USER, kUserShellFolders, "Personal", REG_EXPAND_SZ, moved + '\0');
    SetText(HKEY_CURRENT_USER, kShellFolders, "Personal", moved);
}

void RestoreHostileDocuments()
{
    DWORD type = REG_NONE;
    std::string data;
    for (const char* name : kMovedFolders)
        for (const char* key : {kUserShellFolders, kShellFolders})
            if (ReadRaw(HKEY_CURRENT_USER, std::string(kSaved) + "\\" + key, name, type, data))
                SetRaw(HKEY_CURRENT_USER, key, name, type, data);
    SHDeleteKeyA(HKEY_CURRENT_USER, kSaved);
}

void PlantHostileRules(const std::string& root)
{
    for (const std::string& canary : FileCanaries(root)) WriteFileText(canary, HostileCanaryContent(canary));
    for (const std::string& trace : FileTraces(root)) WriteFileText(trace, "trace");
    MakeFolders(Apps(root) + "\\Tool\\Cache\\Kept");
    WriteFileText(root + "\\Profile\\AppData\\Roaming\\Ombrix\\winapp2.ini", RulesText(root));
    PlantRegistry();
}

void CheckHostileRules(const std::string& root, const std::vector<std::string>& logs, std::vector<std::string>& problems)
{
    for (const std::string& canary : FileCanaries(root))
        if (ReadFileText(canary) != HostileCanaryContent(canary)) problems.push_back("canary changed or lost: " + canary);
    for (const std::string& trace : FileTraces(root))
        if (Exists(trace)) problems.push_back("trace left: " + trace);
    if (!Exists(Apps(root) + "\\Tool\\Cache\\Kept")) problems.push_back("the folder an exclusion keeps is gone");
    for (const std::string& emptied : {Apps(root) + "\\Tool\\Cache\\other", std::string(kDriveFolder)})
        if (Exists(emptied)) problems.push_back("an emptied folder of a REMOVESELF rule stays: " + emptied);
    DWORD type = REG_NONE;
    std::string data;
    for (const RegistryValue& value : RegistryCanaries())
        if (!ReadRaw(value.hive, value.key, value.name, type, data) || data != value.text + '\0')
            problems.push_back("registry canary changed or lost: " + value.key + " " + value.name);
    const std::string moved = MovedDocuments(root);
    if (!ReadRaw(HKEY_CURRENT_USER, kUserShellFolders, "Personal", type, data) || data != moved + '\0')
        problems.push_back("where Documents is was changed (User Shell Folders)");
    if (!ReadRaw(HKEY_CURRENT_USER, kShellFolders, "Personal", type, data) || data != moved + '\0')
        problems.push_back("where Documents is was changed (Shell Folders)");
    if (KeyExists(HKEY_CURRENT_USER, std::string(kTool2) + "\\Recent") || ValueExists(HKEY_CURRENT_USER, kTool2, "History") ||
        KeyExists(HKEY_LOCAL_MACHINE, std::string(kTool3) + "\\Recent"))
        problems.push_back("a registry trace of a rule is left");
    for (const char* item : kItemLines)
        if (std::none_of(logs.begin(), logs.end(), [&](const std::string& log) { return log.find(item) != std::string::npos; }))
            problems.push_back(std::string("no line: ") + item);
    for (const std::string& log : logs) {
        if (log.find("Start clean up Hostile Keys.") == std::string::npos) continue;  // an instance that handed over
        for (const std::string& line : ExpectedLines(root))
            if (log.find(line + "\n") == std::string::npos && log.find(line + "\r\n") == std::string::npos)
                problems.push_back("not logged: " + line);
        if (log.find("Start clean up Hostile Unreadable Exclusion.") != std::string::npos)
            problems.push_back("a rule with an exclusion Ombrix cannot read ran");
    }
}

void RemoveHostileRules(const std::string&)
{
    for (const RegistryValue& value : RegistryCanaries()) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(value.hive, value.key.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
        RegDeleteValueA(key, value.name);
        RegCloseKey(key);
    }
    RemoveRegistryLink(HKEY_CURRENT_USER, kLink);
    for (const char* key : {kTool, kTool2, kFileExt}) SHDeleteKeyA(HKEY_CURRENT_USER, key);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, kTool3);
    SHDeleteKeyA(HKEY_CURRENT_USER, kRulesKey);
    RunUnixScript("rm -rf '" + UnixPathOf(kDriveFolder) + "'\n");
}
