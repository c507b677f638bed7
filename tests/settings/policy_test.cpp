// Group Policy over the settings: which value is in force, what a save leaves, and the administrative
// template read as XML against what the code reads.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>
#include <xmllite.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include "cleaners/category_table.h"
#include "settings/policy.h"
#include "settings/rules_choice.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"

namespace {
const std::string kWindows = kWindowsSettingsKey;
const std::string kInternet = kInternetSettingsKey;
const std::string kGeneral = kGeneralSettingsKey;
const std::string kWindowsPolicy = PolicyPathOf(kWindowsSettingsKey);
const std::string kGeneralPolicy = PolicyPathOf(kGeneralSettingsKey);
const std::string kInternetPolicy = PolicyPathOf(kInternetSettingsKey);
const std::string kRulesPolicy = PolicyPathOf(kRulesSettingsKey);

std::string MultiString(std::initializer_list<const char*> texts)
{
    std::string data;
    for (const char* text : texts) data.append(text).push_back('\0');
    return data + '\0';
}
}  // namespace

class PolicyTest : public SandboxTest {};

// The machine's policy wins over the user's and either over the user's own setting; a value of
// another type counts as absent, at either level. A save writes no fixed value, and once the policy
// is gone the user's own value is back in force.
TEST_F(PolicyTest, MachineWinsOverUserPolicyOverTheSettingAndASaveLeavesTheUsersValue)
{
    EXPECT_EQ(PolicyPathOf(kWindowsSettingsKey), "SOFTWARE\\Policies\\Quillane\\Ombrix\\Windows");
    reg::SetNumber(HKEY_CURRENT_USER, kWindows, "Targets", 0x29);
    reg::SetNumber(HKEY_CURRENT_USER, kGeneral, "Targets", 0x01);
    reg::SetNumber(HKEY_CURRENT_USER, kGeneral, "TmSn", 600);
    reg::SetNumber(HKEY_CURRENT_USER, kWindowsPolicy, "Targets", 0x28);
    reg::SetNumber(HKEY_LOCAL_MACHINE, kWindowsPolicy, "Targets", 0x08);
    // "255" as a number would be 0x00353532; the user's policy below it is then in force.
    reg::SetRaw(HKEY_LOCAL_MACHINE, kGeneralPolicy, "Targets", REG_SZ, std::string("255", 4));
    reg::SetNumber(HKEY_CURRENT_USER, kGeneralPolicy, "Targets", 0x03);
    reg::SetRaw(HKEY_LOCAL_MACHINE, kGeneralPolicy, "TmSn", REG_BINARY, std::string("\x10\x0e\0\0", 4));
    WindowsSettings windows;
    GeneralSettings general;
    windows.LoadAtStartup(kWindowsSettingsKey);
    general.LoadAtStartup(kGeneralSettingsKey);
    EXPECT_EQ(windows.Targets, 0x08u);
    EXPECT_TRUE(windows.IsFixed("Targets"));
    EXPECT_FALSE(windows.IsFixed("LsRn"));
    EXPECT_EQ(general.Targets, 0x03u);
    EXPECT_EQ(general.TmSn, 600u) << "a binary period is no number";
    EXPECT_FALSE(general.IsFixed("TmSn"));

    WindowsPageMembers page;
    windows.FillPage(page);
    EXPECT_EQ(page.targets, 0x08u) << "the page shows the value in force";
    page.targets = 0x7F;
    page.lastRun = 42;
    EXPECT_TRUE(windows.TakePage(page));
    EXPECT_EQ(windows.Targets, 0x08u);
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kWindows, "Targets"), 0x29u) << "Apply writes no fixed value";
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kWindows, "LsRn"), 42u);
    SettingsPageMembers settings;
    general.FillPage(settings);
    settings.periodSeconds = 1200;
    settings.deepSweep = 1;
    general.TakePage(settings);
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kGeneral, "Targets"), 0x01u);
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kGeneral, "TmSn"), 1200u) << "what is not fixed is saved";
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        EXPECT_EQ(reg::ValueNames(hive, kWindowsPolicy), std::vector<std::string>{"Targets"}) << "policy only read";

    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kWindowsPolicy.c_str());
    windows.ApplyPolicy(kWindowsSettingsKey);
    EXPECT_EQ(windows.Targets, 0x28u) << "the user's policy, once the machine's is gone";
    RegDeleteTreeA(HKEY_CURRENT_USER, kWindowsPolicy.c_str());
    windows.ApplyPolicy(kWindowsSettingsKey);
    EXPECT_EQ(windows.Targets, 0x29u) << "the user's own value, once no policy fixes it";
    EXPECT_FALSE(windows.IsFixed("Targets"));
}

