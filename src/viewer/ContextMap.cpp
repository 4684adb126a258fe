#include "ContextMap.h"

#include "ByteReader.h"
#include "viewer/TopicTable.h"

namespace qm::viewer {

std::map<std::uint32_t, std::string> parseContextMap(std::string_view ivb,
                                                     std::string_view strings) {
    std::map<std::uint32_t, std::string> map;
    if (ivb.size() < 4)
        return map;
    // The size of the pairs that follow, then (number, #STRINGS offset) pairs.
    const std::size_t end = std::min<std::size_t>(ivb.size(), 4 + std::size_t{readU32(ivb, 0)});
    for (std::size_t at = 4; at + 8 <= end; at += 8)
        map.emplace(readU32(ivb, at), stringAt(strings, readU32(ivb, at + 4)));
    return map;
}

} // namespace qm::viewer
