// Group Policy end to end: values written with reg.exe into the machine's and the user's policy keys,
// and the real Ombrix.exe listing and sweeping by what is in force.
#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include <sstream>
#include <string>
#include "framework/sqlite_database.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch.h"
#include "tools/cookie_databases.h"
#include "tools/profile_tools.h"

namespace {

const std::string kOmbrix = "\"C:\\ombrix\\bin\\Ombrix.exe\"";
const std::string kSettings = "SOFTWARE\\Quillane\\Ombrix";
const std::string kPolicies = "SOFTWARE\\Policies\\Quillane\\Ombrix";
const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const std::string kRunMru = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";

// The on/off column of /list, by item id.
std::map<std::string, std::string> ListedStates(const std::string& output)
{
    std::map<std::string, std::string> states;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream columns(line);
        for (std::string field; std::getline(columns, field, '\t');) fields.push_back(field);
        if (fields.size() == 4) {
            if (!fields[3].empty() && fields[3].back() == '\r') fields[3].pop_back();
            states[fields[0]] = fields[3];
        }
    }
    return states;
}

class PolicySweep : public testing::Test {
protected:
    void SetUp() override
    {
        m_root = "C:\\ombrix\\scratch\\policy-" + std::to_string(GetCurrentProcessId());
        for (const char* name : {"TEMP", "TMP", "TMPDIR"}) SetEnvironmentVariableA(name, (m_root + "\\Temp").c_str());
        for (const char* name : {"Recent", "AppData", "Local AppData"}) {
            DWORD type = REG_NONE;
            char data[1024] = {};
            DWORD size = sizeof data;
            if (RegGetValueA(HKEY_CURRENT_USER, kShellFolders.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) ==
                ERROR_SUCCESS)
                m_savedFolders.push_back({name, type, std::string(data, size)});
        }
        SetRaw(HKEY_CURRENT_USER, kShellFolders, "Recent", REG_EXPAND_SZ, m_root + "\\Recent" + '\0');
        SetRaw(HKEY_CURRENT_USER, kShellFolders, "AppData", REG_EXPAND_SZ, m_root + "\\Roaming" + '\0');
        SetRaw(HKEY_CURRENT_USER, kShellFolders, "Local AppData", REG_EXPAND_SZ, m_root + "\\Local" + '\0');
        char appData[MAX_PATH] = {};
        GetEnvironmentVariableA("APPDATA", appData, MAX_PATH);
        m_appData = appData;
        SetEnvironmentVariableA("APPDATA", (m_root + "\\Roaming").c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("APPDATA", m_appData.c_str());
        for (const auto& saved : m_savedFolders) SetRaw(HKEY_CURRENT_USER, kShellFolders, saved.name, saved.type, saved.data);
        RemoveScratchTree(m_root);
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteTreeA(hive, kPolicies.c_str());
        for (const char* group : {"\\Windows", "\\Internet", "\\Rules"})
            RegDeleteTreeA(HKEY_CURRENT_USER, (kSettings + group).c_str());
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunMru.c_str(), "a");
    }
    std::string Run(const std::string& command, DWORD& code) { return RunCapturing(command, &code); }
    // reg.exe as an administrator's script or Group Policy's client would write the value.
    void RegAdd(const std::string& key, const std::string& name, const std::string& type, const std::string& data)
    {
        DWORD code = 99;
        const std::string output =
            Run("reg.exe add \"" + key + "\" /v \"" + name + "\" /t " + type + " /d \"" + data + "\" /f", code);
        ASSERT_EQ(code, 0u) << key << " " << name << ": " << output;
    }

    struct SavedValue {
        const char* name;
        DWORD type;
        std::string data;
    };
    std::string m_root;
    std::string m_appData;
    std::vector<SavedValue> m_savedFolders;
};

}  // namespace

