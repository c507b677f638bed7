#include "tools/hostile_profile.h"
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <algorithm>
#include <sstream>
#include "tools/hostile_cookies.h"
#include "tools/hostile_data_paths.h"
#include "tools/hostile_jump_lists.h"
#include "tools/hostile_rules.h"
#include "tools/hostile_windows_apps.h"
#include "tools/profile_tools.h"
#include "tools/windows_apps_traces.h"

namespace {

const char* const kOmbrix = "SOFTWARE\\Quillane\\Ombrix";
const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char* const kRunMru = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
const char* const kLongValueName = "日本語のファイル名前日本語のファイル名前";
const char* const kSessionManager = "System\\CurrentControlSet\\Control\\Session Manager";
const char* const kSystemCanaries[] = {"C:\\windows\\ombrix-hostile-canary.txt", "C:\\users\\ombrix-hostile-canary.txt"};

std::string Documents() { return UserDocuments(); }
std::string DocumentsCanary() { return Documents() + "\\ombrix-hostile-thesis.doc"; }

std::vector<std::string> OutsideCanaries()
{
    return {kSystemCanaries[0], kSystemCanaries[1], DocumentsCanary()};
}

std::string Profile(const std::string& root) { return root + "\\Profile"; }
std::string Local(const std::string& root) { return root + "\\Profile\\AppData\\Local"; }
std::string Temp(const std::string& root) { return Local(root) + "\\Temp"; }

// Files that must survive every sweep, each with content of its own.
std::vector<std::string> Canaries(const std::string& root)
{
    const std::string p = Profile(root), l = Local(root);
    return {p + "\\Documents\\thesis.doc", p + "\\bfcanary.txt",       l + "\\bfcanary.txt",
            l + "\\Documents\\keep.txt",   l + "\\keep.txt",            p + "\\AppData\\Roaming\\settings.ini",
            root + "\\data\\keep.txt",     root + "\\canary\\keep.txt", root + "\\Filtered\\report.docx",
            root + "\\Filtered\\x.document", root + "\\Filtered\\page.html", root + "\\canaryX\\keep.txt",
            root + "\\Sub\\keep.tmp\\important.doc", root + "\\Outside\\hard-target.txt",
            root + "\\Outside\\link-target.txt", root + "\\Outside\\bin-target.txt",
            root + "\\Cust5\\keep.txt",
            // The pins of the Recent folder that the history rows walk (the shell's Recent is elsewhere).
            p + "\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\AutomaticDestinations\\f01b4d95cf55d32a.automaticDestinations-ms",
            p + "\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\AutomaticDestinations\\9b9cdc69c1c24e2b.automaticDestinations-ms",
            p + "\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\CustomDestinations\\5f7b5f1e01b83767.customDestinations-ms"};
}

std::string CanaryContent(const std::string& path) { return HostileCanaryContent(path); }

// Traces a sweep must remove: some by names outside every old code page, one below a long path.
std::vector<std::string> Traces(const std::string& root)
{
    const std::string t = Temp(root);
    return {t + "\\ж.txt",        t + "\\日本語",         t + "\\..＼bfcanary.txt",   t + "\\..＼Documents",
            t + "\\node_modules", t + "\\hard.txt",        root + "\\dātā\\x.txt",     root + "\\ｃａｎａｒｙ\\y.txt",
            root + "\\Filtered\\report.doc", root + "\\Filtered\\page.htm", root + "\\Sub\\a.tmp",
            root + "\\Sub\\sub\\x.tmp",      root + "\\Sub\\keep.tmp\\z.tmp"};
}

std::string Quoted(const std::string& unixPath) { return "'" + unixPath + "'"; }

// What only the Linux side can make: names Win32 trims or reads as dots, links, a 366-character
// path, folders nested deeper than a walk goes, and a link in the Recycle Bin.
void PlantLinuxSide(const std::string& root)
{
    const std::string t = Quoted(UnixPathOf(Temp(root)));
    const std::string outside = UnixPathOf(root + "\\Outside");
    char trash[1024] = {};
    GetEnvironmentVariableA("XDG_DATA_HOME", trash, sizeof trash);
    std::ostringstream s;
    s << "cd " << t << "\n"
      << "mkdir '...' '.. ' '. .' 'a.'\n"
      << "printf t > 'b '\n"
      << "ln '" << outside << "/hard-target.txt' hard.txt\n"
      << "ln -s '" << outside << "/link-target.txt' flink.txt\n"
      << "d=node_modules; for i in 1 2 3 4 5 6 7 8 9 10 11 12; do d=\"$d/package-with-a-long-name-$i\"; done\n"
      << "mkdir -p \"$d\" && printf 'module' > \"$d/index.js\"\n"
      << "d=deep; for i in $(seq 140); do d=\"$d/d\"; done; mkdir -p \"$d\" && printf bottom > \"$d/bottom.txt\"\n"
      << "mkdir many && (cd many && for i in $(seq 1500); do printf x > f$i.tmp; done)\n";
    if (trash[0] == '/') {
        const std::string bin = std::string(trash) + "/Trash";
        s << "mkdir -p '" << bin << "/files' '" << bin << "/info'\n"
          << "ln -s '" << outside << "/bin-target.txt' '" << bin << "/files/ombrix-hostile-link.txt'\n"
          << "printf '[Trash Info]\\nPath=/tmp/ombrix-hostile-link.txt\\nDeletionDate=2026-01-01T00:00:00\\n' > '"
          << bin << "/info/ombrix-hostile-link.txt.trashinfo'\n";
    }
    RunUnixScript(s.str());
}

constexpr int kFirstRoundLocations = 6;

void PlantRegistry(const std::string& root, bool shredder, bool deepSweep)
{
    SHDeleteKeyA(HKEY_CURRENT_USER, (std::string(kOmbrix) + "\\Windows").c_str());
    int index = 0;
    PlantCustomLocation(index++, root + "\\dātā", "*.*", 1);
    PlantCustomLocation(index++, root + "\\ｃａｎａｒｙ", "*.*", 1);
    PlantCustomLocation(index++, root + "\\Filtered", "*.doc", 0);
    PlantCustomLocation(index++, root + "\\Filtered", "*.htm", 0);
    PlantCustomLocation(index++, root + "\\Cust5", "..\\canaryX\\*.*", 1);
    PlantCustomLocation(index++, root + "\\Sub", "*.tmp", 1);
    SetNumber(HKEY_CURRENT_USER, std::string(kOmbrix) + "\\Windows", "Targets", 0x3FFF | kWindowsAppsBits);
    SetNumber(HKEY_CURRENT_USER, std::string(kOmbrix) + "\\General Settings", "Targets",
              0x07 | (shredder ? 0x80 : 0) | (deepSweep ? 0x20 : 0));
    SetNumber(HKEY_CURRENT_USER, std::string(kOmbrix) + "\\Applications", "Targets", kDataPathsApplications | kAppWebCachesBit);
    SetNumber(HKEY_CURRENT_USER, std::string(kOmbrix) + "\\Internet", "Targets", kDataPathsInternet);
    const std::string documents = Documents();
    SetRaw(HKEY_CURRENT_USER, kUserShellFolders, "Recent", REG_EXPAND_SZ, documents + '\0');
    SetText(HKEY_CURRENT_USER, kShellFolders, "Recent", documents);
    SetText(HKEY_CURRENT_USER, kRunMru, "MRUList", "a");
    SetText(HKEY_CURRENT_USER, kRunMru, "日本", "日本語.doc");
    // Longer in UTF-8 than the key's figures, which count UTF-16 units.
    SetText(HKEY_CURRENT_USER, kRunMru, kLongValueName, "日本語日本語日本語日本語日本語.doc");
}

bool PendingRemoval(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    std::string data(1 << 22, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    const bool read = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!read) return false;
    data.resize(size);
    for (size_t at = 0; at < data.size(); at = data.find('\0', at) + 1) {
        const std::string entry = data.c_str() + at;
        if (entry.size() >= path.size() && lstrcmpiA(entry.substr(entry.size() - path.size()).c_str(), path.c_str()) == 0)
            return true;
        if (data.find('\0', at) == std::string::npos) break;
    }
    return false;
}

// The path a removal line names, and whether it says the removal waits for the restart.
bool RemovalLinePath(const std::string& line, std::string& path, bool& atReboot)
{
    static const char* const kStarts[] = {"Remove file: ", "Remove directory: "};
    // A removal line begins with the file lines' indent; its words inside another line are not one.
    if (line.rfind("   Item ", 0) != 0 && line.rfind("   Remove", 0) != 0) return false;
    for (const char* start : kStarts) {
        const size_t from = line.find(start);
        const size_t to = line.rfind(", size ");
        if (from == std::string::npos || to == std::string::npos || to < from) continue;
        path = line.substr(from + strlen(start), to - from - strlen(start));
        atReboot = line.find("(After Rebooting)") != std::string::npos;
        return true;
    }
    return false;
}

}  // namespace