// The lists and switches of the policy: friendly sites replace the user's list in force and leave it
// stored; enabled rules, their source and the weekly update come from the policy and cannot be saved
// over; custom locations stop at AllowCustomLocations 0.
TEST_F(PolicyTest, ListsAndCustomLocationsFollowThePolicy)
{
    reg::SetRaw(HKEY_CURRENT_USER, kInternet, kFriendlySitesValue, REG_MULTI_SZ, MultiString({"mine.example"}));
    reg::SetRaw(HKEY_LOCAL_MACHINE, kInternetPolicy, kFriendlySitesValue, REG_MULTI_SZ, MultiString({"Bank.Example", "school.example"}));
    reg::SetText(HKEY_CURRENT_USER, kWindows + "\\CusDir.0", "Dir", "C:\\ombrix\\scratch\\x");
    reg::SetNumber(HKEY_CURRENT_USER, kWindowsPolicy, kAllowCustomLocationsValue, 0);
    reg::SetRaw(HKEY_CURRENT_USER, kRulesSettingsKey, kEnabledRulesValue, REG_MULTI_SZ, MultiString({"Mine *"}));
    reg::SetRaw(HKEY_CURRENT_USER, kRulesPolicy, kEnabledRulesValue, REG_MULTI_SZ, MultiString({"School *"}));
    reg::SetText(HKEY_LOCAL_MACHINE, kRulesPolicy, kRulesSourceValue, "https://rules.example/winapp2.ini");
    InternetSettings internet;
    WindowsSettings windows;
    internet.LoadAtStartup(kInternetSettingsKey);
    windows.LoadAtStartup(kWindowsSettingsKey);

    EXPECT_TRUE(internet.FriendlySitesFixed());
    EXPECT_EQ(internet.CopyFriendlySites(), (FriendlySites{"bank.example", "school.example"}));
    internet.ReplaceFriendlySites({"other.example"});
    internet.SaveFriendlyCookies();
    EXPECT_EQ(internet.CopyFriendlySites(), (FriendlySites{"bank.example", "school.example"}));
    EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, kInternet, kFriendlySitesValue), MultiString({"other.example"}))
        << "the user's own list is what is stored";

    EXPECT_FALSE(windows.CustomLocationsAllowed());
    ASSERT_TRUE(windows.CopyCustomLocations());
    EXPECT_TRUE(windows.CopyCustomLocations()->empty()) << "no custom location is swept";
    reg::SetNumber(HKEY_CURRENT_USER, kWindowsPolicy, kAllowCustomLocationsValue, 1);
    windows.ApplyPolicy(kWindowsSettingsKey);
    ASSERT_TRUE(windows.CopyCustomLocations());
    EXPECT_EQ(windows.CopyCustomLocations()->size(), 1u);

    EXPECT_TRUE(EnabledRulesFixed());
    EXPECT_EQ(LoadEnabledRules(), std::vector<std::string>{"School *"});
    EXPECT_FALSE(SaveEnabledRules({"Other *"}));
    EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, kRulesSettingsKey, kEnabledRulesValue), MultiString({"Mine *"}));
    EXPECT_EQ(LoadRulesSource(), "https://rules.example/winapp2.ini");
    reg::SetNumber(HKEY_CURRENT_USER, kRulesSettingsKey, kWeeklyRulesUpdateValue, 1);
    reg::SetNumber(HKEY_LOCAL_MACHINE, kRulesPolicy, kWeeklyRulesUpdateValue, 0);
    EXPECT_FALSE(LoadWeeklyRulesUpdate()) << "the machine's policy turns the weekly update off";
    EXPECT_FALSE(SaveWeeklyRulesUpdate(false));
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kRulesSettingsKey, kWeeklyRulesUpdateValue), DWORD{1});
    // A list of another type is no policy: the user's own list is in force again.
    reg::SetText(HKEY_CURRENT_USER, kRulesPolicy, kEnabledRulesValue, "School *");
    EXPECT_FALSE(EnabledRulesFixed());
    EXPECT_EQ(LoadEnabledRules(), std::vector<std::string>{"Mine *"});
}

// ---- The administrative template

namespace {

// One element of an XML document: its local name, attributes, text and children, by index.
struct XmlElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;
    std::vector<size_t> children;
};

std::string Narrow(const WCHAR* text, UINT length)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), size, nullptr, nullptr);
    return out;
}

// Parses a whole file with the system's XML reader (XmlLite); empty when it is not well-formed XML.
std::vector<XmlElement> ParseXml(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    using Create = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);
    static const auto create =
        reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("xmllite.dll"), "CreateXmlReader")));
    IXmlReader* reader = nullptr;
    IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(data.data()), static_cast<UINT>(data.size()));
    std::vector<XmlElement> elements;
    if (!create || !stream || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader), nullptr)) ||
        FAILED(reader->SetInput(stream))) {
        if (stream) stream->Release();
        ADD_FAILURE() << "no XML reader";
        return {};
    }
    std::vector<size_t> open;
    XmlNodeType type;
    HRESULT result;
    while ((result = reader->Read(&type)) == S_OK) {
        const WCHAR* value = nullptr;
        UINT length = 0;
        if (type == XmlNodeType_Element) {
            XmlElement element;
            reader->GetLocalName(&value, &length);
            element.name = Narrow(value, length);
            const bool empty = reader->IsEmptyElement();
            for (HRESULT a = reader->MoveToFirstAttribute(); a == S_OK; a = reader->MoveToNextAttribute()) {
                reader->GetLocalName(&value, &length);
                const std::string name = Narrow(value, length);
                reader->GetValue(&value, &length);
                element.attributes[name] = Narrow(value, length);
            }
            if (!open.empty()) elements[open.back()].children.push_back(elements.size());
            elements.push_back(std::move(element));
            if (!empty) open.push_back(elements.size() - 1);
        } else if (type == XmlNodeType_EndElement) {
            if (!open.empty()) open.pop_back();
        } else if (type == XmlNodeType_Text && !open.empty()) {
            reader->GetValue(&value, &length);
            elements[open.back()].text += Narrow(value, length);
        }
    }
    reader->Release();
    stream->Release();
    if (FAILED(result)) {
        ADD_FAILURE() << path << " is not well-formed XML";
        return {};
    }
    return elements;
}

