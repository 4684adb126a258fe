#pragma once

#include <string>

// The texts of the four help tabs (UTF-8, lines broken by LF).
namespace qm::ui::helptexts {

std::string description();    // "说明(&D)": what the program does and how to prepare a document
std::string history();        // "更新历史"
std::string additionalCode(); // "附加码使用说明", with a worked example of a page frame
std::string thanks();         // "致谢", with the maker's addresses

} // namespace qm::ui::helptexts
