#pragma once
#include <string>
#include "engine/walk_entry.h"

inline constexpr unsigned kShredBlock = 1024;
inline constexpr unsigned kIndexHeader = 64;
inline constexpr unsigned kWipeBlock = 10240;

// The shred name of a file: every character of its name but '.' replaced by 'A' (one 'A' for each
// character, however many bytes it takes in UTF-8).
std::string ShredName(const std::string& path);

// A cache index ("index.dat", in any case) is never shredded: the cache holds it open, and only its
// records past the header are wiped. The name decides, not a folder on the way to it.
bool IsIndexFile(const std::string& path);

// A release found the entry is not (or no longer) where the walk found it: a link, or moved meanwhile.
// It stays, with a trace; the walk passes over it like any entry it does not admit.
class EntryPassedOver : public CFileException {
public:
    explicit EntryPassedOver(const std::string& path) : CFileException(path, ERROR_FILE_NOT_FOUND) {}
};

// The removals behind the seam, each through the entry's own handle.
// Removes a file, first renamed to a free shred name and overwritten twice when `shred`. Its name
// must be gone afterwards; otherwise throws CFileException naming the path still there.
void RemoveOpenFile(WalkEntry& file, bool shred);
// The same in two steps, for walks that confirm a folder's removals together: the file is marked
// and closed, and the name it was left under returned (throws as RemoveOpenFile before the close, and
// EntryPassedOver when the entry does not resolve to where it was found);
// NameGone then tells whether that name is gone from the folder, asked again for a moment when
// `listed` says the folder still showed it.
std::wstring ReleaseOpenFile(WalkEntry& file, bool shred);
// The path of a name in the file's folder (the name a release left it under).
std::string PathOf(const WalkEntry& file, const std::wstring& name);
bool NameGone(const CEntryHandle& folder, const std::wstring& name, bool listed);
// Marks an emptied folder (or a folder link alone) for removal and closes it; false when it could
// not be marked, or no longer resolves to where it was found. NameGone then tells whether it went.
bool ReleaseOpenFolder(WalkEntry& folder);
// Both at once: true when its name is gone.
bool RemoveOpenFolder(WalkEntry& folder);
// Overwrites a file with 0xFF, then 0x00 bytes, each pass flushed; the file stays.
bool ShredOpenFile(WalkEntry& file);
// Overwrites everything after the first 64 bytes of a file that others hold with zeros.
int WipeOpenIndexFile(WalkEntry& file);
bool ClearOpenReadOnly(WalkEntry& file);

// The same by path, the file admitted as a walk admits it. RemoveOneFile throws CFileException
// naming the path that is still there when the file could not be removed.
void RemoveOneFile(const std::string& path, bool mayShred = true);
// -1 when the file cannot be opened, else 1.
int ShredFile(const std::string& path);
// 0 when the file cannot be opened, else 1.
int WipeIndexFile(const std::string& path);
// The file's size in kilobytes; 0 when its status cannot be read.
float GetFileSizeKB(const std::string& path);
float BytesToKB(unsigned long long bytes);
