// The element-set writer: the title line with its heights, each field at
// its edges and beyond what its columns hold, every catalogue number, and
// sets of any orbit keeping the format's columns and check digits.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "cal.h"
#include "eloutput.h"
#include "support.h"

using namespace morvel;
using test::field;
using test::written;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double qnan = std::numeric_limits<double>::quiet_NaN();

// Columns written for the exponent fields (sign and mantissa, exponent) and
// the first derivative (the sign column holds a digit from 1 on).
constexpr tleColumns nrate2Cols{tle::l1Nrate2Mant.first + 1, 8}, bstarCols{tle::l1BstarMant.first + 1, 8};
constexpr tleColumns nrateCols{tle::l1Nrate.first + 1, 10};

// The text of one field written for `e` with member `m` set to `x`; the
// lines must keep their columns and check digits whatever x is.
template <class T>
std::string fieldFor(T element::*m, T x, int line, tleColumns f) {
    element e = test::iss();
    e.*m = x;
    const auto out = written(e);
    EXPECT_TRUE(test::wellFormed(out.at(1)) && test::wellFormed(out.at(2))) << out[1] << "\n" << out[2];
    return field(out.at(static_cast<std::size_t>(line)), f);
}

}  // namespace

TEST(EloutputTitle, FortyNineColumnsOfTitleThenApogeeAndPerigee) {
    element e = test::iss();
    e.n = 15.5;  // a = 6795.455 km
    e.ecc = 0.0005;
    for (auto [title, shown] : {std::pair{"ISS (ZARYA)", std::string("ISS (ZARYA)") + std::string(38, ' ')},
                                {"", std::string(49, ' ')}, {"%s%n%d", "%s%n%d" + std::string(43, ' ')},
                                {"abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz0123456789abcdef",
                                 "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvw"}}) {
        std::strcpy(e.title, title);
        EXPECT_EQ(written(e)[0], shown + "420 x 413 km");
    }
    e.n = 2.00563;  // a 12-hour orbit: (1 +- 0.74) x 26562.716 - 6378.135
    e.ecc = 0.74;
    EXPECT_EQ(written(e)[0].substr(49), "39840 x 528 km");
    e.n = 0.0;  // heights that are not numbers give the lowest int
    EXPECT_EQ(written(e)[0].substr(49), "-2147483648 x -2147483648 km");
}

TEST(EloutputExponent, RoundingLimitsAndSentinels) {
    struct Case { double x; const char* nrate2; const char* bstar; };
    for (const Case c : {Case{1.2345e-6, " 12345-5", " 12345-5"}, {-3.4123e-5, "-34123-4", "-34123-4"},
                         {1e-4, " 10000-3", " 10000-3"}, {0.999996e-4, " 10000-3", " 10000-3"},
                         {-0.999996e-4, "-10000-3", "-10000-3"}, {0.999994e-4, " 99999-4", " 99999-4"},
                         {0.12345, " 12345+0", " 12345+0"}, {1.0, " 10000+1", " 10000+1"},
                         {0.0, " 00000-0", " 00000-0"}, {1e-8, " 00000-0", " 00000-0"},
                         {-1e-8, " 00000-0", " 00000-0"}, {1.1e-8, " 11000-7", " 11000-7"},
                         {-1.1e-8, "-11000-7", "-11000-7"}, {qnan, " 00000-0", " 00000-0"},
                         {49.9, " 49900+2", " 49900+2"}, {50.2, " 50000+2", " 50200+2"},
                         {-100.0, "-50000+2", "-10000+3"}, {inf, " 50000+2", " 99999+9"},
                         {-inf, "-50000+2", "-99999+9"}, {5e8, " 50000+2", " 50000+9"},
                         {0.999999e9, " 50000+2", " 99999+9"}, {-1e10, "-50000+2", "-99999+9"}}) {
        EXPECT_EQ(fieldFor(&element::nrate2, c.x, 1, nrate2Cols), c.nrate2) << c.x;
        EXPECT_EQ(fieldFor(&element::bstar, c.x, 1, bstarCols), c.bstar) << c.x;
    }
}

