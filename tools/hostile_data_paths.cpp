#include "tools/hostile_data_paths.h"
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <sstream>
#include "tools/hostile_profile.h"
#include "tools/profile_tools.h"

namespace {

const char* const kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kCanaryKeys = "Software\\OmbrixHostileCanary";
const char* const kCruft = "Software\\Adobe\\Acrobat Reader\\DC\\AVGeneral\\cRecentFiles";
const char* const kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
const char* const kDriverCanary = "C:\\windows\\system32\\drivers\\ombrix-hostile-canary.sys";
const char* const kUserDataKey = "SOFTWARE\\RealNetworks\\Preferences\\UserDataPath";
const char* const kCookiesKey = "SOFTWARE\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\CookiesPath";

// Keys the sweep cleans, each made a link to a canary key of its own, or to its own parent.
struct RegistryLink {
    std::string link;
    std::string target;
};
std::vector<RegistryLink> RegistryLinks()
{
    const std::string canaries = kCanaryKeys;
    return {
        {"Software\\Microsoft\\Internet Explorer\\TypedURLs", canaries + "\\TypedURLs"},
        {std::string(kCurrentVersion) + "\\Explorer\\RecentDocs\\.txt", canaries + "\\RecentDocs"},
        {"Software\\Microsoft\\Office\\16.0\\Word\\File MRU", canaries + "\\WordFileMRU"},
        {std::string(kCruft) + "\\c1", canaries + "\\Acrobat"},
        {std::string(kCruft) + "\\c9", kCruft},
        {std::string(kFileExts) + "\\.evil/link", canaries + "\\FileExts"},
        {std::string(kFileExts) + "\\.loop/x", kFileExts},
    };
}
const char* const kCanaryKeyNames[] = {"TypedURLs", "RecentDocs", "WordFileMRU", "Acrobat", "FileExts"};

// Registry traces that stay real keys beside the links, and must go.
const char* const kRealTraceKeys[] = {"Software\\Adobe\\Acrobat Reader\\DC\\AVGeneral\\cRecentFiles\\c42",
                                      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.real/x"};

std::string Temp(const std::string& root) { return root + "\\Profile\\AppData\\Local\\Temp"; }
// LocalLow as the shell names it: that is the folder that must be refused.
std::string LocalLow()
{
    PWSTR wide = nullptr;
    std::string path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppDataLow, KF_FLAG_DONT_VERIFY, nullptr, &wide)) && wide) {
        char narrow[MAX_PATH * 3] = {};
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
        path = narrow;
    }
    CoTaskMemFree(wide);
    return path;
}

std::string Repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}
// A path whose removal line is longer than 512 bytes in UTF-8.
std::string LongTrace(const std::string& root) { return Temp(root) + "\\" + Repeat("日", 80) + "\\" + Repeat("本", 80) + ".txt"; }

// Canaries a Windows program can write and read back by name.
std::vector<std::string> WindowsCanaries(const std::string& root)
{
    const std::string documents = UserDocuments();
    return {kDriverCanary,
            documents + "\\History\\ombrix-hostile.txt",
            documents + "\\Temp\\ombrix-hostile.txt",
            documents + "\\urls.ini",
            documents + "\\ombrix-hostile-info.txt",
            root + "\\Notes\\sub\\notes.txt",
            root + "\\Notes\\sub\\deeper\\notes.txt",
            root + "\\Semi\\notes",
            root + "\\Semi\\todo.txt",
            LocalLow() + "\\ombrix-hostile-game.sav"};
}

std::vector<std::string> Traces(const std::string& root)
{
    return {root + "\\cust\\trace.txt", root + "\\Notes\\notes.txt", root + "\\Semi\\notes;todo.txt", LongTrace(root)};
}

// Canaries only the Linux side can tell apart: the targets of links that differ only in case, and
// a file beside a folder whose name differs only in case. Relative to the root.
const char* const kLinuxCanaries[] = {"CUST/docs/keep.txt", "CUST/note.txt", "Twins/a.txt", "Twins/A.TXT/inner.txt",
                                      "Profile/AppData/Local/Google/CHROME/User Data/Default/History",
                                      "Profile/AppData/Roaming/Mozilla/Firefox/PROFILES/x.default/cookies.sqlite",
                                      "Outside/edge-profile/History", "Outside/edge-profile/Network/Cookies",
                                      "Profile/AppData/Local/Microsoft/Edge/User Data/Profile 4/History"};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

