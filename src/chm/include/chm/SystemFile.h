#pragma once

#include "chm/Sitemap.h"
#include "chm/StringsFile.h"

#include <cstdint>
#include <optional>
#include <string>

// #SYSTEM, the CHM's settings record (version 3, with the codes HTML Help Workshop
// writes), and #IDXHDR, which it carries a copy of. Texts are bytes in the project's
// code page.
namespace qm::chm {

struct SystemInfo {
    std::uint32_t lcid = 0x409;
    bool fullTextSearch = false;
    bool hasKeywords = false;    // the index file has entries (KLinks)
    std::uint32_t timestamp = 0; // seconds since 1970 (low 32 bits)
    std::uint64_t fileTime = 0;  // the same moment as a Windows FILETIME
    std::string contentsFile;    // CHM names, no leading slash
    std::string indexFile;
    std::string defaultTopic;
    std::string title;
    std::string defaultWindow;
    std::string defaultFont;
    std::string compiledName; // the CHM's file name without extension, lower case
    std::optional<std::uint32_t> binaryIndexHash; // urlHash of the index file, when
                                                  // $WWKeywordLinks is present
    std::optional<std::uint32_t> binaryTocHash;   // same for #TOCIDX
    std::string idxhdr;                           // the #IDXHDR bytes (4096)
};

std::string buildSystemFile(const SystemInfo& info);

// #IDXHDR from the contents file's site properties (image list, colours, font, window
// styles, frame and window name, image type), strings going to #STRINGS. The
// properties' texts are UTF-8 and are converted with the project's charset.
std::string buildIdxHdr(const Sitemap& contents, std::uint32_t topicCount, std::uint32_t timestamp,
                        StringsFile& strings, const std::string& charset);

} // namespace qm::chm
