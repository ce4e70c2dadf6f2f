// The writer's fixed-point conversion against the C library's own "%W.Pf":
// the same text for every double, ties rounded the same way, signs of zero,
// padding, values it hands back to the library, and cut buffers.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "eloutput.h"
#include "numtext.h"

namespace morvel {
namespace {

// A fixed 64-bit linear congruential sequence.
struct lcg {
    std::uint64_t state;
    explicit lcg(std::uint64_t seed) : state(seed) {}
    std::uint64_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return state ^ (state >> 29);
    }
    double uniform(double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(next() >> 11) / 9007199254740992.0;
    }
};

struct format {
    int width;
    int precision;
    bool zeroFill;
};

// The formats the element lines and the lists use.
constexpr format used[] = {{8, 4, false}, {11, 8, false}, {14, 8, true}, {12, 6, true}};

std::string library(double x, format f) {
    char buf[512];
    std::snprintf(buf, sizeof buf, f.zeroFill ? "%0*.*lf" : "%*.*lf", f.width, f.precision, x);
    return buf;
}

std::string ours(double x, format f) {
    char buf[512];
    const int n = fixedText(buf, sizeof buf, x, f.width, f.precision, f.zeroFill);
    EXPECT_EQ(n, static_cast<int>(std::strlen(buf)));
    return buf;
}

// Counts mismatches rather than failing on each, so that one fault does not
// print a million lines; the first few are shown.
struct tally {
    long mismatches = 0;
    void check(double x, format f) {
        const std::string want = library(x, f);
        const std::string got = ours(x, f);
        if (want == got) return;
        if (++mismatches <= 5) {
            ADD_FAILURE() << "x=" << std::hexfloat << x << " %" << f.width << "." << f.precision
                          << "f: library \"" << want << "\", ours \"" << got << "\"";
        }
    }
};

TEST(FixedText, RandomDoublesOfEveryMagnitudeGiveTheLibrarysText) {
    tally t;
    lcg gen(0x2545f4914f6cdd1dull);
    for (int k = 0; k < 400000; ++k) {
        // Random significand and sign; exponents from subnormals up to the
        // largest doubles, most of them where the fields' values lie.
        std::uint64_t bits = gen.next() & 0x800fffffffffffffull;
        const std::uint64_t expo = k % 4 == 0 ? gen.next() % 2047 : 1000 + gen.next() % 70;
        bits |= expo << 52;
        double x;
        std::memcpy(&x, &bits, sizeof x);
        for (const format& f : used) t.check(x, f);
    }
    EXPECT_EQ(t.mismatches, 0);
}

TEST(FixedText, ValuesOnTheFieldsRangesAndTheirDecimalNeighbours) {
    tally t;
    lcg gen(42);
    for (int k = 0; k < 200000; ++k) {
        const double angle = gen.uniform(-400, 1000);
        const double epoch = gen.uniform(0, 99366);
        const double n = gen.uniform(-10, 100);
        t.check(angle, used[0]);
        t.check(n, used[1]);
        t.check(epoch, used[2]);
        t.check(epoch, used[3]);
        // Decimals just around a printed last digit, where rounding turns.
        const double d = std::round(angle * 1e4) / 1e4 + 0.00005;
        t.check(d, used[0]);
        t.check(std::nextafter(d, 0.0), used[0]);
        t.check(std::nextafter(d, 2000.0), used[0]);
    }
    EXPECT_EQ(t.mismatches, 0);
}

TEST(FixedText, ExactTiesRoundToEvenAsTheLibraryDoes) {
    // j / 2^s is exactly halfway between two printed values whenever the
    // precision keeps fewer binary places than s.
    tally t;
    for (int s = 1; s <= 40; ++s) {
        for (long j = -3000; j <= 3000; ++j) {
            const double x = std::ldexp(static_cast<double>(j), -s);
            for (int p = 0; p <= 9; ++p) t.check(x, {0, p, false});
            for (const format& f : used) t.check(x, f);
        }
    }
    EXPECT_EQ(t.mismatches, 0);
    EXPECT_EQ(ours(0.03125, {8, 4, false}), "  0.0312");
    EXPECT_EQ(ours(0.09375, {8, 4, false}), "  0.0938");
    EXPECT_EQ(ours(2.5, {0, 0, false}), "2");
}

TEST(FixedText, SignsOfZeroAndNegativesThatRoundToZero) {
    EXPECT_EQ(ours(-0.0, {8, 4, false}), " -0.0000");
    EXPECT_EQ(ours(-0.00001, {8, 4, false}), " -0.0000");
    EXPECT_EQ(ours(-0.00001, {14, 8, true}), "-0000.00001000");
    EXPECT_EQ(ours(0.0, {14, 8, true}), "00000.00000000");
    EXPECT_EQ(ours(-DBL_TRUE_MIN, {12, 6, true}), "-0000.000000");
    tally t;
    for (double x : {-0.0, 0.0, -1e-300, 1e-300, -DBL_TRUE_MIN, DBL_MIN, -0.49999, -0.5})
        for (int p = 0; p <= 9; ++p)
            for (int w = 0; w <= 20; ++w) {
                t.check(x, {w, p, false});
                t.check(x, {w, p, true});
            }
    EXPECT_EQ(t.mismatches, 0);
}

TEST(FixedText, LibraryConversionBeyondItsRange) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    tally t;
    for (double x : {inf, -inf, nan, -nan, 1e10, -1e10, std::nextafter(1e10, 0.0),
                     9999999999.99999, 1e300, -DBL_MAX, DBL_MAX})
        for (const format& f : used) t.check(x, f);
    // Precisions beyond nine places, widths beyond 64 columns, and negative
    // widths, which printf takes for left-justified fields.
    for (int p = 8; p <= 14; ++p) t.check(1.0 / 3.0, {0, p, false});
    for (int w = -12; w < 0; ++w) {
        t.check(-2.25, {w, 4, false});
        t.check(2.25, {w, 2, true});
    }
    for (int w = 60; w <= 80; ++w) {
        t.check(-12.5, {w, 3, true});
        t.check(12.5, {w, 3, false});
    }
    EXPECT_EQ(t.mismatches, 0);
}

TEST(FixedText, CutToTheBufferAsSnprintfCutsIt) {
    for (std::size_t size = 0; size <= 16; ++size) {
        char want[32];
        char got[32];
        std::memset(want, 'x', sizeof want);
        std::memset(got, 'x', sizeof got);
        const int wantLen = std::snprintf(want, size, "%014.8lf", -123.456789);
        const int gotLen = fixedText(got, size, -123.456789, 14, 8, true);
        EXPECT_EQ(gotLen, wantLen) << size;
        EXPECT_EQ(std::memcmp(want, got, sizeof want), 0) << size;
    }
}

}  // namespace
}  // namespace morvel
