#include "viewer/HelpSearch.h"

#include "chm/PageText.h"
#include "chm/TextCodec.h"
#include "chm/WordBreaker.h"
#include "viewer/FiftiMainReader.h"

#include <algorithm>
#include <iterator>
#include <set>

namespace qm::viewer {

namespace {

// The blank-separated parts of a query, each as its words (UTF-8, lower case).
std::vector<std::vector<std::string>> queryParts(std::string_view query) {
    std::vector<std::vector<std::string>> parts;
    std::size_t at = 0;
    while (at < query.size()) {
        const std::size_t end = std::min(query.find_first_of(" \t\r\n", at), query.size());
        std::vector<std::string> words;
        for (const chm::IndexedWord& w : chm::breakWords(query.substr(at, end - at)))
            words.push_back(w.text);
        if (!words.empty())
            parts.push_back(std::move(words));
        at = end + 1;
    }
    return parts;
}

// True when the words of a text hold the phrase at consecutive positions.
bool holdsPhrase(const std::vector<chm::IndexedWord>& text,
                 const std::vector<std::string>& phrase) {
    for (std::size_t i = 0; i + phrase.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < phrase.size() && text[i + k].text == phrase[k] &&
               text[i + k].position == text[i].position + k)
            ++k;
        if (k == phrase.size())
            return true;
    }
    return false;
}

} // namespace

HelpSearch::HelpSearch(const HelpFile& help) : help_(help) {
    if (auto bytes = help.source().read("/$FIftiMain")) {
        try {
            index_ = std::make_unique<FiftiMainReader>(std::move(*bytes));
            (void)index_->lookup("a"); // a root that cannot be read means no index
        } catch (const std::exception&) {
            index_.reset();
        }
    }
}

HelpSearch::~HelpSearch() = default;

std::vector<SearchHit> HelpSearch::find(std::string_view query) const {
    const std::vector<std::vector<std::string>> parts = queryParts(query);
    if (parts.empty())
        return {};
    std::vector<std::string> paths;
    try {
        paths = index_ ? findInIndex(parts) : findInPages(parts);
    } catch (const std::exception&) {
        paths = findInPages(parts); // the index is damaged past its root
    }
    std::vector<SearchHit> hits;
    for (std::string& p : paths)
        hits.push_back({help_.titleOf(p), std::move(p)});
    std::sort(hits.begin(), hits.end(), [](const SearchHit& a, const SearchHit& b) {
        return a.title != b.title ? a.title < b.title : a.path < b.path;
    });
    return hits;
}

std::vector<std::string>
HelpSearch::findInIndex(const std::vector<std::vector<std::string>>& parts) const {
    const chm::TextCodec codec(help_.charset());
    std::set<std::uint32_t> found;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::vector<std::string> words;
        for (const std::string& w : parts[i])
            words.push_back(codec.fromUtf8(w)); // the index holds words in the code page
        const std::set<std::uint32_t> topics = index_->phrase(words);
        if (i == 0) {
            found = topics;
            continue;
        }
        std::set<std::uint32_t> kept;
        std::set_intersection(found.begin(), found.end(), topics.begin(), topics.end(),
                              std::inserter(kept, kept.end()));
        found = std::move(kept);
    }
    std::vector<std::string> paths;
    for (std::uint32_t topic : found)
        if (topic < help_.topics().size() && !help_.topics()[topic].url.empty())
            paths.push_back(help_.topics()[topic].url);
    return paths;
}

std::vector<std::string>
HelpSearch::findInPages(const std::vector<std::vector<std::string>>& parts) const {
    std::vector<std::string> paths;
    for (const std::string& page : help_.pages()) {
        const std::optional<std::string> bytes = help_.source().read(page);
        if (!bytes)
            continue;
        const chm::PageText text = chm::extractPageText(*bytes, help_.charsetOf(*bytes));
        const std::vector<chm::IndexedWord> title = chm::breakWords(text.title);
        const std::vector<chm::IndexedWord> body = chm::breakWords(text.body);
        if (std::all_of(parts.begin(), parts.end(), [&](const std::vector<std::string>& p) {
                return holdsPhrase(title, p) || holdsPhrase(body, p);
            }))
            paths.push_back(page);
    }
    return paths;
}

} // namespace qm::viewer
