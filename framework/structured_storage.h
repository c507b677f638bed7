#pragma once
#include <optional>
#include <vector>

// One stream of a structured storage file (an OLE compound file) whose bytes were read already, so
// that what is read is the file a walk checked, not whatever its path names by then. Nothing when
// the bytes are not such a file, or it has no such stream at its root.
std::optional<std::vector<unsigned char>> ReadStorageStream(const std::vector<unsigned char>& file,
                                                            const wchar_t* stream, size_t limit);
