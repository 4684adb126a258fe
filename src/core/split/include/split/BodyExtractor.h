#pragma once

#include "text/ReadStream.h"

#include <filesystem>
#include <memory>

namespace qm {

// Cuts the document text out of Word's HTML: the bytes from the end of the section div's
// start tag (the first div inside the body, unless a heading comes before it) to the
// last "</div>" of the file (or, without a section div, to the last "</body>"). The slice goes into
// the body working file <IntermediateHtml>.tmp<date-time> and workStream is reopened on it;
// workFileName names it. Without a sound slice nothing is written and workStream stays on the
// IntermediateHtml, which the heading scan then reads whole.
//
// workStream may be null on entry; it is then opened on intermediateHtml. Returns
// false only when neither a stream nor a path was given; otherwise `generating`.
// workingFileRoot, when given, names the body working file instead of the
// IntermediateHtml (<root>.tmp<date-time>), so that its name stays short.
bool extractBody(std::unique_ptr<ReadStream>& workStream,
                 const std::filesystem::path& intermediateHtml, std::filesystem::path& workFileName,
                 bool generating, const std::filesystem::path& workingFileRoot = {});

// The body working file's name for an IntermediateHtml at the given date-time.
std::filesystem::path bodyWorkingFilePath(const std::filesystem::path& intermediateHtml,
                                          double dateTime);

} // namespace qm
