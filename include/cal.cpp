#include "cal.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "numtext.h"

namespace morvel {

int cal_julian(date ymd) {
    const int year = ymd.year;
    const int mon = ymd.month;
    const int day = ymd.day;
    if (mon < 1 || mon > 12 || day < 1 || day > 31) return 0;

    // January and February count as months 13 and 14 of the year before.
    long long y = year;
    long long m = mon;
    if (mon <= 2) {
        y = y - 1;
        m = m + 12;
    }

    // The Gregorian reform: 1582 October 4 was followed by October 15.
    long long b = 0;
    const double yy = year + (100 * mon + day) * 0.0001;
    if (!(yy <= 1582.10145)) {
        const long long a = y / 100;
        b = 2 - a + a / 4;
    }
    const long long jd = static_cast<long long>(truncLong((y + 4716) * 365.25)) +
                         truncLong((m + 1) * 30.6001) + day + b - 1524;
    if (jd < INT_MIN || jd > INT_MAX) return INT_MIN;
    return static_cast<int>(jd);
}

date cal_civil(int jd) {
    if (jd < 0) return date{0, 0, 0};

    // Wide integers: the sums below pass the int range for the largest days.
    long long a = jd;
    if (jd >= 2299161) {  // 1582 October 15, the first Gregorian day
        const long long alpha = truncLong((jd - 1867216.25) / 36524.25);
        a = a + 1 + alpha - truncLong(alpha / 4.0);
    }
    const long long b = a + 1524;
    const long long c = truncLong((b - 122.1) / 365.25);
    const long long d = truncLong(365.25 * c);
    const long long e = truncLong((b - d) / 30.6001);

    date ymd;
    ymd.day = static_cast<int>(b - d - truncLong(30.6001 * e));
    ymd.month = static_cast<int>(e < 14 ? e - 1 : e - 13);
    ymd.year = static_cast<int>(ymd.month > 2 ? c - 4716 : c - 4715);
    return ymd;
}

double ep2jd(double epoch) {
    double dday;
    const double frac = std::modf(epoch, &dday);
    // Wide integers: a day field of any size must not overflow the year.
    const long long yy = truncLong(dday / 1000);
    const long long day = truncLong(dday - 1000.0 * yy);
    // Two-digit years: 57..99 are 1957..1999, the rest 2000..2056.
    const long long year = yy < 57 ? yy + 2000 : yy + 1900;
    const int y = (year >= INT_MIN && year <= INT_MAX) ? static_cast<int>(year) : INT_MIN;
    return cal_julian(date{y, 1, 1}) - 1.0 + day + frac;
}

double jd2ep(double jd) {
    double dday;
    const double frac = std::modf(jd, &dday);
    const date ymd = cal_civil(truncInt(dday));
    const int yy = ymd.year % 100;
    const int jan1 = cal_julian(date{ymd.year, 1, 1});
    return 1000 * yy + (dday - jan1 + 1) + frac;
}

const char* month(date ymd) {
    static constexpr const char* months[] = {"January", "February", "March",     "April",
                                      "May",     "June",     "July",      "August",
                                      "September", "October", "November", "December"};
    if (ymd.month < 1 || ymd.month > 12) return "???";
    return months[ymd.month - 1];
}

const char* weekday(date ymd) {
    static constexpr const char* names[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                     "Friday", "Saturday", "Sunday"};
    // Julian Day Numbers divisible by 7 are Mondays.
    const int r = cal_julian(ymd) % 7;
    return names[r < 0 ? r + 7 : r];
}

namespace {

// Day 5373485 is 10000 January 1.
constexpr double lastDay = 5373485;

// `v` as `n` digits, zeros in front, at `out`; returns the place after them.
char* digits(char* out, long long v, int n) {
    for (int k = n - 1; k >= 0; --k, v /= 10) out[k] = static_cast<char>('0' + v % 10);
    return out + n;
}

}  // namespace

isoText isoUtc(double jd) {
    isoText t{};
    if (!(jd >= 0 && jd < lastDay)) return t;
    const long long seconds = std::llround(jd * 86400.0);
    const int day = static_cast<int>(seconds / 86400);
    const int s = static_cast<int>(seconds % 86400);
    const date d = cal_civil(day);
    if (d.year > 9999) return t;
    std::snprintf(t.text, sizeof t.text, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.year, d.month, d.day, s / 3600,
                  s / 60 % 60, s % 60);
    return t;
}

isoText isoUtcMicroseconds(double jd) {
    isoText t{};
    if (!(jd >= 0 && jd < lastDay)) return t;
    // The fraction apart from the day: jd * 86400e6 whole would pass the
    // 53 bits of a double. Taking the whole day off is exact, and from year
    // 0 on day numbers lie at least 20 microseconds apart, so the fraction
    // never rounds up to a whole day.
    double whole = 0;
    const double fraction = std::modf(jd, &whole);
    const long long us = std::llround(fraction * 86400e6);
    const date d = cal_civil(static_cast<int>(whole));
    if (d.year < 0) return t;
    const long long s = us / 1000000;
    char* p = digits(t.text, d.year, 4);
    *p++ = '-';
    p = digits(p, d.month, 2);
    *p++ = '-';
    p = digits(p, d.day, 2);
    *p++ = 'T';
    p = digits(p, s / 3600, 2);
    *p++ = ':';
    p = digits(p, s / 60 % 60, 2);
    *p++ = ':';
    p = digits(p, s % 60, 2);
    *p++ = '.';
    digits(p, us % 1000000, 6);
    return t;
}

}  // namespace morvel
