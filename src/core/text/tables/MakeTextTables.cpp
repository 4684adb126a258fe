// Writes the tables the Windows build uses instead of ICU (TextTables.cpp reads them):
// the Windows code pages the compiler supports, full case folding, the lower-case
// mapping and the two character classes, all as this machine's ICU has them. Each
// table records what ICU does, malformed input included, so that the Windows
// compiler's bytes are the Linux compiler's.
//     make-text-tables OUTPUT.inc
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/uversion.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The Windows code pages (read and written), then the other charsets pages declare
// (read only: a project's texts are always in a Windows code page). GB18030 carries its
// four-byte sequences besides the pairs, EUC-JP its three-byte ones.
const char* const kCodePages[] = {"windows-874",  "windows-31j",  "GBK",          "windows-949",
                                  "windows-950",  "windows-1250", "windows-1251", "windows-1252",
                                  "windows-1253", "windows-1254", "windows-1255", "windows-1256",
                                  "windows-1257", "windows-1258"};
const char* const kReadOnlyCharsets[] = {"gb18030",     "EUC-JP",      "ISO-8859-2",  "ISO-8859-3",
                                         "ISO-8859-4",  "ISO-8859-5",  "ISO-8859-6",  "ISO-8859-7",
                                         "ISO-8859-8",  "ISO-8859-9",  "ISO-8859-10", "ISO-8859-13",
                                         "ISO-8859-14", "ISO-8859-15", "KOI8-R",      "KOI8-U",
                                         "macintosh",   "IBM866",      "IBM437",      "IBM850"};

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "make-text-tables: %s\n", what.c_str());
    std::exit(1);
}

const std::string kCannot = "\xFF\xFF\xFF";

struct Decoded {
    std::vector<UChar> units;
    std::vector<int32_t> offsets;
};

Decoded decode(UConverter* c, const std::vector<unsigned char>& bytes) {
    ucnv_resetToUnicode(c);
    Decoded d;
    d.units.resize(16);
    d.offsets.resize(16);
    UChar* target = d.units.data();
    const char* source = reinterpret_cast<const char*>(bytes.data());
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(c, &target, target + 16, &source, source + bytes.size(), d.offsets.data(), true,
                   &status);
    if (U_FAILURE(status))
        fail("decoding failed");
    d.units.resize(static_cast<std::size_t>(target - d.units.data()));
    d.offsets.resize(d.units.size());
    return d;
}

// The bytes of one code point; "\xFF\xFF\xFF" when the code page cannot hold it.
std::string encode(UConverter* c, UChar32 cp) {
    UChar text[2];
    int32_t length = 0;
    [[maybe_unused]] UBool error = false;
    U16_APPEND(text, length, 2, cp, error);
    ucnv_resetFromUnicode(c);
    char out[16];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(c, out, sizeof out, text, length, &status);
    if (U_FAILURE(status))
        return kCannot;
    return std::string(out, static_cast<std::size_t>(n));
}

void writeArray16(std::FILE* f, const char* name, const std::vector<std::uint32_t>& values) {
    std::fprintf(f, "static const std::uint32_t %s[] = {", name);
    for (std::size_t i = 0; i < values.size(); ++i)
        std::fprintf(f, "%s0x%X,", i % 12 == 0 ? "\n    " : "", values[i]);
    std::fprintf(f, "%s0};\n", values.empty() ? "" : "\n    ");
}

