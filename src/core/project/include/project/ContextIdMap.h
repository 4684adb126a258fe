#pragma once

#include "split/StructureTree.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// The context IDs that stay with their topics from one run to the next. Topic k's ID is
// IDH_k with the number "100" + k; the map beside the project, <name>.ids, remembers
// which k each topic has, keyed on the path of its headings from the top of the tree,
// so that an edit of the manual does not move the F1 help of the application.
//
// The file is UTF-8 text, one topic a line in document order, then the retired
// numbers: "<k>\ttopic\t<key>" and "<k>\tretired\t<key>". Lines starting with '#' are
// comments, but for the run's own records: "#\tsource\t<path>" (the document the project
// was made from) and "#\twritten\t<path>" (each page and picture the last complete run
// wrote), paths UTF-8 with '/' and relative to the map's folder, so that a moved project,
// and the same project on Windows, stays the same. A map written before these records
// existed has none.
struct ContextIdEntry {
    std::size_t k = 0;
    std::string key; // UTF-8: "安装 / 系统要求", a repeated title under one parent "标题 #2"
    bool retired = false;
};

struct ContextIdNumbering {
    std::vector<std::size_t> ks;         // one per written topic, in document order
    std::vector<ContextIdEntry> map;     // what the next run reads
    std::vector<ContextIdEntry> added;   // topics with a number never given before
    std::vector<ContextIdEntry> retired; // topics gone since the map was written
    std::size_t kept = 0;
};

// How a key reads a topic: as this version does, or as maps of earlier versions hold it
// (a heading that shows only a picture was "无标题" there, not the picture's name).
enum class KeyReading { Current, Legacy };

// The key of each written topic (topic names as the page writer records them).
std::vector<std::string> contextIdKeys(const StructureTree& tree,
                                       const std::vector<std::string>& writtenTopics,
                                       KeyReading reading = KeyReading::Current);

// Numbers the topics (keys in document order). Without an earlier map, k is the
// document order. With one: a known key keeps its k; then a topic whose legacy key
// (legacyKeys, one per key; none: the keys) matches an old key as earlier versions
// wrote it keeps that k, both read alike: no "首页 / " above the top level, no blank
// between a heading's number and its text ("1.1编写目的" is "1.1 编写目的"); a topic
// alone between the same two matched neighbours as the one old topic that went keeps
// that topic's k (a corrected title); any other topic takes the next k never used; old
// topics not found are retired, and their numbers are never given again.
ContextIdNumbering numberContextIds(const std::vector<std::string>& keys,
                                    const std::optional<std::vector<ContextIdEntry>>& earlier,
                                    const std::vector<std::string>& legacyKeys = {});

struct ContextIdMapFile {
    std::vector<ContextIdEntry> entries;
    std::string source;               // UTF-8, relative to the map's folder; "" = not recorded
    std::vector<std::string> written; // UTF-8, relative to the map's folder
};

// The most a map may hold; a larger one is no map this program wrote.
inline constexpr std::size_t kMaxContextIdMapLines = 100000;
inline constexpr std::uintmax_t kMaxContextIdMapBytes = 16u << 20;

// Reads a map; nullopt when there is none. A map is taken whole or refused: one that is
// too large, a line that is not UTF-8, not of the form above, cut short or repeating a
// number throws qm::Error naming the line.
std::optional<ContextIdMapFile> readContextIdMap(const std::filesystem::path& file);
// Writes a map whole or not at all.
void writeContextIdMap(const std::filesystem::path& file, const ContextIdMapFile& map);

// A path as a map records it: relative to the map's folder, UTF-8 with '/'.
std::string mapRelativePath(const std::filesystem::path& path, const std::filesystem::path& map);
// The path a map's record names.
std::filesystem::path mapRecordedPath(const std::string& recorded,
                                      const std::filesystem::path& map);

} // namespace qm
