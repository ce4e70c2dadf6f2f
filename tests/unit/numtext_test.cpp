// Number texts: the scanners against strtod and their edges, the saturating
// truncations, and the fixed-point formatter against the C library's printf.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "numtext.h"
#include "support.h"

using namespace morvel;

namespace {
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double qnan = std::numeric_limits<double>::quiet_NaN();
bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
}  // namespace

TEST(ScanDecimal, LongestNumberOnlyAndNothingForNoNumber) {
    struct Case { const char* text; int taken; double value; };  // value 42: untouched
    for (const Case c : {Case{"+120", 4, 120}, {"120abc", 3, 120}, {".5", 2, 0.5}, {"5.", 2, 5},
                         {"-.5", 3, -0.5}, {"1e", 1, 1}, {"1e+", 1, 1}, {"1E-2", 4, 0.01},
                         {"1e5x", 3, 1e5}, {"0x10", 1, 0}, {"-0x10", 2, -0.0}, {"1.5.5", 3, 1.5},
                         {"1e400", 5, inf}, {"-1e400", 6, -inf}, {"1e-400", 6, 0}, {"", 0, 42},
                         {" 120", 0, 42}, {"-", 0, 42}, {"+", 0, 42}, {".", 0, 42}, {"-.", 0, 42},
                         {"e5", 0, 42}, {"inf", 0, 42}, {"nan", 0, 42}, {"+ 1", 0, 42}}) {
        double v = 42;
        EXPECT_EQ(scanDecimal(c.text, v), c.taken) << '"' << c.text << '"';
        EXPECT_TRUE(sameBits(v, c.value)) << '"' << c.text << "\" gave " << v;
    }
}

