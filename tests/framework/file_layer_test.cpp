#include <gtest/gtest.h>
#include "framework/entry_handle.h"
#include "framework/file.h"
#include "framework/file_find.h"
#include "tests/support/files.h"
#include "tests/support/scratch.h"

namespace {
class FileLayerTest : public SandboxTest {};
}  // namespace

// A path far past MAX_PATH, with a name outside every old code page, is found, resolved and removed
// by the same calls as a short one.
TEST_F(FileLayerTest, LongPathsAndNonLatinNamesTakeTheSameCalls)
{
    std::string folder = Path("");
    for (int i = 0; i < 12; ++i) {
        folder += "\\package-with-a-long-name-" + std::to_string(i);
        ASSERT_TRUE(CreateDirectoryW(FileSystem::WideForm(folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
            << folder.size();
    }
    const std::string file = folder + "\\índex-日本.js";
    ASSERT_GT(file.size(), 360u);
    {
        CFileHandle create(file, GENERIC_WRITE, 0, CREATE_ALWAYS);
        ASSERT_TRUE(create);
    }
    FileIdentity identity;
    ASSERT_TRUE(FileSystem::Identify(file, identity, false));
    EXPECT_TRUE(FileSystem::SamePath(identity.finalPath, file)) << identity.finalPath;

    CFileFind find;
    ASSERT_TRUE(find.FindFile(folder + "\\*") || find.GetFileName().empty());
    bool found = false;
    for (bool more = true; more;) {
        more = find.FindNextFile();
        if (find.GetFileName() == "índex-日本.js") found = !find.IsNameLossy();
    }
    EXPECT_TRUE(found);

    // Through handles: the folder's own listing, the entry opened relative to it, removed by it.
    const CEntryHandle top = CEntryHandle::OpenFolder(folder);
    std::vector<ListedEntry> entries;
    ASSERT_TRUE(top.List(entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "índex-日本.js");
    CEntryHandle entry = CEntryHandle::OpenFile(top, entries[0].wideName, true);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry.Hold(), EntryHold::Alone);
    unsigned long long bytes = 1;
    DWORD links = 0;
    EXPECT_TRUE(entry.Size(bytes, links));
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(links, 1u);
    EXPECT_TRUE(entry.MarkForDeletion());
    entry.Close();
    EXPECT_FALSE(NameInFolder(top, entries[0].wideName));
    EXPECT_FALSE(FileSystem::Exists(file));
}

// A folder's own listing gives it the index its parent's listing gave it; a folder swapped for a link
// after its parent was listed shows another, so a walk holding the first listing can tell.
TEST_F(FileLayerTest, AFolderSwappedForALinkListsAnotherIndex)
{
    files::MakeDirs(Path("parent\\child"));
    files::MakeDirs(Path("elsewhere"));
    const CEntryHandle parent = CEntryHandle::OpenFolder(Path("parent"));
    std::vector<ListedEntry> entries;
    ASSERT_TRUE(parent.List(entries));
    ASSERT_EQ(entries.size(), 1u);
    const ListedEntry child = entries[0];
    ASSERT_NE(child.fileId, 0u);
    unsigned long long self = 0;
    {
        const CEntryHandle opened = CEntryHandle::OpenSubFolderToList(parent, child.wideName);
        ASSERT_TRUE(opened);
        EXPECT_TRUE(opened.List(entries, &self));
        EXPECT_EQ(self, child.fileId);
    }
    ASSERT_TRUE(MoveFileA(Path("parent\\child").c_str(), Path("moved").c_str()));
    ASSERT_TRUE(files::MakeFolderLink(Path("parent\\child"), Path("elsewhere")));
    const CEntryHandle swapped = CEntryHandle::OpenSubFolderToList(parent, child.wideName);
    ASSERT_TRUE(swapped);
    swapped.List(entries, &self);
    EXPECT_NE(self, child.fileId);
}
