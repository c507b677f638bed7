#include "tools/compound_file_writer.h"
#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kFatMark = 0xFFFFFFFD;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;
constexpr size_t kCutoff = 4096;
constexpr size_t kMiniSector = 64;
constexpr size_t kEntrySize = 128;
constexpr size_t kHeaderLocations = 109;
constexpr unsigned char kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

size_t Units(size_t bytes, size_t unit) { return (bytes + unit - 1) / unit; }

void Put16(std::string& bytes, size_t at, uint16_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

struct Entry {
    std::u16string name;
    uint8_t type = 0;
    uint8_t color = 1;  // black
    uint32_t left = kNoEntry;
    uint32_t right = kNoEntry;
    uint32_t child = kNoEntry;
    uint32_t start = 0;
    uint64_t size = 0;
};

void PutEntry(std::string& bytes, size_t at, const Entry& entry)
{
    for (size_t i = 0; i < entry.name.size(); ++i) Put16(bytes, at + 2 * i, entry.name[i]);
    Put16(bytes, at + 0x40, static_cast<uint16_t>(entry.name.empty() ? 0 : (entry.name.size() + 1) * 2));
    bytes[at + 0x42] = static_cast<char>(entry.type);
    bytes[at + 0x43] = static_cast<char>(entry.color);
    Put32(bytes, at + 0x44, entry.left);
    Put32(bytes, at + 0x48, entry.right);
    Put32(bytes, at + 0x4C, entry.child);
    Put32(bytes, at + 0x74, entry.start);
    Put32(bytes, at + 0x78, static_cast<uint32_t>(entry.size));
    Put32(bytes, at + 0x7C, static_cast<uint32_t>(entry.size >> 32));
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// The format's order of names: the shorter first, then letter by letter without case.
bool Before(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size()) return a.size() < b.size();
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return Upper(a[i]) < Upper(b[i]);
    return false;
}

// A balanced tree over the sorted ids: the middle one, with the halves to its left and right.
uint32_t Balanced(const std::vector<uint32_t>& sorted, size_t from, size_t to, std::vector<Entry>& entries, bool top)
{
    if (from == to) return kNoEntry;
    const size_t middle = from + (to - from) / 2;
    const uint32_t left = Balanced(sorted, from, middle, entries, false);
    const uint32_t right = Balanced(sorted, middle + 1, to, entries, false);
    Entry& entry = entries[sorted[middle]];
    entry.left = left;
    entry.right = right;
    entry.color = top ? 1 : 0;
    return sorted[middle];
}

struct Plan {
    size_t directory = 0;
    size_t miniFat = 0;
    size_t miniStream = 0;
    size_t large = 0;
    size_t miniSectors = 0;
};

Plan PlanSectors(size_t sectorSize, const std::vector<CompoundStream>& streams)
{
    Plan plan;
    plan.directory = Units((streams.size() + 1) * kEntrySize, sectorSize);
    for (const CompoundStream& stream : streams) {
        if (stream.bytes.size() < kCutoff) plan.miniSectors += Units(stream.bytes.size(), kMiniSector);
        else plan.large += Units(stream.bytes.size(), sectorSize);
    }
    plan.miniFat = Units(plan.miniSectors * 4, sectorSize);
    plan.miniStream = Units(plan.miniSectors * kMiniSector, sectorSize);
    return plan;
}

void WriteHeader(CompoundFileImage& image, int version, const Plan& plan)
{
    std::string& bytes = image.bytes;
    std::memcpy(bytes.data(), kSignature, sizeof kSignature);
    Put16(bytes, 0x18, 0x3E);
    Put16(bytes, 0x1A, static_cast<uint16_t>(version));
    Put16(bytes, 0x1C, 0xFFFE);
    Put16(bytes, 0x1E, version == 4 ? 12 : 9);
    Put16(bytes, 0x20, 6);
    Put32(bytes, 0x28, version == 4 ? static_cast<uint32_t>(plan.directory) : 0);
    Put32(bytes, 0x2C, static_cast<uint32_t>(image.fatSectors.size()));
    Put32(bytes, 0x30, image.directorySectors.front());
    Put32(bytes, 0x38, kCutoff);
    Put32(bytes, 0x3C, image.miniFatSector);
    Put32(bytes, 0x40, static_cast<uint32_t>(plan.miniFat));
    Put32(bytes, 0x44, kEndOfChain);
    for (size_t i = 0; i < kHeaderLocations; ++i)
        Put32(bytes, 0x4C + 4 * i, i < image.fatSectors.size() ? image.fatSectors[i] : kFree);
}

}  // namespace

