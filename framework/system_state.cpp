#include "framework/system_state.h"
#include <windows.h>
#include "framework/system_library.h"

namespace {

using FlushFunction = BOOL(WINAPI*)();

FlushFunction ResolverFlush() { return SystemFunction<FlushFunction>("dnsapi.dll", "DnsFlushResolverCache"); }

// Owns the clipboard while it is open: only one window (or thread, with no window) may.
class ClipboardOpen {
public:
    ClipboardOpen() : m_open(OpenClipboard(nullptr) != FALSE) {}
    ~ClipboardOpen()
    {
        if (m_open) CloseClipboard();
    }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
    explicit operator bool() const { return m_open; }

private:
    bool m_open;
};

}  // namespace

bool ResolverCacheFlushable() { return ResolverFlush() != nullptr; }

bool FlushResolverCache()
{
    const FlushFunction flush = ResolverFlush();
    return flush && flush();
}

bool ClipboardHoldsContent() { return CountClipboardFormats() > 0; }

bool EmptyClipboardContent()
{
    const ClipboardOpen open;
    return open && EmptyClipboard();
}
