#include <gtest/gtest.h>
#include "engine/file_removal.h"
#include "engine/sweep_finder.h"
#include "framework/file.h"
#include "engine/sweep_log.h"
#include "settings/settings_groups.h"
#include "settings/target_bits.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/support/scratch.h"

namespace {

// Holds a file open without sharing, as a program using it would.
class FileInUse {
public:
    explicit FileInUse(const std::string& path)
        : m_handle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~FileInUse() { if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle); }
    FileInUse(const FileInUse&) = delete;
    FileInUse& operator=(const FileInUse&) = delete;

private:
    HANDLE m_handle;
};

class RemovalTest : public SandboxTest {
protected:
    void SetUp() override
    {
        SandboxTest::SetUp();
        m_savedTargets = g_generalSettings.Targets;
        g_generalSettings.Targets = 0;
        files::Write(Path("outside.txt"), "canary");
    }
    void TearDown() override
    {
        EXPECT_EQ(files::Read(Path("outside.txt")), "canary") << "a canary outside the target was touched";
        g_generalSettings.Targets = m_savedTargets;
        SandboxTest::TearDown();
    }
    void Shredder(bool on) { g_generalSettings.Targets = on ? GeneralBit::Shredder : 0; }

    LogCapture m_log;
    int m_counter = 0;
    float m_kb = 0.0f;
    uint32_t m_savedTargets = 0;
};

}  // namespace

TEST_F(RemovalTest, TreeRemovalLogsFilesThenTheirFolderAndKeepsTheTop)
{
    files::WriteSized(Path("a\\b\\c.txt"), 2048);
    CSweepFinder(Path("a\\*.*"), false).RemoveTree(TreeMode::Plain, kStatusWindows, &m_counter, &m_kb);
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{
                                 "   Item 1, Remove file: " + Path("a\\b\\c.txt") + ", size 2.000(KB).",
                                 "   Item 2, Remove directory: " + Path("a\\b") + ", size 2.000(KB).",
                             }));
    EXPECT_EQ(m_counter, 2);
    EXPECT_FLOAT_EQ(m_kb, 2.0f);
    EXPECT_TRUE(files::IsFolder(Path("a")));
    EXPECT_TRUE(files::List(Path("a")).empty());
    EXPECT_EQ(m_log.Status(kStatusWindows), "   Item 2, Remove directory: " + Path("a\\b") + ", size 2.000(KB).\n");
}

TEST_F(RemovalTest, WithoutACounterThePlainLinesGoToTheLogOnly)
{
    files::WriteSized(Path("a\\b\\c.txt"), 1024);
    CSweepFinder(Path("a\\*.*"), false).RemoveTree(TreeMode::Plain, kStatusWindows, nullptr, nullptr);
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{
                                 "   Remove file: " + Path("a\\b\\c.txt") + ", size 1.000(KB).",
                                 "   Remove file: " + Path("a\\b") + ", size 1.000(KB).",
                             }));
    EXPECT_EQ(m_log.Status(kStatusWindows), "Waiting to start sweeping");
}

TEST_F(RemovalTest, BrowserCacheModeKeepsDesktopIniAndReadOnlyFilesGo)
{
    files::Write(Path("cache\\desktop.ini"), "[x]");
    files::Write(Path("cache\\sub\\DESKTOP.INI"), "[x]");
    files::Write(Path("cache\\page.htm"), "p");
    SetFileAttributesA(Path("cache\\page.htm").c_str(), FILE_ATTRIBUTE_READONLY);
    CSweepFinder(Path("cache\\*.*"), false).RemoveTree(TreeMode::Cache, kStatusInternet, &m_counter, &m_kb);
    EXPECT_EQ(files::List(Path("cache")), (std::vector<std::string>{"desktop.ini", "sub"}));
    EXPECT_TRUE(files::Exists(Path("cache\\sub\\DESKTOP.INI")));

    CSweepFinder(Path("cache\\*.*"), false).RemoveTree(TreeMode::Plain, kStatusInternet, &m_counter, &m_kb);
    EXPECT_TRUE(files::List(Path("cache")).empty());
}

TEST_F(RemovalTest, FilesInUseAreScheduledForRebootOnlyWhenAllowed)
{
    files::WriteSized(Path("t\\busy.tmp"), 3072);
    FileInUse busy(Path("t\\busy.tmp"));
    CSweepFinder(Path("t\\*.*"), false).RemoveFiles(kStatusWindows, &m_counter, &m_kb);
    const std::string left = "  Left: " + Path("t\\busy.tmp") + " (in use).";
    EXPECT_EQ(m_log.Lines(), std::vector<std::string>{left}) << "it stays, and says so";
    EXPECT_EQ(m_counter, 0);

    CSweepFinder(Path("t\\*.*"), true).RemoveFiles(kStatusWindows, &m_counter, &m_kb);
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{left, "   Item 1, Remove file: " + Path("t\\busy.tmp") +
                                                                 ", size 3.000(KB) (After Rebooting)."}));
    EXPECT_FLOAT_EQ(m_kb, 3.0f);
    CSweepFinder(Path("t\\*.*"), true).RemoveFiles(kStatusWindows, nullptr, nullptr);
    EXPECT_EQ(m_log.Status(kStatusWindows),
              "   Remove file: " + Path("t\\busy.tmp") + ", size 3.000(KB) (After Rebooting).\n")
        << "the plain reboot line keeps the caller's status line";
}

