#include "platform/LocalTime.h"

namespace qm {

std::tm localTime(std::time_t t) {
    std::tm local{};
    ::localtime_s(&local, &t);
    return local;
}

} // namespace qm
