#include "numtext.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace morvel {

namespace {

// 128-bit products of the exact decimal rounding.
__extension__ typedef unsigned __int128 wideUnsigned;

// Digits of a magnitude, least significant last; returns their count.
int decimalDigits(char* out, std::uint64_t v) {
    char rev[24];
    int n = 0;
    do {
        rev[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    for (int k = 0; k < n; ++k) out[k] = rev[n - 1 - k];
    return n;
}

// A sign and digits, padded to `width` with blanks before the sign or, when
// zeroFill, with zeros after it: how printf pads a number.
int padded(char* out, bool negative, const char* body, int bodyLen, int width, bool zeroFill) {
    const int len = bodyLen + (negative ? 1 : 0);
    const int fill = width > len ? width - len : 0;
    int k = 0;
    if (!zeroFill) {
        for (int i = 0; i < fill; ++i) out[k++] = ' ';
    }
    if (negative) out[k++] = '-';
    if (zeroFill) {
        for (int i = 0; i < fill; ++i) out[k++] = '0';
    }
    std::memcpy(out + k, body, static_cast<std::size_t>(bodyLen));
    k += bodyLen;
    out[k] = '\0';
    return k;
}

}  // namespace

int truncInt(double x) {
    // Only values whose truncation fits are converted; the rest (NaN,
    // infinities, magnitudes beyond the type) take the lowest value.
    if (x > -2147483649.0 && x < 2147483648.0) return static_cast<int>(x);
    return INT_MIN;
}

long truncLong(double x) {
    if (x >= -9223372036854775808.0 && x < 9223372036854775808.0) return static_cast<long>(x);
    return LONG_MIN;
}

int scanDecimal(const char* text, double& value) {
    const char* p = text;
    if (*p == '+' || *p == '-') ++p;
    const char* const wholeStart = p;
    // The digits as a whole number, exact while there are at most 15 of them.
    constexpr int exactDigits = 15;
    std::int64_t digitValue = 0;
    int digits = 0;
    int places = 0;
    auto takeDigit = [&] {
        if (++digits <= exactDigits) digitValue = digitValue * 10 + (*p - '0');
        ++p;
    };
    while (isDigit(*p)) takeDigit();
    const bool loneZero = p - wholeStart == 1 && *wholeStart == '0';
    if (*p == '.') {
        ++p;
        while (isDigit(*p)) {
            takeDigit();
            ++places;
        }
    }
    if (digits == 0) return 0;
    // An exponent counts only when it is complete.
    bool exponent = false;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (isDigit(*q)) {
            while (isDigit(*q)) ++q;
            p = q;
            exponent = true;
        }
    }
    if (loneZero && (*p == 'x' || *p == 'X')) {
        // strtod would take a lone zero followed by x for the start of a
        // hexadecimal number: that number is the zero alone.
        value = *text == '-' ? -0.0 : 0.0;
    } else if (!exponent && digits <= exactDigits) {
        // Every real field of an element set: its digits as a whole number
        // (exact below 10^15) over the power of ten of its places (exact up to
        // 10^22), one correctly rounded division, the double strtod gives.
        constexpr double tens[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double v = static_cast<double>(digitValue) / tens[places];
        value = *text == '-' ? -v : v;
    } else {
        // The accepted text, a leading '+' aside (which from_chars does not
        // take), converted by std::from_chars, correctly rounded as strtod
        // rounds. Out of the double's range from_chars gives no value: strtod
        // gives its infinity or zero, and reads the text the same way.
        const char* first = *text == '+' ? text + 1 : text;
        double v = 0.0;
        const auto r = std::from_chars(first, p, v, std::chars_format::general);
        value = r.ec == std::errc() && r.ptr == p ? v : std::strtod(text, nullptr);
    }
    return static_cast<int>(p - text);
}

int scanWhole(const char* text, long& value) {
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    if (!isDigit(*p)) return 0;
    // Accumulated toward the sign, so that LONG_MIN itself is reached; beyond
    // the range the value stays at the nearest bound.
    long v = 0;
    bool saturated = false;
    for (; isDigit(*p); ++p) {
        const int d = *p - '0';
        if (saturated) continue;
        if (negative) {
            if (v < (LONG_MIN + d) / 10) {
                v = LONG_MIN;
                saturated = true;
            } else {
                v = v * 10 - d;
            }
        } else {
            if (v > (LONG_MAX - d) / 10) {
                v = LONG_MAX;
                saturated = true;
            } else {
                v = v * 10 + d;
            }
        }
    }
    value = v;
    return static_cast<int>(p - text);
}

int wholeText(char* out, long v, int width, bool zeroFill) {
    if (width > 64) return std::snprintf(out, 96, zeroFill ? "%0*li" : "%*li", width, v);
    char body[24];
    // The magnitude of LONG_MIN is taken in unsigned arithmetic.
    const std::uint64_t mag =
        v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    const int n = decimalDigits(body, mag);
    return padded(out, v < 0, body, n, width, zeroFill);
}

int fixedText(char* out, std::size_t size, double x, int width, int precision, bool zeroFill) {
    constexpr std::uint64_t tens[] = {1,         10,         100,         1000,
                                      10000,     100000,     1000000,     10000000,
                                      100000000, 1000000000};
    constexpr int maxPrecision = 9;
    // Magnitudes from 1e10 on, infinities and NaN: the C library's own
    // conversion (their digits do not fit the 64-bit rounded value below);
    // so too a negative width (left-justified) and the widest fields.
    if (!(std::fabs(x) < 1e10) || precision < 0 || precision > maxPrecision || width < 0 ||
        width > 64) {
        return std::snprintf(out, size, zeroFill ? "%0*.*lf" : "%*.*lf", width, precision, x);
    }

    // |x| = m 2^-shift exactly, with m the 53-bit significand; the decimal
    // r = |x| 10^precision is rounded from that exact value, half to even,
    // as the C library rounds.
    std::uint64_t r = 0;
    const double mag = std::fabs(x);
    if (mag != 0) {
        int e = 0;
        const double f = std::frexp(mag, &e);
        const auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
        // |x| < 1e10 < 2^34, so shift >= 19; m 10^9 < 2^83.
        const int shift = 53 - e;
        const wideUnsigned p = static_cast<wideUnsigned>(m) * tens[precision];
        if (shift < 128) {
            const wideUnsigned whole = p >> shift;
            const wideUnsigned rest = p - (whole << shift);
            const wideUnsigned half = static_cast<wideUnsigned>(1) << (shift - 1);
            r = static_cast<std::uint64_t>(whole);
            if (rest > half || (rest == half && (r & 1) != 0)) ++r;
        }
        // From shift 128 on, p < 2^83 is far below half a unit: r = 0.
    }

    char body[48];
    int n = decimalDigits(body, r / tens[precision]);
    if (precision > 0) {
        body[n++] = '.';
        std::uint64_t frac = r % tens[precision];
        for (int k = precision - 1; k >= 0; --k) {
            body[n + k] = static_cast<char>('0' + frac % 10);
            frac /= 10;
        }
        n += precision;
    }
    // A negative number, or negative zero, keeps its minus sign even when
    // its digits round to zero.
    char field[128];
    const int len = padded(field, std::signbit(x), body, n, width, zeroFill);
    if (size > 0) {
        const std::size_t kept =
            static_cast<std::size_t>(len) < size ? static_cast<std::size_t>(len) : size - 1;
        std::memcpy(out, field, kept);
        out[kept] = '\0';
    }
    return len;
}

}  // namespace morvel