// GB18030's four-byte sequences of the BMP, as runs: (first sequence's index, its code
// point, count). The index counts sequences from 81 30 81 30; the supplementary planes
// follow from 90 30 81 30 by arithmetic, checked here against ICU.
std::vector<std::uint32_t> fourByteRuns(UConverter* c) {
    auto bytesOf = [](std::uint32_t index) {
        return std::vector<unsigned char>{static_cast<unsigned char>(0x81 + index / 12600),
                                          static_cast<unsigned char>(0x30 + index / 1260 % 10),
                                          static_cast<unsigned char>(0x81 + index / 10 % 126),
                                          static_cast<unsigned char>(0x30 + index % 10)};
    };
    std::vector<std::uint32_t> runs;
    for (std::uint32_t index = 0; index < 4 * 12600; ++index) {
        Decoded d = decode(c, bytesOf(index));
        if (d.units.size() != 1 || d.offsets[0] != 0)
            fail("gb18030: a four-byte sequence of the BMP decodes to an unexpected shape");
        const std::uint32_t cp = d.units[0];
        if (cp == 0xFFFD)
            continue;
        if (!runs.empty() && runs[runs.size() - 3] + runs.back() == index &&
            runs[runs.size() - 2] + runs.back() == cp)
            ++runs.back();
        else
            runs.insert(runs.end(), {index, cp, 1});
    }
    for (std::uint32_t cp : {0x10000u, 0x12345u, 0x10FFFFu}) {
        Decoded d = decode(c, bytesOf(189000 + (cp - 0x10000)));
        UChar expected[2] = {static_cast<UChar>(0xD800 + ((cp - 0x10000) >> 10)),
                             static_cast<UChar>(0xDC00 + ((cp - 0x10000) & 0x3FF))};
        if (d.units.size() != 2 || d.units[0] != expected[0] || d.units[1] != expected[1])
            fail("gb18030: the supplementary planes are not where they should be");
    }
    return runs;
}

// EUC-JP's three-byte sequences (8F, then two bytes): for every two bytes after the
// lead, the first unit ICU gives and, above bit 16, how many bytes it took.
constexpr unsigned kTripleLead = 0x8F;

std::vector<std::uint32_t> tripleTable(UConverter* c, const char* name) {
    std::vector<std::uint32_t> triples;
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            Decoded d = decode(c, {static_cast<unsigned char>(kTripleLead),
                                   static_cast<unsigned char>(a), static_cast<unsigned char>(b)});
            if (d.units.empty() || d.offsets[0] != 0 || (d.units.size() > 1 && d.offsets[1] == 0))
                fail(std::string(name) + ": a three-byte sequence decodes to an unexpected shape");
            const auto taken = static_cast<std::uint32_t>(d.units.size() > 1 ? d.offsets[1] : 3);
            triples.push_back(d.units[0] | (taken << 16));
        }
    return triples;
}

// What a code page decodes. single: per byte, its unit; leads: the bytes that begin a
// pair; pairs: for each lead byte, 256 words (unit, and bit 16 when the pair is not one
// character: the lead byte gave the unit alone).
struct DecodeTables {
    std::vector<std::uint32_t> single = std::vector<std::uint32_t>(256);
    std::vector<std::uint32_t> leads;
    std::vector<std::uint32_t> pairs;
};

DecodeTables decodeTables(UConverter* c, const char* name) {
    DecodeTables t;
    for (int b = 0; b < 256; ++b) {
        std::vector<std::uint32_t> row(256);
        bool lead = false;
        for (int second = 0; second < 256; ++second) {
            Decoded d =
                decode(c, {static_cast<unsigned char>(b), static_cast<unsigned char>(second)});
            if (d.units.size() == 1 && d.offsets[0] == 0) {
                row[static_cast<std::size_t>(second)] = d.units[0];
                lead = true;
            } else if (d.units.size() >= 2 && d.offsets[0] == 0 && d.offsets[1] == 1) {
                row[static_cast<std::size_t>(second)] = 0x10000u | d.units[0];
            } else {
                fail(std::string(name) + ": a pair decodes to an unexpected shape");
            }
        }
        Decoded alone = decode(c, {static_cast<unsigned char>(b)});
        if (alone.units.size() != 1)
            fail(std::string(name) + ": a byte decodes to several units");
        t.single[static_cast<std::size_t>(b)] = alone.units[0];
        if (lead) {
            t.leads.push_back(static_cast<std::uint32_t>(b));
            t.pairs.insert(t.pairs.end(), row.begin(), row.end());
        }
    }
    return t;
}

