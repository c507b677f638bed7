// The jump-list reader over arbitrary bytes, natively under libFuzzer and AddressSanitizer: the
// compound file reader and the DestList parser must neither crash, read out of bounds nor loop, no
// stream may be longer than its file, and the pins of a whole list are those of the stream it gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include "engine/compound_file.h"
#include "engine/dest_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
    const auto stream = ReadCompoundFileStream(file, u"DestList");
    if (stream && stream->size() > size) abort();
    const DestListPins pins = ReadJumpListPins(file);
    if (stream ? pins != ReadDestListPins(*stream) : pins != DestListPins::Unreadable) abort();
    ReadDestListPins(file);
    return 0;
}
