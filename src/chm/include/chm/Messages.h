#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qm::chm {

enum class MessageKind { Info, Warning, Error };

// Where a compile reports to. Texts arrive in the charset the compile was asked for:
// the code page of the project (HHA_CompileHHP) or UTF-8 (the command line).
class CompileListener {
public:
    virtual ~CompileListener() = default;
    // A log line: a warning about the project, an error that ends the compile, or a
    // note such as the closing line with the counts.
    virtual void log(MessageKind kind, std::string_view text) = 0;
    // A progress line: one per file compiled and, while files are indexed and
    // compressed, the last line again about every 64 KiB, so that a request to stop is
    // seen promptly. Called on the thread that started the compile. Returning false stops
    // the compile: it fails and writes no CHM, and progress is not called again.
    virtual bool progress(std::string_view text) = 0;
    // Once the project is read: where the CHM will be written (HTML Help Workshop's
    // command line names it before it compiles).
    virtual void compiling(const std::filesystem::path& /*chm*/) {}
};

// Thrown out of Reporter::progress when the listener asked to stop.
struct CompileCancelled {};

// The compiler's side of the listener: messages are composed in UTF-8 and converted to
// the listener's charset on the way out, and warnings are counted.
class Reporter {
public:
    // charset: the ICU name of the charset the listener wants ("GBK", "UTF-8", ...).
    Reporter(CompileListener& listener, std::string charset);

    void setCharset(std::string charset) { charset_ = std::move(charset); }

    void info(std::string_view utf8);
    void warning(std::string_view utf8);
    void error(std::string_view utf8);
    // Throws CompileCancelled when the listener returns false, now or before.
    void progress(std::string_view utf8);
    // Sends the last progress line again, to ask whether to go on during a long step;
    // throws like progress().
    void checkpoint();
    void compiling(const std::filesystem::path& chm) { listener_.compiling(chm); }

    int warnings() const { return warnings_; }

private:
    std::string out(std::string_view utf8) const;

    void ask(const std::string& text);

    CompileListener& listener_;
    std::string charset_;
    std::string lastProgress_; // in the listener's charset
    bool stopped_ = false;
    int warnings_ = 0;
};

} // namespace qm::chm
