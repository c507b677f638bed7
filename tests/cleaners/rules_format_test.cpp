#include <gtest/gtest.h>
#include <string>
#include "cleaners/rules_format.h"

namespace {

using namespace std::string_literals;

const CommunityRule* Find(const RulesFile& file, const std::string& name)
{
    for (const CommunityRule& rule : file.rules)
        if (rule.name == name) return &rule;
    return nullptr;
}

}  // namespace

// Every key form of a well-formed rule is read; each malformed line makes only its own rule
// unavailable, with the reason; the groups come from LangSecRef and Section.
TEST(RulesFormatTest, RulesAreReadAndMalformedOnesCarryTheirReason)
{
    const std::string text =
        "\xEF\xBB\xBF; a community file\r\nVersion=1\r\n"
        "[Tool One *]\r\nLangSecRef=3021\r\nDetect=HKCU\\Software\\Tool One\r\nDetectFile2=%AppData%\\x\r\n"
        "DetectFile1=%AppData%\\Tool One\r\nDetectOS=6.1|\r\nDefault=False\r\nWarning=Also its settings.\r\n"
        "FileKey1=%AppData%\\Tool One\\|*.log;LOG|RECURSE\r\nFileKey2=%LocalAppData%\\Tool One\\*\\Cache|*.*|REMOVESELF\r\n"
        "FileKey4=%AppData%\\after a gap|*.*\r\nRegKey1=HKCU\\Software\\Tool One\\MRU\r\n"
        "RegKey2=HKCU\\Software\\Tool One|LastFile\r\nExcludeKey1=FILE|%AppData%\\Tool One\\|keep.log\r\n"
        "ExcludeKey2=PATH|%AppData%\\Tool One\\Profiles\\|*.*\r\nExcludeKey3=REG|HKCU\\Software\\Tool One\\Keep\r\n"
        "[Browser Two *]\nSection=Web Browsers\nFileKey1=%LocalAppData%\\Two|LOG\n"
        "[Windows Three *]\nLangSecRef=3025\nRegKey1=HKCU\\Software\\Three\n"
        "[Unclosed *\nFileKey1=%AppData%\\U|*.*\n"
        "[No Equals *]\nFileKey1 %AppData%\\N|*.*\n"
        "[Zero *]\nFileKey0=%AppData%\\Z|*.*\n"
        "[Unknown Key *]\nFileKey1=%AppData%\\K|*.*\nCleanEverything=1\n"
        "[Dots *]\nFileKey1=%AppData%\\Tool\\..\\..|*.*\n"
        "[Pattern Path *]\nFileKey1=%AppData%\\Tool|..\\*.*\n"
        "[Bad Flag *]\nFileKey1=%AppData%\\Tool|*.*|EVERYTHING\n"
        "[Twice *]\nFileKey1=%AppData%\\A|*.*\nFileKey1=%AppData%\\B|*.*\n"
        "[Nothing *]\nLangSecRef=3021\n"
        "[Long *]\nFileKey1=%AppData%\\" + std::string(100000, 'x') + "|*.*\n"
        "[Nul *]\nFileKey1=%AppData%\\N\0ul|*.*\n"s
        "[Bad Exclude *]\nFileKey1=%AppData%\\E|*.*\nExcludeKey1=DISK|C:\\|*.*\n"
        "[Bad Mask *]\nFileKey1=%AppData%\\E|*.*\nExcludeKey1=PATH|%AppData%\\E|*.pak;..\\*.*\n"
        "[Bad Hive *]\nFileKey1=%AppData%\\E|*.*\nExcludeKey1=REG|HKCR\\txtfile\n";
    const RulesFile file = ParseRules(text);
    ASSERT_TRUE(file.error.empty());

    const CommunityRule* one = Find(file, "Tool One *");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->unavailable, "");
    EXPECT_EQ(one->group, RuleGroup::Applications);
    EXPECT_EQ(one->groupLabel, "Applications");
    EXPECT_EQ(one->detectKeys, (std::vector<std::string>{"HKCU\\Software\\Tool One"}));
    EXPECT_EQ(one->detectFiles, (std::vector<std::string>{"%AppData%\\Tool One", "%AppData%\\x"}));
    EXPECT_EQ(one->warning, "Also its settings.");
    ASSERT_EQ(one->files.size(), 2u) << "FileKey4 lies past a gap";
    EXPECT_EQ(one->files[0].folder, "%AppData%\\Tool One");
    EXPECT_EQ(one->files[0].patterns, (std::vector<std::string>{"*.log", "LOG"}));
    EXPECT_TRUE(one->files[0].recurse && !one->files[0].removeSelf);
    EXPECT_TRUE(one->files[1].removeSelf);
    ASSERT_EQ(one->keys.size(), 2u);
    EXPECT_FALSE(one->keys[0].value);
    EXPECT_EQ(one->keys[1].value, "LastFile");
    ASSERT_EQ(one->excludes.size(), 3u);
    EXPECT_EQ(one->excludes[0].kind, RuleExclude::Kind::File);
    EXPECT_EQ(one->excludes[0].where, "%AppData%\\Tool One");
    EXPECT_EQ(one->excludes[0].masks, (std::vector<std::string>{"keep.log"}));
    EXPECT_EQ(one->excludes[1].kind, RuleExclude::Kind::Path);
    EXPECT_EQ(one->excludes[2].kind, RuleExclude::Kind::Registry);

    EXPECT_EQ(Find(file, "Browser Two *")->group, RuleGroup::Internet);
    EXPECT_EQ(Find(file, "Windows Three *")->group, RuleGroup::Windows);
    for (const char* name : {"Unclosed *", "No Equals *", "Zero *", "Unknown Key *", "Dots *", "Pattern Path *",
                             "Bad Flag *", "Twice *", "Nothing *", "Long *", "Nul *", "Bad Exclude *", "Bad Mask *",
                             "Bad Hive *"}) {
        const CommunityRule* rule = Find(file, name);
        ASSERT_TRUE(rule) << name;
        EXPECT_FALSE(rule->unavailable.empty()) << name;
    }
    EXPECT_NE(Find(file, "Unknown Key *")->unavailable.find("CleanEverything"), std::string::npos);

    // A section of the user's file replaces the other's; a UTF-16 file is not read at all.
    const RulesFile user = ParseRules("[TOOL ONE *]\nFileKey1=%AppData%\\Mine|*.tmp\n");
    const std::vector<CommunityRule> merged = MergeRules(file.rules, user.rules);
    EXPECT_EQ(merged.size(), file.rules.size());
    EXPECT_EQ(merged.front().files.front().folder, "%AppData%\\Mine");
    EXPECT_FALSE(ParseRules("\xFF\xFE[\0T\0]\0"s).error.empty());
    EXPECT_EQ(OsVersionWithin("6.1|6.3", 10, 0), false);
    EXPECT_EQ(OsVersionWithin("|10.0", 10, 0), true);
    EXPECT_EQ(OsVersionWithin("x|", 10, 0), std::nullopt);
}

