#include "ChmInspect.h"

namespace qm::test {

std::uint32_t le32(const std::string& b, std::size_t at) {
    if (at + 4 > b.size())
        return 0;
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::string SystemRecords::text(int code) const {
    auto it = records.find(code);
    if (it == records.end())
        return {};
    std::string t = it->second;
    std::size_t zero = t.find('\0');
    return zero == std::string::npos ? t : t.substr(0, zero);
}

SystemRecords parseSystem(const std::string& b) {
    SystemRecords s;
    s.version = le32(b, 0);
    std::size_t p = 4;
    while (p + 4 <= b.size()) {
        int code = static_cast<unsigned char>(b[p]) | static_cast<unsigned char>(b[p + 1]) << 8;
        std::size_t len =
            static_cast<unsigned char>(b[p + 2]) | static_cast<unsigned char>(b[p + 3]) << 8;
        s.records[code] = b.substr(p + 4, len);
        p += 4 + len;
    }
    return s;
}

std::string stringAt(const std::string& strings, std::uint32_t offset) {
    if (offset >= strings.size())
        return {};
    std::size_t end = strings.find('\0', offset);
    return strings.substr(offset, end == std::string::npos ? std::string::npos : end - offset);
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> parseIvb(const std::string& b) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
    std::uint32_t size = le32(b, 0);
    for (std::size_t p = 4; p + 8 <= b.size() && p < 4 + size; p += 8)
        out.emplace_back(le32(b, p), le32(b, p + 4));
    return out;
}

std::vector<TopicRow> parseTopics(const std::string& topics, const std::string& urltbl,
                                  const std::string& urlstr, const std::string& strings) {
    std::vector<TopicRow> rows;
    for (std::size_t p = 0; p + 16 <= topics.size(); p += 16) {
        TopicRow row;
        std::uint32_t title = le32(topics, p + 4);
        std::uint32_t url = le32(topics, p + 8);
        row.inContents = static_cast<unsigned char>(topics[p + 12]) == 6;
        if (title != 0xFFFFFFFFu)
            row.title = stringAt(strings, title);
        std::uint32_t urlstrOffset = le32(urltbl, url + 8);
        row.url = stringAt(urlstr, urlstrOffset + 8);
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace qm::test
