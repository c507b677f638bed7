#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "framework/registry_key.h"

// Values read by their type: a number only from a REG_DWORD, a text only from a REG_SZ or
// REG_EXPAND_SZ. A value of another type is treated as absent (with a trace): a REG_SZ "255" is not
// the number 0x00353532.
bool ReadNumberValue(const CRegistryKey& key, const char* name, uint32_t& number);
// Fails too when the text does not fit in `capacity` bytes.
bool ReadTextValue(const CRegistryKey& key, const char* name, size_t capacity, std::string& text);
// A text value that names a path, environment references expanded; empty when it is absent, of
// another type, or too long.
std::string ReadPathValue(const CRegistryKey& key, const char* name);
// The texts of a REG_MULTI_SZ value; false when it is absent, of another type, or longer than `capacity`.
bool ReadTextListValue(const CRegistryKey& key, const char* name, size_t capacity, std::vector<std::string>& texts);
// What reading a value found: no such value, the value, or a value that is there but could not be read
// as its kind (another type, a failed read).
enum class ValueRead { Absent, Read, Unreadable };
// The texts of a REG_MULTI_SZ value whatever its size, every text between NULs (empty ones skipped, so
// that a stray NUL hides none after it).
ValueRead ReadWholeTextList(const CRegistryKey& key, const char* name, std::vector<std::string>& texts);
// Environment references of a path expanded; empty when the result would not fit a path buffer.
std::string ExpandPath(const std::string& path);

// A text is stored as REG_SZ without its terminating NUL, as every text of the settings is.
bool WriteTextValue(const CRegistryKey& key, const char* name, const std::string& text);
bool WriteNumberValue(const CRegistryKey& key, const char* name, uint32_t number);
// A list of texts as REG_MULTI_SZ: each text with its NUL, then one more (an empty list is that NUL alone).
bool WriteTextListValue(const CRegistryKey& key, const char* name, const std::vector<std::string>& texts);
