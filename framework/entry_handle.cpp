#include "framework/entry_handle.h"
#include <algorithm>
#include <memory>
#include <winternl.h>
#include <utility>
#include "framework/platform_quirks.h"
#include "framework/system_library.h"

namespace {

constexpr ULONG kOpenReparsePoint = 0x00200000;  // FILE_OPEN_REPARSE_POINT: the link itself, not its target
constexpr ULONG kSynchronousIo = 0x00000020;     // FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG kDirectoryFile = 0x00000001;
constexpr ULONG kNonDirectoryFile = 0x00000040;
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr NTSTATUS kSharingViolation = static_cast<NTSTATUS>(0xC0000043);
constexpr NTSTATUS kAccessDenied = static_cast<NTSTATUS>(0xC0000022);
constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003A);

using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                          ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);

// Opens a name relative to a folder's handle, looked up in ntdll at run time: the Win32 calls take
// only whole paths, which a swapped folder would lead elsewhere. The name is matched exactly.
NTSTATUS OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG options,
                      HANDLE& handle)
{
    static const auto create = SystemFunction<NtCreateFileCall>("ntdll.dll", "NtCreateFile");
    handle = INVALID_HANDLE_VALUE;
    if (!create || name.empty() || name.size() > 32767) return kNameNotFound;
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.c_str());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, 0, folder, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE opened = nullptr;
    const NTSTATUS status = create(&opened, access | SYNCHRONIZE, &attributes, &io, nullptr, 0, share, FILE_OPEN,
                                   options | kOpenReparsePoint | kSynchronousIo, nullptr, 0);
    if (status >= 0) handle = opened;
    return status;
}

constexpr ACCESS_MASK kRemoveAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

}  // namespace

CEntryHandle::CEntryHandle(CEntryHandle&& other) noexcept
    : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE)), m_hold(other.m_hold), m_data(other.m_data)
{
}

CEntryHandle& CEntryHandle::operator=(CEntryHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, INVALID_HANDLE_VALUE);
        m_hold = other.m_hold;
        m_data = other.m_data;
    }
    return *this;
}

