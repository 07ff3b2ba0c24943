// Time stamps into calendar times and automation dates, against known dates and, in the
// Windows build, against FileTimeToSystemTime and SystemTimeToVariantTime themselves.
#include "wab/automation_date.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <oleauto.h>
#endif

namespace tarvenne::wab {
namespace {

std::uint64_t Stamp(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0, int ms = 0) {
    std::uint64_t t = 0;
    EXPECT_TRUE(DateToTimeStamp(y, m, d, &t));
    return t + ((hh * 3600ULL + mm * 60ULL + ss) * 1000ULL + ms) * 10000ULL;
}

// Dates around the edges: the stamp's start, the automation epoch, leap days, times of
// day on both sides of the epoch, the last day the date can hold, and beyond.
std::vector<std::uint64_t> Samples() {
    std::vector<std::uint64_t> s = {
        0, 1, 9999, 10000, kTicksPerDay - 1,
        Stamp(1601, 1, 1, 12), Stamp(1752, 9, 14), Stamp(1800, 2, 28, 23, 59, 59, 999),
        Stamp(1899, 12, 29), Stamp(1899, 12, 29, 6), Stamp(1899, 12, 29, 18, 30, 15, 500),
        Stamp(1899, 12, 30), Stamp(1899, 12, 30, 0, 0, 1), Stamp(1899, 12, 31, 12),
        Stamp(1900, 2, 28), Stamp(1900, 3, 1), Stamp(1970, 1, 1), Stamp(2000, 2, 29, 13, 14, 15),
        Stamp(2026, 12, 6, 22, 12, 15, 123), Stamp(9999, 12, 31, 23, 59, 59, 999),
        Stamp(10000, 1, 1), Stamp(30827, 12, 31, 23, 59, 59, 999), 0x7FFFFFFFFFFFFFFFULL,
        0x8000000000000000ULL, 0xFFFFFFFFFFFFFFFFULL,
    };
    for (std::uint64_t t = 1; t < 0x7FFFFFFFFFFFFFFFULL / 3; t = t * 3 + 12345) s.push_back(t);
    return s;
}

TEST(AutomationDate, KnownDates) {
    double d = 0;
    ASSERT_TRUE(TimeStampToAutomationDate(Stamp(1899, 12, 30), &d));
    EXPECT_EQ(d, 0.0);
    ASSERT_TRUE(TimeStampToAutomationDate(Stamp(1900, 1, 1, 6), &d));
    EXPECT_EQ(d, 2.25);
    ASSERT_TRUE(TimeStampToAutomationDate(Stamp(1899, 12, 28, 12), &d));
    EXPECT_EQ(d, -2.5);
    ASSERT_TRUE(TimeStampToAutomationDate(0, &d));
    EXPECT_EQ(d, -109205.0);
    // Milliseconds are dropped, as the system's conversion drops them.
    ASSERT_TRUE(TimeStampToAutomationDate(Stamp(2000, 1, 1, 0, 0, 0, 999), &d));
    EXPECT_EQ(d, 36526.0);
    ASSERT_TRUE(TimeStampToAutomationDate(Stamp(9999, 12, 31), &d));
    EXPECT_EQ(d, 2958465.0);
    EXPECT_FALSE(TimeStampToAutomationDate(Stamp(10000, 1, 1), &d));
    EXPECT_FALSE(TimeStampToAutomationDate(0x8000000000000000ULL, &d));

    CalendarTime t;
    ASSERT_TRUE(TimeStampToCalendar(Stamp(2026, 12, 6, 22, 12, 15, 123), &t));
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.day, 6);
    EXPECT_EQ(t.day_of_week, 0);  // a Sunday
    EXPECT_EQ(t.hour, 22);
    EXPECT_EQ(t.minute, 12);
    EXPECT_EQ(t.second, 15);
    EXPECT_EQ(t.milliseconds, 123);

    std::uint64_t stamp = 0;
    EXPECT_FALSE(DateToTimeStamp(1600, 12, 31, &stamp));
    EXPECT_FALSE(DateToTimeStamp(2023, 2, 29, &stamp));
    EXPECT_FALSE(DateToTimeStamp(2023, 13, 1, &stamp));
    EXPECT_FALSE(DateToTimeStamp(2023, 4, 31, &stamp));
    EXPECT_TRUE(DateToTimeStamp(1601, 1, 1, &stamp));
    EXPECT_EQ(stamp, 0u);
}

#ifdef _WIN32
TEST(AutomationDate, AgreesWithTheSystemCalls) {
    for (std::uint64_t t : Samples()) {
        SCOPED_TRACE(t);
        FILETIME ft;
        ft.dwLowDateTime = static_cast<DWORD>(t);
        ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
        SYSTEMTIME st;
        const bool sys_ok = FileTimeToSystemTime(&ft, &st) != FALSE;
        CalendarTime ours;
        ASSERT_EQ(TimeStampToCalendar(t, &ours), sys_ok);
        if (!sys_ok) continue;
        EXPECT_EQ(ours.year, st.wYear);
        EXPECT_EQ(ours.month, st.wMonth);
        EXPECT_EQ(ours.day_of_week, st.wDayOfWeek);
        EXPECT_EQ(ours.day, st.wDay);
        EXPECT_EQ(ours.hour, st.wHour);
        EXPECT_EQ(ours.minute, st.wMinute);
        EXPECT_EQ(ours.second, st.wSecond);
        EXPECT_EQ(ours.milliseconds, st.wMilliseconds);
        double sys_date = 12345.0;
        const bool var_ok = SystemTimeToVariantTime(&st, &sys_date) != FALSE;
        double our_date = 0;
        ASSERT_EQ(CalendarToAutomationDate(ours, &our_date), var_ok);
        if (var_ok) EXPECT_EQ(our_date, sys_date);  // to the last bit
    }
}
#else
TEST(AutomationDate, SamplesConvertWithinRange) {
    for (std::uint64_t t : Samples()) {
        CalendarTime c;
        const bool ok = TimeStampToCalendar(t, &c);
        EXPECT_EQ(ok, t < 0x8000000000000000ULL);
        double d = 0;
        if (ok && CalendarToAutomationDate(c, &d)) {
            EXPECT_GT(d, -109206.0);  // 1601-01-01 23:59:59 counts away from zero
            EXPECT_LT(d, 2958466.0);
        }
    }
}
#endif

}  // namespace
}  // namespace tarvenne::wab
