#include "JsonReport.h"

#include "text/Utf8Path.h"

#include "text/Gbk.h"

#include <cstdio>

namespace qm::cli {
namespace {

// The length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t utf8Length(const std::string& text, std::size_t i) {
    auto b = static_cast<unsigned char>(text[i]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

std::string quoted(const std::string& utf8) {
    std::string out = "\"";
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t n = utf8Length(utf8, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD"; // U+FFFD for a byte that is not UTF-8
            ++i;
            continue;
        }
        auto c = static_cast<unsigned char>(utf8[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out.append(utf8, i, n);
        }
        i += n;
    }
    return out + "\"";
}

std::string pathText(const std::filesystem::path& path) {
    return quoted(text::utf8Text(path));
}

std::string contextIdList(const std::vector<ContextIdChange>& ids) {
    std::string json = "[";
    for (std::size_t i = 0; i < ids.size(); ++i)
        json += std::string(i ? "," : "") + "{\"id\":" + quoted(ids[i].name) +
                ",\"number\":" + ids[i].number + ",\"topic\":" + quoted(ids[i].topic) + "}";
    return json + "]";
}

const char* outcomeName(FileReport::Outcome outcome) {
    switch (outcome) {
    case FileReport::Outcome::Done:
        return "done";
    case FileReport::Outcome::Failed:
        return "failed";
    case FileReport::Outcome::NoChm:
        return "no-chm";
    case FileReport::Outcome::Incomplete:
        return "incomplete";
    case FileReport::Outcome::Interrupted:
        return "interrupted";
    }
    return "failed";
}

} // namespace

std::string jsonLine(const FileReport& report) {
    std::string json = "{\"source\":" + pathText(report.source) + ",\"outcome\":\"" +
                       outcomeName(report.outcome) + "\"";
    if (!report.reason.empty())
        json += ",\"reason\":" + quoted(gbk::toUtf8(report.reason));
    json += ",\"outputs\":[";
    for (std::size_t i = 0; i < report.outputs.size(); ++i)
        json += (i ? "," : "") + pathText(report.outputs[i]);
    json += "],\"topics\":" + std::to_string(report.topics) +
            ",\"pictures\":" + std::to_string(report.pictures) + ",\"warnings\":[";
    for (std::size_t i = 0; i < report.warnings.size(); ++i)
        json += (i ? "," : "") + quoted(gbk::toUtf8(report.warnings[i]));
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", report.seconds);
    json += "],\"chm_size\":" +
            (report.chmSize ? std::to_string(*report.chmSize) : std::string("null")) +
            ",\"seconds\":" + seconds;
    if (report.contextIds)
        json += ",\"context_ids\":{\"kept\":" + std::to_string(report.contextIds->kept) +
                ",\"added\":" + contextIdList(report.contextIds->added) +
                ",\"retired\":" + contextIdList(report.contextIds->retired) + "}";
    return json + "}";
}

} // namespace qm::cli
