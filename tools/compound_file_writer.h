#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A small writer of compound files (OLE structured storage) for tests: streams at the root only, laid
// out in a fixed order (the FAT, the directory, the mini FAT, the mini stream, then each large
// stream), so that a test can damage a chosen chain or entry and knows where it is.
struct CompoundStream {
    std::u16string name;
    std::string bytes;
};

struct CompoundFileImage {
    std::string bytes;
    size_t sectorSize = 0;
    std::vector<uint32_t> fatSectors;
    std::vector<uint32_t> directorySectors;
    uint32_t miniFatSector = 0xFFFFFFFE;       // end of chain: none
    uint32_t miniStreamSector = 0xFFFFFFFE;
    std::vector<std::vector<uint32_t>> streamSectors;  // each stream's own sectors; none below the cutoff
    // Where a sector, a FAT entry and a directory entry (0 the root, then the streams in order) start.
    size_t SectorAt(uint32_t sector) const { return (size_t{sector} + 1) * sectorSize; }
    size_t FatEntryAt(uint32_t sector) const;
    size_t EntryAt(uint32_t id) const;
};

// Version 3 (512-byte sectors) or 4 (4096-byte sectors). Streams below 4096 bytes go to the mini
// stream; the directory is a balanced tree in the format's name order.
CompoundFileImage WriteCompoundFile(int version, const std::vector<CompoundStream>& streams);

void Put32(std::string& bytes, size_t at, uint32_t value);

// A DestList stream as Windows 7 (version 1) or Windows 10 (version 4) writes it: one entry per pin
// status given (-1: not pinned), each naming the same document.
std::string DestListStream(uint32_t version, const std::vector<int32_t>& pins);
