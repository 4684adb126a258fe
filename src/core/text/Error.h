#pragma once

#include <stdexcept>
#include <string>

namespace qm {

// The one exception the core throws. Its text is the message shown to the user
// (GBK bytes, like every text of the core), e.g. "Cannot open file /a/b.htm".
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& gbkMessage) : std::runtime_error(gbkMessage) {}
};

// The file layer's messages, with the path converted to GBK.
[[noreturn]] void throwCannotOpen(const std::string& pathText);
[[noreturn]] void throwCannotCreate(const std::string& pathText);

} // namespace qm
