#include "tools/cookie_databases.h"
#include <sqlite3.h>
#include "framework/sqlite_database.h"
#include "tools/profile_tools.h"

namespace {

// Chromium's cookie table (version 24) under a name of its own.
std::string ChromiumTable(const std::string& name, const char* tail = "", const char* options = "")
{
    return "CREATE TABLE " + name +
           "(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, top_frame_site_key TEXT NOT NULL,"
           " name TEXT NOT NULL, value TEXT NOT NULL, encrypted_value BLOB NOT NULL, path TEXT NOT NULL,"
           " expires_utc INTEGER NOT NULL, is_secure INTEGER NOT NULL, is_httponly INTEGER NOT NULL,"
           " last_access_utc INTEGER NOT NULL, has_expires INTEGER NOT NULL, is_persistent INTEGER NOT NULL,"
           " priority INTEGER NOT NULL, samesite INTEGER NOT NULL, source_scheme INTEGER NOT NULL,"
           " source_port INTEGER NOT NULL, last_update_utc INTEGER NOT NULL,"
           " UNIQUE (host_key, top_frame_site_key, name, path, source_scheme, source_port)" +
           tail + ")" + options + ";";
}
const char* const kChromiumMeta =
    "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
    "INSERT INTO meta VALUES('version', '24');"
    "PRAGMA user_version = 24;";
std::string ChromiumInsert(const char* table)
{
    return std::string("INSERT INTO ") + table + " VALUES(1, ?1, '', 'sid', ?2, ?2, '/', 0, 1, 1, 0, 1, 1, 1, 0, 2, 443, 0)";
}
const char* const kFirefoxSchema =
    "PRAGMA journal_mode = WAL;"
    "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT,"
    " value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER,"
    " isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0,"
    " rawSameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0,"
    " CONSTRAINT moz_uniqueid UNIQUE (name, host, path, originAttributes));"
    "PRAGMA user_version = 14;";
const char* const kFirefoxInsert = "INSERT INTO moz_cookies (name, value, host, path) VALUES ('sid', ?2, ?1, '/')";

bool InsertRows(CSqliteDatabase& db, const std::string& insert, CookieRows::const_iterator from,
                CookieRows::const_iterator to)
{
    for (auto row = from; row != to; ++row) {
        CSqliteStatement statement(db, insert.c_str());
        if (!statement.Bind(1, row->first) || !statement.Bind(2, row->second)) return false;
        statement.Step();
        if (statement.Failed()) return false;
    }
    return true;
}

std::string StrangeSchema(CookieShape shape)
{
    switch (shape) {
    case CookieShape::CopyingTrigger:
        return ChromiumTable("cookies") +
               "CREATE TABLE kept_cookies(host_key TEXT, value TEXT);"
               "CREATE TRIGGER keep_deleted AFTER DELETE ON cookies BEGIN"
               " INSERT INTO kept_cookies VALUES(old.host_key, old.value); END;";
    case CookieShape::View:
        return ChromiumTable("cookie_rows") +
               "CREATE VIEW cookies AS SELECT * FROM cookie_rows;"
               "CREATE TRIGGER keep_all INSTEAD OF DELETE ON cookies BEGIN SELECT 1; END;";
    case CookieShape::VirtualTable:
        // A module this SQLite lacks, written into the schema as another program's SQLite would.
        return ChromiumTable("cookie_rows") +
               "PRAGMA writable_schema = ON;"
               "INSERT INTO sqlite_schema VALUES('table', 'cookies', 'cookies', 0, 'CREATE VIRTUAL TABLE cookies"
               " USING fts5(host_key, name, value, encrypted_value, path, creation_utc, expires_utc,"
               " content=cookie_rows)');"
               "PRAGMA writable_schema = OFF;";
    case CookieShape::WithoutRowid:
        return ChromiumTable("cookies", ", PRIMARY KEY (host_key, name, path)", " WITHOUT ROWID");
    case CookieShape::FirefoxCopyingTrigger:
        break;
    }
    return {};
}

const char* const kFirefoxTrigger =
    "CREATE TABLE kept_cookies(host TEXT, value TEXT);"
    "CREATE TRIGGER keep_deleted AFTER DELETE ON moz_cookies BEGIN INSERT INTO kept_cookies VALUES(old.host, old.value); END;";

}  // namespace

bool PlantCookieDatabase(const std::string& path, bool chromium, const CookieRows& rows)
{
    MakeFolders(path.substr(0, path.rfind('\\')));
    CSqliteDatabase db(path, CSqliteDatabase::Mode::Create);
    if (!db || !db.Execute(chromium ? (kChromiumMeta + ChromiumTable("cookies")).c_str() : kFirefoxSchema))
        return false;
    return InsertRows(db, chromium ? ChromiumInsert("cookies") : kFirefoxInsert, rows.begin(), rows.end());
}

namespace {

bool PlantFirefoxWithWal(const std::string& path, const std::string& schema, const CookieRows& rows, size_t inFile)
{
    MakeFolders(path.substr(0, path.rfind('\\')));
    CSqliteDatabase db(path, CSqliteDatabase::Mode::Create);
    if (!db || !db.Execute(schema.c_str())) return false;
    const auto split = rows.begin() + static_cast<std::ptrdiff_t>(std::min(inFile, rows.size()));
    if (!InsertRows(db, kFirefoxInsert, rows.begin(), split) || !db.Execute("PRAGMA wal_checkpoint(TRUNCATE)"))
        return false;
    int kept = 0;
    sqlite3_db_config(db.Handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, &kept);
    return kept == 1 && InsertRows(db, kFirefoxInsert, split, rows.end());
}

}  // namespace

bool PlantCookieDatabaseWithWal(const std::string& path, const CookieRows& rows, size_t inFile)
{
    return PlantFirefoxWithWal(path, kFirefoxSchema, rows, inFile);
}

bool PlantStrangeCookieDatabase(const std::string& path, CookieShape shape, const CookieRows& rows)
{
    if (shape == CookieShape::FirefoxCopyingTrigger)
        return PlantFirefoxWithWal(path, std::string(kFirefoxSchema) + kFirefoxTrigger, rows, 0);
    MakeFolders(path.substr(0, path.rfind('\\')));
    const bool separate = shape == CookieShape::View || shape == CookieShape::VirtualTable;
    {
        CSqliteDatabase db(path, CSqliteDatabase::Mode::Create);
        if (!db || !db.Execute((kChromiumMeta + StrangeSchema(shape)).c_str())) return false;
    }
    // The rows go in afresh, the schema read again.
    CSqliteDatabase db(path, CSqliteDatabase::Mode::Create);
    return db && InsertRows(db, ChromiumInsert(separate ? "cookie_rows" : "cookies"), rows.begin(), rows.end());
}
