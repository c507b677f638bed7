#include "engine/cookie_database.h"
#include <algorithm>
#include <string>
#include "engine/file_removal.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_lines.h"
#include "engine/sweep_log.h"
#include "framework/file.h"
#include "framework/sqlite_database.h"
#include "framework/trace.h"

namespace {

constexpr const char* kFriendlyFunction = "ombrix_friendly";
constexpr const char* kCompanions[] = {"-journal", "-wal", "-shm"};

// A companion the library would open by name must be a plain file of the folder with one name: a
// link there (even one that leads nowhere yet) would let its writes land on another file. The
// folder's listing tells what is there, whatever it is.
bool CompanionsArePlain(const ReachedEntry& folder, const ReachedEntry& file)
{
    const std::vector<ListedEntry> listed = ListWalkFolder(folder.AsFolder());
    for (const char* suffix : kCompanions) {
        const std::wstring name = FileSystem::Widen(file.name + suffix);
        const bool there = std::any_of(listed.begin(), listed.end(), [&](const ListedEntry& entry) {
            return CompareStringOrdinal(entry.wideName.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
        });
        if (!there) continue;
        const std::optional<ReachedEntry> companion = Reach(folder, file.name + suffix);
        FileIdentity identity;
        if (!companion || companion->IsFolder() || !companion->handle->Identify(identity, true) || identity.links > 1) {
            TraceMessage("   Left %s: its %s is not a plain file of its folder.\n", file.path.c_str(), suffix);
            return false;
        }
    }
    return true;
}

bool SameFileOpened(const CSqliteDatabase& db, const FileIdentity& admitted)
{
    FileIdentity opened;
    const HANDLE handle = db.FileHandle();
    return handle != INVALID_HANDLE_VALUE && FileSystem::IdentifyOpen(handle, opened, true) &&
           opened.SameEntry(admitted);
}

unsigned long long OpenedSize(const CSqliteDatabase& db)
{
    LARGE_INTEGER size{};
    const HANDLE handle = db.FileHandle();
    return handle != INVALID_HANDLE_VALUE && GetFileSizeEx(handle, &size) ? size.QuadPart : 0;
}

std::string CountQuery(const CookieTable& table, const char* where)
{
    return std::string("SELECT count(*) FROM \"") + table.table + "\"" + where;
}

// The rows a friendly site keeps and the rows that go; none when the database has no such table
// and column or cannot be read.
struct CookieCounts {
    int64_t kept;
    int64_t going;
};
std::optional<CookieCounts> CountCookies(CSqliteDatabase& db, const CookieTable& table)
{
    const std::string columns = std::string("SELECT count(*) FROM pragma_table_info('") + table.table +
                                "') WHERE name = '" + table.hostColumn + "'";
    if (QueryNumber(db, columns.c_str()) != 1) return std::nullopt;
    const std::string keep = std::string(" WHERE ") + kFriendlyFunction + "(\"" + table.hostColumn + "\")";
    const int64_t kept = QueryNumber(db, CountQuery(table, keep.c_str()).c_str());
    const int64_t all = QueryNumber(db, CountQuery(table, "").c_str());
    if (kept < 0 || all < kept) return std::nullopt;
    return CookieCounts{kept, all - kept};
}

void LogCookieLine(const std::string& path, int statusId, int* counter, const CookieCounts& counts, float kb)
{
    const ItemLine& line = SweepLine::kDeleteCookies;
    int item = 0;
    if (counter) {
        *counter += static_cast<int>(counts.going);
        item = *counter;
        LogLine(FormatLine(line.counted, item, static_cast<int>(counts.going), path.c_str(),
                           static_cast<int>(counts.kept)).c_str(), statusId);
    } else {
        LogLine(FormatLine(line.plain, static_cast<int>(counts.going), path.c_str(), static_cast<int>(counts.kept)).c_str(),
                kStatusLogOnly);
    }
    EmitItemEvent(line, statusId, item, path, kb);
}

}  // namespace

std::vector<std::string> CookieHosts(const std::string& path, const CookieTable& table)
{
    std::vector<std::string> hosts;
    CSqliteDatabase db(path, CSqliteDatabase::Mode::ReadOnly);
    const std::string query = std::string("SELECT DISTINCT \"") + table.hostColumn + "\" FROM \"" + table.table + "\"";
    CSqliteStatement rows(db, query.c_str());
    while (rows.Step()) hosts.push_back(rows.Text(0));
    return hosts;
}

void CleanCookieDatabase(const ReachedEntry& folder, ReachedEntry& file, const CookieTable& table,
                         const FriendlySites& sites, int statusId, int* counter, float* kb)
{
    // The walk's own handle would keep the library out; a program's handle does the same, and then
    // the database stays as it is.
    if (file.handle->Hold() != EntryHold::Alone) return LogLeft(statusId, "delete-cookies", file.path, "in use");
    FileIdentity admitted;
    if (!file.handle->Identify(admitted, true) || admitted.links > 1 || !CompanionsArePlain(folder, file)) return;
    file.handle->Close();
    const bool previewing = Actions().Previewing();
    CSqliteDatabase db(file.path, previewing ? CSqliteDatabase::Mode::ReadOnly : CSqliteDatabase::Mode::ReadWrite);
    if (!db || !SameFileOpened(db, admitted)) {
        TraceMessage("   Left %s: it did not open as the file its folder lists.\n", file.path.c_str());
        return;
    }
    db.AddPredicate(kFriendlyFunction, [&sites](const char* host) { return IsFriendlyHost(host, sites); });
    // Exclusive from the start, so that no browser starting meanwhile writes between the count and the
    // delete. (Not the exclusive locking mode: it would keep the journal, old rows and all.)
    if (!db.Execute(previewing ? "BEGIN" : "BEGIN EXCLUSIVE")) {
        if (db.Busy()) return LogLeft(statusId, "delete-cookies", file.path, "in use");
        TraceMessage("   Left %s: %s.\n", file.path.c_str(), db.Error().c_str());
        return;
    }
    const std::optional<CookieCounts> counts = CountCookies(db, table);
    if (!counts) {
        TraceMessage("   Left %s: no cookie table in it (%s).\n", file.path.c_str(), db.Error().c_str());
        return;
    }
    if (counts->going == 0) return;
    const unsigned long long before = OpenedSize(db);
    if (!Actions().DeleteCookieRows(db, file.path, table.table, table.hostColumn, kFriendlyFunction)) {
        TraceMessage("   Left %s: %s.\n", file.path.c_str(), db.Error().c_str());
        return LogLeft(statusId, "delete-cookies", file.path, "the database refused the change");
    }
    const unsigned long long after = previewing ? before : OpenedSize(db);
    const float shrinkage = after < before ? BytesToKB(before - after) : 0.0f;
    LogCookieLine(file.path, statusId, counter, *counts, shrinkage);
    if (kb) *kb += shrinkage;
}
