#include "cleaners/category_items.h"
#include "cleaners/application_cleaners.h"
#include "cleaners/internet_cleaners.h"
#include "cleaners/windows_cleaners.h"
#include "res/resource.h"
#include "settings/target_bits.h"

namespace {

constexpr const char* kFolderViewsWarning =
    "Sweeping Folder Views resets the view, sort order and icon positions that Explorer remembers for "
    "every folder.\n\nSweep Folder Views?";
constexpr const char* kClipboardWarning =
    "Sweeping the Clipboard empties it: whatever was copied last is gone.\n\nSweep the Clipboard?";

const CategoryItem kWindowsItems[] = {
    {WindowsBit::RecycleBin, IDC_WIN_RECYCLE_BIN, "windows.recycle-bin", "Recycle Bin", CleanRecycleBin, 5, true, nullptr},
    {WindowsBit::Documents, IDC_WIN_DOCUMENTS, "windows.documents", "Document History", CleanDocumentHistory, 20, true, nullptr},
    {WindowsBit::Find, IDC_WIN_FIND, "windows.find", "Windows Find History", CleanFindHistory, 40, true, nullptr},
    {WindowsBit::Run, IDC_WIN_RUN, "windows.run", "Windows Run History", CleanRunHistory, 60, true, nullptr},
    {WindowsBit::Network, IDC_WIN_NETWORK, "windows.network", "Network History", CleanNetworkHistory, 70, true, nullptr},
    {WindowsBit::Explorer, IDC_WIN_EXPLORER, "windows.explorer", "Explorer Histories", CleanExplorerHistories, 72, true, nullptr},
    {WindowsBit::JumpLists, IDC_WIN_JUMP_LISTS, "windows.jump-lists", "Jump Lists", CleanJumpLists, 74, true, nullptr},
    {WindowsBit::Thumbnails, IDC_WIN_THUMBNAILS, "windows.thumbnails", "Thumbnail Cache", CleanThumbnailCache, 76, true, nullptr},
    {WindowsBit::FolderViews, IDC_WIN_FOLDER_VIEWS, "windows.folder-views", "Folder Views (changes settings)", CleanFolderViews, 78, true,
     kFolderViewsWarning},
    {WindowsBit::ErrorReports, IDC_WIN_ERROR_REPORTS, "windows.error-reports", "Error Reports", CleanErrorReports, 79, true, nullptr},
    {WindowsBit::NotepadSession, IDC_WIN_NOTEPAD, "windows.notepad", "Notepad Session", CleanNotepadSession, 80, true, nullptr},
    {WindowsBit::ScreenClips, IDC_WIN_SCREEN_CLIPS, "windows.screen-clips", "Screen Clips", CleanScreenClips, 81, true, nullptr},
    {WindowsBit::ActivityHistory, IDC_WIN_ACTIVITY, "windows.activity-history", "Activity History", CleanActivityHistory, 82, true,
     nullptr},
    {WindowsBit::Dns, IDC_WIN_DNS, "windows.dns", "DNS Cache", CleanDnsCache, 83, true, nullptr},
    {WindowsBit::Clipboard, IDC_WIN_CLIPBOARD, "windows.clipboard", "Clipboard (changes content)", CleanClipboard, 84, true, kClipboardWarning},
    {WindowsBit::TemporaryFiles, IDC_WIN_TEMPORARY, "windows.temp", "Temporary File Folder", CleanTemporaryFiles, 85, true, nullptr},
    {WindowsBit::LastLogonUser, IDC_WIN_LAST_LOGON, "windows.last-logon", "Last Logon User", CleanLastLogonUser, 95, true, nullptr},
    {kAlwaysRuns, 0, "windows.custom", "Custom Sweeping Locations", CleanCustomLocations, 100, true, nullptr},
};

const CategoryItem kApplicationsItems[] = {
    {ApplicationsBit::Word, IDC_APP_WORD, "applications.word", "MS Word", CleanWord, 20, true, nullptr},
    {ApplicationsBit::Excel, IDC_APP_EXCEL, "applications.excel", "MS Excel", CleanExcel, 40, true, nullptr},
    {ApplicationsBit::Access, IDC_APP_ACCESS, "applications.access", "MS Access", CleanAccess, 60, true, nullptr},
    {ApplicationsBit::PowerPoint, IDC_APP_POWER_POINT, "applications.powerpoint", "Power Point", CleanPowerPoint, 80, true, nullptr},
    {kAlwaysRuns, 0, nullptr, nullptr, StartOtherApplications, kKeepsBar, true, nullptr},
    {ApplicationsBit::AcrobatReader, IDC_APP_ACROBAT, "applications.acrobat", "Adobe Acrobat Reader", CleanAcrobatReader, 90, false, nullptr},
    {ApplicationsBit::MediaPlayer, IDC_APP_MEDIA_PLAYER, "applications.media-player", "Windows Media Player", CleanMediaPlayer, 95, false,
     nullptr},
    {ApplicationsBit::RealPlayer, IDC_APP_REAL_PLAYER, "applications.realplayer", "RealPlayer", CleanRealPlayer, 100, false,
     nullptr},
    {ApplicationsBit::AppWebCaches, IDC_APP_WEB_CACHES, "applications.app-web-caches", "App Web Caches", CleanAppWebCaches,
     kKeepsBar, true, nullptr},
};

// The Yahoo Bar box is never shown, yet it is exchanged, so its bit keeps the stored value.
const CategoryItem kInternetItems[] = {
    {InternetBit::TemporaryFiles, IDC_NET_TEMPORARY, "internet.cache", "Content Temporary Files", CleanTemporaryInternetFiles, 20, true, nullptr},
    {InternetBit::Cookies, IDC_NET_COOKIES, "internet.cookies", "Cookie Files", CleanCookies, 40, true, nullptr},
    {InternetBit::History, IDC_NET_HISTORY, "internet.history", "History Files", CleanInternetHistory, 60, true, nullptr},
    {InternetBit::Passwords, IDC_NET_PASSWORDS, "internet.passwords", "Auto-Complete Password", CleanAutoCompletePasswords, 70, true, nullptr},
    {InternetBit::FormData, IDC_NET_FORMS, "internet.forms", "Auto-Complete Form Data", CleanAutoCompleteForms, 80, true, nullptr},
    {InternetBit::Msn, IDC_NET_MSN, "internet.msn", "MSN", CleanMsnToolbar, 90, true, nullptr},
    {InternetBit::GoogleBar, IDC_NET_GOOGLE, "internet.google-bar", "Google Bar", CleanGoogleToolbar, kKeepsBar, false, nullptr},
    {InternetBit::YahooBar, IDC_NET_YAHOO, nullptr, nullptr, nullptr, kKeepsBar, false, nullptr},
    {InternetBit::Firefox, IDC_NET_FIREFOX, "internet.firefox", "FireFox", CleanFirefox, kKeepsBar, false, nullptr},
    {InternetBit::Chrome, IDC_NET_CHROME, "internet.chrome", "Chrome", CleanChrome, kKeepsBar, false, nullptr},
    {InternetBit::Edge, IDC_NET_EDGE, "internet.edge", "Edge", CleanEdge, kKeepsBar, false, nullptr},
    {InternetBit::OtherBrowsers, IDC_NET_OTHER_BROWSERS, "internet.other-browsers", "Other Browsers", CleanOtherBrowsers,
     kKeepsBar, false, nullptr},
    {InternetBit::Aol, IDC_NET_AOL, "internet.aol", "AOL", CleanAol, 100, true, nullptr},
};

}  // namespace

std::span<const CategoryItem> WindowsItems() { return kWindowsItems; }
std::span<const CategoryItem> ApplicationsItems() { return kApplicationsItems; }
std::span<const CategoryItem> InternetItems() { return kInternetItems; }
