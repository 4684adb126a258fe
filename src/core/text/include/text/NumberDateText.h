#pragma once

#include <cstdint>
#include <string>

// The texts of numbers and date-times that page names, titles and labels carry: a
// number in a general format, a date-time as a count of days.
namespace qm::numdate {

// A floating-point value in a general format with up to 15 significant digits:
// fixed notation without trailing zeros, scientific ("1.5E20", "1E-7") when the value
// has more than 15 digits before the point or is below 0.00001.
std::string formatGeneral(double value);

// A date-time: days since 1899-12-30 00:00 with the time of day as the fraction.
using DateTime = double;

DateTime toDateTime(int year, int month, int day, int hour, int minute, int second,
                    int millisecond = 0);
// The local date-time now, and the local time of day now (the fraction alone).
DateTime now();
DateTime timeOfDayNow();

// The system's short date and long time formats of this program: "2026/12/7" and
// "08:05:58". A fraction of a day formats as a time of day.
std::string shortDate(DateTime value);
std::string longTime(DateTime value);
// Short date, a space and the long time; the time is left out at exactly midnight.
std::string dateTimeText(DateTime value);

} // namespace qm::numdate
