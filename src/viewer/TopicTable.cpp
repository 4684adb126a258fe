#include "viewer/TopicTable.h"

#include "ByteReader.h"

namespace qm::viewer {

std::string stringAt(std::string_view table, std::uint32_t offset) {
    if (offset >= table.size())
        return {};
    const std::string_view rest = table.substr(offset);
    return std::string(rest.substr(0, rest.find('\0')));
}

std::vector<TopicRow> parseTopicTable(std::string_view topics, std::string_view urltbl,
                                      std::string_view urlstr, std::string_view strings) {
    std::vector<TopicRow> rows;
    rows.reserve(topics.size() / 16);
    // 16 bytes a topic: its contents entry, its title in #STRINGS, its row of #URLTBL
    // (12 bytes: a hash, the topic, the #URLSTR record, whose name follows 8 bytes in).
    for (std::size_t at = 0; at + 16 <= topics.size(); at += 16) {
        TopicRow row;
        const std::uint32_t title = readU32(topics, at + 4);
        const std::uint32_t url = readU32(topics, at + 8);
        if (title != 0xFFFFFFFFu)
            row.title = stringAt(strings, title);
        if (std::size_t{url} + 12 <= urltbl.size()) {
            const std::uint32_t record = readU32(urltbl, std::size_t{url} + 8);
            if (record <= 0xFFFFFFFFu - 8)
                row.url = stringAt(urlstr, record + 8);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace qm::viewer
