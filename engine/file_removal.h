#pragma once
#include <string>

inline constexpr unsigned kShredBlock = 1024;
inline constexpr unsigned kIndexHeader = 64;
inline constexpr unsigned kWipeBlock = 10240;

// The shred name of a file: every character of its name but '.' replaced by 'A' (one 'A' for each
// character, however many bytes it takes in UTF-8).
std::string ShredName(const std::string& path);
// A shred name that no other file has: the file's own path when its name is already its shred name.
std::string FreeShredName(const std::string& path);

// Removes one file; with the Shredder on (and mayShred) it is renamed and overwritten twice first.
// Throws CFileException naming the path that is still there when the file could not be removed.
void RemoveOneFile(const std::string& path, bool mayShred = true);
// Overwrites a file with 0xFF, then 0x00 bytes, each pass flushed to the disk; -1 when it cannot be
// opened, else 1. The file stays.
int ShredFile(const std::string& path);
// Overwrites everything after the first 64 bytes with zeros; 0 when the file cannot be opened, else 1.
int WipeIndexFile(const std::string& path);
// The file's size in kilobytes; 0 when its status cannot be read.
float GetFileSizeKB(const std::string& path);
float BytesToKB(unsigned long long bytes);
