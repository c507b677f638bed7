#include "tools/internet_explorer_traces.h"
#include <windows.h>
#include <shlobj.h>
#include <wininet.h>
#include <vector>
#include "tools/profile_tools.h"

namespace {

const char* const kIE = "Software\\Microsoft\\Internet Explorer";
const char* const kStore = "Software\\Microsoft\\Protected Storage System Provider\\";
const char* const kForms = "\\Data\\e161255a-37c3-11d2-bcaa-00c04fd929db";
const char* const kContentUrls[] = {"http://www.example.com/index.html", "http://news.example.org/story/42.html",
                                    "https://shop.example.net/basket?id=7"};
const char* const kFriendlyUrl = "http://friendly.example.com/";
const char* const kOtherCookieUrl = "http://tracker.example.net/";
const char* const kVisited = "Visited: ombrix@http://www.example.com/index.html";

std::string UserName()
{
    char user[261] = {};
    DWORD size = sizeof user;
    GetUserNameA(user, &size);
    return user;
}

std::string Shell(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
    return path;
}

// Where %USERPROFILE% puts the shell-folder values during a sweep of the profile.
std::string Local(const std::string& root) { return root + "\\Profile\\AppData\\Local\\Microsoft\\Windows"; }

void PlantContent(const char* url)
{
    char file[MAX_PATH] = {};
    if (!CreateUrlCacheEntryA(url, 0, "html", file, 0)) return;
    WriteFileText(file, std::string("<html>") + url + "</html>");
    FILETIME none{};
    CommitUrlCacheEntryA(url, file, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr);
}

bool EntryExists(const std::string& url)
{
    DWORD size = 0;
    if (GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size)) return true;
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// The cookie's cache entry name and its file.
std::pair<std::string, std::string> CookieEntry(const char* url)
{
    std::vector<BYTE> buffer(8192);
    char host[256] = {};
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    InternetCrackUrlA(url, 0, 0, &parts);
    std::string name = std::string("Cookie:") + UserName() + "@" + host + "/";
    DWORD size = static_cast<DWORD>(buffer.size());
    auto* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    if (!GetUrlCacheEntryInfoA(name.c_str(), info, &size) || !info->lpszLocalFileName) return {name, ""};
    return {name, info->lpszLocalFileName};
}

std::vector<std::string> FileTraces(const std::string& root)
{
    return {Local(root) + "\\INetCache\\Content.IE5\\AB12CD34\\page[1].htm", Local(root) + "\\INetCache\\old.gif",
            Local(root) + "\\History\\History.IE5\\index.dat", Local(root) + "\\INetCookies\\ombrix@stray[1].txt",
            Shell(CSIDL_COOKIES) + "\\ombrix@beside[1].txt"};
}

std::vector<std::string> FileCanaries(const std::string& root)
{
    return {Local(root) + "\\INetCache\\desktop.ini", Local(root) + "\\NotTheCache\\keep.txt",
            Shell(CSIDL_INTERNET_CACHE) + "\\desktop.ini"};
}

}  // namespace

