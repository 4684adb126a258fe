#pragma once

#include <cstddef>
#include <functional>

namespace qm::test {

// True in a build with AddressSanitizer, whose shadow memory needs an address space no
// limit allows.
bool sanitizedBuild();

// Runs fn in a forked child whose address space may grow by at most headroom bytes
// beyond what the process maps already (unlimited in a sanitized build), so that a
// runaway allocation fails there instead of taking the machine's memory. Returns fn's
// result as the child's exit status, 128 + the signal if it was killed, -1 if the fork
// failed.
int runWithMemoryLimit(std::size_t headroom, const std::function<int()>& fn);

} // namespace qm::test
