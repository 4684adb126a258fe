#include "IncludeLoader.h"

#include "text/Utf8Path.h"

#include <fstream>
#include <iterator>
#include <memory>

namespace qm::chm {
namespace {

// How many folders above the project's an #include file is looked for.
constexpr int kIncludeSearchDepth = 3;

class IncludeFinder {
public:
    IncludeFinder(const std::filesystem::path& folder, DiskLookup& disk, Reporter& reporter,
                  std::vector<std::filesystem::path>& inputs)
        : folder_(folder), disk_(disk), reporter_(reporter), inputs_(inputs) {}

    std::optional<std::string> load(const std::string& name) {
        leftOut_ = false;
        if (std::optional<std::optional<std::string>> inside = fromProject(name))
            return std::move(*inside);
        std::string slashed = name;
        for (char& c : slashed)
            if (c == '\\')
                c = '/';
        const std::filesystem::path relative = text::utf8Path(slashed);
        // Headers of the program the help is for often sit beside the project's
        // folder; they are read, but said, since nothing else outside it is.
        const std::filesystem::path here = (folder_ / relative).lexically_normal();
        if (std::optional<std::string> text = take(name, here)) {
            const std::filesystem::path inside = here.lexically_relative(folder_);
            if (!leftOut_ && (inside.empty() || *inside.begin() == ".."))
                reporter_.warning(Msg::IncludeOutside, {name, here.string()});
            return text;
        }
        return fromAbove(name, relative);
    }

private:
    // The file inside the project's folder; nullopt when it is not there.
    std::optional<std::optional<std::string>> fromProject(const std::string& name) {
        const std::optional<std::string> inside = joinProjectPath("", name);
        if (!inside)
            return std::nullopt;
        const std::optional<DiskLookup::Found> found = disk_.findFile(*inside);
        if (!found)
            return std::nullopt;
        DiskLookup::Content content = disk_.read(*found);
        switch (content.status) {
        case DiskLookup::ReadStatus::Read:
            inputs_.push_back(found->path);
            return std::optional<std::string>(std::move(content.bytes));
        case DiskLookup::ReadStatus::LinkOut:
            reporter_.warning(Msg::IncludeLinkedOut, {name});
            return take(name, found->path);
        case DiskLookup::ReadStatus::NotRegular:
            reporter_.warning(Msg::IncludeNotRegular, {name});
            return std::optional<std::string>();
        case DiskLookup::ReadStatus::Failed:
            return std::optional<std::string>();
        }
        return std::optional<std::string>();
    }

    // Build scripts often run HTML Help Workshop from a folder above the project's,
    // and its #include paths are relative to that folder.
    std::optional<std::string> fromAbove(const std::string& name,
                                         const std::filesystem::path& relative) {
        std::filesystem::path base = std::filesystem::absolute(folder_);
        for (int up = 0;
             up < kIncludeSearchDepth && base.has_parent_path() && base != base.parent_path();
             ++up) {
            base = base.parent_path();
            std::filesystem::path candidate = (base / relative).lexically_normal();
            if (std::optional<std::string> above = take(name, candidate)) {
                if (!leftOut_)
                    reporter_.warning(Msg::IncludeFoundAbove, {name, candidate.string()});
                return above;
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> take(const std::string& name, const std::filesystem::path& path) {
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
            // A device or a FIFO (#include /dev/zero) would never end; it is read as
            // empty, so that the message says what it is.
            reporter_.warning(Msg::IncludeNotRegularAt, {name, path.string()});
            leftOut_ = true; // a file found but not read: no other message for it
            return std::string();
        }
        std::optional<std::string> read = readWholeFile(path);
        if (read)
            inputs_.push_back(path);
        return read;
    }

    std::filesystem::path folder_;
    DiskLookup& disk_;
    Reporter& reporter_;
    std::vector<std::filesystem::path>& inputs_;
    bool leftOut_ = false;
};

} // namespace

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

IncludeLoader projectIncludeLoader(const std::filesystem::path& folder, DiskLookup& disk,
                                   Reporter& reporter, std::vector<std::filesystem::path>& inputs) {
    auto finder = std::make_shared<IncludeFinder>(folder, disk, reporter, inputs);
    return [finder](const std::string& name) { return finder->load(name); };
}

} // namespace qm::chm
