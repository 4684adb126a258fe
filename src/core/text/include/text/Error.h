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

// The file layer's messages, with the path converted to GBK and, when the system gave
// one (an errno value), what went wrong: "Cannot create file <path>（磁盘已满：No
// space left on device）".
[[noreturn]] void throwCannotOpen(const std::string& pathText, int error = 0);
[[noreturn]] void throwCannotCreate(const std::string& pathText, int error = 0);
[[noreturn]] void throwCannotWrite(const std::string& pathText, int error = 0);

// Why a system call failed, in GBK words for the user (empty for 0).
std::string systemReason(int error);

// The message with the reason in full-width parentheses after it, as above.
std::string withSystemReason(std::string gbkMessage, int error);

} // namespace qm
