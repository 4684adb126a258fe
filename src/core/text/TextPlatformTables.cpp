// The text platform from the tables made from ICU (Windows, which has no ICU of ours).
#include "text/TextPlatform.h"

#include "tables/TextTables.h"

namespace qm::text {

bool isKnownCharset(const char* name) {
    return tables::isKnownCharset(name);
}
std::u16string decode(std::string_view bytes, const char* name) {
    return tables::decode(bytes, name);
}
std::string encode(std::u16string_view text, const char* name) {
    return tables::encode(text, name);
}
std::string foldCase(std::string_view utf8) {
    return tables::foldCase(utf8);
}
char32_t toLower(char32_t c) {
    return tables::toLower(c);
}
bool isAlphanumeric(char32_t c) {
    return tables::isAlphanumeric(c);
}
bool isCombiningMark(char32_t c) {
    return tables::isCombiningMark(c);
}

} // namespace qm::text
