#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>
#include <sstream>
#include "tests/support/run_program.h"
#include "tools/hostile_profile.h"
#include "tools/profile_tools.h"

namespace {

const char* const kOmbrix = "SOFTWARE\\Quillane\\Ombrix";
constexpr int kCanaries = 8;
constexpr int kSwapSeconds = 14;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Another program, from the Linux side, keeps exchanging names with renameat2(RENAME_EXCHANGE) for
// a bounded time: a folder of traces with a link to the canaries' folder, a trace file with a link
// to a canary, a trace file with a hard link of a canary, and the temp folder itself with a link to
// Documents. It refills the traces as the sweeps take them; only it moves the temp folder, so it
// always knows which is which and never writes through a link.
std::string SwapperProgram()
{
    std::ostringstream perl;
    perl << "use strict; my $end = time + " << kSwapSeconds << ";\n"
         // renameat2 on x86_64; syscall takes its strings as buffers, so they are copies
         << "sub swap { my ($x, $y) = @_; syscall(316, -100, $x, -100, $y, 2); }\n"
         << "sub fill { my $d = shift; mkdir $d; for my $i (1..20) { open(my $f, '>', \"$d/t$i.tmp\"); print $f 'trace'; close $f; } }\n"
         << "while (time < $end) {\n"
         << "  unless (-l 'Temp') {\n"
         << "    fill('Temp/victim') unless -e 'Temp/victim';\n"
         << "    symlink('../Canary', 'Temp/lnk') unless -e 'Temp/lnk' || -l 'Temp/lnk';\n"
         << "    unless (-e 'Temp/f.tmp') { open(my $f, '>', 'Temp/f.tmp'); print $f 'trace'; close $f; }\n"
         << "    symlink('../Canary/c1.txt', 'Temp/flink') unless -l 'Temp/flink' || -e 'Temp/flink';\n"
         << "    unless (-e 'Temp/h.tmp') { open(my $f, '>', 'Temp/h.tmp'); print $f 'trace'; close $f; }\n"
         << "    link('Canary/c2.txt', 'Temp/hard') unless -e 'Temp/hard';\n"
         << "    for (1..50) { swap('Temp/victim', 'Temp/lnk'); swap('Temp/f.tmp', 'Temp/flink'); swap('Temp/h.tmp', 'Temp/hard'); }\n"
         << "  }\n"
         << "  swap('Temp', 'TempLink');\n"
         << "}\n"
         << "swap('Temp', 'TempLink') if -l 'Temp';\n";
    return perl.str();
}

std::string StartSwapper(const std::string& root, const std::string& documents)
{
    WriteFileText(root + "\\swapper.pl", SwapperProgram());
    std::ostringstream s;
    s << "cd " << Quoted(UnixPathOf(root)) << "\n"
      << "ln -s " << Quoted(UnixPathOf(documents)) << " TempLink\n"
      // In a session of its own: the script's end must not end it.
      << "setsid sh -c 'perl swapper.pl; touch swapper.done' </dev/null >/dev/null 2>&1 &\n";
    return s.str();
}

void PlantSettings(bool shredder)
{
    SHDeleteKeyA(HKEY_CURRENT_USER, (std::string(kOmbrix) + "\\Windows").c_str());
    SetNumber(HKEY_CURRENT_USER, std::string(kOmbrix) + "\\Windows", "Targets", 0x08);  // temporary files
    SetNumber(HKEY_CURRENT_USER, std::string(kOmbrix) + "\\General Settings", "Targets",
              0x01 | 0x20 | (shredder ? 0x80 : 0));
}

}  // namespace

// Sweeps race another program that swaps checked names for links (to a folder, to a file, a hard
// link, and the temp folder itself to Documents): whatever the timing, nothing outside is lost or
// overwritten, with the Shredder and Deep Sweep on and off.
TEST(Race, NamesSwappedForLinksWhileSweepsRunLoseNothing)
{
    const std::string root = "C:\\ombrix\\scratch\\race-" + std::to_string(GetCurrentProcessId());
    const std::string documents = UserDocuments();
    std::vector<std::string> canaries;
    for (int i = 1; i <= kCanaries; ++i) canaries.push_back(root + "\\Canary\\c" + std::to_string(i) + ".txt");
    canaries.push_back(documents + "\\ombrix-race-canary.doc");
    for (const std::string& canary : canaries) WriteFileText(canary, HostileCanaryContent(canary));
    MakeFolders(root + "\\Temp");
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* name : {"TMP", "TEMP", "TMPDIR"}) {
        char value[1024] = {};
        GetEnvironmentVariableA(name, value, sizeof value);
        saved.emplace_back(name, value);
        SetEnvironmentVariableA(name, (root + "\\Temp").c_str());
    }
    ASSERT_TRUE(RunUnixScript(StartSwapper(root, documents)));

    int sweeps = 0, removals = 0;
    const std::string once = "\"C:\\ombrix\\bin\\Ombrix.exe\" /once";
    for (; !Exists(root + "\\swapper.done") && sweeps < 40; ++sweeps) {
        PlantSettings(sweeps % 2 == 1);
        DWORD code = 1;
        const std::string log = RunCapturing(once, &code);
        EXPECT_TRUE(code == 0 || code == 3) << code << " (3: a name in flux stayed) " << log.substr(0, 300);
        for (size_t at = log.find("Remove file: "); at != std::string::npos; at = log.find("Remove file: ", at + 1))
            ++removals;
    }
    for (int i = 0; i < 300 && !Exists(root + "\\swapper.done"); ++i) Sleep(100);
    EXPECT_GE(sweeps, 2) << "the sweeps did not overlap the swapping";
    EXPECT_GT(removals, 0) << "the sweeps found nothing to race for";
    for (const std::string& canary : canaries)
        EXPECT_EQ(ReadFileText(canary), HostileCanaryContent(canary)) << canary;

    for (const auto& [name, value] : saved) SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
    RunUnixScript("rm -rf " + Quoted(UnixPathOf(root)) + " " + Quoted(UnixPathOf(canaries.back())) + "\n");
    SHDeleteKeyA(HKEY_CURRENT_USER, (std::string(kOmbrix) + "\\Windows").c_str());
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_SET_VALUE,
                      &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "PendingFileRenameOperations");
        RegCloseKey(key);
    }
}
