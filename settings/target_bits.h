#pragma once
#include <cstdint>
#include "settings/page_members.h"

// Bits of the general "Targets" word.
namespace GeneralBit {
inline constexpr uint32_t Windows = 0x01;
inline constexpr uint32_t Internet = 0x02;
inline constexpr uint32_t Applications = 0x04;
inline constexpr uint32_t AutoStart = 0x08;
inline constexpr uint32_t AlwaysShowProgress = 0x10;
inline constexpr uint32_t DeepSweep = 0x20;
inline constexpr uint32_t RunningBackground = 0x40;
inline constexpr uint32_t Shredder = 0x80;
}  // namespace GeneralBit

// Bits of the general "StTm" word.
namespace SweepAtBit {
inline constexpr uint32_t Timer = 0x1;
inline constexpr uint32_t Shutdown = 0x2;
inline constexpr uint32_t Startup = 0x4;
}  // namespace SweepAtBit

namespace WindowsBit {
inline constexpr uint32_t Documents = 0x01;
inline constexpr uint32_t RecycleBin = 0x02;
inline constexpr uint32_t LastLogonUser = 0x04;
inline constexpr uint32_t TemporaryFiles = 0x08;
inline constexpr uint32_t Find = 0x10;
inline constexpr uint32_t Run = 0x20;
inline constexpr uint32_t Network = 0x40;
inline constexpr uint32_t Explorer = 0x080;
inline constexpr uint32_t JumpLists = 0x100;
inline constexpr uint32_t Thumbnails = 0x200;
inline constexpr uint32_t FolderViews = 0x400;
inline constexpr uint32_t ErrorReports = 0x800;
inline constexpr uint32_t Dns = 0x1000;
inline constexpr uint32_t Clipboard = 0x2000;
inline constexpr uint32_t NotepadSession = 0x4000;
inline constexpr uint32_t ScreenClips = 0x8000;
inline constexpr uint32_t ActivityHistory = 0x10000;
}  // namespace WindowsBit

namespace ApplicationsBit {
inline constexpr uint32_t Excel = 0x01;
inline constexpr uint32_t Word = 0x02;
inline constexpr uint32_t PowerPoint = 0x04;
inline constexpr uint32_t Access = 0x08;
inline constexpr uint32_t AcrobatReader = 0x10;
inline constexpr uint32_t RealPlayer = 0x20;
inline constexpr uint32_t MediaPlayer = 0x40;
inline constexpr uint32_t AppWebCaches = 0x80;
}  // namespace ApplicationsBit

namespace InternetBit {
inline constexpr uint32_t Cookies = 0x001;
inline constexpr uint32_t TemporaryFiles = 0x002;
inline constexpr uint32_t History = 0x004;
inline constexpr uint32_t Passwords = 0x008;
inline constexpr uint32_t FormData = 0x010;
inline constexpr uint32_t Msn = 0x020;
inline constexpr uint32_t Aol = 0x040;
inline constexpr uint32_t GoogleBar = 0x100;
inline constexpr uint32_t YahooBar = 0x200;
inline constexpr uint32_t Firefox = 0x400;
inline constexpr uint32_t Chrome = 0x800;
inline constexpr uint32_t Edge = 0x1000;
inline constexpr uint32_t OtherBrowsers = 0x2000;
}  // namespace InternetBit

// Which checkbox member of a page edits which bit of a word.
template <class Page>
struct CheckboxBit {
    uint32_t bit;
    int Page::*member;
};

inline constexpr CheckboxBit<SettingsPageMembers> kGeneralTargetCheckboxes[] = {
    {GeneralBit::Windows, &SettingsPageMembers::windowsHistory},
    {GeneralBit::Internet, &SettingsPageMembers::internetHistory},
    {GeneralBit::Applications, &SettingsPageMembers::applicationHistory},
    {GeneralBit::AutoStart, &SettingsPageMembers::autoStart},
    {GeneralBit::AlwaysShowProgress, &SettingsPageMembers::alwaysShowProgress},
    {GeneralBit::DeepSweep, &SettingsPageMembers::deepSweep},
    {GeneralBit::RunningBackground, &SettingsPageMembers::runningBackground},
    {GeneralBit::Shredder, &SettingsPageMembers::shredder},
};

inline constexpr CheckboxBit<SettingsPageMembers> kSweepAtCheckboxes[] = {
    {SweepAtBit::Timer, &SettingsPageMembers::sweepEvery},
    {SweepAtBit::Shutdown, &SettingsPageMembers::sweepAtShutdown},
    {SweepAtBit::Startup, &SettingsPageMembers::sweepAtStartup},
};

// Checks each box whose bit is set in the word.
template <class Page, size_t N>
void FillCheckboxes(uint32_t word, Page& page, const CheckboxBit<Page> (&table)[N])
{
    for (const auto& row : table) page.*row.member = (word & row.bit) ? 1 : 0;
}

// Sets each bit whose member is exactly 1, clears it otherwise; bits without a checkbox survive.
template <class Page, size_t N>
uint32_t TakeCheckboxes(uint32_t word, const Page& page, const CheckboxBit<Page> (&table)[N])
{
    for (const auto& row : table) word = page.*row.member == 1 ? (word | row.bit) : (word & ~row.bit);
    return word;
}
