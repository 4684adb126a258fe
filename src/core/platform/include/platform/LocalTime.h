#pragma once

#include <ctime>

namespace qm {

// The local calendar time of t, safe to call from several threads.
std::tm localTime(std::time_t t);

} // namespace qm
