#pragma once
#include <windows.h>
#include <map>
#include <string>
#include <vector>

// Small helpers the planted profiles share: registry values, files, and the Linux side of the
// sandbox, where Wine cannot make what a hostile profile needs (links, names Win32 would trim).
void SetRaw(HKEY hive, const std::string& path, const char* name, DWORD type, const std::string& data);
void SetText(HKEY hive, const std::string& path, const char* name, const std::string& text);
void SetNumber(HKEY hive, const std::string& path, const char* name, DWORD n);
void MakeFolders(const std::string& folder);
void WriteFileText(const std::string& path, const std::string& text);
std::string ReadFileText(const std::string& path);
bool Exists(const std::string& path);
// The user's Documents as the shell has it.
std::string UserDocuments();
bool ValueExists(HKEY hive, const std::string& path, const char* name);
bool KeyExists(HKEY hive, const std::string& path);
// The Linux path of a Windows path of the sandbox; empty when Wine cannot tell (or not under Wine).
std::string UnixPathOf(const std::string& path);
// Runs a shell script on the Linux side and waits for its end; false when it could not run.
bool RunUnixScript(const std::string& script);
void MakeFolderLink(const std::string& link, const std::string& target);
// A custom location of Ombrix's Windows settings, at its index.
void PlantCustomLocation(int index, const std::string& folder, const char* filter, DWORD subfolders);
// A registry symbolic link at `link` to the key `target` (created when missing), both below the hive.
bool MakeRegistryLink(HKEY hive, const std::string& link, const std::string& target);
// Removes such a link itself, never its target.
void RemoveRegistryLink(HKEY hive, const std::string& link);

// Files planted with the bytes they were given: traces a sweep must take, canaries it must leave as
// they are.
struct PlantedFiles {
    std::map<std::string, std::string> traces;
    std::map<std::string, std::string> canaries;
    void Trace(const std::string& path, const std::string& bytes);
    void Canary(const std::string& path, const std::string& bytes);
};

// What a check of a planted profile found: traces still there, canaries lost.
struct ProfileCheck {
    std::vector<std::string> problems;
    void Trace(bool present, const std::string& what)
    {
        if (present) problems.push_back("trace left: " + what);
    }
    void Canary(bool present, const std::string& what)
    {
        if (!present) problems.push_back("canary lost: " + what);
    }
};
