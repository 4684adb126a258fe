#include "CliOptions.h"

#include "text/Gbk.h"
#include "text/PathArgument.h"

namespace qm::cli {

std::string usageText() {
    return "Usage: quillmark [OPTIONS] FILE...\n"
           "Turns Word documents (.doc .docx .rtf .odt) and HTML pages that Word saved\n"
           "(.htm .html) into an HTML Help project beside each file, and compiles it to a CHM.\n"
           "\n"
           "Options:\n"
           "  -t, --title TEXT        help title (turns the automatic title off)\n"
           "      --no-auto-title     keep the title \" －帮助\" instead of <name> －帮助\n"
           "  -l, --level DIGIT       deepest heading level that starts a topic (0 = all, "
           "default),\n"
           "                          counted from the document's highest heading level\n"
           "      --default-header    use the built-in page head instead of the document's own\n"
           "      --prefix FILE       additional code after the body start tag of every page\n"
           "      --suffix FILE       additional code before the body end tag of every page\n"
           "      --addcode FILE      additional code pair from a saved .ahtml file\n"
           "  -o, --output-dir DIR    write every project into DIR (made if missing) instead of\n"
           "                          beside its source; the source's folder stays untouched\n"
           "      --renumber          number the context IDs in document order, forgetting the\n"
           "                          project's ID map <name>.ids\n"
           "      --numbered-names    name each topic's page by its context number (1003.htm),\n"
           "                          which every CHM viewer opens and which stays with the\n"
           "                          topic across edits; pages are named by headings otherwise\n"
           "      --replace           let a document replace a project that another document\n"
           "                          made (two documents of one name, in two folders)\n"
           "      --no-compile        write the project but do not compile the CHM\n"
           "  -q, --quiet             no progress output\n"
           "      --json              instead of the summary, one JSON object per line and\n"
           "                          document: source, outcome (done, failed, no-chm,\n"
           "                          incomplete, interrupted), reason, outputs, topics,\n"
           "                          pictures, warnings, chm_size, seconds\n"
           "  -h, --help              show this help\n"
           "      --version           show the version\n"
           "\n"
           "Exit status: 0 done, 1 a file failed, 2 bad usage, 3 a CHM was not\n"
           "built or is incomplete, 130 interrupted (where several apply: 130, 1, then 3).\n";
}

namespace {

// The longest title taken, in bytes of its UTF-8 text.
constexpr std::size_t kMaxTitleBytes = 1024;

// A path of the command line made absolute; the error of the usage line otherwise.
std::optional<std::filesystem::path> pathValue(const std::string& what, const std::string& value,
                                               std::string& error) {
    std::string problem;
    std::optional<std::filesystem::path> path = text::absolutePathArgument(value, problem);
    if (!path)
        error =
            what + " \"" + value.substr(0, 80) + (value.size() > 80 ? "..." : "") + "\" " + problem;
    return path;
}

// A switch without a value; false when a is none.
bool readSwitch(const std::string& a, CliOptions& o) {
    if (a == "-h" || a == "--help")
        o.help = true;
    else if (a == "--version")
        o.version = true;
    else if (a == "-q" || a == "--quiet")
        o.quiet = true;
    else if (a == "--json")
        o.json = true;
    else if (a == "--renumber")
        o.renumber = true;
    else if (a == "--numbered-names")
        o.numberedNames = true;
    else if (a == "--replace")
        o.replace = true;
    else if (a == "--no-compile")
        o.compile = false;
    else if (a == "--default-header")
        o.defaultHeader = true;
    else if (a == "--no-auto-title")
        o.autoTitle = false;
    else
        return false;
    return true;
}

// An option that takes the next argument as its value, which it moves i onto; false when
// args[i] is none. error says what is wrong with the option or its value.
bool readValueOption(const std::vector<std::string>& args, std::size_t& i, CliOptions& o,
                     std::string& error) {
    const std::string& a = args[i];
    std::string v;
    auto value = [&] {
        if (i + 1 >= args.size())
            return false;
        v = args[++i];
        return true;
    };
    if (a == "-t" || a == "--title") {
        if (!value())
            error = a + " needs a text";
        else if (std::string problem = text::valueProblem(v, kMaxTitleBytes); !problem.empty())
            error = "the title of " + a + " " + problem;
        else {
            o.title = gbk::fromUtf8(v);
            o.autoTitle = false;
        }
    } else if (a == "-l" || a == "--level") {
        if (!value() || v.size() != 1 || v[0] < '0' || v[0] > '9')
            error = a + " needs one digit from 0 to 9";
        else
            o.level = v;
    } else if (a == "--prefix" || a == "--suffix" || a == "--addcode") {
        auto& slot = a == "--prefix"   ? o.prefixFile
                     : a == "--suffix" ? o.suffixFile
                                       : o.addcodeFile;
        if (!value())
            error = a + " needs a file";
        else
            slot = pathValue("the file of " + a, v, error);
    } else if (a == "-o" || a == "--output-dir") {
        if (!value())
            error = a + " needs a folder";
        else if (std::optional<std::filesystem::path> folder =
                     pathValue("the folder of " + a, v, error))
            o.outputFolder = *folder;
    } else {
        return false;
    }
    return true;
}

void addFile(const std::string& name, CliOptions& o, std::string& error) {
    if (std::optional<std::filesystem::path> file = pathValue("FILE", name, error))
        o.files.push_back(*file);
}

} // namespace

ParseResult parseCommandLine(const std::vector<std::string>& args) {
    ParseResult result;
    CliOptions& o = result.options;
    std::string& error = result.error;
    for (std::size_t i = 0; i < args.size() && error.empty(); ++i) {
        const std::string& a = args[i];
        if (readSwitch(a, o) || readValueOption(args, i, o, error))
            continue;
        if (a == "--") {
            for (++i; i < args.size() && error.empty(); ++i)
                addFile(args[i], o, error);
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
        } else {
            addFile(a, o, error);
        }
    }
    if (error.empty() && o.files.empty() && !o.help && !o.version)
        error = "no FILE given";
    return result;
}

} // namespace qm::cli
