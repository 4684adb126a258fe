#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Reading the CHM's system files in the tests, written from the public format
// descriptions rather than from the compiler's own code.
namespace qm::test {

std::uint32_t le32(const std::string& bytes, std::size_t at);

// #SYSTEM: version, then code → data.
struct SystemRecords {
    std::uint32_t version = 0;
    std::map<int, std::string> records;
    // A text record without its terminating zero.
    std::string text(int code) const;
};
SystemRecords parseSystem(const std::string& bytes);

// The zero-terminated string at an offset of #STRINGS.
std::string stringAt(const std::string& strings, std::uint32_t offset);

// #IVB: (context number, #STRINGS offset) pairs.
std::vector<std::pair<std::uint32_t, std::uint32_t>> parseIvb(const std::string& bytes);

// #TOPICS joined with #URLTBL, #URLSTR and #STRINGS: (url, title) per topic.
struct TopicRow {
    std::string url;
    std::string title;
    bool inContents = false;
};
std::vector<TopicRow> parseTopics(const std::string& topics, const std::string& urltbl,
                                  const std::string& urlstr, const std::string& strings);

} // namespace qm::test
