#include "TextTables.h"

#include "text/Error.h"
#include "text/Utf8.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qm::tables {
namespace {

struct CodePageTable {
    const char* names;           // '\0'-separated; the first is ICU's canonical name
    const std::uint32_t* single; // the unit of each byte alone
    const std::uint32_t* leads;  // lead bytes, ascending
    std::size_t leadCount;
    const std::uint32_t* pairs; // 256 per lead: the unit; bit 16: only the lead was used
    const std::uint32_t* extra; // encoder exceptions: code point, bytes, length
    std::size_t extraCount;
    const std::uint32_t* fourByte; // GB18030's BMP sequences: first index, code point, count
    std::size_t fourByteCount;
    std::uint32_t tripleLead;     // EUC-JP's 8F: the lead of three-byte sequences, or 0
    const std::uint32_t* triples; // per two bytes after it: the unit; above bit 16, bytes taken
};

#include "TextTablesData.inc"

enum class Kind { Utf8, Utf16LE, Utf16BE, CodePage };

struct Charset {
    Kind kind;
    const CodePageTable* table = nullptr;
};

// ICU's name matching: case and the separators do not count.
std::string normalized(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z')
            out.push_back(static_cast<char>(c - 'A' + 'a'));
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out.push_back(c);
    }
    return out;
}

bool find(const char* name, Charset& found) {
    const std::string key = normalized(name ? name : "");
    if (key.empty())
        return false;
    if (key == "utf8") {
        found = {Kind::Utf8};
        return true;
    }
    if (key == "utf16le") {
        found = {Kind::Utf16LE};
        return true;
    }
    if (key == "utf16be") {
        found = {Kind::Utf16BE};
        return true;
    }
    for (const CodePageTable& t : kCodePages)
        for (const char* n = t.names; *n; n += std::char_traits<char>::length(n) + 1)
            if (normalized(n) == key) {
                found = {Kind::CodePage, &t};
                return true;
            }
    return false;
}

Charset lookup(const char* name) {
    Charset c{};
    if (!find(name, c))
        throw Error(std::string("Unknown character set ") + (name ? name : ""));
    return c;
}

// Per code page: the lead bytes' rows, and the encoder for the BMP (0: cannot hold;
// else length in the top byte, bytes below).
struct Prepared {
    std::array<int, 256> row{};
    std::vector<std::uint32_t> encoder;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> beyondBmp; // code point → packed
};

const Prepared& prepare(const CodePageTable& t) {
    static std::mutex mutex;
    static std::array<std::unique_ptr<Prepared>, std::size(kCodePages)> cache;
    const auto index = static_cast<std::size_t>(&t - kCodePages);
    std::lock_guard lock(mutex);
    if (cache[index])
        return *cache[index];
    auto p = std::make_unique<Prepared>();
    p->row.fill(-1);
    for (std::size_t l = 0; l < t.leadCount; ++l)
        p->row[t.leads[l]] = static_cast<int>(l);
    p->encoder.assign(0x10000, 0);
    for (std::uint32_t b = 0; b < 256; ++b)
        if (p->row[b] < 0 && p->encoder[t.single[b]] == 0)
            p->encoder[t.single[b]] = (1u << 24) | b;
    for (std::size_t l = 0; l < t.leadCount; ++l)
        for (std::uint32_t trail = 0; trail < 256; ++trail) {
            const std::uint32_t v = t.pairs[l * 256 + trail];
            if (!(v & 0x10000u) && p->encoder[v] == 0)
                p->encoder[v] = (2u << 24) | (t.leads[l] << 8) | trail;
        }
    for (std::size_t i = 0; i < t.extraCount; ++i) {
        const std::uint32_t cp = t.extra[3 * i], bytes = t.extra[3 * i + 1],
                            length = t.extra[3 * i + 2];
        // length 3: ICU writes nothing for the character.
        const std::uint32_t packed = length ? (length << 24) | bytes : 0;
        if (cp < 0x10000)
            p->encoder[cp] = packed;
        else if (packed)
            p->beyondBmp.emplace_back(cp, packed);
    }
    cache[index] = std::move(p);
    return *cache[index];
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

// UTF-8 as ICU reads it: each maximal part of a malformed sequence becomes one U+FFFD.
std::u16string decodeUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::int32_t c = nextUtf8(bytes, i);
        if (c < 0)
            out.push_back(0xFFFD);
        else
            appendUtf16(out, static_cast<char32_t>(c));
    }
    return out;
}