// Exclusions take the grammar of the keys they keep: '*' steps and ';' lists in FILE and PATH, a
// value in REG; a registry key has one form however its hive and backslashes are written.
TEST(RulesFormatTest, ExclusionsAndKeysAreReadInOneForm)
{
    const RulesFile file = ParseRules(
        "[Languages *]\nFileKey1=%LocalAppData%\\Tool\\app-*\\locales|*.pak\n"
        "ExcludeKey1=PATH|%LocalAppData%\\Tool\\app-*\\locales\\|en-*.pak;de.pak\n"
        "ExcludeKey2=FILE|%LocalAppData%\\Tool\\|a.txt;b.txt\nExcludeKey3=REG|HKCU\\Software\\Tool\\|Keep\n"
        "ExcludeKey4=REG|HKEY_CURRENT_USER\\Software\\Tool\\Kept\nExcludeKey5=PATH|%AppData%\\Tool|\n");
    ASSERT_EQ(file.rules.size(), 1u);
    const CommunityRule& rule = file.rules.front();
    EXPECT_EQ(rule.unavailable, "");
    ASSERT_EQ(rule.excludes.size(), 5u);
    EXPECT_EQ(rule.excludes[0].where, "%LocalAppData%\\Tool\\app-*\\locales");
    EXPECT_EQ(rule.excludes[0].masks, (std::vector<std::string>{"en-*.pak", "de.pak"}));
    EXPECT_EQ(rule.excludes[1].masks, (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(rule.excludes[2].value, "Keep");
    EXPECT_FALSE(rule.excludes[3].value);
    EXPECT_EQ(rule.excludes[4].masks, (std::vector<std::string>{"*"})) << "no mask keeps every name";

    for (const char* text : {"HKCU\\Software\\Tool", "hkey_current_user\\Software\\\\Tool\\", "HkCu\\\\Software\\Tool\\\\"}) {
        const std::optional<RuleKeyPath> key = ParseRuleKey(text);
        ASSERT_TRUE(key) << text;
        EXPECT_FALSE(key->machine);
        EXPECT_EQ(key->path, "Software\\Tool") << text;
        EXPECT_EQ(ShownKey(*key), "HKCU\\Software\\Tool");
    }
    EXPECT_EQ(ShownKey(*ParseRuleKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\x")), "HKLM\\SOFTWARE\\x");
    EXPECT_EQ(ParseRuleKey("HKLM")->path, "");
    for (const char* other : {"HKCR\\txtfile", "HKU\\S-1-5-18", "Software\\Tool", ""})
        EXPECT_FALSE(ParseRuleKey(other)) << other;
}
