#include "chm/StringsFile.h"

namespace qm::chm {
namespace {

constexpr std::size_t kPage = 4096;

} // namespace

StringsFile::StringsFile() : data_(1, '\0') {}

std::uint32_t StringsFile::add(std::string_view bytes) {
    if (bytes.empty())
        return 0;
    std::string key(bytes);
    auto it = offsets_.find(key);
    if (it != offsets_.end())
        return it->second;
    const std::size_t size = bytes.size() + 1;
    const std::size_t used = data_.size() % kPage;
    if (size <= kPage && used + size > kPage)
        data_.append(kPage - used, '\0');
    auto offset = static_cast<std::uint32_t>(data_.size());
    data_.append(bytes);
    data_.push_back('\0');
    offsets_.emplace(std::move(key), offset);
    return offset;
}

} // namespace qm::chm