void PlantInternetExplorerTraces(const std::string& root)
{
    for (const char* url : kContentUrls) PlantContent(url);
    InternetSetCookieA(kFriendlyUrl, "session", "keep; expires=Sat, 01-Jan-2050 00:00:00 GMT");
    InternetSetCookieA(kOtherCookieUrl, "track", "me; expires=Sat, 01-Jan-2050 00:00:00 GMT");
    FILETIME none{};
    CommitUrlCacheEntryA(kVisited, nullptr, none, none, URLHISTORY_CACHE_ENTRY | NORMAL_CACHE_ENTRY, nullptr, 0,
                         nullptr, nullptr);
    // The friendly cookie, as the cookie dialog stores it: its entry and its file.
    const auto friendly = CookieEntry(kFriendlyUrl);
    SetText(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Internet\\Cookie.0", "Url", friendly.first);
    SetText(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Internet\\Cookie.0", "Fl", friendly.second);
    // A record whose file is empty keeps nothing and breaks nothing.
    SetText(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Internet\\Cookie.1", "Url", "Cookie:nobody@nowhere/");
    SetText(HKEY_CURRENT_USER, "SOFTWARE\\Quillane\\Ombrix\\Internet\\Cookie.1", "Fl", "");

    SetText(HKEY_CURRENT_USER, std::string(kIE) + "\\TypedURLs", "url1", "http://www.example.com/");
    SetText(HKEY_CURRENT_USER, std::string(kIE) + "\\TypedURLs", "url2", "http://secret.example.org/");
    SetRaw(HKEY_CURRENT_USER, std::string(kIE) + "\\IntelliForms\\Storage2", "0A1B", REG_BINARY, "password blob");
    SetRaw(HKEY_CURRENT_USER, std::string(kIE) + "\\IntelliForms\\SPW", "site", REG_BINARY, "blob");
    SetRaw(HKEY_CURRENT_USER, std::string(kIE) + "\\IntelliForms\\Storage1", "7C2E", REG_BINARY, "form entries");
    SetNumber(HKEY_CURRENT_USER, std::string(kIE) + "\\IntelliForms", "AskUser", 0);
    SetText(HKEY_CURRENT_USER, std::string(kIE) + "\\Main", "Start Page", "about:blank");
    SetRaw(HKEY_CURRENT_USER, kStore + UserName() + kForms + "\\e161255a-37c3-11d2-bcaa-00c04fd929db", "Item", REG_BINARY,
           "form data");
    SetText(HKEY_CURRENT_USER, kStore + UserName() + "\\Data", "Other", "keep");

    for (const std::string& path : FileTraces(root)) WriteFileText(path, "trace");
    for (const std::string& path : FileCanaries(root)) WriteFileText(path, "[.ShellClassInfo]");
}

void CheckInternetExplorerTraces(const std::string& root, bool passwordsSwept, ProfileCheck& check)
{
    for (const char* url : kContentUrls) check.Trace(EntryExists(url), std::string("cache entry ") + url);
    check.Trace(EntryExists(CookieEntry(kOtherCookieUrl).first), "cookie entry of tracker.example.net");
    check.Trace(EntryExists(kVisited), "history entry");
    const auto friendly = CookieEntry(kFriendlyUrl);
    check.Canary(EntryExists(friendly.first), "friendly cookie entry");
    check.Canary(!friendly.second.empty() && Exists(friendly.second), "friendly cookie file");
    check.Trace(ValueExists(HKEY_CURRENT_USER, std::string(kIE) + "\\TypedURLs", "url1"), "TypedURLs");
    const bool passwords = ValueExists(HKEY_CURRENT_USER, std::string(kIE) + "\\IntelliForms\\Storage2", "0A1B") ||
                           ValueExists(HKEY_CURRENT_USER, std::string(kIE) + "\\IntelliForms\\SPW", "site");
    if (passwordsSwept) check.Trace(passwords, "IntelliForms");
    else check.Canary(passwords, "IntelliForms (saved passwords)");
    const bool entries = ValueExists(HKEY_CURRENT_USER, std::string(kIE) + "\\IntelliForms\\Storage1", "7C2E");
    if (passwordsSwept) check.Trace(entries, "IntelliForms form entries");
    check.Canary(ValueExists(HKEY_CURRENT_USER, std::string(kIE) + "\\IntelliForms", "AskUser"),
                 "IntelliForms preference AskUser");
    check.Canary(ValueExists(HKEY_CURRENT_USER, std::string(kIE) + "\\Main", "Start Page"), "IE start page");
    check.Trace(KeyExists(HKEY_CURRENT_USER, kStore + UserName() + kForms), "Protected Storage forms key");
    check.Canary(ValueExists(HKEY_CURRENT_USER, kStore + UserName() + "\\Data", "Other"), "Protected Storage data key");
    for (const std::string& path : FileTraces(root)) check.Trace(Exists(path), path);
    for (const std::string& path : FileCanaries(root)) check.Canary(Exists(path), path);
}
