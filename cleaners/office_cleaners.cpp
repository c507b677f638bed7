#include <windows.h>
#include "framework/registry_values.h"
#include <string>
#include "cleaners/application_cleaners.h"
#include "engine/registry_ops.h"
#include "engine/sweep_finder.h"
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"

namespace {

constexpr int kStatus = kStatusApplications;
constexpr const char* kOfficeKey = "Software\\Microsoft\\Office";

// What a row's key holds: the application's recent list (values by prefix), a dialog or file list
// (CleanOfficeCommon), or one subkey per signed-in account, each with its own two lists.
enum class OfficeKey { RecentList, Common, Accounts };

struct OfficeRow {
    const char* version;
    const char* path;  // below the Office key
    OfficeKey kind;
};

struct OfficeApplication {
    const char* startLine;
    const char* name;
    const char* prefix;
    const char* secondPrefix;  // null for one prefix
    const OfficeRow* rows;
    size_t count;
};

// The lists that every signed-in account's subkey of "User MRU" holds.
const char* const kAccountLists[] = {"File MRU", "Place MRU"};

const OfficeRow kWordRows[] = {
    {"8.0", "8.0\\Word\\Data", OfficeKey::RecentList},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft Word\\Settings\\Create New Document\\File Name MRU", OfficeKey::Common},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft Word\\Settings\\Insert Subdocument\\File Name MRU", OfficeKey::Common},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft Word\\Settings\\Link to File\\File Name MRU", OfficeKey::Common},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft Word\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft Word\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\Word\\Data", OfficeKey::RecentList},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft Word\\Settings\\Create New Document\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft Word\\Settings\\Insert Subdocument\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft Word\\Settings\\Link to File\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft Word\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft Word\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\Word\\Data", OfficeKey::RecentList},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft Word\\Settings\\Create New Document\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft Word\\Settings\\Insert Subdocument\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft Word\\Settings\\Link to File\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft Word\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft Word\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    // Office 2003 names its dialogs "Microsoft Office Word", as its Access and PowerPoint rows do.
    {"11.0", "11.0\\Word\\Data", OfficeKey::RecentList},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Create New Document\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Insert Subdocument\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Link to File\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Word\\File MRU", OfficeKey::Common},
    // From Word 2007 on, "Data" holds Word's options; the recent list is the "File MRU".
    {"12.0", "12.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\New", OfficeKey::Common},
    {"12.0", "12.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Insert Picture", OfficeKey::Common},
    {"12.0", "12.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Open", OfficeKey::Common},
    {"12.0", "12.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Save As", OfficeKey::Common},
    {"12.0", "12.0\\Word\\File MRU", OfficeKey::Common},
    {"14.0", "14.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\New", OfficeKey::Common},
    {"14.0", "14.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Insert Picture", OfficeKey::Common},
    {"14.0", "14.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Open", OfficeKey::Common},
    {"14.0", "14.0\\Common\\Open Find\\Microsoft Office Word\\Settings\\Save As", OfficeKey::Common},
    {"14.0", "14.0\\Word\\File MRU", OfficeKey::Common},
    {"14.0", "14.0\\Word\\Place MRU", OfficeKey::Common},
    {"15.0", "15.0\\Word\\File MRU", OfficeKey::Common},
    {"15.0", "15.0\\Word\\Place MRU", OfficeKey::Common},
    {"15.0", "15.0\\Word\\User MRU", OfficeKey::Accounts},
    {"16.0", "16.0\\Word\\File MRU", OfficeKey::Common},
    {"16.0", "16.0\\Word\\Place MRU", OfficeKey::Common},
    {"16.0", "16.0\\Word\\User MRU", OfficeKey::Accounts},
};

const OfficeRow kExcelRows[] = {
    {"8.0", "8.0\\Excel\\Recent Files", OfficeKey::RecentList},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft Excel\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft Excel\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\Excel\\Recent Files", OfficeKey::RecentList},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft Excel\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft Excel\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\Excel\\Recent Files", OfficeKey::RecentList},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft Excel\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft Excel\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Excel\\Recent Files", OfficeKey::RecentList},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Excel\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Excel\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Excel\\File MRU", OfficeKey::Common},
    {"12.0", "12.0\\Excel\\Recent Files", OfficeKey::RecentList},
    {"12.0", "12.0\\Common\\Open Find\\Microsoft Office Excel\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"12.0", "12.0\\Common\\Open Find\\Microsoft Office Excel\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"12.0", "12.0\\Excel\\File MRU", OfficeKey::Common},
    {"14.0", "14.0\\Excel\\Recent Files", OfficeKey::RecentList},
    {"14.0", "14.0\\Common\\Open Find\\Microsoft Office Excel\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"14.0", "14.0\\Common\\Open Find\\Microsoft Office Excel\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"14.0", "14.0\\Excel\\File MRU", OfficeKey::Common},
    {"14.0", "14.0\\Excel\\Place MRU", OfficeKey::Common},
    {"15.0", "15.0\\Excel\\File MRU", OfficeKey::Common},
    {"15.0", "15.0\\Excel\\Place MRU", OfficeKey::Common},
    {"15.0", "15.0\\Excel\\User MRU", OfficeKey::Accounts},
    {"16.0", "16.0\\Excel\\File MRU", OfficeKey::Common},
    {"16.0", "16.0\\Excel\\Place MRU", OfficeKey::Common},
    {"16.0", "16.0\\Excel\\User MRU", OfficeKey::Accounts},
};

