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
