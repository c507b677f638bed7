#include "settings/settings_groups.h"
#include <cstdio>
#include "settings/policy.h"
#include "settings/rules_choice.h"
#include "settings/target_bits.h"

GeneralSettings g_generalSettings;
ApplicationsSettings g_applicationsSettings;
WindowsSettings g_windowsSettings;
InternetSettings g_internetSettings;

void LoadAllSettings()
{
    g_generalSettings.LoadAtStartup(kGeneralSettingsKey);
    g_applicationsSettings.LoadAtStartup(kApplicationsSettingsKey);
    g_windowsSettings.LoadAtStartup(kWindowsSettingsKey);
    g_internetSettings.LoadAtStartup(kInternetSettingsKey);
}

void RefreshPolicy()
{
    g_generalSettings.ApplyPolicy(kGeneralSettingsKey);
    g_applicationsSettings.ApplyPolicy(kApplicationsSettingsKey);
    g_windowsSettings.ApplyPolicy(kWindowsSettingsKey);
    g_internetSettings.ApplyPolicy(kInternetSettingsKey);
}

std::vector<PolicyValue> PolicyValues()
{
    std::vector<PolicyValue> values;
    const std::pair<SettingsGroup*, const char*> groups[] = {{&g_generalSettings, kGeneralSettingsKey},
                                                             {&g_windowsSettings, kWindowsSettingsKey},
                                                             {&g_internetSettings, kInternetSettingsKey},
                                                             {&g_applicationsSettings, kApplicationsSettingsKey}};
    for (const auto& [group, key] : groups)
        for (const char* name : group->FixableNames()) values.push_back({PolicyPathOf(key), name, PolicyKind::Number});
    values.push_back({PolicyPathOf(kWindowsSettingsKey), kAllowCustomLocationsValue, PolicyKind::Number});
    values.push_back({PolicyPathOf(kInternetSettingsKey), kFriendlySitesValue, PolicyKind::TextList});
    values.push_back({PolicyPathOf(kRulesSettingsKey), kEnabledRulesValue, PolicyKind::TextList});
    values.push_back({PolicyPathOf(kRulesSettingsKey), kRulesSourceValue, PolicyKind::Text});
    values.push_back({PolicyPathOf(kRulesSettingsKey), kWeeklyRulesUpdateValue, PolicyKind::Number});
    return values;
}

namespace {

// Removes every list subkey (any name with the prefix), stepping back so that none is passed over.
void DeleteListSubKeys(CRegistryKey& key, const char* prefix)
{
    std::string name;
    while (key.NextSubKeyName(name)) {
        if (IsListSubKey(name, prefix) && key.DeleteSubKeyTree(name.c_str())) --key.m_subKeyIndex;
    }
}

template <class Record, class Read>
void LoadListSubKeys(CRegistryKey& key, const char* prefix, std::vector<Record>& list, Read read)
{
    std::string name;
    while (key.NextSubKeyName(name)) {
        if (!IsListSubKey(name, prefix)) continue;
        CRegistryKey sub(key.OpenSubKey(name.c_str()));
        Record record;
        if (sub.Handle() && read(sub, name, record)) list.push_back(std::move(record));
    }
}

std::string TwoDigits(uint32_t n)
{
    char text[16];
    snprintf(text, sizeof text, "%02u", n);
    return text;
}

}  // namespace

// ---- General

std::vector<ScalarField> GeneralSettings::Scalars()
{
    return {{"Targets", &Targets}, {"StTm", &StTm}, {"TmSn", &TmSn}, {"LsRn", &LsRn, false}, {"NotShowLogo", &NotShowLogo}};
}

void GeneralSettings::FillPage(SettingsPageMembers& page) const
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return;
    FillCheckboxes(Targets, page, kGeneralTargetCheckboxes);
    FillCheckboxes(StTm, page, kSweepAtCheckboxes);
    page.showStartupWindow = NotShowLogo != 1 ? 1 : 0;
    page.periodSeconds = TmSn;
    page.hoursText = TwoDigits(TmSn / 3600 % 24);
    page.minutesText = TwoDigits(TmSn / 60 % 60);
    page.lastRun = LastRun();
}

