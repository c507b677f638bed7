#pragma once
#include <windows.h>
#include <optional>
#include <string>
#include <vector>

// Terse helpers to build registry trees (any value type, named or default) and to assert on them.
// A name of "" is the key's default value.
namespace reg {
void MakeKey(HKEY root, const std::string& path);
void SetText(HKEY root, const std::string& path, const std::string& name, const std::string& text);
void SetTextNoNul(HKEY root, const std::string& path, const std::string& name, const std::string& text);
void SetNumber(HKEY root, const std::string& path, const std::string& name, DWORD number);
void SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& bytes);
bool KeyExists(HKEY root, const std::string& path);
bool ValueExists(HKEY root, const std::string& path, const std::string& name);
std::optional<std::string> GetRaw(HKEY root, const std::string& path, const std::string& name, DWORD* type = nullptr);
// The text of a value up to its first NUL; empty when it is missing.
std::string GetText(HKEY root, const std::string& path, const std::string& name);
std::optional<DWORD> GetNumber(HKEY root, const std::string& path, const std::string& name);
std::vector<std::string> ValueNames(HKEY root, const std::string& path);
std::vector<std::string> SubKeyNames(HKEY root, const std::string& path);
}  // namespace reg
