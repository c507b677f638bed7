#pragma once
#include <optional>
#include "settings/friendly_sites.h"
#include "settings/page_members.h"
#include "settings/settings_group.h"
#include "settings/settings_records.h"

inline constexpr const char* kGeneralSettingsKey = "SOFTWARE\\Quillane\\Ombrix\\General Settings";
inline constexpr const char* kWindowsSettingsKey = "SOFTWARE\\Quillane\\Ombrix\\Windows";
inline constexpr const char* kApplicationsSettingsKey = "SOFTWARE\\Quillane\\Ombrix\\Applications";
inline constexpr const char* kInternetSettingsKey = "SOFTWARE\\Quillane\\Ombrix\\Internet";
inline constexpr const char* kFriendlySitesValue = "FriendlySites";

class GeneralSettings : public SettingsGroup {
public:
    GeneralSettings() : SettingsGroup(0x1F) {}
    void FillPage(SettingsPageMembers& page) const;
    bool TakePage(const SettingsPageMembers& page);

    std::atomic<uint32_t> StTm{0};
    std::atomic<uint32_t> TmSn{60};
    std::atomic<uint32_t> NotShowLogo{0};

protected:
    std::vector<ScalarField> Scalars() override;
};

class ApplicationsSettings : public SettingsGroup {
public:
    ApplicationsSettings() : SettingsGroup(0) {}
    void FillPage(ApplicationPageMembers& page) const;
    bool TakePage(const ApplicationPageMembers& page);

protected:
    std::vector<ScalarField> Scalars() override;
};

class WindowsSettings : public SettingsGroup {
public:
    WindowsSettings() : SettingsGroup(0) {}
    void LoadValues(CRegistryKey& key) override;
    void SaveValues(CRegistryKey& key) override;
    void FillPage(WindowsPageMembers& page) const;
    bool TakePage(WindowsPageMembers& page);
    // The list as it is now, or nothing when the lock could not be had in time.
    // Empty when the policy stops custom locations.
    std::optional<CustomLocationList> CopyCustomLocations() const;
    // False when the policy stops custom locations: none is swept, and none can be added.
    bool CustomLocationsAllowed() const;

    bool listChanged = false;

protected:
    std::vector<ScalarField> Scalars() override;
    void ApplyOtherPolicy() override;

private:
    CustomLocationList m_locations;
    bool m_locationsAllowed = true;
};

class InternetSettings : public SettingsGroup {
public:
    InternetSettings() : SettingsGroup(0x18) {}
    void LoadValues(CRegistryKey& key) override;
    void SaveValues(CRegistryKey& key) override;
    void FillPage(InternetPageMembers& page) const;
    bool TakePage(const InternetPageMembers& page);
    bool CopyFriendlyCookies(FriendlyCookieList& list) const;
    bool ReplaceFriendlyCookies(const FriendlyCookieList& list);
    // Saves the friendly cookies and the friendly sites at once.
    bool SaveFriendlyCookies();
    // The sites as they are now; nothing when the lock could not be had in time, or when the stored
    // list is there but could not be read (another type, or no host in a list that is not empty):
    // then which sites are friendly is unknown, and no cookie may go.
    std::optional<FriendlySites> CopyFriendlySites() const;
    // The user's own list, which replaces one that could not be read too.
    bool ReplaceFriendlySites(const FriendlySites& sites);
    // The policy sets the friendly sites: CopyFriendlySites gives its list, the user's stays stored.
    bool FriendlySitesFixed() const;

    std::atomic<uint32_t> Browser{0};

protected:
    std::vector<ScalarField> Scalars() override;
    void ApplyOtherPolicy() override;

private:
    void SaveFriendlySites(CRegistryKey& key) const;

    FriendlyCookieList m_cookies;
    FriendlySites m_sites;
    bool m_sitesUnreadable = false;
    std::optional<std::vector<std::string>> m_policySites;  // as the policy lists them
};

// The process-wide groups, constructed before the application starts.
extern GeneralSettings g_generalSettings;
extern ApplicationsSettings g_applicationsSettings;
extern WindowsSettings g_windowsSettings;
extern InternetSettings g_internetSettings;

// Loads the four groups in start-up order: General, Applications, Windows, Internet.
void LoadAllSettings();
// Reads the policy again and puts it in force: at the start of every sweep and when the control panel
// opens, so that a change of Group Policy takes effect without a restart.
void RefreshPolicy();
