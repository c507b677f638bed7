#include "framework/structured_storage.h"
#include <windows.h>
#include <objbase.h>
#include <memory>

namespace {

struct Releaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <class Interface>
using ComOwner = std::unique_ptr<Interface, Releaser>;

// Memory the lock bytes own and free on their last release.
HGLOBAL CopyToGlobal(const std::vector<unsigned char>& bytes)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return nullptr;
    if (void* at = GlobalLock(memory)) {
        CopyMemory(at, bytes.data(), bytes.size());
        GlobalUnlock(memory);
        return memory;
    }
    GlobalFree(memory);
    return nullptr;
}

// Structured storage needs COM on the calling thread; a worker thread may not have it yet.
class ComScope {
public:
    ComScope() : m_started(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComScope()
    {
        if (m_started) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool m_started;
};

std::optional<std::vector<unsigned char>> ReadStream(IStream& stream, size_t limit)
{
    STATSTG status{};
    if (FAILED(stream.Stat(&status, STATFLAG_NONAME)) || status.cbSize.QuadPart > limit) return std::nullopt;
    std::vector<unsigned char> bytes(static_cast<size_t>(status.cbSize.QuadPart));
    ULONG read = 0;
    if (!bytes.empty() && (FAILED(stream.Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) ||
                           read != bytes.size()))
        return std::nullopt;
    return bytes;
}

}  // namespace

std::optional<std::vector<unsigned char>> ReadStorageStream(const std::vector<unsigned char>& file,
                                                            const wchar_t* stream, size_t limit)
{
    if (file.empty()) return std::nullopt;
    const ComScope com;
    HGLOBAL memory = CopyToGlobal(file);
    if (!memory) return std::nullopt;
    ILockBytes* rawBytes = nullptr;
    if (FAILED(CreateILockBytesOnHGlobal(memory, TRUE, &rawBytes))) {
        GlobalFree(memory);
        return std::nullopt;
    }
    const ComOwner<ILockBytes> bytes(rawBytes);
    IStorage* rawStorage = nullptr;
    if (StgIsStorageILockBytes(bytes.get()) != S_OK ||
        FAILED(StgOpenStorageOnILockBytes(bytes.get(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                          &rawStorage)))
        return std::nullopt;
    const ComOwner<IStorage> storage(rawStorage);
    IStream* rawStream = nullptr;
    if (FAILED(storage->OpenStream(stream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &rawStream)))
        return std::nullopt;
    const ComOwner<IStream> opened(rawStream);
    return ReadStream(*opened, limit);
}
