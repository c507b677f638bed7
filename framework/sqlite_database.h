#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
class CSqliteMemoryFiles;

// A database file's bytes and those of its companions, as they lie beside it.
struct SqliteImage {
    std::vector<unsigned char> database;
    std::optional<std::vector<unsigned char>> journal;
    std::optional<std::vector<unsigned char>> wal;
};

// One SQLite database, open for the life of the object. Paths are in the ANSI code page, as
// everywhere else in the program; the library itself takes UTF-8. A database Ombrix did not make
// (every mode but Create) is read defensively: the triggers and views of its schema never run, and
// its schema may not call the program's own functions.
class CSqliteDatabase {
public:
    // ReadOnly reads the file as it lies, without locks, journal or WAL: it creates and changes nothing,
    // not even the companion files a reader would otherwise make.
    enum class Mode { ReadOnly, ReadWrite, Create };
    CSqliteDatabase(const std::string& path, Mode mode);
    // A copy in memory: the library reads it as it would the files (a hot journal rolled back, a WAL
    // applied) and changes only the copy. No file is opened, created or changed.
    explicit CSqliteDatabase(SqliteImage image);
    ~CSqliteDatabase();
    CSqliteDatabase(const CSqliteDatabase&) = delete;
    CSqliteDatabase& operator=(const CSqliteDatabase&) = delete;

    explicit operator bool() const { return m_db != nullptr; }
    // Runs statements that return no rows; false (with the library's reason in Error()) on failure.
    bool Execute(const char* sql);
    // The library's text for the last failure.
    std::string Error() const;
    // Whether the last failure was another connection's lock.
    bool Busy() const;
    // The file the library opened, as the system knows it; none before it is opened, or for a copy.
    HANDLE FileHandle() const;
    // An SQL function of one text argument answering 1 or 0, for the life of the connection.
    bool AddPredicate(const char* name, std::function<bool(const char*)> predicate);
    sqlite3* Handle() const { return m_db; }

private:
    void Adopt(sqlite3* db, bool defensive);

    std::unique_ptr<CSqliteMemoryFiles> m_memory;  // a copy's files, outliving the connection
    sqlite3* m_db = nullptr;
    std::unique_ptr<std::function<bool(const char*)>> m_predicate;
};

// One prepared statement of a database, finalised by its owner.
class CSqliteStatement {
public:
    CSqliteStatement(CSqliteDatabase& db, const char* sql);
    ~CSqliteStatement();
    CSqliteStatement(const CSqliteStatement&) = delete;
    CSqliteStatement& operator=(const CSqliteStatement&) = delete;

    explicit operator bool() const { return m_statement != nullptr; }
    bool Bind(int index, const std::string& text);
    // True while it gives a row; false at the end or on failure (see Failed()).
    bool Step();
    bool Failed() const { return m_failed; }
    int64_t Integer(int column) const;
    std::string Text(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
};

// The first column of a whole-number query's first row ("SELECT count(*) ..."); -1 when it fails.
int64_t QueryNumber(CSqliteDatabase& db, const char* sql);
