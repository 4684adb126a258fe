#pragma once

#include "chm/StringsFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// #TOPICS, #URLTBL and #URLSTR: one topic per page of the CHM (and one each for the
// contents and index files), with its title and its URL, which the viewer uses to
// find topics by URL and to show titles.
namespace qm::chm {

struct TopicRecord {
    std::string url;   // the file's CHM name, no leading slash, in the project's code page
    std::string title; // in the project's code page; empty when the page has none
    bool inContents = false;
};

struct TopicTables {
    std::string topics; // #TOPICS: 16 bytes a topic
    std::string urltbl; // #URLTBL: 12 bytes a topic, sorted by URL hash
    std::string urlstr; // #URLSTR: URL strings
};

// Topic k of the result is topics[k].
TopicTables buildTopicTables(const std::vector<TopicRecord>& topics, StringsFile& strings);

// The hash HTML Help Workshop files #URLTBL entries under (and #SYSTEM codes 7 and 11
// quote): over the URL's bytes, letters counting alike in either case.
std::uint32_t urlHash(std::string_view url);

} // namespace qm::chm
