// quillmark-hhc: the CHM compiler on its own.
#include "HhcCommand.h"

#include <cstdio>

int main(int argc, char** argv) {
    qm::hhc::ParsedArguments parsed =
        qm::hhc::parseArguments(std::vector<std::string>(argv + 1, argv + argc));
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
    return qm::hhc::runCompile(parsed.options, stdout, stderr);
}
