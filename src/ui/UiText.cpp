#include "UiText.h"

#include "text/Error.h"
#include "text/Gbk.h"

namespace qm::ui::uitext {

namespace {

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

std::string fromGbk(std::string_view gbk) {
    return gbk::toUtf8(gbk);
}

std::string toGbk(std::string_view utf8) {
    return gbk::fromUtf8(utf8);
}

std::string memoFromGbk(std::string_view gbk) {
    return replaceAll(fromGbk(gbk), "\r\n", "\n");
}

std::string memoToGbk(std::string_view utf8) {
    return toGbk(replaceAll(std::string(utf8), "\n", "\r\n"));
}

std::string boxText(std::string_view gbk) {
    return replaceAll(replaceAll(fromGbk(gbk), "\r\n", "\n"), "\r", "\n");
}

std::string errorText(const std::exception& error) {
    if (dynamic_cast<const Error*>(&error) != nullptr)
        return boxText(error.what());
    return error.what();
}

std::string fromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path toPath(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

} // namespace qm::ui::uitext
