#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include "cleaners/category_table.h"
#include "framework/sqlite_database.h"
#include "tools/cookie_databases.h"
#include "tests/support/files.h"
#include "tests/support/json_object.h"
#include "tests/support/registry_tree.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch.h"
#include "tools/profile_tools.h"

namespace {

const std::string kOmbrix = "\"C:\\ombrix\\bin\\Ombrix.exe\"";
const std::string kSettings = "SOFTWARE\\Quillane\\Ombrix";
const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const std::string kRunMru = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
// A value name that would end a line and forge the last object, were it written raw.
const std::string kForgingName = "run\n{\"type\":\"total\",\"items\":0}\"";

std::vector<std::string> Lines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

using JsonObjects = std::vector<std::map<std::string, std::string>>;

// Every line must be one object; the total must be the last and only one.
JsonObjects ParseLines(const std::string& output)
{
    JsonObjects objects;
    for (const std::string& line : Lines(output)) {
        const auto object = ParseJsonObject(line);
        EXPECT_TRUE(object) << "not one JSON object: " << line;
        if (object) objects.push_back(*object);
    }
    for (size_t i = 0; i < objects.size(); ++i)
        EXPECT_EQ(objects[i]["type"] == "total", i + 1 == objects.size()) << "the total ends the lines, once";
    return objects;
}

const std::map<std::string, std::string>* ItemFor(const JsonObjects& objects, const std::string& target)
{
    for (const auto& object : objects)
        if (object.count("target") && object.at("target") == target) return &object;
    return nullptr;
}

// The program runs in a process of its own, so the prefix's own shell folders point into the test's
// folder for a while, and are put back after it.
class ShellFolderOverride {
public:
    ShellFolderOverride(const char* name, const std::string& folder) : m_name(name)
    {
        m_saved = reg::GetRaw(HKEY_CURRENT_USER, kShellFolders, m_name, &m_type);
        SetText(HKEY_CURRENT_USER, kShellFolders, name, folder);
    }
    ~ShellFolderOverride()
    {
        if (m_saved) reg::SetRaw(HKEY_CURRENT_USER, kShellFolders, m_name, m_type, *m_saved);
    }

private:
    const char* m_name;
    DWORD m_type = REG_NONE;
    std::optional<std::string> m_saved;
};

class ScriptedSweep : public testing::Test {
protected:
    void SetUp() override
    {
        m_root = "C:\\ombrix\\scratch\\script-" + std::to_string(GetCurrentProcessId());
        for (const char* name : {"TEMP", "TMP", "TMPDIR"}) SetEnvironmentVariableA(name, Temp().c_str());
        SetNumber(HKEY_CURRENT_USER, kSettings + "\\General Settings", "Targets", 0x03);
        SetNumber(HKEY_CURRENT_USER, kSettings + "\\Windows", "Targets", 0x29);  // documents, temp, run
        SetNumber(HKEY_CURRENT_USER, kSettings + "\\Windows", "LsRn", 7);
        SetNumber(HKEY_CURRENT_USER, kSettings + "\\Internet", "Targets", 0);
        const std::string shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
        SetRaw(HKEY_CURRENT_USER, shellFolders, "Recent", REG_EXPAND_SZ, m_root + "\\Recent" + '\0');
        WriteFileText(m_root + "\\Recent\\plan.lnk", "shortcut");
        WriteFileText(Temp() + "\\setup.log", "trace");
        WriteFileText(Temp() + "\\held.tmp", "in use");
        SetText(HKEY_CURRENT_USER, kRunMru, kForgingName.c_str(), "cmd");
    }
    void TearDown() override
    {
        RemoveScratchTree(m_root);
        for (const char* group : {"\\Windows", "\\Internet", "\\Rules"})
            RegDeleteTreeA(HKEY_CURRENT_USER, (kSettings + group).c_str());
    }
    std::string Temp() const { return m_root + "\\Temp"; }
    std::string Run(const std::string& arguments, DWORD& code) { return RunCapturing(kOmbrix + " " + arguments, &code); }

