#include "tools/hostile_jump_lists.h"
#include <windows.h>
#include <algorithm>
#include "tools/compound_file_writer.h"
#include "tools/profile_tools.h"

namespace {

const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

enum class Expect { Removed, Pinned, NotRead };

struct PlantedList {
    const char* appId;
    Expect expect;
    std::string bytes;
};

std::string Recent(const std::string& root) { return root + "\\Recent"; }
std::string ListPath(const std::string& root, const PlantedList& list)
{
    return Recent(root) + "\\AutomaticDestinations\\" + list.appId + ".automaticDestinations-ms";
}

CompoundFileImage JumpList(int version, const std::string& destList, bool twoLinks = false)
{
    std::vector<CompoundStream> streams{{u"1", std::string("L\0\0\0link", 8)}, {u"DestList", destList}};
    if (twoLinks) streams.push_back({u"2", std::string("L\0\0\0link", 8)});
    return WriteCompoundFile(version, streams);
}

// Enough entries to take the stream past the mini stream's cutoff, into sectors of its own.
std::string LargeDestList() { return DestListStream(4, std::vector<int32_t>(40, -1)); }

// The last sector of the DestList stream names its first as the next one.
std::string CyclicChain()
{
    CompoundFileImage list = JumpList(3, LargeDestList());
    const std::vector<uint32_t>& sectors = list.streamSectors[1];
    Put32(list.bytes, list.FatEntryAt(sectors.back()), sectors.front());
    return list.bytes;
}

// The tree's top entry ("2", between "1" and "DestList") is its own right sibling: a search for
// "DestList" that trusts the tree goes round it for ever.
std::string SelfSibling()
{
    CompoundFileImage list = JumpList(3, DestListStream(1, {-1}), true);
    Put32(list.bytes, list.EntryAt(3) + 0x48, 3);
    return list.bytes;
}

// Cut in the middle of a sector of the DestList stream's own.
std::string CutShort()
{
    const CompoundFileImage list = JumpList(3, LargeDestList());
    return list.bytes.substr(0, list.SectorAt(list.streamSectors[1][2]) + list.sectorSize / 2);
}

// More FAT sectors than the header and one DIFAT sector can name, and the DIFAT sector names itself
// as the next one; the file is long enough for that many.
std::string DifatLoop()
{
    CompoundFileImage list = JumpList(3, DestListStream(4, {-1}));
    const uint32_t added = static_cast<uint32_t>(list.bytes.size() / list.sectorSize) - 1;  // the first added sector
    list.bytes.append(260 * list.sectorSize, '\0');
    Put32(list.bytes, 0x2C, 240);
    Put32(list.bytes, 0x44, added);
    Put32(list.bytes, 0x48, 2);
    for (uint32_t i = 1; i < 109; ++i) Put32(list.bytes, 0x4C + 4 * i, added + i);
    const size_t difat = list.SectorAt(added);
    for (uint32_t i = 0; i < 127; ++i) Put32(list.bytes, difat + 4 * i, added + 109 + i);
    Put32(list.bytes, difat + 4 * 127, added);
    return list.bytes;
}

std::vector<PlantedList> PlantedLists()
{
    return {{"7e4dca80246863e3", Expect::Removed, JumpList(3, DestListStream(1, {-1, -1})).bytes},
            {"918e0ecb43d17e23", Expect::Removed, JumpList(4, DestListStream(4, {-1})).bytes},
            {"b8ab77100df80ab2", Expect::Pinned, JumpList(3, DestListStream(4, {-1, 3})).bytes},
            {"0c0c0c0c0c0c0c01", Expect::NotRead, CyclicChain()},
            {"0c0c0c0c0c0c0c02", Expect::NotRead, SelfSibling()},
            {"0c0c0c0c0c0c0c03", Expect::NotRead, CutShort()},
            {"0c0c0c0c0c0c0c04", Expect::NotRead, DifatLoop()},
            {"0c0c0c0c0c0c0c05", Expect::NotRead, "not a compound file"}};
}

// Two sweeps at once (Deep Sweep's run) may each reach a list while the other holds it open, and
// then cannot read it: one of them reads it and says why it stays, and the canary check holds both
// to its bytes.
bool InSomeSweep(const std::vector<std::string>& logs, const std::string& line)
{
    return std::any_of(logs.begin(), logs.end(),
                       [&](const std::string& log) { return log.find(line) != std::string::npos; });
}

bool ShellRecentIs(const std::string& folder)
{
    char value[MAX_PATH] = {};
    DWORD size = sizeof value;
    return RegGetValueA(HKEY_CURRENT_USER, kUserShellFolders, "Recent", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                        RRF_NOEXPAND, nullptr, value, &size) == ERROR_SUCCESS && lstrcmpiA(value, folder.c_str()) == 0;
}

}  // namespace

void PlantHostileJumpLists(const std::string& root, bool asShellRecent)
{
    for (const PlantedList& list : PlantedLists()) WriteFileText(ListPath(root, list), list.bytes);
    if (!asShellRecent) return;
    SetRaw(HKEY_CURRENT_USER, kUserShellFolders, "Recent", REG_EXPAND_SZ, Recent(root) + '\0');
    SetText(HKEY_CURRENT_USER, kShellFolders, "Recent", Recent(root));
}

void CheckHostileJumpLists(const std::string& root, const std::vector<std::string>& logs,
                           std::vector<std::string>& problems)
{
    const bool swept = ShellRecentIs(Recent(root));
    for (const PlantedList& list : PlantedLists()) {
        const std::string path = ListPath(root, list);
        if (swept && list.expect == Expect::Removed) {
            if (Exists(path)) problems.push_back("trace left: " + path);
            continue;
        }
        if (ReadFileText(path) != list.bytes) problems.push_back("canary changed or lost: " + path);
        if (!swept) continue;
        const std::string line = "  Kept: " + path + (list.expect == Expect::Pinned ? " holds pinned items." : " (not read).");
        if (!InSomeSweep(logs, line)) problems.push_back("not logged: " + line);
    }
}
