#include "engine/protected_folders.h"
#include <memory>
#include <mutex>
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <cstdio>
#include <optional>
#include <shlwapi.h>
#include <utility>
#include <vector>
#include "engine/sweep_events.h"
#include "engine/sweep_log.h"
#include "framework/file.h"
#include "framework/file_find.h"

namespace {

// How far a kept folder's protection reaches below it.
enum class Below { Free, Always, FromData };

struct KeptFolder {
    std::string path;
    const char* kind;
    Below below = Below::Free;
    const char* freeBelow = nullptr;  // the one folder below it that belongs to the sweeps
};

const int kSystemFolders[] = {CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_COMMON_APPDATA};
const int kProgramFolders[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86};
const int kUserFolders[] = {CSIDL_PROFILE, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA};
const int kDocumentFolders[] = {CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_MYPICTURES, CSIDL_MYMUSIC,
                                CSIDL_MYVIDEO, CSIDL_FAVORITES};
const char* const kOneDriveVariables[] = {"OneDrive", "OneDriveConsumer", "OneDriveCommercial"};

std::string Trimmed(std::string path)
{
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

// The shell's folder by CSIDL, without creating it.
std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? Trimmed(path)
                                                                                           : std::string();
}

std::string KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR wide = nullptr;
    const HRESULT found = SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &wide);
    const std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owner(wide, CoTaskMemFree);
    std::string path;
    if (SUCCEEDED(found) && wide) FileSystem::Narrow(wide, path);
    return Trimmed(path);
}

std::string Variable(const char* name)
{
    char value[1024];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n && n < sizeof value ? Trimmed(value) : std::string();
}

// Each kept folder as the shell names it and as it resolves (a profile folder may be a link).
void Keep(std::vector<KeptFolder>& kept, const std::string& path, const char* kind, Below below = Below::Free,
          const char* freeBelow = nullptr)
{
    if (path.empty()) return;
    kept.push_back({path, kind, below, freeBelow});
    FileIdentity identity;
    if (FileSystem::Identify(path, identity, true) && !FileSystem::SamePath(identity.finalPath, path))
        kept.push_back({Trimmed(identity.finalPath), kind, below, freeBelow});
}

std::vector<KeptFolder> KeptFolders()
{
    std::vector<KeptFolder> kept;
    Keep(kept, ShellFolder(CSIDL_WINDOWS), "a system folder", Below::Always, "Temp");
    for (int csidl : kSystemFolders) Keep(kept, ShellFolder(csidl), "a system folder");
    for (int csidl : kProgramFolders) Keep(kept, ShellFolder(csidl), "a system folder", Below::Always);
    for (int csidl : kUserFolders) Keep(kept, ShellFolder(csidl), "a user's folder");
    for (int csidl : kDocumentFolders) Keep(kept, ShellFolder(csidl), "a user's folder", Below::FromData);
    Keep(kept, KnownFolder(FOLDERID_Downloads), "a user's folder", Below::FromData);
    Keep(kept, KnownFolder(FOLDERID_SkyDrive), "a user's folder", Below::FromData);
    for (const char* name : kOneDriveVariables) Keep(kept, Variable(name), "a user's folder", Below::FromData);
    Keep(kept, KnownFolder(FOLDERID_LocalAppDataLow), "a user's folder");
    std::string users = KnownFolder(FOLDERID_UserProfiles);
    const std::string profile = ShellFolder(CSIDL_PROFILE);
    if (users.empty() && profile.find('\\') != std::string::npos) users = profile.substr(0, profile.rfind('\\'));
    Keep(kept, users, "a system folder");
    // Every folder directly in the Users folder is somebody's profile.
    CFileFind find;
    for (bool more = !users.empty() && find.FindFile(users + "\\*"); more;) {
        more = find.FindNextFile();
        if (find.IsDirectory() && !find.IsDots()) Keep(kept, find.GetFilePath(), "a user's profile");
    }
    return kept;
}

// What the refusals compare with: the kept folders and the shell's Recent folder, found once for a
// whole sweep while it is held, so that nothing the sweep changes moves them.
struct KeptPlaces {
    std::vector<KeptFolder> folders;
    std::string recent;
};

std::mutex g_heldLock;
std::shared_ptr<const KeptPlaces> g_held;
int g_holds = 0;

