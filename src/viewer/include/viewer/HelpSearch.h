#pragma once

#include "viewer/HelpFile.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm::viewer {

class FiftiMainReader;

struct SearchHit {
    std::string title; // UTF-8
    std::string path;  // the page
};

// The search pane's search: the CHM's own full-text index ($FIftiMain) when it has one
// that reads, else the text of its pages. The query is cut into words as the index
// cuts text (each ideograph a word of its own); a page is found when it holds every
// blank-separated part of the query, a part of several words as a phrase (its words at
// consecutive positions, in the title or in the body).
class HelpSearch {
public:
    explicit HelpSearch(const HelpFile& help);
    ~HelpSearch();

    // True when the results come from $FIftiMain.
    bool usesIndex() const { return index_ != nullptr; }
    // The pages found, ordered by title (then by path); empty for a query of no words.
    std::vector<SearchHit> find(std::string_view query) const;

private:
    std::vector<std::string> findInIndex(const std::vector<std::vector<std::string>>& parts) const;
    std::vector<std::string> findInPages(const std::vector<std::vector<std::string>>& parts) const;

    const HelpFile& help_;
    std::unique_ptr<FiftiMainReader> index_;
};

} // namespace qm::viewer
