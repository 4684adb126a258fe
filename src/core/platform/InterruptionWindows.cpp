#include "platform/Interruption.h"

#include <windows.h>

namespace qm {
namespace {

void (*g_handler)() = nullptr;

BOOL WINAPI onControl(DWORD event) {
    if (g_handler != nullptr)
        g_handler();
    // Closing the console, logging off or shutting down ends the process once this
    // returns: the run gets the seconds the system allows to stop and write its log
    // (our process ends meanwhile when it is done).
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        Sleep(4500);
    return TRUE;
}

} // namespace

void onInterrupt(void (*handler)()) {
    g_handler = handler;
    SetConsoleCtrlHandler(onControl, TRUE);
}

} // namespace qm
