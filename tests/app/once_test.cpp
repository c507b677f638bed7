#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "app/command_line.h"
#include "res/version.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch.h"
#include "tools/profile_tools.h"
#include "tools/trace_profile.h"


TEST(CommandLine, SwitchesTakeTheirValueAndAreCaseSensitive)
{
    char program[] = "Ombrix.exe", once[] = "/once", now[] = "now", other[] = "-ONCE", plain[] = "plain";
    char* argv[] = {program, plain, once, now, other};
    AppCommandLineInfo info;
    info.Parse(5, argv);
    EXPECT_TRUE(info.Has("once"));
    EXPECT_EQ(info.Value("once"), "now");
    EXPECT_TRUE(info.Has("ONCE"));
    EXPECT_EQ(info.Value("ONCE"), "TRUE");
    EXPECT_FALSE(info.Has("plain"));

    AppCommandLineInfo capitals;
    char* argv2[] = {program, other};
    capitals.Parse(2, argv2);
    EXPECT_FALSE(capitals.Has("once"));
}

// Sweeps the planted profile with the real program, in the sandbox's own registry and a folder of its
// own, and checks that every trace is gone and every canary intact. A cache index is held open as a
// browser holds it: it stays, its entries overwritten.
TEST(SweepOnce, SweepsThePlantedProfileAndKeepsEveryCanary)
{
    const std::string root = "C:\\ombrix\\scratch\\once-" + std::to_string(GetCurrentProcessId());
    PlantTraceProfile(root);
    SetProfileEnvironment(root);
    const std::string index = root + "\\Profile\\AppData\\Local\\Microsoft\\Windows\\INetCache\\Content.IE5\\index.dat";
    WriteFileText(index, std::string(4096, 'u'));
    HANDLE held = CreateFileA(index.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD code = 99;
    const std::string output = RunCapturing("\"C:\\ombrix\\bin\\Ombrix.exe\" -once", &code);
    CloseHandle(held);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ReadFileText(index), std::string(64, 'u') + std::string(4096 - 64, '\0'));
    EXPECT_NE(output.find("  Clean up MRU in registry key: Explorer\\RunMRU\n"), std::string::npos) << output;
    EXPECT_NE(output.find("  Clean up 'Recycle Bin'. Items 2,"), std::string::npos) << output;
    const auto problems = CheckTraceProfile(root);
    for (const auto& p : problems) ADD_FAILURE() << p;
    RemoveScratchTree(root);
}

// The program's version resource and manifest carry the one project version, and the license.
TEST(Program, CarriesTheOneVersionAndItsLicense)
{
    const char* const exe = "C:\\ombrix\\bin\\Ombrix.exe";
    DWORD ignored = 0;
    std::vector<BYTE> info(GetFileVersionInfoSizeA(exe, &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(exe, 0, static_cast<DWORD>(info.size()), info.data()));
    auto text = [&](const char* name) {
        char* value = nullptr;
        UINT length = 0;
        const std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
        return VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ? std::string(value)
                                                                                                    : std::string();
    };
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(MAKELONG(OMBRIX_VERSION_MINOR, OMBRIX_VERSION_MAJOR)));
    EXPECT_EQ(text("ProductVersion"), OMBRIX_VERSION_TEXT);
    EXPECT_EQ(text("FileVersion"), OMBRIX_FILE_VERSION_TEXT);
    EXPECT_NE(text("LegalCopyright").find("Quillane. MIT License"), std::string::npos);

    HMODULE image = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    HRSRC manifest = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    const std::string xml(static_cast<const char*>(LockResource(LoadResource(image, manifest))),
                          SizeofResource(image, manifest));
    EXPECT_NE(xml.find(std::string("version=\"") + OMBRIX_FILE_VERSION_TEXT + "\""), std::string::npos) << xml;
    FreeLibrary(image);
}
