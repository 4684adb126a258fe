#include "project/ContextIdMap.h"

#include "split/TopicPageWriter.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"
#include "text/Utf8.h"
#include "text/Utf8Path.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <unordered_map>

namespace qm {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

constexpr std::string_view kPathSeparator = " / ";

std::string shownTitle(const StructureNode& node, KeyReading reading) {
    if (reading == KeyReading::Legacy && node.pictureHeading)
        return "无标题";
    return gbk::toDisplayUtf8(node.heading.empty() ? node.title : node.heading);
}

// Keys of a node's children: their titles, with "#n" for the n-th of a repeated title.
void collectKeys(const std::vector<std::unique_ptr<StructureNode>>& nodes,
                 const std::string& parentKey, KeyReading reading,
                 std::unordered_map<const StructureNode*, std::string>& keys) {
    std::map<std::string, int> seen;
    for (const auto& node : nodes) {
        std::string title = shownTitle(*node, reading);
        int occurrence = ++seen[title];
        std::string key = (parentKey.empty() ? "" : parentKey + std::string(kPathSeparator)) +
                          title + (occurrence > 1 ? " #" + std::to_string(occurrence) : "");
        keys[node.get()] = key;
        collectKeys(node->children, key, reading, keys);
    }
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A title of a key read alike whether or not a blank parts its leading number from its
// text: "1.1 编写目的" and "1.1编写目的" both read "1.1编写目的".
std::string withoutBlankAfterNumber(std::string_view title) {
    std::size_t i = 0;
    while (i < title.size() && (isDigit(title[i]) || (title[i] == '.' && i > 0)))
        ++i;
    if (i == 0 || i >= title.size() || title[i] != ' ')
        return std::string(title);
    std::size_t text = title.find_first_not_of(' ', i);
    return std::string(title.substr(0, i)) +
           std::string(text == std::string_view::npos ? "" : title.substr(text));
}

// A key as maps of every version read alike: no home topic above the top level, no
// blank between a heading's number and its text.
std::string comparableKey(std::string_view key) {
    constexpr std::string_view home = "首页 / ";
    if (key.starts_with(home))
        key.remove_prefix(home.size());
    std::string out;
    for (std::size_t start = 0;;) {
        std::size_t end = key.find(kPathSeparator, start);
        out += withoutBlankAfterNumber(key.substr(start, end - start));
        if (end == std::string_view::npos)
            return out;
        out += kPathSeparator;
        start = end + kPathSeparator.size();
    }
}

} // namespace

std::vector<std::string> contextIdKeys(const StructureTree& tree,
                                       const std::vector<std::string>& writtenTopics,
                                       KeyReading reading) {
    std::unordered_map<const StructureNode*, std::string> keys;
    collectKeys(tree.roots(), "", reading, keys);
    std::unordered_map<std::string, std::string> byTopic;
    tree.forEach([&](const StructureNode& node) {
        byTopic.emplace(TopicPageWriter::topicName(node), keys[&node]);
    });
    std::vector<std::string> out;
    for (const std::string& topic : writtenTopics) {
        auto found = byTopic.find(topic);
        out.push_back(found != byTopic.end() ? found->second : gbk::toDisplayUtf8(topic));
    }
    return out;
}

namespace {

// The numbering against an earlier map, in stages: each stage gives the topics still
// without a number one of the earlier map's numbers that no topic has taken yet.
class Renumbering {
public:
    Renumbering(const std::vector<std::string>& keys, const std::vector<ContextIdEntry>& earlier,
                ContextIdNumbering& result)
        : keys_(keys), earlier_(earlier), result_(result) {
        for (const ContextIdEntry& e : earlier) {
            maxK_ = std::max(maxK_, e.k);
            if (!e.retired)
                live_.push_back(e);
        }
    }

    // A known key, live or retired, keeps its number.
    void keepKnownKeys() {
        std::unordered_map<std::string, std::size_t> byKey;
        for (const ContextIdEntry& e : earlier_)
            byKey.emplace(e.key, e.k);
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            auto found = byKey.find(keys_[i]);
            if (found != byKey.end() && !used_[found->second])
                give(i, found->second);
        }
    }