void PlantLinuxSide(const std::string& root, bool shredder)
{
    const std::string r = Quoted(UnixPathOf(root));
    char data[1024] = {};
    GetEnvironmentVariableA("XDG_DATA_HOME", data, sizeof data);
    std::ostringstream s;
    s << "cd " << r << "\n"
      << "mkdir -p cust CUST/docs Twins/A.TXT\n"
      << "ln -s ../CUST/docs cust/docs && ln -s ../CUST/note.txt cust/note.txt\n"
      << "d='Profile/AppData/Local/Google'; mkdir -p \"$d/Chrome/User Data\" \"$d/CHROME/User Data/Default\"\n"
      << "ln -s '../../CHROME/User Data/Default' \"$d/Chrome/User Data/Default\"\n"
      << "printf '{}' > \"$d/CHROME/User Data/Default/Preferences\"\n"
      << "m='Profile/AppData/Roaming/Mozilla/Firefox'; mkdir -p \"$m/Profiles\" \"$m/PROFILES/x.default\"\n"
      << "ln -s ../PROFILES/x.default \"$m/Profiles/x.default\"\n"
      // Edge's Local State lists a profile that is a link out, and one whose Preferences is a folder.
      << "e='Profile/AppData/Local/Microsoft/Edge/User Data'; mkdir -p \"$e/Profile 4/Preferences\" "
         "Outside/edge-profile/Network\n"
      << "printf '{}' > Outside/edge-profile/Preferences && ln -s ../../../../../../Outside/edge-profile \"$e/Profile 3\"\n"
      << "printf '{\"profile\":{\"info_cache\":{\"Profile 3\":{},\"Profile 4\":{},\"Default\":{}}}}' > \"$e/Local State\"\n";
    for (const char* canary : kLinuxCanaries) s << "printf canary > '" << canary << "'\n";
    // A file the system cannot delete though the deletion is reported done (where the file system can
    // make one).
    s << "printf t > " << Quoted(UnixPathOf(Temp(root)) + "/immutable.tmp") << "\n"
      << "chattr +i " << Quoted(UnixPathOf(Temp(root)) + "/immutable.tmp") << " 2>/dev/null || true\n";
    if (data[0] == '/') {
        const std::string bin = std::string(data) + "/Trash";
        if (shredder)  // the bin's own folder of files is a link to Documents
            s << "rm -rf '" << bin << "/files' && ln -s " << Quoted(UnixPathOf(UserDocuments())) << " '" << bin
              << "/files'\n";
        else  // a record of the bin is a link to a document
            s << "ln -sf " << Quoted(UnixPathOf(UserDocuments() + "\\ombrix-hostile-info.txt")) << " '" << bin
              << "/info/ombrix-hostile-link.txt.trashinfo'\n";
    }
    RunUnixScript(s.str());
}

void PlantRegistry(const std::string& root, int firstLocation)
{
    for (const char* name : kCanaryKeyNames) {
        const std::string key = std::string(kCanaryKeys) + "\\" + name;
        SetText(HKEY_CURRENT_USER, key, "MRUList", "a");
        SetText(HKEY_CURRENT_USER, key, "a", std::string("canary ") + name);
        SetText(HKEY_CURRENT_USER, key + "\\sub/key", "a", std::string("canary below ") + name);
    }
    for (const char* key : kRealTraceKeys) SetText(HKEY_CURRENT_USER, key, "a", "trace");
    for (const RegistryLink& link : RegistryLinks()) MakeRegistryLink(HKEY_CURRENT_USER, link.link, link.target);
    SetText(HKEY_CURRENT_USER, kUserDataKey, "", UserDocuments());
    SetText(HKEY_CURRENT_USER, kCookiesKey, "", "C:\\windows\\system32\\drivers\\*.sys");
    // Value names and data that would forge whole lines naming a document that stays.
    const std::string runMru = std::string(kCurrentVersion) + "\\Explorer\\RunMRU";
    const std::string forged = "   Item 101, Remove file: " + UserDocuments() + "\\ombrix-hostile-thesis.doc, size 1.000(KB).";
    SetText(HKEY_CURRENT_USER, runMru, "b", "x\n" + forged + "\r\n");
    SetText(HKEY_CURRENT_USER, runMru, ("c\r\n" + forged).c_str(), "y");
    int index = firstLocation;
    PlantCustomLocation(index++, root + "\\cust", "*.*", 1);
    PlantCustomLocation(index++, root + "\\Twins", "a.txt", 1);
    PlantCustomLocation(index++, root + "\\Notes", "notes.txt", 1);
    PlantCustomLocation(index++, root + "\\Semi", "notes;todo.txt", 0);
    PlantCustomLocation(index++, LocalLow(), "*.*", 1);
}

bool RegistryCanaryIntact(const std::string& name)
{
    const std::string key = std::string(kCanaryKeys) + "\\" + name;
    return ValueExists(HKEY_CURRENT_USER, key, "a") && ValueExists(HKEY_CURRENT_USER, key, "MRUList") &&
           ValueExists(HKEY_CURRENT_USER, key + "\\sub/key", "a");
}