// The inverse the runtime builds from the decode tables (first sequence wins), and where
// ICU's encoder says otherwise: (code point, bytes, length) with length 0 for "cannot
// hold" and 3 for "ICU writes nothing".
std::vector<std::uint32_t> encoderExceptions(UConverter* c, const char* name,
                                             const DecodeTables& t) {
    std::map<std::uint32_t, std::string> inverse;
    for (int b = 0; b < 256; ++b)
        if (std::find(t.leads.begin(), t.leads.end(), static_cast<std::uint32_t>(b)) ==
            t.leads.end())
            inverse.try_emplace(t.single[static_cast<std::size_t>(b)],
                                std::string(1, static_cast<char>(b)));
    for (std::size_t l = 0; l < t.leads.size(); ++l)
        for (int second = 0; second < 256; ++second) {
            std::uint32_t v = t.pairs[l * 256 + static_cast<std::size_t>(second)];
            if (!(v & 0x10000u))
                inverse.try_emplace(
                    v, std::string{static_cast<char>(t.leads[l]), static_cast<char>(second)});
        }
    std::vector<std::uint32_t> extra;
    for (UChar32 cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        const std::string bytes = encode(c, cp);
        auto it = inverse.find(static_cast<std::uint32_t>(cp));
        const std::string expected = it == inverse.end() ? kCannot : it->second;
        if (bytes == expected)
            continue;
        if (bytes != kCannot && bytes.size() > 2)
            fail(std::string(name) + ": a code point encodes to more than two bytes");
        std::uint32_t packed = 0;
        for (unsigned char byte : bytes)
            packed = (packed << 8) | byte;
        const std::uint32_t length = bytes == kCannot ? 0u
                                     : bytes.empty()  ? 3u
                                                      : static_cast<std::uint32_t>(bytes.size());
        extra.insert(extra.end(),
                     {static_cast<std::uint32_t>(cp), bytes == kCannot ? 0u : packed, length});
    }
    return extra;
}

// ICU's canonical name, the name asked for and ICU's aliases, each ended by a NUL.
std::string aliasNames(UConverter* c, const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    std::string aliases;
    const char* canonical = ucnv_getName(c, &status);
    const uint16_t count = ucnv_countAliases(canonical, &status);
    aliases += canonical;
    aliases.push_back('\0');
    aliases += name;
    aliases.push_back('\0');
    for (uint16_t i = 0; i < count; ++i) {
        aliases += ucnv_getAlias(canonical, i, &status);
        aliases.push_back('\0');
    }
    return aliases;
}

void writeCodePage(std::FILE* f, int index, const char* name, bool readOnly,
                   std::string& registry) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open(name, &status);
    if (U_FAILURE(status))
        fail(std::string("ICU has no ") + name);
    ucnv_setToUCallBack(c, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(c, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);

    const DecodeTables t = decodeTables(c, name);
    const std::vector<std::uint32_t> extra =
        readOnly ? std::vector<std::uint32_t>() : encoderExceptions(c, name, t);
    const std::string aliases = aliasNames(c, name);
    const std::vector<std::uint32_t> fourByte =
        std::string_view(name) == "gb18030" ? fourByteRuns(c) : std::vector<std::uint32_t>();
    const std::vector<std::uint32_t> triples =
        std::string_view(name) == "EUC-JP" ? tripleTable(c, name) : std::vector<std::uint32_t>();
    ucnv_close(c);

    const std::string id = "kPage" + std::to_string(index);
    writeArray16(f, (id + "Single").c_str(), t.single);
    writeArray16(f, (id + "Leads").c_str(), t.leads);
    writeArray16(f, (id + "Pairs").c_str(), t.pairs);
    writeArray16(f, (id + "Extra").c_str(), extra);
    writeArray16(f, (id + "FourByte").c_str(), fourByte);
    writeArray16(f, (id + "Triples").c_str(), triples);
    std::fprintf(f, "static const char %sNames[] = \"", id.c_str());
    for (char ch : aliases)
        ch ? std::fputc(ch, f) : std::fputs("\\0", f);
    std::fputs("\";\n", f);
    registry += "    {" + id + "Names, " + id + "Single, " + id + "Leads, " +
                std::to_string(t.leads.size()) + ", " + id + "Pairs, " + id + "Extra, " +
                std::to_string(extra.size() / 3) + ", " + id + "FourByte, " +
                std::to_string(fourByte.size() / 3) + ", " +
                (triples.empty() ? "0" : std::to_string(kTripleLead)) + ", " + id + "Triples},\n";
}

