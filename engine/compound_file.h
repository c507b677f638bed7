#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// One stream at the root of a compound file (OLE structured storage, versions 3 and 4), read from
// the file's bytes alone. Every chain, count and offset is bounded by those bytes and every chain and
// the directory tree may visit a sector or an entry once, so a damaged or hostile file is read in
// time proportional to its size. Nothing when the bytes are not such a file, anything in it points
// outside it or loops, or the root holds no stream of that name or more than one (names compare
// without case for ASCII letters, as the format's upper-case comparison does for them).
std::optional<std::vector<uint8_t>> ReadCompoundFileStream(std::span<const uint8_t> file, std::u16string_view name);
