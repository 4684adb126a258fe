#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::viewer {

// A topic as the CHM's tables list it (#TOPICS with #URLTBL, #URLSTR and #STRINGS): the
// full-text index and the binary index name topics by their number in this list.
// Both texts are bytes in the CHM's code page; the url is the page's name in the CHM
// without its leading '/'.
struct TopicRow {
    std::string url;
    std::string title; // empty when the page has none
};

// The rows in order. Never fails: a row whose references lead outside the tables gets
// empty texts, so that the numbers of the rows after it stay right.
std::vector<TopicRow> parseTopicTable(std::string_view topics, std::string_view urltbl,
                                      std::string_view urlstr, std::string_view strings);

// The zero-terminated string at an offset of a string table; empty outside it.
std::string stringAt(std::string_view table, std::uint32_t offset);

} // namespace qm::viewer
