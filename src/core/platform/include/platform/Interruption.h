#pragma once

// The interruption seam: the user's request to stop the program. POSIX: SIGINT and
// SIGTERM. Windows: Ctrl-C, Ctrl-Break, closing the console window, logging off and
// shutting down; for the last three the system ends the process a few seconds after the
// handler returns, so the handler is given that time to let the run finish its log.
namespace qm {

// Calls handler on each such request, from a signal handler (POSIX) or the system's
// control thread (Windows): it may only set lock-free flags. Replaces any handler set
// before.
void onInterrupt(void (*handler)());

} // namespace qm
