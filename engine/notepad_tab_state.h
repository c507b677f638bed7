#pragma once
#include <cstdint>
#include <span>
#include <string>

// Windows 11 Notepad keeps one file per open tab in its TabState folder ("<GUID>.bin"), with the
// tab's options beside it ("<GUID>.0.bin", "<GUID>.1.bin"). Read from the file's bytes alone: every
// length is bounded by them, every varint by ten bytes, and every part must be followed by the
// CRC32 Notepad writes after it, so a damaged or foreign file is never mistaken for a tab.

// What a tab file says of its text.
enum class NotepadTabKind {
    Saved,           // a saved file, shown as saved: nothing in it but what is on disk
    Unsaved,         // never saved: its text is the only copy
    UnsavedChanges,  // a saved file with changes that are not on disk
    NotRead,         // not a tab file Ombrix can read
};

struct NotepadTab {
    NotepadTabKind kind = NotepadTabKind::NotRead;
    std::u16string savedPath;  // the saved file's path (a saved tab's)
};

// The tab a "<GUID>.bin" file holds: "NP", a sequence number, the kind (0 never saved, 1 saved), for
// a saved tab its path, size, encoding, line ends, time and hash, then the selection, the options,
// the text, whether it is unsaved, the CRC32; then the edits not yet folded into the text, each
// with its own CRC32.
NotepadTab ReadNotepadTab(std::span<const uint8_t> file);

// Whether a "<GUID>.0.bin" or "<GUID>.1.bin" file is one of a tab's option files: a kind of 2 or
// more, the selection and options, a CRC32, and no text after it.
bool IsNotepadOptionFile(std::span<const uint8_t> file);

// The CRC32 (the common polynomial, as zlib computes it) of the bytes.
uint32_t Crc32(std::span<const uint8_t> bytes);
