#include "engine/file_removal.h"
#include <windows.h>
#include <vector>
#include "engine/sweep_log.h"
#include "engine/sweep_options.h"
#include "framework/file.h"

namespace {

class WritableFile : public CFileHandle {
public:
    WritableFile(const std::string& path, DWORD share)
        : CFileHandle(path, GENERIC_WRITE, share, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL) {}
    unsigned long long Length() const
    {
        LARGE_INTEGER size{};
        return GetFileSizeEx(Handle(), &size) ? static_cast<unsigned long long>(size.QuadPart) : 0;
    }
};

// Writes `length` bytes of one value from the current position, in blocks of `block` bytes.
void WriteFill(HANDLE file, unsigned char value, unsigned long long length, unsigned block)
{
    const std::vector<unsigned char> data(block, value);
    while (length > 0) {
        const DWORD chunk = static_cast<DWORD>(length < block ? length : block);
        DWORD written = 0;
        if (!WriteFile(file, data.data(), chunk, &written, nullptr) || written == 0) return;
        length -= written;
    }
}

// One shredding pass over the whole file; false when it cannot be opened for writing.
bool OverwritePass(const std::string& path, unsigned char value)
{
    WritableFile file(path, 0);
    if (!file) return false;
    WriteFill(file.Handle(), value, file.Length(), kShredBlock);
    // Without the flush the passes may live only in the cache and never reach the disk.
    FlushFileBuffers(file.Handle());
    return true;
}

bool OverwriteTwice(const std::string& path) { return OverwritePass(path, 0xFF) && OverwritePass(path, 0x00); }

size_t NameStart(const std::string& path)
{
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

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

std::string FreeShredName(const std::string& path)
{
    std::string shred = ShredName(path);
    if (lstrcmpiA(shred.c_str(), path.c_str()) == 0) return path;
    // Another file may already carry the name: lengthen it until it is free, never delete that file.
    for (int tries = 0; tries < 64; ++tries) {
        if (FileSystem::Attributes(shred) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
            return shred;
        const size_t at = NameStart(shred);
        shred = shred.substr(0, at) + 'A' + shred.substr(at);
    }
    return path;
}

void RemoveOneFile(const std::string& path, bool mayShred)
{
    if (!mayShred || !ShredderOn() || path.find("index.dat") != std::string::npos) {
        CFile::Remove(path);
        return;
    }
    std::string current = path;
    const std::string shred = FreeShredName(path);
    if (shred != path && FileSystem::Rename(path, shred)) current = shred;
    // When the rename failed the file is still overwritten, under its own name.
    OverwriteTwice(current);
    CFile::Remove(current);
}

int ShredFile(const std::string& path) { return OverwriteTwice(path) ? 1 : -1; }

int WipeIndexFile(const std::string& path)
{
    WritableFile file(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!file) return 0;
    const unsigned long long length = file.Length();
    if (length > kIndexHeader) {
        LARGE_INTEGER at;
        at.QuadPart = kIndexHeader;
        SetFilePointerEx(file.Handle(), at, nullptr, FILE_BEGIN);
        WriteFill(file.Handle(), 0x00, length - kIndexHeader, kWipeBlock);
    }
    return 1;
}

float GetFileSizeKB(const std::string& path)
{
    CFileStatus status;
    return CFile::GetStatus(path, status) ? BytesToKB(status.m_size) : 0.0f;
}
