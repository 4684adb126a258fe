#include "chm/Messages.h"

#include "chm/TextCodec.h"

#include <array>
#include <cstddef>

namespace qm::chm {
namespace {

struct Entry {
    Msg msg;
    const char* english;
    const char* chinese;
};

// In the order of Msg, which the build checks.
constexpr std::array kCatalogue{
    Entry{Msg::WarningPrefix, "Warning: ", "警告："},
    Entry{Msg::ErrorPrefix, "Error: ", "错误："},
    Entry{Msg::NoProjectGiven, "no project file was given.", "没有指定工程文件。"},
    Entry{Msg::Stopped, "The compile was stopped; no CHM was written.",
          "编译被中止，没有生成CHM文件。"},
    Entry{Msg::OutOfMemory, "Out of memory; no CHM was written.", "内存不足，没有生成CHM文件。"},
    Entry{Msg::FailedBecause, "%1; no CHM was written.", "%1；没有生成CHM文件。"},
    Entry{Msg::CannotOpenProject, "Cannot open the project file %1.", "无法打开工程文件 %1。"},
    Entry{Msg::ProjectEmpty,
          "The project file %1 is empty; it is not an HTML Help Workshop project and no CHM was "
          "written.",
          "工程文件 %1 是空的，不是 HTML Help Workshop 工程，没有生成CHM文件。"},
    Entry{Msg::ProjectNotText,
          "The project file %1 is not a text file; it is not an HTML Help Workshop project and "
          "no CHM was written.",
          "工程文件 %1 不是文本文件，不是 HTML Help Workshop 工程，没有生成CHM文件。"},
    Entry{Msg::ProjectWithoutOptions,
          "The project file %1 has no [OPTIONS] section; it is not an HTML Help Workshop "
          "project and no CHM was written.",
          "工程文件 %1 没有 [OPTIONS] 节，不是 HTML Help Workshop 工程，没有生成CHM文件。"},
    Entry{Msg::NothingToCompile, "The project %1 names nothing to compile; no CHM was written.",
          "工程 %1 中没有要编译的文件，没有生成CHM文件。"},
    Entry{Msg::Compiling, "Compiling %1", "正在编入 %1"},
    Entry{Msg::Compressing, "Compressing %1 files", "正在压缩 %1 个文件"},
    Entry{Msg::Compiled, "Compiled %1 files (%2 topics) into %3: %4 bytes, %5 warnings.",
          "已将 %1 个文件（%2 个主题）编译为 %3：%4 字节，%5 个警告。"},
    Entry{Msg::CompiledFileWindowsPath,
          "The compiled file %1 is a Windows path; the CHM goes to %2 instead.",
          "编译文件 %1 是 Windows 路径，CHM文件改为写到 %2。"},
    Entry{Msg::CompiledFileOutside,
          "The compiled file %1 is outside the project's folder; the CHM is written to %2.",
          "编译文件 %1 在工程文件夹之外，CHM文件写到 %2。"},
    Entry{Msg::CompiledFileIsInput,
          "The compiled file %1 is one of the project's own files; it is not replaced and no CHM "
          "was written.",
          "编译文件 %1 是工程自己的文件，没有覆盖它，也没有生成CHM文件。"},
    Entry{Msg::CompiledFileNotAFile,
          "The compiled file %1 exists and is not a file; no CHM was written.",
          "编译文件 %1 已存在且不是文件，没有生成CHM文件。"},
    Entry{Msg::CompiledFileNotAChm,
          "The compiled file %1 exists and is not a CHM; it is not replaced and no CHM was "
          "written.",
          "编译文件 %1 已存在且不是CHM文件，没有覆盖它，也没有生成CHM文件。"},
    Entry{Msg::CannotCreateFolder, "Cannot create the folder %1; no CHM was written.",
          "无法创建文件夹 %1，没有生成CHM文件。"},
    Entry{Msg::SectionUnsupported, "The section [%1] is not supported; it is skipped.",
          "不支持 [%1] 节，已跳过。"},
    Entry{Msg::WindowWithoutName, "A [WINDOWS] line without a window name is skipped.",
          "[WINDOWS] 中没有窗口名的一行已跳过。"},
    Entry{Msg::AliasLineNotUnderstood, "The [ALIAS] line \"%1\" is not understood; it is skipped.",
          "无法识别 [ALIAS] 中的一行 \"%1\"，已跳过。"},
    Entry{Msg::MapLineNotUnderstood, "The [MAP] line \"%1\" is not understood; it is skipped.",
          "无法识别 [MAP] 中的一行 \"%1\"，已跳过。"},
    Entry{Msg::IncludeTooDeep, "#include %1 is nested too deeply; it is skipped.",
          "#include %1 嵌套太深，已跳过。"},
    Entry{Msg::IncludeLoop, "#include %1 makes a loop (%2); it is skipped.",
          "#include %1 形成循环（%2），已跳过。"},
    Entry{Msg::IncludeMissing, "The include file \"%1\" does not exist; it is skipped.",
          "包含文件 \"%1\" 不存在，已跳过。"},
    Entry{Msg::IncludeOutside,
          "The include file %1 is outside the project's folder (%2); it is read all the same.",
          "包含文件 %1 在工程文件夹之外（%2），仍然读取。"},
    Entry{Msg::IncludeLinkedOut,
          "The include file %1 leads out of the project's folder through a symbolic link; it is "
          "read all the same.",
          "包含文件 %1 通过符号链接指向工程文件夹之外，仍然读取。"},
    Entry{Msg::IncludeNotRegular, "The include file %1 is not a regular file; it is left out.",
          "包含文件 %1 不是普通文件，未读取。"},
    Entry{Msg::IncludeFoundAbove,
          "The include file %1 was found as %2, relative to a folder above the project's, "
          "outside the project's folder; it is read all the same.",
          "包含文件 %1 在工程文件夹之外、相对于其上级文件夹找到（%2），仍然读取。"},
    Entry{Msg::IncludeNotRegularAt,
          "The include file %1 (%2) is not a regular file; it is left out.",
          "包含文件 %1（%2）不是普通文件，未读取。"},
    Entry{Msg::MapIdWithoutAlias, "The context ID %1 of [MAP] has no [ALIAS] topic.",
          "[MAP] 中的上下文ID %1 在 [ALIAS] 中没有主题。"},
    Entry{Msg::AliasIdWithoutMap, "The [ALIAS] ID %1 has no number in [MAP].",
          "[ALIAS] 中的ID %1 在 [MAP] 中没有编号。"},
    Entry{Msg::MapIdCaseMatched,
          "The context ID %1 of [MAP] is taken as the [ALIAS] ID %2, whose letter case differs.",
          "[MAP] 中的上下文ID %1 按大小写不同的 [ALIAS] ID %2 处理。"},
    Entry{Msg::ContextNumberTaken, "The number of context ID %1 is already taken; it is skipped.",
          "上下文ID %1 的编号已被占用，已跳过。"},
    Entry{Msg::FileOfFiles, "The file \"%1\" listed in [FILES]", "[FILES] 中列出的文件 \"%1\""},
    Entry{Msg::ContentsFile, "The contents file \"%1\"", "目录文件 \"%1\""},
    Entry{Msg::IndexFile, "The index file \"%1\"", "索引文件 \"%1\""},
    Entry{Msg::DefaultTopic, "The default topic \"%1\"", "默认主题 \"%1\""},
    Entry{Msg::FileOfWindow, "The file \"%1\" of window \"%2\"", "窗口 \"%2\" 的文件 \"%1\""},
    Entry{Msg::FileOfAlias, "The file \"%1\" of [ALIAS] %2", "[ALIAS] %2 的文件 \"%1\""},
    Entry{Msg::TextPopupFile, "The text-popup file \"%1\"", "文本弹出文件 \"%1\""},
    Entry{Msg::RefersTo, "\"%1\" refers to \"%2\", which", "\"%1\" 引用的 \"%2\""},
    Entry{Msg::LeftOutOutside, "%1 is outside the project's folder; it is left out.",
          "%1在工程文件夹之外，未编入。"},
    Entry{Msg::LeftOutMissing, "%1 does not exist; it is left out.", "%1不存在，未编入。"},
    Entry{Msg::LeftOutLinkedOut,
          "%1 is outside the project's folder (through a symbolic link); it is left out.",
          "%1通过符号链接指向工程文件夹之外，未编入。"},
    Entry{Msg::LeftOutNotRegular, "%1 is not a regular file; it is left out.",
          "%1不是普通文件，未编入。"},
    Entry{Msg::LeftOutUnreadable, "%1 cannot be read; it is left out.", "%1无法读取，未编入。"},
    Entry{Msg::FoundInOtherCase, "\"%1\" was found as \"%2\" (the letter case differs).",
          "\"%1\" 找到的是 \"%2\"（大小写不同）。"},
    Entry{Msg::NameTooLong, "The name \"%1\" is too long; the file is left out.",
          "文件名 \"%1\" 太长，未编入。"},
    Entry{Msg::UnknownCharset,
          "\"%1\" declares the charset \"%2\", which is not known here; it is read as %3, the "
          "project's.",
          "\"%1\" 声明的字符集 \"%2\" 无法识别，按工程的字符集 %3 读取。"},
    Entry{Msg::NoBinaryToc, "Binary TOC is not written; the contents come from the .hhc.",
          "不生成二进制目录（Binary TOC），目录取自 .hhc 文件。"},
    Entry{Msg::IndexEntriesTooLong,
          "%1 index entries are too long for the binary index and are left out.",
          "%1 个索引项超出二进制索引的长度，未编入。"},
    Entry{Msg::KeywordCut,
          "The index keyword %1 is longer than the %2 characters the binary index holds; it is "
          "cut short.",
          "索引关键字 %1 超过二进制索引能容纳的 %2 个字符，已截短。"},
    Entry{Msg::IndexEntryTooDeep,
          "The index entry %1 under %2 is nested too deep for the binary index; it and its %3 "
          "sub-entries are left out.",
          "%2 下的索引项 %1 嵌套太深，二进制索引无法容纳，它和它的 %3 个子项未编入。"},
    Entry{Msg::KeywordTooManyLinks,
          "The index keyword %1 has %2 links; the binary index holds %3 of them.",
          "索引关键字 %1 有 %2 个链接，二进制索引只容纳其中 %3 个。"},
    Entry{Msg::MoreIndexChanges, "Another %1 index entries were changed to fit the binary index.",
          "另有 %1 个索引项为适应二进制索引作了改动。"},
};

constexpr bool inOrder() {
    for (std::size_t i = 0; i < kCatalogue.size(); ++i)
        if (static_cast<std::size_t>(kCatalogue[i].msg) != i)
            return false;
    return kCatalogue.size() == static_cast<std::size_t>(Msg::MoreIndexChanges) + 1;
}
static_assert(inOrder(), "every message has its entry, in the order of Msg");

} // namespace

std::string messageText(Language language, Msg msg, std::initializer_list<std::string_view> args) {
    const Entry& entry = kCatalogue[static_cast<std::size_t>(msg)];
    const std::string_view format = language == Language::Chinese ? entry.chinese : entry.english;
    std::string text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '%' && i + 1 < format.size() && format[i + 1] >= '1' && format[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(format[++i] - '1');
            if (n < args.size())
                text += *(args.begin() + n);
            continue;
        }
        text += c;
    }
    return text;
}

Reporter::Reporter(CompileListener& listener, std::string charset, Language language)
    : listener_(listener), charset_(std::move(charset)), language_(language) {}

std::string Reporter::out(std::string_view utf8) const {
    try {
        return TextCodec(charset_).fromUtf8(utf8);
    } catch (...) {
        return std::string(utf8); // an unknown charset must not hide the message
    }
}

void Reporter::info(Msg msg, std::initializer_list<std::string_view> args) {
    listener_.log(MessageKind::Info, out(text(msg, args)));
}

void Reporter::warning(Msg msg, std::initializer_list<std::string_view> args) {
    warningText(text(msg, args));
}

void Reporter::warningText(std::string_view utf8) {
    ++warnings_;
    listener_.log(MessageKind::Warning, out(text(Msg::WarningPrefix) + std::string(utf8)));
}

void Reporter::error(Msg msg, std::initializer_list<std::string_view> args) {
    listener_.log(MessageKind::Error, out(text(Msg::ErrorPrefix) + text(msg, args)));
}

void Reporter::progress(Msg msg, std::initializer_list<std::string_view> args) {
    lastProgress_ = out(text(msg, args));
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
