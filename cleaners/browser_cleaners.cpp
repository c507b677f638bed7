#include <windows.h>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include "cleaners/browser_profile.h"
#include "cleaners/browser_table.h"
#include "cleaners/internet_cleaners.h"
#include "cleaners/browser_sites.h"
#include "engine/browser_profiles.h"
#include "engine/cookie_database.h"
#include "engine/profile_walk.h"
#include "engine/protected_folders.h"
#include "engine/sweep_log.h"
#include "framework/process_list.h"
#include "settings/target_bits.h"

namespace {

// Every "Firefox*" folder's profiles; with `tableWalks`, not "Firefox" itself, whose profiles the
// browsers' table walks with these rows (a database left would be said twice).
void WalkFirefox(const std::string& base, std::span<const ProfileRow> rows, bool tableWalks, int* counter, float* kb)
{
    try {
        const std::optional<ReachedEntry> start = StartFolder(base);
        const std::optional<ReachedEntry> mozilla = start ? Reach(*start, "Mozilla") : std::nullopt;
        if (!mozilla || !mozilla->IsFolder()) return;
        ForEachEntry(*mozilla, "Firefox*", [&](ReachedEntry& firefox) {
            if (tableWalks && lstrcmpiA(firefox.name.c_str(), "Firefox") == 0) return;
            const std::optional<ReachedEntry> profiles = firefox.IsFolder() ? Reach(firefox, "profiles") : std::nullopt;
            if (!profiles || !profiles->IsFolder()) return;
            ForEachEntry(*profiles, "*", [&](ReachedEntry& profile) {
                if (profile.IsFolder()) CleanProfile(profile, rows, counter, kb);
            });
        });
    } catch (const std::exception&) {
        // The walk ends; the next one still runs.
    }
}

// Over the roaming folder, then the local one; a roaming value that cannot be had ends both.
void CleanFirefoxProfiles(std::span<const ProfileRow> rows, bool tableWalks, int* counter, float* kb)
{
    const std::optional<std::string> roaming = ShellFolderPath("AppData");
    if (!roaming) return;
    WalkFirefox(*roaming, rows, tableWalks, counter, kb);
    if (const std::optional<std::string> local = ShellFolderPath("Local AppData"))
        WalkFirefox(*local, rows, tableWalks, counter, kb);
}

constexpr size_t kListLimit = 4u << 20;  // a profile list is a few kilobytes; more is not one

// The profiles "Local State" lists, with Default; nothing when it is missing or unreadable.
std::optional<std::vector<std::string>> ListedChromiumProfiles(const ReachedEntry& userData)
{
    const std::optional<ReachedEntry> state = Reach(userData, "Local State", true);
    const std::optional<std::string> text = state ? ReadReachedFile(*state, kListLimit) : std::nullopt;
    std::optional<std::vector<std::string>> names = text ? LocalStateProfiles(*text) : std::nullopt;
    if (!names) return std::nullopt;
    if (std::none_of(names->begin(), names->end(), [](const std::string& n) { return lstrcmpiA(n.c_str(), "Default") == 0; }))
        names->push_back("Default");
    return names;
}

// What a browser walk meets: a profile of either family, or the folder a Chromium browser's profiles share.
enum class ProfileKind { Chromium, ChromiumShared, Firefox };
using ProfileVisit = std::function<void(const ReachedEntry&, ProfileKind)>;

// Default and the profiles "Local State" lists, each a folder directly in "User Data" that holds
// Preferences; without a readable list, every such folder ("Profile N", "Guest Profile"). Then what
// the profiles share.
void VisitChromium(const ReachedEntry& userData, const ProfileVisit& visit)
{
    if (const auto listed = ListedChromiumProfiles(userData)) {
        for (const std::string& name : *listed)
            if (const auto profile = Reach(userData, name); profile && IsChromeProfile(*profile))
                visit(*profile, ProfileKind::Chromium);
    } else {
        ForEachEntry(userData, "*", [&](ReachedEntry& profile) {
            if (IsChromeProfile(profile)) visit(profile, ProfileKind::Chromium);
        });
    }
    visit(userData, ProfileKind::ChromiumShared);
}

// Opera's root is the profile itself, or holds it in Default; side profiles live in _side_profiles.
// The local root mirrors the roaming one with the caches.
void VisitOpera(const ReachedEntry& root, bool rootIsProfile, const ProfileVisit& visit)
{
    if (rootIsProfile) visit(root, ProfileKind::Chromium);
    if (const auto main = Reach(root, "Default"); main && main->IsFolder()) visit(*main, ProfileKind::Chromium);
    if (const auto side = Reach(root, "_side_profiles"); side && side->IsFolder())
        ForEachEntry(*side, "*", [&](ReachedEntry& profile) {
            if (profile.IsFolder()) visit(profile, ProfileKind::Chromium);
        });
}

// A profile profiles.ini names: relative to the root, step by step, or an absolute folder. The walk
// rules refuse one that is, holds or lies in a folder the system or the user keeps.
std::optional<ReachedEntry> IniProfileFolder(const ReachedEntry& root, const IniProfile& listed)
{
    std::optional<ReachedEntry> folder = listed.relative ? Reach(root, listed.path) : StartFolder(listed.path);
    if (!folder || !folder->IsFolder()) return std::nullopt;
    if (RefuseProtectedFolder(folder->path, folder->identity.finalPath, PatternSource::Data)) return std::nullopt;
    return folder;
}

// The profiles profiles.ini names, then every folder of Profiles, each once.
void VisitFirefoxRoot(const ReachedEntry& root, const ProfileVisit& visit)
{
    std::set<std::string> visited;
    const auto once = [&](const ReachedEntry& profile) {
        if (visited.insert(profile.identity.finalPath).second) visit(profile, ProfileKind::Firefox);
    };
    const std::optional<ReachedEntry> ini = Reach(root, "profiles.ini", true);
    if (const auto text = ini ? ReadReachedFile(*ini, kListLimit) : std::nullopt)
        for (const IniProfile& listed : ProfilesIniProfiles(*text))
            if (const auto profile = IniProfileFolder(root, listed)) once(*profile);
    const std::optional<ReachedEntry> profiles = Reach(root, "Profiles");
    if (!profiles || !profiles->IsFolder()) return;
    ForEachEntry(*profiles, "*", [&](ReachedEntry& profile) {
        if (profile.IsFolder()) once(profile);
    });
}

std::optional<ReachedEntry> BrowserRoot(const std::optional<std::string>& base, const char* root)
{
    if (!base) return std::nullopt;
    const std::optional<ReachedEntry> start = StartFolder(*base);
    std::optional<ReachedEntry> found = start ? Reach(*start, root) : std::nullopt;
    return found && found->IsFolder() ? found : std::nullopt;
}

// A browser that runs holds some of its files: they stay (or wait for the restart), and one line
// says why, once for each browser found.
void SayWhenRunning(const BrowserRow& browser)
{
    if (ProcessRunning(browser.process))
        LogNote(FormatLine("%s is running: the files it holds stay until it is closed.\n", browser.name));
}

// Every profile of one browser, below the user's local and roaming application data; `found` runs
// first when the browser has a folder there.
void VisitBrowser(const BrowserRow& browser, const std::function<void()>& found, const ProfileVisit& visit)
{
    const std::optional<std::string> local = ShellFolderPath("Local AppData");
    const std::optional<std::string> roaming = ShellFolderPath("AppData");
    const std::optional<ReachedEntry> localRoot = BrowserRoot(local, browser.root);
    const std::optional<ReachedEntry> roamingRoot = BrowserRoot(roaming, browser.root);
    if (!localRoot && !roamingRoot) return;
    found();
    switch (browser.family) {
    case BrowserFamily::Chromium:
        if (localRoot) VisitChromium(*localRoot, visit);
        break;
    case BrowserFamily::Opera: {
        const bool rootIsProfile = roamingRoot && IsChromeProfile(*roamingRoot) &&
                                   lstrcmpiA(roamingRoot->name.c_str(), "Default") != 0;
        for (const auto& root : {roamingRoot, localRoot})
            if (root) VisitOpera(*root, rootIsProfile, visit);
        break;
    }
    case BrowserFamily::Firefox:
        for (const auto& root : {roamingRoot, localRoot})
            if (root) VisitFirefoxRoot(*root, visit);
        break;
    }
}

void CleanBrowser(const BrowserRow& browser, int* counter, float* kb)
{
    VisitBrowser(browser, [&] { SayWhenRunning(browser); }, [&](const ReachedEntry& folder, ProfileKind kind) {
        switch (kind) {
        case ProfileKind::Chromium: CleanChromiumProfile(folder, counter, kb); break;
        case ProfileKind::ChromiumShared: CleanProfile(folder, kChromiumSharedRows, counter, kb); break;
        case ProfileKind::Firefox: CleanProfile(folder, kFirefoxRows, counter, kb); break;
        }
    });
}

// Every browser of the table that the box sweeps.
void CleanBrowsers(uint32_t bit, int* counter, float* kb)
{
    for (const BrowserRow& browser : Browsers()) {
        if (browser.bit != bit) continue;
        try {
            CleanBrowser(browser, counter, kb);
        } catch (const std::exception&) {
            // This browser's walk ends; the next one still runs.
        }
    }
}

}  // namespace

