#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The charset of an HTML page that a word processor saved, and its re-encoding into the
// GBK text that the rest of the program reads.
namespace qm {

// The charset the page's bytes are in, as a name ICU knows ("UTF-8", "UTF-16LE", "big5",
// "windows-1251", "gb2312", ...): a byte-order mark (UTF-8, UTF-16) wins; a page of
// UTF-16 without one is recognised by its zero bytes; otherwise the first charset
// declaration in a meta tag before the body (http-equiv content "...; charset=X", or
// charset="X"), any case. Empty when there is none, or when ICU does not know the
// declared name: the page is then read as GBK.
std::string pageCharset(std::string_view page);

// True for GB2312, GBK and GB18030 under any of their names: pages that are read as
// they stand.
bool isGbkCharset(std::string_view charsetName);

// The page as UTF-8 text, decoded from pageCharset (GBK when that is empty), without a
// byte-order mark. Malformed bytes become U+FFFD.
std::string pageToUtf8(std::string_view page);

// A UTF-8 page as GBK bytes declaring "charset=gb2312": the value of every charset
// declaration in a meta tag before the body becomes gb2312 (a declaration is added right
// after the head start tag when there is none), a leading XML declaration, which names the
// old encoding, is dropped; characters that GBK cannot hold are written as "&#N;". Nothing else
// of the page changes.
std::string utf8PageToGbk(std::string_view utf8Page);

// pageToUtf8 followed by utf8PageToGbk.
std::string pageToGbk(std::string_view page);

// True when the page at html is in a charset other than GBK's family (declared or by a
// byte-order mark), so that the program must work on a GBK copy of it.
// Throws qm::Error "Cannot open file <path>" when it cannot be read.
bool needsGbkCopy(const std::filesystem::path& html);

// Writes the GBK copy of the page at html (pageToGbk) to copy, whole or not at all.
// The page itself is only read. Throws qm::Error "Cannot open file <html>" when it
// cannot be read and the output file's errors when copy cannot be written.
void writeGbkCopy(const std::filesystem::path& html, const std::filesystem::path& copy);

} // namespace qm
