#include "framework/sqlite_memory_files.h"
#include <sqlite3.h>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

struct CSqliteMemoryFiles::State {
    sqlite3_vfs vfs{};
    std::string name;
    std::map<std::string, std::shared_ptr<Bytes>> files;
    unsigned nextTemporary = 0;
};

namespace {

using Bytes = CSqliteMemoryFiles::Bytes;
using State = CSqliteMemoryFiles::State;

// What the library's file object holds: its bytes, shared with the name while it has one.
struct MemoryFile {
    sqlite3_file base;
    State* state;
    std::shared_ptr<Bytes> bytes;
    std::string name;
    bool deleteOnClose;
};

MemoryFile& Of(sqlite3_file* file) { return *reinterpret_cast<MemoryFile*>(file); }
State& StateOf(sqlite3_vfs* vfs) { return *static_cast<State*>(vfs->pAppData); }
sqlite3_vfs& SystemVfs() { return *sqlite3_vfs_find(nullptr); }

int Close(sqlite3_file* file)
{
    MemoryFile& memory = Of(file);
    if (memory.deleteOnClose) memory.state->files.erase(memory.name);
    memory.~MemoryFile();
    return SQLITE_OK;
}

int Read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
{
    const Bytes& bytes = *Of(file).bytes;
    const size_t wanted = static_cast<size_t>(amount);
    const size_t start = std::min(static_cast<size_t>(offset), bytes.size());
    const size_t got = std::min(wanted, bytes.size() - start);
    memcpy(buffer, bytes.data() + start, got);
    if (got == wanted) return SQLITE_OK;
    memset(static_cast<char*>(buffer) + got, 0, wanted - got);  // the library expects the rest zeroed
    return SQLITE_IOERR_SHORT_READ;
}

int Write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset)
{
    Bytes& bytes = *Of(file).bytes;
    const size_t end = static_cast<size_t>(offset) + static_cast<size_t>(amount);
    if (bytes.size() < end) bytes.resize(end, 0);
    memcpy(bytes.data() + offset, buffer, static_cast<size_t>(amount));
    return SQLITE_OK;
}

int Truncate(sqlite3_file* file, sqlite3_int64 size)
{
    Bytes& bytes = *Of(file).bytes;
    if (static_cast<size_t>(size) < bytes.size()) bytes.resize(static_cast<size_t>(size));
    return SQLITE_OK;
}

int Sync(sqlite3_file*, int) { return SQLITE_OK; }

int FileSize(sqlite3_file* file, sqlite3_int64* size)
{
    *size = static_cast<sqlite3_int64>(Of(file).bytes->size());
    return SQLITE_OK;
}

// One connection alone uses the files: every lock is had at once.
int Lock(sqlite3_file*, int) { return SQLITE_OK; }
int CheckReservedLock(sqlite3_file*, int* reserved)
{
    *reserved = 0;
    return SQLITE_OK;
}
int FileControl(sqlite3_file*, int, void*) { return SQLITE_NOTFOUND; }
int SectorSize(sqlite3_file*) { return 4096; }
int DeviceCharacteristics(sqlite3_file*) { return 0; }

// Version 1: no shared memory, so the library keeps a WAL's index on its own heap.
const sqlite3_io_methods kMethods = [] {
    sqlite3_io_methods methods{};
    methods.iVersion = 1;
    methods.xClose = Close;
    methods.xRead = Read;
    methods.xWrite = Write;
    methods.xTruncate = Truncate;
    methods.xSync = Sync;
    methods.xFileSize = FileSize;
    methods.xLock = Lock;
    methods.xUnlock = Lock;
    methods.xCheckReservedLock = CheckReservedLock;
    methods.xFileControl = FileControl;
    methods.xSectorSize = SectorSize;
    methods.xDeviceCharacteristics = DeviceCharacteristics;
    return methods;
}();

int Open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    file->pMethods = nullptr;
    State& state = StateOf(vfs);
    const std::string key = name ? std::string(name) : "temporary " + std::to_string(state.nextTemporary++);
    auto found = state.files.find(key);
    if (found == state.files.end()) {
        if (!(flags & SQLITE_OPEN_CREATE) && name) return SQLITE_CANTOPEN;
        found = state.files.emplace(key, std::make_shared<Bytes>()).first;
    }
    new (file) MemoryFile{{&kMethods}, &state, found->second, key, !name || (flags & SQLITE_OPEN_DELETEONCLOSE)};
    if (outFlags) *outFlags = flags;
    return SQLITE_OK;
}

int Delete(sqlite3_vfs* vfs, const char* name, int)
{
    StateOf(vfs).files.erase(name);
    return SQLITE_OK;
}

int Access(sqlite3_vfs* vfs, const char* name, int, int* result)
{
    *result = StateOf(vfs).files.count(name) ? 1 : 0;
    return SQLITE_OK;
}

int FullPathname(sqlite3_vfs*, const char* name, int size, char* out)
{
    if (strlen(name) >= static_cast<size_t>(size)) return SQLITE_CANTOPEN;
    strcpy(out, name);
    return SQLITE_OK;
}

// What touches no file goes to the system's own.
int Randomness(sqlite3_vfs*, int size, char* out) { return SystemVfs().xRandomness(&SystemVfs(), size, out); }
int Sleep(sqlite3_vfs*, int microseconds) { return SystemVfs().xSleep(&SystemVfs(), microseconds); }
int CurrentTime(sqlite3_vfs*, double* now) { return SystemVfs().xCurrentTime(&SystemVfs(), now); }
int GetLastError(sqlite3_vfs*, int, char*) { return 0; }

std::atomic<unsigned> g_instances{0};

}  // namespace

CSqliteMemoryFiles::CSqliteMemoryFiles(std::map<std::string, Bytes> files) : m_state(std::make_unique<State>())
{
    for (auto& [name, bytes] : files) m_state->files.emplace(name, std::make_shared<Bytes>(std::move(bytes)));
    m_state->name = "ombrix-memory-" + std::to_string(++g_instances);
    sqlite3_vfs& vfs = m_state->vfs;
    vfs.iVersion = 1;
    vfs.szOsFile = sizeof(MemoryFile);
    vfs.mxPathname = 512;
    vfs.zName = m_state->name.c_str();
    vfs.pAppData = m_state.get();
    vfs.xOpen = Open;
    vfs.xDelete = Delete;
    vfs.xAccess = Access;
    vfs.xFullPathname = FullPathname;
    vfs.xRandomness = Randomness;
    vfs.xSleep = Sleep;
    vfs.xCurrentTime = CurrentTime;
    vfs.xGetLastError = GetLastError;
    sqlite3_vfs_register(&vfs, 0);
}

CSqliteMemoryFiles::~CSqliteMemoryFiles() { sqlite3_vfs_unregister(&m_state->vfs); }

const char* CSqliteMemoryFiles::VfsName() const { return m_state->name.c_str(); }
