#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::chm {

// One context-sensitive help entry: the number of [MAP] and the #STRINGS offset of the
// file its [ALIAS] names.
struct ContextRecord {
    std::uint32_t number;
    std::uint32_t fileString;
};

// #IVB: the size of the records in bytes, then the records (number, string offset),
// sorted by number, through which the viewer turns a context number into a topic.
std::string buildContextFile(const std::vector<ContextRecord>& records);

} // namespace qm::chm