TEST_F(RemovalTest, AFolderHoldingWhatTheWalkPassedOverIsNeitherScheduledNorLogged)
{
    // Something below is scheduled for the restart, but the link beside it stays, so the folders
    // above could not go at the restart either: no line may say they do.
    files::Write(Path("t\\sub\\inner\\busy.tmp"), "b");
    FileInUse busy(Path("t\\sub\\inner\\busy.tmp"));
    files::Write(Path("elsewhere\\keep.txt"), "k");
    ASSERT_TRUE(files::MakeFolderLink(Path("t\\sub\\inner\\link"), Path("elsewhere")));
    files::Write(Path("t\\plain\\gone.tmp"), "g");
    CSweepFinder(Path("t\\*.*"), true).RemoveTree(TreeMode::Plain, kStatusWindows, &m_counter, &m_kb);
    for (const std::string& line : m_log.Lines())
        EXPECT_EQ(line.find("Remove directory: " + Path("t\\sub")), std::string::npos) << line;
    EXPECT_EQ(m_log.Count("Remove directory: " + Path("t\\plain")), 1u);
    EXPECT_EQ(m_log.Count("(After Rebooting)"), 1u) << "only the file in use is scheduled";
    EXPECT_TRUE(files::Exists(Path("elsewhere\\keep.txt")));
    files::RemoveLink(Path("t\\sub\\inner\\link"));
}

TEST_F(RemovalTest, ALockedIndexFileIsWipedAfterItsHeader)
{
    std::string content(64, 'H');
    content += std::string(20000, 'D');
    files::Write(Path("cache\\index.dat"), content);
    {
        // Open with sharing for writing but not for deletion, as the browser holds it.
        HANDLE held = CreateFileA(Path("cache\\index.dat").c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        CSweepFinder(Path("cache\\*.*"), false).RemoveTree(TreeMode::Cache, kStatusInternet, &m_counter, &m_kb);
        CloseHandle(held);
    }
    const std::string after = files::Read(Path("cache\\index.dat"));
    ASSERT_EQ(after.size(), content.size());
    EXPECT_EQ(after.substr(0, 64), std::string(64, 'H'));
    EXPECT_EQ(after.substr(64), std::string(20000, '\0'));

    files::Write(Path("small.dat"), std::string(64, 's'));
    EXPECT_EQ(WipeIndexFile(Path("small.dat")), 1);
    EXPECT_EQ(files::Read(Path("small.dat")), std::string(64, 's'));
    EXPECT_EQ(WipeIndexFile(Path("missing.dat")), 0);
}

TEST_F(RemovalTest, ShredderRenamesOverwritesAndLogsTheOriginalPath)
{
    Shredder(true);
    files::Write(Path("s\\notes.txt"), "secret");
    CSweepFinder(Path("s\\*.*"), false).RemoveFiles(kStatusWindows, &m_counter, &m_kb);
    EXPECT_TRUE(files::List(Path("s")).empty());
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{"   Item 1, Remove file: " + Path("s\\notes.txt") +
                                                       ", size 0.006(KB)."}));
    // One "A" a character, however many bytes it takes.
    EXPECT_EQ(ShredName("C:\\ж\\日本.txt"), "C:\\ж\\AA.AAA");
}

TEST_F(RemovalTest, ShredderNeverDeletesAnotherFileThatHasTheShredName)
{
    Shredder(true);
    files::Write(Path("s\\AAAAA.AAA"), "someone else's file");
    files::Write(Path("s\\AAAAAA.AAA"), "and another");
    files::Write(Path("s\\notes.txt"), "secret");
    CSweepFinder(Path("s\\*.txt"), false).RemoveFiles(kStatusWindows, &m_counter, &m_kb);
    EXPECT_EQ(files::List(Path("s")), (std::vector<std::string>{"AAAAA.AAA", "AAAAAA.AAA"}));
    EXPECT_EQ(files::Read(Path("s\\AAAAA.AAA")), "someone else's file");
    EXPECT_EQ(m_counter, 1);
}

