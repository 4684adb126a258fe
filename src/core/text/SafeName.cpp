#include "text/SafeName.h"

#include "text/Gbk.h"

#include <cctype>
#include <cstring>

namespace qm {
namespace {

bool isUnsafeByte(unsigned char b) {
    return b <= 32 || b == 127 || std::strchr("\"'*/:;<>?[\\]|#%&", b) != nullptr;
}

// Length of a "&#N;" or "&#xH;" reference at text[i], or 0.
std::size_t characterReferenceAt(std::string_view text, std::size_t i) {
    if (text.compare(i, 2, "&#") != 0)
        return 0;
    std::size_t j = i + 2;
    bool hex = j < text.size() && (text[j] == 'x' || text[j] == 'X');
    if (hex)
        ++j;
    std::size_t digits = j;
    while (j < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[j]))
                                   : std::isdigit(static_cast<unsigned char>(text[j]))))
        ++j;
    if (j == digits)
        return 0;
    if (j < text.size() && text[j] == ';')
        ++j;
    return j - i;
}

} // namespace

std::string safeName(std::string_view gbk, std::size_t maxDiskBytes, Blanks blanks) {
    std::string out;
    std::size_t diskBytes = 0;
    for (std::size_t i = 0; i < gbk.size();) {
        auto b = static_cast<unsigned char>(gbk[i]);
        if (gbk::isLeadByte(b)) {
            if (i + 1 >= gbk.size() || !gbk::isTrailByte(static_cast<unsigned char>(gbk[i + 1]))) {
                ++i; // a broken character: its lone first byte is dropped
                continue;
            }
            // A double-byte character takes at most three bytes in UTF-8.
            if (diskBytes + 3 > maxDiskBytes)
                break;
            out.append(gbk.substr(i, 2));
            diskBytes += 3;
            i += 2;
            continue;
        }
        if (std::size_t reference = characterReferenceAt(gbk, i)) {
            i += reference;
            continue;
        }
        ++i;
        if (b == ' ' && blanks == Blanks::KeepInner && !out.empty() && out.back() != ' ') {
            if (diskBytes + 1 > maxDiskBytes)
                break;
            out.push_back(' ');
            ++diskBytes;
            continue;
        }
        if (isUnsafeByte(b))
            continue;
        if (diskBytes + 1 > maxDiskBytes)
            break;
        out.push_back(static_cast<char>(b));
        ++diskBytes;
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace qm