void SetHostileEnvironment(const std::string& root)
{
    SetEnvironmentVariableA("USERPROFILE", Profile(root).c_str());
    SetEnvironmentVariableA("APPDATA", (Profile(root) + "\\AppData\\Roaming").c_str());
    SetEnvironmentVariableA("LOCALAPPDATA", Local(root).c_str());
    SetEnvironmentVariableA("TMP", "C:\\windows");
    SetEnvironmentVariableA("TEMP", "C:\\users");
    SetEnvironmentVariableA("TMPDIR", Temp(root).c_str());
}

std::string HostileLockedFile(const std::string& root) { return Temp(root) + "\\locked\\busy.tmp"; }

void PlantHostileProfile(const std::string& root, bool shredder, bool deepSweep)
{
    MoveHostileDocuments(root);
    for (const std::string& canary : Canaries(root)) WriteFileText(canary, CanaryContent(canary));
    for (const std::string& canary : OutsideCanaries()) WriteFileText(canary, CanaryContent(canary));
    const std::string t = Temp(root);
    WriteFileText(t + "\\ж.txt", "trace");
    WriteFileText(t + "\\日本語\\ファイル.txt", "trace");
    WriteFileText(t + "\\..＼bfcanary.txt", "trace");
    WriteFileText(t + "\\..＼Documents\\x.txt", "trace");
    WriteFileText(HostileLockedFile(root), "in use");
    WriteFileText(root + "\\dātā\\x.txt", "trace");
    WriteFileText(root + "\\ｃａｎａｒｙ\\y.txt", "trace");
    WriteFileText(root + "\\Filtered\\report.doc", "trace");
    WriteFileText(root + "\\Filtered\\page.htm", "trace");
    WriteFileText(root + "\\Sub\\a.tmp", "trace");
    WriteFileText(root + "\\Sub\\sub\\x.tmp", "trace");
    WriteFileText(root + "\\Sub\\keep.tmp\\z.tmp", "trace");
    PlantLinuxSide(root);
    PlantRegistry(root, shredder, deepSweep);
    PlantDataPaths(root, shredder, kFirstRoundLocations);
    if (!(shredder && deepSweep)) PlantImmutableFolder(root);  // the preview's run is the Shredder's deep one
    PlantHostileJumpLists(root, shredder);
    PlantHostileRules(root);
    PlantHostileWindowsApps(root);
    // Each list of friendly sites in some run; the preview's (Shredder and Deep Sweep) cleans row by row.
    PlantHostileCookies(root, shredder == deepSweep ? HostileSites::Thousands
                              : shredder            ? HostileSites::Binary
                                                    : HostileSites::NoHost);
}

