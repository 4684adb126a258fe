#pragma once

#include <QString>

// The texts of the four help tabs.
namespace qm::helptexts {

QString description();    // "说明(&D)": what the program does and how to prepare a document
QString history();        // "更新历史"
QString additionalCode(); // "附加码使用说明", with a worked example of a page frame
QString thanks();         // "致谢", with the maker's addresses

} // namespace qm::helptexts
