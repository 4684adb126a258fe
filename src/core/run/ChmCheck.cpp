#include "ChmCheck.h"

#include "text/Utf8Path.h"

#include "project/ChmDirectoryReader.h"
#include "text/ByteString.h"
#include "text/Gbk.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace qm {
namespace {

std::string foldAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c < 0x80 ? std::tolower(c) : c);
    });
    return text;
}

} // namespace

std::filesystem::path compiledChmPath(const std::string& compiledFile, const FileLayout& layout) {
    std::string name = gbk::toUtf8(trimBlanks(compiledFile));
    if (name.empty())
        return layout.projectFilePath("chm");
    std::replace(name.begin(), name.end(), '\\', '/');
    if (name.size() >= 2 && name[1] == ':')
        name = name.substr(name.find_last_of(":/") + 1);
    const std::filesystem::path path = text::utf8Path(name);
    return path.is_absolute() ? path : (layout.targetFolder / path).lexically_normal();
}

std::optional<std::vector<std::string>> missingPages(const std::filesystem::path& chm,
                                                     const std::string& folderPrefix,
                                                     const std::vector<std::string>& entries) {
    std::optional<std::vector<std::string>> names = readChmDirectory(chm);
    if (!names)
        return std::nullopt;
    std::unordered_set<std::string> present;
    for (const std::string& name : *names)
        present.insert(foldAscii(name));
    std::vector<std::string> missing;
    for (const std::string& entry : entries) {
        std::string listed = folderPrefix + entry + ".htm";
        // Backslashes turn into slashes only in UTF-8: a GBK trail byte can be 0x5C.
        std::string inChm = "/" + gbk::toUtf8(listed);
        std::replace(inChm.begin(), inChm.end(), '\\', '/');
        if (present.count(foldAscii(inChm)) == 0)
            missing.push_back(std::move(listed));
    }
    return missing;
}

} // namespace qm
