// The Windows build's tables against ICU, which they were made from: any difference
// would make the Windows compiler's CHM differ from the Linux compiler's.
#include "TextTables.h"

#include "text/Error.h"
#include "text/TextPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

const char* const kCharsets[] = {
    "windows-874",  "windows-31j",  "GBK",          "windows-949",  "windows-950",  "windows-1250",
    "windows-1251", "windows-1252", "windows-1253", "windows-1254", "windows-1255", "windows-1256",
    "windows-1257", "windows-1258", "UTF-8",        "UTF-16LE",     "UTF-16BE"};

// Charsets that pages declare, which the Windows build reads but never writes.
const char* const kReadOnly[] = {"gb18030",     "EUC-JP", "ISO-8859-2", "ISO-8859-5", "ISO-8859-7",
                                 "ISO-8859-15", "KOI8-R", "KOI8-U",     "macintosh",  "IBM866",
                                 "latin2",      "koi8r",  "cp866"};

std::vector<const char*> readable() {
    std::vector<const char*> names(std::begin(kCharsets), std::end(kCharsets));
    names.insert(names.end(), std::begin(kReadOnly), std::end(kReadOnly));
    return names;
}

std::string randomBytes(std::mt19937& rng, std::size_t length, int highBias) {
    std::string s;
    for (std::size_t i = 0; i < length; ++i) {
        unsigned v = rng() % 256;
        if (static_cast<int>(rng() % 100) >= highBias)
            v &= 0x7F; // keep some ASCII between the multibyte runs
        s.push_back(static_cast<char>(v));
    }
    return s;
}

// Where two texts part, with a little of each from there: the whole texts are too long
// to print.
template <typename Text> std::string difference(const Text& tables, const Text& icu) {
    if (tables == icu)
        return {};
    std::size_t at = 0;
    while (at < tables.size() && at < icu.size() && tables[at] == icu[at])
        ++at;
    std::string out = "at " + std::to_string(at) + ": tables";
    for (std::size_t i = at; i < std::min(tables.size(), at + 8); ++i)
        out += " " + std::to_string(static_cast<unsigned>(tables[i]) & 0xFFFF);
    out += " / ICU";
    for (std::size_t i = at; i < std::min(icu.size(), at + 8); ++i)
        out += " " + std::to_string(static_cast<unsigned>(icu[i]) & 0xFFFF);
    return out;
}

} // namespace

TEST(TextTables, DecodeEveryByteAndPairAsIcu) {
    for (const char* name : readable()) {
        std::string all;
        for (int lead = 0; lead < 256; ++lead)
            for (int trail = 0; trail < 256; ++trail)
                all += {static_cast<char>(lead), static_cast<char>(trail), ' '};
        ASSERT_EQ(difference(qm::tables::decode(all, name), qm::text::decode(all, name)), "")
            << name;
        for (int b = 0; b < 256; ++b) {
            const std::string one(1, static_cast<char>(b)); // a lead byte at the very end
            ASSERT_EQ(difference(qm::tables::decode(one, name), qm::text::decode(one, name)), "")
                << name << " " << b;
        }
    }
}

TEST(TextTables, DecodeMalformedTextAsIcu) {
    std::mt19937 rng(7);
    for (const char* name : readable())
        for (int round = 0; round < 300; ++round) {
            const std::string bytes = randomBytes(rng, 1 + rng() % 40, 70);
            ASSERT_EQ(difference(qm::tables::decode(bytes, name), qm::text::decode(bytes, name)),
                      "")
                << name << " round " << round << " " << difference(bytes, std::string());
        }
}

TEST(TextTables, Gb18030FourByteSequencesAsIcu) {
    std::string all;
    auto add = [&](std::uint32_t index) {
        all +=
            {static_cast<char>(0x81 + index / 12600), static_cast<char>(0x30 + index / 1260 % 10),
             static_cast<char>(0x81 + index / 10 % 126), static_cast<char>(0x30 + index % 10)};
    };
    for (std::uint32_t index = 0; index < 4 * 12600; ++index) // the BMP and past it
        add(index);
    for (std::uint32_t index = 189000 - 20; index < 189000 + 0x100000 + 20; index += 997)
        add(index); // the supplementary planes, their edges and past them
    all += "\xFE\x39\xFE\x39\x81\x30\x41\x81\x30\xFF\x30\x81\x30\x81\x41\x81\x39\x81";
    for (const std::string& text : {all, std::string("\x81\x30"), std::string("\x81\x30\x81"),
                                    std::string("\x81\x30\x81\x30\x81")})
        ASSERT_EQ(
            difference(qm::tables::decode(text, "gb18030"), qm::text::decode(text, "gb18030")), "");
}

TEST(TextTables, EucJpThreeByteSequencesAsIcu) {
    std::string all;
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            all += {'\x8F', static_cast<char>(a), static_cast<char>(b), ' '};
    for (const std::string& text :
         {all, std::string("\x8F"), std::string("\x8F\xA1"), std::string("x\x8F\xB0\xA1")})
        ASSERT_EQ(difference(qm::tables::decode(text, "EUC-JP"), qm::text::decode(text, "EUC-JP")),
                  "");
}

TEST(TextTables, EncodeEveryCodePointAsIcu) {
    std::u16string all;
    for (char32_t c = 1; c < 0x10000; ++c)
        if (c < 0xD800 || c > 0xDFFF)
            all += {static_cast<char16_t>(c), u' '};
    all += u"\U0001F600 \U00020000 \xD800 x\xDC00 \xD83D";
    for (const char* name : kCharsets)
        ASSERT_EQ(difference(qm::tables::encode(all, name), qm::text::encode(all, name)), "")
            << name;
}

TEST(TextTables, KnowTheNamesIcuGivesThesePages) {
    for (const char* name : {"gbk", "CP936", "windows-936", "shift_jis", "ms932", "cp1251",
                             "windows-1252", "utf-8", "UTF8", "UTF-16LE", "windows-874"}) {
        if (qm::text::isKnownCharset(name)) {
            EXPECT_TRUE(qm::tables::isKnownCharset(name)) << name;
        }
    }
    EXPECT_FALSE(qm::tables::isKnownCharset("no-such-charset"));
    EXPECT_THROW(qm::tables::decode("x", "no-such-charset"), qm::Error);
}

TEST(TextTables, CaseAndClassesAsIcu) {
    std::u16string all;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        ASSERT_EQ(static_cast<std::uint32_t>(qm::tables::toLower(c)),
                  static_cast<std::uint32_t>(qm::text::toLower(c)))
            << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(qm::tables::isAlphanumeric(c), qm::text::isAlphanumeric(c))
            << std::hex << static_cast<std::uint32_t>(c);
        ASSERT_EQ(qm::tables::isCombiningMark(c), qm::text::isCombiningMark(c))
            << std::hex << static_cast<std::uint32_t>(c);
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (c < 0x10000) {
            all += static_cast<char16_t>(c);
        } else {
            all += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            all += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    std::string utf8 = qm::text::encode(all, "UTF-8") + "\xC3\x28 \xE2\x82 \xF0\x9F\x98 \xFF";
    EXPECT_EQ(difference(qm::tables::foldCase(utf8), qm::text::foldCase(utf8)), "");
}
