#include "engine/compound_file.h"
#include <algorithm>

namespace {

using Bytes = std::span<const uint8_t>;

constexpr uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t kHeaderBytes = 512;
constexpr size_t kHeaderDifatAt = 0x4C;
constexpr size_t kHeaderDifatEntries = 109;
constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;  // sectors are numbered below it
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;
constexpr size_t kEntryBytes = 128;
constexpr size_t kMiniSectorBytes = 64;
constexpr uint64_t kMiniStreamCutoff = 4096;
constexpr uint8_t kStorage = 1;
constexpr uint8_t kStream = 2;
constexpr uint8_t kRoot = 5;

// Header fields.
constexpr size_t kFatSectorsAt = 0x2C;
constexpr size_t kFirstDirectoryAt = 0x30;
constexpr size_t kFirstMiniFatAt = 0x3C;
constexpr size_t kMiniFatSectorsAt = 0x40;
constexpr size_t kFirstDifatAt = 0x44;
constexpr size_t kDifatSectorsAt = 0x48;
// Directory entry fields.
constexpr size_t kNameLengthAt = 0x40;
constexpr size_t kTypeAt = 0x42;
constexpr size_t kLeftAt = 0x44;
constexpr size_t kRightAt = 0x48;
constexpr size_t kChildAt = 0x4C;
constexpr size_t kStartAt = 0x74;
constexpr size_t kSizeAt = 0x78;

uint16_t Read16(Bytes bytes, size_t at) { return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8); }
uint32_t Read32(Bytes bytes, size_t at) { return Read16(bytes, at) | uint32_t{Read16(bytes, at + 2)} << 16; }

std::vector<uint32_t> Read32s(Bytes bytes)
{
    std::vector<uint32_t> values;
    values.reserve(bytes.size() / 4);
    for (size_t at = 0; at + 4 <= bytes.size(); at += 4) values.push_back(Read32(bytes, at));
    return values;
}

// The file as sectors: their size, how many the file holds (the last may be cut short) and the
// allocation table that chains them.
struct Sectors {
    Bytes file;
    size_t size = 0;
    size_t count = 0;
    std::vector<uint32_t> fat;
};

// The first `bytes` of a sector; nothing when the sector or those bytes lie past the file's end.
std::optional<Bytes> SectorBytes(const Sectors& sectors, uint32_t sector, size_t bytes)
{
    if (sector >= sectors.count) return std::nullopt;
    const size_t at = (size_t{sector} + 1) * sectors.size;  // the header takes the place of sector -1
    if (at > sectors.file.size() || sectors.file.size() - at < bytes) return std::nullopt;
    return sectors.file.subspan(at, bytes);
}

// Version 3 with 512-byte sectors or version 4 with 4096-byte ones, little-endian, 64-byte mini
// sectors below the 4096-byte cutoff: anything else is not a file this reader knows.
std::optional<Sectors> ReadHeader(Bytes file)
{
    if (file.size() < kHeaderBytes || !std::equal(std::begin(kSignature), std::end(kSignature), file.begin()))
        return std::nullopt;
    const uint16_t major = Read16(file, 0x1A);
    const uint16_t shift = Read16(file, 0x1E);
    if (Read16(file, 0x1C) != 0xFFFE || Read16(file, 0x20) != 6 || Read32(file, 0x38) != kMiniStreamCutoff ||
        !((major == 3 && shift == 9) || (major == 4 && shift == 12)))
        return std::nullopt;
    Sectors sectors;
    sectors.file = file;
    sectors.size = size_t{1} << shift;
    if (file.size() <= sectors.size) return std::nullopt;
    sectors.count = std::min<size_t>((file.size() - 1) / sectors.size, kMaxRegularSector);
    return sectors;
}

