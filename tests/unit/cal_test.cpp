// Calendar and epochs, checked against worked dates and against independent
// day counts: std::chrono for the Gregorian calendar, a day-by-day walk for
// the Julian calendar before the reform.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <limits>

#include "cal.h"
#include "numtext.h"

using namespace morvel;

namespace {

// Julian Day Number of 1970 January 1, the std::chrono epoch.
constexpr int jdn1970 = 2440588;

int chronoJdn(int y, unsigned m, unsigned d) {
    const std::chrono::sys_days sd{std::chrono::year{y} / std::chrono::month{m} / std::chrono::day{d}};
    return static_cast<int>(sd.time_since_epoch().count()) + jdn1970;
}

int julianMonthLength(int y, int m) {
    constexpr int len[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && y % 4 == 0) return 29;  // every fourth year (proleptic, y >= 0 here)
    return len[m - 1];
}

}  // namespace

TEST(Calendar, WorkedDayNumbers) {
    EXPECT_EQ(cal_julian({2000, 1, 1}), 2451545);
    EXPECT_EQ(cal_julian({1582, 10, 15}), 2299161);
    EXPECT_EQ(cal_julian({1582, 10, 4}), 2299160);
    EXPECT_EQ(cal_julian({1957, 10, 4}), 2436116);
    EXPECT_EQ(cal_julian({2012, 2, 29}), 2455987);
    // The day is not compared with the month's length.
    EXPECT_EQ(cal_julian({2000, 2, 31}), cal_julian({2000, 3, 2}));
}

TEST(Calendar, OutOfRangeMonthOrDayGivesZero) {
    EXPECT_EQ(cal_julian({2000, 13, 1}), 0);
    EXPECT_EQ(cal_julian({2000, 0, 1}), 0);
    EXPECT_EQ(cal_julian({2000, 1, 0}), 0);
    EXPECT_EQ(cal_julian({2000, 1, 32}), 0);
}

TEST(Calendar, WorkedCivilDates) {
    struct Case { int jd, y, m, d; };
    for (const Case c : {Case{2451545, 2000, 1, 1}, Case{2299161, 1582, 10, 15},
                         Case{2299160, 1582, 10, 4}, Case{0, -4712, 1, 1}, Case{-1, 0, 0, 0}}) {
        const date got = cal_civil(c.jd);
        EXPECT_EQ(got.year, c.y) << "jd " << c.jd;
        EXPECT_EQ(got.month, c.m) << "jd " << c.jd;
        EXPECT_EQ(got.day, c.d) << "jd " << c.jd;
    }
}

TEST(Calendar, GregorianDaysAgreeWithChronoBothWays) {
    // Every day from 1582 October 15 to 2500 December 31.
    const int first = chronoJdn(1582, 10, 15);
    const int last = chronoJdn(2500, 12, 31);
    ASSERT_EQ(first, 2299161);
    for (int jd = first; jd <= last; jd++) {
        const date d = cal_civil(jd);
        ASSERT_EQ(chronoJdn(d.year, static_cast<unsigned>(d.month), static_cast<unsigned>(d.day)), jd)
            << d.year << "-" << d.month << "-" << d.day;
        ASSERT_EQ(cal_julian(d), jd);
    }
}

TEST(Calendar, JulianCalendarDaysByWalkingBackFromTheReform) {
    // 1582 October 4 is day 2299160; walk back day by day to year 1.
    int y = 1582, m = 10, d = 4;
    for (int jd = 2299160; y >= 1; jd--) {
        const date got = cal_civil(jd);
        ASSERT_EQ(got.year, y);
        ASSERT_EQ(got.month, m);
        ASSERT_EQ(got.day, d);
        ASSERT_EQ(cal_julian(got), jd);
        if (--d == 0) {
            if (--m == 0) {
                m = 12;
                y--;
            }
            if (y >= 1) d = julianMonthLength(y, m);
        }
    }
}

TEST(Calendar, EpochFormToDayNumber) {
    EXPECT_DOUBLE_EQ(ep2jd(12001.5), 2455928.5);
    EXPECT_DOUBLE_EQ(ep2jd(57001.0), 2435840.0);  // 1957 January 1
    EXPECT_DOUBLE_EQ(ep2jd(56001.0), chronoJdn(2056, 1, 1));
    EXPECT_DOUBLE_EQ(ep2jd(0.0), 2451544.0);      // day 0 of 2000
}

TEST(Calendar, DayNumberToEpochForm) {
    EXPECT_DOUBLE_EQ(jd2ep(2451545.5), 1.5);
    EXPECT_DOUBLE_EQ(jd2ep(2415021.0), 1.0);  // 1900 and 2000 share the two-digit form
}

TEST(Calendar, EpochRoundTripEveryDayOfTheYear) {
    for (int yy : {0, 5, 12, 24, 56, 57, 80, 99}) {
        const int days = (yy % 4 == 0) ? 366 : 365;
        for (int day = 1; day <= days; day++) {
            const double epoch = 1000.0 * yy + day + 0.25;
            ASSERT_NEAR(jd2ep(ep2jd(epoch)), epoch, 1e-9) << yy << " " << day;
        }
    }
    // Past the year's end the days run on into the next year.
    EXPECT_DOUBLE_EQ(jd2ep(ep2jd(12367.0)), 13001.0);
}

TEST(Calendar, Names) {
    EXPECT_STREQ(weekday({2000, 1, 1}), "Saturday");
    EXPECT_STREQ(weekday({2012, 1, 1}), "Sunday");
    EXPECT_STREQ(weekday({1957, 10, 4}), "Friday");
    EXPECT_STREQ(month({2000, 2, 1}), "February");
    EXPECT_STREQ(month({2000, 12, 1}), "December");
    // The all-zero date of a negative day number has no month name.
    EXPECT_STREQ(month(cal_civil(-1)), "???");
    EXPECT_STREQ(month({2000, 13, 1}), "???");
}

TEST(Calendar, TruncationNeverUndefined) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(truncInt(2.9), 2);
    EXPECT_EQ(truncInt(-2.9), -2);
    EXPECT_EQ(truncInt(2147483647.9), INT_MAX);
    EXPECT_EQ(truncInt(-2147483648.9), INT_MIN);
    for (double x : {nan, inf, -inf, 3e9, -3e9}) {
        EXPECT_EQ(truncInt(x), INT_MIN) << x;
        EXPECT_EQ(truncLong(x * 1e10), LONG_MIN) << x;
    }
    EXPECT_EQ(truncLong(3e9), 3000000000L);
    EXPECT_EQ(truncLong(-3e9), -3000000000L);
    // A day number beyond any date converts without overflow.
    EXPECT_STREQ(month(cal_civil(INT_MAX)), month(cal_civil(INT_MAX)));
    EXPECT_GT(cal_civil(INT_MAX).year, 5000000);
}

TEST(Calendar, EpochOfAnyMagnitudeConvertsWithoutOverflow) {
    // A day field that reads as huge or infinite is no real epoch, but the
    // conversion must still be defined.
    for (double epoch : {97e12, -97e12, std::numeric_limits<double>::infinity(), 2.147483e12}) {
        (void)ep2jd(epoch);
    }
    EXPECT_NEAR(ep2jd(26127.81900272), chronoJdn(2026, 1, 1) - 1 + 127.81900272, 1e-8);
}
