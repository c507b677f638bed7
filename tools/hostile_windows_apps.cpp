#include "tools/hostile_windows_apps.h"
#include <algorithm>
#include "tools/profile_tools.h"
#include "tools/windows_apps_traces.h"

namespace {

std::string Local(const std::string& root) { return root + "\\Profile\\AppData\\Local"; }
std::string Tabs(const std::string& root)
{
    return Local(root) + "\\Packages\\Microsoft.WindowsNotepad_8wekyb3d8bbwe\\LocalState\\TabState";
}
std::string Outside(const std::string& root) { return root + "\\Outside\\apps"; }
std::string VendorApp(const std::string& root) { return Local(root) + "\\Packages\\Vendor.App_1a2b3c4d5e6f7"; }

const char* const kSavedGuid = "5a2c9fa3-6172-4384-8fd0-c1bcad9e8f70";
const char* const kCapitalGuid = "6B3DA0B4-7283-4495-90E1-D2CDBEAF9081";

struct Planted : PlantedFiles {
    std::vector<std::string> links;
};

Planted& Files()
{
    static Planted planted;
    return planted;
}

std::string SavedTab(const char16_t* text) { return NotepadTabFile({u"C:\\Users\\someone\\plan.txt", text, false, {}}); }

void PlantNotepad(const std::string& root)
{
    const std::string t = Tabs(root) + "\\";
    Files().Trace(t + kSavedGuid + ".bin", SavedTab(u"saved"));
    Files().Canary(t + kSavedGuid + ".0.bin", NotepadOptionFile().substr(0, 9));  // cut short: not read, and stays
    Files().Trace(t + kSavedGuid + ".1.bin", NotepadOptionFile());
    Files().Trace(t + kCapitalGuid + ".bin", SavedTab(u"capitals"));
    Files().Trace(t + "6b3da0b4-7283-4495-90e1-d2cdbeaf9081.0.bin", NotepadOptionFile());
    std::string edited = NotepadTabFile({u"C:\\Users\\someone\\plan.txt", u"saved", false, {u"typed"}});
    edited.back() ^= 0x01;  // the edit's CRC32 no longer holds
    Files().Canary(t + "7c4eb1c5-8394-45a6-a1f2-e3decfb0a192.bin", edited);
    // A never saved tab whose text would be 2^63 units long.
    Files().Canary(t + "8d5fc2d6-94a5-46b7-b203-f4efd0c1b2a3.bin",
           std::string("NP\x00\x00\x01\x00\x00\x01\x00\x00\x00", 11) + std::string(9, '\x80') + "\x01text");
    Files().Canary(t + "9e60d3e7-a5b6-47c8-8314-05f0e1d2c3b4.bin", "NP" + std::string(11, '\xFF') + std::string(40, '\x01'));
    Files().Canary(t + "af71e4f8-b6c7-48d9-9425-1601f2e3d4c5.bin\\inside.txt", "a folder named like a tab");
    Files().Canary(t + "notes.bin", SavedTab(u"under another name"));
    Files().Canary(Outside(root) + "\\linked-tab.bin", SavedTab(u"behind a link"));
    Files().links.push_back(t + "b082f509-c7d8-49ea-a536-2712a3f4e5d6.bin");
    RunUnixScript("ln -s '" + UnixPathOf(Outside(root) + "\\linked-tab.bin") + "' '" + UnixPathOf(Files().links.back()) + "'");
}

void PlantWebViews(const std::string& root)
{
    const std::string l = Local(root), o = Outside(root);
    Files().Canary(o + "\\webapp\\EBWebView\\Default\\Cache\\x", "behind a folder link");
    Files().Canary(o + "\\webview\\Default\\Cache\\y", "behind an EBWebView link");
    Files().Canary(o + "\\inetcache\\page.htm", "behind a package cache link");
    for (const auto& [link, target] : {std::pair{l + "\\LinkedApp", o + "\\webapp"}, std::pair{l + "\\App\\EBWebView", o + "\\webview"},
                                       std::pair{VendorApp(root) + "\\AC\\INetCache", o + "\\inetcache"}}) {
        MakeFolders(link.substr(0, link.rfind('\\')));
        MakeFolderLink(link, target);
        Files().links.push_back(link);
    }
    Files().Trace(l + "\\a\\b\\c\\d\\e\\EBWebView\\Default\\Cache\\at-the-bound", "cached");
    Files().Canary(l + "\\a\\b\\c\\d\\e\\f\\EBWebView\\Default\\Cache\\too-deep", "one level past the search");
    Files().Trace(l + "\\Nested\\EBWebView\\Default\\Code Cache\\js\\outer", "cached");
    Files().Canary(l + "\\Nested\\EBWebView\\Inner\\EBWebView\\Default\\Cache\\inner", "below the first one found");
    Files().Canary(l + "\\Nested\\EBWebView\\Default\\Cookies", "signed in");
    Files().Trace(VendorApp(root) + "\\LocalCache\\Roaming\\Vendor\\App\\Data\\EBWebView\\Default\\Cache\\deep", "cached");
    Files().Canary(VendorApp(root) + "\\AC\\INetCookies\\cookie.txt", "signed in");
    Files().Canary(l + "\\FileApp\\EBWebView", "a file named like a web view");
}

bool Logged(const std::vector<std::string>& logs, const std::string& text)
{
    return std::any_of(logs.begin(), logs.end(), [&](const std::string& log) { return log.find(text) != std::string::npos; });
}

}  // namespace

void PlantHostileWindowsApps(const std::string& root)
{
    Files() = {};
    PlantNotepad(root);
    PlantWebViews(root);
}

void CheckHostileWindowsApps(const std::string& root, const std::vector<std::string>& logs,
                             std::vector<std::string>& problems)
{
    for (const auto& [path, bytes] : Files().traces)
        if (Exists(path)) problems.push_back("trace left: " + path);
    for (const auto& [path, bytes] : Files().canaries)
        if (ReadFileText(path) != bytes) problems.push_back("canary changed or lost: " + path);
    for (const std::string& link : Files().links)
        if (!Exists(link)) problems.push_back("link lost: " + link);
    const std::string t = Tabs(root) + "\\";
    for (const std::string& unread : {t + kSavedGuid + ".0.bin", t + "7c4eb1c5-8394-45a6-a1f2-e3decfb0a192.bin",
                                      t + "8d5fc2d6-94a5-46b7-b203-f4efd0c1b2a3.bin", t + "9e60d3e7-a5b6-47c8-8314-05f0e1d2c3b4.bin"})
        if (!Logged(logs, "  Kept: " + unread + " (not read).")) problems.push_back("not said to be kept: " + unread);
}
