#include "chm/LzxMatchFinder.h"

namespace qm::chm::lzx {

void MatchFinder::reset(const std::uint8_t* data, std::size_t size) {
    data_ = data;
    size_ = size;
    head_.assign(std::size_t{1} << kHashBits, kNone);
    prev_.assign(size, kNone);
}

void MatchFinder::insert(std::size_t pos) {
    if (pos + 3 > size_)
        return;
    const std::uint32_t h = hashAt(pos);
    prev_[pos] = head_[h];
    head_[h] = static_cast<std::uint16_t>(pos);
}

} // namespace qm::chm::lzx