    std::string m_root;
};

}  // namespace

// Usage and the list: every item with an id, once, as the tables and the stored settings have it.
TEST_F(ScriptedSweep, UsageAndListTellWhatThereIs)
{
    DWORD code = 99;
    const std::string usage = Run("/?", code);
    EXPECT_EQ(code, 0u);
    for (const char* word : {"/only:", "/json", "/list", "Exit codes", "Example"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;

    std::set<std::string> ids;
    for (const std::string& line : Lines(Run("-list", code))) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
        ASSERT_EQ(fields.size(), 4u) << line;
        const auto place = FindItem(fields[0]);
        ASSERT_TRUE(place) << line;
        EXPECT_EQ(fields[1], place->category->id);
        EXPECT_TRUE(ids.insert(fields[0]).second) << "listed twice: " << line;
        const bool on = fields[0] == "windows.temp" || fields[0] == "windows.documents" || fields[0] == "windows.run" ||
                        fields[0] == "windows.custom";
        EXPECT_EQ(fields[3], on ? "on" : "off") << line;
    }
    EXPECT_EQ(code, 0u);
    size_t tableIds = 0;
    for (const CategoryRow& row : CategoryRows())
        for (const CategoryItem& item : row.items) tableIds += item.id != nullptr;
    EXPECT_EQ(ids.size(), tableIds);
}

// A misspelt switch or an unknown id sweeps nothing and ends with 2, saying why.
TEST_F(ScriptedSweep, ABadCommandLineSweepsNothing)
{
    DWORD code = 99;
    EXPECT_NE(Run("/once /onyl:windows.temp", code).find("/onyl"), std::string::npos);
    EXPECT_EQ(code, 2u);
    EXPECT_NE(Run("/once /only:windows.temp,windows.tmp", code).find("windows.tmp"), std::string::npos);
    EXPECT_EQ(code, 2u);
    EXPECT_TRUE(Exists(Temp() + "\\setup.log") && Exists(m_root + "\\Recent\\plan.lnk"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRunMru, kForgingName.c_str()));
}

// The chosen items only, in JSON Lines: a held file is left (exit 3), a value whose name holds a line
// break and quotes is one object, and the stored settings stay, unstamped. The preview says the same
// with "would-" and changes nothing; the text log shows the name without a raw line break.
TEST_F(ScriptedSweep, OnlyTheChosenItemsAndJsonTellsWhatStayed)
{
    HANDLE held = CreateFileA((Temp() + "\\held.tmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD code = 99;
    const JsonObjects preview = ParseLines(Run("/once /preview /json /only:windows.temp,windows.run", code));
    EXPECT_EQ(code, 3u) << "the sweep would leave the held file";
    for (const auto& object : preview) {
        if (object.at("type") == "item") {
            EXPECT_EQ(object.at("result").rfind("would-", 0), 0u);
        }
    }
    EXPECT_TRUE(Exists(Temp() + "\\setup.log") && ValueExists(HKEY_CURRENT_USER, kRunMru, kForgingName.c_str()));

    const JsonObjects sweep = ParseLines(Run("/once /json /only:windows.temp,windows.run", code));
    CloseHandle(held);
    EXPECT_EQ(code, 3u);
    const auto* left = ItemFor(sweep, Temp() + "\\held.tmp");
    ASSERT_TRUE(left);
    EXPECT_EQ(left->at("result"), "left");
    EXPECT_EQ(left->at("category"), "windows");
    const auto* removed = ItemFor(sweep, Temp() + "\\setup.log");
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->at("action"), "remove-file");
    EXPECT_EQ(removed->at("result"), "removed");
    const auto* value = ItemFor(sweep, "Explorer\\RunMRU\\" + kForgingName);
    ASSERT_TRUE(value) << "the value's item names it exactly";
    EXPECT_EQ(value->at("action"), "delete-value");
    EXPECT_EQ(sweep.back().at("left"), "1");
    int items = 0;
    double kb = 0;
    for (const auto& object : sweep) {
        if (object.at("type") != "item" || object.at("result") == "left") continue;
        ++items;
        kb += std::stod(object.at("kb"));
    }
    EXPECT_GE(items, 2);
    EXPECT_EQ(sweep.back().at("items"), std::to_string(items)) << "the total counts every item that went";
    EXPECT_NEAR(std::stod(sweep.back().at("kb")), kb, 0.001);
    EXPECT_FALSE(Exists(Temp() + "\\setup.log"));
    EXPECT_TRUE(Exists(m_root + "\\Recent\\plan.lnk")) << "Document History was not chosen";
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kSettings + "\\Windows", "Targets"), 0x29u);
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kSettings + "\\Windows", "LsRn"), 7u);

    SetText(HKEY_CURRENT_USER, kRunMru, kForgingName.c_str(), "cmd");
    const std::string text = Run("/once /only:windows.run", code);
    EXPECT_EQ(code, 0u);
    EXPECT_NE(text.find("Delete Value: run\\n{\"type\""), std::string::npos) << text;
    for (const std::string& line : Lines(text)) EXPECT_NE(line.rfind("{\"type\"", 0), 0u) << "a forged line: " << line;
}