bool GeneralSettings::TakePage(const SettingsPageMembers& page)
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return false;
    SetUnlessFixed(Targets, "Targets", TakeCheckboxes(Targets, page, kGeneralTargetCheckboxes));
    SetUnlessFixed(StTm, "StTm", TakeCheckboxes(StTm, page, kSweepAtCheckboxes));
    SetUnlessFixed(NotShowLogo, "NotShowLogo", page.showStartupWindow == 1 ? 0 : 1);
    SetUnlessFixed(TmSn, "TmSn", page.periodSeconds);
    LsRn = static_cast<uint32_t>(page.lastRun);
    return SaveToUserLocked(kGeneralSettingsKey);
}

// ---- Applications

std::vector<ScalarField> ApplicationsSettings::Scalars()
{
    return {{"Targets", &Targets}, {"LsRn", &LsRn, false}};
}

void ApplicationsSettings::FillPage(ApplicationPageMembers& page) const
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return;
    page.targets = Targets;
    page.lastRun = LastRun();
}

bool ApplicationsSettings::TakePage(const ApplicationPageMembers& page)
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return false;
    SetUnlessFixed(Targets, "Targets", page.targets);
    LsRn = static_cast<uint32_t>(page.lastRun);
    return SaveToUserLocked(kApplicationsSettingsKey);
}

// ---- Windows

std::vector<ScalarField> WindowsSettings::Scalars()
{
    return {{"Targets", &Targets}, {"LsRn", &LsRn, false}};
}

void WindowsSettings::LoadValues(CRegistryKey& key)
{
    SettingsGroup::LoadValues(key);
    LoadListSubKeys(key, "CusDir", m_locations, [](CRegistryKey& sub, const std::string& name, CustomLocation& loc) {
        if (!ReadTextValue(sub, "Dir", 1024, loc.Dir)) return false;
        if (!ReadTextValue(sub, "Flt", 256, loc.Flt)) loc.Flt.clear();
        uint32_t subInc = 0;
        loc.SubInc = ReadNumberValue(sub, "SubInc", subInc) ? static_cast<int32_t>(subInc) : 0;
        loc.keyName = name;
        return true;
    });
}

void WindowsSettings::SaveValues(CRegistryKey& key)
{
    SettingsGroup::SaveValues(key);
    if (!listChanged) return;
    DeleteListSubKeys(key, "CusDir");
    listChanged = false;
    for (size_t n = 0; n < m_locations.size(); ++n) {
        CustomLocation& loc = m_locations[n];
        loc.keyName = std::string(kWindowsSettingsKey) + "\\" + ListSubKeyName("CusDir", n);
        CRegistryKey record(HKEY_CURRENT_USER, loc.keyName);
        if (!record.OpenOrCreate()) continue;
        WriteTextValue(record, "Dir", loc.Dir);
        WriteTextValue(record, "Flt", loc.Flt);
        WriteNumberValue(record, "SubInc", static_cast<uint32_t>(loc.SubInc));
    }
}

void WindowsSettings::FillPage(WindowsPageMembers& page) const
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return;
    page.targets = Targets;
    page.lastRun = LastRun();
    page.customLocations = m_locations;
}

bool WindowsSettings::TakePage(WindowsPageMembers& page)
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return false;
    SetUnlessFixed(Targets, "Targets", page.targets);
    LsRn = static_cast<uint32_t>(page.lastRun);
    if (page.listChanged) {
        m_locations = page.customLocations;
        page.listChanged = 0;
        listChanged = true;
    }
    return SaveToUserLocked(kWindowsSettingsKey);
}

std::optional<CustomLocationList> WindowsSettings::CopyCustomLocations() const
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return std::nullopt;
    if (!m_locationsAllowed) return CustomLocationList{};
    return m_locations;
}

bool WindowsSettings::CustomLocationsAllowed() const
{
    CGuardLock::Scope hold(Lock());
    return !hold || m_locationsAllowed;
}

void WindowsSettings::ApplyOtherPolicy()
{
    m_locationsAllowed = PolicyNumber(kWindowsSettingsKey, kAllowCustomLocationsValue).value_or(1) != 0;
}

