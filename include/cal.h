// Calendar and epochs: the two-digit-year epoch form of element sets, the
// day-number scale of all times, civil dates, month and weekday names.
//
// Day numbers: the integer part is the Julian Day Number of the civil day
// (2451545 for 2000 January 1), the fraction the part of that day since 0h
// (the astronomical Julian Date plus 0.5).
#pragma once

namespace morvel {

// A civil date; astronomical year numbering (year 0 exists).
struct date {
    int year;
    int month;  // 1 = January .. 12 = December
    int day;    // 1 .. 31
};

// Julian Day Number of a civil date; 0 for a month outside 1..12 or a day
// outside 1..31. Julian calendar up to 1582 October 4, Gregorian from
// October 15. The day is not checked against the month's length.
int cal_julian(date ymd);

// Civil date of a Julian Day Number; all fields 0 for a negative number.
date cal_civil(int jd);

// Epoch form YYDDD.dddddddd to day number. Two-digit years below 57 are
// 2000..2056, from 57 on 1957..1999. Days past the year's end run on.
double ep2jd(double epoch);

// Day number (at least 0) to the epoch form.
double jd2ep(double jd);

// ISO 8601 text of a UTC day number to the second, "YYYY-MM-DDTHH:MM:SSZ"
// (rounded to the nearest second); empty for a day number that is negative,
// not a number, or past year 9999.
struct isoText {
    // Room for any int in each field, as the compiler reckons the format's
    // widest output; the text itself is at most 27 characters.
    char text[64];
};
isoText isoUtc(double jd);

// The same to the microsecond, as OMM epochs are written,
// "YYYY-MM-DDTHH:MM:SS.ffffff" (no zone mark): the day number's fraction
// rounded to the nearest microsecond. Empty before year 0 and as isoUtc's.
isoText isoUtcMicroseconds(double jd);

// English name of the month, "???" for a month outside 1..12.
const char* month(date ymd);

// English name of the day of the week.
const char* weekday(date ymd);

}  // namespace morvel