// Friendly sites through the command line: the preview names each cookie database's rows that would
// go and changes nothing; the sweep then leaves exactly the friendly site's rows, in Edge and Firefox.
TEST_F(ScriptedSweep, FriendlySitesKeepTheirCookiesInEveryBrowser)
{
    const ShellFolderOverride local("Local AppData", m_root + "\\Local"), roaming("AppData", m_root + "\\Roaming");
    SetRaw(HKEY_CURRENT_USER, kSettings + "\\Internet", "FriendlySites", REG_MULTI_SZ, std::string("example.org\0\0", 13));
    const std::string edge = m_root + "\\Local\\Microsoft\\Edge\\User Data\\Default\\Network\\Cookies";
    const std::string firefox = m_root + "\\Roaming\\Mozilla\\Firefox\\Profiles\\x.default\\cookies.sqlite";
    const CookieRows rows{{"example.org", "kept1"}, {".www.example.org", "kept2"}, {"tracker.net", "gone1"},
                          {"example.org.evil.net", "gone2"}};
    ASSERT_TRUE(PlantCookieDatabase(edge, true, rows));
    ASSERT_TRUE(PlantCookieDatabase(firefox, false, rows));
    const auto hosts = [](const std::string& path, const char* query) {
        CSqliteDatabase db(path, CSqliteDatabase::Mode::ReadOnly);
        CSqliteStatement rows(db, query);
        std::set<std::string> found;
        while (rows.Step()) found.insert(rows.Text(0));
        return found;
    };
    DWORD code = 99;
    const JsonObjects preview = ParseLines(Run("/once /preview /json /only:internet.edge,internet.firefox", code));
    EXPECT_EQ(code, 0u);
    for (const std::string& path : {edge, firefox}) {
        const auto* item = ItemFor(preview, path);
        ASSERT_TRUE(item) << path;
        EXPECT_EQ(item->at("action"), "delete-cookies");
        EXPECT_EQ(hosts(path, path == edge ? "SELECT host_key FROM cookies" : "SELECT host FROM moz_cookies").size(), 4u);
    }
    const std::string text = Run("/once /only:internet.edge,internet.firefox", code);
    EXPECT_EQ(code, 0u);
    EXPECT_NE(text.find("Delete 2 cookie(s) from " + edge + ", keep 2 of friendly sites."), std::string::npos) << text;
    EXPECT_EQ(hosts(edge, "SELECT host_key FROM cookies"), (std::set<std::string>{"example.org", ".www.example.org"}));
    EXPECT_EQ(hosts(firefox, "SELECT host FROM moz_cookies"), (std::set<std::string>{"example.org", ".www.example.org"}));
}