// The machine's policy narrows the Windows items below the user's policy and the user's own setting;
// a general "Targets" of the wrong type in the machine's policy is ignored (read as a number it would
// turn Internet on); `/list` and `once` go by what is in force; the enabled rules and the friendly
// sites of the policy are honoured over the user's; AllowCustomLocations 0 keeps the user's custom
// location from being swept. The user's stored settings stay as they were.
TEST_F(PolicySweep, OnceAndListActOnTheValuesInForce)
{
    SetNumber(HKEY_CURRENT_USER, kSettings + "\\General Settings", "Targets", 0x01);  // Windows
    SetNumber(HKEY_CURRENT_USER, kSettings + "\\Windows", "Targets", 0x29);           // documents, temp, run
    SetNumber(HKEY_CURRENT_USER, kSettings + "\\Internet", "Targets", 0);
    PlantCustomLocation(0, m_root + "\\Custom", "*.*", 0);
    SetRaw(HKEY_CURRENT_USER, kSettings + "\\Rules", "Enabled", REG_MULTI_SZ, std::string("Tool Mine *\0\0", 13));
    SetRaw(HKEY_CURRENT_USER, kSettings + "\\Internet", "FriendlySites", REG_MULTI_SZ, std::string("tracker.net\0\0", 13));
    RegAdd("HKCU\\" + kPolicies + "\\Windows", "Targets", "REG_DWORD", "40");  // temp, run
    RegAdd("HKLM\\" + kPolicies + "\\Windows", "Targets", "REG_DWORD", "8");   // temp
    RegAdd("HKLM\\" + kPolicies + "\\General Settings", "Targets", "REG_SZ", "255");
    RegAdd("HKCU\\" + kPolicies + "\\Windows", "AllowCustomLocations", "REG_DWORD", "0");
    RegAdd("HKLM\\" + kPolicies + "\\Rules", "Enabled", "REG_MULTI_SZ", "Tool School *");
    RegAdd("HKLM\\" + kPolicies + "\\Internet", "FriendlySites", "REG_MULTI_SZ", "example.org");

    const std::string temp = m_root + "\\Temp\\setup.log", recent = m_root + "\\Recent\\plan.lnk";
    const std::string custom = m_root + "\\Custom\\notes.txt";
    const std::string school = m_root + "\\Roaming\\ToolSchool\\a.log", mine = m_root + "\\Roaming\\ToolMine\\a.log";
    for (const std::string& path : {temp, recent, custom, school, mine}) WriteFileText(path, "trace");
    SetText(HKEY_CURRENT_USER, kRunMru, "a", "cmd");
    WriteFileText(m_root + "\\Roaming\\Ombrix\\winapp2.ini",
                  "[Tool School *]\r\nLangSecRef=3025\r\nFileKey1=%AppData%\\ToolSchool|*.log\r\n"
                  "[Tool Mine *]\r\nLangSecRef=3025\r\nFileKey1=%AppData%\\ToolMine|*.log\r\n");

    DWORD code = 99;
    const auto states = ListedStates(Run(kOmbrix + " /list", code));
    EXPECT_EQ(code, 0u);
    ASSERT_FALSE(states.empty());
    for (const auto& [id, state] : states) {
        const bool on = id == "windows.temp";  // custom locations are stopped too
        EXPECT_EQ(state, on ? "on" : "off") << id;
    }

    const std::string text = Run(kOmbrix + " /once", code);
    EXPECT_FALSE(Exists(temp)) << text;
    EXPECT_FALSE(Exists(school)) << "the policy's rule runs\n" << text;
    for (const std::string& path : {recent, custom, mine}) EXPECT_TRUE(Exists(path)) << path << "\n" << text;
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRunMru, "a")) << "the Run history is no item in force";

    // The machine's friendly site, not the user's, keeps its cookies.
    const std::string edge = m_root + "\\Local\\Microsoft\\Edge\\User Data\\Default\\Network\\Cookies";
    ASSERT_TRUE(PlantCookieDatabase(edge, true, {{"example.org", "kept"}, {"tracker.net", "gone"}}));
    Run(kOmbrix + " /once /only:internet.edge", code);
    std::set<std::string> hosts;
    {
        CSqliteDatabase db(edge, CSqliteDatabase::Mode::ReadOnly);
        CSqliteStatement rows(db, "SELECT host_key FROM cookies");
        while (rows.Step()) hosts.insert(rows.Text(0));
    }
    EXPECT_EQ(hosts, std::set<std::string>{"example.org"});

    DWORD type = 0, windowsTargets = 0, size = sizeof windowsTargets;
    RegGetValueA(HKEY_CURRENT_USER, (kSettings + "\\Windows").c_str(), "Targets", RRF_RT_REG_DWORD, &type, &windowsTargets, &size);
    EXPECT_EQ(windowsTargets, 0x29u) << "the user's own setting stays stored";
}