// Where the FAT's sectors are: the header's first 109 locations, then those of the DIFAT chain,
// whose sectors each hold a sector's worth of locations but the last, which names the next sector.
// The chain may not be longer than the header says nor visit a sector twice.
std::optional<std::vector<uint32_t>> FatLocations(const Sectors& sectors)
{
    const uint32_t fatSectors = Read32(sectors.file, kFatSectorsAt);
    if (fatSectors == 0 || fatSectors > sectors.count) return std::nullopt;
    std::vector<uint32_t> locations;
    for (size_t i = 0; i < kHeaderDifatEntries && locations.size() < fatSectors; ++i)
        locations.push_back(Read32(sectors.file, kHeaderDifatAt + 4 * i));
    const size_t perSector = sectors.size / 4 - 1;
    std::vector<bool> seen(sectors.count);
    uint32_t next = Read32(sectors.file, kFirstDifatAt);
    for (uint32_t left = Read32(sectors.file, kDifatSectorsAt); locations.size() < fatSectors; --left) {
        const auto sector = SectorBytes(sectors, next, sectors.size);
        if (left == 0 || !sector || seen[next]) return std::nullopt;
        seen[next] = true;
        for (size_t i = 0; i < perSector && locations.size() < fatSectors; ++i) locations.push_back(Read32(*sector, 4 * i));
        next = Read32(*sector, 4 * perSector);
    }
    return locations;
}

bool ReadFat(Sectors& sectors)
{
    const auto locations = FatLocations(sectors);
    if (!locations) return false;
    for (uint32_t location : *locations) {
        const auto sector = SectorBytes(sectors, location, sectors.size);
        if (!sector) return false;
        const std::vector<uint32_t> entries = Read32s(*sector);
        sectors.fat.insert(sectors.fat.end(), entries.begin(), entries.end());
    }
    return true;
}

// A chain of units (the file's sectors, or the mini stream's mini sectors) from `first`, each unit's
// successor in `next`: its first `length` bytes, or without a length every whole unit. The chain is
// followed to its end whatever the length: a unit outside the table or the bytes, or met twice (a
// loop), is a damage, and so is a chain too short for the length: nothing.
template <class UnitBytes>
std::optional<std::vector<uint8_t>> ReadChain(const std::vector<uint32_t>& next, size_t units, size_t unitSize,
                                              UnitBytes unitBytes, uint32_t first, std::optional<uint64_t> length)
{
    if (length && *length > units * unitSize) return std::nullopt;
    std::vector<uint8_t> bytes;
    std::vector<bool> seen(std::min(units, next.size()));
    for (uint32_t unit = first; unit != kEndOfChain; unit = next[unit]) {
        if (unit >= seen.size() || seen[unit]) return std::nullopt;
        seen[unit] = true;
        const size_t want = length ? static_cast<size_t>(std::min<uint64_t>(unitSize, *length - bytes.size())) : unitSize;
        if (want == 0) continue;
        const std::optional<Bytes> part = unitBytes(unit, want);
        if (!part) return std::nullopt;
        bytes.insert(bytes.end(), part->begin(), part->end());
    }
    if (length && bytes.size() != *length) return std::nullopt;
    return bytes;
}

std::optional<std::vector<uint8_t>> ReadSectorChain(const Sectors& sectors, uint32_t first,
                                                    std::optional<uint64_t> length)
{
    const auto unitBytes = [&](uint32_t unit, size_t want) { return SectorBytes(sectors, unit, want); };
    return ReadChain(sectors.fat, sectors.count, sectors.size, unitBytes, first, length);
}

// Version 3 files may carry garbage in the size's upper half, which readers ignore.
uint64_t StreamSize(const Sectors& sectors, Bytes entry)
{
    const uint64_t low = Read32(entry, kSizeAt);
    return sectors.size == kHeaderBytes ? low : low | uint64_t{Read32(entry, kSizeAt + 4)} << 32;
}

