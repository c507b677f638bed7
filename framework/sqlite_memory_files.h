#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

// The files of one SQLite connection, held in memory: a database and its companions (journal, WAL)
// given as bytes, and whatever the library makes beside them. The library reads and changes them
// there alone: no file of any disk is opened, created or changed. They have no shared memory, so a
// database in WAL mode is read in exclusive locking mode, its wal-index on the heap.
class CSqliteMemoryFiles {
public:
    using Bytes = std::vector<unsigned char>;
    // The files by the names the library will ask for ("db", "db-journal", "db-wal").
    explicit CSqliteMemoryFiles(std::map<std::string, Bytes> files);
    ~CSqliteMemoryFiles();
    CSqliteMemoryFiles(const CSqliteMemoryFiles&) = delete;
    CSqliteMemoryFiles& operator=(const CSqliteMemoryFiles&) = delete;

    // The name of the library's file system that serves them, registered for the object's life: a
    // connection opened with it must be closed before the object goes.
    const char* VfsName() const;

    struct State;

private:
    std::unique_ptr<State> m_state;
};