// [first, last] ranges of the code points a predicate holds for.
std::vector<std::uint32_t> ranges(bool (*holds)(UChar32)) {
    std::vector<std::uint32_t> out;
    for (UChar32 cp = 0; cp <= 0x10FFFF; ++cp) {
        if (!holds(cp))
            continue;
        if (!out.empty() && out.back() + 1 == static_cast<std::uint32_t>(cp))
            out.back() = static_cast<std::uint32_t>(cp);
        else
            out.insert(out.end(), {static_cast<std::uint32_t>(cp), static_cast<std::uint32_t>(cp)});
    }
    return out;
}

bool isAlnum(UChar32 c) {
    return u_isalnum(c);
}

bool isMark(UChar32 c) {
    return u_getCombiningClass(c) != 0 || u_charType(c) == U_NON_SPACING_MARK ||
           u_charType(c) == U_COMBINING_SPACING_MARK;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        fail("usage: make-text-tables OUTPUT.inc");
    const std::string temp = std::string(argv[1]) + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "w");
    if (!f)
        fail("cannot write " + temp);
    std::fprintf(f, "// Made by make-text-tables from ICU %s; do not edit.\n", U_ICU_VERSION);
    std::string registry;
    int index = 0;
    for (const char* name : kCodePages)
        writeCodePage(f, index++, name, false, registry);
    for (const char* name : kReadOnlyCharsets)
        writeCodePage(f, index++, name, true, registry);
    std::fprintf(f, "static const CodePageTable kCodePages[] = {\n%s};\n", registry.c_str());

    // Full case folding: (code point, count, up to three code points).
    std::vector<std::uint32_t> folding, lower;
    for (UChar32 cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        UChar in[2], out[8];
        int32_t length = 0;
        [[maybe_unused]] UBool error = false;
        U16_APPEND(in, length, 2, cp, error);
        UErrorCode status = U_ZERO_ERROR;
        const int32_t n = u_strFoldCase(out, 8, in, length, U_FOLD_CASE_DEFAULT, &status);
        if (U_FAILURE(status))
            fail("case folding failed");
        std::vector<std::uint32_t> folded;
        for (int32_t i = 0; i < n;) {
            UChar32 c;
            U16_NEXT(out, i, n, c);
            folded.push_back(static_cast<std::uint32_t>(c));
        }
        if (folded.size() != 1 || folded[0] != static_cast<std::uint32_t>(cp)) {
            if (folded.size() > 3)
                fail("a fold longer than three code points");
            folded.resize(3, 0);
            folding.insert(folding.end(),
                           {static_cast<std::uint32_t>(cp), folded[0], folded[1], folded[2]});
        }
        if (u_tolower(cp) != cp)
            lower.insert(lower.end(), {static_cast<std::uint32_t>(cp),
                                       static_cast<std::uint32_t>(u_tolower(cp))});
    }
    writeArray16(f, "kFolding", folding);
    writeArray16(f, "kLower", lower);
    writeArray16(f, "kAlphanumeric", ranges(isAlnum));
    writeArray16(f, "kCombiningMark", ranges(isMark));
    std::fprintf(f,
                 "static const std::size_t kFoldingCount = %zu, kLowerCount = %zu, "
                 "kAlphanumericCount = %zu, kCombiningMarkCount = %zu;\n",
                 folding.size() / 4, lower.size() / 2, ranges(isAlnum).size() / 2,
                 ranges(isMark).size() / 2);
    if (std::fclose(f) != 0 || std::rename(temp.c_str(), argv[1]) != 0)
        fail(std::string("cannot write ") + argv[1]);
    return 0;
}
