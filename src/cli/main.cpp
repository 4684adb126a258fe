// quillmark: the generation run without a window.
#include "CliListener.h"
#include "CliOptions.h"
#include "addcode/AdditionalCodeFile.h"
#include "platform/Console.h"
#include "project/ChmCompiler.h"
#include "run/Generator.h"
#include "text/Error.h"
#include "text/Gbk.h"
#include "text/ReadStream.h"
#include "word/ConverterChoice.h"

#include <cstdio>
#include <memory>

namespace {

// Only a file: a FIFO or a device given by mistake would hang the read.
void requireFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
        throw qm::Error(qm::gbk::fromUtf8("“") + qm::gbk::fromPath(path) +
                        qm::gbk::fromUtf8("”不是文件（是文件夹、设备或管道）。"));
}

std::string readWhole(const std::filesystem::path& path) {
    requireFile(path);
    return qm::readWholeFile(path);
}

// The options as the settings of a run: the additional code from its files.
qm::RunSettings runSettings(const qm::cli::CliOptions& options) {
    std::string before;
    std::string after;
    if (options.addcodeFile) {
        requireFile(*options.addcodeFile);
        qm::LoadedAdditionalCode code = qm::loadAdditionalCodeFile(*options.addcodeFile);
        before = code.beforeEntry.value_or("");
        after = code.afterEntry.value_or("");
    }
    // Files given one by one override the pair's half.
    if (options.prefixFile)
        before = readWhole(*options.prefixFile);
    if (options.suffixFile)
        after = readWhole(*options.suffixFile);
    qm::RunSettings settings;
    settings.outputFolder = options.outputFolder;
    settings.level = options.level;
    settings.autoTitle = options.autoTitle;
    settings.defaultHeader = options.defaultHeader;
    settings.renumber = options.renumber;
    settings.numberedNames = options.numberedNames;
    settings.title = options.title.value_or(qm::gbk::fromUtf8(" －帮助"));
    settings.useAdditionalCode = !before.empty() || !after.empty();
    settings.beforeEntry = std::move(before);
    settings.afterEntry = std::move(after);
    return settings;
}

int runCli(const qm::cli::CliOptions& options) {
    const qm::RunSettings settings = runSettings(options);
    qm::cli::CliListener listener(options);
    qm::ChmCompiler compiler;
    const std::unique_ptr<qm::DocumentConverter> converter = qm::makeDocumentConverter();
    qm::Generator generator(listener, converter.get(), options.compile ? &compiler : nullptr);
    qm::cli::CliListener::installInterruptHandler(generator.stopFlag());

    generator.openFiles(options.files);
    qm::RunOutcome outcome = generator.generationRun(settings);
    using Ending = qm::RunOutcome::Ending;
    if (outcome.ending == Ending::Interrupted)
        std::fprintf(stderr, "%s\n", qm::cli::terminalText(outcome.summary).c_str());
    // Where several outcomes meet, the first one below wins.
    if (generator.aborted() || qm::cli::CliListener::interrupted())
        return 130;
    if (outcome.filesFailed > 0)
        return 1;
    if (options.compile &&
        (outcome.chmsIncomplete > 0 || outcome.chmsBuilt < static_cast<int>(options.files.size())))
        return 3;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    [[maybe_unused]] const qm::Utf8Console console; // for the whole run
    qm::cli::ParseResult parsed = qm::cli::parseCommandLine(qm::utf8Arguments(argc, argv));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "quillmark: %s\n\n%s", parsed.error.c_str(),
                     qm::cli::usageText().c_str());
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(qm::cli::usageText().c_str(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf("quillmark %s\n", QM_VERSION);
        return 0;
    }
    try {
        return runCli(parsed.options);
    } catch (const qm::Error& e) {
        std::fprintf(stderr, "quillmark: %s\n", qm::cli::terminalText(e.what()).c_str());
        return qm::cli::CliListener::interrupted() ? 130 : 1;
    } catch (const std::exception& e) {
        // A fault of the system (memory, a folder gone under the run): said, not aborted.
        std::fprintf(stderr, "quillmark: %s\n", e.what());
        return qm::cli::CliListener::interrupted() ? 130 : 1;
    }
}
