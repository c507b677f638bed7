#include "tests/support/registry_tree.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace reg {
namespace {
struct Key {
    HKEY h = nullptr;
    Key(HKEY root, const std::string& path, bool create)
    {
        const LONG r = create ? RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr)
                              : RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &h);
        if (r != ERROR_SUCCESS) h = nullptr;
        if (create && !h) ADD_FAILURE() << "cannot create key " << path;
    }
    ~Key() { if (h) RegCloseKey(h); }
};
}  // namespace

void MakeKey(HKEY root, const std::string& path) { Key k(root, path, true); }

void SetRaw(HKEY root, const std::string& path, const std::string& name, DWORD type, const std::string& bytes)
{
    Key k(root, path, true);
    if (k.h && RegSetValueExA(k.h, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot set " << path << "\\" << name;
}

void SetText(HKEY root, const std::string& path, const std::string& name, const std::string& text)
{
    SetRaw(root, path, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void SetTextNoNul(HKEY root, const std::string& path, const std::string& name, const std::string& text)
{
    SetRaw(root, path, name, REG_SZ, text);
}

void SetNumber(HKEY root, const std::string& path, const std::string& name, DWORD number)
{
    SetRaw(root, path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number));
}

bool KeyExists(HKEY root, const std::string& path) { return Key(root, path, false).h != nullptr; }

std::optional<std::string> GetRaw(HKEY root, const std::string& path, const std::string& name, DWORD* type)
{
    Key k(root, path, false);
    if (!k.h) return std::nullopt;
    DWORD size = 0;
    if (RegQueryValueExA(k.h, name.c_str(), nullptr, type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    std::string data(size, '\0');
    if (RegQueryValueExA(k.h, name.c_str(), nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

bool ValueExists(HKEY root, const std::string& path, const std::string& name)
{
    return GetRaw(root, path, name).has_value();
}

std::string GetText(HKEY root, const std::string& path, const std::string& name)
{
    const auto raw = GetRaw(root, path, name);
    return raw ? std::string(raw->c_str()) : std::string();
}

std::optional<DWORD> GetNumber(HKEY root, const std::string& path, const std::string& name)
{
    const auto raw = GetRaw(root, path, name);
    if (!raw || raw->size() < 4) return std::nullopt;
    DWORD n;
    memcpy(&n, raw->data(), 4);
    return n;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& path)
{
    std::vector<std::string> names;
    Key k(root, path, false);
    for (DWORD i = 0; k.h; ++i) {
        char name[16384];
        DWORD len = sizeof name;
        if (RegEnumValueA(k.h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> SubKeyNames(HKEY root, const std::string& path)
{
    std::vector<std::string> names;
    Key k(root, path, false);
    for (DWORD i = 0; k.h; ++i) {
        char name[512];
        if (RegEnumKeyA(k.h, i, name, sizeof name) != ERROR_SUCCESS) break;
        names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}
}  // namespace reg
