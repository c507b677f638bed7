#include "engine/walk_entry.h"
#include "engine/protected_folders.h"
#include "framework/trace.h"
#include "framework/platform_quirks.h"
#include <string_view>

namespace {

const char* NameProblem(const ListedEntry& listed)
{
    const std::string& name = listed.name;
    if (listed.lossy) return "its name has no exact form in this code page";
    // A file link, or a file another program keeps elsewhere (a cloud placeholder): opened as it is,
    // it would look like a file of this folder.
    if (!listed.IsFolder() && listed.IsReparsePoint()) return "it is a link or a placeholder";
    if (name.find_first_not_of(". ") == std::string::npos) return "its name is made of dots and blanks";
    for (unsigned char c : name)
        if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
            return "its name holds a character no Windows name may hold";
    return nullptr;
}

// A drive's top ("S:\") ends in its separator already.
std::string Join(const std::string& folder, const std::string& name)
{
    return !folder.empty() && folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

}  // namespace

std::optional<WalkFolder> OpenWalkTop(const std::string& path, bool withIndex)
{
    WalkFolder top{std::make_shared<CEntryHandle>(CEntryHandle::OpenFolder(path)), path, {}};
    if (!*top.handle || !top.handle->Identify(top.identity, withIndex)) return std::nullopt;
    if (!withIndex) top.identity.attributes = top.handle->Attributes();
    if (top.identity.attributes == INVALID_FILE_ATTRIBUTES || !(top.identity.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    top.identity.finalPath = WithoutTrailingSeparators(top.identity.finalPath);
    return top;
}

bool AdmitEntry(const WalkFolder& folder, const ListedEntry& listed, bool data, WalkEntry& entry, AdmitCheck check)
{
    entry.path = Join(folder.path, listed.name);
    if (const char* problem = NameProblem(listed)) {
        TraceMessage("   Passed over %s: %s.\n", entry.path.c_str(), problem);
        return false;
    }
    const bool isFolder = listed.IsFolder();
    CEntryHandle opened = isFolder ? CEntryHandle::OpenSubFolder(*folder.handle, listed.wideName)
                                   : CEntryHandle::OpenFile(*folder.handle, listed.wideName, data);
    entry.foundAt = Join(folder.identity.finalPath, listed.name);
    entry.checked = isFolder || check == AdmitCheck::Now || !Platform::RemovesByPath();
    if (!opened || (entry.checked && !opened.Identify(entry.identity, isFolder))) {
        TraceMessage("   Passed over %s: it cannot be opened under that name.\n", entry.path.c_str());
        return false;
    }
    // Exactly: a link whose target differs only in case is still a link to another entry.
    if (entry.checked && entry.identity.finalPath != entry.foundAt) {
        TraceMessage("   Passed over %s: it leads to %s.\n", entry.path.c_str(), entry.identity.finalPath.c_str());
        return false;
    }
    // The listing's own index: a folder swapped for a link between the listing and the open is
    // another folder, whatever path the system reports for it.
    if (isFolder && listed.fileId && entry.identity.index != listed.fileId) {
        TraceMessage("   Passed over %s: it changed since it was listed.\n", entry.path.c_str());
        return false;
    }
    if (const char* kept = KeptEntryReason(folder.identity.finalPath, listed.name, isFolder)) {
        TraceMessage("   Passed over %s: %s.\n", entry.path.c_str(), kept);
        return false;
    }
    entry.parent = folder.handle;
    entry.wideName = listed.wideName;
    entry.name = listed.name;
    entry.attributes = listed.attributes;
    entry.length = listed.length;
    entry.handle = std::make_shared<CEntryHandle>(std::move(opened));
    return true;
}

bool ReadEntryContent(const WalkEntry& file, std::vector<unsigned char>& bytes, size_t limit)
{
    if (file.IsFolder() || !file.parent) return false;
    if (file.handle && file.handle->HasDataAccess()) return file.handle->ReadAll(bytes, limit);
    const CEntryHandle reader = CEntryHandle::OpenSharedForReading(*file.parent, file.wideName);
    FileIdentity identity;
    return reader && reader.Identify(identity, false) && identity.SameEntry(file.identity) &&
           reader.ReadAll(bytes, limit);
}

std::vector<ListedEntry> ListWalkFolder(const WalkFolder& folder)
{
    std::vector<ListedEntry> entries;
    if (!folder.handle->List(entries)) TraceMessage("   Cannot list %s entirely.\n", folder.path.c_str());
    return entries;
}

void ListWalkFolder(const WalkFolder& folder, const std::function<void(ListedEntry&)>& each)
{
    if (!folder.handle->List(each)) TraceMessage("   Cannot list %s entirely.\n", folder.path.c_str());
}

bool StillThere(const WalkEntry& entry, const std::wstring& name) { return NameInFolder(*entry.parent, name); }

ListedEntry ListedByName(const std::string& name, bool folder)
{
    ListedEntry listed;
    listed.name = name;
    listed.wideName = FileSystem::Widen(name);
    listed.attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : 0;
    return listed;
}

bool AdmitFilePath(const std::string& path, bool data, WalkEntry& entry)
{
    const size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return false;
    // "S:\x" lies in the drive's top "S:\", not in "S:", which is the drive's current folder.
    const std::string folderPath = path.substr(0, slash) + (slash == 2 && path[1] == ':' ? "\\" : "");
    const std::optional<WalkFolder> folder = OpenWalkTop(folderPath, false);
    if (!folder || !AdmitEntry(*folder, ListedByName(path.substr(slash + 1), false), data, entry)) return false;
    unsigned long long bytes = 0;
    DWORD links = 0;
    if (entry.handle->Size(bytes, links)) entry.length = bytes;
    return true;
}
