#include "chm/LzxMatchFinder.h"

namespace qm::chm::lzx {

void MatchFinder::reset(const std::uint8_t* data, std::size_t size) {
    data_ = data;
    size_ = size;
    head_.assign(std::size_t{1} << kHashBits, -1);
    prev_.assign(size, -1);
}

void MatchFinder::insert(std::size_t pos) {
    if (pos + 3 > size_)
        return;
    const std::uint32_t h = hashAt(pos);
    prev_[pos] = head_[h];
    head_[h] = static_cast<std::int32_t>(pos);
}

} // namespace qm::chm::lzx