// A removal line begins with the file lines' indent; text inside another line is not one.
bool IsRemovalLine(const std::string& line)
{
    return line.rfind("   Item ", 0) == 0 || line.rfind("   Remove", 0) == 0;
}

}  // namespace

void PlantImmutableFolder(const std::string& root)
{
    const std::string folder = Quoted(UnixPathOf(Temp(root)) + "/immutable-folder");
    RunUnixScript("mkdir -p " + folder + " && printf t > " + Quoted(UnixPathOf(Temp(root)) + "/immutable-folder/held.tmp") +
                  " && chattr +i " + folder + " 2>/dev/null || true\n");
}

void PlantDataPaths(const std::string& root, bool shredder, int firstLocation)
{
    for (const std::string& canary : WindowsCanaries(root)) WriteFileText(canary, HostileCanaryContent(canary));
    for (const std::string& trace : Traces(root)) WriteFileText(trace, "trace");
    PlantLinuxSide(root, shredder);
    PlantRegistry(root, firstLocation);
}

void CheckDataPaths(const std::string& root, const std::vector<std::string>& logs, std::vector<std::string>& problems)
{
    for (const std::string& canary : WindowsCanaries(root))
        if (ReadFileText(canary) != HostileCanaryContent(canary)) problems.push_back("canary changed or lost: " + canary);
    for (const std::string& trace : Traces(root))
        if (Exists(trace)) problems.push_back("trace left: " + trace);
    const std::string report = root + "\\linux-check.txt";
    std::ostringstream s;
    s << "cd " << Quoted(UnixPathOf(root)) << "\nexec > linux-check.txt\n";
    for (const char* canary : kLinuxCanaries)
        s << "[ \"$(cat '" << canary << "')\" = canary ] || echo 'canary changed or lost: " << canary << "'\n";
    RunUnixScript(s.str());
    std::istringstream found(ReadFileText(report));
    for (std::string line; std::getline(found, line);) problems.push_back(line);
    for (const char* name : kCanaryKeyNames)
        if (!RegistryCanaryIntact(name)) problems.push_back(std::string("registry canary changed: ") + name);
    for (const char* key : kRealTraceKeys)
        if (KeyExists(HKEY_CURRENT_USER, key)) problems.push_back(std::string("trace left: ") + key);
    const std::string longLine = "Remove file: " + LongTrace(root) + ", size";
    bool longLogged = false;
    for (const std::string& log : logs) {
        longLogged = longLogged || log.find(longLine) != std::string::npos;
        if (log.find("Buffer is not enough") != std::string::npos) problems.push_back("a line did not fit its buffer");
        std::istringstream lines(log);
        for (std::string line; std::getline(lines, line);)
            if (line.find("Item 10") != std::string::npos && IsRemovalLine(line) &&
                line.find("ombrix-hostile-thesis.doc") != std::string::npos)
                problems.push_back("a planted name forged a line: " + line);
    }
    if (!longLogged) problems.push_back("the long path's line is not whole");
}

void RemoveDataPaths(const std::string& root)
{
    for (const RegistryLink& link : RegistryLinks()) RemoveRegistryLink(HKEY_CURRENT_USER, link.link);
    SHDeleteKeyA(HKEY_CURRENT_USER, kCanaryKeys);
    for (const char* key : {kUserDataKey, kCookiesKey}) SHDeleteKeyA(HKEY_CURRENT_USER, key);
    char data[1024] = {};
    GetEnvironmentVariableA("XDG_DATA_HOME", data, sizeof data);
    std::string script = "chattr -i " + Quoted(UnixPathOf(Temp(root)) + "/immutable.tmp") + " " +
                         Quoted(UnixPathOf(Temp(root)) + "/immutable-folder") + " 2>/dev/null || true\n";
    if (data[0] == '/')  // the bin's folder of files back as a folder (rm takes the link, not Documents)
        script += "[ -L '" + std::string(data) + "/Trash/files' ] && rm '" + std::string(data) +
                  "/Trash/files' && mkdir -p '" + std::string(data) + "/Trash/files'\n";
    const std::string documents = UserDocuments();
    for (const std::string& canary : WindowsCanaries(root))
        if (canary.rfind(root, 0) != 0) script += "rm -f " + Quoted(UnixPathOf(canary)) + "\n";
    script += "rmdir " + Quoted(UnixPathOf(documents + "\\History")) + " " + Quoted(UnixPathOf(documents + "\\Temp")) +
              " 2>/dev/null || true\n";
    RunUnixScript(script);
}