TEST_F(RemovalTest, AFileNamedLikeItsShredNameIsShreddedInPlaceAndCounted)
{
    Shredder(true);
    files::Write(Path("s\\AAAA.AA"), "content");
    CSweepFinder(Path("s\\*.*"), false).RemoveFiles(kStatusWindows, &m_counter, &m_kb);
    EXPECT_FALSE(files::Exists(Path("s\\AAAA.AA")));
    EXPECT_EQ(m_counter, 1);
}

TEST_F(RemovalTest, ShredFileOverwritesBothPassesOverTheWholeLength)
{
    files::Write(Path("f.bin"), std::string(1000, 'z'));
    EXPECT_GT(ShredFile(Path("f.bin")), 0);
    EXPECT_EQ(files::Read(Path("f.bin")), std::string(1000, '\0'));
    EXPECT_EQ(ShredFile(Path("missing.bin")), -1);
    {
        FileInUse busy(Path("f.bin"));
        EXPECT_EQ(ShredFile(Path("f.bin")), -1);
    }
}

TEST_F(RemovalTest, IndexFilesAreNeverShredded)
{
    Shredder(true);
    files::Write(Path("c\\index.dat"), "idx");
    RemoveOneFile(Path("c\\index.dat"));
    EXPECT_FALSE(files::Exists(Path("c\\index.dat")));
    EXPECT_TRUE(files::List(Path("c")).empty());
}

TEST_F(RemovalTest, KeepListsAndIndexFilesSurviveRemoveFilesExcept)
{
    files::Write(Path("ck\\friend.txt"), "f");
    files::Write(Path("ck\\stranger.txt"), "s");
    files::Write(Path("ck\\index.dat"), "i");
    files::Write(Path("ck\\sub\\deep.txt"), "d");
    FileInUse busy(Path("ck\\index.dat"));
    // Stored as another program may have written it: other case, "/" and a "." component.
    const PathPairs keep{{"Cookie:friend@", Path("ck") + "/./FRIEND.txt"}};
    CSweepFinder(Path("ck\\*.*"), true).RemoveFilesExcept(keep, kStatusInternet, &m_counter, &m_kb);
    EXPECT_EQ(files::List(Path("ck")), (std::vector<std::string>{"friend.txt", "index.dat", "sub"}));
    EXPECT_EQ(m_counter, 1);
}

TEST_F(RemovalTest, CollectFilesListsAllButIndexAndFriendlyCookies)
{
    files::Write(Path("ck\\a.txt"), "a");
    files::Write(Path("ck\\b.txt"), "b");
    files::Write(Path("ck\\index.dat"), "i");
    files::MakeDirs(Path("ck\\folder"));
    FriendlyCookieList saved;
    g_internetSettings.CopyFriendlyCookies(saved);
    g_internetSettings.ReplaceFriendlyCookies({{"", Path("ck\\b.txt")}});
    PathPairs list{{"stale", "stale"}};
    CSweepFinder(Path("ck\\*.*"), false).CollectFiles(list);
    g_internetSettings.ReplaceFriendlyCookies(saved);
    EXPECT_EQ(list, (PathPairs{{"", Path("ck\\a.txt")}}));
    EXPECT_EQ(files::List(Path("ck")).size(), 4u);
}

TEST_F(RemovalTest, FolderLinksAreNeverEntered)
{
    files::Write(Path("canary\\precious.doc"), "do not lose");
    files::MakeDirs(Path("empty-canary"));
    files::Write(Path("tmp\\junk.tmp"), "junk");
    ASSERT_TRUE(files::MakeFolderLink(Path("tmp\\link"), Path("canary")));
    ASSERT_TRUE(files::MakeFolderLink(Path("tmp\\empty-link"), Path("empty-canary")));
    CSweepFinder(Path("tmp\\*.*"), true).RemoveTree(TreeMode::Plain, kStatusWindows, &m_counter, &m_kb);
    CSweepFinder(Path("tmp\\*.*"), true).RemoveTree(TreeMode::Cache, kStatusWindows, &m_counter, &m_kb);
    CSweepFinder(Path("tmp\\link\\..\\*.*"), true).RemoveFiles(kStatusWindows, &m_counter, &m_kb);
    EXPECT_EQ(files::Read(Path("canary\\precious.doc")), "do not lose");
    EXPECT_TRUE(files::IsFolder(Path("empty-canary")));
    EXPECT_FALSE(files::Exists(Path("tmp\\junk.tmp")));
    EXPECT_EQ(m_counter, 1);
}

