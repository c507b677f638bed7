#include <gtest/gtest.h>
#include "engine/protected_folders.h"
#include "tests/support/files.h"
#include "tests/support/registry_tree.h"
#include "tests/support/scratch.h"

namespace {

const char* const kShellFolderKeys[] = {"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"};

class KeptFoldersTest : public SandboxTest {};

}  // namespace

// What a sweep keeps is decided at its start: deleting where the user's Documents is, in the middle of
// a sweep, does not free the moved folder for what the sweep does next; the next sweep looks again.
TEST_F(KeptFoldersTest, ASweepKeepsTheFoldersOfItsStart)
{
    const std::string moved = Path("Moved Documents");
    files::MakeDirs(moved + "\\Notes");
    reg::SetRaw(HKEY_CURRENT_USER, kShellFolderKeys[0], "Personal", REG_EXPAND_SZ, moved + '\0');
    reg::SetText(HKEY_CURRENT_USER, kShellFolderKeys[1], "Personal", moved);
    const std::string notes = moved + "\\Notes";
    ASSERT_NE(ProtectedFolderRefusal(notes, notes, PatternSource::Data), "") << "the moved Documents is kept";
    {
        const KeptFoldersHold sweep;
        for (const char* key : kShellFolderKeys) RegDeleteKeyValueA(HKEY_CURRENT_USER, key, "Personal");
        EXPECT_EQ(ProtectedFolderRefusal(notes, notes, PatternSource::Data),
                  "  Refused: " + notes + " lies inside a user's folder.\n");
        const KeptFoldersHold another;  // a second worker of the same sweep
    }
    EXPECT_EQ(ProtectedFolderRefusal(notes, notes, PatternSource::Data), "") << "a later sweep finds Documents anew";
}