void Put32(std::string& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

size_t CompoundFileImage::FatEntryAt(uint32_t sector) const
{
    const size_t perSector = sectorSize / 4;
    return SectorAt(fatSectors.at(sector / perSector)) + (sector % perSector) * 4;
}

size_t CompoundFileImage::EntryAt(uint32_t id) const
{
    const size_t perSector = sectorSize / kEntrySize;
    return SectorAt(directorySectors.at(id / perSector)) + (id % perSector) * kEntrySize;
}

CompoundFileImage WriteCompoundFile(int version, const std::vector<CompoundStream>& streams)
{
    CompoundFileImage image;
    image.sectorSize = version == 4 ? 4096 : 512;
    const size_t perSector = image.sectorSize / 4;
    const Plan plan = PlanSectors(image.sectorSize, streams);
    const size_t others = plan.directory + plan.miniFat + plan.miniStream + plan.large;
    size_t fatSectors = 1;
    while (fatSectors * perSector < fatSectors + others) ++fatSectors;
    if (fatSectors > kHeaderLocations) throw std::length_error("a compound file this writer cannot lay out");

    // Every chain is a run of consecutive sectors.
    std::vector<uint32_t> fat(fatSectors * perSector, kFree);
    uint32_t next = 0;
    const auto chain = [&](size_t count) {
        std::vector<uint32_t> sectors;
        for (size_t i = 0; i < count; ++i, ++next) {
            sectors.push_back(next);
            fat[next] = i + 1 < count ? next + 1 : kEndOfChain;
        }
        return sectors;
    };
    for (size_t i = 0; i < fatSectors; ++i, ++next) {
        image.fatSectors.push_back(next);
        fat[next] = kFatMark;
    }
    image.directorySectors = chain(plan.directory);
    if (const auto miniFat = chain(plan.miniFat); !miniFat.empty()) image.miniFatSector = miniFat.front();
    if (const auto mini = chain(plan.miniStream); !mini.empty()) image.miniStreamSector = mini.front();
    for (const CompoundStream& stream : streams)
        image.streamSectors.push_back(stream.bytes.size() < kCutoff ? std::vector<uint32_t>()
                                                                    : chain(Units(stream.bytes.size(), image.sectorSize)));
    image.bytes.assign((size_t{next} + 1) * image.sectorSize, '\0');
    WriteHeader(image, version, plan);
    for (size_t i = 0; i < fat.size(); ++i) Put32(image.bytes, image.FatEntryAt(static_cast<uint32_t>(i)), fat[i]);

    std::vector<Entry> entries(streams.size() + 1);
    entries[0].name = u"Root Entry";
    entries[0].type = 5;
    entries[0].start = image.miniStreamSector;
    entries[0].size = plan.miniSectors * kMiniSector;
    uint32_t mini = 0;
    for (size_t k = 0; k < streams.size(); ++k) {
        const std::string& data = streams[k].bytes;
        Entry& entry = entries[k + 1];
        entry.name = streams[k].name;
        entry.type = 2;
        entry.size = data.size();
        entry.start = data.empty() ? kEndOfChain : mini;
        if (data.size() >= kCutoff) {
            entry.start = image.streamSectors[k].front();
            image.bytes.replace(image.SectorAt(entry.start), data.size(), data);
            continue;
        }
        const size_t units = Units(data.size(), kMiniSector);
        for (size_t j = 0; j < units; ++j, ++mini)
            Put32(image.bytes, image.SectorAt(image.miniFatSector) + 4 * mini, j + 1 < units ? mini + 1 : kEndOfChain);
        if (!data.empty()) image.bytes.replace(image.SectorAt(image.miniStreamSector) + entry.start * kMiniSector, data.size(), data);
    }
    for (size_t i = plan.miniSectors; i < plan.miniFat * perSector; ++i)
        Put32(image.bytes, image.SectorAt(image.miniFatSector) + 4 * i, kFree);

    std::vector<uint32_t> sorted;
    for (uint32_t id = 1; id < entries.size(); ++id) sorted.push_back(id);
    std::sort(sorted.begin(), sorted.end(), [&](uint32_t a, uint32_t b) { return Before(entries[a].name, entries[b].name); });
    entries[0].child = Balanced(sorted, 0, sorted.size(), entries, true);
    const size_t slots = plan.directory * (image.sectorSize / kEntrySize);
    for (uint32_t id = 0; id < slots; ++id) PutEntry(image.bytes, image.EntryAt(id), id < entries.size() ? entries[id] : Entry{{}, 0, 0});
    return image;
}

std::string DestListStream(uint32_t version, const std::vector<int32_t>& pins)
{
    std::string bytes(32, '\0');
    uint32_t pinned = 0;
    for (int32_t pin : pins) pinned += pin != -1;
    const uint32_t header[] = {version, static_cast<uint32_t>(pins.size()), pinned, 0, 1, 0, 1, 0};
    for (size_t i = 0; i < std::size(header); ++i) Put32(bytes, 4 * i, header[i]);
    const std::u16string path = u"C:\\Users\\someone\\report.docx";
    for (int32_t pin : pins) {
        std::string entry(0x6C, '\x11');
        entry.append(4, '\0');
        Put32(entry, 0x6C, static_cast<uint32_t>(pin));
        if (version > 1) entry.append(0x80 - 0x70, '\x22');
        entry.append(2 + path.size() * 2, '\0');
        Put16(entry, entry.size() - 2 - path.size() * 2, static_cast<uint16_t>(path.size()));
        for (size_t i = 0; i < path.size(); ++i) Put16(entry, entry.size() - (path.size() - i) * 2, path[i]);
        if (version > 1) entry.append(4, '\0');
        bytes += entry;
    }
    return bytes;
}
