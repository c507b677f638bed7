#include "engine/jump_lists.h"
#include <vector>

namespace {

constexpr size_t kFileLimit = 64u << 20;  // a jump list holds a few hundred items at most

}  // namespace

DestListPins JumpListPins(const WalkEntry& file)
{
    std::vector<unsigned char> content;
    if (!ReadEntryContent(file, content, kFileLimit)) return DestListPins::Unreadable;
    return ReadJumpListPins(content);
}