TEST(EloutputFirstDerivative, EveryRangeOfTheSignColumn) {
    for (auto [x, text] : {std::pair{0.0, " .00000000"}, {-0.00012345, "-.00012345"}, {0.123456784, " .12345678"},
                           {0.123456786, " .12345679"}, {0.999999996, "1.00000000"}, {1.0, "1.00000000"},
                           {3.999999996, "4.00000000"}, {9.5, "9.50000000"}, {9.999999996, "9.99999999"},
                           {10.0, "9.99999999"}, {-0.999999996, "-.99999999"}, {-1.5, "-.99999999"},
                           {qnan, "9.99999999"}, {inf, "9.99999999"}, {-inf, "-.99999999"}}) {
        EXPECT_EQ(fieldFor(&element::nrate, x, 1, nrateCols), text) << x;
    }
    // A digit in the sign column reads back.
    for (double x : {1.25, 7.00000001, 9.99999999}) {
        element e = test::iss();
        e.nrate = x;
        EXPECT_NEAR(test::readSet(written(e)[1], written(e)[2]).nrate, x, 0.5e-8) << x;
    }
}

TEST(EloutputLines, FieldsKeptWithinTheirColumns) {
    for (auto [n, text] : {std::pair{582.9, "99.99999999"}, {99.99999999, "99.99999999"}, {-12.0, "-9.99999999"},
                           {-9.99999999, "-9.99999999"}, {-inf, "-9.99999999"}, {qnan, "        nan"}})
        EXPECT_EQ(fieldFor(&element::n, n, 2, tle::l2N), text) << n;
    for (auto [ecc, text] : {std::pair{0.00000004, "0000000"}, {0.00000005, "0000001"}, {0.9999999, "9999999"}})
        EXPECT_EQ(fieldFor(&element::ecc, ecc, 2, tle::l2Ecc), text) << ecc;
    EXPECT_EQ(fieldFor(&element::epoch, ep2jd(5001.5), 1, {19, 14}), "05001.50000000");
    // Angles a very eccentric orbit's search carries far round are reduced;
    // slightly negative ones still fit and stay.
    for (auto [x, text] : {std::pair{1314.4591, "234.4591"}, {-120.25, "239.7500"}, {-0.0123, " -0.0123"},
                           {-12.5, "-12.5000"}, {360.0, "360.0000"}, {0.00004, "  0.0000"}, {1080.5, "  0.5000"}, {1080.0, "  0.0000"}})
        EXPECT_EQ(fieldFor(&element::ra, x, 2, tle::l2Ra), text) << x;
}

TEST(EloutputCatalogue, EdgesOfTheLetterRangesAndEveryNumberReadBack) {
    // A letter for 100000..339999, without I and O; beyond it plain decimal.
    element e = test::iss();
    for (auto [objno, text] : {std::pair{0, "00000"}, {99999, "99999"}, {100000, "A0000"}, {179999, "H9999"},
                               {180000, "J0000"}, {229999, "N9999"}, {230000, "P0000"}, {339999, "Z9999"}}) {
        e.objno = objno;
        EXPECT_EQ(field(written(e)[1], tle::l1Objno), text) << objno;
    }
    e.objno = 340000;
    EXPECT_EQ(written(e)[1].substr(2, 6), "340000");
    for (int objno = 0; objno <= 339999; ++objno) {
        e.objno = objno;
        const auto out = written(e);
        ASSERT_EQ(out[1].size(), 69u) << objno;
        ASSERT_EQ(field(out[1], tle::l1Objno).find(' '), std::string::npos) << objno;
        ASSERT_EQ(field(out[2], tle::l2Objno), field(out[1], tle::l1Objno)) << objno;
        ASSERT_EQ(test::readSet(out[1], out[2]).objno, objno);
    }
}
