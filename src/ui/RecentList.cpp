#include "ui/RecentList.h"

#include "UiText.h"
#include "text/ByteString.h"
#include "ui/SettingsStore.h"

#include <algorithm>

namespace qm::ui {

namespace {

// One entry a line of the list, its files joined by LF. A file name may hold LF (or
// CR) on Linux: those, and the escape's own '%', are written as %0A, %0D and %25, which
// percentDecode reads back.
constexpr const char* kEntriesKey = "window/recentEntries";
// Earlier versions kept single files, one a line; they still read it.
constexpr const char* kFilesKey = "window/recentFiles";
constexpr std::size_t kDetailLines = 20;

std::string escaped(const std::string& path) {
    std::string out;
    for (const char c : path) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

std::string encode(const RecentList::Entry& files) {
    std::string line;
    for (const std::filesystem::path& file : files)
        line += (line.empty() ? "" : "\n") + escaped(uitext::fromPath(file));
    return line;
}

RecentList::Entry decode(std::string_view line) {
    RecentList::Entry files;
    while (!line.empty()) {
        const std::size_t end = std::min(line.find('\n'), line.size());
        if (end > 0)
            files.push_back(uitext::toPath(percentDecode(line.substr(0, end))));
        line.remove_prefix(std::min(end + 1, line.size()));
    }
    return files;
}

bool sameFiles(RecentList::Entry a, RecentList::Entry b) {
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

} // namespace

void RecentList::add(const Entry& files) {
    if (files.empty())
        return;
    remove(files);
    entries_.insert(entries_.begin(), files);
    if (entries_.size() > kEntries)
        entries_.resize(kEntries);
}

bool RecentList::remove(const Entry& files) {
    return std::erase_if(entries_, [&](const Entry& entry) { return sameFiles(entry, files); }) > 0;
}

void RecentList::load(SettingsStore& store) {
    entries_.clear();
    const std::optional<std::vector<std::string>> lines = store.list(kEntriesKey);
    const std::vector<std::string> old =
        lines ? std::vector<std::string>()
              : store.list(kFilesKey).value_or(std::vector<std::string>());
    for (const std::string& line : lines.value_or(std::vector<std::string>())) {
        Entry files = decode(line);
        if (!files.empty() && entries_.size() < kEntries)
            entries_.push_back(std::move(files));
    }
    for (const std::string& file : old)
        if (!file.empty() && entries_.size() < kEntries)
            entries_.push_back({uitext::toPath(file)});
}

void RecentList::save(SettingsStore& store) const {
    std::vector<std::string> lines;
    std::vector<std::string> files;
    for (const Entry& entry : entries_) {
        lines.push_back(encode(entry));
        for (const std::filesystem::path& file : entry)
            if (files.size() < kEntries)
                files.push_back(uitext::fromPath(file));
    }
    store.setList(kEntriesKey, lines);
    store.setList(kFilesKey, files);
}

std::string RecentList::caption(const Entry& files) {
    if (files.empty())
        return {};
    std::string text = uitext::fromPath(files.front());
    if (files.size() > 1)
        text += " 等 " + std::to_string(files.size()) + " 个文件";
    return text;
}

std::string RecentList::details(const Entry& files) {
    return pathLines(files, kDetailLines);
}

std::string pathLines(const std::vector<std::filesystem::path>& files, std::size_t shown) {
    std::string text;
    for (std::size_t i = 0; i < files.size() && i < shown; ++i)
        text += (i == 0 ? "" : "\n") + uitext::fromPath(files[i]);
    if (files.size() > shown)
        text += "\n…… 另有 " + std::to_string(files.size() - shown) + " 个文件";
    return text;
}

} // namespace qm::ui
