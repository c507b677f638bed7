#include "framework/console_output.h"
#include <windows.h>
#include <algorithm>

namespace {

void WriteTo(DWORD which, const std::string& text)
{
    HANDLE out = GetStdHandle(which);
    if (!out || out == INVALID_HANDLE_VALUE || GetFileType(out) == FILE_TYPE_UNKNOWN) return;
    for (size_t done = 0; done < text.size();) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 1u << 16));
        if (!WriteFile(out, text.data() + done, chunk, &written, nullptr) || written == 0) return;
        done += written;
    }
}

}  // namespace

void WriteStandardOutput(const std::string& text) { WriteTo(STD_OUTPUT_HANDLE, text); }
void WriteStandardError(const std::string& text) { WriteTo(STD_ERROR_HANDLE, text); }
