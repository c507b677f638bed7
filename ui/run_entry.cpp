#include "ui/run_entry.h"
#include <windows.h>
#include "engine/sweep_log.h"
#include "framework/registry_key.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"

namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Ombrix.exe";

void Error(const char* text) { MessageBoxA(nullptr, text, "Ombrix", MB_OK | MB_ICONERROR); }

std::string ModulePath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

}  // namespace

std::string QuotedCommandLine(const std::string& commandLine, const std::string& modulePath)
{
    if (commandLine.empty() || commandLine.front() == '"') return commandLine;
    std::string arguments;
    if (commandLine.size() >= modulePath.size() &&
        lstrcmpiA(commandLine.substr(0, modulePath.size()).c_str(), modulePath.c_str()) == 0)
        arguments = commandLine.substr(modulePath.size());
    else if (const size_t blank = commandLine.find(' '); blank != std::string::npos)
        arguments = commandLine.substr(blank);
    return "\"" + modulePath + "\"" + arguments;
}

void UpdateRunEntry(const char* commandLine)
{
    CRegistryKey key(HKEY_CURRENT_USER, kRunKey, kKeyChange);
    if (!key.Handle()) {
        Error("Cannot find registry to register program.");
        return;
    }
    const bool removed = key.DeleteValue(kRunValue);
    if (!(g_generalSettings.Targets & GeneralBit::AutoStart)) {
        if (removed) LogTimedLine("Removed running registry", kStatusLogOnly);
        return;
    }
    const std::string entry = QuotedCommandLine(commandLine ? commandLine : "", ModulePath());
    if (key.SetValue(kRunValue, REG_SZ, entry.c_str(), static_cast<DWORD>(entry.size())))
        LogTimedLine("Setup running registry", kStatusLogOnly);
    else
        Error("Cannot register program to start at logon time.");
}
