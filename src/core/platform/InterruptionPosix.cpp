#include "platform/Interruption.h"

#include <csignal>

namespace qm {
namespace {

void (*g_handler)() = nullptr;

extern "C" void onSignal(int) {
    if (g_handler != nullptr)
        g_handler();
}

} // namespace

void onInterrupt(void (*handler)()) {
    g_handler = handler;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace qm
