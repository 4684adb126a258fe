#include "HhcCommand.h"

#include "text/PathArgument.h"
#include "text/Utf8Path.h"

#include <cstdlib>

namespace qm::hhc {
namespace {

class ConsoleListener : public chm::CompileListener {
public:
    ConsoleListener(bool quiet, std::FILE* out, std::FILE* err,
                    const volatile std::sig_atomic_t* stop)
        : quiet_(quiet), out_(out), err_(err), stop_(stop) {}

    void log(chm::MessageKind kind, std::string_view text) override {
        if (kind == chm::MessageKind::Error) {
            std::fprintf(err_, "%.*s\n", static_cast<int>(text.size()), text.data());
        } else if (!quiet_) {
            std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
        }
    }

    bool progress(std::string_view text) override {
        // A large file sends its line again and again while it is compressed.
        if (!quiet_ && text != lastProgress_) {
            std::fprintf(err_, "%.*s\n", static_cast<int>(text.size()), text.data());
            lastProgress_ = text;
        }
        return !stopped();
    }

    bool stopped() const { return stop_ && *stop_; }

private:
    std::string lastProgress_;
    bool quiet_;
    std::FILE* out_;
    std::FILE* err_;
    const volatile std::sig_atomic_t* stop_;
};

bool parseNumber(const std::string& text, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && end && *end == '\0' && value >= 0;
}

} // namespace

std::string usageText() {
    return "Usage: quillmark-hhc [options] PROJECT.hhp\n"
           "Compiles an HTML Help Workshop project into the CHM its \"Compiled file\" names.\n"
           "\n"
           "  -o FILE            write the CHM to FILE instead\n"
           "  -q                 quiet: print errors only\n"
           "  -j N               compress with N threads (default: one per core)\n"
           "  --timestamp SECS   the time stamp to record (default: SOURCE_DATE_EPOCH or now)\n"
           "  --help             show this text\n"
           "  --version          show the version\n"
           "\n"
           "Messages are in English, or in Chinese where LC_ALL, LC_MESSAGES or LANG (the\n"
           "first set) names a zh_* locale.\n"
           "Progress goes to standard error, warnings and the closing line to standard\n"
           "output. Ctrl-C stops the compile within a second and leaves an earlier CHM as\n"
           "it was. The exit status is 0 when the CHM was written, 130 when it was\n"
           "stopped, 1 otherwise.\n";
}

ParsedArguments parseArguments(const std::vector<std::string>& args) {
    ParsedArguments parsed;
    HhcOptions& o = parsed.options;
    o.compile.utf8Messages = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* option) -> const std::string* {
            if (i + 1 >= args.size()) {
                parsed.error = std::string(option) + " needs a value";
                return nullptr;
            }
            return &args[++i];
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "-q" || a == "--quiet") {
            o.quiet = true;
        } else if (a == "-o" || a == "--output") {
            const std::string* v = value("-o");
            if (!v)
                return parsed;
            std::string problem;
            std::optional<std::filesystem::path> output = text::absolutePathArgument(*v, problem);
            if (!output) {
                parsed.error = "the path of -o " + problem;
                return parsed;
            }
            o.compile.output = *output;
        } else if (a == "-j" || a == "--threads") {
            const std::string* v = value("-j");
            long long n = 0;
            if (!v)
                return parsed;
            if (!parseNumber(*v, n) || n > 1024) {
                parsed.error = "-j needs a number of threads";
                return parsed;
            }
            o.compile.threads = static_cast<unsigned>(n);
        } else if (a == "--timestamp") {
            const std::string* v = value("--timestamp");
            long long n = 0;
            if (!v)
                return parsed;
            if (!parseNumber(*v, n)) {
                parsed.error = "--timestamp needs seconds since 1970";
                return parsed;
            }
            o.compile.timestamp = n;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            parsed.error = "unknown option " + a;
            return parsed;
        } else if (o.project.empty()) {
            if (std::string problem = text::pathProblem(a); !problem.empty()) {
                parsed.error = "the project path " + problem;
                return parsed;
            }
            o.project = text::utf8Path(a); // UTF-8 on every system
        } else {
            parsed.error = "only one project can be compiled at a time";
            return parsed;
        }
    }
    if (o.project.empty() && !o.help && !o.version)
        parsed.error = "no project file given";
    return parsed;
}

int runCompile(const HhcOptions& options, std::FILE* out, std::FILE* err,
               const volatile std::sig_atomic_t* stop) {
    ConsoleListener listener(options.quiet, out, err, stop);
    chm::CompileResult result = chm::compileProject(options.project, listener, options.compile);
    if (result.written)
        return 0;
    return listener.stopped() ? 130 : 1;
}

} // namespace qm::hhc