std::shared_ptr<const KeptPlaces> HeldPlaces()
{
    std::lock_guard<std::mutex> hold(g_heldLock);
    return g_held;
}

std::shared_ptr<const std::vector<KeptFolder>> CurrentKeptFolders()
{
    if (const auto held = HeldPlaces()) return std::shared_ptr<const std::vector<KeptFolder>>(held, &held->folders);
    return std::make_shared<const std::vector<KeptFolder>>(KeptFolders());
}

std::string RecentFolder()
{
    const auto held = HeldPlaces();
    return held ? held->recent : ShellFolder(CSIDL_RECENT);
}

bool Holds(const std::string& folder, const std::string& inner)
{
    const std::string prefix = folder.back() == '\\' ? folder : folder + "\\";
    return inner.size() > prefix.size() && FileSystem::SamePath(inner.substr(0, prefix.size()), prefix);
}

bool IsOrHolds(const std::string& folder, const std::string& inner)
{
    return FileSystem::SamePath(folder, inner) || Holds(folder, inner);
}

enum class Relation { Is, Holds, Inside };

// Whether a kept folder's protection reaches the target below it.
bool ProtectsBelow(const KeptFolder& kept, const std::string& target, PatternSource source)
{
    if (kept.below == Below::Free || (kept.below == Below::FromData && source == PatternSource::UserChoice))
        return false;
    return !kept.freeBelow || !IsOrHolds(kept.path + "\\" + kept.freeBelow, target);
}

// The kept folder that a target is (first), holds, or lies inside, if any.
std::optional<std::pair<Relation, const char*>> FindKeptFolder(const std::string& folder,
                                                                const std::string& finalFolder, PatternSource source)
{
    const auto folders = CurrentKeptFolders();
    const std::vector<KeptFolder>& kept = *folders;
    // Being a kept folder says more than holding one, and holding one more than lying inside one.
    for (const Relation relation : {Relation::Is, Relation::Holds, Relation::Inside})
        for (const KeptFolder& k : kept)
            for (const std::string& target : {Trimmed(folder), Trimmed(finalFolder)}) {
                if (target.empty()) continue;
                if ((relation == Relation::Is && FileSystem::SamePath(target, k.path)) ||
                    (relation == Relation::Holds && Holds(target, k.path)) ||
                    (relation == Relation::Inside && Holds(k.path, target) && ProtectsBelow(k, target, source)))
                    return std::make_pair(relation, k.kind);
            }
    return std::nullopt;
}

bool IsDriveRoot(const std::string& folder)
{
    const std::string trimmed = Trimmed(folder);
    return (trimmed.size() == 2 && trimmed[1] == ':') || PathIsRootA(trimmed.c_str());
}

std::string Formatted(const char* format, const std::string& folder, const char* kind = "")
{
    char line[kLineBufferSize];
    snprintf(line, sizeof line, format, folder.c_str(), kind);
    return line;
}

constexpr const char* kQuickAccessPins = "f01b4d95cf55d32a.automaticDestinations-ms";
const char* const kJumpListFolders[] = {"AutomaticDestinations", "CustomDestinations"};

