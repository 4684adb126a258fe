#pragma once

#include <filesystem>
#include <string>

namespace qm {

// The sample body the preview frames: a level-2 heading and four paragraphs in the
// style of Word's filtered HTML. 1698 GBK bytes in 24 lines, each ending in a blank;
// lines are joined by CR LF and the last one has no line break.
const std::string& previewSample();

// The file name of the preview page.
inline constexpr const char* kPreviewFileName = "qlmpreviewtmp.htm";

// Writes the preview page targetFolder/qlmpreviewtmp.htm (the current folder when
// targetFolder is empty), replacing an earlier one, and returns its path for the caller
// to open. The page is, back to back: pageHead, the title "附加代码效果预览", afterTitle,
// beforeEntry, previewSample(), afterEntry, pageTail. All texts are GBK bytes written
// unchanged; an empty code adds nothing. There is no credit line, unlike a topic page.
// Throws qm::Error "Cannot create file <path>" when the page cannot be written; no
// half-written page is left behind.
std::filesystem::path
previewAdditionalCode(const std::filesystem::path& targetFolder, const std::string& pageHead,
                      const std::string& afterTitle, const std::string& beforeEntry,
                      const std::string& afterEntry, const std::string& pageTail);

} // namespace qm