// ---- Internet

std::vector<ScalarField> InternetSettings::Scalars()
{
    return {{"Targets", &Targets}, {"Browser", &Browser, false}, {"LsRn", &LsRn, false}};
}

void InternetSettings::LoadValues(CRegistryKey& key)
{
    SettingsGroup::LoadValues(key);
    LoadListSubKeys(key, "Cookie", m_cookies, [](CRegistryKey& sub, const std::string&, FriendlyCookie& cookie) {
        if (!ReadTextValue(sub, "Url", 2084, cookie.Url)) return false;
        if (!ReadTextValue(sub, "Fl", 260, cookie.Fl)) cookie.Fl.clear();
        return true;
    });
    // A list that is there but gives no host is no list of none: the sweeps then keep every cookie.
    std::vector<std::string> entries;
    const ValueRead read = ReadWholeTextList(key, kFriendlySitesValue, entries);
    m_sites = read == ValueRead::Read ? PlainHosts(entries) : FriendlySites{};
    m_sitesUnreadable = read == ValueRead::Unreadable || (m_sites.empty() && !entries.empty());
}

void InternetSettings::SaveValues(CRegistryKey& key)
{
    SettingsGroup::SaveValues(key);
    SaveFriendlySites(key);
}

// A stored list that could not be read stays as it is: saved as the empty list it was read as, it
// would let the next sweep take every cookie.
void InternetSettings::SaveFriendlySites(CRegistryKey& key) const
{
    if (!m_sitesUnreadable) WriteTextListValue(key, kFriendlySitesValue, m_sites);
}

void InternetSettings::FillPage(InternetPageMembers& page) const
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return;
    page.targets = Targets;
    page.lastRun = LastRun();
}

bool InternetSettings::TakePage(const InternetPageMembers& page)
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return false;
    SetUnlessFixed(Targets, "Targets", page.targets);
    LsRn = static_cast<uint32_t>(page.lastRun);
    return SaveToUserLocked(kInternetSettingsKey);
}

bool InternetSettings::CopyFriendlyCookies(FriendlyCookieList& list) const
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return false;
    list.insert(list.end(), m_cookies.begin(), m_cookies.end());
    return true;
}

bool InternetSettings::ReplaceFriendlyCookies(const FriendlyCookieList& list)
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return false;
    m_cookies = list;
    return true;
}

bool InternetSettings::SaveFriendlyCookies()
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return false;
    // The group may never have been saved yet; the user's list must not be dropped for that.
    CRegistryKey key(HKEY_CURRENT_USER, kInternetSettingsKey);
    if (!key.OpenOrCreate()) return false;
    SaveFriendlySites(key);
    DeleteListSubKeys(key, "Cookie");
    for (size_t n = 0; n < m_cookies.size(); ++n) {
        CRegistryKey record(HKEY_CURRENT_USER, std::string(kInternetSettingsKey) + "\\" + ListSubKeyName("Cookie", n));
        if (!record.OpenOrCreate()) continue;
        WriteTextValue(record, "Url", m_cookies[n].Url);
        WriteTextValue(record, "Fl", m_cookies[n].Fl);
    }
    return true;
}

std::optional<FriendlySites> InternetSettings::CopyFriendlySites() const
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return std::nullopt;
    if (m_policySites) {
        // As for the user's list: one that names no host although it is not empty tells nothing.
        FriendlySites sites = PlainHosts(*m_policySites);
        if (sites.empty() && !m_policySites->empty()) return std::nullopt;
        return sites;
    }
    if (m_sitesUnreadable) return std::nullopt;
    return m_sites;
}

bool InternetSettings::FriendlySitesFixed() const
{
    CGuardLock::Scope hold(Lock());
    return hold && m_policySites.has_value();
}

void InternetSettings::ApplyOtherPolicy() { m_policySites = PolicyTextList(kInternetSettingsKey, kFriendlySitesValue); }

bool InternetSettings::ReplaceFriendlySites(const FriendlySites& sites)
{
    CGuardLock::Scope hold(Lock());
    if (!hold) return false;
    m_sites = PlainHosts(sites);
    m_sitesUnreadable = false;
    return true;
}
