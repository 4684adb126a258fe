#include "SystemInfo.h"

#include "ByteReader.h"

namespace qm::viewer {

namespace {

std::string textOf(std::string_view data) {
    const std::size_t zero = data.find('\0');
    return std::string(data.substr(0, zero));
}

} // namespace

SystemInfo parseSystemFile(std::string_view bytes) {
    SystemInfo info;
    // A version number, then records: code, length (16 bits each), data.
    for (std::size_t at = 4; at + 4 <= bytes.size();) {
        const std::uint32_t code = readU16(bytes, at);
        const std::size_t length = readU16(bytes, at + 2);
        if (at + 4 + length > bytes.size())
            break;
        const std::string_view data = bytes.substr(at + 4, length);
        switch (code) {
        case 0:
            info.contentsFile = textOf(data);
            break;
        case 1:
            info.indexFile = textOf(data);
            break;
        case 2:
            info.defaultTopic = textOf(data);
            break;
        case 3:
            info.title = textOf(data);
            break;
        case 4:
            if (data.size() >= 4)
                info.lcid = readU32(data, 0);
            break;
        default:
            break;
        }
        at += 4 + length;
    }
    return info;
}

} // namespace qm::viewer
