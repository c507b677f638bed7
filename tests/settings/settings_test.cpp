#include <gtest/gtest.h>
#include <thread>
#include "settings/settings_groups.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"

namespace {
const std::string kGeneral = kGeneralSettingsKey;
const std::string kWindows = kWindowsSettingsKey;
const std::string kInternet = kInternetSettingsKey;
const std::string kApps = kApplicationsSettingsKey;

std::string Bytes(std::initializer_list<int> list)
{
    std::string s;
    for (int b : list) s.push_back(static_cast<char>(b));
    return s;
}
}  // namespace

class SettingsTest : public SandboxTest {};

TEST_F(SettingsTest, FirstStartSeedsBothHivesWithTheDefaults)
{
    GeneralSettings general;
    InternetSettings internet;
    ApplicationsSettings apps;
    WindowsSettings windows;
    EXPECT_TRUE(general.LoadAtStartup(kGeneralSettingsKey));
    EXPECT_TRUE(apps.LoadAtStartup(kApplicationsSettingsKey));
    EXPECT_TRUE(windows.LoadAtStartup(kWindowsSettingsKey));
    EXPECT_TRUE(internet.LoadAtStartup(kInternetSettingsKey));
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        EXPECT_EQ(reg::GetNumber(hive, kGeneral, "Targets"), 0x1Fu);
        EXPECT_EQ(reg::GetNumber(hive, kGeneral, "TmSn"), 60u);
        EXPECT_EQ(reg::ValueNames(hive, kGeneral),
                  (std::vector<std::string>{"LsRn", "NotShowLogo", "StTm", "Targets", "TmSn"}));
        EXPECT_EQ(reg::GetNumber(hive, kInternet, "Targets"), 0x18u);
        EXPECT_EQ(reg::ValueNames(hive, kInternet), (std::vector<std::string>{"Browser", "FriendlySites", "LsRn", "Targets"}));
        EXPECT_EQ(reg::ValueNames(hive, kApps), (std::vector<std::string>{"LsRn", "Targets"}));
        EXPECT_EQ(reg::GetNumber(hive, kWindows, "Targets"), 0u);
    }
    EXPECT_EQ(general.Targets, 0x1Fu);
    EXPECT_EQ(general.TmSn, 60u);
}

TEST_F(SettingsTest, MachineSeedIsReadWhenTheUserKeyIsMissingAndNothingIsWritten)
{
    reg::SetNumber(HKEY_LOCAL_MACHINE, kGeneral, "Targets", 0x21);
    reg::SetNumber(HKEY_LOCAL_MACHINE, kGeneral, "TmSn", 3600);
    GeneralSettings general;
    EXPECT_FALSE(general.LoadAtStartup(kGeneralSettingsKey));
    EXPECT_EQ(general.Targets, 0x21u);
    EXPECT_EQ(general.TmSn, 3600u);
    EXPECT_EQ(general.StTm, 0u) << "a missing value leaves the default";
    EXPECT_FALSE(reg::KeyExists(HKEY_CURRENT_USER, kGeneral));
    EXPECT_TRUE(general.SaveToUser(kGeneralSettingsKey));
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kGeneral, "Targets"), 0x21u);
}

TEST_F(SettingsTest, UserKeyWinsAndNamesMatchWithoutRegardToCase)
{
    reg::SetNumber(HKEY_LOCAL_MACHINE, kGeneral, "Targets", 0x01);
    reg::SetNumber(HKEY_CURRENT_USER, kGeneral, "TARGETS", 0x42);
    reg::SetNumber(HKEY_CURRENT_USER, kGeneral, "notshowlogo", 1);
    reg::SetNumber(HKEY_CURRENT_USER, kGeneral, "Unrelated", 7);
    GeneralSettings general;
    EXPECT_TRUE(general.LoadAtStartup(kGeneralSettingsKey));
    EXPECT_EQ(general.Targets, 0x42u);
    EXPECT_EQ(general.NotShowLogo, 1u);
}

