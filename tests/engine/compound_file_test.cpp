#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <optional>
#include <string>
#include "engine/compound_file.h"
#include "engine/dest_list.h"
#include "tests/support/files.h"
#include "tests/support/scratch.h"
#include "tools/compound_file_writer.h"

namespace {

std::span<const uint8_t> Span(const std::string& bytes)
{
    return {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
}

std::optional<std::string> Read(const std::string& file, std::u16string_view name = u"DestList")
{
    const auto stream = ReadCompoundFileStream(Span(file), name);
    if (!stream) return std::nullopt;
    return std::string(stream->begin(), stream->end());
}

std::string Pattern(size_t size, char seed)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 + i / 251);
    return bytes;
}

const std::string kSmall = Pattern(300, 'a');   // in the mini stream
const std::string kLarge = Pattern(9000, 'b');  // in sectors of its own

CompoundFileImage Written(int version)
{
    return WriteCompoundFile(version, {{u"1", kSmall}, {u"DestList", kLarge}, {u"2", Pattern(64, 'c')}});
}

// What the system's own structured storage writes, with 4096-byte sectors when `sectorSize` says so.
std::string SystemWritten(const std::string& path, ULONG sectorSize)
{
    const std::wstring wide(path.begin(), path.end());
    STGOPTIONS options{};
    options.usVersion = 1;
    options.ulSectorSize = sectorSize;
    IStorage* storage = nullptr;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(StgCreateStorageEx(wide.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, STGFMT_DOCFILE, 0,
                                 &options, nullptr, IID_IStorage, reinterpret_cast<void**>(&storage)),
              S_OK);
    if (!storage) return {};
    IStorage* inner = nullptr;
    if (SUCCEEDED(storage->CreateStorage(L"Inner", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &inner))) {
        IStream* stream = nullptr;
        if (SUCCEEDED(inner->CreateStream(L"Hidden", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream)))
            stream->Release();
        inner->Release();
    }
    for (const auto& [name, data] : {std::pair<const wchar_t*, std::string>{L"1", kSmall}, {L"DestList", kLarge},
                                     {L"Small", Pattern(100, 'd')}}) {
        IStream* stream = nullptr;
        if (FAILED(storage->CreateStream(name, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream))) continue;
        stream->Write(data.data(), static_cast<ULONG>(data.size()), nullptr);
        stream->Release();
    }
    storage->Commit(STGC_DEFAULT);
    storage->Release();
    return files::Read(path);
}

}  // namespace

// Files of both versions, the system's and the writer's: small streams from the mini stream, large
// ones from their own sectors, names without case; only streams at the root count.
TEST(CompoundFile, ReadsRootStreamsOfBothVersions)
{
    FolderScratch scratch;
    for (ULONG sectorSize : {512ul, 4096ul}) {
        const std::string system = SystemWritten(scratch.Root() + "\\system.bin", sectorSize);
        ASSERT_GT(system.size(), 0x1Au);
        EXPECT_EQ(system[0x1A], sectorSize == 4096 ? 4 : 3) << "the version the sector size makes";
        EXPECT_EQ(Read(system), kLarge) << sectorSize;
        EXPECT_EQ(Read(system, u"1"), kSmall) << sectorSize;
        EXPECT_EQ(Read(system, u"small"), Pattern(100, 'd')) << sectorSize;
        EXPECT_EQ(Read(system, u"Hidden"), std::nullopt) << "a stream below a storage is not at the root";
        EXPECT_EQ(Read(system, u"Inner"), std::nullopt) << "a storage is no stream";
    }
    for (int version : {3, 4}) {
        const std::string file = Written(version).bytes;
        EXPECT_EQ(Read(file, u"destlist"), kLarge) << version;
        EXPECT_EQ(Read(file, u"1"), kSmall) << version;
        EXPECT_EQ(Read(file, u"2"), Pattern(64, 'c')) << version;
        EXPECT_EQ(Read(WriteCompoundFile(version, {{u"DestList", ""}}).bytes), "") << version;
        EXPECT_EQ(Read(file, u"3"), std::nullopt);
    }
}