// Every "$(string.X)" or "$(presentation.X)" an attribute names.
std::set<std::string> References(const std::vector<XmlElement>& elements, const std::string& kind)
{
    std::set<std::string> names;
    const std::string head = "$(" + kind + ".";
    for (const XmlElement& element : elements)
        for (const auto& [name, value] : element.attributes)
            if (value.rfind(head, 0) == 0 && value.back() == ')')
                names.insert(value.substr(head.size(), value.size() - head.size() - 1));
    return names;
}

const std::string kAdmx = "C:\\ombrix\\policy\\Ombrix.admx";
const std::string kAdml = "C:\\ombrix\\policy\\en-US\\Ombrix.adml";

}  // namespace

// Every policy's key and value is one the code reads, every value the code reads (every setting a
// user can change) has a policy, every policy is offered to both the computer and the user in the
// "Ombrix" category, every string and presentation the template names is in its texts, and the
// items policies list every item of the catalogue with its bit.
TEST(PolicyTemplate, NamesWhatTheCodeReadsAndEveryTextIsThere)
{
    const std::vector<XmlElement> admx = ParseXml(kAdmx);
    const std::vector<XmlElement> adml = ParseXml(kAdml);
    ASSERT_FALSE(admx.empty());
    ASSERT_FALSE(adml.empty());
    std::set<std::pair<std::string, std::string>> read;
    for (const PolicyValue& value : PolicyValues()) read.insert({value.subKey, value.name});
    std::set<std::pair<std::string, std::string>> named;
    std::map<std::string, std::string> explainOf;  // policy name -> its explanation's string id
    for (const XmlElement& policy : admx) {
        if (policy.name != "policy") continue;
        const std::string& key = policy.attributes.at("key");
        EXPECT_EQ(policy.attributes.at("class"), "Both") << policy.attributes.at("name");
        explainOf[policy.attributes.at("name")] = policy.attributes.at("explainText");
        if (policy.attributes.count("valueName")) named.insert({key, policy.attributes.at("valueName")});
        bool inCategory = false;
        for (size_t child : policy.children) {
            const XmlElement& part = admx[child];
            inCategory |= part.name == "parentCategory" && part.attributes.at("ref") == "Ombrix";
            if (part.name != "elements") continue;
            for (size_t element : part.children) {
                const XmlElement& value = admx[element];
                named.insert({value.attributes.count("key") ? value.attributes.at("key") : key,
                              value.attributes.at("valueName")});
            }
        }
        EXPECT_TRUE(inCategory) << policy.attributes.at("name");
    }
    for (const auto& value : named) EXPECT_TRUE(read.count(value)) << value.first << " " << value.second << " is read by nothing";
    for (const auto& value : read) EXPECT_TRUE(named.count(value)) << value.first << " " << value.second << " has no policy";

    std::map<std::string, std::string> strings;
    std::set<std::string> presentations;
    for (const XmlElement& element : adml) {
        if (element.name == "string") strings[element.attributes.at("id")] = element.text;
        if (element.name == "presentation") presentations.insert(element.attributes.at("id"));
    }
    for (const std::string& id : References(admx, "string")) EXPECT_TRUE(strings.count(id)) << "no string " << id;
    for (const std::string& id : References(admx, "presentation"))
        EXPECT_TRUE(presentations.count(id)) << "no presentation " << id;

    const std::map<std::string, std::string> itemsPolicy{
        {"windows", "WindowsItems"}, {"internet", "InternetItems"}, {"applications", "ApplicationsItems"}};
    for (const CategoryRow& row : CategoryRows()) {
        const std::string explain = explainOf[itemsPolicy.at(row.id)];
        const std::string& text = strings[explain.substr(9, explain.size() - 10)];  // "$(string." ... ")"
        for (const CategoryItem& item : row.items) {
            if (!item.checkbox || !item.name) continue;
            std::string line(1, '\n');
            line.append(std::to_string(item.bit)).append(": ").append(item.name).push_back('\n');
            EXPECT_NE(text.find(line), std::string::npos) << "the " << row.id << " items policy lacks" << line;
        }
    }
}
