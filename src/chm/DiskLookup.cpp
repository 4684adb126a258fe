#include "chm/DiskLookup.h"

#include "chm/TextCodec.h"

namespace qm::chm {

std::optional<std::string> joinProjectPath(std::string_view folder, std::string_view reference) {
    std::string ref(reference);
    for (char& c : ref)
        if (c == '\\')
            c = '/';
    std::vector<std::string> parts;
    auto push = [&](std::string_view path) -> bool {
        std::size_t start = 0;
        while (start <= path.size()) {
            std::size_t slash = path.find('/', start);
            std::string_view part = path.substr(
                start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
            if (part == "..") {
                if (parts.empty())
                    return false;
                parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.emplace_back(part);
            }
            if (slash == std::string_view::npos)
                break;
            start = slash + 1;
        }
        return true;
    };
    if (ref.empty() || ref.front() != '/') {
        if (!push(folder))
            return std::nullopt;
    }
    if (!push(ref) || parts.empty())
        return std::nullopt;
    std::string joined;
    for (const std::string& part : parts) {
        if (!joined.empty())
            joined.push_back('/');
        joined += part;
    }
    return joined;
}

std::string folderOf(std::string_view name) {
    std::size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(name.substr(0, slash));
}

DiskLookup::DiskLookup(std::filesystem::path root) : root_(std::move(root)) {}

DiskLookup::Folder& DiskLookup::folder(const std::string& relative) {
    auto [it, inserted] = folders_.try_emplace(relative);
    Folder& f = it->second;
    if (!inserted)
        return f;
    std::error_code ec;
    std::filesystem::path dir = relative.empty() ? root_ : root_ / std::filesystem::path(relative);
    std::filesystem::directory_iterator iter(dir, ec);
    if (ec)
        return f;
    f.exists = true;
    for (; iter != std::filesystem::directory_iterator(); iter.increment(ec)) {
        if (ec)
            break;
        std::string name = iter->path().filename().string();
        bool isFolder = iter->is_directory(ec);
        f.entries.emplace(name, isFolder);
        f.byFolded.emplace(foldCase(name), name);
    }
    return f;
}

std::optional<DiskLookup::Found> DiskLookup::findFile(const std::string& name) {
    Found found;
    std::string current;
    std::size_t start = 0;
    while (true) {
        std::size_t slash = name.find('/', start);
        bool last = slash == std::string::npos;
        std::string part = name.substr(start, last ? std::string::npos : slash - start);
        Folder& f = folder(current);
        if (!f.exists || part.empty())
            return std::nullopt;
        std::string actual;
        auto exact = f.entries.find(part);
        if (exact != f.entries.end() && exact->second == !last) {
            actual = part;
        } else {
            auto folded = f.byFolded.find(foldCase(part));
            if (folded == f.byFolded.end() || f.entries[folded->second] != !last)
                return std::nullopt;
            actual = folded->second;
            found.caseAdjusted = true;
        }
        current = current.empty() ? actual : current + "/" + actual;
        if (last)
            break;
        start = slash + 1;
    }
    found.name = current;
    found.path = root_ / std::filesystem::path(current);
    return found;
}

} // namespace qm::chm
