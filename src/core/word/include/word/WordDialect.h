#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// A file of the supporting-files folder <name>.files beside a Word page.
struct SupportingFile {
    std::string name;         // its name in the folder (UTF-8), e.g. "image001.png"
    std::string exportedName; // the file the exporter wrote beside its page (UTF-8 name);
                              // empty when the picture came inside the page itself...
    std::string bytes;        // ...as a data: URI, whose decoded bytes these are
};

// A page in Word's HTML dialect and the files that belong in its supporting-files folder.
struct WordPage {
    std::string html;                  // GBK bytes declaring "charset=gb2312"
    std::vector<SupportingFile> files; // pictures in the order of their first use
};

// What a FILENAME field shows for the user's document (UTF-8): LibreOffice read a copy
// of it in a private folder, whose name means nothing to the reader.
struct DocumentFileName {
    std::string path;   // the whole path, in the system's form
    std::string folder; // its folder, ending in the separator
    std::string name;   // the file's name with its extension...
    std::string stem;   // ...and without
    static DocumentFileName of(const std::filesystem::path& document);
};

// Turns a page that LibreOffice exported into the HTML that Word writes, which the
// splitter reads:
// - GBK bytes with "charset=gb2312" declared, characters outside GBK as "&#N;";
// - the whole document text wrapped in one <div class=Section1> ... </div> right inside
//   the body, so that the exporter's own divs (header, footer, contents, footnotes) lie
//   inside the slice that the body extraction cuts out;
// - every link to a picture (a file the export wrote beside the page, named in
//   exportedFiles, or a data: URI) rewritten to "<filesFolder>/image<NNN>.<ext>";
// - a blank between a numbered heading's number and its text, in the headings and in
//   the entries of the document's own contents, and no page numbers in those entries
//   (see ReadingEdits);
// - FILENAME fields showing document (nothing changes when it is empty), as Word shows
//   the field for the user's file;
// - the conversion mark (below) at the head's start, before the title, so that the
//   topic pages, whose heads are copied from the title on, do not carry it.
// exportedPage is the page's bytes in whatever charset it declares; exportedFiles and
// filesFolder ("用户手册.files") are UTF-8 names. Files the page does not link to are
// kept in the folder under their own names.
WordPage toWordDialect(std::string_view exportedPage, const std::vector<std::string>& exportedFiles,
                       std::string_view filesFolder, const DocumentFileName& document = {});

// A page Word itself saved, ready to be placed. Word names its pictures folder after the
// page with a suffix of its user-interface language ("document.files", "document_files");
// the page's links into wordFolder (ASCII, as Word named it) lead into filesFolder
// (UTF-8, "用户手册.files") instead, and the conversion mark (below) goes at the head's
// start, before the title, naming filesFolder and files. Every other byte stays as Word
// wrote it. page: Word's bytes declaring "charset=gb2312" (GBK).
std::string fromWordPage(std::string_view page, std::string_view wordFolder,
                         std::string_view filesFolder, const std::vector<SupportingFile>& files);

// The mark of a page this program converted: the supporting-files folder it wrote beside
// the page and the files in it (UTF-8 names; no folder when files is empty). A page
// without it, and a folder or file it does not name, are the user's and never replaced.
struct ConversionMark {
    std::string folder;
    std::vector<std::string> files;
};

// The mark of a page (bytes in any ASCII-compatible charset) when it has one in its head.
std::optional<ConversionMark> readConversionMark(std::string_view page);

} // namespace qm
