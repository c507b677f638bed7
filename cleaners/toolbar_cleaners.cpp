#include <windows.h>
#include "framework/registry_values.h"
#include <string>
#include <vector>
#include "framework/trace.h"
#include "cleaners/internet_cleaners.h"
#include "engine/profile_walk.h"
#include "engine/registry_ops.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "framework/registry_key.h"

namespace {

constexpr int kStatus = kStatusInternet;
constexpr const char* kMsnKey = "SOFTWARE\\Microsoft\\MSN Toolbar";
constexpr const char* kGoogleKey = "SOFTWARE\\Google\\NavClient";
constexpr const char* kAolKey = "SOFTWARE\\America Online\\America Online\\CurrentVersion\\";

// Below DDPath, in this order: the organize folder's ".ARL" and ".AUT" files and its cache's files.
const char* const kAolPatterns[] = {"\\organize\\*.ARL", "\\organize\\*.AUT", "\\organize\\CACHE\\*.*"};

// Every value of a version's History key but "(Default)"; one item for each value deleted.
void CleanGoogleHistory(const std::string& version, int* counter)
{
    CRegistryKey history(HKEY_CURRENT_USER, std::string(kGoogleKey) + "\\" + version + "\\History", kKeyChange);
    if (!history.Handle()) return;
    std::vector<BYTE> data(history.m_maxValueLen ? history.m_maxValueLen + 1 : 257, 0);
    std::string name;
    for (;;) {
        DWORD size = static_cast<DWORD>(data.size()), type = 0;
        if (!NextSweptValue(history, name, data.data(), &size, &type)) break;
        if (name == "(Default)") continue;
        if (!Actions().DeleteValue(history.Handle(), name.c_str())) {
            TraceMessage("Cannot delete value %s of %s\n", name.c_str(), history.Path().c_str());
            continue;
        }
        StepBackAfterRemoval(history.m_valueIndex);
        if (counter) ++*counter;
    }
}

void CleanGoogleVersions(HKEY hive, int* counter)
{
    CRegistryKey versions(hive, kGoogleKey);
    if (!versions.Handle()) return;
    std::string version;
    while (NextSweptSubKey(versions, version)) CleanGoogleHistory(version, counter);
}

}  // namespace

// Writes no line: the emptied search words show in the totals only.
void CleanMsnToolbar(int* counter, float*)
{
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        CRegistryKey key(hive, kMsnKey, kKeyChange);
        if (!key.Handle()) continue;
        const bool done = Actions().SetValue(key.Handle(), "SearchStrings", REG_SZ, "", 0);
        if (done && hive == HKEY_CURRENT_USER && counter) ++*counter;
    }
}

// Versions registered for the user, then for the machine; every history lives under the user.
void CleanGoogleToolbar(int* counter, float*)
{
    CleanGoogleVersions(HKEY_CURRENT_USER, counter);
    CleanGoogleVersions(HKEY_LOCAL_MACHINE, counter);
}

void CleanAol(int* counter, float* kb)
{
    CRegistryKey key(HKEY_LOCAL_MACHINE, kAolKey);
    if (!key.Handle()) return;
    // The data folder must be a folder of its own: an empty value or a drive root names none.
    std::string base = ReadPathValue(key, "DDPath");
    while (!base.empty() && base.back() == '\\') base.pop_back();
    if (!StartFolder(base)) return;
    for (const char* pattern : kAolPatterns) {
        try {
            CSweepFinder finder(base + pattern, DeepSweepOn());
            finder.RemoveFiles(kStatus, counter, kb);
        } catch (const std::exception&) {
            // A failed walk ends this pattern only.
        }
    }
}