TEST_F(SettingsTest, NumbersAreReadOnlyFromDwordsAndAValueOfAnotherTypeKeepsTheDefault)
{
    // "255" as a text would read as 0x00353532: Internet, the progress window and Deep Sweep on.
    for (const std::string& group : {kGeneral, kWindows, kInternet, kApps})
        reg::SetRaw(HKEY_CURRENT_USER, group, "Targets", REG_SZ, "255");
    reg::SetRaw(HKEY_CURRENT_USER, kGeneral, "TmSn", REG_BINARY, Bytes({0x10, 0x0e, 0, 0}));
    reg::SetRaw(HKEY_CURRENT_USER, kGeneral, "StTm", REG_DWORD, Bytes({0x07, 0x00}));
    reg::SetNumber(HKEY_CURRENT_USER, kGeneral, "NotShowLogo", 1);
    GeneralSettings general;
    WindowsSettings windows;
    InternetSettings internet;
    ApplicationsSettings apps;
    const uint32_t defaults[] = {general.Targets, windows.Targets, internet.Targets, apps.Targets};
    general.LoadAtStartup(kGeneralSettingsKey);
    windows.LoadAtStartup(kWindowsSettingsKey);
    internet.LoadAtStartup(kInternetSettingsKey);
    apps.LoadAtStartup(kApplicationsSettingsKey);
    EXPECT_EQ(general.Targets, defaults[0]);
    EXPECT_EQ(windows.Targets, defaults[1]);
    EXPECT_EQ(internet.Targets, defaults[2]);
    EXPECT_EQ(apps.Targets, defaults[3]);
    EXPECT_EQ(general.TmSn, 60u) << "four bytes of another type are no number";
    EXPECT_EQ(general.StTm, 0u) << "two bytes of data must not be read as a number";
    EXPECT_EQ(general.NotShowLogo, 1u) << "a number of the right type is still read";
}

TEST_F(SettingsTest, CustomLocationsLoadInOrderAndBadRecordsAreDropped)
{
    reg::SetText(HKEY_CURRENT_USER, kWindows + "\\CusDir.0", "Dir", "C:\\Data");
    reg::SetText(HKEY_CURRENT_USER, kWindows + "\\CusDir.0", "Flt", "*.tmp");
    reg::SetNumber(HKEY_CURRENT_USER, kWindows + "\\CusDir.0", "SubInc", 1);
    reg::SetText(HKEY_CURRENT_USER, kWindows + "\\cusdir.9", "Dir", "C:\\Other");
    reg::SetText(HKEY_CURRENT_USER, kWindows + "\\CusDir.1", "Flt", "*.*");           // no Dir: dropped
    reg::SetText(HKEY_CURRENT_USER, kWindows + "\\CusDir.2", "Dir", std::string(1025, 'd'));  // too long
    reg::SetText(HKEY_CURRENT_USER, kWindows + "\\Unrelated", "Dir", "C:\\Never");
    WindowsSettings windows;
    windows.LoadAtStartup(kWindowsSettingsKey);
    const auto list = windows.CopyCustomLocations();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 2u);
    EXPECT_EQ((*list)[0].Dir, "C:\\Data");
    EXPECT_EQ((*list)[0].DisplayText(), "C:\\Data: *.tmp: including subdirectories");
    EXPECT_EQ((*list)[0].keyName, "CusDir.0");
    EXPECT_EQ((*list)[1].Dir, "C:\\Other");
    EXPECT_EQ((*list)[1].Flt, "");
    EXPECT_EQ((*list)[1].SubInc, 0);
    EXPECT_EQ((*list)[1].DisplayText(), "C:\\Other: ");
}

