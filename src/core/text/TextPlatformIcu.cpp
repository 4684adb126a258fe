// The text platform over ICU (Linux).
#include "text/TextPlatform.h"

#include "text/Error.h"

#include <memory>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>
#include <vector>

namespace qm::text {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter open(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter c(ucnv_open(name, &status));
    if (U_FAILURE(status) || !c)
        throw Error(std::string("Unknown character set ") + name);
    return c;
}

} // namespace

bool isKnownCharset(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open(name, &status);
    if (c)
        ucnv_close(c);
    return U_SUCCESS(status) && c != nullptr;
}

std::u16string decode(std::string_view bytes, const char* name) {
    Converter c = open(name);
    std::u16string out(bytes.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(c.get(), reinterpret_cast<UChar*>(out.data()),
                              static_cast<int32_t>(out.size()), bytes.data(),
                              static_cast<int32_t>(bytes.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) { // UTF-8 in, surrogate pairs out, etc.
        out.assign(static_cast<size_t>(n) + 1, u'\0');
        status = U_ZERO_ERROR;
        ucnv_resetToUnicode(c.get());
        n = ucnv_toUChars(c.get(), reinterpret_cast<UChar*>(out.data()),
                          static_cast<int32_t>(out.size()), bytes.data(),
                          static_cast<int32_t>(bytes.size()), &status);
    }
    if (U_FAILURE(status))
        throw Error(std::string("Cannot decode text as ") + name);
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string encode(std::u16string_view text, const char* name) {
    Converter c = open(name);
    UErrorCode status = U_ZERO_ERROR;
    // Characters the charset cannot hold become "&#N;" (decimal code point).
    ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_ESCAPE, UCNV_ESCAPE_XML_DEC, nullptr,
                          nullptr, &status);
    std::string out(text.size() * 4 + 16, '\0');
    int32_t n = ucnv_fromUChars(c.get(), out.data(), static_cast<int32_t>(out.size()),
                                reinterpret_cast<const UChar*>(text.data()),
                                static_cast<int32_t>(text.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.assign(static_cast<size_t>(n) + 1, '\0');
        status = U_ZERO_ERROR;
        ucnv_resetFromUnicode(c.get());
        n = ucnv_fromUChars(c.get(), out.data(), static_cast<int32_t>(out.size()),
                            reinterpret_cast<const UChar*>(text.data()),
                            static_cast<int32_t>(text.size()), &status);
    }
    if (U_FAILURE(status))
        throw Error(std::string("Cannot encode text as ") + name);
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string foldCase(std::string_view utf8) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8WithSub(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()),
                         0xFFFD, nullptr, &status);
    std::vector<UChar> wide(static_cast<std::size_t>(length) + 1);
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    std::vector<UChar> folded(static_cast<std::size_t>(length) * 3 + 1);
    status = U_ZERO_ERROR;
    int32_t foldedLength = u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()),
                                         wide.data(), length, U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status))
        return std::string(utf8);
    std::string out(static_cast<std::size_t>(foldedLength) * 3 + 1, '\0');
    int32_t outLength = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &outLength, folded.data(),
                foldedLength, &status);
    if (U_FAILURE(status))
        return std::string(utf8);
    out.resize(static_cast<std::size_t>(outLength));
    return out;
}

char32_t toLower(char32_t c) {
    return static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
}

bool isAlphanumeric(char32_t c) {
    return u_isalnum(static_cast<UChar32>(c));
}

bool isCombiningMark(char32_t c) {
    const auto u = static_cast<UChar32>(c);
    return u_getCombiningClass(u) != 0 || u_charType(u) == U_NON_SPACING_MARK ||
           u_charType(u) == U_COMBINING_SPACING_MARK;
}

} // namespace qm::text