std::u16string decodeUtf16(std::string_view bytes, bool little) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]),
                   b = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(little ? a | (b << 8) : (a << 8) | b));
    }
    std::u16string out;
    const bool odd = bytes.size() % 2 != 0;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (odd && i + 1 == units.size() && u >= 0xD800 && u <= 0xDBFF) {
            out.push_back(0xFFFD); // ICU: one truncated sequence, the odd byte with it
            return out;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            out.push_back(u);
            out.push_back(units[++i]);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out.push_back(0xFFFD);
        } else {
            out.push_back(u);
        }
    }
    if (odd)
        out.push_back(0xFFFD);
    return out;
}

bool isGbDigit(unsigned char b) {
    return b >= 0x30 && b <= 0x39;
}

bool isGbLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

// The code point of GB18030's four-byte sequence with that index (from 81 30 81 30), or
// U+FFFD where none is assigned: the BMP's from the table, the supplementary planes'
// from 90 30 81 30 on.
char32_t gb18030FourByte(const CodePageTable& t, std::uint32_t index) {
    constexpr std::uint32_t kSupplementary = 189000; // the index of 90 30 81 30
    if (index >= kSupplementary)
        return index - kSupplementary < 0x100000 ? 0x10000 + (index - kSupplementary) : 0xFFFD;
    std::size_t lo = 0, hi = t.fourByteCount;
    while (lo < hi) { // the last run starting at or before index
        const std::size_t mid = (lo + hi) / 2;
        if (t.fourByte[3 * mid] <= index)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == 0)
        return 0xFFFD;
    const std::uint32_t* run = t.fourByte + 3 * (lo - 1);
    return index < run[0] + run[2] ? run[1] + (index - run[0]) : 0xFFFD;
}

// A lead byte followed by a digit starts a four-byte sequence, read as ICU reads it: a
// whole sequence is its character (U+FFFD when unassigned); one cut short by the end of
// the text is one U+FFFD; one broken by a wrong byte is U+FFFD for the lead byte alone.
std::size_t decodeFourByte(std::string_view bytes, std::size_t i, const CodePageTable& t,
                           std::u16string& out) {
    const std::size_t left = bytes.size() - i;
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[i + k]); };
    if (left >= 4 && isGbLead(at(2)) && isGbDigit(at(3))) {
        const std::uint32_t index = (at(0) - 0x81u) * 12600 + (at(1) - 0x30u) * 1260 +
                                    (at(2) - 0x81u) * 10 + (at(3) - 0x30u);
        appendUtf16(out, gb18030FourByte(t, index));
        return 4;
    }
    out.push_back(0xFFFD);
    if (left == 2 || (left == 3 && isGbLead(at(2))))
        return left;
    return 1;
}

std::u16string decodeCodePage(std::string_view bytes, const CodePageTable& t) {
    const Prepared& p = prepare(t);
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const int row = p.row[b];
        if (t.tripleLead && b == t.tripleLead && i + 2 < bytes.size()) {
            const std::uint32_t v = t.triples[static_cast<unsigned char>(bytes[i + 1]) * 256u +
                                              static_cast<unsigned char>(bytes[i + 2])];
            out.push_back(static_cast<char16_t>(v & 0xFFFF));
            i += v >> 16;
            continue;
        }
        if (t.fourByteCount && row >= 0 && i + 1 < bytes.size() &&
            isGbDigit(static_cast<unsigned char>(bytes[i + 1]))) {
            i += decodeFourByte(bytes, i, t, out);
            continue;
        }
        if (row < 0 || i + 1 == bytes.size()) {
            out.push_back(static_cast<char16_t>(t.single[b]));
            ++i;
            continue;
        }
        const auto trail = static_cast<unsigned char>(bytes[i + 1]);
        const std::uint32_t v = t.pairs[static_cast<std::size_t>(row) * 256 + trail];
        out.push_back(static_cast<char16_t>(v & 0xFFFF));
        i += (v & 0x10000u) ? 1 : 2;
    }
    return out;
}