TEST_F(SettingsTest, TextsWithoutNulOrFillingTheWholeBufferNeverOverrun)
{
    // Wine's ANSI layer hands back one NUL more than was stored, so the longest texts tried here leave
    // room for it; on Windows a text filling the buffer exactly without a NUL is read whole.
    reg::SetTextNoNul(HKEY_CURRENT_USER, kWindows + "\\CusDir.0", "Dir", std::string(1023, 'a'));
    reg::SetTextNoNul(HKEY_CURRENT_USER, kWindows + "\\CusDir.0", "Flt", std::string(255, 'f'));
    reg::SetRaw(HKEY_CURRENT_USER, kWindows + "\\CusDir.1", "Dir", REG_BINARY, "C:\\Bin");
    reg::SetRaw(HKEY_CURRENT_USER, kWindows + "\\CusDir.1", "SubInc", REG_SZ, Bytes({1}));
    reg::SetRaw(HKEY_CURRENT_USER, kWindows + "\\CusDir.2", "Dir", REG_DWORD, Bytes({0x43, 0, 0, 0}));
    WindowsSettings windows;
    windows.LoadAtStartup(kWindowsSettingsKey);
    const auto list = windows.CopyCustomLocations();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 1u) << "a folder stored as bytes or a number is no folder";
    EXPECT_EQ((*list)[0].Dir, std::string(1023, 'a'));
    EXPECT_EQ((*list)[0].Flt, std::string(255, 'f'));
}

TEST_F(SettingsTest, SavingWithoutAListChangeLeavesTheSubkeysAlone)
{
    reg::SetText(HKEY_CURRENT_USER, kWindows + "\\CusDir.7", "Dir", "C:\\Seven");
    WindowsSettings windows;
    windows.LoadAtStartup(kWindowsSettingsKey);
    windows.Targets = 0x7f;
    EXPECT_TRUE(windows.SaveToUser(kWindowsSettingsKey));
    EXPECT_EQ(reg::SubKeyNames(HKEY_CURRENT_USER, kWindows), (std::vector<std::string>{"CusDir.7"}));
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kWindows, "Targets"), 0x7fu);
}

TEST_F(SettingsTest, AChangedListIsRewrittenAsExactlyItsRecords)
{
    for (const char* name : {"CusDir.7", "cusdir_old", "CusDir.0"})
        reg::SetText(HKEY_CURRENT_USER, kWindows + "\\" + name, "Dir", "C:\\Old");
    reg::SetText(HKEY_CURRENT_USER, kWindows + "\\cusdir_old\\Inner", "x", "y");
    reg::SetText(HKEY_CURRENT_USER, kWindows + "\\Keep", "x", "y");
    WindowsSettings windows;
    windows.LoadAtStartup(kWindowsSettingsKey);
    WindowsPageMembers page;
    windows.FillPage(page);
    EXPECT_EQ(page.customLocations.size(), 3u);
    page.customLocations = {{"C:\\A", "*.*", 1, ""}, {"C:\\B", "", 0, ""}};
    page.listChanged = 1;
    EXPECT_TRUE(windows.TakePage(page));
    EXPECT_EQ(page.listChanged, 0);
    EXPECT_FALSE(windows.listChanged);
    EXPECT_EQ(reg::SubKeyNames(HKEY_CURRENT_USER, kWindows), (std::vector<std::string>{"CusDir.0", "CusDir.1", "Keep"}));
    EXPECT_EQ(reg::GetText(HKEY_CURRENT_USER, kWindows + "\\CusDir.0", "Dir"), "C:\\A");
    EXPECT_EQ(reg::GetText(HKEY_CURRENT_USER, kWindows + "\\CusDir.1", "Flt"), "");
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kWindows + "\\CusDir.0", "SubInc"), 1u);
    const auto saved = windows.CopyCustomLocations();
    EXPECT_EQ((*saved)[1].keyName, "SOFTWARE\\Quillane\\Ombrix\\Windows\\CusDir.1");

    WindowsSettings reloaded;
    reloaded.LoadAtStartup(kWindowsSettingsKey);
    EXPECT_EQ(reloaded.CopyCustomLocations()->at(0).Dir, "C:\\A");
}

