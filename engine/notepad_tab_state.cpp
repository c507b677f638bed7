#include "engine/notepad_tab_state.h"
#include <array>
#include <initializer_list>

namespace {

constexpr size_t kMaxVarintBytes = 10;  // 64 bits, seven to a byte
constexpr size_t kHashBytes = 32;       // the saved file's SHA-256
constexpr uint64_t kNeverSaved = 0;
constexpr uint64_t kSaved = 1;
constexpr uint64_t kFirstOptionKind = 2;

constexpr std::array<uint32_t, 256> MakeCrcTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// Reads forward through the bytes; every read that would pass their end fails and reads nothing.
class Cursor {
public:
    explicit Cursor(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    size_t At() const { return m_at; }
    size_t Left() const { return m_bytes.size() - m_at; }

    bool Magic()
    {
        if (Left() < 2 || m_bytes[0] != 'N' || m_bytes[1] != 'P') return false;
        m_at = 2;
        return true;
    }
    // An unsigned LEB128 number of at most 64 bits.
    bool Varint(uint64_t& value)
    {
        value = 0;
        for (size_t i = 0; i < kMaxVarintBytes && m_at < m_bytes.size(); ++i) {
            const uint8_t byte = m_bytes[m_at++];
            if (i == kMaxVarintBytes - 1 && byte > 1) return false;  // past 64 bits
            value |= uint64_t{byte & 0x7Fu} << (7 * i);
            if (!(byte & 0x80)) return true;
        }
        return false;
    }
    bool Byte(uint8_t& value)
    {
        if (Left() < 1) return false;
        value = m_bytes[m_at++];
        return true;
    }
    bool Skip(uint64_t count)
    {
        if (count > Left()) return false;
        m_at += static_cast<size_t>(count);
        return true;
    }
    // `units` UTF-16 code units, little-endian.
    bool Utf16(uint64_t units, std::u16string* text)
    {
        if (units > Left() / 2) return false;
        if (text)
            for (size_t i = 0; i < units; ++i)
                text->push_back(static_cast<char16_t>(m_bytes[m_at + 2 * i] | m_bytes[m_at + 2 * i + 1] << 8));
        m_at += static_cast<size_t>(units) * 2;
        return true;
    }
    // The big-endian CRC32 of the bytes read since one of the starts.
    bool CrcOfBytesSince(std::initializer_list<size_t> starts)
    {
        const size_t end = m_at;
        if (!Skip(4)) return false;
        const uint32_t stored = uint32_t{m_bytes[end]} << 24 | uint32_t{m_bytes[end + 1]} << 16 |
                                uint32_t{m_bytes[end + 2]} << 8 | m_bytes[end + 3];
        for (size_t start : starts)
            if (start <= end && Crc32(m_bytes.subspan(start, end - start)) == stored) return true;
        return false;
    }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_at = 0;
};

// "NP" and the sequence number; `afterSequence` is where the kind begins.
bool Header(Cursor& c, size_t& afterSequence, uint64_t& kind)
{
    uint64_t sequence = 0;
    if (!c.Magic() || !c.Varint(sequence)) return false;
    afterSequence = c.At();
    return c.Varint(kind);
}

// The selection and the options: word wrap, right to left, Unicode controls, then a counted block.
bool SelectionAndOptions(Cursor& c)
{
    uint64_t start = 0, end = 0, options = 0;
    return c.Varint(start) && c.Varint(end) && c.Skip(3) && c.Varint(options) && c.Skip(options);
}

// The edits after the tab's CRC, to its end: position, characters deleted, characters added, the
// added characters and a CRC32 of the edit. False when one is damaged.
bool Edits(Cursor& c, size_t& count)
{
    for (count = 0; c.Left() > 0; ++count) {
        const size_t start = c.At();
        uint64_t position = 0, deleted = 0, added = 0;
        if (!c.Varint(position) || !c.Varint(deleted) || !c.Varint(added) || !c.Utf16(added, nullptr) ||
            !c.CrcOfBytesSince({start}))
            return false;
    }
    return true;
}

// What a saved tab records of its file: path, size, encoding, line ends, time, hash and two bytes.
bool SavedFile(Cursor& c, std::u16string& path)
{
    uint64_t units = 0, size = 0, time = 0;
    return c.Varint(units) && units > 0 && c.Utf16(units, &path) && c.Varint(size) && c.Skip(2) && c.Varint(time) &&
           c.Skip(kHashBytes + 2);
}

}  // namespace

uint32_t Crc32(std::span<const uint8_t> bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t byte : bytes) crc = kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

NotepadTab ReadNotepadTab(std::span<const uint8_t> file)
{
    Cursor c(file);
    size_t afterSequence = 0;
    uint64_t kind = 0;
    if (!Header(c, afterSequence, kind) || (kind != kNeverSaved && kind != kSaved)) return {};
    NotepadTab tab;
    if (kind == kSaved ? !SavedFile(c, tab.savedPath) : !c.Skip(1)) return {};
    uint64_t units = 0;
    uint8_t unsaved = 0;
    size_t edits = 0;
    if (!SelectionAndOptions(c) || !c.Varint(units) || !c.Utf16(units, nullptr) || !c.Byte(unsaved) || unsaved > 1 ||
        !c.CrcOfBytesSince({afterSequence}) || !Edits(c, edits))
        return {};
    tab.kind = kind == kNeverSaved             ? NotepadTabKind::Unsaved
               : (unsaved != 0 || edits != 0) ? NotepadTabKind::UnsavedChanges
                                              : NotepadTabKind::Saved;
    return tab;
}

bool IsNotepadOptionFile(std::span<const uint8_t> file)
{
    Cursor c(file);
    size_t afterSequence = 0;
    uint64_t kind = 0, tabSize = 0;
    // The CRC is described as taken from the sequence number on; from the kind on, as a tab's, is
    // taken too.
    return Header(c, afterSequence, kind) && kind >= kFirstOptionKind && c.Skip(1) && c.Varint(tabSize) &&
           SelectionAndOptions(c) && c.CrcOfBytesSince({2, afterSequence}) && c.Left() == 0;
}
