// Element sets: the record of one two-line element set (TLE) and its reader.
#pragma once

#include <cstdio>
#include <string_view>

#include "formats/messages.h"
#include "formats/text.h"

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

// Columns of the two-line element format. Each field is a named range, its
// first column (counting from 1) and its width, shared by the reader, the
// writer and their tests. Only the first 69 columns of a line count.
struct tleColumns {
    int first;
    int width;
};

namespace tle {

inline constexpr int lineWidth = 69;      // columns looked at in any line
inline constexpr int checksumColumn = 69;  // check digit of line 1 and line 2

// Line 1. A line is line 1 when column 1 is '1', column 2 a blank, columns
// 24 and 35 points and column 63 the ephemeris type '0'.
inline constexpr tleColumns l1LineNo{1, 1};
inline constexpr tleColumns l1Blank{2, 1};
inline constexpr tleColumns l1Objno{3, 5};       // catalogue number (Alpha-5 too)
inline constexpr tleColumns l1Type{8, 1};        // classification character
inline constexpr tleColumns l1Objid{10, 8};      // international designator
inline constexpr tleColumns l1EpochYear{19, 2};  // two-digit year
inline constexpr tleColumns l1EpochDay{21, 12};  // day of the year with fraction
inline constexpr tleColumns l1EpochPoint{24, 1};
inline constexpr tleColumns l1Nrate{33, 11};     // first derivative / 2
inline constexpr tleColumns l1NratePoint{35, 1};
inline constexpr tleColumns l1Nrate2Mant{44, 7};  // second derivative / 6, mantissa
inline constexpr tleColumns l1Nrate2Exp{51, 2};   // and its exponent
inline constexpr tleColumns l1BstarMant{53, 7};   // B* mantissa
inline constexpr tleColumns l1BstarExp{60, 2};    // and its exponent
inline constexpr tleColumns l1EphType{63, 1};
inline constexpr tleColumns l1Elno{64, 5};       // element set number

// Line 2, recognised by '2' in column 1 alone.
inline constexpr tleColumns l2LineNo{1, 1};
// The decimal points of its angles and mean motion: a line 2 without them
// there (a character lost or added) is refused, not read shifted.
inline constexpr tleColumns l2IncPoint{12, 1};
inline constexpr tleColumns l2RaPoint{21, 1};
inline constexpr tleColumns l2ApPoint{38, 1};
inline constexpr tleColumns l2MPoint{47, 1};
inline constexpr tleColumns l2NPoint{55, 1};
inline constexpr tleColumns l2Objno{3, 5};
inline constexpr tleColumns l2Inc{9, 8};
inline constexpr tleColumns l2Ra{18, 8};
inline constexpr tleColumns l2Ecc{27, 7};        // seven digits, point assumed before
inline constexpr tleColumns l2Ap{35, 8};
inline constexpr tleColumns l2M{44, 8};
inline constexpr tleColumns l2N{53, 11};
inline constexpr tleColumns l2Revno{64, 5};

// Alpha-5 catalogue numbers: a capital letter (not I or O) for the ten
// thousands from 10 (A) to 33 (Z), then four digits: A0000 is 100000,
// Z9999 is 339999.
inline constexpr char alpha5Letters[] = "ABCDEFGHJKLMNPQRSTUVWXYZ";
inline constexpr long alpha5Lowest = 100000;
inline constexpr long alpha5Highest = 339999;

}  // namespace tle

// The check digit of a line's first 68 columns (or of a text): the sum of
// its digits 1..9, with 1 for each '-', modulo 10.
int checksum(std::string_view columns);

// The acceptance rule of every element set, whatever its encoding: mean
// motions outside (0.01, 17) rev/day are no Earth orbit the decay theory can
// follow (the comparison also refuses NaN).
bool meanMotionInRange(double n);

// The message of a set refused by that rule: "Invalid element rejected",
// naming the file `file` and the set's line or record's `line`.
void reportRejectedMeanMotion(messageSink& sink, std::string_view file, long line, double n);

// The element sets of a TLE stream, one at a time, its lines counted for
// the messages.
class tleReader {
public:
    // Reads `fp` from where it stands; rejected sets are reported to `sink`,
    // naming `file`: a line 1 without its line 2 (the line after it is read
    // again as the next title or line 1, and the lost set's title goes to
    // no other), a line 2 without the decimal points of its fields, a mean
    // motion out of range, line numbers that differ. Sets whose line 1 or
    // line 2 carries a check digit that does not match are accepted and
    // counted, in one message at the end of the stream.
    explicit tleReader(std::FILE* fp, messageSink& sink = console(), std::string_view file = {});
    // The next accepted set; if_valid 0 at the end of the stream (or on a
    // read error) before a further set was accepted. Nothing after the set's
    // line 2 is read from the stream.
    element next();

private:
    std::FILE* fp_;
    text::lineSource lines_;
    messageSink& sink_;
    std::string_view file_;
    long wrongDigits_ = 0;  // accepted sets with a check digit that does not match
    long firstWrong_ = 0;   // the line of the first such digit
};

// The next accepted set of `inpFp` as a tleReader gives it (lines counted
// from where the stream stands).
element elinput(std::FILE* inpFp, messageSink& sink = console(), std::string_view file = {});

}  // namespace morvel
