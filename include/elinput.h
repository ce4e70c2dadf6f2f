// Element sets: the record of one two-line element set (TLE) and its reader.
#pragma once

#include <cstdio>

namespace morvel {

// One element set. A plain value: passed and returned by value, owns nothing.
// When if_valid is 0 no other field has a meaning.
struct element {
    int if_valid;      // 1 when the record holds an accepted set
    char title[80];    // title line (at most 68 characters) or the designator
    int objno;         // catalogue number (Alpha-5 numbers up to 339999)
    char type;         // classification character, column 8 of line 1
    char objid[9];     // international designator, columns 10..17, blanks kept
    double epoch;      // epoch on the day-number scale (see cal.h)
    double nrate;      // first derivative of mean motion / 2, rev/day^2
    double nrate2;     // second derivative of mean motion / 6, rev/day^3
    double bstar;      // B* drag term, per Earth radius
    int elno;          // element set number
    double inc;        // inclination, degrees
    double ra;         // right ascension of the ascending node, degrees
    double ecc;        // eccentricity
    double ap;         // argument of perigee, degrees
    double m;          // mean anomaly, degrees
    double n;          // mean motion, rev/day
    int revno;         // revolution number at epoch
};

// Longest prefix of `text` that is a decimal number: optional sign, digits
// with an optional point and fraction (at least one digit in all), optional
// exponent (e or E, optional sign, at least one digit). No blanks are
// skipped; no hexadecimal, inf or nan. Returns the number of characters
// taken and stores the value in `value`, or returns 0 and leaves `value`
// unchanged when the text does not start with a number.
int scanDecimal(const char* text, double& value);

// Longest prefix of `text` that is a whole number: optional sign and digits,
// no blanks skipped. A value beyond the range of a long is the nearest bound.
// Returns the number of characters taken (0, `value` unchanged, when none).
int scanWhole(const char* text, long& value);

// Reads the next accepted element set from `inpFp` (a text stream), skipping
// and reporting rejected sets on standard output. Returns if_valid 0 at the
// end of the stream (or on a read error) before a further set was accepted.
element elinput(std::FILE* inpFp);

}  // namespace morvel
