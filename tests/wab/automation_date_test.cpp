// Time stamps into calendar times and automation dates, in the Windows build against
// FileTimeToSystemTime and SystemTimeToVariantTime themselves, which every build's own
// conversion stands in for. Known dates of the conversion are checked with the mapping.
#ifdef _WIN32
#include "wab/automation_date.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <array>
#include <cstdint>
#include <vector>

namespace tarvenne::wab {
namespace {

std::uint64_t Stamp(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0, int ms = 0) {
    std::uint64_t t = 0;
    EXPECT_TRUE(DateToTimeStamp(y, m, d, &t));
    return t + ((hh * 3600ULL + mm * 60ULL + ss) * 1000ULL + ms) * 10000ULL;
}

TEST(AutomationDate, AgreesWithTheSystemCalls) {
    // Dates around the edges: the stamp's start, the automation epoch, leap days, times of
    // day on both sides of the epoch, the last day the date can hold, and beyond.
    std::vector<std::uint64_t> samples = {
        0, 1, 9999, 10000, kTicksPerDay - 1,
        Stamp(1601, 1, 1, 12), Stamp(1752, 9, 14), Stamp(1800, 2, 28, 23, 59, 59, 999),
        Stamp(1899, 12, 29), Stamp(1899, 12, 29, 6), Stamp(1899, 12, 29, 18, 30, 15, 500),
        Stamp(1899, 12, 30), Stamp(1899, 12, 30, 0, 0, 1), Stamp(1899, 12, 31, 12),
        Stamp(1900, 2, 28), Stamp(1900, 3, 1), Stamp(1970, 1, 1), Stamp(2000, 2, 29, 13, 14, 15),
        Stamp(2026, 12, 6, 22, 12, 15, 123), Stamp(9999, 12, 31, 23, 59, 59, 999),
        Stamp(10000, 1, 1), Stamp(30827, 12, 31, 23, 59, 59, 999), 0x7FFFFFFFFFFFFFFFULL,
        0x8000000000000000ULL, 0xFFFFFFFFFFFFFFFFULL,
    };
    for (std::uint64_t t = 1; t < 0x7FFFFFFFFFFFFFFFULL / 3; t = t * 3 + 12345) samples.push_back(t);
    for (std::uint64_t t : samples) {
        SCOPED_TRACE(t);
        const FILETIME ft = {static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
        SYSTEMTIME st;
        CalendarTime c;
        const bool sys_ok = FileTimeToSystemTime(&ft, &st) != FALSE;
        ASSERT_EQ(TimeStampToCalendar(t, &c), sys_ok);
        if (!sys_ok) continue;
        EXPECT_EQ((std::array<WORD, 8>{c.year, c.month, c.day_of_week, c.day, c.hour, c.minute, c.second, c.milliseconds}),
                  (std::array<WORD, 8>{st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond,
                                       st.wMilliseconds}));
        double sys_date = 12345.0, our_date = 0;
        const bool var_ok = SystemTimeToVariantTime(&st, &sys_date) != FALSE;
        ASSERT_EQ(CalendarToAutomationDate(c, &our_date), var_ok);
        EXPECT_EQ(var_ok ? our_date : sys_date, sys_date);  // to the last bit
    }
}

}  // namespace
}  // namespace tarvenne::wab
#endif