TEST(ScanDecimal, EveryDecimalGivesTheDoubleStrtodGives) {
    // 1 to 20 digits, the point anywhere, signs, some exponents: the short
    // ones are converted without strtod and must round exactly as it does.
    test::Rng rng{0x853c49e6748fea9bull};
    long mismatches = 0;
    for (int k = 0; k < 300000; ++k) {
        std::string text = k % 3 == 1 ? "-" : k % 3 == 2 ? "+" : "";
        const int digits = 1 + static_cast<int>(rng.next() % 20);
        const int point = static_cast<int>(rng.next() % (digits + 2)) - 1;  // -1: none
        for (int d = 0; d < digits; ++d) text += (d == point ? "." : "") + std::to_string(rng.next() % 10);
        if (point == digits) text += '.';
        if (rng.next() % 8 == 0) text += "e-" + std::to_string(rng.next() % 30);
        double v = 0;
        ASSERT_EQ(scanDecimal(text.c_str(), v), static_cast<int>(text.size())) << text;
        if (!sameBits(v, std::strtod(text.c_str(), nullptr)) && ++mismatches <= 5) ADD_FAILURE() << text;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(ScanWhole, SignAndDigitsSaturatingAtTheBounds) {
    struct Case { const char* text; int taken; long value; };  // value 42: untouched
    for (const Case c : {Case{"25544abc", 5, 25544}, {"+25544", 6, 25544}, {"-5", 2, -5},
                         {"12.5", 2, 12}, {"9223372036854775807", 19, LONG_MAX},
                         {"9223372036854775808", 19, LONG_MAX}, {"-9223372036854775808", 20, LONG_MIN},
                         {"-9223372036854775809", 20, LONG_MIN}, {"-99999999999999999999123", 24, LONG_MIN},
                         {"", 0, 42}, {" 1", 0, 42}, {"-", 0, 42}, {"+-1", 0, 42}, {".5", 0, 42}}) {
        long v = 42;
        EXPECT_EQ(scanWhole(c.text, v), c.taken) << '"' << c.text << '"';
        EXPECT_EQ(v, c.value) << '"' << c.text << '"';
    }
}

TEST(Truncation, TowardZeroAndTheLowestValueOutsideTheRange) {
    EXPECT_EQ(truncInt(-2.9), -2);
    EXPECT_EQ(truncInt(2147483647.9), INT_MAX);
    EXPECT_EQ(truncInt(-2147483648.9), INT_MIN);
    EXPECT_EQ(truncLong(-3e9), -3000000000L);
    for (double x : {qnan, inf, -inf, 3e9, -3e9}) EXPECT_EQ(truncInt(x), INT_MIN) << x;
    for (double x : {qnan, inf, -inf, 1e19, -1e19}) EXPECT_EQ(truncLong(x), LONG_MIN) << x;
}

namespace {

// Counts the texts that differ from printf's "%W.Pf", showing the first few.
struct Tally {
    long mismatches = 0;
    void check(double x, int width, int precision, bool zeroFill) {
        char want[512], got[512];
        std::snprintf(want, sizeof want, zeroFill ? "%0*.*lf" : "%*.*lf", width, precision, x);
        const int n = fixedText(got, sizeof got, x, width, precision, zeroFill);
        if ((std::strcmp(want, got) != 0 || n != static_cast<int>(std::strlen(want))) && ++mismatches <= 5)
            ADD_FAILURE() << std::hexfloat << x << " %" << width << "." << precision << "f: \"" << want
                          << "\" but \"" << got << '"';
    }
    void used(double x) {  // the formats of the element lines and the lists
        check(x, 8, 4, false), check(x, 11, 8, false), check(x, 14, 8, true), check(x, 12, 6, true);
    }
};

}  // namespace

TEST(FixedText, AsPrintfGivesItForEveryMagnitudeRoundingTieAndWidth) {
    Tally t;
    test::Rng rng{0x2545f4914f6cdd1dull};
    for (int k = 0; k < 200000; ++k) {
        // Random significands; exponents from subnormals to the largest
        // doubles, most where the fields' values lie.
        std::uint64_t bits = rng.next() & 0x800fffffffffffffull;
        bits |= (k % 4 == 0 ? rng.next() % 2047 : 1000 + rng.next() % 70) << 52;
        double x;
        std::memcpy(&x, &bits, sizeof x);
        t.used(x);
        // Decimals just around a printed last digit, where rounding turns.
        const double d = std::round(rng.uniform(-400, 1000) * 1e4) / 1e4 + 0.00005;
        for (double y : {d, std::nextafter(d, -inf), std::nextafter(d, inf)}) t.check(y, 8, 4, false);
    }
    // j / 2^s lies halfway between printed values whenever the precision
    // keeps fewer binary places than s: ties round to even.
    for (int s = 1; s <= 40; ++s)
        for (long j = -3000; j <= 3000; ++j)
            for (int p = 0; p <= 9; ++p) t.check(std::ldexp(static_cast<double>(j), -s), 0, p, false);
    for (double x : {-0.0, 0.0, -1e-300, -DBL_TRUE_MIN, DBL_MIN, -0.49999, -0.5})
        for (int p = 0; p <= 9; ++p)
            for (int w = 0; w <= 20; ++w) t.check(x, w, p, false), t.check(x, w, p, true);
    for (double x : {inf, -inf, qnan, -qnan, 1e10, std::nextafter(1e10, 0.0), -DBL_MAX}) t.used(x);
    // Beyond nine places, beyond 64 columns, and negative (left-justified) widths.
    for (int p = 8; p <= 14; ++p) t.check(1.0 / 3.0, 0, p, false);
    for (int w = -12; w < 0; ++w) t.check(-2.25, w, 4, false), t.check(2.25, w, 2, true);
    for (int w = 60; w <= 80; ++w) t.check(-12.5, w, 3, true), t.check(12.5, w, 3, false);
    EXPECT_EQ(t.mismatches, 0);
}

TEST(FixedText, CutToTheBufferAsSnprintfCutsIt) {
    for (std::size_t size = 0; size <= 16; ++size) {
        char want[32], got[32];
        std::memset(want, 'x', sizeof want);
        std::memset(got, 'x', sizeof got);
        EXPECT_EQ(fixedText(got, size, -123.456789, 14, 8, true),
                  std::snprintf(want, size, "%014.8lf", -123.456789));
        EXPECT_EQ(std::memcmp(want, got, sizeof want), 0) << size;
    }
}
