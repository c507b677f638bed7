#include "framework/platform_quirks.h"
#include <windows.h>
#include <winternl.h>
#include "framework/file.h"
#include "framework/system_library.h"
#include <algorithm>
#include <iterator>
#include <vector>

namespace Platform {

bool RunningOnWine()
{
    static const bool wine = SystemProcedure("ntdll.dll", "wine_get_version") != nullptr;
    return wine;
}

bool RemovesFolderLinkAlone() { return !RunningOnWine(); }

bool LongFinalPath(HANDLE handle, std::wstring& path)
{
    if (!RunningOnWine()) return false;
    using QueryObject = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    static const auto query = SystemFunction<QueryObject>("ntdll.dll", "NtQueryObject");
    if (!query) return false;
    constexpr auto kObjectNameInformation = static_cast<OBJECT_INFORMATION_CLASS>(1);
    std::vector<BYTE> buffer(sizeof(UNICODE_STRING) + 65536);
    ULONG size = 0;
    if (query(handle, kObjectNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &size) != 0)
        return false;
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    path.assign(name->Buffer, name->Length / sizeof(wchar_t));
    if (path.rfind(L"\\??\\", 0) != 0) return false;
    path[1] = L'\\';
    return true;
}

namespace {
constexpr NTSTATUS kNotImplemented = static_cast<NTSTATUS>(0xC0000002);

// The volume and index of an open entry, read without the volume's own record (slow under Wine).
bool IdOf(HANDLE handle, FILE_ID_INFO& id)
{
    return GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id);
}

bool SameId(const FILE_ID_INFO& a, const FILE_ID_INFO& b)
{
    return a.VolumeSerialNumber == b.VolumeSerialNumber &&
           std::equal(std::begin(a.FileId.Identifier), std::end(a.FileId.Identifier), std::begin(b.FileId.Identifier));
}
}  // namespace

bool NameStillLeadsTo(HANDLE entry, const std::string& path, bool sameEntry)
{
    if (!RemovesByPath()) return true;
    FileIdentity held, fresh;
    if (!FileSystem::IdentifyOpen(entry, held, false) || held.finalPath != path) return false;
    FILE_ID_INFO heldId{}, freshId{};
    if (!sameEntry) return true;
    if (!IdOf(entry, heldId)) return false;
    const std::string literal = path.rfind("\\\\", 0) == 0 ? path : "\\\\?\\" + path;
    CFileHandle again(literal, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    return again && IdOf(again.Handle(), freshId) && SameId(heldId, freshId) &&
           FileSystem::IdentifyOpen(again.Handle(), fresh, false) && fresh.finalPath == path;
}

bool RemovesByPath() { return RunningOnWine(); }

bool KnowsUnannouncedBodyWhole() { return !RunningOnWine(); }

bool RenameInFolder(HANDLE entry, HANDLE folder, const std::wstring& name)
{
    std::vector<BYTE> record(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(record.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::copy(name.begin(), name.end(), rename->FileName);
    const auto size = static_cast<DWORD>(record.size());
    if (!RunningOnWine()) return SetFileInformationByHandle(entry, FileRenameInfo, rename, size);
    using SetInformation = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    static const auto set = SystemFunction<SetInformation>("ntdll.dll", "NtSetInformationFile");
    constexpr ULONG kFileRenameInformation = 10;
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = set ? set(entry, &io, rename, size, kFileRenameInformation) : kNotImplemented;
    if (status >= 0) return true;
    // A name taken reads as ERROR_ALREADY_EXISTS, as SetFileInformationByHandle says it.
    using ToDosError = ULONG(NTAPI*)(NTSTATUS);
    static const auto toDosError = SystemFunction<ToDosError>("ntdll.dll", "RtlNtStatusToDosError");
    SetLastError(toDosError ? toDosError(status) : ERROR_GEN_FAILURE);
    return false;
}

}  // namespace Platform
