#include "chm/SystemFile.h"

#include "Bytes.h"
#include "chm/TextCodec.h"

#include <cstdlib>

namespace qm::chm {
namespace {

// What HTML Help Workshop 1.4 names itself; some readers look at it.
constexpr std::string_view kCompilerVersion = "HHA Version 4.74.8702";

constexpr std::size_t kIdxHdrSize = 4096;
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

void record(std::string& out, std::uint16_t code, std::string_view data) {
    bytes::putU16(out, code);
    bytes::putU16(out, static_cast<std::uint32_t>(data.size()));
    out.append(data);
}

void textRecord(std::string& out, std::uint16_t code, std::string_view text) {
    std::string data(text);
    data.push_back('\0');
    record(out, code, data);
}

void dwordRecord(std::string& out, std::uint16_t code, std::uint32_t value) {
    std::string data;
    bytes::putU32(data, value);
    record(out, code, data);
}

// "0x00FF00", "#00FF00" or a decimal number → a COLORREF; nullopt otherwise.
std::optional<std::uint32_t> parseNumber(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    std::string s = text.front() == '#' ? "0x" + text.substr(1) : text;
    char* end = nullptr;
    unsigned long long v = std::strtoull(s.c_str(), &end, 0);
    if (end == s.c_str() || *end != '\0')
        return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

} // namespace

std::string buildSystemFile(const SystemInfo& info) {
    std::string out;
    bytes::putU32(out, 3); // version
    dwordRecord(out, 10, info.timestamp);
    textRecord(out, 9, kCompilerVersion);

    std::string settings;
    bytes::putU32(settings, info.lcid);
    bytes::putU32(settings, 0); // DBCS: HTML Help Workshop writes 0 for Chinese as well
    bytes::putU32(settings, info.fullTextSearch ? 1 : 0);
    bytes::putU32(settings, info.hasKeywords ? 1 : 0);
    bytes::putU32(settings, 0); // no ALinks
    bytes::putU64(settings, info.fileTime);
    bytes::putU32(settings, 0);
    bytes::putU32(settings, 0);
    record(out, 4, settings);

    if (!info.defaultTopic.empty())
        textRecord(out, 2, info.defaultTopic);
    if (!info.title.empty())
        textRecord(out, 3, info.title);
    if (!info.defaultFont.empty())
        textRecord(out, 16, info.defaultFont);
    if (!info.compiledName.empty())
        textRecord(out, 6, info.compiledName);
    if (!info.contentsFile.empty())
        textRecord(out, 0, info.contentsFile);
    if (!info.indexFile.empty())
        textRecord(out, 1, info.indexFile);
    if (!info.defaultWindow.empty())
        textRecord(out, 5, info.defaultWindow);
    if (info.binaryIndexHash)
        dwordRecord(out, 7, *info.binaryIndexHash);
    if (info.binaryTocHash)
        dwordRecord(out, 11, *info.binaryTocHash);
    dwordRecord(out, 12, 0); // number of information types
    if (!info.idxhdr.empty())
        record(out, 13, info.idxhdr);
    dwordRecord(out, 15, 0); // information type checksum
    return out;
}

std::string buildIdxHdr(const Sitemap& contents, std::uint32_t topicCount, std::uint32_t timestamp,
                        StringsFile& strings, const std::string& charset) {
    TextCodec codec(charset);
    auto text = [&](std::string_view property) -> std::uint32_t {
        std::string value = contents.property(property);
        return value.empty() ? kNone : strings.add(codec.fromUtf8(value));
    };
    auto number = [&](std::string_view property) -> std::uint32_t {
        return parseNumber(contents.property(property)).value_or(kNone);
    };

    std::string out = "T#SM";
    bytes::putU32(out, timestamp);
    bytes::putU32(out, 1);
    bytes::putU32(out, topicCount);
    bytes::putU32(out, 0);
    bytes::putU32(out, text("ImageList"));
    bytes::putU32(out, 0);
    bytes::putU32(out, asciiLower(contents.property("ImageType")) == "folder" ? 1 : 0);
    bytes::putU32(out, number("Background"));
    bytes::putU32(out, number("Foreground"));
    bytes::putU32(out, text("Font"));
    bytes::putU32(out, number("Window Styles"));
    bytes::putU32(out, number("ExWindow Styles"));
    bytes::putU32(out, kNone);
    bytes::putU32(out, text("FrameName"));
    bytes::putU32(out, text("WindowName"));
    bytes::putU32(out, 0); // information types
    bytes::putU32(out, 1);
    bytes::putU32(out, 0); // merged files
    bytes::putU32(out, 0);
    out.resize(kIdxHdrSize, '\0');
    return out;
}

} // namespace qm::chm