// Community rules through the real program: the ticked, detected rules run after the category's items
// (RECURSE, REMOVESELF, a wildcard folder, an exact name, ExcludeKey, a key and a value); an undetected
// rule and an unticked one do nothing; every hostile rule is refused and the canaries beside and
// behind each stay. The preview names the same and changes nothing.
TEST_F(ScriptedSweep, CommunityRulesRunThroughTheSafeWalks)
{
    const ShellFolderOverride roaming("AppData", m_root + "\\Roaming"), local("Local AppData", m_root + "\\Local"),
        documents("Personal", m_root + "\\Documents");
    char appData[MAX_PATH] = {};
    GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    SetEnvironmentVariableA("APPDATA", (m_root + "\\Roaming").c_str());
    const std::string tool = m_root + "\\Roaming\\ToolOne";
    WriteFileText(m_root + "\\Roaming\\Ombrix\\winapp2.ini",
                  "; rules of this test\r\n"
                  "[Tool One *]\r\nLangSecRef=3021\r\nDetect=HKCU\\Software\\ToolOne\r\n"
                  "FileKey1=%AppData%\\ToolOne|*.log|RECURSE\r\nFileKey2=%AppData%\\ToolOne\\Cache|*.*|REMOVESELF\r\n"
                  "FileKey3=%LocalAppData%\\ToolOne\\*\\Logs|LOG\r\nExcludeKey1=FILE|%AppData%\\ToolOne\\|keep.log\r\n"
                  "RegKey1=HKCU\\Software\\ToolOne\\MRU\r\nRegKey2=HKCU\\Software\\ToolOne|LastFile\r\n"
                  "[Undetected *]\nDetect=HKCU\\Software\\NoSuchTool\nFileKey1=%AppData%\\Undetected|*.*\n"
                  "[Not Ticked *]\nFileKey1=%AppData%\\NotTicked|*.*\n"
                  "[Hostile AppData *]\nFileKey1=%AppData%|*.*|REMOVESELF\n"
                  "[Hostile Documents *]\nFileKey1=%Documents%|*.*|RECURSE\n"
                  "[Hostile Profile *]\nFileKey1=%UserProfile%|*.*|RECURSE\n"
                  "[Hostile System32 *]\nFileKey1=%WinDir%\\System32|*.log\n"
                  "[Hostile Program Files *]\nFileKey1=%ProgramFiles%|*.*|RECURSE\n"
                  "[Hostile Dots *]\nFileKey1=%AppData%\\ToolOne\\..\\..|*.*\n"
                  "[Hostile Pattern *]\nFileKey1=%AppData%\\ToolOne|..\\*.*\n"
                  "[Hostile Software *]\nRegKey1=HKCU\\Software\n"
                  "[Hostile Microsoft *]\nRegKey1=HKCU\\Software\\Microsoft\n"
                  "[Hostile Run *]\nRegKey1=HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n"
                  "[Hostile System *]\nRegKey1=HKLM\\SYSTEM\\CurrentControlSet\\Services\n"
                  "[Hostile Wow *]\nRegKey1=HKCU\\Software\\Wow6432Node\\Microsoft\n"
                  "[Hostile UserChoice *]\nRegKey1=HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                  "FileExts\\.txt\\UserChoice\n"
                  "[Hostile Classes *]\nRegKey1=HKCR\\txtfile\n"
                  "[Hostile Link *]\nFileKey1=%AppData%\\LinkedTool|*.*|REMOVESELF\n");
    std::string enabled;
    for (const char* name : {"Tool One *", "Undetected *", "Hostile AppData *", "Hostile Documents *", "Hostile Profile *",
                             "Hostile System32 *", "Hostile Program Files *", "Hostile Dots *", "Hostile Pattern *",
                             "Hostile Software *", "Hostile Microsoft *", "Hostile Run *", "Hostile System *",
                             "Hostile Wow *", "Hostile UserChoice *", "Hostile Classes *", "Hostile Link *"})
        enabled += std::string(name) + '\0';
    SetRaw(HKEY_CURRENT_USER, kSettings + "\\Rules", "Enabled", REG_MULTI_SZ, enabled + '\0');
    SetNumber(HKEY_CURRENT_USER, kSettings + "\\General Settings", "Targets", 0x04);  // Applications
    SetNumber(HKEY_CURRENT_USER, kSettings + "\\Applications", "Targets", 0);
    const std::vector<std::string> gone{tool + "\\a.log", tool + "\\sub\\b.log", tool + "\\Cache\\x\\y.bin",
                                        m_root + "\\Local\\ToolOne\\p1\\Logs\\LOG"};
    const std::vector<std::string> kept{tool + "\\keep.log", tool + "\\notes.txt", m_root + "\\Local\\ToolOne\\p1\\Logs\\myLOG",
                                        m_root + "\\Roaming\\Undetected\\u.txt", m_root + "\\Roaming\\NotTicked\\n.txt",
                                        m_root + "\\Roaming\\canary.txt", m_root + "\\Documents\\thesis.doc",
                                        m_root + "\\canary-behind.txt", m_root + "\\outside\\linked.txt"};
    for (const std::string& path : gone) WriteFileText(path, "trace");
    for (const std::string& path : kept) WriteFileText(path, "keep");
    ASSERT_TRUE(files::MakeFolderLink(m_root + "\\Roaming\\LinkedTool", m_root + "\\outside"));
    const std::string userChoice = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.txt\\UserChoice";
    SetText(HKEY_CURRENT_USER, userChoice, "ProgId", "txtfile");
    SetText(HKEY_CURRENT_USER, "Software\\ToolOne\\MRU", "a", "secret.doc");
    SetText(HKEY_CURRENT_USER, "Software\\ToolOne", "LastFile", "secret.doc");
    SetText(HKEY_CURRENT_USER, "Software\\ToolOne", "Keep", "settings");
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    SetText(HKEY_CURRENT_USER, run, "OmbrixCanary", "keep");

    DWORD code = 99;
    const std::string preview = Run("/once /preview", code);
    EXPECT_NE(preview.find("Start clean up Tool One."), std::string::npos) << preview;
    for (const std::string& path : gone) EXPECT_TRUE(Exists(path)) << "the preview removed " << path;
    const std::string text = Run("/once", code);
    SetEnvironmentVariableA("APPDATA", appData);
    for (const std::string& path : gone) EXPECT_FALSE(Exists(path)) << path << "\n" << text;
    for (const std::string& path : kept) EXPECT_TRUE(Exists(path)) << path << "\n" << text;
    EXPECT_FALSE(Exists(tool + "\\Cache")) << "REMOVESELF takes the emptied folder";
    EXPECT_FALSE(reg::KeyExists(HKEY_CURRENT_USER, "Software\\ToolOne\\MRU"));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, "Software\\ToolOne", "LastFile"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, "Software\\ToolOne", "Keep"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, run, "OmbrixCanary"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, userChoice, "ProgId"));
    EXPECT_TRUE(Exists(m_root + "\\Roaming\\LinkedTool\\linked.txt")) << "the link and what it leads to stay";
    EXPECT_EQ(text.find("Start clean up Undetected."), std::string::npos);
    for (const char* refused : {"Refused: HKCU\\Software is", "Refused: HKCU\\Software\\Microsoft holds",
                                "Refused: HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run is", "Roaming is a user's folder",
                                "Documents is a user's folder", "System32 is", "Program Files is",
                                "Refused: HKLM\\SYSTEM\\CurrentControlSet\\Services lies in",
                                "Refused: HKCU\\Software\\Wow6432Node\\Microsoft holds", "UserChoice is the user's choice",
                                "Refused: HKCR\\txtfile is not a key of HKCU or HKLM"})
        EXPECT_NE(text.find(refused), std::string::npos) << refused << "\n" << text;
    EXPECT_GE(Lines(text).size(), 10u);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, run.c_str(), "OmbrixCanary");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\ToolOne");
    RegDeleteTreeA(HKEY_CURRENT_USER, userChoice.c_str());
    files::RemoveLink(m_root + "\\Roaming\\LinkedTool");
}

