#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

// One topic of the document. The four values are texts, as the structure view shows
// them: Title (GBK), Position and EndPosition (decimal byte offsets) and Level (a
// decimal digit, empty for the home topic). Title is the safe name that names the
// topic's page; heading is the heading as the reader reads it (the tree, the contents,
// the index, the ID list and the page's title show it): for a heading that shows only
// a picture, the picture's alt text or file name.
struct StructureNode {
    std::string title;
    std::string heading;
    std::string position;
    std::string endPosition;
    std::string level;
    bool pictureHeading = false; // the heading shows only a picture; heading names it
    // The page's name without ".htm" when pages are named by their context numbers;
    // empty: "<title>.<position>".
    std::string page;

    StructureNode* parent = nullptr; // none for a top-level node
    std::size_t index = 0;           // 0-based place among its siblings
    std::vector<std::unique_ptr<StructureNode>> children;

    std::int64_t positionValue() const;
};

// The ordered forest of topics; a pre-order walk visits them in document order.
class StructureTree {
public:
    // Appends a new last child of parent, or a new last top-level node for nullptr.
    StructureNode& append(StructureNode* parent);
    void clear() { roots_.clear(); }
    bool empty() const { return roots_.empty(); }
    const std::vector<std::unique_ptr<StructureNode>>& roots() const { return roots_; }

    // Visits every node in document order.
    void forEach(const std::function<void(const StructureNode&)>& visit) const;
    void forEach(const std::function<void(StructureNode&)>& visit);
    std::size_t count() const;

private:
    std::vector<std::unique_ptr<StructureNode>> roots_;
};

} // namespace qm
