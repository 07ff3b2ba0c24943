// Calendar arithmetic for birthdays: days counted on the proleptic Gregorian calendar, as
// the Windows time functions count them.
#include "wab/automation_date.h"

#include <cstdio>

namespace tarvenne::wab {
namespace {

// Days from 1 January 1970 to a civil date (any year), and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* y, unsigned* m, unsigned* d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2);
}

bool IsLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(std::int64_t y, unsigned m) {
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

constexpr std::int64_t kDays1601To1970 = 134774;
constexpr std::int64_t kDays1899To1970 = 25569;  // 30 December 1899 to 1 January 1970

}  // namespace

bool TimeStampToCalendar(std::uint64_t time_stamp, CalendarTime* out) {
    if (!out || (time_stamp >> 63) != 0) return false;
    const std::uint64_t days = time_stamp / kTicksPerDay;
    std::uint64_t rest = time_stamp % kTicksPerDay;  // 100 ns ticks into the day
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(static_cast<std::int64_t>(days) - kDays1601To1970, &y, &m, &d);
    CalendarTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(m);
    t.day = static_cast<std::uint16_t>(d);
    t.day_of_week = static_cast<std::uint16_t>((days + 1) % 7);  // 1 January 1601 was a Monday
    t.hour = static_cast<std::uint16_t>(rest / 36000000000ULL);
    rest %= 36000000000ULL;
    t.minute = static_cast<std::uint16_t>(rest / 600000000ULL);
    rest %= 600000000ULL;
    t.second = static_cast<std::uint16_t>(rest / 10000000ULL);
    rest %= 10000000ULL;
    t.milliseconds = static_cast<std::uint16_t>(rest / 10000ULL);
    *out = t;
    return true;
}

bool CalendarToAutomationDate(const CalendarTime& t, double* out) {
    if (!out || t.month > 12 || t.day > 31) return false;
    if (t.year < 100 || t.year > 9999 || t.month == 0 || t.day == 0) return false;
    // A day past the month's end rolls over into the next month, as the Windows
    // conversion does; hours, minutes and seconds are taken as they are.
    double date = static_cast<double>(DaysFromCivil(t.year, t.month, 1) + (t.day - 1) +
                                      kDays1899To1970);
    // Before the epoch the fraction counts away from zero: 29 December 1899, 06:00 is
    // -1.25, not -0.75. The terms are added one by one, in this order, so the result
    // matches the system's to the last bit.
    const double sign = date < 0.0 ? -1.0 : 1.0;
    date += t.hour / 24.0 * sign;
    date += t.minute / 1440.0 * sign;
    date += t.second / 86400.0 * sign;
    *out = date;
    return true;
}

bool TimeStampToAutomationDate(std::uint64_t time_stamp, double* out) {
    CalendarTime t;
    return TimeStampToCalendar(time_stamp, &t) && CalendarToAutomationDate(t, out);
}

bool DateToTimeStamp(int year, int month, int day, std::uint64_t* out) {
    if (!out || month < 1 || month > 12 || day < 1 || year < 1601 || year > 30827) return false;
    if (static_cast<unsigned>(day) > DaysInMonth(year, static_cast<unsigned>(month))) return false;
    const std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        kDays1601To1970;
    *out = static_cast<std::uint64_t>(days) * kTicksPerDay;
    return true;
}

std::string IsoDate(double automation_date) {
    // The whole days count toward 30 December 1899 from either side; the fraction is the
    // time of that day, also before it.
    if (!(automation_date > -657435.0 && automation_date < 2958466.0) || automation_date == 0.0)
        return std::string();
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(static_cast<std::int64_t>(automation_date) - kDays1899To1970, &year, &month, &day);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(year), month, day);
    return text;
}

}  // namespace tarvenne::wab
