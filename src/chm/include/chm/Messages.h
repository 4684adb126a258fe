#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

namespace qm::chm {

enum class MessageKind { Info, Warning, Error };

// The language the compiler speaks to its caller: HTML Help Workshop's English unless
// the caller asks for Chinese (the program's own front ends, a Chinese user's console).
enum class Language { English, Chinese };

// Everything the compiler says, by what it says. The catalogue (Messages.cpp) holds each
// in every language, with %1, %2, ... where its arguments go.
enum class Msg {
    WarningPrefix,
    ErrorPrefix,
    // The compile as a whole
    NoProjectGiven,
    Stopped,
    OutOfMemory,
    FailedBecause,
    CannotOpenProject,
    ProjectEmpty,
    ProjectNotText,
    ProjectWithoutOptions,
    NothingToCompile,
    Compiling,
    Compressing,
    Compiled,
    // Where the CHM goes
    CompiledFileWindowsPath,
    CompiledFileOutside,
    CompiledFileIsInput,
    CompiledFileNotAFile,
    CompiledFileNotAChm,
    CannotCreateFolder,
    // The project file and its #include files
    SectionUnsupported,
    WindowWithoutName,
    AliasLineNotUnderstood,
    MapLineNotUnderstood,
    IncludeTooDeep,
    IncludeLoop,
    IncludeMissing,
    IncludeOutside,
    IncludeLinkedOut,
    IncludeNotRegular,
    IncludeFoundAbove,
    IncludeNotRegularAt,
    // Context IDs
    MapIdWithoutAlias,
    AliasIdWithoutMap,
    MapIdCaseMatched,
    ContextNumberTaken,
    // The files gathered: what refers to a file ...
    FileOfFiles,
    ContentsFile,
    IndexFile,
    DefaultTopic,
    FileOfWindow,
    FileOfAlias,
    TextPopupFile,
    RefersTo,
    // ... and what became of it
    LeftOutOutside,
    LeftOutMissing,
    LeftOutLinkedOut,
    LeftOutNotRegular,
    LeftOutUnreadable,
    FoundInOtherCase,
    NameTooLong,
    UnknownCharset,
    // Contents and index
    NoBinaryToc,
    IndexEntriesTooLong,
    KeywordCut,
    IndexEntryTooDeep,
    KeywordTooManyLinks,
    MoreIndexChanges,
};

// The text of msg in language (UTF-8), its arguments (UTF-8) put in.
std::string messageText(Language language, Msg msg,
                        std::initializer_list<std::string_view> args = {});

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

// The compiler's side of the listener: messages come from the catalogue in the caller's
// language, are converted to the listener's charset on the way out, and warnings are
// counted.
class Reporter {
public:
    // charset: the ICU name of the charset the listener wants ("GBK", "UTF-8", ...).
    Reporter(CompileListener& listener, std::string charset, Language language = Language::English);

    void setCharset(std::string charset) { charset_ = std::move(charset); }
    Language language() const { return language_; }
    // A text of the catalogue in the caller's language (UTF-8), to be part of another.
    std::string text(Msg msg, std::initializer_list<std::string_view> args = {}) const {
        return messageText(language_, msg, args);
    }

    void info(Msg msg, std::initializer_list<std::string_view> args = {});
    void warning(Msg msg, std::initializer_list<std::string_view> args = {});
    // A warning composed of the catalogue's texts already (UTF-8).
    void warningText(std::string_view utf8);
    void error(Msg msg, std::initializer_list<std::string_view> args = {});
    // Throws CompileCancelled when the listener returns false, now or before.
    void progress(Msg msg, std::initializer_list<std::string_view> args = {});
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
    Language language_;
    std::string lastProgress_; // in the listener's charset
    bool stopped_ = false;
    int warnings_ = 0;
};

} // namespace qm::chm
