#include "tools/windows_apps_traces.h"
#include <windows.h>
#include <algorithm>

namespace {

// The tabs, by the GUIDs that name their files.
const char* const kSavedTab = "0b7f4a5e-1c2d-4e3f-9a8b-7c6d5e4f3a2b";
const char* const kUnsavedTab = "1c8e5b6f-2d3e-4f40-8b9c-8d7e6f5a4b3c";
const char* const kChangedTab = "2d9f6c70-3e4f-4051-9cad-9e8f7a6b5c4d";
const char* const kEditedTab = "3e0a7d81-4f50-4162-adbe-af9a8b7c6d5e";
const char* const kDamagedTab = "4f1b8e92-5061-4273-becf-b0ab9c8d7e6f";

uint32_t Crc(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

std::string Varint(uint64_t value)
{
    std::string bytes;
    do {
        const unsigned char low = value & 0x7F;
        value >>= 7;
        bytes += static_cast<char>(value ? low | 0x80 : low);
    } while (value);
    return bytes;
}

std::string Utf16(const std::u16string& text)
{
    std::string bytes;
    for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

// The bytes followed by their CRC32, high byte first.
std::string WithCrc(const std::string& bytes)
{
    const uint32_t crc = Crc(bytes);
    return bytes + std::string{static_cast<char>(crc >> 24), static_cast<char>(crc >> 16), static_cast<char>(crc >> 8),
                               static_cast<char>(crc)};
}

std::string Counted(const std::u16string& text) { return Varint(text.size()) + Utf16(text); }

PlantedFiles& Files()
{
    static PlantedFiles planted;
    return planted;
}

std::string Local(const std::string& profile) { return profile + "\\AppData\\Local"; }
std::string Packages(const std::string& profile) { return Local(profile) + "\\Packages"; }
std::string Notepad(const std::string& profile) { return Packages(profile) + "\\Microsoft.WindowsNotepad_8wekyb3d8bbwe\\LocalState"; }
std::string Tab(const std::string& profile, const char* guid, const char* suffix = ".bin")
{
    return Notepad(profile) + "\\TabState\\" + guid + suffix;
}
std::string Outlook(const std::string& profile) { return Local(profile) + "\\Microsoft\\Olk\\EBWebView"; }
std::string Teams(const std::string& profile)
{
    return Packages(profile) + "\\MSTeams_8wekyb3d8bbwe\\LocalCache\\Microsoft\\MSTeams\\EBWebView\\WV2Profile_tfw";
}

void PlantNotepad(const std::string& profile)
{
    const std::u16string file = u"C:\\Users\\someone\\Documents\\meeting.txt";
    Files().Trace(Tab(profile, kSavedTab), NotepadTabFile({file, u"agenda of the meeting", false, {}}));
    Files().Trace(Tab(profile, kSavedTab, ".0.bin"), NotepadOptionFile());
    Files().Trace(Tab(profile, kSavedTab, ".1.bin"), NotepadOptionFile());
    Files().Canary(Tab(profile, kUnsavedTab), NotepadTabFile({u"", u"the only copy of a draft", true, {u" typed later"}}));
    Files().Canary(Tab(profile, kUnsavedTab, ".0.bin"), NotepadOptionFile());
    Files().Canary(Tab(profile, kChangedTab), NotepadTabFile({file, u"agenda, changed and not saved", true, {}}));
    Files().Canary(Tab(profile, kEditedTab), NotepadTabFile({file, u"agenda of the meeting", false, {u"new line"}}));
    const std::string damaged = NotepadTabFile({file, u"agenda cut short", false, {}});
    Files().Canary(Tab(profile, kDamagedTab), damaged.substr(0, damaged.size() - 3));
    Files().Canary(Notepad(profile) + "\\WindowState\\" + kSavedTab + ".0.bin", NotepadOptionFile());
}

void PlantScreenClips(const std::string& profile)
{
    const std::string clips = Packages(profile) + "\\MicrosoftWindows.Client.CBS_cw5n1h2txyewy\\TempState";
    const std::string sketch = Packages(profile) + "\\Microsoft.ScreenSketch_8wekyb3d8bbwe";
    Files().Trace(clips + "\\ScreenClip\\{5A1C}.png", std::string(1024, 'p'));
    Files().Trace(clips + "\\ScreenClip\\{5A1C}\\clip.json", "{}");
    Files().Canary(clips + "\\keep.dat", "beside the clips");
    Files().Trace(sketch + "\\TempState\\Snip_1.png", std::string(2048, 's'));
    Files().Trace(sketch + "\\TempState\\Drafts\\draft.png", "d");
    Files().Canary(sketch + "\\LocalState\\settings.dat", "settings");
    Files().Canary(profile + "\\Pictures\\Screenshots\\Screenshot 2026-01-01.png", std::string(512, 'k'));
}

void PlantActivity(const std::string& profile)
{
    const std::string platform = Local(profile) + "\\ConnectedDevicesPlatform";
    Files().Trace(ActivityDatabase(profile), std::string(4096, 'a'));
    Files().Trace(ActivityDatabase(profile) + "-wal", std::string(1024, 'w'));
    Files().Trace(ActivityDatabase(profile) + "-shm", std::string(1024, 's'));
    Files().Canary(platform + "\\CDPGlobalSettings.cdp", "settings");
    Files().Canary(platform + "\\L.someone\\Settings.dat", "settings");
}

void PlantWebCaches(const std::string& profile)
{
    const std::string photos = Packages(profile) + "\\Microsoft.Windows.Photos_8wekyb3d8bbwe";
    Files().Trace(photos + "\\AC\\INetCache\\Q1W2E3R4\\page[1].htm", "<html>");
    Files().Trace(photos + "\\AC\\INetHistory\\History.IE5\\container.dat", "visited");
    Files().Canary(photos + "\\AC\\INetCookies\\ESE\\container.dat", "signed in");
    Files().Canary(photos + "\\LocalState\\settings.json", "{}");
    const std::string outlook = Outlook(profile) + "\\Default";
    for (const char* cache : {"\\Cache\\Cache_Data\\data_0", "\\Code Cache\\js\\index", "\\GPUCache\\data_1",
                              "\\Service Worker\\CacheStorage\\a1\\index"})
        Files().Trace(outlook + cache, "cached");
    for (const char* kept : {"\\Cookies", "\\Network\\Cookies", "\\Local Storage\\leveldb\\000003.log",
                             "\\IndexedDB\\https_outlook.office.com_0.indexeddb.leveldb\\000003.log",
                             "\\Session Storage\\000003.log", "\\Preferences", "\\Login Data",
                             "\\Service Worker\\ScriptCache\\js"})
        Files().Canary(outlook + kept, "signed in");
    Files().Canary(Outlook(profile) + "\\Local State", "{}");
    Files().Trace(Teams(profile) + "\\Cache\\Cache_Data\\f_000001", "cached");
    Files().Canary(Teams(profile) + "\\Preferences", "{}");
    Files().Canary(Teams(profile) + "\\Cookies", "signed in");
    Files().Trace(Packages(profile) + "\\MicrosoftWindows.Client.WebExperience_cw5n1h2txyewy\\LocalState\\EBWebView\\Default"
                              "\\GPUCache\\data_0",
          "cached");
}

bool Logged(const std::vector<std::string>& logs, const std::string& text)
{
    return std::any_of(logs.begin(), logs.end(), [&](const std::string& log) { return log.find(text) != std::string::npos; });
}

}  // namespace

std::string NotepadTabFile(const PlannedTab& tab)
{
    const bool saved = !tab.savedPath.empty();
    std::string body = Varint(saved ? 1 : 0);
    if (saved)
        body += Counted(tab.savedPath) + Varint(tab.text.size()) + "\x05\x01" + Varint(0x01DCA2B3C4D5E6F7ULL) +
                std::string(32, '\x5A') + std::string("\x00\x01", 2);
    else
        body += '\x01';
    body += Varint(tab.text.size()) + Varint(tab.text.size()) + std::string("\x01\x00\x00", 3) + Varint(2) +
            std::string("\x01\x01", 2) + Counted(tab.text) + static_cast<char>(tab.unsaved ? 1 : 0);
    std::string file = "NP" + Varint(0) + WithCrc(body);
    for (const std::u16string& edit : tab.edits) file += WithCrc(Varint(tab.text.size()) + Varint(0) + Counted(edit));
    return file;
}

std::string NotepadOptionFile()
{
    return "NP" + WithCrc(Varint(7) + Varint(12) + '\0' + Varint(300) + Varint(5) + Varint(9) +
                          std::string("\x01\x00\x00", 3) + Varint(2) + std::string("\x01\x00", 2));
}

std::string ActivityDatabase(const std::string& profile)
{
    return Local(profile) + "\\ConnectedDevicesPlatform\\L.someone\\ActivitiesCache.db";
}

void PlantWindowsAppsTraces(const std::string& profile)
{
    Files() = {};
    PlantNotepad(profile);
    PlantScreenClips(profile);
    PlantActivity(profile);
    PlantWebCaches(profile);
}

void CheckWindowsAppsTraces(const std::string& profile, const SweepEvidence& evidence, ProfileCheck& check)
{
    const std::string held = ActivityDatabase(profile);
    for (const auto& [path, bytes] : Files().traces)
        if (!(evidence.activityHeld && path.rfind(held, 0) == 0)) check.Trace(Exists(path), path);
    for (const auto& [path, bytes] : Files().canaries)
        if (ReadFileText(path) != bytes) check.problems.push_back("canary changed or lost: " + path);
    // The folders that lost their files stay.
    for (const std::string& folder : {Outlook(profile) + "\\Default\\Cache\\Cache_Data", Notepad(profile) + "\\TabState",
                                      Packages(profile) + "\\Microsoft.ScreenSketch_8wekyb3d8bbwe\\TempState"})
        check.Canary(Exists(folder), folder);
    const std::vector<std::string>& logs = evidence.logs;
    if (logs.empty()) return;
    for (const char* guid : {kUnsavedTab, kChangedTab, kEditedTab})
        if (!Logged(logs, "  Kept: " + Tab(profile, guid) + " (unsaved text)."))
            check.problems.push_back(std::string("the tab with unsaved text was not said to be kept: ") + guid);
    if (!Logged(logs, "  Kept: " + Tab(profile, kDamagedTab) + " (not read)."))
        check.problems.push_back("the damaged tab was not said to be kept");
    // Held by the test as the service holds it: with Deep Sweep it waits for the restart, else it stays.
    if (evidence.activityHeld) {
        check.Canary(Exists(held), held + " (held open)");
        const bool scheduled = Logged(logs, held + ", size 4.000(KB) (After Rebooting).");
        const bool left = Logged(logs, "  Left: " + held + " (in use).");
        if (scheduled != evidence.deepSweep || left == evidence.deepSweep)
            check.problems.push_back("the held activity database was logged wrongly");
    }
}
