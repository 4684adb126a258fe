#include "word/DocumentSniffer.h"

#include "platform/Files.h"
#include "text/Utf8Path.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qm {
namespace {

using namespace std::string_view_literals;
using Verdict = DocumentCheck::Verdict;

constexpr const char* kDamaged = "文件不完整或已损坏";
constexpr const char* kOtherProgram = "这是Excel、PowerPoint等其他程序的文件";

DocumentCheck notADocument(const char* why) {
    return {Verdict::NotADocument, why};
}

std::uint32_t le16(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}
std::uint32_t le32(std::string_view b, std::size_t at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}

// A regular file read by offset; a read that would pass its end reads nothing.
class File {
public:
    explicit File(const ReadableFile& file) : file_(file) {}
    std::uint64_t size() const { return file_.size(); }

    std::optional<std::string> read(std::uint64_t offset, std::uint64_t count) const {
        if (offset > size() || count > size() - offset)
            return std::nullopt;
        std::string out(static_cast<std::size_t>(count), '\0');
        std::size_t done = 0;
        while (done < out.size()) {
            std::int64_t got = file_.readAt(out.data() + done, out.size() - done, offset + done);
            if (got <= 0)
                return std::nullopt;
            done += static_cast<std::size_t>(got);
        }
        return out;
    }

private:
    const ReadableFile& file_;
};

class CompoundFile {
public:
    struct Stream {
        std::uint32_t start = 0;
        std::uint64_t size = 0;
    };

    // Reads the header, the allocation table and the directory; false when they are not
    // whole (a truncated or damaged file).
    bool open(const File& file) {
        file_ = &file;
        std::optional<std::string> header = file.read(0, 512);
        if (!header || le16(*header, 0x1C) != 0xFFFE)
            return false;
        shift_ = le16(*header, 0x1E);
        if ((shift_ != 9 && shift_ != 12) || le16(*header, 0x20) != 6)
            return false;
        const std::uint64_t sectorSize = std::uint64_t{1} << shift_;
        if (file.size() < sectorSize)
            return false;
        sectors_ = (file.size() - 1) / sectorSize; // the first sector is the header's
        miniCutoff_ = le32(*header, 0x38);

        // The table's sectors: 109 named in the header, the rest in a chain of their own.
        // Only those covering sectors the file holds are needed.
        const std::uint64_t perSector = sectorSize / 4;
        const std::uint64_t needed =
            std::min<std::uint64_t>(le32(*header, 0x2C), (sectors_ + perSector - 1) / perSector);
        std::vector<std::uint32_t> tableSectors;
        for (std::size_t i = 0; i < 109 && tableSectors.size() < needed; ++i)
            tableSectors.push_back(le32(*header, 0x4C + 4 * i));
        std::uint32_t next = le32(*header, 0x44);
        for (std::uint64_t hops = 0; tableSectors.size() < needed; ++hops) {
            std::optional<std::string> s = sector(next);
            if (!s || hops > sectors_)
                return false;
            for (std::size_t i = 0; i + 1 < perSector && tableSectors.size() < needed; ++i)
                tableSectors.push_back(le32(*s, 4 * i));
            next = le32(*s, static_cast<std::size_t>(sectorSize) - 4);
        }
        for (std::uint32_t t : tableSectors) {
            std::optional<std::string> s = sector(t);
            if (!s)
                return false;
            for (std::size_t i = 0; i < perSector; ++i)
                table_.push_back(le32(*s, 4 * i));
        }

        bool whole = walk(le32(*header, 0x30), [&](std::uint32_t n) {
            std::optional<std::string> s = sector(n);
            if (s)
                directory_ += *s;
            return s.has_value();
        });
        // The root storage comes first.
        return whole && directory_.size() >= 128 && directory_[0x42] == 5;
    }

    // A stream right inside the root storage; names compare as the format's do, ASCII
    // letters in any case.
    std::optional<Stream> stream(std::string_view name) const {
        const std::size_t count = directory_.size() / 128;
        std::vector<bool> seen(count);
        std::vector<std::uint32_t> todo{le32(directory_, 0x4C)}; // the root's children
        while (!todo.empty()) {
            std::uint32_t id = todo.back();
            todo.pop_back();
            if (id >= count || seen[id])
                continue;
            seen[id] = true;
            const std::string_view e = std::string_view(directory_).substr(id * 128, 128);
            todo.push_back(le32(e, 0x44));
            todo.push_back(le32(e, 0x48));
            std::uint32_t bytes = le16(e, 0x40);
            if (e[0x42] != 2 || bytes != 2 * (name.size() + 1))
                continue;
            bool same = true;
            for (std::size_t i = 0; i < name.size() && same; ++i) {
                std::uint32_t c = le16(e, 2 * i);
                auto lower = [](std::uint32_t x) { return x >= 'A' && x <= 'Z' ? x + 32 : x; };
                same = lower(c) == lower(static_cast<unsigned char>(name[i]));
            }
            if (same) {
                std::uint64_t size = le32(e, 0x78);
                if (shift_ == 12) // older files leave the high half undefined
                    size |= std::uint64_t{le32(e, 0x7C)} << 32;
                return Stream{le32(e, 0x74), size};
            }
        }
        return std::nullopt;
    }

