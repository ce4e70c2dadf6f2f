// Number texts: the exact fixed-point and whole-number formatters (the text
// printf gives, without its cost), the decimal and whole-number scanners of
// the element fields and console replies, and the truncations of real values
// into integers that never overflow.
#pragma once

#include <cstddef>

namespace morvel {

// Truncation toward zero of a real value into an int or a long. A value that
// is not a number or lies outside the type's range gives the type's lowest
// value (what the x86-64 conversion instruction gives), never undefined
// behaviour.
int truncInt(double x);
long truncLong(double x);

// Longest prefix of `text` that is a decimal number: optional sign, digits
// with an optional point and fraction (at least one digit in all), optional
// exponent (e or E, optional sign, at least one digit). No blanks are
// skipped; no hexadecimal, inf or nan. Returns the number of characters
// taken and stores the value in `value`, or returns 0 and leaves `value`
// unchanged when the text does not start with a number.
int scanDecimal(const char* text, double& value);

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
// The blanks of the C locale, around fields and console replies.
inline bool isBlank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Longest prefix of `text` that is a whole number: optional sign and digits,
// no blanks skipped. A value beyond the range of a long is the nearest bound.
// Returns the number of characters taken (0, `value` unchanged, when none).
int scanWhole(const char* text, long& value);

// The text printf gives x in "%<width>.<precision>lf" (with the '0' flag when
// zeroFill), NUL-terminated in `out` of `size` characters, cut to fit as
// snprintf cuts it. Returns the length of the whole text.
int fixedText(char* out, std::size_t size, double x, int width, int precision, bool zeroFill);

// "%<width>li" of `v`, or "%0<width>li" when zeroFill, NUL-terminated in
// `out`, which has room for width + 21 characters (a width above 64 is cut
// to 95 as snprintf cuts it). Returns the length of the text.
int wholeText(char* out, long v, int width, bool zeroFill);

}  // namespace morvel
