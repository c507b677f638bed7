// Runs before every other test program: if it fails, ctest runs none of the tests that delete.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include "tests/support/files.h"
#include "tests/support/sandbox_guard.h"

TEST(Sandbox, NoDriveLeadsOutsideAndNoLinkBelowUsers)
{
    const auto violations = SandboxViolations();
    for (const auto& v : violations) ADD_FAILURE() << v;
    EXPECT_EQ(GetFileAttributesA("Z:\\"), INVALID_FILE_ATTRIBUTES) << "drive Z: exists";
}

TEST(Sandbox, RecycleBinLivesInTheBuildFolder)
{
    const std::string name = "ombrix-sandbox-canary-" + std::to_string(GetCurrentProcessId()) + ".txt";
    const std::string path = "C:\\ombrix\\work\\" + name;
    files::Write(path, "canary");
    std::string from = path + '\0';
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    ASSERT_EQ(SHFileOperationA(&op), 0);
    EXPECT_FALSE(files::Exists(path));
    const std::string trashed = UnixBuildPath("home\\.local\\share\\Trash\\files\\" + name);
    EXPECT_TRUE(files::Exists(trashed)) << "the recycle bin is not inside the build folder";
    DeleteFileA(trashed.c_str());
    DeleteFileA(UnixBuildPath("home\\.local\\share\\Trash\\info\\" + name + ".trashinfo").c_str());
}