// Loops in every chain and in the directory tree, counts and sizes past the file, sectors past its end
// and headers of other shapes: each gives nothing, at once. The file holds "1" and "2" in the mini
// stream and "DestList" in sectors of its own; its tree has "2" at the top, "1" left, "DestList" right.
TEST(CompoundFile, DamagedFilesGiveNothing)
{
    for (int version : {3, 4}) {
        const CompoundFileImage good = Written(version);
        const uint32_t shift = version == 3 ? 9 : 12;
        struct Damaged {
            std::string what;
            std::u16string stream;
            std::string bytes;
        };
        std::vector<Damaged> damaged;
        const auto damage = [&](const std::string& what, std::u16string stream, size_t at, uint32_t value) {
            std::string bytes = good.bytes;
            Put32(bytes, at, value);
            damaged.push_back({what, stream, bytes});
        };
        const std::vector<uint32_t>& large = good.streamSectors[1];
        damage("a cyclic stream chain", u"DestList", good.FatEntryAt(large.back()), large.front());
        damage("a stream chain into itself", u"DestList", good.FatEntryAt(large[1]), large[1]);
        damage("a cyclic directory chain", u"DestList", good.FatEntryAt(good.directorySectors.back()),
               good.directorySectors.front());
        damage("a cyclic mini stream chain", u"1", good.FatEntryAt(good.miniStreamSector), good.miniStreamSector);
        damage("a cyclic mini FAT chain", u"1", good.FatEntryAt(good.miniFatSector), good.miniFatSector);
        damage("a cyclic chain of mini sectors", u"1", good.SectorAt(good.miniFatSector) + 4 * 4, 0);
        for (const auto& [field, name] : {std::pair<size_t, const char*>{0x44, "left"}, {0x48, "right"}, {0x4C, "child"}}) {
            for (uint32_t id : {1u, 2u, 3u})
                damage("entry " + std::to_string(id) + " its own " + name, u"DestList", good.EntryAt(id) + field, id);
            damage(std::string("an entry's ") + name + " out of range", u"DestList", good.EntryAt(3) + field, 5000);
        }
        damage("the root its own child", u"DestList", good.EntryAt(0) + 0x4C, 0);
        damage("an entry reached twice", u"DestList", good.EntryAt(1) + 0x48, 2);
        damage("an unused entry in the tree", u"DestList", good.EntryAt(1) + 0x44, 4);
        damage("a chain past the file", u"DestList", good.FatEntryAt(large[2]), 0xFFFFF0);
        damage("a chain ending early", u"DestList", good.FatEntryAt(large[0]), 0xFFFFFFFE);
        damage("a huge FAT count", u"DestList", 0x2C, 0xFFFFFFFF);
        damage("no FAT", u"DestList", 0x2C, 0);
        damage("a huge mini FAT count", u"1", 0x40, 0x7FFFFFFF);
        damage("a huge stream", u"DestList", good.EntryAt(2) + 0x78, 0xFFFFFFF0);
        damage("a huge mini stream", u"1", good.EntryAt(0) + 0x78, 0x7FFFFFC0);
        damage("a sector shift out of range", u"DestList", 0x1C, 31u << 16 | 0xFFFE);
        damage("the other version's sector shift", u"DestList", 0x1C, (version == 3 ? 12u : 9u) << 16 | 0xFFFE);
        damage("another mini sector shift", u"1", 0x20, 7);
        damage("another cutoff", u"1", 0x38, 8192);
        damage("another byte order", u"DestList", 0x1C, shift << 16 | 0xFEFF);
        damage("a directory past the file", u"DestList", 0x30, 0x7FFFFFF0);
        // A DIFAT chain that names itself, in a file long enough for the FAT sectors it claims.
        std::string loop = good.bytes;
        const uint32_t added = static_cast<uint32_t>(loop.size() / good.sectorSize) - 1;  // the first added sector
        const uint32_t perDifat = static_cast<uint32_t>(good.sectorSize / 4 - 1);
        loop.append((110 + perDifat) * good.sectorSize, '\0');
        Put32(loop, 0x2C, 109 + perDifat + 1);
        Put32(loop, 0x44, added);
        Put32(loop, 0x48, 2);
        for (uint32_t i = 1; i < 109; ++i) Put32(loop, 0x4C + 4 * i, added + i);
        Put32(loop, good.SectorAt(added) + 4 * perDifat, added);
        damaged.push_back({"a DIFAT loop", u"DestList", loop});
        damaged.push_back({"cut mid-sector", u"DestList", good.bytes.substr(0, good.SectorAt(large[1]) + 100)});
        damaged.push_back({"cut to its header", u"1", good.bytes.substr(0, good.sectorSize)});
        damaged.push_back({"no compound file", u"DestList", "not a compound file"});
        damaged.push_back({"two streams of the name", u"DestList",
                           WriteCompoundFile(version, {{u"DestList", "a"}, {u"DESTLIST", "b"}}).bytes});
        for (const Damaged& file : damaged)
            EXPECT_EQ(Read(file.bytes, file.stream), std::nullopt) << file.what << ", version " << version;
        for (const auto& [name, content] : {std::pair<std::u16string, std::string>{u"1", kSmall}, {u"DestList", kLarge}})
            EXPECT_EQ(Read(good.bytes, name), content) << "the good file stays readable";
    }
}

// What a whole jump list says of pins, through the compound file, in both DestList layouts.
TEST(CompoundFile, JumpListPins)
{
    const auto pins = [](int version, const std::string& destList) {
        return ReadJumpListPins(Span(WriteCompoundFile(version, {{u"1", "L"}, {u"DestList", destList}}).bytes));
    };
    EXPECT_EQ(pins(3, DestListStream(1, {-1, -1})), DestListPins::None);
    EXPECT_EQ(pins(4, DestListStream(4, {-1})), DestListPins::None);
    EXPECT_EQ(pins(3, DestListStream(4, std::vector<int32_t>(40, -1))), DestListPins::None) << "past the cutoff";
    EXPECT_EQ(pins(3, DestListStream(1, {-1, 0})), DestListPins::Pinned);
    EXPECT_EQ(pins(3, DestListStream(1, {-1}).substr(0, 40)), DestListPins::Unreadable);
    EXPECT_EQ(ReadJumpListPins(Span(WriteCompoundFile(3, {{u"1", "L"}}).bytes)), DestListPins::Unreadable)
        << "no DestList";
    EXPECT_EQ(ReadJumpListPins(Span(std::string("not a compound file"))), DestListPins::Unreadable);
}