    // A map an earlier version wrote, whose keys read the same headings otherwise.
    void keepComparableKeys(const std::vector<std::string>& legacyKeys) {
        std::unordered_multimap<std::string, std::size_t> byComparable;
        for (const ContextIdEntry& e : earlier_)
            if (!used_[e.k])
                byComparable.emplace(comparableKey(e.key), e.k);
        for (std::size_t i = 0; i < keys_.size() && !byComparable.empty(); ++i) {
            if (result_.ks[i] != kNone)
                continue;
            auto [from, to] = byComparable.equal_range(
                comparableKey(i < legacyKeys.size() ? legacyKeys[i] : keys_[i]));
            std::size_t best = kNone; // the smallest free number: the earliest topic
            for (auto it = from; it != to; ++it)
                if (!used_[it->second])
                    best = std::min(best, it->second);
            if (best != kNone)
                give(i, best);
        }
    }

    // A corrected title: the one new topic and the one old topic that went, both
    // standing between the same two matched neighbours.
    void keepCorrectedTitles() {
        for (std::size_t p = 0; p < live_.size(); ++p)
            oldPlace_[live_[p].k] = p;
        for (std::size_t i = 0; i < keys_.size();) {
            if (result_.ks[i] != kNone) {
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < keys_.size() && result_.ks[end] == kNone)
                ++end;
            if (end - i == 1)
                if (std::optional<std::size_t> k = onlyGoneBetween(i, end))
                    give(i, *k);
            i = end;
        }
    }

    // Every other topic takes the next number never given; the old topics not found retire.
    void numberTheRest() {
        std::size_t next = maxK_;
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            if (result_.ks[i] == kNone) {
                result_.ks[i] = ++next;
                result_.added.push_back({result_.ks[i], keys_[i], false});
            }
        }
        for (const ContextIdEntry& e : live_)
            if (!used_[e.k])
                result_.retired.push_back({e.k, e.key, true});
        for (const ContextIdEntry& e : earlier_)
            if (e.retired && !used_[e.k])
                result_.map.push_back(e);
        for (const ContextIdEntry& e : result_.retired)
            result_.map.push_back(e);
    }

private:
    void give(std::size_t topic, std::size_t k) {
        result_.ks[topic] = k;
        used_[k] = true;
        ++result_.kept;
    }

    // The place in the old order just after the numbered neighbour k (kNone: the top),
    // or at k; kNone when k was no live topic.
    std::size_t oldPlaceOf(std::size_t k, std::size_t atNone, std::size_t shift) const {
        if (k == kNone)
            return atNone;
        auto found = oldPlace_.find(k);
        return found != oldPlace_.end() ? found->second + shift : kNone;
    }

    // The number of the one old topic that went between the neighbours of the unnumbered
    // topics [begin, end); none when no single one did.
    std::optional<std::size_t> onlyGoneBetween(std::size_t begin, std::size_t end) {
        const std::size_t before = begin == 0 ? kNone : result_.ks[begin - 1];
        const std::size_t after = end == keys_.size() ? kNone : result_.ks[end];
        const std::size_t from = oldPlaceOf(before, 0, 1);
        const std::size_t to = oldPlaceOf(after, live_.size(), 0);
        if (from == kNone || to == kNone || from >= to)
            return std::nullopt;
        std::vector<std::size_t> gone;
        for (std::size_t p = from; p < to; ++p)
            if (!used_[live_[p].k])
                gone.push_back(live_[p].k);
        if (gone.size() != 1)
            return std::nullopt;
        return gone.front();
    }

    const std::vector<std::string>& keys_;
    const std::vector<ContextIdEntry>& earlier_;
    ContextIdNumbering& result_;
    std::vector<ContextIdEntry> live_;
    std::size_t maxK_ = 0;
    std::unordered_map<std::size_t, bool> used_;
    std::unordered_map<std::size_t, std::size_t> oldPlace_; // k → place in the old order
};

} // namespace

ContextIdNumbering numberContextIds(const std::vector<std::string>& keys,
                                    const std::optional<std::vector<ContextIdEntry>>& earlier,
                                    const std::vector<std::string>& legacyKeys) {
    ContextIdNumbering result;
    result.ks.assign(keys.size(), kNone);
    if (!earlier) {
        for (std::size_t i = 0; i < keys.size(); ++i)
            result.ks[i] = i + 1;
    } else {
        Renumbering numbering(keys, *earlier, result);
        numbering.keepKnownKeys();
        numbering.keepComparableKeys(legacyKeys);
        numbering.keepCorrectedTitles();
        numbering.numberTheRest();
    }
    std::vector<ContextIdEntry> topics;
    for (std::size_t i = 0; i < keys.size(); ++i)
        topics.push_back({result.ks[i], keys[i], false});
    std::sort(result.map.begin(), result.map.end(),
              [](const ContextIdEntry& a, const ContextIdEntry& b) { return a.k < b.k; });
    result.map.insert(result.map.begin(), topics.begin(), topics.end());
    return result;
}