TEST_F(SettingsTest, FriendlyCookiesWithoutUrlAreDroppedAndGoneAfterTheNextSave)
{
    reg::SetText(HKEY_CURRENT_USER, kInternet + "\\Cookie.0", "Url", "Cookie:user@example.com/");
    reg::SetText(HKEY_CURRENT_USER, kInternet + "\\Cookie.0", "Fl", "C:\\Cookies\\user@example[1].txt");
    reg::SetText(HKEY_CURRENT_USER, kInternet + "\\Cookie.1", "Fl", "C:\\Cookies\\orphan.txt");
    reg::SetText(HKEY_CURRENT_USER, kInternet + "\\COOKIE.5", "Url", "");
    InternetSettings internet;
    internet.LoadAtStartup(kInternetSettingsKey);
    FriendlyCookieList list;
    ASSERT_TRUE(internet.CopyFriendlyCookies(list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Fl, "C:\\Cookies\\user@example[1].txt");
    EXPECT_EQ(list[1].Url, "");
    EXPECT_TRUE(internet.SaveFriendlyCookies());
    EXPECT_EQ(reg::SubKeyNames(HKEY_CURRENT_USER, kInternet), (std::vector<std::string>{"Cookie.0", "Cookie.1"}));
    EXPECT_EQ(reg::GetText(HKEY_CURRENT_USER, kInternet + "\\Cookie.1", "Url"), "");

    list.push_back({"Cookie:x@y/", "C:\\x.txt"});
    EXPECT_TRUE(internet.ReplaceFriendlyCookies(list));
    EXPECT_TRUE(internet.SaveFriendlyCookies());
    EXPECT_EQ(reg::GetText(HKEY_CURRENT_USER, kInternet + "\\Cookie.2", "Fl"), "C:\\x.txt");
}

// The list chosen in Cookie Control must not be dropped because the Internet group was never saved.
TEST_F(SettingsTest, SaveFriendlyCookiesCreatesTheInternetKey)
{
    InternetSettings internet;
    internet.ReplaceFriendlyCookies({{"u", "f"}});
    EXPECT_TRUE(internet.SaveFriendlyCookies());
    EXPECT_EQ(reg::GetText(HKEY_CURRENT_USER, kInternet + "\\Cookie.0", "Fl"), "f");
}

// Friendly sites are plain hosts: a scheme, a path, a wildcard, a port or blanks make an entry the
// sweeps ignore; the rest is kept in lower case, once, and saved back as REG_MULTI_SZ. A value of
// another type is no list the sweeps may go by (which sites are friendly is unknown).
TEST_F(SettingsTest, FriendlySitesKeepOnlyPlainHostsAndSaveAsAMultiString)
{
    using namespace std::string_literals;
    const std::string stored = "Friend.COM\0https://bank.example\0*.ads.net\0mail.example.org/x\0"s +
                               "host:8080\0 spaced.org\0-bad.org\0a..b\0friend.com\0localhost\0\0"s;
    reg::SetRaw(HKEY_CURRENT_USER, kInternet, "FriendlySites", REG_MULTI_SZ, stored);
    InternetSettings internet;
    internet.LoadAtStartup(kInternetSettingsKey);
    EXPECT_EQ(internet.CopyFriendlySites(), (FriendlySites{"friend.com", "localhost"}));
    EXPECT_TRUE(IsFriendlyHost(".MAIL.friend.com", *internet.CopyFriendlySites()));
    EXPECT_FALSE(IsFriendlyHost("notfriend.com", *internet.CopyFriendlySites()));
    EXPECT_FALSE(IsFriendlyHost("friend.com.evil.org", *internet.CopyFriendlySites()));

    EXPECT_TRUE(internet.ReplaceFriendlySites({"Bank.example", "bad host"}));
    EXPECT_TRUE(internet.SaveFriendlyCookies());
    DWORD type = 0;
    EXPECT_EQ(reg::GetRaw(HKEY_CURRENT_USER, kInternet, "FriendlySites", &type), "bank.example\0\0"s);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));

    reg::SetText(HKEY_CURRENT_USER, kInternet, "FriendlySites", "friend.com");
    InternetSettings wrongType;
    wrongType.LoadAtStartup(kInternetSettingsKey);
    EXPECT_FALSE(wrongType.CopyFriendlySites().has_value());
}