std::vector<std::string> CheckHostileProfile(const std::string& root, const std::vector<std::string>& logs,
                                             bool deepSweep)
{
    std::vector<std::string> problems;
    std::vector<std::string> canaries = Canaries(root);
    const std::vector<std::string> outside = OutsideCanaries();
    canaries.insert(canaries.end(), outside.begin(), outside.end());
    for (const std::string& canary : canaries)
        if (ReadFileText(canary) != CanaryContent(canary)) problems.push_back("canary changed or lost: " + canary);
    for (const std::string& trace : Traces(root))
        if (Exists(trace)) problems.push_back("trace left: " + trace);
    for (const char* value : {"日本", kLongValueName})
        if (ValueExists(HKEY_CURRENT_USER, kRunMru, value)) problems.push_back(std::string("trace left: RunMRU ") + value);
    std::string deepest = Temp(root) + "\\deep";
    for (int level = 0; level < 140; ++level) deepest += "\\d";
    if (!Exists(deepest + "\\bottom.txt")) problems.push_back("the walk went deeper than its bound");
    if (!Exists(Temp(root) + "\\flink.txt")) problems.push_back("the file link itself should stay, passed over");
    // A link is passed over, never left for the restart, and neither is the folder that holds it.
    for (const std::string& link : {Temp(root) + "\\flink.txt", root + "\\cust\\note.txt", root + "\\cust"})
        if (PendingRemoval(link)) problems.push_back("left for the restart: " + link);

    const std::string locked = Temp(root) + "\\locked";
    bool lockedLine = false;
    const bool concurrent = logs.size() > 1;
    int manyAtReboot = 0;
    for (const std::string& log : logs) {
        std::istringstream lines(log);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find("???") != std::string::npos) problems.push_back("name lost in the log: " + line);
            std::string path;
            bool atReboot = false;
            if (!RemovalLinePath(line, path, atReboot)) continue;
            if (path == locked) lockedLine = true;
            // Two sweepers write the reboot list at once and may lose each other's entries; there a
            // file the other one removed meanwhile is as true as a scheduled one.
            const bool scheduled = PendingRemoval(path) || (concurrent && !Exists(path));
            if (atReboot ? !scheduled : Exists(path) && !PendingRemoval(path)) problems.push_back("untrue line: " + line);
            if (atReboot && path.find("\\many\\") != std::string::npos) ++manyAtReboot;
        }
        if (log.find("Start clean up") == std::string::npos) continue;  // a second instance hands over and ends
        for (const char* refused : {"  Refused: C:\\windows is a system folder.", "  Refused: C:\\users is a system folder."})
            if (log.find(refused) == std::string::npos) problems.push_back(std::string("not logged: ") + refused);
        if (log.find("  Refused: " + Documents() + " is a user's folder.") == std::string::npos)
            problems.push_back("the Recent folder set to Documents was not refused");
    }
    // Files the other sweeper held a moment may wait for the restart; files it had removed may not.
    if (manyAtReboot > 150) problems.push_back(std::to_string(manyAtReboot) + " free files were left for the restart");
    if (!Exists(HostileLockedFile(root))) problems.push_back("the locked file is gone while it was held");
    if (lockedLine != deepSweep) problems.push_back("the folder of the locked file was logged wrongly");
    CheckDataPaths(root, logs, problems);
    CheckHostileJumpLists(root, logs, problems);
    CheckHostileRules(root, logs, problems);
    CheckHostileCookies(root, logs, problems);
    CheckHostileWindowsApps(root, logs, problems);
    return problems;
}

void RemoveHostileProfile(const std::string& root)
{
    RemoveHostileRules(root);
    RemoveDataPaths(root);
    char trash[1024] = {};
    GetEnvironmentVariableA("XDG_DATA_HOME", trash, sizeof trash);
    std::string script = "rm -rf " + Quoted(UnixPathOf(root)) + "\n";
    for (const std::string& canary : OutsideCanaries()) script += "rm -f " + Quoted(UnixPathOf(canary)) + "\n";
    if (trash[0] == '/')
        script += "rm -f '" + std::string(trash) + "/Trash/files/ombrix-hostile-link.txt' '" + std::string(trash) +
                  "/Trash/info/ombrix-hostile-link.txt.trashinfo'\n";
    RunUnixScript(script);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "PendingFileRenameOperations");
        RegCloseKey(key);
    }
    for (const char* group : {"\\Windows", "\\Applications", "\\Internet"})
        SHDeleteKeyA(HKEY_CURRENT_USER, (std::string(kOmbrix) + group).c_str());
    RestoreHostileDocuments();
}