void CEntryHandle::Close()
{
    if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

CEntryHandle CEntryHandle::OpenFolder(const std::string& path)
{
    const ACCESS_MASK access = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    // The top may be a link (a redirected profile folder): it is checked where it leads.
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    HANDLE handle = FileSystem::NeedsWideForm(path)
                        ? CreateFileW(FileSystem::WideForm(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                      flags, nullptr)
                        : CreateFileA(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
    return CEntryHandle(handle, EntryHold::Shared, false);
}

CEntryHandle CEntryHandle::OpenSubFolder(const CEntryHandle& folder, const std::wstring& name)
{
    HANDLE handle;
    const ACCESS_MASK list = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
    if (OpenRelative(folder.m_handle, name, list | DELETE, kShareAll, kDirectoryFile, handle) >= 0)
        return CEntryHandle(handle, EntryHold::Alone, false);
    // Held without delete sharing (a program's current folder): listed, not removed.
    OpenRelative(folder.m_handle, name, list, kShareAll, kDirectoryFile, handle);
    return CEntryHandle(handle, EntryHold::AttributesOnly, false);
}

CEntryHandle CEntryHandle::OpenSubFolderToList(const CEntryHandle& folder, const std::wstring& name)
{
    HANDLE handle;
    OpenRelative(folder.m_handle, name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, kShareAll, kDirectoryFile, handle);
    return CEntryHandle(handle, EntryHold::AttributesOnly, false);
}

CEntryHandle CEntryHandle::OpenFile(const CEntryHandle& folder, const std::wstring& name, bool data)
{
    HANDLE handle;
    const ACCESS_MASK dataAccess = data ? FILE_READ_DATA | FILE_WRITE_DATA : 0;
    NTSTATUS status = OpenRelative(folder.m_handle, name, kRemoveAccess | dataAccess, 0, kNonDirectoryFile, handle);
    if (status >= 0) return CEntryHandle(handle, EntryHold::Alone, data);
    if (data && status == kAccessDenied) {  // read-only: the attribute goes first, the data later
        status = OpenRelative(folder.m_handle, name, kRemoveAccess, 0, kNonDirectoryFile, handle);
        if (status >= 0) return CEntryHandle(handle, EntryHold::Alone, false);
    }
    if (status != kSharingViolation) return {};
    if (OpenRelative(folder.m_handle, name, kRemoveAccess, kShareAll, kNonDirectoryFile, handle) >= 0)
        return CEntryHandle(handle, EntryHold::Shared, false);
    OpenRelative(folder.m_handle, name, FILE_READ_ATTRIBUTES, kShareAll, kNonDirectoryFile, handle);
    return CEntryHandle(handle, EntryHold::AttributesOnly, false);
}

CEntryHandle CEntryHandle::OpenSharedForWriting(const CEntryHandle& folder, const std::wstring& name)
{
    HANDLE handle;
    OpenRelative(folder.m_handle, name, FILE_READ_ATTRIBUTES | FILE_WRITE_DATA, kShareAll, kNonDirectoryFile, handle);
    return CEntryHandle(handle, EntryHold::Shared, true);
}

CEntryHandle CEntryHandle::OpenSharedForReading(const CEntryHandle& folder, const std::wstring& name)
{
    HANDLE handle;
    OpenRelative(folder.m_handle, name, FILE_READ_ATTRIBUTES | FILE_READ_DATA, kShareAll, kNonDirectoryFile, handle);
    return CEntryHandle(handle, EntryHold::Shared, false);
}

bool CEntryHandle::List(std::vector<ListedEntry>& entries, unsigned long long* self) const
{
    entries.clear();
    return List([&](ListedEntry& entry) { entries.push_back(std::move(entry)); }, self);
}

bool CEntryHandle::List(const std::function<void(ListedEntry&)>& each, unsigned long long* self) const
{
    if (self) *self = 0;
    // Left unfilled: a walk lists every folder it passes, and the system writes what is read.
    constexpr DWORD kBufferSize = 64 * 1024;
    const std::unique_ptr<BYTE[]> buffer = std::make_unique_for_overwrite<BYTE[]>(kBufferSize);
    auto level = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(m_handle, level, buffer.get(), kBufferSize)) {
        level = FileIdBothDirectoryInfo;
        for (size_t at = 0;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.get() + at);
            ListedEntry entry;
            entry.wideName.assign(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (self && entry.wideName == L".") *self = static_cast<unsigned long long>(info->FileId.QuadPart);
            if (entry.wideName != L"." && entry.wideName != L"..") {
                entry.lossy = !FileSystem::Narrow(entry.wideName.c_str(), entry.name) ||
                              entry.wideName.find(L'\0') != std::wstring::npos;
                entry.attributes = info->FileAttributes;
                entry.length = static_cast<unsigned long long>(info->EndOfFile.QuadPart);
                entry.fileId = static_cast<unsigned long long>(info->FileId.QuadPart);
                each(entry);
            }
            if (!info->NextEntryOffset) break;
            at += info->NextEntryOffset;
        }
    }
    return GetLastError() == ERROR_NO_MORE_FILES;
}

bool CEntryHandle::Identify(FileIdentity& identity, bool full) const
{
    return FileSystem::IdentifyOpen(m_handle, identity, full);
}

bool CEntryHandle::Size(unsigned long long& bytes, DWORD& links) const
{
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(m_handle, FileStandardInfo, &standard, sizeof standard)) return false;
    bytes = static_cast<unsigned long long>(standard.EndOfFile.QuadPart);
    links = standard.NumberOfLinks;
    return true;
}

bool CEntryHandle::HasOneName() const
{
    unsigned long long bytes = 0;
    DWORD links = 0;
    return Size(bytes, links) && links == 1;
}

DWORD CEntryHandle::Attributes() const
{
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(m_handle, FileBasicInfo, &basic, sizeof basic)) return INVALID_FILE_ATTRIBUTES;
    return basic.FileAttributes;
}

bool CEntryHandle::SetAttributes(DWORD attributes) const
{
    FILE_BASIC_INFO basic{};  // zero times mean "leave as they are"
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(m_handle, FileBasicInfo, &basic, sizeof basic);
}

bool CEntryHandle::MarkForDeletion(bool remove) const
{
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(remove)};
    return SetFileInformationByHandle(m_handle, FileDispositionInfo, &disposition, sizeof disposition);
}

bool CEntryHandle::Rename(const CEntryHandle& folder, const std::wstring& name) const
{
    return Platform::RenameInFolder(m_handle, folder.m_handle, name);
}

bool CEntryHandle::Fill(unsigned long long offset, unsigned long long length, unsigned char value,
                        unsigned block) const
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(m_handle, at, nullptr, FILE_BEGIN)) return false;
    const std::vector<unsigned char> data(block, value);
    while (length > 0) {
        const DWORD chunk = static_cast<DWORD>(length < block ? length : block);
        DWORD written = 0;
        if (!WriteFile(m_handle, data.data(), chunk, &written, nullptr) || written == 0) return false;
        length -= written;
    }
    // Without the flush the passes may live only in the cache and never reach the disk.
    return FlushFileBuffers(m_handle);
}

bool CEntryHandle::ReadAll(std::vector<unsigned char>& bytes, size_t limit) const
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_handle, &size) || size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > limit)
        return false;
    bytes.assign(static_cast<size_t>(size.QuadPart), 0);
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(m_handle, start, nullptr, FILE_BEGIN)) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!ReadFile(m_handle, bytes.data() + done, chunk, &read, nullptr) || read == 0) return false;
        done += read;
    }
    return true;
}

bool NameInFolder(const CEntryHandle& folder, const std::wstring& name)
{
    HANDLE handle;
    const NTSTATUS status = OpenRelative(folder.Handle(), name, FILE_READ_ATTRIBUTES, kShareAll, 0, handle);
    if (status >= 0) CloseHandle(handle);
    return status != kNameNotFound && status != kPathNotFound;
}
