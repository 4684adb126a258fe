#include "addcode/AdditionalCodeLibrary.h"

#include "platform/Files.h"
#include "text/Gbk.h"

#include <string_view>

namespace qm {
namespace {

constexpr std::string_view kExtension = ".ahtml";

bool hasExtension(std::string_view name) {
    if (name.size() < kExtension.size())
        return false;
    std::string_view tail = name.substr(name.size() - kExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kExtension[i])
            return false;
    }
    return true;
}

} // namespace

std::vector<AdditionalCodeFileEntry>
listAdditionalCodeFiles(const std::filesystem::path& programFolder) {
    std::vector<AdditionalCodeFileEntry> entries;
    for (const FolderEntry& entry :
         listFolder(programFolder).value_or(std::vector<FolderEntry>())) {
        std::u8string u8 = entry.name.u8string();
        std::string name(u8.begin(), u8.end());
        if (!hasExtension(name))
            continue;
        name.resize(name.size() - kExtension.size());
        entries.push_back({gbk::fromUtf8(name), programFolder / entry.name});
    }
    return entries;
}

} // namespace qm