TEST_F(RemovalTest, EmptyRelativeAndRootPatternsRemoveNothing)
{
    files::Write(Path("work.txt"), "w");
    SetCurrentDirectoryA(Path("").c_str());
    for (const std::string pattern : {"", "*.*", "\\*.*", "work.txt", "C:*.*", "C:\\*.*", "C:\\*", "c:/*.*",
                                      "C:\\ombrix\\..\\*.*", "\\\\?\\unix\\*.*", "\\\\.\\C:\\*.*", "\\\\server\\share\\*.*", "\\\\*.*",
                                      "\\\\\\*.*", "\\\\*\\share\\x\\*.*", "\\\\server\\*.*"}) {
        EXPECT_NE(RefusedPatternReason(pattern), nullptr) << pattern;
        CSweepFinder(pattern, true).RemoveTree(TreeMode::Plain, kStatusWindows, &m_counter, &m_kb);
        CSweepFinder(pattern, true).RemoveFiles(kStatusWindows, &m_counter, &m_kb);
    }
    SetCurrentDirectoryA("C:\\ombrix\\work");
    EXPECT_EQ(m_counter, 0);
    EXPECT_TRUE(files::Exists(Path("work.txt")));
    EXPECT_EQ(RefusedPatternReason(Path("x\\*.*")), nullptr);
    EXPECT_EQ(RefusedPatternReason("\\\\server\\share\\folder\\*.*"), nullptr);
}

// A filter selects files by their long names at every level; folders stay, whatever their names.
TEST_F(RemovalTest, AFilterSelectsFilesByLongNameAtEveryLevel)
{
    for (const char* name : {"c\\a.tmp", "c\\b.doc", "c\\report.docx", "c\\x.document", "c\\page.html",
                             "c\\x.tmp\\important.doc", "c\\keep\\inner.tmp", "c\\keep\\inner.doc"})
        files::Write(Path(name), "f");
    CSweepFinder(Path("c\\*.tmp"), false).RemoveTree(TreeMode::Cache, kStatusWindows, &m_counter, &m_kb);
    EXPECT_EQ(files::List(Path("c")),
              (std::vector<std::string>{"b.doc", "keep", "page.html", "report.docx", "x.document", "x.tmp"}));
    EXPECT_EQ(files::List(Path("c\\keep")), (std::vector<std::string>{"inner.doc"}));
    EXPECT_TRUE(files::Exists(Path("c\\x.tmp\\important.doc")));
    EXPECT_EQ(m_counter, 2) << "two files, no folder lines";

    CSweepFinder(Path("c\\*.doc"), false).RemoveFiles(kStatusWindows, &m_counter, &m_kb);
    CSweepFinder(Path("c\\*.htm"), false).RemoveFiles(kStatusWindows, &m_counter, &m_kb);
    EXPECT_EQ(files::List(Path("c")), (std::vector<std::string>{"keep", "page.html", "report.docx", "x.document", "x.tmp"}))
        << "8.3 names never match";
}

TEST_F(RemovalTest, SizesAreSixtyFourBit)
{
    files::WriteSized(Path("big\\disk.img"), 5ull << 30, 'q');
    EXPECT_FLOAT_EQ(GetFileSizeKB(Path("big\\disk.img")), 5242880.0f);
    CSweepFinder(Path("big\\*.*"), false).RemoveFiles(kStatusWindows, &m_counter, &m_kb);
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{"   Item 1, Remove file: " + Path("big\\disk.img") +
                                                       ", size 5242880.000(KB)."}));
    EXPECT_FALSE(files::Exists(Path("big\\disk.img")));
}

TEST_F(RemovalTest, ShreddingAndWipingCoverFilesOverFourGigabytes)
{
    // Past 4 GB a 32-bit length would wrap to the last few kilobytes.
    const uint64_t size = (4ull << 30) + 4096;
    files::WriteSized(Path("big\\disk.img"), size, 'q');
    files::WriteAt(Path("big\\disk.img"), size - 4096, std::string(4096, 't'));
    ASSERT_GT(ShredFile(Path("big\\disk.img")), 0);
    EXPECT_EQ(files::Size(Path("big\\disk.img")), size);
    EXPECT_EQ(files::ReadAt(Path("big\\disk.img"), 0, 16), std::string(16, '\0'));
    EXPECT_EQ(files::ReadAt(Path("big\\disk.img"), size - 4096, 4096), std::string(4096, '\0'));

    files::WriteAt(Path("big\\disk.img"), 0, std::string(64, 'h'));
    files::WriteAt(Path("big\\disk.img"), size - 4096, std::string(4096, 't'));
    ASSERT_EQ(WipeIndexFile(Path("big\\disk.img")), 1);
    EXPECT_EQ(files::ReadAt(Path("big\\disk.img"), 0, 65), std::string(64, 'h') + '\0');
    EXPECT_EQ(files::ReadAt(Path("big\\disk.img"), size - 4096, 4096), std::string(4096, '\0'));
}

TEST_F(RemovalTest, MissingFilesHaveNoSize)
{
    EXPECT_EQ(GetFileSizeKB(Path("nothing")), 0.0f);
    EXPECT_THROW(RemoveOneFile(Path("nothing")), CFileException);
}