// Community rules in their authors' own forms, through the real program: a rule is for this machine
// when any one of its detections finds the program, whether a key of HKU or of the classes (only read),
// a key no rule could delete, a file or folder, or the 32-bit program folder that %ProgramFiles% also
// means; a rule none of whose detections finds anything does nothing. The preview names the same.
TEST_F(ScriptedSweep, CommunityRulesAreDetectedByAnyOfTheirForms)
{
    const std::string roaming = m_root + "\\Roaming";
    const ShellFolderOverride appData("AppData", roaming);
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* name : {"APPDATA", "ProgramFiles", "ProgramFiles(x86)"}) {
        char value[MAX_PATH] = {};
        GetEnvironmentVariableA(name, value, MAX_PATH);
        saved.emplace_back(name, value);
    }
    SetEnvironmentVariableA("APPDATA", roaming.c_str());
    SetEnvironmentVariableA("ProgramFiles", (m_root + "\\Program Files").c_str());
    SetEnvironmentVariableA("ProgramFiles(x86)", (m_root + "\\Program Files (x86)").c_str());
    WriteFileText(roaming + "\\Ombrix\\winapp2.ini",
                  "\xEF\xBB\xBF; Version: 251209\r\n"
                  "[Either Form *]\r\nLangSecRef=3021\r\nDetect=HKCU\\Software\\NoSuchEither\r\n"
                  "DetectFile=%AppData%\\EitherForm\r\nFileKey1=%AppData%\\EitherForm|*.log\r\n"
                  "[Users Hive *]\r\nLangSecRef=3021\r\nDetect1=HKCU\\Software\\NoSuchUsers\r\n"
                  "Detect2=HKU\\.DEFAULT\\Software\\OmbrixUsersHive\r\nFileKey1=%AppData%\\UsersHive|*.log\r\n"
                  "[Classes *]\r\nLangSecRef=3021\r\nDetect=HKCR\\OmbrixClasses.Document\r\n"
                  "FileKey1=%AppData%\\Classes|*.log\r\n"
                  "[Windows Key *]\r\nLangSecRef=3021\r\nDetect1=HKLM\\Software\\NoSuchWindows\r\n"
                  "Detect2=HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\r\n"
                  "FileKey1=%AppData%\\WindowsKey|*.log\r\n"
                  "[Thirty Two *]\r\nLangSecRef=3021\r\nDetectFile=%ProgramFiles%\\ThirtyTwo\\tool.exe\r\n"
                  "FileKey1=%AppData%\\ThirtyTwo|*.log\r\n"
                  "[Nowhere *]\r\nLangSecRef=3021\r\nDetect=HKU\\.DEFAULT\\Software\\OmbrixNowhere\r\n"
                  "Detect2=HKCR\\OmbrixNowhere.Document\r\nDetectFile=%ProgramFiles%\\Nowhere\r\n"
                  "FileKey1=%AppData%\\Nowhere|*.log\r\n");
    const std::vector<std::string> detected{"EitherForm", "UsersHive", "Classes", "WindowsKey", "ThirtyTwo"};
    std::string enabled;
    for (const char* name : {"Either Form *", "Users Hive *", "Classes *", "Windows Key *", "Thirty Two *", "Nowhere *"})
        enabled += std::string(name) + '\0';
    SetRaw(HKEY_CURRENT_USER, kSettings + "\\Rules", "Enabled", REG_MULTI_SZ, enabled + '\0');
    SetNumber(HKEY_CURRENT_USER, kSettings + "\\General Settings", "Targets", 0x04);  // Applications
    SetNumber(HKEY_CURRENT_USER, kSettings + "\\Applications", "Targets", 0);
    SetText(HKEY_USERS, ".DEFAULT\\Software\\OmbrixUsersHive", "Path", "C:\\Tool");
    SetText(HKEY_LOCAL_MACHINE, "Software\\Classes\\OmbrixClasses.Document", "", "Document");
    WriteFileText(m_root + "\\Program Files (x86)\\ThirtyTwo\\tool.exe", "program");
    for (const std::string& tool : detected) WriteFileText(roaming + "\\" + tool + "\\trace.log", "trace");
    WriteFileText(roaming + "\\Nowhere\\trace.log", "trace");

    DWORD code = 99;
    const std::string preview = Run("/once /preview", code);
    const std::string text = Run("/once", code);
    for (const auto& [name, value] : saved) SetEnvironmentVariableA(name.c_str(), value.c_str());
    RegDeleteTreeA(HKEY_USERS, ".DEFAULT\\Software\\OmbrixUsersHive");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\OmbrixClasses.Document");
    EXPECT_EQ(code, 0u) << text;
    for (const std::string& tool : detected) {
        const std::string trace = roaming + "\\" + tool + "\\trace.log";
        EXPECT_NE(preview.find(trace), std::string::npos) << tool << " was not detected:\n" << preview;
        EXPECT_NE(text.find("Remove file: " + trace), std::string::npos) << tool << ":\n" << text;
        EXPECT_FALSE(Exists(trace)) << trace;
    }
    EXPECT_EQ(preview.find("Nowhere"), std::string::npos) << preview;
    EXPECT_EQ(text.find("Nowhere"), std::string::npos) << text;
    EXPECT_TRUE(Exists(roaming + "\\Nowhere\\trace.log"));
    EXPECT_TRUE(Exists(m_root + "\\Program Files (x86)\\ThirtyTwo\\tool.exe"));
}