const OfficeRow kAccessRows[] = {
    {"8.0", "8.0\\Access\\Settings", OfficeKey::RecentList},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft Access\\Settings\\Convert Database Into\\File Name MRU", OfficeKey::Common},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft Access\\Settings\\File New Database\\File Name MRU", OfficeKey::Common},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft Access\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\Access\\Settings", OfficeKey::RecentList},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft Access\\Settings\\Convert Database Into\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft Access\\Settings\\File New Database\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft Access\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\Access\\Settings", OfficeKey::RecentList},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft Access\\Settings\\Convert Database Into\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft Access\\Settings\\File New Database\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft Access\\Settings\\Open\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Access\\Settings", OfficeKey::RecentList},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Office Access\\Settings\\Convert Database Into\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Office Access\\Settings\\New\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Office Access\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"12.0", "12.0\\Access\\Settings", OfficeKey::RecentList},
    {"12.0", "12.0\\Common\\Open Find\\Microsoft Office Access\\Settings\\Convert Database Into\\File Name MRU", OfficeKey::Common},
    {"12.0", "12.0\\Common\\Open Find\\Microsoft Office Access\\Settings\\New\\File Name MRU", OfficeKey::Common},
    {"12.0", "12.0\\Common\\Open Find\\Microsoft Office Access\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"14.0", "14.0\\Access\\Settings", OfficeKey::RecentList},
    {"14.0", "14.0\\Common\\Open Find\\Microsoft Office Access\\Settings\\Convert Database Into\\File Name MRU", OfficeKey::Common},
    {"14.0", "14.0\\Common\\Open Find\\Microsoft Office Access\\Settings\\New\\File Name MRU", OfficeKey::Common},
    {"14.0", "14.0\\Common\\Open Find\\Microsoft Office Access\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"15.0", "15.0\\Access\\File MRU", OfficeKey::Common},
    {"15.0", "15.0\\Access\\Place MRU", OfficeKey::Common},
    {"15.0", "15.0\\Access\\User MRU", OfficeKey::Accounts},
    {"16.0", "16.0\\Access\\File MRU", OfficeKey::Common},
    {"16.0", "16.0\\Access\\Place MRU", OfficeKey::Common},
    {"16.0", "16.0\\Access\\User MRU", OfficeKey::Accounts},
};

const OfficeRow kPowerPointRows[] = {
    {"8.0", "8.0\\PowerPoint\\Recent File List", OfficeKey::RecentList},
    {"8.0", "8.0\\Common\\Open Find\\Microsoft PowerPoint\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"9.0", "9.0\\PowerPoint\\Recent File List", OfficeKey::RecentList},
    {"9.0", "9.0\\Common\\Open Find\\Microsoft PowerPoint\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"10.0", "10.0\\PowerPoint\\Recent File List", OfficeKey::RecentList},
    {"10.0", "10.0\\Common\\Open Find\\Microsoft PowerPoint\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\PowerPoint\\Recent File List", OfficeKey::RecentList},
    {"11.0", "11.0\\Common\\Open Find\\Microsoft Office PowerPoint\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"11.0", "11.0\\PowerPoint\\File MRU", OfficeKey::Common},
    {"12.0", "12.0\\PowerPoint\\Recent File List", OfficeKey::RecentList},
    {"12.0", "12.0\\Common\\Open Find\\Microsoft Office PowerPoint\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"12.0", "12.0\\PowerPoint\\File MRU", OfficeKey::Common},
    {"14.0", "14.0\\PowerPoint\\Recent File List", OfficeKey::RecentList},
    {"14.0", "14.0\\Common\\Open Find\\Microsoft Office PowerPoint\\Settings\\Save As\\File Name MRU", OfficeKey::Common},
    {"14.0", "14.0\\PowerPoint\\File MRU", OfficeKey::Common},
    {"14.0", "14.0\\PowerPoint\\Place MRU", OfficeKey::Common},
    {"15.0", "15.0\\PowerPoint\\File MRU", OfficeKey::Common},
    {"15.0", "15.0\\PowerPoint\\Place MRU", OfficeKey::Common},
    {"15.0", "15.0\\PowerPoint\\User MRU", OfficeKey::Accounts},
    {"16.0", "16.0\\PowerPoint\\File MRU", OfficeKey::Common},
    {"16.0", "16.0\\PowerPoint\\Place MRU", OfficeKey::Common},
    {"16.0", "16.0\\PowerPoint\\User MRU", OfficeKey::Accounts},
};

const OfficeApplication kWord{"Start clean up historical records on MS Office Word.\n", "Word", "Settings", nullptr,
                              kWordRows, std::size(kWordRows)};
const OfficeApplication kExcel{"Start clean up historical records on MS Office Excel.\n", "Excel", "File", nullptr,
                               kExcelRows, std::size(kExcelRows)};
const OfficeApplication kAccess{"Start clean up historical records on MS Office Access.\n", "Access", "MRU",
                                "MRUFlags", kAccessRows, std::size(kAccessRows)};
const OfficeApplication kPowerPoint{"Start clean up historical records on MS Office PowerPoint.\n", "PowerPoint", "File",
                                    nullptr, kPowerPointRows, std::size(kPowerPointRows)};

// The Office recent shortcuts, in the folders the shell folder values name. Office has kept them
// in the roaming application data since Office 2000; the local row is the older place.
struct ShortcutRow {
    const char* shellFolder;
    const char* pattern;
};
const ShortcutRow kWordShortcutRows[] = {
    {"Local AppData", "\\Microsoft\\Office\\Recent\\*.lnk"},
    {"AppData", "\\Microsoft\\Office\\Recent\\*.lnk"},
};

void CleanCommonKey(const CRegistryKey& parent, const std::string& path, const char* subPath, int* counter, float* kb)
{
    CRegistryKey key(parent.OpenSubKey(subPath), parent.Access());
    if (!key.Handle()) return;
    key.SetPath(path);
    CleanTarget target;
    target.key = &key;
    CleanOfficeCommon(target, kStatus, counter, kb);
}

void CleanAccounts(CRegistryKey& users, const std::string& path, int* counter, float* kb)
{
    std::string account;
    while (NextSweptSubKey(users, account)) {
        CRegistryKey accountKey(users.OpenSubKey(account.c_str()), users.Access());
        if (!accountKey.Handle()) continue;
        for (const char* list : kAccountLists)
            CleanCommonKey(accountKey, path + "\\" + account + "\\" + list, list, counter, kb);
    }
}

void CleanRow(const OfficeApplication& app, const CRegistryKey& office, const OfficeRow& row, int* counter, float* kb)
{
    CRegistryKey key(office.OpenSubKey(row.path), office.Access());
    if (!key.Handle()) return;
    key.SetPath(row.path);
    switch (row.kind) {
    case OfficeKey::RecentList:
        DeleteValuesByPrefixes(key, app.prefix, app.secondPrefix, kStatus, counter, kb);
        break;
    case OfficeKey::Common: {
        CleanTarget target;
        target.key = &key;
        CleanOfficeCommon(target, kStatus, counter, kb);
        break;
    }
    case OfficeKey::Accounts:
        CleanAccounts(key, row.path, counter, kb);
        break;
    }
}

void CleanWordShortcuts(int* counter, float* kb)
{
    CRegistryKey folders(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    if (!folders.Handle()) return;
    LogLine("Clean up recent files for Word.\n", kStatusLogOnly);
    for (const ShortcutRow& row : kWordShortcutRows) {
        const std::string folder = ReadPathValue(folders, row.shellFolder);
        if (folder.empty()) continue;
        try {
            CSweepFinder finder(folder + row.pattern, DeepSweepOn());
            finder.RemoveFiles(kStatus, counter, kb);
        } catch (const std::exception&) {
            // A failed walk ends this folder only.
        }
    }
}

// False when Office has no key at all.
bool CleanOfficeApplication(const OfficeApplication& app, int* counter, float* kb)
{
    LogLine(app.startLine, kStatusLogOnly);
    CRegistryKey office(HKEY_CURRENT_USER, kOfficeKey, kKeyChange);
    if (!office.Handle()) return false;
    std::string version;
    for (size_t i = 0; i < app.count; ++i) {
        const OfficeRow& row = app.rows[i];
        if (version != row.version) {
            version = row.version;
            char line[kLineBufferSize];
            FormatLogLine(line, sizeof line, "Clean up %s %s.\n", app.name, row.version);
            LogLine(line, kStatusLogOnly);
        }
        CleanRow(app, office, row, counter, kb);
    }
    return true;
}

}  // namespace

void CleanWord(int* counter, float* kb)
{
    if (CleanOfficeApplication(kWord, counter, kb)) CleanWordShortcuts(counter, kb);
}

void CleanExcel(int* counter, float* kb) { CleanOfficeApplication(kExcel, counter, kb); }
void CleanAccess(int* counter, float* kb) { CleanOfficeApplication(kAccess, counter, kb); }
void CleanPowerPoint(int* counter, float* kb) { CleanOfficeApplication(kPowerPoint, counter, kb); }
