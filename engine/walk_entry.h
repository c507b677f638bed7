#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include "framework/entry_handle.h"
#include "framework/file.h"

using SharedEntryHandle = std::shared_ptr<CEntryHandle>;

// A folder being walked: its open handle, the path the walk built for it (logged) and the path the
// system resolved it to, with its volume and index so that a walk never enters a folder it is inside.
struct WalkFolder {
    SharedEntryHandle handle;
    std::string path;
    FileIdentity identity;
};

// An admitted entry of a walked folder: opened once through the folder's handle, checked to be the
// entry the walk's path names, and from then on read, changed and removed through its own handle.
struct WalkEntry {
    SharedEntryHandle parent;  // the folder it is in
    std::wstring wideName;
    std::string name;
    std::string path;
    DWORD attributes = 0;  // as listed
    unsigned long long length = 0;
    SharedEntryHandle handle;
    FileIdentity identity;
    std::string foundAt;   // the folder's resolved path and the name: where the entry must resolve to
    bool checked = true;   // false: admitted to be removed, and compared with foundAt once marked
    bool IsFolder() const { return attributes & FILE_ATTRIBUTE_DIRECTORY; }
    WalkFolder AsFolder() const { return {handle, path, identity}; }
};

// The top folder of a walk, opened by its path (a link there is followed and checked where it leads);
// nothing when it is not a folder that opens. Without its index (the folder of one file, never walked
// down) its volume record, slow to read under Wine, is not read.
std::optional<WalkFolder> OpenWalkTop(const std::string& path, bool withIndex = true);
// Opens and checks one listed entry of a folder: the path the walk builds from the folder and the
// name must lead to this entry exactly (same letters, same case) and nothing else. It does not when
// the name is not held exactly by the code page, is made of dots and blanks, holds a separator, is
// listed as a file link or placeholder, or the entry resolves elsewhere (a link, even one differing
// only in case); a folder must also carry the index its listing gave. A file is opened with data
// access when `data`. On false the entry is passed over with a trace.
// With WhenMarked, for a file whose release is the first thing done to it, the comparison is left to
// the release where the platform must compare again once the file is marked anyway (Wine removes by
// path): one resolution per file instead of two.
enum class AdmitCheck { Now, WhenMarked };
bool AdmitEntry(const WalkFolder& folder, const ListedEntry& listed, bool data, WalkEntry& entry,
                AdmitCheck check = AdmitCheck::Now);
// The entries of a walked folder; an empty list when it cannot be read.
std::vector<ListedEntry> ListWalkFolder(const WalkFolder& folder);
// The same, an entry at a time.
void ListWalkFolder(const WalkFolder& folder, const std::function<void(ListedEntry&)>& each);
// Whether a name is still in the folder an entry was in.
bool StillThere(const WalkEntry& entry, const std::wstring& name);
// An entry known by its name alone (not from a listing), to be admitted like a listed one.
ListedEntry ListedByName(const std::string& name, bool folder);
// An admitted file's content: through its own handle when that may read, else through a second handle
// that must reach the same file (another program holds it). False when it cannot be read or is
// longer than `limit`.
bool ReadEntryContent(const WalkEntry& file, std::vector<unsigned char>& bytes, size_t limit);
// The file a path names, opened and checked as a walk would find it in its folder.
bool AdmitFilePath(const std::string& path, bool data, WalkEntry& entry);