// Each line reaches standard output while the sweep goes on, not when the next line comes: here the
// line of a removed file, before the long shred of a large one.
TEST_F(ScriptedSweep, EachLineReachesStandardOutputWhileTheSweepGoesOn)
{
    SetNumber(HKEY_CURRENT_USER, kSettings + "\\General Settings", "Targets", 0x81);  // Windows, with the Shredder
    files::MakeDirs(Temp() + "\\large");
    files::WriteSized(Temp() + "\\large\\image.bin", 64ull << 20);
    // Both lines come together, before the shred; the second must not wait for the shred's line.
    const std::vector<std::string> before{"Remove file: " + Temp() + "\\setup.log, size",
                                          "Remove file: " + Temp() + "\\held.tmp, size"};
    const std::string shred = "image.bin, size 65536.000(KB)";
    bool seenBeforeShred = false;
    DWORD code = 99;
    const std::string output = RunWatching(kOmbrix + " /once /only:windows.temp", &code, [&](const std::string& so_far) {
        seenBeforeShred = seenBeforeShred || (so_far.find(shred) == std::string::npos &&
                                              std::all_of(before.begin(), before.end(), [&](const std::string& line) {
                                                  return so_far.find(line) != std::string::npos;
                                              }));
    });
    EXPECT_EQ(code, 0u) << output;
    EXPECT_NE(output.find(shred), std::string::npos) << output;
    EXPECT_TRUE(seenBeforeShred) << "a line waited for the next one:\n" << output;
}

