#include "text/Charset.h"

#include "text/Error.h"

#include <memory>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>

namespace qm::charset {
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

} // namespace

std::string toUtf8(std::string_view bytes, const char* charsetName) {
    if (bytes.empty())
        return {};
    return encode(decode(bytes, charsetName), "UTF-8");
}

std::string fromUtf8(std::string_view utf8, const char* charsetName) {
    if (utf8.empty())
        return {};
    return encode(decode(utf8, "UTF-8"), charsetName);
}

bool isKnown(const char* charsetName) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* c = ucnv_open(charsetName, &status);
    if (c)
        ucnv_close(c);
    return U_SUCCESS(status) && c != nullptr;
}

std::string utf8Of(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

} // namespace qm::charset
