#include "chm/Messages.h"

#include "chm/TextCodec.h"

namespace qm::chm {

Reporter::Reporter(CompileListener& listener, std::string charset)
    : listener_(listener), charset_(std::move(charset)) {}

std::string Reporter::out(std::string_view utf8) const {
    try {
        return TextCodec(charset_).fromUtf8(utf8);
    } catch (...) {
        return std::string(utf8); // an unknown charset must not hide the message
    }
}

void Reporter::info(std::string_view utf8) {
    listener_.log(MessageKind::Info, out(utf8));
}

void Reporter::warning(std::string_view utf8) {
    ++warnings_;
    listener_.log(MessageKind::Warning, out("Warning: " + std::string(utf8)));
}

void Reporter::error(std::string_view utf8) {
    listener_.log(MessageKind::Error, out("Error: " + std::string(utf8)));
}

void Reporter::progress(std::string_view utf8) {
    lastProgress_ = out(utf8);
    ask(lastProgress_);
}

void Reporter::checkpoint() {
    ask(lastProgress_);
}

void Reporter::ask(const std::string& text) {
    // A listener that asked to stop is not asked again: the compile unwinds.
    if (stopped_ || !listener_.progress(text)) {
        stopped_ = true;
        throw CompileCancelled{};
    }
}

} // namespace qm::chm
