#pragma once

#include "word/WordDialect.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Where a converted page goes and whose files it may replace: shared by the converters,
// so that a page from LibreOffice and one from Word follow the same ownership rules.
namespace qm {

// The path in Chinese quotation marks, as the converters' reasons name files (GBK).
std::string quoted(const std::filesystem::path& path);

// Where a document's page goes: htmlPath, or the document's path with ".htm" when that is
// empty; and the folder of its pictures beside it, "<page's stem>.files".
struct PagePlace {
    std::filesystem::path html;
    std::filesystem::path folder;
};
PagePlace pagePlace(const std::filesystem::path& doc, const std::filesystem::path& htmlPath);

// True when entry is a folder of ours named prefix<pid>-... for a process id that is not
// running: a process that is killed cannot remove what it was working in.
bool leftByDeadProcess(const std::filesystem::path& entry, std::string_view prefix);

// Why the page at html and its folder cannot be written: a file of the user's in their
// way (GBK sentence); empty when the places are free or hold an earlier conversion's
// results, as the page's ConversionMark vouches.
std::string foreignReason(const std::filesystem::path& html, const std::filesystem::path& folder);

// Why the document cannot be converted, before a word processor is asked (GBK sentence:
// a password, not a Word document, missing, unreadable); empty when it can.
std::string documentReason(const std::filesystem::path& doc);

// Why the document is not to be converted into place: documentReason(doc), else
// foreignReason(place.html, place.folder); empty when it may be.
std::string refusalReason(const std::filesystem::path& doc, const PagePlace& place);

// The first step of every converter's convert(): clears reason, then gives where the page
// goes when ready (the converter may convert now), the document may be converted into
// place and privateFolder() has the converter's private folder; nullopt otherwise, with
// reason (GBK sentence) saying why when the document or its place is the cause.
std::optional<PagePlace> openConversion(const std::filesystem::path& doc,
                                        const std::filesystem::path& htmlPath, bool ready,
                                        const std::function<bool()>& privateFolder,
                                        std::string& reason);

// Runs a converter's conversion, which may make a work folder of its own and name it in
// job: an Error it throws becomes reason (the page or picture that could not be written,
// and why), any other exception a plain failure, and job is removed whatever happened.
// What the conversion returned, or false; never throws.
bool convertInWorkFolder(std::string& reason,
                         const std::function<bool(std::filesystem::path& job)>& conversion);

// Puts the page at html and its files into folder beside it (each file copied from
// exportDir / its exportedName, or written from its bytes), replacing what an earlier
// conversion put there, so that either everything is in place or nothing has changed.
// Names in page.files are UTF-8. Throws when it could not; then nothing has changed.
void placeResults(const WordPage& page, const std::filesystem::path& exportDir,
                  const std::filesystem::path& html, const std::filesystem::path& folder);

} // namespace qm