Bytes EntryAt(Bytes directory, uint32_t id) { return directory.subspan(size_t{id} * kEntryBytes, kEntryBytes); }

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool NameIs(Bytes entry, std::u16string_view name)
{
    if (name.size() > 31 || Read16(entry, kNameLengthAt) != (name.size() + 1) * 2) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (Upper(Read16(entry, 2 * i)) != Upper(name[i])) return false;
    return true;
}

// The stream of that name among the root's children. The whole tree is walked, every storage's
// children too, so that an entry out of range, met twice, neither a storage nor a stream, or a stream
// with children fails the file wherever it lies; a name found twice at the root is no answer either.
std::optional<uint32_t> FindRootStream(Bytes directory, std::u16string_view name)
{
    const size_t count = directory.size() / kEntryBytes;
    if (count == 0 || directory[kTypeAt] != kRoot) return std::nullopt;
    std::vector<bool> seen(count);
    seen[0] = true;
    struct Pending {
        uint32_t id;
        bool atRoot;
    };
    std::vector<Pending> pending{{Read32(directory, kChildAt), true}};
    std::optional<uint32_t> found;
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        if (next.id == kNoEntry) continue;
        if (next.id >= count || seen[next.id]) return std::nullopt;
        seen[next.id] = true;
        const Bytes entry = EntryAt(directory, next.id);
        const uint8_t type = entry[kTypeAt];
        if ((type != kStorage && type != kStream) || (type == kStream && Read32(entry, kChildAt) != kNoEntry))
            return std::nullopt;
        if (next.atRoot && type == kStream && NameIs(entry, name)) {
            if (found) return std::nullopt;
            found = next.id;
        }
        pending.push_back({Read32(entry, kLeftAt), next.atRoot});
        pending.push_back({Read32(entry, kRightAt), next.atRoot});
        pending.push_back({Read32(entry, kChildAt), false});
    }
    return found;
}

// A stream below the cutoff lies in the mini stream (the root entry's own chain of sectors), in
// 64-byte mini sectors that the mini FAT (a chain of sectors from the header) chains.
std::optional<std::vector<uint8_t>> ReadMiniStream(const Sectors& sectors, Bytes directory, uint32_t first,
                                                   uint64_t length)
{
    const Bytes root = EntryAt(directory, 0);
    const auto mini = ReadSectorChain(sectors, Read32(root, kStartAt), StreamSize(sectors, root));
    const auto miniFat = ReadSectorChain(sectors, Read32(sectors.file, kFirstMiniFatAt),
                                         uint64_t{Read32(sectors.file, kMiniFatSectorsAt)} * sectors.size);
    if (!mini || !miniFat) return std::nullopt;
    const Bytes stream(*mini);
    const auto unitBytes = [&](uint32_t unit, size_t want) -> std::optional<Bytes> {
        const size_t at = size_t{unit} * kMiniSectorBytes;
        if (stream.size() - at < want) return std::nullopt;
        return stream.subspan(at, want);
    };
    const size_t units = (stream.size() + kMiniSectorBytes - 1) / kMiniSectorBytes;
    return ReadChain(Read32s(*miniFat), units, kMiniSectorBytes, unitBytes, first, length);
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadCompoundFileStream(std::span<const uint8_t> file, std::u16string_view name)
{
    auto sectors = ReadHeader(file);
    if (!sectors || !ReadFat(*sectors)) return std::nullopt;
    const auto directory = ReadSectorChain(*sectors, Read32(file, kFirstDirectoryAt), std::nullopt);
    if (!directory) return std::nullopt;
    const auto id = FindRootStream(*directory, name);
    if (!id) return std::nullopt;
    const Bytes entry = EntryAt(*directory, *id);
    const uint64_t size = StreamSize(*sectors, entry);
    if (size == 0) return std::vector<uint8_t>();
    if (size < kMiniStreamCutoff) return ReadMiniStream(*sectors, *directory, Read32(entry, kStartAt), size);
    return ReadSectorChain(*sectors, Read32(entry, kStartAt), size);
}
