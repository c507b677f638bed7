#include "framework/registry_values.h"
#include <algorithm>
#include <cstring>
#include <vector>
#include "framework/trace.h"

namespace {

constexpr size_t kPathCapacity = 1024;

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

}  // namespace

bool ReadNumberValue(const CRegistryKey& key, const char* name, uint32_t& number)
{
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!key.QueryValue(name, &value, &size, &type)) return false;
    if (type != REG_DWORD || size != sizeof value) {
        TraceMessage("Value %s of %s is not a REG_DWORD; read as absent.\n", name, key.Path().c_str());
        return false;
    }
    number = value;
    return true;
}

bool ReadTextValue(const CRegistryKey& key, const char* name, size_t capacity, std::string& text)
{
    // One spare byte, so that a value filling the whole buffer without a NUL can still be terminated.
    std::vector<char> buffer(capacity + 1, '\0');
    DWORD size = static_cast<DWORD>(capacity);
    DWORD type = REG_NONE;
    if (!key.QueryValue(name, buffer.data(), &size, &type)) return false;
    if (!IsText(type)) {
        TraceMessage("Value %s of %s is not a text; read as absent.\n", name ? name : "", key.Path().c_str());
        return false;
    }
    buffer[std::min<size_t>(size, capacity)] = '\0';
    text.assign(buffer.data());
    return true;
}

bool ReadTextListValue(const CRegistryKey& key, const char* name, size_t capacity, std::vector<std::string>& texts)
{
    std::vector<char> buffer(capacity + 2, '\0');  // room for the two closing NULs a writer may have left out
    DWORD size = static_cast<DWORD>(capacity);
    DWORD type = REG_NONE;
    if (!key.QueryValue(name, buffer.data(), &size, &type)) return false;
    if (type != REG_MULTI_SZ) {
        TraceMessage("Value %s of %s is not a REG_MULTI_SZ; read as absent.\n", name, key.Path().c_str());
        return false;
    }
    texts.clear();
    const char* end = buffer.data() + std::min<size_t>(size, capacity);
    for (const char* text = buffer.data(); text < end && *text; text += strlen(text) + 1) texts.emplace_back(text);
    return true;
}

ValueRead ReadWholeTextList(const CRegistryKey& key, const char* name, std::vector<std::string>& texts)
{
    if (!key.Handle()) return ValueRead::Absent;
    // The size asked first may have grown by the read; a few rounds settle it.
    std::vector<char> buffer;
    for (int round = 0; round < 4; ++round) {
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(buffer.size());
        const LONG status = RegQueryValueExA(key.Handle(), name, nullptr, &type,
                                             buffer.empty() ? nullptr : reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_FILE_NOT_FOUND) return ValueRead::Absent;
        if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && buffer.empty() && size > 0)) {
            buffer.assign(static_cast<size_t>(size) + 2, '\0');
            continue;
        }
        if (status != ERROR_SUCCESS || type != REG_MULTI_SZ) {
            TraceMessage("Value %s of %s is not a readable REG_MULTI_SZ (error %ld, type %lu).\n", name,
                         key.Path().c_str(), status, type);
            return ValueRead::Unreadable;
        }
        texts.clear();
        const char* const end = buffer.data() + std::min<size_t>(size, buffer.size());
        for (const char* text = buffer.data(); text < end;) {
            const char* const stop = std::find(text, end, '\0');
            if (stop > text) texts.emplace_back(text, stop);
            text = stop + 1;
        }
        return ValueRead::Read;
    }
    TraceMessage("Value %s of %s kept changing while it was read.\n", name, key.Path().c_str());
    return ValueRead::Unreadable;
}

std::string ExpandPath(const std::string& path)
{
    char expanded[kPathCapacity];
    const DWORD n = ExpandEnvironmentStringsA(path.c_str(), expanded, sizeof expanded);
    if (n == 0 || n >= sizeof expanded) {
        TraceMessage("Path buffer is not enough.\n");
        return {};
    }
    return expanded;
}

std::string ReadPathValue(const CRegistryKey& key, const char* name)
{
    std::string raw;
    if (!ReadTextValue(key, name, kPathCapacity, raw)) return {};
    return ExpandPath(raw);
}

bool WriteTextValue(const CRegistryKey& key, const char* name, const std::string& text)
{
    return key.SetValue(name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

bool WriteNumberValue(const CRegistryKey& key, const char* name, uint32_t number)
{
    return key.SetValue(name, REG_DWORD, &number, sizeof number);
}

bool WriteTextListValue(const CRegistryKey& key, const char* name, const std::vector<std::string>& texts)
{
    std::string data;
    for (const std::string& text : texts) data.append(text).push_back('\0');
    data.push_back('\0');
    return key.SetValue(name, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size()));
}