void CleanFirefox(int* counter, float* kb)
{
    CleanFirefoxProfiles(kFirefoxOldRows, false, counter, kb);
    CleanFirefoxProfiles(kFirefoxRows, true, counter, kb);
    CleanBrowsers(InternetBit::Firefox, counter, kb);
}

void CleanChrome(int* counter, float* kb) { CleanBrowsers(InternetBit::Chrome, counter, kb); }
void CleanEdge(int* counter, float* kb) { CleanBrowsers(InternetBit::Edge, counter, kb); }
void CleanOtherBrowsers(int* counter, float* kb) { CleanBrowsers(InternetBit::OtherBrowsers, counter, kb); }

std::vector<SiteCookies> BrowserCookieSites()
{
    std::map<std::string, std::vector<std::string>> sites;  // by host, in the order the browsers come
    // The cookie databases are the rows the profile tables mark as such.
    const auto take = [&](const BrowserRow& browser, const ReachedEntry& profile, std::span<const ProfileRow> rows) {
        for (const ProfileRow& row : rows) {
            const CookieTable* table = CookieTableOf(row);
            std::optional<ReachedEntry> file = table ? Reach(profile, row.path) : std::nullopt;
            if (!file || file->IsFolder()) continue;
            file->handle->Close();  // the library opens it itself, read-only, beside the browser
            for (std::string host : CookieHosts(file->path, *table)) {
                if (!host.empty() && host.front() == '.') host.erase(0, 1);
                CharLowerA(host.data());
                std::vector<std::string>& browsers = sites[host];
                if (std::find(browsers.begin(), browsers.end(), browser.name) == browsers.end())
                    browsers.push_back(browser.name);
            }
        }
    };
    for (const BrowserRow& browser : Browsers()) {
        try {
            VisitBrowser(browser, [] {}, [&](const ReachedEntry& profile, ProfileKind kind) {
                if (kind != ProfileKind::ChromiumShared)
                    take(browser, profile, kind == ProfileKind::Chromium ? kChromeRows : kFirefoxRows);
            });
        } catch (const std::exception&) {
            // This browser's walk ends; the next one still lists.
        }
    }
    std::vector<SiteCookies> listed;
    for (auto& [host, browsers] : sites) listed.push_back({host, std::move(browsers)});
    return listed;
}
