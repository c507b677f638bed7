#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Terse helpers to build file trees in a scratch folder and to assert on them.
namespace files {
void MakeDirs(const std::string& folder);
void Write(const std::string& path, const std::string& content, bool flush = false);
void WriteSized(const std::string& path, uint64_t size, char fill = 'x');  // sparse past 1 MB
std::string Read(const std::string& path);
std::string ReadAt(const std::string& path, uint64_t offset, size_t length);
void WriteAt(const std::string& path, uint64_t offset, const std::string& content);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
uint64_t Size(const std::string& path);
// Names directly inside a folder, sorted, without "." and "..".
std::vector<std::string> List(const std::string& folder);
// A folder link made on the Linux side, as a user's junction or symbolic link would be.
bool MakeFolderLink(const std::string& link, const std::string& target);
// The same to a target that is not there.
bool MakeDanglingLink(const std::string& link, const std::string& target);
// Removes such a link and nothing behind it.
bool RemoveLink(const std::string& link);
// The Linux path of a Windows path.
std::string UnixPath(const std::string& path);
}  // namespace files
