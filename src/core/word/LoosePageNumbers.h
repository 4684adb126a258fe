#pragma once

#include "ReadingBlock.h"

#include <map>
#include <optional>
#include <string>

namespace qm::reading {

// A page number at the end of a contents entry that no tab parts from the entry's text:
// after blanks ("1引言 1", which LibreOffice may break into "1引言\n1") or after a leader
// of dots ("第一章 总则……1", "安装 ...... 3"). A number after blanks alone counts only when
// the entry links to a heading whose text is the entry's without it, so that a number
// of the heading's own ("Глава 1") stays.
struct LooseNumber {
    PageNumber page;
    bool leader = false; // parted by a leader of dots
};
// headings: the compact text (below) of each heading, by the names of its places.
std::optional<LooseNumber> loosePageNumber(const Block& block,
                                           const std::map<std::string, std::string>& headings);

// A block's text for comparing (UTF-8): references decoded, without any blank.
std::string compactText(const Block& block);

} // namespace qm::reading
