#include "project/ContextIdMap.h"

#include "split/TopicPageWriter.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/OutputFile.h"
#include "text/ReadStream.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <unordered_map>

namespace qm {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

std::string shownTitle(const StructureNode& node) {
    return gbk::toDisplayUtf8(node.heading.empty() ? node.title : node.heading);
}

// Keys of a node's children: their titles, with "#n" for the n-th of a repeated title.
void collectKeys(const std::vector<std::unique_ptr<StructureNode>>& nodes,
                 const std::string& parentKey,
                 std::unordered_map<const StructureNode*, std::string>& keys) {
    std::map<std::string, int> seen;
    for (const auto& node : nodes) {
        std::string title = shownTitle(*node);
        int occurrence = ++seen[title];
        std::string key = (parentKey.empty() ? "" : parentKey + " / ") + title +
                          (occurrence > 1 ? " #" + std::to_string(occurrence) : "");
        keys[node.get()] = key;
        collectKeys(node->children, key, keys);
    }
}

} // namespace

std::vector<std::string> ContextIdKeys(const StructureTree& tree,
                                       const std::vector<std::string>& writtenTopics) {
    std::unordered_map<const StructureNode*, std::string> keys;
    collectKeys(tree.roots(), "", keys);
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

ContextIdNumbering NumberContextIds(const std::vector<std::string>& keys,
                                    const std::optional<std::vector<ContextIdEntry>>& earlier) {
    ContextIdNumbering result;
    result.ks.assign(keys.size(), kNone);
    if (!earlier) {
        for (std::size_t i = 0; i < keys.size(); ++i)
            result.ks[i] = i + 1;
    } else {
        std::vector<ContextIdEntry> live;
        std::unordered_map<std::string, std::size_t> byKey; // key → k (live and retired)
        std::size_t maxK = 0;
        for (const ContextIdEntry& e : *earlier) {
            maxK = std::max(maxK, e.k);
            byKey.emplace(e.key, e.k);
            if (!e.retired)
                live.push_back(e);
        }
        std::unordered_map<std::size_t, bool> used;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            auto found = byKey.find(keys[i]);
            if (found != byKey.end() && !used[found->second]) {
                result.ks[i] = found->second;
                used[found->second] = true;
                ++result.kept;
            }
        }
        // A corrected title: the one new topic and the one old topic that went, both
        // standing between the same two matched neighbours.
        std::unordered_map<std::size_t, std::size_t> oldPlace; // k → place in old order
        for (std::size_t p = 0; p < live.size(); ++p)
            oldPlace[live[p].k] = p;
        for (std::size_t i = 0; i < keys.size();) {
            if (result.ks[i] != kNone) {
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < keys.size() && result.ks[end] == kNone)
                ++end;
            std::size_t before = i == 0 ? kNone : result.ks[i - 1];
            std::size_t after = end == keys.size() ? kNone : result.ks[end];
            std::size_t from = before == kNone          ? 0
                               : oldPlace.count(before) ? oldPlace[before] + 1
                                                        : kNone;
            std::size_t to = after == kNone          ? live.size()
                             : oldPlace.count(after) ? oldPlace[after]
                                                     : kNone;
            if (end - i == 1 && from != kNone && to != kNone && from < to) {
                std::vector<std::size_t> gone;
                for (std::size_t p = from; p < to; ++p)
                    if (!used[live[p].k])
                        gone.push_back(live[p].k);
                if (gone.size() == 1) {
                    result.ks[i] = gone.front();
                    used[gone.front()] = true;
                    ++result.kept;
                }
            }
            i = end;
        }
        std::size_t next = maxK;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (result.ks[i] == kNone) {
                result.ks[i] = ++next;
                result.added.push_back({result.ks[i], keys[i], false});
            }
        }
        for (const ContextIdEntry& e : live)
            if (!used[e.k])
                result.retired.push_back({e.k, e.key, true});
        for (const ContextIdEntry& e : *earlier)
            if (e.retired && !used[e.k])
                result.map.push_back(e);
        for (const ContextIdEntry& e : result.retired)
            result.map.push_back(e);
    }
    std::vector<ContextIdEntry> topics;
    for (std::size_t i = 0; i < keys.size(); ++i)
        topics.push_back({result.ks[i], keys[i], false});
    std::sort(result.map.begin(), result.map.end(),
              [](const ContextIdEntry& a, const ContextIdEntry& b) { return a.k < b.k; });
    result.map.insert(result.map.begin(), topics.begin(), topics.end());
    return result;
}

std::optional<std::vector<ContextIdEntry>> ReadContextIdMap(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return std::nullopt;
    std::string text = ReadWholeFile(file);
    std::vector<ContextIdEntry> entries;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        std::string line =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        std::size_t tab1 = line.find('\t');
        std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        ContextIdEntry entry;
        auto [stop, err] =
            std::from_chars(line.data(), line.data() + std::min(tab1, line.size()), entry.k);
        std::string status =
            tab2 == std::string::npos ? "" : line.substr(tab1 + 1, tab2 - tab1 - 1);
        if (err != std::errc() || stop != line.data() + tab1 || entry.k == 0 ||
            (status != "topic" && status != "retired"))
            throw Error(
                gbk::fromUtf8("上下文ID表“") + gbk::fromPath(file) + gbk::fromUtf8("”第") +
                std::to_string(lineNumber) +
                gbk::fromUtf8("行无法识别；请改正或删除该文件（删除后将按文档顺序重新编号）。"));
        entry.retired = status == "retired";
        entry.key = line.substr(tab2 + 1);
        entries.push_back(std::move(entry));
    }
    return entries;
}

void WriteContextIdMap(const std::filesystem::path& file, const std::vector<ContextIdEntry>& map) {
    OutputFile out(file);
    out.write("# Context IDs of the help: topic k is IDH_k with the number 100k. Keep this file\n"
              "# with the document; the next run gives each topic the number it has here.\n");
    for (const ContextIdEntry& e : map)
        out.write(std::to_string(e.k) + (e.retired ? "\tretired\t" : "\ttopic\t") + e.key + "\n");
    out.commit();
}

} // namespace qm
