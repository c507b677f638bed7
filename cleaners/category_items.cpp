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
    {WindowsBit::RecycleBin, IDC_WIN_RECYCLE_BIN, "windows.recycle-bin", CleanRecycleBin, 5, true, nullptr},
    {WindowsBit::Documents, IDC_WIN_DOCUMENTS, "windows.documents", CleanDocumentHistory, 20, true, nullptr},
    {WindowsBit::Find, IDC_WIN_FIND, "windows.find", CleanFindHistory, 40, true, nullptr},
    {WindowsBit::Run, IDC_WIN_RUN, "windows.run", CleanRunHistory, 60, true, nullptr},
    {WindowsBit::Network, IDC_WIN_NETWORK, "windows.network", CleanNetworkHistory, 70, true, nullptr},
    {WindowsBit::Explorer, IDC_WIN_EXPLORER, "windows.explorer", CleanExplorerHistories, 72, true, nullptr},
    {WindowsBit::JumpLists, IDC_WIN_JUMP_LISTS, "windows.jump-lists", CleanJumpLists, 74, true, nullptr},
    {WindowsBit::Thumbnails, IDC_WIN_THUMBNAILS, "windows.thumbnails", CleanThumbnailCache, 76, true, nullptr},
    {WindowsBit::FolderViews, IDC_WIN_FOLDER_VIEWS, "windows.folder-views", CleanFolderViews, 78, true,
     kFolderViewsWarning},
    {WindowsBit::ErrorReports, IDC_WIN_ERROR_REPORTS, "windows.error-reports", CleanErrorReports, 80, true, nullptr},
    {WindowsBit::Dns, IDC_WIN_DNS, "windows.dns", CleanDnsCache, 82, true, nullptr},
    {WindowsBit::Clipboard, IDC_WIN_CLIPBOARD, "windows.clipboard", CleanClipboard, 84, true, kClipboardWarning},
    {WindowsBit::TemporaryFiles, IDC_WIN_TEMPORARY, "windows.temp", CleanTemporaryFiles, 85, true, nullptr},
    {WindowsBit::LastLogonUser, IDC_WIN_LAST_LOGON, "windows.last-logon", CleanLastLogonUser, 95, true, nullptr},
    {kAlwaysRuns, 0, "windows.custom", CleanCustomLocations, 100, true, nullptr},
};

const CategoryItem kApplicationsItems[] = {
    {ApplicationsBit::Word, IDC_APP_WORD, "applications.word", CleanWord, 20, true, nullptr},
    {ApplicationsBit::Excel, IDC_APP_EXCEL, "applications.excel", CleanExcel, 40, true, nullptr},
    {ApplicationsBit::Access, IDC_APP_ACCESS, "applications.access", CleanAccess, 60, true, nullptr},
    {ApplicationsBit::PowerPoint, IDC_APP_POWER_POINT, "applications.powerpoint", CleanPowerPoint, 80, true, nullptr},
    {kAlwaysRuns, 0, nullptr, StartOtherApplications, kKeepsBar, true, nullptr},
    {ApplicationsBit::AcrobatReader, IDC_APP_ACROBAT, "applications.acrobat", CleanAcrobatReader, 90, false, nullptr},
    {ApplicationsBit::MediaPlayer, IDC_APP_MEDIA_PLAYER, "applications.media-player", CleanMediaPlayer, 95, false,
     nullptr},
    {ApplicationsBit::RealPlayer, IDC_APP_REAL_PLAYER, "applications.realplayer", CleanRealPlayer, 100, false,
     nullptr},
};

// The Yahoo Bar box is never shown, yet it is exchanged, so its bit keeps the stored value.
const CategoryItem kInternetItems[] = {
    {InternetBit::TemporaryFiles, IDC_NET_TEMPORARY, "internet.cache", CleanTemporaryInternetFiles, 20, true, nullptr},
    {InternetBit::Cookies, IDC_NET_COOKIES, "internet.cookies", CleanCookies, 40, true, nullptr},
    {InternetBit::History, IDC_NET_HISTORY, "internet.history", CleanInternetHistory, 60, true, nullptr},
    {InternetBit::Passwords, IDC_NET_PASSWORDS, "internet.passwords", CleanAutoCompletePasswords, 70, true, nullptr},
    {InternetBit::FormData, IDC_NET_FORMS, "internet.forms", CleanAutoCompleteForms, 80, true, nullptr},
    {InternetBit::Msn, IDC_NET_MSN, "internet.msn", CleanMsnToolbar, 90, true, nullptr},
    {InternetBit::GoogleBar, IDC_NET_GOOGLE, "internet.google-bar", CleanGoogleToolbar, kKeepsBar, false, nullptr},
    {InternetBit::YahooBar, IDC_NET_YAHOO, nullptr, nullptr, kKeepsBar, false, nullptr},
    {InternetBit::Firefox, IDC_NET_FIREFOX, "internet.firefox", CleanFirefox, kKeepsBar, false, nullptr},
    {InternetBit::Chrome, IDC_NET_CHROME, "internet.chrome", CleanChrome, kKeepsBar, false, nullptr},
    {InternetBit::Aol, IDC_NET_AOL, "internet.aol", CleanAol, 100, true, nullptr},
};

}  // namespace

std::span<const CategoryItem> WindowsItems() { return kWindowsItems; }
std::span<const CategoryItem> ApplicationsItems() { return kApplicationsItems; }
std::span<const CategoryItem> InternetItems() { return kInternetItems; }