TEST_F(SettingsTest, PageExchangeKeepsBitsWithoutCheckboxes)
{
    GeneralSettings general;
    general.Targets = 0x100 | 0x01;
    general.StTm = 0x8 | 0x1;
    general.TmSn = 27000 + 86400;
    SettingsPageMembers page;
    general.FillPage(page);
    EXPECT_EQ(page.shredder, 0);
    EXPECT_EQ(page.windowsHistory, 1);
    EXPECT_EQ(page.sweepEvery, 1);
    EXPECT_EQ(page.showStartupWindow, 1);
    EXPECT_EQ(page.hoursText, "07");
    EXPECT_EQ(page.minutesText, "30");
    page.shredder = 1;
    page.windowsHistory = 2;  // only 1 means checked
    page.sweepEvery = 0;
    page.sweepAtStartup = 1;
    page.showStartupWindow = 0;
    EXPECT_TRUE(general.TakePage(page));
    EXPECT_EQ(general.Targets, 0x100u | 0x80u);
    EXPECT_EQ(general.StTm, 0x8u | 0x4u);
    EXPECT_EQ(general.NotShowLogo, 1u);
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kGeneral, "Targets"), 0x180u);
}

// A page exchanges its group's item bits whole: bits without a box (Yahoo Bar's) and the items of
// today's Windows (above the first bits) come back and are stored as they were.
TEST_F(SettingsTest, CategoryPagesCarryTheWholeItemWord)
{
    InternetSettings internet;
    internet.Targets = 0x200 | 0x080;
    InternetPageMembers page;
    internet.FillPage(page);
    EXPECT_EQ(page.targets, 0x280u);
    page.targets |= 0x800 | 0x001;
    internet.TakePage(page);
    EXPECT_EQ(internet.Targets, 0x200u | 0x080u | 0x800u | 0x001u);

    WindowsSettings windows;
    WindowsPageMembers windowsPage;
    windowsPage.targets = 0x3F80 | 0x01;
    windows.TakePage(windowsPage);
    EXPECT_EQ(reg::GetNumber(HKEY_CURRENT_USER, kWindows, "Targets"), 0x3F81u);
}

TEST_F(SettingsTest, StampLastRunRecordsTheCurrentTime)
{
    ApplicationsSettings apps;
    const int32_t before = static_cast<int32_t>(time(nullptr));
    EXPECT_TRUE(apps.StampLastRun());
    EXPECT_GE(apps.LastRun(), before);
    EXPECT_LE(apps.LastRun(), before + 5);
    EXPECT_EQ(LastSweepText(0), "");
    EXPECT_EQ(LastSweepText(apps.LastRun()).rfind("Last Sweeping Time: ", 0), 0u);
}

TEST_F(SettingsTest, AGroupHeldByAnotherThreadIsNotTouched)
{
    WindowsSettings windows;
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        windows.Lock().Lock();
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
        windows.Lock().Unlock();
    });
    WaitForSingleObject(held, INFINITE);
    EXPECT_FALSE(windows.CopyCustomLocations().has_value());
    WindowsPageMembers page;
    page.targets = 0x01;
    EXPECT_FALSE(windows.TakePage(page));
    EXPECT_EQ(windows.Targets, 0u);
    EXPECT_FALSE(windows.StampLastRun());
    SetEvent(release);
    holder.join();
    EXPECT_TRUE(windows.TakePage(page));
    CloseHandle(held);
    CloseHandle(release);
}

TEST_F(SettingsTest, TheLockNestsForItsOwnThread)
{
    GeneralSettings general;
    CGuardLock::Scope outer(general.Lock());
    ASSERT_TRUE(outer);
    EXPECT_TRUE(general.SaveToUser(kGeneralSettingsKey));
}
