#include "chm/TopicTables.h"

#include "Bytes.h"

#include <algorithm>

namespace qm::chm {
namespace {

constexpr std::size_t kPage = 4096;
constexpr std::uint16_t kInContents = 6;
constexpr std::uint16_t kNotInContents = 2;
constexpr std::uint32_t kNoTitle = 0xFFFFFFFFu;

} // namespace

std::uint32_t urlHash(std::string_view url) {
    // The rule was worked out from hhc.exe's output and agrees with the CHMs it made:
    // hash = hash * 43 + f(byte) modulo 2^32, where f maps '/' to 0x2C and
    // bytes up to 'Z' to byte - 0x30, others to byte - 0x50, bytes taken as signed.
    // A backslash counts as a slash. A result of 0 becomes 1.
    std::uint32_t hash = 0;
    for (char ch : url) {
        int c = static_cast<signed char>(ch);
        if (c == '\\')
            c = '/';
        int value = c == '/' ? 0x2C : c <= 'Z' ? c - 0x30 : c - 0x50;
        hash = hash * 43u + static_cast<std::uint32_t>(value);
    }
    return hash == 0 ? 1 : hash;
}

TopicTables buildTopicTables(const std::vector<TopicRecord>& topics, StringsFile& strings) {
    TopicTables out;
    out.urlstr.push_back('\0');

    struct UrlEntry {
        std::uint32_t hash;
        std::uint32_t topic;
        std::uint32_t urlstrOffset;
    };
    std::vector<UrlEntry> entries;
    entries.reserve(topics.size());
    for (std::size_t i = 0; i < topics.size(); ++i) {
        const TopicRecord& t = topics[i];
        // An entry (two offsets and the URL) does not cross a 4096-byte page.
        const std::size_t size = 8 + t.url.size() + 1;
        const std::size_t used = out.urlstr.size() % kPage;
        if (size <= kPage && used + size > kPage)
            out.urlstr.append(kPage - used, '\0');
        entries.push_back({urlHash(t.url), static_cast<std::uint32_t>(i),
                           static_cast<std::uint32_t>(out.urlstr.size())});
        bytes::putU32(out.urlstr, 0); // URL of an external topic: none
        bytes::putU32(out.urlstr, 0); // frame name: none
        bytes::putSz(out.urlstr, t.url);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const UrlEntry& a, const UrlEntry& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.topic < b.topic;
    });

    std::vector<std::uint32_t> urltblOffset(topics.size());
    for (const UrlEntry& e : entries) {
        // 341 entries fill a page; the last 4 bytes of each page stay zero.
        if (out.urltbl.size() % kPage + 12 > kPage)
            out.urltbl.append(kPage - out.urltbl.size() % kPage, '\0');
        urltblOffset[e.topic] = static_cast<std::uint32_t>(out.urltbl.size());
        bytes::putU32(out.urltbl, e.hash);
        bytes::putU32(out.urltbl, e.topic);
        bytes::putU32(out.urltbl, e.urlstrOffset);
    }

    for (std::size_t i = 0; i < topics.size(); ++i) {
        const TopicRecord& t = topics[i];
        bytes::putU32(out.topics, 0); // no binary table of contents entry
        bytes::putU32(out.topics, t.title.empty() ? kNoTitle : strings.add(t.title));
        bytes::putU32(out.topics, urltblOffset[i]);
        bytes::putU16(out.topics, t.inContents ? kInContents : kNotInContents);
        bytes::putU16(out.topics, 0);
    }
    return out;
}

} // namespace qm::chm
