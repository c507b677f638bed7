#include "engine/dest_list.h"
#include <cstring>
#include "engine/compound_file.h"

namespace {

constexpr size_t kHeaderSize = 32;
constexpr size_t kPinnedCountAt = 8;
constexpr size_t kPinStatusAt = 0x6C;
constexpr size_t kPathSizeAtFirst = 0x70;   // format version 1
constexpr size_t kPathSizeAtLater = 0x80;   // format version 2 and later
constexpr size_t kTrailerLater = 4;

template <class T>
T ReadAt(std::span<const uint8_t> bytes, size_t at)
{
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

}  // namespace

DestListPins ReadDestListPins(std::span<const uint8_t> stream)
{
    if (stream.size() < kHeaderSize) return DestListPins::Unreadable;
    const uint32_t version = ReadAt<uint32_t>(stream, 0);
    if (version == 0) return DestListPins::Unreadable;
    if (ReadAt<uint32_t>(stream, kPinnedCountAt) != 0) return DestListPins::Pinned;
    const size_t pathSizeAt = version == 1 ? kPathSizeAtFirst : kPathSizeAtLater;
    const size_t trailer = version == 1 ? 0 : kTrailerLater;
    // The header's count could be stale: every entry's own status is read as well. Each entry is at
    // least its fixed part long, so the walk ends within the stream.
    for (size_t at = kHeaderSize; at < stream.size();) {
        if (stream.size() - at < pathSizeAt + 2) return DestListPins::Unreadable;
        if (ReadAt<int32_t>(stream, at + kPinStatusAt) != -1) return DestListPins::Pinned;
        const size_t pathBytes = size_t{ReadAt<uint16_t>(stream, at + pathSizeAt)} * 2;
        const size_t entrySize = pathSizeAt + 2 + pathBytes + trailer;
        if (stream.size() - at < entrySize) return DestListPins::Unreadable;
        at += entrySize;
    }
    return DestListPins::None;
}

DestListPins ReadJumpListPins(std::span<const uint8_t> file)
{
    const auto stream = ReadCompoundFileStream(file, u"DestList");
    return stream ? ReadDestListPins(*stream) : DestListPins::Unreadable;
}
