// Calendar and epochs against independent day counts: std::chrono for every
// Gregorian day of nine centuries, a day-by-day walk back through the Julian
// calendar, and the two-digit-year epoch form both ways.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include "cal.h"
#include "support.h"

using namespace morvel;

using test::chronoJdn;

TEST(Calendar, GregorianDaysAgreeWithChronoBothWays) {
    for (int jd = chronoJdn(1582, 10, 15); jd <= chronoJdn(2500, 12, 31); jd++) {
        const date d = cal_civil(jd);
        ASSERT_EQ(chronoJdn(d.year, d.month, d.day), jd)
            << d.year << "-" << d.month << "-" << d.day;
        ASSERT_EQ(cal_julian(d), jd);
    }
}

TEST(Calendar, JulianCalendarWalkingBackFromTheReform) {
    // 1582 October 4 (day 2299160) follows October 15's day 2299161 back.
    constexpr int len[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int y = 1582, m = 10, d = 4;
    for (int jd = 2299160; y >= 1; jd--) {
        const date got = cal_civil(jd);
        ASSERT_TRUE(got.year == y && got.month == m && got.day == d) << jd;
        ASSERT_EQ(cal_julian(got), jd);
        if (--d > 0) continue;
        if (--m == 0) m = 12, y--;
        d = (m == 2 && y % 4 == 0) ? 29 : len[m - 1];
    }
}

TEST(Calendar, SentinelsOutsideTheRanges) {
    for (date bad : {date{2000, 13, 1}, date{2000, 0, 1}, date{2000, 1, 0}, date{2000, 1, 32}})
        EXPECT_EQ(cal_julian(bad), 0) << bad.month << "/" << bad.day;
    EXPECT_EQ(cal_julian({2000, 2, 31}), cal_julian({2000, 3, 2}));  // no month lengths
    const date none = cal_civil(-1);
    EXPECT_TRUE(none.year == 0 && none.month == 0 && none.day == 0);
    const date zero = cal_civil(0);
    EXPECT_TRUE(zero.year == -4712 && zero.month == 1 && zero.day == 1);
    EXPECT_GT(cal_civil(INT_MAX).year, 5000000);  // no overflow at the top
}

TEST(Calendar, EpochFormBothWays) {
    // Two-digit years below 57 are 2000..2056, the rest 1957..1999.
    EXPECT_DOUBLE_EQ(ep2jd(56001.0), chronoJdn(2056, 1, 1));
    EXPECT_DOUBLE_EQ(ep2jd(57001.0), chronoJdn(1957, 1, 1));
    EXPECT_DOUBLE_EQ(ep2jd(0.0), chronoJdn(2000, 1, 1) - 1);
    EXPECT_NEAR(ep2jd(26127.81900272), chronoJdn(2026, 1, 1) - 1 + 127.81900272, 1e-8);
    EXPECT_DOUBLE_EQ(jd2ep(chronoJdn(1900, 1, 1)), 1.0);  // 1900 and 2000 share the form
    for (int yy : {0, 5, 12, 56, 57, 80, 99})
        for (int day = 1; day <= (yy % 4 == 0 ? 366 : 365); day++)
            ASSERT_NEAR(jd2ep(ep2jd(1000.0 * yy + day + 0.25)), 1000.0 * yy + day + 0.25, 1e-9) << yy;
    EXPECT_DOUBLE_EQ(jd2ep(ep2jd(12367.0)), 13001.0);  // past the year's end: the next year
    // A day field beyond the years an int holds is the lowest year's first day.
    // (4294967322000 is a year that would wrap round into an int as 1926.)
    for (double epoch : {97e12, -97e12, 4294967322000.0})
        EXPECT_EQ(ep2jd(epoch), cal_julian({INT_MIN, 1, 1}) - 1.0) << epoch;
}

TEST(Calendar, IsoTextToTheMicrosecondNamesTheNearestInstant) {
    // Read back through std::chrono's day count, the text is within half a
    // microsecond of the day number (long double holds its product with
    // 86400e6 to 0.02 microseconds).
    test::Rng rng{99};
    const double midnight = chronoJdn(2000, 1, 1);
    const double edges[] = {midnight, std::nextafter(midnight, 0.0), 0.0 + chronoJdn(1600, 1, 1),
                            std::nextafter(5373485.0, 0.0)};
    for (int k = 0; k < 100000; ++k) {
        const double jd = k < 4 ? edges[k] : rng.uniform(2435840, 2472365);
        const std::string t = isoUtcMicroseconds(jd).text;
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
        long us = 0;
        ASSERT_TRUE(t.size() == 26 && std::sscanf(t.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%6ld", &y, &mo, &d, &h, &mi, &s,
                                                  &us) == 7) << t;
        const long double got = static_cast<long double>(chronoJdn(y, mo, d)) * 86400e6L +
                                ((h * 60 + mi) * 60 + s) * 1e6L + static_cast<long double>(us);
        ASSERT_LE(std::fabs(got - static_cast<long double>(jd) * 86400e6L), 0.52L) << t;
    }
    EXPECT_STREQ(isoUtcMicroseconds(std::nextafter(midnight, 0.0)).text, "1999-12-31T23:59:59.999960");
    for (double none : {-1.0, std::nextafter(cal_julian({0, 1, 1}), 0.0), 5373485.0, std::nan("")})
        EXPECT_STREQ(isoUtcMicroseconds(none).text, "") << none;
}

TEST(Calendar, Names) {
    EXPECT_STREQ(weekday({2000, 1, 1}), "Saturday");
    EXPECT_STREQ(weekday({1957, 10, 4}), "Friday");
    EXPECT_STREQ(month({2000, 1, 1}), "January");
    EXPECT_STREQ(month({2000, 12, 1}), "December");
    EXPECT_STREQ(month({2000, 0, 1}), "???");
    EXPECT_STREQ(month({2000, 13, 1}), "???");
}
