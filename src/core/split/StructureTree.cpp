#include "split/StructureTree.h"

#include <charconv>

namespace qm {
namespace {

template <typename Visit>
void walk(const std::vector<std::unique_ptr<StructureNode>>& nodes, const Visit& visit) {
    for (const auto& node : nodes) {
        visit(*node);
        walk(node->children, visit);
    }
}

} // namespace

std::int64_t StructureNode::positionValue() const {
    std::int64_t value = 0;
    std::from_chars(position.data(), position.data() + position.size(), value);
    return value;
}

StructureNode& StructureTree::append(StructureNode* parent) {
    auto& siblings = parent ? parent->children : roots_;
    auto node = std::make_unique<StructureNode>();
    node->parent = parent;
    node->index = siblings.size();
    siblings.push_back(std::move(node));
    return *siblings.back();
}

void StructureTree::forEach(const std::function<void(const StructureNode&)>& visit) const {
    walk(roots_, visit);
}

void StructureTree::forEach(const std::function<void(StructureNode&)>& visit) {
    walk(roots_, visit);
}

std::size_t StructureTree::count() const {
    std::size_t n = 0;
    forEach([&n](const StructureNode&) { ++n; });
    return n;
}

} // namespace qm