// One folder of 20,000 files, one of them held, with folders among them: every other file goes with
// its own line, the held one stays and says so, and the totals count what went.
TEST_F(ScriptedSweep, AFolderOfManyFilesIsSweptWhole)
{
    constexpr int kFiles = 20000;
    const std::string many = Temp() + "\\many";
    files::MakeDirs(many);
    for (int i = 0; i < kFiles; ++i) {
        if (i % 5000 == 0) files::Write(many + "\\folder" + std::to_string(i) + "\\inner.tmp", "trace");
        HANDLE file = CreateFileA((many + "\\file" + std::to_string(i) + ".tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << i;
        CloseHandle(file);
    }
    HANDLE held = CreateFileA((many + "\\file7.tmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD code = 99;
    const std::string text = Run("/once /only:windows.temp", code);
    CloseHandle(held);
    EXPECT_EQ(code, 3u);
    size_t removed = 0;
    for (size_t at = text.find("Remove file: " + many + "\\file"); at != std::string::npos;
         at = text.find("Remove file: " + many + "\\file", at + 1))
        ++removed;
    EXPECT_EQ(removed, static_cast<size_t>(kFiles - 1));
    EXPECT_NE(text.find("  Left: " + many + "\\file7.tmp (in use)."), std::string::npos);
    EXPECT_EQ(files::List(many), (std::vector<std::string>{"file7.tmp"})) << "every other entry went";
    EXPECT_NE(text.find("Total: " + std::to_string(kFiles - 1 + 4 * 2 + 2) + " item(s) swept"), std::string::npos)
        << text.substr(text.rfind("Total:"));
}

// A rule's '*' step over 12,000 folders: every one of them is swept, each file with its line. The
// folders are visited one at a time; held all open at once, those past Wine's limit of open files
// were passed over without a word.
TEST_F(ScriptedSweep, ARuleStepOverManyFoldersSweepsEveryOne)
{
    constexpr int kFolders = 12000;
    const ShellFolderOverride local("Local AppData", m_root + "\\Local");
    char appData[MAX_PATH] = {};
    GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
    SetEnvironmentVariableA("APPDATA", (m_root + "\\Roaming").c_str());
    WriteFileText(m_root + "\\Roaming\\Ombrix\\winapp2.ini",
                  "[Many Apps *]\r\nLangSecRef=3021\r\nFileKey1=%LocalAppData%\\Many\\*\\Cache|*.*\r\n");
    SetRaw(HKEY_CURRENT_USER, kSettings + "\\Rules", "Enabled", REG_MULTI_SZ, std::string("Many Apps *\0\0", 13));
    SetNumber(HKEY_CURRENT_USER, kSettings + "\\General Settings", "Targets", 0x04);  // Applications
    SetNumber(HKEY_CURRENT_USER, kSettings + "\\Applications", "Targets", 0);
    const std::string many = m_root + "\\Local\\Many";
    for (int i = 0; i < kFolders; ++i) {
        const std::string cache = many + "\\app" + std::to_string(i) + "\\Cache";
        files::MakeDirs(cache);
        HANDLE file = CreateFileA((cache + "\\data_0").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << i;
        CloseHandle(file);
    }
    DWORD code = 99;
    const std::string text = Run("/once", code);
    SetEnvironmentVariableA("APPDATA", appData);
    EXPECT_EQ(code, 0u);
    size_t removed = 0;
    for (size_t at = text.find("Remove file: " + many); at != std::string::npos; at = text.find("Remove file: " + many, at + 1))
        ++removed;
    EXPECT_EQ(removed, static_cast<size_t>(kFolders));
    size_t left = 0;
    for (int i = 0; i < kFolders; ++i)
        if (files::Exists(many + "\\app" + std::to_string(i) + "\\Cache\\data_0")) ++left;
    EXPECT_EQ(left, 0u) << "files the walk passed over";
}

// The text log is UTF-8 whatever a value holds: data that is binary, or not UTF-8, is written
// escaped, byte by byte, and never raw.
TEST_F(ScriptedSweep, BinaryValueDataIsWrittenEscaped)
{
    SetRaw(HKEY_CURRENT_USER, kRunMru, "b", REG_BINARY, std::string("\xC0\xFF" "abc\xE2\x82", 7));
    DWORD code = 99;
    const std::string text = Run("/once /only:windows.run", code);
    EXPECT_EQ(code, 0u);
    EXPECT_NE(text.find("Delete Value: b=\\xC0\\xFFabc\\xE2\\x82."), std::string::npos) << text;
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    EXPECT_GT(wide, 0) << "the log is not UTF-8";
}