    // The first count (at most 64) bytes of a stream; nullopt when they are not there.
    std::optional<std::string> head(const Stream& s, std::size_t count) const {
        if (s.size < count || count > 64)
            return std::nullopt;
        if (s.size >= miniCutoff_) {
            std::optional<std::string> first = sector(s.start);
            return first ? std::optional(first->substr(0, count)) : std::nullopt;
        }
        // Small streams live in 64-byte pieces of the mini stream, which is held in the
        // root entry's own chain.
        const std::uint64_t offset = std::uint64_t{s.start} << 6;
        const std::uint64_t index = offset >> shift_;
        std::optional<std::uint32_t> found;
        std::uint64_t i = 0;
        walk(le32(directory_, 0x74), [&](std::uint32_t n) {
            if (i++ < index)
                return true;
            found = n;
            return false;
        });
        if (!found)
            return std::nullopt;
        const std::uint64_t within = offset & ((std::uint64_t{1} << shift_) - 1);
        return file_->read(position(*found) + within, count);
    }

    // True when every sector of a (not small) stream is in the file.
    bool whole(const Stream& s) const {
        if (s.size < miniCutoff_)
            return true;
        std::uint64_t count = 0;
        bool ok = walk(s.start, [&](std::uint32_t) {
            ++count;
            return true;
        });
        return ok && count >= (s.size + (std::uint64_t{1} << shift_) - 1) >> shift_;
    }

private:
    static constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;

    std::uint64_t position(std::uint32_t n) const { return (std::uint64_t{n} + 1) << shift_; }

    std::optional<std::string> sector(std::uint32_t n) const {
        if (n >= sectors_)
            return std::nullopt;
        return file_->read(position(n), std::uint64_t{1} << shift_);
    }

    // Calls visit for each sector of the chain from start until it returns false; false
    // when the chain leaves the file or the table, or loops.
    template <typename Visit> bool walk(std::uint32_t start, Visit visit) const {
        std::uint64_t steps = 0;
        for (std::uint32_t n = start; n != kEndOfChain; n = table_[n]) {
            if (n >= sectors_ || n >= table_.size() || steps++ > sectors_)
                return false;
            if (!visit(n))
                return true;
        }
        return true;
    }

    const File* file_ = nullptr;
    unsigned shift_ = 9;
    std::uint64_t sectors_ = 0;
    std::uint32_t miniCutoff_ = 4096;
    std::vector<std::uint32_t> table_;
    std::string directory_;
};

// Word 97 to 2003 (and 6 and 95) keep the text in the stream "WordDocument", whose header
// says whether it is encrypted; an encrypted .docx is a compound file holding
// "EncryptionInfo" and the encrypted package instead of a ZIP.
DocumentCheck checkCompound(const File& file) {
    CompoundFile cf;
    if (!cf.open(file))
        return notADocument(kDamaged);
    if (cf.stream("EncryptionInfo"))
        return {Verdict::PasswordProtected, {}};
    std::optional<CompoundFile::Stream> word = cf.stream("WordDocument");
    if (!word)
        return notADocument(kOtherProgram);
    std::optional<std::string> fib = cf.head(*word, 12);
    if (!fib || !cf.whole(*word))
        return notADocument(kDamaged);
    if (le16(*fib, 0x0A) & 0x0100) // fEncrypted
        return {Verdict::PasswordProtected, {}};
    return {};
}

// A ZIP is a word-processor file when it is an Office Open XML package with a Word part or
// an OpenDocument text.
DocumentCheck checkZip(const File& file) {
    const std::uint64_t tailSize = std::min<std::uint64_t>(file.size(), 22 + 65535);
    std::optional<std::string> tail = file.read(file.size() - tailSize, tailSize);
    if (!tail)
        return notADocument(kDamaged);
    std::size_t end = tail->rfind("PK\x05\x06"sv);
    while (end != std::string::npos && end + 22 > tail->size())
        end = end == 0 ? std::string::npos : tail->rfind("PK\x05\x06"sv, end - 1);
    if (end == std::string::npos)
        return notADocument(kDamaged);
    const std::uint32_t listSize = le32(*tail, end + 12);
    const std::uint32_t listAt = le32(*tail, end + 16);
    if (listAt == 0xFFFFFFFF || listSize == 0xFFFFFFFF)
        return {}; // ZIP64, beyond any document: LibreOffice judges
    std::optional<std::string> list = file.read(listAt, listSize);
    if (!list)
        return notADocument(kDamaged);

    bool contentTypes = false;
    bool wordPart = false;
    bool odfContent = false;
    std::optional<std::string> mimeType;
    for (std::size_t p = 0; p + 46 <= list->size() && list->compare(p, 4, "PK\x01\x02"sv) == 0;) {
        const std::size_t nameSize = le16(*list, p + 28);
        const std::size_t next = p + 46 + nameSize + le16(*list, p + 30) + le16(*list, p + 32);
        if (p + 46 + nameSize > list->size())
            break;
        const std::string_view name = std::string_view(*list).substr(p + 46, nameSize);
        contentTypes |= name == "[Content_Types].xml";
        wordPart |= name.starts_with("word/");
        odfContent |= name == "content.xml";
        const std::uint32_t stored = le32(*list, p + 20);
        if (name == "mimetype" && le16(*list, p + 10) == 0 && stored <= 128) {
            const std::uint32_t local = le32(*list, p + 42);
            std::optional<std::string> header = file.read(local, 30);
            if (header && header->starts_with("PK\x03\x04"sv))
                mimeType = file.read(
                    std::uint64_t{local} + 30 + le16(*header, 26) + le16(*header, 28), stored);
        }
        p = next;
    }
    if (wordPart)
        return {};
    if (mimeType && mimeType->starts_with("application/vnd.oasis.opendocument.text"))
        return {};
    if (mimeType && mimeType->starts_with("application/vnd.oasis.opendocument."))
        return notADocument(kOtherProgram);
    if (odfContent && !mimeType)
        return {}; // an OpenDocument of unknown kind: LibreOffice judges
    if (contentTypes)
        return notADocument(kOtherProgram);
    return notADocument("这是ZIP压缩包");
}

// Text, as far as its first bytes tell: no NUL byte (unless UTF-16 with a byte-order mark)
// and hardly any control character.
bool looksLikeText(std::string_view head) {
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF"))
        return true;
    std::size_t controls = 0;
    for (char ch : head) {
        auto c = static_cast<unsigned char>(ch);
        if (c == 0)
            return false;
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A)
            ++controls;
    }
    return controls * 32 <= head.size();
}

