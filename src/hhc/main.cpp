// quillmark-hhc: the CHM compiler on its own.
#include "HhcCommand.h"
#include "UserLanguage.h"
#include "platform/Console.h"

#include <csignal>
#include <cstdio>
#include <exception>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

// The compile sees the request at its next progress line and removes its temporary
// file; a second signal ends the program at once.
void requestStop(int signal) {
    stopRequested = 1;
    std::signal(signal, SIG_DFL);
}

} // namespace

int main(int argc, char** argv) {
    [[maybe_unused]] const qm::Utf8Console console; // for the whole run
    qm::hhc::ParsedArguments parsed = qm::hhc::parseArguments(qm::utf8Arguments(argc, argv));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "quillmark-hhc: %s\n\n%s", parsed.error.c_str(),
                     qm::hhc::usageText().c_str());
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(qm::hhc::usageText().c_str(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf("quillmark-hhc %s\n", QM_VERSION);
        return 0;
    }
    parsed.options.compile.language = qm::hhc::userLanguage();
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    try {
        return qm::hhc::runCompile(parsed.options, stdout, stderr, &stopRequested);
    } catch (const std::exception& e) { // a fault of the system: said, not aborted
        std::fprintf(stderr, "quillmark-hhc: %s\n", e.what());
        return stopRequested ? 130 : 1;
    }
}
