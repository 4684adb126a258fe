// hhc: the CHM compiler under the name and exit statuses of HTML Help Workshop's.
#include "UserLanguage.h"
#include "WorkshopCommand.h"
#include "platform/Console.h"

#include <csignal>
#include <cstdio>
#include <exception>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int signal) {
    stopRequested = 1;
    std::signal(signal, SIG_DFL); // a second signal ends the program at once
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    [[maybe_unused]] const qm::Utf8Console console; // for the whole run
    try {
        return qm::hhc::runWorkshopCommand(qm::utf8Arguments(argc, argv), stdout, &stopRequested,
                                           qm::hhc::userLanguage());
    } catch (const std::exception& e) { // a fault of the system: said, not aborted
        std::fprintf(stdout, "%s\n", e.what());
        return 0; // no CHM was written
    }
}