namespace {

[[noreturn]] void refuseMap(const std::filesystem::path& file, std::size_t lineNumber,
                            const char* what) {
    throw Error(gbk::fromUtf8("上下文ID表“") + gbk::fromPath(file) + gbk::fromUtf8("”") +
                (lineNumber > 0
                     ? gbk::fromUtf8("第") + std::to_string(lineNumber) + gbk::fromUtf8("行")
                     : std::string()) +
                gbk::fromUtf8(what) +
                gbk::fromUtf8("；请改正或删除该文件（删除后将按文档顺序重新编号）。"));
}

bool isUtf8(std::string_view line) {
    for (std::size_t i = 0; i < line.size();)
        if (nextUtf8(line, i) < 0)
            return false;
    return true;
}

// The largest number a topic can have: "100" + k must stay a number the help takes.
constexpr std::size_t kMaxK = 9999999;

// One line of numbers into the map; false when it is not of the form.
bool readEntryLine(std::string_view line, ContextIdMapFile& map) {
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos || tab2 + 1 >= line.size())
        return false;
    ContextIdEntry entry;
    auto [stop, err] = std::from_chars(line.data(), line.data() + tab1, entry.k);
    const std::string_view status = line.substr(tab1 + 1, tab2 - tab1 - 1);
    if (err != std::errc() || stop != line.data() + tab1 || entry.k == 0 || entry.k > kMaxK ||
        (status != "topic" && status != "retired"))
        return false;
    entry.retired = status == "retired";
    entry.key = std::string(line.substr(tab2 + 1));
    map.entries.push_back(std::move(entry));
    return true;
}

// A record line ("#\tsource\t..." or "#\twritten\t..."); other comments are skipped.
void readRecordLine(std::string_view line, ContextIdMapFile& map) {
    constexpr std::string_view source = "#\tsource\t";
    constexpr std::string_view written = "#\twritten\t";
    if (line.starts_with(source))
        map.source = std::string(line.substr(source.size()));
    else if (line.starts_with(written) && line.size() > written.size())
        map.written.emplace_back(line.substr(written.size()));
}

} // namespace

std::optional<ContextIdMapFile> readContextIdMap(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (!ec && size > kMaxContextIdMapBytes)
        refuseMap(file, 0, "超过16 MB，不是本程序写的上下文ID表");
    std::string text = readWholeFile(file);
    if (text.size() > kMaxContextIdMapBytes)
        refuseMap(file, 0, "超过16 MB，不是本程序写的上下文ID表");
    ContextIdMapFile map;
    std::unordered_map<std::size_t, bool> seen;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        if (++lineNumber > kMaxContextIdMapLines)
            refuseMap(file, 0, "超过100000行，不是本程序写的上下文ID表");
        if (end == std::string::npos)
            refuseMap(file, lineNumber, "不完整（文件在行中截断）");
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!isUtf8(line))
            refuseMap(file, lineNumber, "不是有效的UTF-8文本");
        if (line.empty())
            continue;
        if (line.front() == '#') {
            readRecordLine(line, map);
            continue;
        }
        if (!readEntryLine(line, map))
            refuseMap(file, lineNumber, "无法识别");
        if (seen[map.entries.back().k])
            refuseMap(file, lineNumber, "重复了前面的编号");
        seen[map.entries.back().k] = true;
    }
    return map;
}

void writeContextIdMap(const std::filesystem::path& file, const ContextIdMapFile& map) {
    OutputFile out(file);
    out.write("# Context IDs of the help: topic k is IDH_k with the number 100k. Keep this file\n"
              "# with the document; the next run gives each topic the number it has here.\n");
    if (!map.source.empty())
        out.write("#\tsource\t" + map.source + "\n");
    for (const std::string& path : map.written)
        out.write("#\twritten\t" + path + "\n");
    for (const ContextIdEntry& e : map.entries)
        out.write(std::to_string(e.k) + (e.retired ? "\tretired\t" : "\ttopic\t") + e.key + "\n");
    out.commit();
}

std::string mapRelativePath(const std::filesystem::path& path, const std::filesystem::path& map) {
    std::filesystem::path folder = map.parent_path();
    std::filesystem::path relative = path.lexically_relative(folder.empty() ? "." : folder);
    if (relative.empty())
        relative = path;
    const std::u8string generic = relative.generic_u8string();
    return std::string(generic.begin(), generic.end());
}

std::filesystem::path mapRecordedPath(const std::string& recorded,
                                      const std::filesystem::path& map) {
    return (map.parent_path() / text::utf8Path(recorded)).lexically_normal();
}

} // namespace qm
