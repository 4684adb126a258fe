#include "text/NumberDateText.h"

#include "platform/LocalTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace qm::numdate {
namespace {

constexpr int kPrecision = 15;
constexpr double kMsPerDay = 86400000.0;

// Days from 1899-12-30 to the given civil date (proleptic Gregorian).
std::int64_t daysFromEpoch(int y, int m, int d) {
    auto ymd = std::chrono::year{y} / std::chrono::month{static_cast<unsigned>(m)} /
               std::chrono::day{static_cast<unsigned>(d)};
    auto epoch = std::chrono::year{1899} / std::chrono::December / std::chrono::day{30};
    return (std::chrono::sys_days{ymd} - std::chrono::sys_days{epoch}).count();
}

struct Parts {
    int year, month, day, hour, minute, second;
};

// Splits a date-time into date and time of day: the time part is
// rounded to whole milliseconds, then truncated to seconds.
Parts decode(DateTime value) {
    double dayPart = std::floor(value);
    auto ms = static_cast<std::int64_t>(std::llround((value - dayPart) * kMsPerDay));
    auto days = static_cast<std::int64_t>(dayPart);
    if (ms >= static_cast<std::int64_t>(kMsPerDay)) {
        ms -= static_cast<std::int64_t>(kMsPerDay);
        ++days;
    }
    auto epoch = std::chrono::sys_days{std::chrono::year{1899} / std::chrono::December /
                                       std::chrono::day{30}};
    std::chrono::year_month_day ymd{epoch + std::chrono::days{days}};
    std::int64_t seconds = ms / 1000;
    return {static_cast<int>(ymd.year()),
            static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())),
            static_cast<int>(seconds / 3600),
            static_cast<int>(seconds / 60 % 60),
            static_cast<int>(seconds % 60)};
}

std::string stripFractionZeros(std::string digits) {
    if (digits.find('.') == std::string::npos)
        return digits;
    while (digits.back() == '0')
        digits.pop_back();
    if (digits.back() == '.')
        digits.pop_back();
    return digits;
}

} // namespace

std::string formatGeneral(double value) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (value == 0.0)
        return "0";
    // Round to 15 significant digits first; the exponent after rounding decides the form.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", kPrecision - 1, value);
    char* e = std::strchr(buf, 'e');
    int exponent = std::atoi(e + 1);
    *e = '\0';
    std::string mantissa = stripFractionZeros(buf);
    if (exponent >= kPrecision || std::fabs(value) < 0.00001)
        return mantissa + "E" + std::to_string(exponent);
    std::snprintf(buf, sizeof buf, "%.*f",
                  exponent >= kPrecision - 1 ? 0 : kPrecision - 1 - exponent, value);
    return stripFractionZeros(buf);
}

DateTime toDateTime(int year, int month, int day, int hour, int minute, int second,
                    int millisecond) {
    double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMsPerDay;
    return static_cast<double>(daysFromEpoch(year, month, day)) + time;
}

DateTime now() {
    using namespace std::chrono;
    auto t = system_clock::now();
    std::time_t secs = system_clock::to_time_t(t);
    int ms = static_cast<int>(duration_cast<milliseconds>(t.time_since_epoch()).count() % 1000);
    const std::tm local = localTime(secs);
    return toDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, local.tm_sec, ms);
}

DateTime timeOfDayNow() {
    DateTime t = now();
    return t - std::floor(t);
}

std::string shortDate(DateTime value) {
    Parts p = decode(value);
    return std::to_string(p.year) + "/" + std::to_string(p.month) + "/" + std::to_string(p.day);
}

std::string longTime(DateTime value) {
    Parts p = decode(value);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", p.hour, p.minute, p.second);
    return buf;
}

std::string dateTimeText(DateTime value) {
    Parts p = decode(value);
    if (p.hour == 0 && p.minute == 0 && p.second == 0)
        return shortDate(value);
    return shortDate(value) + " " + longTime(value);
}

} // namespace qm::numdate