bool SameName(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

std::string LastPart(const std::string& path)
{
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path)
{
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A folder named Recent holds them wherever the profile is; the shell's Recent folder by any name.
bool IsRecentFolder(const std::string& folder)
{
    if (SameName(LastPart(Trimmed(folder)), "Recent")) return true;
    const std::string recent = RecentFolder();
    return !recent.empty() && FileSystem::SamePath(Trimmed(folder), recent);
}

bool IsJumpListFolder(const std::string& parent, const std::string& name)
{
    for (const char* folder : kJumpListFolders)
        if (SameName(name, folder)) return IsRecentFolder(parent);
    return false;
}

}  // namespace

const char* KeptEntryReason(const std::string& parentFinal, const std::string& name, bool folder)
{
    if (!folder) return SameName(name, kQuickAccessPins) ? "it holds the Quick Access pins" : nullptr;
    return IsJumpListFolder(parentFinal, name) ? "it holds the jump lists and their pins" : nullptr;
}

bool InJumpListFolder(const std::string& folder)
{
    for (std::string path = Trimmed(folder); path.find('\\') != std::string::npos; path = FolderPart(path))
        if (IsJumpListFolder(FolderPart(path), LastPart(path))) return true;
    return false;
}

namespace {

// The refusal's line and, for a script, its reason alone; nothing when the target may be swept.
std::optional<std::pair<std::string, std::string>> FindRefusal(const std::string& folder,
                                                               const std::string& finalFolder, PatternSource source)
{
    if (source != PatternSource::JumpLists && (InJumpListFolder(folder) || InJumpListFolder(finalFolder)))
        return std::make_pair(
            FormatLine("  Refused: %s holds jump lists; only their own item sweeps them.\n", folder.c_str()),
            std::string("jump lists"));
    if (IsDriveRoot(folder) || IsDriveRoot(finalFolder))
        return std::make_pair(FormatLine("  Refused: %s is a whole drive.\n", folder.c_str()), std::string("a whole drive"));
    const auto found = FindKeptFolder(folder, finalFolder, source);
    if (!found) return std::nullopt;
    const char* format = found->first == Relation::Is      ? "  Refused: %s is %s.\n"
                         : found->first == Relation::Holds ? "  Refused: %s holds %s.\n"
                                                           : "  Refused: %s lies inside %s.\n";
    return std::make_pair(FormatLine(format, folder.c_str(), found->second), std::string(found->second));
}

}  // namespace

KeptFoldersHold::KeptFoldersHold()
{
    std::lock_guard<std::mutex> hold(g_heldLock);
    if (g_holds++ == 0) g_held = std::make_shared<const KeptPlaces>(KeptPlaces{KeptFolders(), ShellFolder(CSIDL_RECENT)});
}

KeptFoldersHold::~KeptFoldersHold()
{
    std::lock_guard<std::mutex> hold(g_heldLock);
    if (--g_holds == 0) g_held.reset();
}

std::string ProtectedFolderRefusal(const std::string& folder, const std::string& finalFolder, PatternSource source)
{
    const auto refusal = FindRefusal(folder, finalFolder, source);
    return refusal ? refusal->first : std::string();
}

std::vector<std::string> KeptFoldersBelow(const std::string& folder, const std::string& finalFolder)
{
    std::vector<std::string> below;
    // Held by name: a range over the pointed-to list of a temporary would outlive the list.
    const auto folders = CurrentKeptFolders();
    for (const KeptFolder& kept : *folders)
        if (Holds(Trimmed(folder), kept.path) || Holds(Trimmed(finalFolder), kept.path)) below.push_back(kept.path);
    return below;
}

bool IsOrHoldsAny(const std::string& folder, const std::vector<std::string>& kept)
{
    for (const std::string& k : kept)
        if (IsOrHolds(folder, k)) return true;
    return false;
}

bool RefuseProtectedFolder(const std::string& folder, const std::string& finalFolder, PatternSource source)
{
    const auto refusal = FindRefusal(folder, finalFolder, source);
    if (!refusal) return false;
    LogLine(refusal->first.c_str(), kStatusLogOnly);
    SweepEvent event;
    event.type = SweepEvent::Type::Refused;
    event.target = folder;
    event.text = refusal->second;
    EmitSweepEvent(event);
    return true;
}

std::string CustomLocationRefusal(const std::string& folder)
{
    if (IsDriveRoot(folder)) return Formatted("%s is a whole drive; choose a folder inside it.", folder);
    FileIdentity identity;
    const std::string finalFolder = FileSystem::Identify(folder, identity, true) ? identity.finalPath : folder;
    if (IsDriveRoot(finalFolder)) return Formatted("%s is a whole drive; choose a folder inside it.", folder);
    if (InJumpListFolder(folder) || InJumpListFolder(finalFolder))
        return Formatted("%s holds the jump lists and their pins; Ombrix does not sweep it.", folder);
    const auto found = FindKeptFolder(folder, finalFolder, PatternSource::UserChoice);
    if (!found) return {};
    if (found->first == Relation::Inside) return Formatted("%s lies inside %s; Ombrix does not sweep it.", folder, found->second);
    if (found->first == Relation::Holds) return Formatted("%s holds %s; choose a folder inside it.", folder, found->second);
    if (std::string(found->second) == "a system folder")
        return Formatted("%s is %s; Ombrix does not sweep it.", folder, found->second);
    return Formatted("%s is %s; choose a folder inside it.", folder, found->second);
}
