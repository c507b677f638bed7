#include "framework/sqlite_database.h"
#include <sqlite3.h>
#include <map>
#include "framework/file.h"
#include "framework/sqlite_memory_files.h"
#include <cctype>
#include <cstring>

namespace {

// The library takes UTF-8; the program's paths are in the ANSI code page.
std::string Utf8Path(const std::string& path)
{
    const std::wstring wide = FileSystem::Widen(path);
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

// A path as an SQLite file URI: every byte but the plain ones escaped, so that no '?' or '#' of a
// name is read as the URI's own.
std::string FileUri(const std::string& utf8, const char* parameters)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:///";
    for (unsigned char c : utf8) {
        if (c == '\\') c = '/';
        if (isalnum(c) || strchr("/:-._~", c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri + parameters;
}

int OpenFlags(CSqliteDatabase::Mode mode)
{
    switch (mode) {
    case CSqliteDatabase::Mode::ReadOnly:
        return SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
    case CSqliteDatabase::Mode::ReadWrite:
        return SQLITE_OPEN_READWRITE;
    case CSqliteDatabase::Mode::Create:
        break;
    }
    return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
}

void CallPredicate(sqlite3_context* context, int count, sqlite3_value** values)
{
    const auto& predicate = *static_cast<std::function<bool(const char*)>*>(sqlite3_user_data(context));
    const unsigned char* text = count == 1 ? sqlite3_value_text(values[0]) : nullptr;
    sqlite3_result_int(context, text && predicate(reinterpret_cast<const char*>(text)) ? 1 : 0);
}

}  // namespace

CSqliteDatabase::CSqliteDatabase(const std::string& path, Mode mode)
{
    std::string utf8 = Utf8Path(path);
    if (utf8.empty()) return;
    if (mode == Mode::ReadOnly) utf8 = FileUri(utf8, "?immutable=1");
    sqlite3* db = nullptr;
    const int status = sqlite3_open_v2(utf8.c_str(), &db, OpenFlags(mode) | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (status != SQLITE_OK) {
        sqlite3_close(db);  // a failed open still gives a handle to close
        return;
    }
    Adopt(db, mode != Mode::Create);
}

CSqliteDatabase::CSqliteDatabase(SqliteImage image)
{
    constexpr const char* kName = "database";
    std::map<std::string, std::vector<unsigned char>> files{{kName, std::move(image.database)}};
    if (image.journal) files.emplace(std::string(kName) + "-journal", std::move(*image.journal));
    if (image.wal) files.emplace(std::string(kName) + "-wal", std::move(*image.wal));
    m_memory = std::make_unique<CSqliteMemoryFiles>(std::move(files));
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(kName, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, m_memory->VfsName()) != SQLITE_OK) {
        sqlite3_close(db);
        return;
    }
    Adopt(db, true);
    // Before the first read: the files have no shared memory for a WAL's index.
    if (!Execute("PRAGMA locking_mode = EXCLUSIVE")) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

void CSqliteDatabase::Adopt(sqlite3* db, bool defensive)
{
    m_db = db;
    sqlite3_extended_result_codes(m_db, 1);
    if (!defensive) return;
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
}

CSqliteDatabase::~CSqliteDatabase()
{
    // A copy's files go after the connection: closed at once, never left to close later.
    if (m_db) m_memory ? sqlite3_close(m_db) : sqlite3_close_v2(m_db);
}

bool CSqliteDatabase::Execute(const char* sql)
{
    return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string CSqliteDatabase::Error() const { return m_db ? sqlite3_errmsg(m_db) : "the database did not open"; }

bool CSqliteDatabase::Busy() const
{
    const int code = m_db ? sqlite3_errcode(m_db) & 0xFF : SQLITE_OK;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

HANDLE CSqliteDatabase::FileHandle() const
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (!m_db || sqlite3_file_control(m_db, "main", SQLITE_FCNTL_WIN32_GET_HANDLE, &handle) != SQLITE_OK)
        return INVALID_HANDLE_VALUE;
    return handle ? handle : INVALID_HANDLE_VALUE;
}

bool CSqliteDatabase::AddPredicate(const char* name, std::function<bool(const char*)> predicate)
{
    if (!m_db) return false;
    m_predicate = std::make_unique<std::function<bool(const char*)>>(std::move(predicate));
    return sqlite3_create_function_v2(m_db, name, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, m_predicate.get(),
                                      CallPredicate, nullptr, nullptr, nullptr) == SQLITE_OK;
}

CSqliteStatement::CSqliteStatement(CSqliteDatabase& db, const char* sql)
{
    if (!db || sqlite3_prepare_v2(db.Handle(), sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        m_failed = true;
    }
}

CSqliteStatement::~CSqliteStatement() { sqlite3_finalize(m_statement); }

bool CSqliteStatement::Bind(int index, const std::string& text)
{
    return m_statement &&
           sqlite3_bind_text(m_statement, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT) ==
               SQLITE_OK;
}

bool CSqliteStatement::Step()
{
    if (!m_statement || m_failed) return false;
    const int status = sqlite3_step(m_statement);
    if (status == SQLITE_ROW) return true;
    m_failed = status != SQLITE_DONE;
    return false;
}

int64_t CSqliteStatement::Integer(int column) const { return sqlite3_column_int64(m_statement, column); }

std::string CSqliteStatement::Text(int column) const
{
    const unsigned char* text = sqlite3_column_text(m_statement, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

int64_t QueryNumber(CSqliteDatabase& db, const char* sql)
{
    CSqliteStatement query(db, sql);
    if (!query.Step()) return -1;
    return query.Integer(0);
}
