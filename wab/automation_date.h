// Time stamps of the address book (100-nanosecond intervals since 1 January 1601, UTC)
// turned into automation dates (days since 30 December 1899, the fraction the time of
// day), computed here so that every build gives the same answer the Windows calls
// FileTimeToSystemTime and SystemTimeToVariantTime give.
#pragma once

#include <cstdint>
#include <string>

namespace tarvenne::wab {

// The broken-down form of a time stamp, as SYSTEMTIME holds it.
struct CalendarTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;        // 1 to 12
    std::uint16_t day_of_week = 0;  // 0 Sunday to 6 Saturday
    std::uint16_t day = 0;          // 1 to 31
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};

constexpr std::uint64_t kTicksPerDay = 864000000000ULL;

// As FileTimeToSystemTime: false for time stamps with the top bit set.
bool TimeStampToCalendar(std::uint64_t time_stamp, CalendarTime* out);

// As SystemTimeToVariantTime: milliseconds are ignored; false for months above 12, days
// above 31 and years outside 100 to 9999 (the automation date's range).
bool CalendarToAutomationDate(const CalendarTime& time, double* out);

// Both steps; false when either fails.
bool TimeStampToAutomationDate(std::uint64_t time_stamp, double* out);

// The time stamp of 00:00 UTC on a day of the Gregorian calendar; false for a date that
// does not exist or lies before 1 January 1601.
bool DateToTimeStamp(int year, int month, int day, std::uint64_t* out);

// The day of an automation date (a time part is ignored) as ISO 8601, "1968-11-04"; empty
// for 0 (no date) and outside the years 100 to 9999.
std::string IsoDate(double automation_date);

}  // namespace tarvenne::wab