// Extensions that promise a format of their own, which text is not.
bool textAllowed(const std::filesystem::path& path) {
    std::string ext = text::utf8Text(path.extension());
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    for (std::string_view own : {".docx", ".docm", ".dotx", ".dotm", ".odt", ".ott", ".rtf"})
        if (ext == own)
            return false;
    return true;
}

struct Signature {
    std::string_view bytes;
    const char* what;
};
constexpr Signature kOtherFormats[] = {
    {"%PDF-"sv, "这是PDF文件"},           {"\x89PNG"sv, "这是PNG图片"},
    {"\xFF\xD8\xFF"sv, "这是JPEG图片"},   {"GIF8"sv, "这是GIF图片"},
    {"Rar!\x1A\x07"sv, "这是RAR压缩包"},  {"7z\xBC\xAF\x27\x1C"sv, "这是7z压缩包"},
    {"\x1F\x8B\x08"sv, "这是gzip压缩包"}, {"ITSF\x03\x00\x00\x00"sv, "这是CHM帮助文件"},
};

DocumentCheck checkFile(const std::filesystem::path& path) {
    const ReadableFile opened(path);
    if (!opened.isOpen()) {
        if (opened.error() == EISDIR)
            return notADocument("这是一个文件夹");
        if (opened.error() == 0)
            return notADocument("这是管道、设备等特殊文件，不是普通文件");
        const bool missing = opened.error() == ENOENT || opened.error() == ENOTDIR;
        return {missing ? Verdict::Missing : Verdict::Unreadable, {}};
    }
    const File file(opened);
    if (file.size() == 0)
        return notADocument("文件是空的");
    std::optional<std::string> head = file.read(0, std::min<std::uint64_t>(file.size(), 4096));
    if (!head)
        return {Verdict::Unreadable, {}};

    const std::string_view h = *head;
    if (h.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv))
        return checkCompound(file);
    if (h.starts_with("\xDB\xA5"sv) || h.starts_with("\x9B\xA5"sv)) { // Word for Windows 1, 2
        if (h.size() < 12)
            return notADocument(kDamaged);
        return le16(h, 0x0A) & 0x0100 ? DocumentCheck{Verdict::PasswordProtected, {}}
                                      : DocumentCheck{};
    }
    if (h.starts_with("{\\rtf"sv))
        return {};
    if (h.starts_with("PK\x03\x04"sv) || h.starts_with("PK\x05\x06"sv))
        return checkZip(file);
    for (const Signature& s : kOtherFormats)
        if (h.starts_with(s.bytes))
            return notADocument(s.what);
    if (looksLikeText(h))
        return textAllowed(path) ? DocumentCheck{} : notADocument("这是文本文件");
    return notADocument("文件格式无法识别");
}

} // namespace

DocumentCheck checkDocument(const std::filesystem::path& path) {
    try {
        return checkFile(path);
    } catch (...) { // out of memory
        return {Verdict::Unreadable, {}};
    }
}

} // namespace qm
