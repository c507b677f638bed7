#include "engine/file_removal.h"
#include <windows.h>
#include <vector>
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "framework/file.h"
#include "framework/platform_quirks.h"
#include "framework/trace.h"

namespace {

constexpr int kSettleTries = 100;
constexpr DWORD kSettleStepMs = 1;

size_t NameStart(const std::string& path)
{
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? 0 : slash + 1;
}

bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::wstring WideShredName(const std::wstring& name)
{
    std::wstring shred;
    for (wchar_t c : name)
        if (!IsLowSurrogate(c)) shred += c == L'.' ? L'.' : L'A';  // one 'A' for a character of two units
    return shred;
}

// Renames the file to a shred name no other entry of the folder has, and gives the name it now has.
// The rename never replaces another entry: a name taken is tried again with one more 'A' in front.
// (Asking first whether a name is free would cost, under Wine, a read of the whole folder.)
std::wstring RenameToShredName(const WalkEntry& file)
{
    std::wstring shred = WideShredName(file.wideName);
    if (shred == file.wideName) return shred;
    for (int tries = 0; tries < 64; ++tries, shred.insert(shred.begin(), L'A')) {
        if (file.handle->Rename(*file.parent, shred)) return shred;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return file.wideName;  // still overwritten, under its own name
}

bool OverwriteTwice(const CEntryHandle& handle)
{
    unsigned long long length = 0;
    DWORD links = 0;
    return handle.Size(length, links) && handle.Fill(0, length, 0xFF, kShredBlock) &&
           handle.Fill(0, length, 0x00, kShredBlock);
}

// A read-only file was opened without data access; once its attribute is gone it is opened again
// and must still be the same file.
bool ReopenWithData(WalkEntry& file)
{
    if (file.handle->HasDataAccess()) return true;
    FileIdentity before, after;
    if (!file.handle->Identify(before, true)) return false;
    file.handle->Close();
    CEntryHandle reopened = CEntryHandle::OpenFile(*file.parent, file.wideName, true);
    if (!reopened || !reopened.Identify(after, true) || !after.SameEntry(before)) return false;
    *file.handle = std::move(reopened);
    return file.handle->HasDataAccess();
}

// A deleted name may linger a moment: Wine unlinks it a little after the close returns, and another
// handle that only reads attributes (an indexer, a second sweeper looking) keeps it until it closes.
// Asked again every millisecond for a tenth of a second; a name still there after that stays.
bool StaysAfterClose(const CEntryHandle& folder, const std::wstring& name)
{
    for (int tries = 0; tries < kSettleTries; ++tries) {
        if (!NameInFolder(folder, name)) return false;
        Sleep(kSettleStepMs);
    }
    return NameInFolder(folder, name);
}

std::string Narrowed(const std::wstring& name)
{
    std::string narrow;
    FileSystem::Narrow(name.c_str(), narrow);
    return narrow;
}

// The entry's handle still names that name of its folder, and for a write is still that very entry
// (see NameStillLeadsTo).
bool StillAt(const WalkEntry& entry, const std::wstring& name, bool forWriting = false)
{
    const std::string& found = entry.foundAt;
    return Platform::NameStillLeadsTo(entry.handle->Handle(), found.substr(0, found.find_last_of('\\') + 1) + Narrowed(name),
                                      forWriting);
}

// The entry resolves elsewhere: never checked, it was a link all along; checked, it moved meanwhile.
[[noreturn]] void PassOver(WalkEntry& file, const std::wstring& name)
{
    FileIdentity identity;
    if (!file.checked && file.handle->Identify(identity, false))
        TraceMessage("   Passed over %s: it leads to %s.\n", file.path.c_str(), identity.finalPath.c_str());
    else
        TraceMessage("   Passed over %s: it moved while it was being removed.\n", PathOf(file, name).c_str());
    file.handle->Close();
    throw EntryPassedOver(PathOf(file, name));
}

// Anything but the plain release checks an unchecked entry first: nothing else is tried on a link.
void CheckNow(WalkEntry& file)
{
    if (file.checked) return;
    if (!StillAt(file, file.wideName)) PassOver(file, file.wideName);
    file.checked = true;
}

}  // namespace

std::string PathOf(const WalkEntry& file, const std::wstring& name)
{
    return file.path.substr(0, NameStart(file.path)) + Narrowed(name);
}

float BytesToKB(unsigned long long bytes) { return static_cast<float>(static_cast<double>(bytes) * kBytesToKB); }

std::string ShredName(const std::string& path)
{
    const bool utf8 = GetACP() == CP_UTF8;
    std::string shred = path.substr(0, NameStart(path));
    for (size_t i = NameStart(path); i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (utf8 && (c & 0xC0) == 0x80) continue;  // the rest of a character already replaced
        shred += c == '.' ? '.' : 'A';
    }
    return shred;
}

std::wstring ReleaseOpenFile(WalkEntry& file, bool shred)
{
    if (shred || file.handle->Hold() != EntryHold::Alone) CheckNow(file);
    // Another program has it open: its name would stay until that program lets it go.
    if (file.handle->Hold() != EntryHold::Alone) throw CFileException(file.path, ERROR_SHARING_VIOLATION);
    std::wstring current = file.wideName;
    if (shred && ReopenWithData(file)) {
        if (!StillAt(file, current, true)) PassOver(file, current);
        current = RenameToShredName(file);
        if (!StillAt(file, current, true)) PassOver(file, current);
        OverwriteTwice(*file.handle);
    }
    // Checked once marked, as near to the close as it can be: unmarked, it stays.
    if (!*file.handle || !file.handle->MarkForDeletion()) {
        const DWORD error = GetLastError();
        CheckNow(file);  // what is elsewhere is passed over, not said to be left
        throw CFileException(PathOf(file, current), error);
    }
    if (!StillAt(file, current)) {
        file.handle->MarkForDeletion(false);
        PassOver(file, current);
    }
    file.checked = true;
    file.handle->Close();
    return current;
}

// Reported done is not done: the name must be gone (a file the system refuses after all stays).
bool NameGone(const CEntryHandle& folder, const std::wstring& name, bool listed)
{
    return !listed || !StaysAfterClose(folder, name);
}

void RemoveOpenFile(WalkEntry& file, bool shred)
{
    const std::wstring left = ReleaseOpenFile(file, shred);
    if (!NameGone(*file.parent, left, true)) throw CFileException(PathOf(file, left), ERROR_ACCESS_DENIED);
}

bool ReleaseOpenFolder(WalkEntry& folder)
{
    if (folder.handle->Hold() != EntryHold::Alone || !folder.handle->MarkForDeletion()) return false;
    if (!StillAt(folder, folder.wideName)) {
        folder.handle->MarkForDeletion(false);
        return false;
    }
    folder.handle->Close();
    return true;
}

bool RemoveOpenFolder(WalkEntry& folder)
{
    return ReleaseOpenFolder(folder) && NameGone(*folder.parent, folder.wideName, true);
}

bool ShredOpenFile(WalkEntry& file)
{
    return file.handle->Hold() == EntryHold::Alone && ReopenWithData(file) &&
           StillAt(file, file.wideName, true) && OverwriteTwice(*file.handle);
}

int WipeOpenIndexFile(WalkEntry& file)
{
    FileIdentity before, after;
    if (!file.handle->Identify(before, true) || !StillAt(file, file.wideName, true)) return 0;
    file.handle->Close();  // its own handle may hold it without sharing
    CEntryHandle writable = CEntryHandle::OpenSharedForWriting(*file.parent, file.wideName);
    if (!writable || !writable.Identify(after, true) || !after.SameEntry(before)) return 0;
    unsigned long long length = 0;
    DWORD links = 0;
    if (writable.Size(length, links) && length > kIndexHeader)
        writable.Fill(kIndexHeader, length - kIndexHeader, 0x00, kWipeBlock);
    return 1;
}

bool ClearOpenReadOnly(WalkEntry& file)
{
    const DWORD attributes = file.handle->Attributes();
    return attributes != INVALID_FILE_ATTRIBUTES &&
           file.handle->SetAttributes(attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
}

bool IsIndexFile(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    return lstrcmpiA(path.c_str() + (slash == std::string::npos ? 0 : slash + 1), "index.dat") == 0;
}

void RemoveOneFile(const std::string& path, bool mayShred)
{
    const bool shred = mayShred && ShredderOn() && !IsIndexFile(path);
    WalkEntry file;
    if (!AdmitFilePath(path, shred, file)) throw CFileException(path, ERROR_FILE_NOT_FOUND);
    RemoveOpenFile(file, shred && file.handle->HasOneName());
}

int ShredFile(const std::string& path)
{
    WalkEntry file;
    return AdmitFilePath(path, true, file) && ShredOpenFile(file) ? 1 : -1;
}

int WipeIndexFile(const std::string& path)
{
    WalkEntry file;
    return AdmitFilePath(path, false, file) ? WipeOpenIndexFile(file) : 0;
}

float GetFileSizeKB(const std::string& path)
{
    CFileStatus status;
    return CFile::GetStatus(path, status) ? BytesToKB(status.m_size) : 0.0f;
}