// Walks UTF-16 by code point; lone surrogates come as themselves, flagged.
template <typename Emit> void eachCodePoint(std::u16string_view text, Emit emit) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            emit(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00u),
                 false);
            ++i;
        } else {
            emit(static_cast<char32_t>(u), u >= 0xD800 && u <= 0xDFFF);
        }
    }
}

std::string escape(char32_t c) {
    return "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
}

bool inRanges(const std::uint32_t* ranges, std::size_t count, char32_t c) {
    // The last range starting at or before c.
    std::size_t lo = 0, hi = count;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (ranges[2 * mid] <= c)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo > 0 && c <= ranges[2 * (lo - 1) + 1];
}

} // namespace

bool isKnownCharset(const char* name) {
    Charset c{};
    return find(name, c);
}

std::u16string decode(std::string_view bytes, const char* name) {
    const Charset c = lookup(name);
    switch (c.kind) {
    case Kind::Utf8:
        return decodeUtf8(bytes);
    case Kind::Utf16LE:
        return decodeUtf16(bytes, true);
    case Kind::Utf16BE:
        return decodeUtf16(bytes, false);
    case Kind::CodePage:
        break;
    }
    return decodeCodePage(bytes, *c.table);
}

std::string encode(std::u16string_view text, const char* name) {
    const Charset c = lookup(name);
    std::string out;
    out.reserve(text.size() * 2);
    auto put16 = [&](char16_t u) {
        const auto hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        if (c.kind == Kind::Utf16LE)
            out += {lo, hi};
        else
            out += {hi, lo};
    };
    const Prepared* p = c.kind == Kind::CodePage ? &prepare(*c.table) : nullptr;
    eachCodePoint(text, [&](char32_t cp, bool loneSurrogate) {
        std::uint32_t packed = 0;
        if (!loneSurrogate) {
            if (c.kind == Kind::Utf8) {
                appendUtf8(out, cp);
                return;
            }
            if (c.kind != Kind::CodePage) {
                std::u16string units;
                appendUtf16(units, cp);
                for (char16_t u : units)
                    put16(u);
                return;
            }
            if (cp < 0x10000) {
                packed = p->encoder[cp];
            } else {
                for (const auto& [point, bytes] : p->beyondBmp)
                    if (point == cp)
                        packed = bytes;
            }
        }
        if (packed) {
            if ((packed >> 24) == 3)
                return;
            if ((packed >> 24) == 2)
                out += static_cast<char>((packed >> 8) & 0xFF);
            out += static_cast<char>(packed & 0xFF);
            return;
        }
        const std::string e = escape(cp);
        if (c.kind == Kind::Utf16LE || c.kind == Kind::Utf16BE)
            for (char ch : e)
                put16(static_cast<char16_t>(ch));
        else
            out += e;
    });
    return out;
}

std::string foldCase(std::string_view utf8) {
    const std::u16string text = decodeUtf8(utf8);
    std::string out;
    out.reserve(utf8.size());
    eachCodePoint(text, [&](char32_t cp, bool) {
        std::size_t lo = 0, hi = kFoldingCount;
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            if (kFolding[4 * mid] < cp)
                lo = mid + 1;
            else
                hi = mid;
        }
        if (lo < kFoldingCount && kFolding[4 * lo] == cp) {
            for (int k = 1; k <= 3 && kFolding[4 * lo + static_cast<std::size_t>(k)]; ++k)
                appendUtf8(out, kFolding[4 * lo + static_cast<std::size_t>(k)]);
        } else {
            appendUtf8(out, cp);
        }
    });
    return out;
}

char32_t toLower(char32_t c) {
    std::size_t lo = 0, hi = kLowerCount;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (kLower[2 * mid] < c)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < kLowerCount && kLower[2 * lo] == c ? kLower[2 * lo + 1] : c;
}

bool isAlphanumeric(char32_t c) {
    return inRanges(kAlphanumeric, kAlphanumericCount, c);
}

bool isCombiningMark(char32_t c) {
    return inRanges(kCombiningMark, kCombiningMarkCount, c);
}

} // namespace qm::tables
