#include <gtest/gtest.h>
#include <string>
#include "engine/notepad_tab_state.h"
#include "tools/windows_apps_traces.h"

namespace {

std::span<const uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

NotepadTabKind KindOf(const std::string& file) { return ReadNotepadTab(Bytes(file)).kind; }

const std::u16string kPath = u"C:\\Users\\someone\\notes.txt";

}  // namespace

// The tabs Notepad writes, each read for what it says of its text.
TEST(NotepadTabState, ReadsWhatEachTabSaysOfItsText)
{
    const NotepadTab saved = ReadNotepadTab(Bytes(NotepadTabFile({kPath, u"saved text", false, {}})));
    EXPECT_EQ(saved.kind, NotepadTabKind::Saved);
    EXPECT_EQ(saved.savedPath, kPath);
    EXPECT_EQ(KindOf(NotepadTabFile({u"", u"typed, never saved", true, {}})), NotepadTabKind::Unsaved);
    EXPECT_EQ(KindOf(NotepadTabFile({u"", u"", false, {}})), NotepadTabKind::Unsaved) << "an empty new tab too";
    EXPECT_EQ(KindOf(NotepadTabFile({kPath, u"changed", true, {}})), NotepadTabKind::UnsavedChanges);
    EXPECT_EQ(KindOf(NotepadTabFile({kPath, u"saved text", false, {u"typed", u" since"}})), NotepadTabKind::UnsavedChanges)
        << "edits not yet folded into the text";
    EXPECT_TRUE(IsNotepadOptionFile(Bytes(NotepadOptionFile())));
    EXPECT_EQ(KindOf(NotepadOptionFile()), NotepadTabKind::NotRead) << "an option file is no tab";
    EXPECT_FALSE(IsNotepadOptionFile(Bytes(NotepadTabFile({kPath, u"saved text", false, {}}))));
    EXPECT_EQ(Crc32(Bytes("123456789")), 0xCBF43926u);
}

// A saved tab that is cut anywhere, or has any one bit changed, is not read: only a tab whose every
// part holds is ever taken for saved (the sequence number alone, in its third byte, is no part of
// what its CRC32 covers). The same of an option file.
TEST(NotepadTabState, ACutOrChangedFileIsNotRead)
{
    const std::string saved = NotepadTabFile({kPath, u"saved text", false, {}});
    for (size_t size = 0; size < saved.size(); ++size)
        EXPECT_EQ(KindOf(saved.substr(0, size)), NotepadTabKind::NotRead) << "cut at " << size;
    for (const std::string& file : {saved, NotepadTabFile({kPath, u"saved text", false, {u"edit"}})})
        for (size_t at = 0; at < file.size(); ++at)
            for (int bit = 0; bit < 8; ++bit) {
                if (at == 2 && bit < 7) continue;
                std::string changed = file;
                changed[at] = static_cast<char>(changed[at] ^ (1 << bit));
                EXPECT_NE(KindOf(changed), NotepadTabKind::Saved) << "bit " << bit << " of byte " << at;
            }
    const std::string option = NotepadOptionFile();
    for (size_t size = 0; size < option.size(); ++size) EXPECT_FALSE(IsNotepadOptionFile(Bytes(option.substr(0, size))));
    EXPECT_FALSE(IsNotepadOptionFile(Bytes(option + "x"))) << "nothing may follow its CRC";
    // A length past the file, and a varint past 64 bits.
    EXPECT_EQ(KindOf(std::string("NP\x00\x00\x01\x00\x00\x01\x00\x00\x00", 11) + std::string(9, '\x80') + "\x01" + "text"),
              NotepadTabKind::NotRead);
    EXPECT_EQ(KindOf("NP" + std::string(10, '\xFF') + "\x7F"), NotepadTabKind::NotRead);
}
