// The Notepad tab reader over arbitrary bytes, natively under libFuzzer and AddressSanitizer: it must
// neither crash, read out of bounds nor loop; a saved path fits in its file; a file read as a saved
// tab ends with its CRC32, so that one byte less is never one; and no file is both a tab and an
// option file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include "engine/notepad_tab_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
    const NotepadTab tab = ReadNotepadTab(file);
    if (tab.savedPath.size() * 2 > size) abort();
    if (tab.kind == NotepadTabKind::Saved && ReadNotepadTab(file.first(size - 1)).kind == NotepadTabKind::Saved) abort();
    if (tab.kind != NotepadTabKind::NotRead && IsNotepadOptionFile(file)) abort();
    return 0;
}
