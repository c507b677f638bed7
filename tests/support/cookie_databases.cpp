#include "tests/support/cookie_databases.h"
#include "framework/sqlite_database.h"
#include "tests/support/files.h"

namespace {

const char* const kChromiumSchema =
    "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
    "INSERT INTO meta VALUES('version', '24');"
    "CREATE TABLE cookies(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, top_frame_site_key TEXT NOT NULL,"
    " name TEXT NOT NULL, value TEXT NOT NULL, encrypted_value BLOB NOT NULL, path TEXT NOT NULL,"
    " expires_utc INTEGER NOT NULL, is_secure INTEGER NOT NULL, is_httponly INTEGER NOT NULL,"
    " last_access_utc INTEGER NOT NULL, has_expires INTEGER NOT NULL, is_persistent INTEGER NOT NULL,"
    " priority INTEGER NOT NULL, samesite INTEGER NOT NULL, source_scheme INTEGER NOT NULL,"
    " source_port INTEGER NOT NULL, last_update_utc INTEGER NOT NULL,"
    " UNIQUE (host_key, top_frame_site_key, name, path, source_scheme, source_port));"
    "PRAGMA user_version = 24;";
const char* const kChromiumInsert =
    "INSERT INTO cookies VALUES(1, ?1, '', 'sid', ?2, ?2, '/', 0, 1, 1, 0, 1, 1, 1, 0, 2, 443, 0)";
const char* const kFirefoxSchema =
    "PRAGMA journal_mode = WAL;"
    "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT,"
    " value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER,"
    " isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0,"
    " rawSameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0,"
    " CONSTRAINT moz_uniqueid UNIQUE (name, host, path, originAttributes));"
    "PRAGMA user_version = 14;";
const char* const kFirefoxInsert = "INSERT INTO moz_cookies (name, value, host, path) VALUES ('sid', ?2, ?1, '/')";

}  // namespace

bool PlantCookieDatabase(const std::string& path, bool chromium, const CookieRows& rows)
{
    files::MakeDirs(path.substr(0, path.rfind('\\')));
    CSqliteDatabase db(path, CSqliteDatabase::Mode::Create);
    if (!db.Execute(chromium ? kChromiumSchema : kFirefoxSchema)) return false;
    for (const auto& [host, value] : rows) {
        CSqliteStatement row(db, chromium ? kChromiumInsert : kFirefoxInsert);
        if (!row.Bind(1, host) || !row.Bind(2, value)) return false;
        row.Step();
        if (row.Failed()) return false;
    }
    return true;
}
