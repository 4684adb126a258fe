#include "chm/LzxTreeMatchFinder.h"

namespace qm::chm::lzx {

void TreeMatchFinder::reset(const std::uint8_t* data, std::size_t size, unsigned depth,
                            unsigned niceLength) {
    niceLength_ = niceLength < kMinMatch + 1 ? kMinMatch + 1 : niceLength;
    data_ = data;
    size_ = size;
    depth_ = depth;
    head_.assign(std::size_t{1} << kHashBits, kNone);
    children_.resize(2 * size); // every slot is written when its position is inserted
}

} // namespace qm::chm::lzx
