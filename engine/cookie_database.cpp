#include "engine/cookie_database.h"
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include "engine/file_removal.h"
#include "engine/sweep_actions.h"
#include "engine/sweep_lines.h"
#include "engine/sweep_log.h"
#include "framework/file.h"
#include "framework/sqlite_database.h"
#include "framework/trace.h"

namespace {

constexpr const char* kFriendlyFunction = "ombrix_friendly";
constexpr const char* kUnknownShape = "not a cookie database Ombrix knows";
// A browser's cookies take a few megabytes; a preview holds the database and its companions in memory.
constexpr unsigned long long kLargestDatabase = 256ull << 20;

// The companions the library would open by name beside a database, as the walk admitted them.
struct Companions {
    std::optional<ReachedEntry> journal;
    std::optional<ReachedEntry> wal;
    unsigned long long bytes = 0;  // the journal's, the WAL's and the wal-index's
};

// Each companion must be a plain file of the folder with one name: a link there (even one that leads
// nowhere yet) would let the library's writes land on another file. The folder's listing tells what
// is there, whatever it is. Nothing, with the reason, when one is not.
std::optional<Companions> AdmitCompanions(const ReachedEntry& folder, const ReachedEntry& file, std::string& why)
{
    const std::vector<ListedEntry> listed = ListWalkFolder(folder.AsFolder());
    Companions companions;
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const std::wstring name = FileSystem::Widen(file.name + suffix);
        const bool there = std::any_of(listed.begin(), listed.end(), [&](const ListedEntry& entry) {
            return CompareStringOrdinal(entry.wideName.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
        });
        if (!there) continue;
        std::optional<ReachedEntry> companion = Reach(folder, file.name + suffix);
        unsigned long long bytes = 0;
        DWORD links = 0;
        if (!companion || companion->IsFolder() || !companion->handle->Size(bytes, links) || links > 1) {
            why = std::string("its ") + suffix + " is not a plain file of its folder";
            return std::nullopt;
        }
        companions.bytes += bytes;
        companion->handle->Close();  // it held the file alone, and would keep out the library and a reader
        if (suffix[1] == 'j') companions.journal = std::move(companion);
        if (suffix[1] == 'w') companions.wal = std::move(companion);
    }
    return companions;
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

// A companion's bytes as they lie; true when there is none.
bool ReadCompanion(const std::optional<ReachedEntry>& companion, std::optional<std::vector<unsigned char>>& bytes)
{
    if (!companion) return true;
    bytes.emplace();
    return ReadEntryContent(*companion, *bytes, kLargestDatabase);
}

// The database and its companions copied into memory, each read through a handle that must reach the
// entry the walk admitted. Null when one cannot be read.
std::unique_ptr<CSqliteDatabase> OpenCopy(ReachedEntry& file, const Companions& companions)
{
    file.handle->Close();  // it holds the file alone
    SqliteImage image;
    if (!ReadEntryContent(file, image.database, kLargestDatabase) || !ReadCompanion(companions.journal, image.journal) ||
        !ReadCompanion(companions.wal, image.wal))
        return nullptr;
    auto db = std::make_unique<CSqliteDatabase>(std::move(image));
    return *db ? std::move(db) : nullptr;
}

// For a sweep: the file itself, opened by the library, which must reach the file the walk admitted.
// The walk's own handle would keep the library out, and is closed. Null when it is another file.
std::unique_ptr<CSqliteDatabase> OpenFile(ReachedEntry& file, const FileIdentity& admitted)
{
    file.handle->Close();
    auto db = std::make_unique<CSqliteDatabase>(file.path, CSqliteDatabase::Mode::ReadWrite);
    return *db && SameFileOpened(*db, admitted) ? std::move(db) : nullptr;
}

// The shape a browser writes: every entry of the schema an ordinary table or an index as SQLite itself
// writes them (no trigger, view or virtual table anywhere in the file), and the cookie table a rowid
// table with the browser's columns.
bool KnownShape(CSqliteDatabase& db, const CookieTable& table)
{
    const int64_t others = QueryNumber(
        db, "SELECT count(*) FROM sqlite_schema WHERE NOT (sql IS NULL AND type = 'index' OR sql GLOB 'CREATE TABLE *'"
            " OR sql GLOB 'CREATE INDEX *' OR sql GLOB 'CREATE UNIQUE INDEX *')");
    const std::string kind = std::string("SELECT count(*) FROM pragma_table_list WHERE schema = 'main' AND name = '") +
                             table.table + "' COLLATE NOCASE AND type = 'table' AND wr = 0";
    std::string columns = std::string("SELECT count(*) FROM pragma_table_info('") + table.table + "') WHERE lower(name) IN (";
    for (size_t i = 0; i < table.columns.size(); ++i) columns += std::string(i ? ", '" : "'") + table.columns[i] + "'";
    return others == 0 && QueryNumber(db, kind.c_str()) == 1 &&
           QueryNumber(db, (columns + ")").c_str()) == static_cast<int64_t>(table.columns.size());
}

// The database a sweep changes, in a transaction: for a preview the copy in memory; else the file
// itself, opened exclusively once its copy showed a shape Ombrix knows. A database of another shape
// is never opened for writing: the library would roll back its journal or fold its WAL into it. Null,
// with the reason, when it stays as it is.
std::unique_ptr<CSqliteDatabase> OpenToChange(ReachedEntry& file, const FileIdentity& admitted,
                                              const Companions& companions, const CookieTable& table, std::string& why)
{
    std::unique_ptr<CSqliteDatabase> db = OpenCopy(file, companions);
    if (!db) {
        why = "it could not be read";
        return nullptr;
    }
    why = kUnknownShape;
    if (!db->Execute("BEGIN") || !KnownShape(*db, table)) return nullptr;
    if (Actions().Previewing()) return db;
    db.reset();
    db = OpenFile(file, admitted);
    if (!db) {
        why = "it did not open as the file its folder lists";
        return nullptr;
    }
    // Exclusive from the start, so that no browser starting meanwhile writes between the check, the
    // count and the delete. (Not the exclusive locking mode: it would keep the journal, old rows and all.)
    if (!db->Execute("BEGIN EXCLUSIVE")) {
        why = db->Busy() ? "in use" : kUnknownShape;
        return nullptr;
    }
    return KnownShape(*db, table) ? std::move(db) : nullptr;  // as the file is now
}

std::string CountQuery(const CookieTable& table, const char* where)
{
    return std::string("SELECT count(*) FROM \"") + table.table + "\"" + where;
}

// The rows a friendly site keeps and the rows that go; none when they cannot be counted.
struct CookieCounts {
    int64_t kept;
    int64_t going;
};
std::optional<CookieCounts> CountCookies(CSqliteDatabase& db, const CookieTable& table)
{
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

void Leave(int statusId, const std::string& path, const std::string& why)
{
    LogLeft(statusId, "delete-cookies", path, why.c_str());
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
    if (file.handle->Hold() != EntryHold::Alone) return Leave(statusId, file.path, "in use");
    FileIdentity admitted;
    if (!file.handle->Identify(admitted, true) || admitted.links > 1)
        return Leave(statusId, file.path, "not a plain file of its folder");
    std::string why;
    const std::optional<Companions> companions = AdmitCompanions(folder, file, why);
    if (!companions) return Leave(statusId, file.path, why);
    unsigned long long size = 0;
    DWORD links = 0;
    if (!file.handle->Size(size, links) || size + companions->bytes > kLargestDatabase)
        return Leave(statusId, file.path, "larger than any browser's cookies");
    const std::unique_ptr<CSqliteDatabase> opened = OpenToChange(file, admitted, *companions, table, why);
    if (!opened) return Leave(statusId, file.path, why);
    CSqliteDatabase& db = *opened;
    db.AddPredicate(kFriendlyFunction, [&sites](const char* host) { return IsFriendlyHost(host, sites); });
    const std::optional<CookieCounts> counts = CountCookies(db, table);
    if (!counts) {
        TraceMessage("   Left %s: %s.\n", file.path.c_str(), db.Error().c_str());
        return Leave(statusId, file.path, kUnknownShape);
    }
    if (counts->going == 0) return;
    const unsigned long long before = OpenedSize(db);
    if (!Actions().DeleteCookieRows(db, file.path, table.table, table.hostColumn, kFriendlyFunction)) {
        TraceMessage("   Left %s: %s.\n", file.path.c_str(), db.Error().c_str());
        return Leave(statusId, file.path, "the database refused the change");
    }
    const unsigned long long after = Actions().Previewing() ? before : OpenedSize(db);
    const float shrinkage = after < before ? BytesToKB(before - after) : 0.0f;
    LogCookieLine(file.path, statusId, counter, *counts, shrinkage);
    if (kb) *kb += shrinkage;
}
