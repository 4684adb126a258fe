#include "WorkshopCommand.h"

#include "chm/Compiler.h"
#include "text/Utf8Path.h"

#include <chrono>

namespace qm::hhc {
namespace {

class SummaryListener : public chm::CompileListener {
public:
    SummaryListener(std::FILE* out, const volatile std::sig_atomic_t* stop)
        : out_(out), stop_(stop) {}

    // Warnings and errors as they come, like the original; the closing note is replaced
    // by the summary.
    void log(chm::MessageKind kind, std::string_view text) override {
        if (kind != chm::MessageKind::Info)
            std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
    }

    bool progress(std::string_view) override { return !(stop_ && *stop_); }

    // As HTML Help Workshop's compiler: the CHM it is about to write, before the warnings.
    void compiling(const std::filesystem::path& chm) override {
        std::fprintf(out_, "Compiling %s\n\n", text::utf8Text(chm).c_str());
    }

private:
    std::FILE* out_;
    const volatile std::sig_atomic_t* stop_;
};

const char* plural(long long n, const char* one, const char* many) {
    return n == 1 ? one : many;
}

} // namespace

std::string groupThousands(unsigned long long value) {
    std::string digits = std::to_string(value);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

int runWorkshopCommand(const std::vector<std::string>& args, std::FILE* out,
                       const volatile std::sig_atomic_t* stop, chm::Language language) {
    if (args.size() == 1 && args[0] == "--version") {
        std::fprintf(out, "hhc (Quillmark) %s\n", QM_VERSION);
        return 0;
    }
    if (args.size() == 1 && args[0] == "--help") {
        std::fputs(
            "Usage: hhc PROJECT.hhp\n"
            "Compiles an HTML Help Workshop project into the CHM its \"Compiled file\" names,\n"
            "and prints the compile time, the counts and the CHM's path and size.\n"
            "\n"
            "The exit status is 1 when the CHM was written and 0 when it was not, as\n"
            "HTML Help Workshop's compiler has it; tools such as Doxygen test for 1.\n"
            "quillmark-hhc is the same compiler with options and the usual exit status.\n",
            out);
        return 0;
    }
    std::fprintf(out, "Quillmark HTML Help Compiler %s\n\n", QM_VERSION);
    if (args.size() != 1 || args[0].empty()) {
        std::fputs("Usage:   hhc <filename>\n"
                   "    where <filename> = an HTML Help project file\n"
                   "Example: hhc myfile.hhp\n",
                   out);
        return 0; // no CHM was written
    }
    const std::filesystem::path project = text::utf8Path(args[0]);

    chm::CompileOptions options;
    options.utf8Messages = true;
    options.language = language;
    SummaryListener listener(out, stop);
    const auto start = std::chrono::steady_clock::now();
    const chm::CompileResult result = chm::compileProject(project, listener, options);
    const long long seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count();
    if (!result.written) {
        std::fputs("\nNo compiled file was created.\n", out);
        return 0;
    }
    const std::string chm = text::utf8Text(result.chm);
    std::fprintf(out, "\nCompile time: %lld %s, %lld %s\n", seconds / 60,
                 plural(seconds / 60, "minute", "minutes"), seconds % 60,
                 plural(seconds % 60, "second", "seconds"));
    auto count = [&](int n, const char* one, const char* many) {
        std::fprintf(out, "%d\t%s\n", n, plural(n, one, many));
    };
    count(result.topics, "Topic", "Topics");
    count(result.localLinks, "Local link", "Local links");
    count(result.internetLinks, "Internet link", "Internet links");
    count(result.graphics, "Graphic", "Graphics");
    std::fprintf(out, "\n\nCreated %s, %s bytes\n", chm.c_str(),
                 groupThousands(result.size).c_str());
    const bool smaller = result.size <= result.sourceBytes;
    std::fprintf(out, "Compression %s file by %s bytes.\n", smaller ? "decreased" : "increased",
                 groupThousands(smaller ? result.sourceBytes - result.size
                                        : result.size - result.sourceBytes)
                     .c_str());
    return 1;
}

} // namespace qm::hhc
