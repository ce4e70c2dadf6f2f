// The element-set writer: the title line with its heights, the fields of
// line 1 and line 2, the exponent form, check digits, and values that the
// columns cannot hold.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "cal.h"
#include "eloutput.h"
#include "tle_test_support.h"

namespace morvel {
namespace {

using tletest::checkDigit;
using tletest::field;
using tletest::lines;
using tletest::readAll;
using tletest::sampleElement;
using tletest::written;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

std::vector<std::string> writtenLines(const element& el) {
    const std::vector<std::string> out = lines(written(el));
    EXPECT_EQ(out.size(), 3u);
    return out;
}

// Columns 45..52 (second derivative) and 54..61 (B*) of line 1, the sign or
// blank column included.
constexpr tleColumns nrate2Written{tle::l1Nrate2Mant.first + 1, 8};
constexpr tleColumns bstarWritten{tle::l1BstarMant.first + 1, 8};
constexpr tleColumns nrateWritten{tle::l1Nrate.first + 1, 10};

std::string nrate2Text(double x) {
    element el = sampleElement();
    el.nrate2 = x;
    return field(writtenLines(el)[1], nrate2Written);
}

std::string bstarText(double x) {
    element el = sampleElement();
    el.bstar = x;
    return field(writtenLines(el)[1], bstarWritten);
}

std::string nrateText(double x) {
    element el = sampleElement();
    el.nrate = x;
    return field(writtenLines(el)[1], nrateWritten);
}

// Both written lines keep the format's columns and end in their check digit.
void expectWellFormed(const std::vector<std::string>& out) {
    for (int k = 1; k <= 2; ++k) {
        const std::string& line = out[static_cast<std::size_t>(k)];
        ASSERT_EQ(line.size(), 69u) << line;
        EXPECT_EQ(line[tle::checksumColumn - 1] - '0', checkDigit(line.substr(0, 68))) << line;
    }
    EXPECT_EQ(out[1][tle::l1NratePoint.first - 1], '.');
    EXPECT_EQ(out[1][tle::l1EphType.first - 1], '0');
}

TEST(Checksum, DigitsAndMinusSignsModuloTen) {
    EXPECT_EQ(checksum("1 -2"), 4);
    EXPECT_EQ(checksum(""), 0);
    EXPECT_EQ(checksum("abc +.0 xyz"), 0);
    EXPECT_EQ(checksum("99999"), 5);
    EXPECT_EQ(checksum("-----------"), 1);
    EXPECT_EQ(checksum(tletest::issLine1.substr(0, 68).c_str()), 3);
    EXPECT_EQ(checksum(tletest::issLine2.substr(0, 68).c_str()), 7);
}

TEST(EloutputTitle, TitleInFortyNineColumnsThenApogeeAndPerigee) {
    element el = sampleElement();
    el.n = 15.5;
    el.ecc = 0.0005;
    std::strcpy(el.title, "ISS (ZARYA)");
    // a = 42244.777 / 15.5^0.666666667 = 6795.455 km; perigee 413, apogee 420.
    EXPECT_EQ(writtenLines(el)[0], "ISS (ZARYA)" + std::string(38, ' ') + "420 x 413 km");

    std::string longTitle;
    for (int k = 0; k < 68; ++k) longTitle += static_cast<char>('a' + k % 26);
    std::strcpy(el.title, longTitle.c_str());
    EXPECT_EQ(writtenLines(el)[0], longTitle.substr(0, 49) + "420 x 413 km");

    el.title[0] = '\0';
    EXPECT_EQ(writtenLines(el)[0], std::string(49, ' ') + "420 x 413 km");

    // A title with format directives is text, not a format.
    std::strcpy(el.title, "%s%n%d");
    EXPECT_EQ(writtenLines(el)[0], "%s%n%d" + std::string(43, ' ') + "420 x 413 km");
}

TEST(EloutputTitle, HeightsOfAnEccentricOrbit) {
    element el = sampleElement();
    el.n = 2.00563;  // a 12-hour orbit, a = 26562.716 km
    el.ecc = 0.74;
    const std::string t = writtenLines(el)[0];
    // (1 +- 0.74) x 26562.716 - 6378.135, truncated
    EXPECT_EQ(t.substr(49), "39840 x 528 km");
}

TEST(EloutputTitle, HeightsThatAreNotNumbersGiveTheLowestInt) {
    element el = sampleElement();
    el.n = 0.0;  // infinite semi-major axis
    el.ecc = 0.0;
    EXPECT_EQ(writtenLines(el)[0].substr(49), "-2147483648 x -2147483648 km");
}

TEST(EloutputTitle, WrittenTitleReadAndWrittenAgainIsTheSame) {
    const std::string first = written(sampleElement());
    const auto back = readAll(first);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(lines(written(back[0]))[0], lines(first)[0]);
}

TEST(EloutputLine1, FieldsInTheirColumns) {
    const auto out = writtenLines(sampleElement());
    EXPECT_EQ(out[1], "1 25544U 98067A   26127.50694444  .00012345  00000-0  22345-3 0  9998");
    EXPECT_EQ(out[2], "2 25544  51.6361 174.8713 0004907 285.8321  74.2286 15.49588373565439");
    expectWellFormed(out);
}

TEST(EloutputLine1, EpochYearKeepsItsLeadingZero) {
    element el = sampleElement();
    el.epoch = ep2jd(5001.5);
    EXPECT_EQ(field(writtenLines(el)[1], {19, 14}), "05001.50000000");
    el.epoch = ep2jd(57001.0);
    EXPECT_EQ(field(writtenLines(el)[1], {19, 14}), "57001.00000000");
}

TEST(EloutputLine1, ElementNumberFourColumnsRightAligned) {
    element el = sampleElement();
    el.elno = 7;
    EXPECT_EQ(field(writtenLines(el)[1], tle::l1Elno), "    7");
    el.elno = 9999;
    EXPECT_EQ(field(writtenLines(el)[1], tle::l1Elno), " 9999");
}

TEST(EloutputExponent, TheExamplesTable) {
    EXPECT_EQ(nrate2Text(1.2345e-6), " 12345-5");
    EXPECT_EQ(nrate2Text(-1.2345e-6), "-12345-5");
    EXPECT_EQ(nrate2Text(100.0), " 50000+2");
    EXPECT_EQ(bstarText(3.4123e-5), " 34123-4");
    EXPECT_EQ(bstarText(-3.4123e-5), "-34123-4");
    EXPECT_EQ(bstarText(1e-4), " 10000-3");
    EXPECT_EQ(nrate2Text(0.0), " 00000-0");
    EXPECT_EQ(nrate2Text(5e-9), " 00000-0");
    EXPECT_EQ(bstarText(0.0), " 00000-0");
    EXPECT_EQ(bstarText(5e-9), " 00000-0");
}

TEST(EloutputExponent, MantissaRoundingUpToOneHundredThousand) {
    // 0.999996e-4 is 0.99999.6 x 10^-4: the mantissa rounds to 100000 and
    // is written as 10000 with the exponent one higher.
    EXPECT_EQ(nrate2Text(0.999996e-4), " 10000-3");
    EXPECT_EQ(bstarText(0.999996e-4), " 10000-3");
    EXPECT_EQ(bstarText(-0.999996e-4), "-10000-3");
    EXPECT_EQ(nrate2Text(0.999994e-4), " 99999-4");
    EXPECT_EQ(bstarText(9.999996), " 10000+2");
    EXPECT_EQ(bstarText(0.12345), " 12345+0");
    EXPECT_EQ(bstarText(1.0), " 10000+1");
}

TEST(EloutputExponent, LimitsAtOneHundredMillionth) {
    EXPECT_EQ(nrate2Text(1e-08), " 00000-0");
    EXPECT_EQ(nrate2Text(-1e-08), " 00000-0");
    EXPECT_EQ(nrate2Text(-1e-09), " 00000-0");
    EXPECT_EQ(nrate2Text(1.1e-08), " 11000-7");
    EXPECT_EQ(nrate2Text(-1.1e-08), "-11000-7");
    EXPECT_EQ(bstarText(-5e-09), " 00000-0");
    EXPECT_EQ(bstarText(-1e-08), " 00000-0");
    EXPECT_EQ(bstarText(1e-08), " 00000-0");
    EXPECT_EQ(bstarText(1.1e-08), " 11000-7");
    EXPECT_EQ(bstarText(-1.1e-08), "-11000-7");
}

TEST(EloutputExponent, SecondDerivativeLimitedToFifty) {
    EXPECT_EQ(nrate2Text(-100.0), "-50000+2");
    EXPECT_EQ(nrate2Text(50.0), " 50000+2");
    EXPECT_EQ(nrate2Text(49.9), " 49900+2");
    EXPECT_EQ(nrate2Text(inf), " 50000+2");
    EXPECT_EQ(nrate2Text(-inf), "-50000+2");
    EXPECT_EQ(nrate2Text(nan), " 00000-0");
}

TEST(EloutputExponent, BstarBeyondOneDigitOfExponent) {
    EXPECT_EQ(bstarText(5e8), " 50000+9");
    EXPECT_EQ(bstarText(1e10), " 99999+9");
    EXPECT_EQ(bstarText(-1e10), "-99999+9");
    EXPECT_EQ(bstarText(inf), " 99999+9");
    EXPECT_EQ(bstarText(-inf), "-99999+9");
    EXPECT_EQ(bstarText(nan), " 00000-0");
    // A mantissa rounding up would carry the exponent to 10.
    EXPECT_EQ(bstarText(0.999999e9), " 99999+9");
    EXPECT_EQ(bstarText(0.99999e9), " 99999+9");
    for (double x : {1e10, inf, -inf, nan, 0.999999e9}) {
        element el = sampleElement();
        el.bstar = x;
        expectWellFormed(writtenLines(el));
    }
}

TEST(EloutputFirstDerivative, EveryRange) {
    struct ndCase {
        double x;
        const char* text;
    };
    const ndCase cases[] = {
        {0.0, " .00000000"},         {0.00012345, " .00012345"},  {-0.00012345, "-.00012345"},
        {0.123456784, " .12345678"}, {0.123456786, " .12345679"}, {2.5, "2.50000000"},
        {1.0, "1.00000000"},         {9.5, "9.50000000"},         {12.3, "9.99999999"},
        {10.0, "9.99999999"},        {0.999999996, "1.00000000"}, {3.999999996, "4.00000000"},
        {9.999999996, "9.99999999"}, {-0.999999996, "-.99999999"}, {-1.5, "-.99999999"},
        {-0.99999999, "-.99999999"}, {nan, "9.99999999"},         {inf, "9.99999999"},
        {-inf, "-.99999999"},
    };
    for (const ndCase& c : cases) {
        EXPECT_EQ(nrateText(c.x), c.text) << "first derivative " << c.x;
        element el = sampleElement();
        el.nrate = c.x;
        expectWellFormed(writtenLines(el));
    }
}

TEST(EloutputFirstDerivative, DigitInTheSignColumnReadsBack) {
    for (double x : {1.25, 2.5, 7.00000001, 9.99999999}) {
        element el = sampleElement();
        el.nrate = x;
        const auto back = readAll(written(el));
        ASSERT_EQ(back.size(), 1u);
        EXPECT_NEAR(back[0].nrate, x, 0.5e-8) << x;
    }
}

TEST(EloutputLine2, EccentricityDigits) {
    element el = sampleElement();
    el.ecc = 0.0001234;
    EXPECT_EQ(field(writtenLines(el)[2], tle::l2Ecc), "0001234");
    el.ecc = 0.00000004;
    EXPECT_EQ(field(writtenLines(el)[2], tle::l2Ecc), "0000000");
    el.ecc = 0.00000005;
    EXPECT_EQ(field(writtenLines(el)[2], tle::l2Ecc), "0000001");
    el.ecc = 0.9999999;
    EXPECT_EQ(field(writtenLines(el)[2], tle::l2Ecc), "9999999");
}

TEST(EloutputLine2, AnglesAsTheyStand) {
    element el = sampleElement();
    el.ra = -12.5;
    el.ap = 360.0;
    el.m = 0.00004;
    const std::string l2 = writtenLines(el)[2];
    EXPECT_EQ(field(l2, tle::l2Ra), "-12.5000");
    EXPECT_EQ(field(l2, tle::l2Ap), "360.0000");
    EXPECT_EQ(field(l2, tle::l2M), "  0.0000");
}

TEST(EloutputLine2, MeanMotionKeptWithinItsColumns) {
    struct nCase {
        double n;
        const char* text;
    };
    const nCase cases[] = {
        {582.9, "99.99999999"},  {99.99999999, "99.99999999"}, {-12.0, "-9.99999999"},
        {-9.99999999, "-9.99999999"}, {inf, "99.99999999"},     {-inf, "-9.99999999"},
        {15.5, "15.50000000"},   {nan, "        nan"},
    };
    for (const nCase& c : cases) {
        element el = sampleElement();
        el.n = c.n;
        const auto out = writtenLines(el);
        EXPECT_EQ(field(out[2], tle::l2N), c.text) << c.n;
        expectWellFormed(out);
    }
}

TEST(EloutputLines, WholeNumbersAsTheirFormatsGiveThem) {
    // The lines are built field by field; for whole numbers of any size and
    // sign they must read as the formats "%4li" (element number), "%07li"
    // (eccentricity digits), "%5li" (revolution) and "%05li" (catalogue
    // number below the Alpha-5 range) print them.
    const int ints[] = {INT_MIN, -100000, -99999, -1234, -1, 0, 7, 999, 9999, 12345, INT_MAX};
    for (int v : ints) {
        element el = sampleElement();
        el.elno = v;
        el.revno = v;
        el.objno = v < 100000 ? v : 99999;
        el.ecc = (v < 0 ? v - 0.6 : v) / 10000000.0;  // rounds half up to v
        const auto out = writtenLines(el);
        char want[256];
        std::snprintf(want, sizeof want, "%05li", static_cast<long>(el.objno));
        const std::string objno = want;
        std::snprintf(want, sizeof want,
                      "1 %sU 98067A   26127.50694444  .00012345  00000-0  22345-3 0 %4li",
                      objno.c_str(), static_cast<long>(v));
        EXPECT_EQ(out[1].substr(0, out[1].size() - 1), want) << v;
        std::snprintf(want, sizeof want,
                      "2 %s  51.6361 174.8713 %07li 285.8321  74.2286 15.49588373%5li",
                      objno.c_str(), static_cast<long>(v), static_cast<long>(v));
        EXPECT_EQ(out[2].substr(0, out[2].size() - 1), want) << v;
    }
}

TEST(EloutputCatalogue, FiveDigitsOrAlphaFive) {
    struct catCase {
        int objno;
        const char* text;
    };
    const catCase cases[] = {
        {0, "00000"},      {5, "00005"},      {99999, "99999"},  {100000, "A0000"},
        {179999, "H9999"}, {180000, "J0000"}, {229999, "N9999"}, {230000, "P0000"},
        {339999, "Z9999"},
    };
    for (const catCase& c : cases) {
        element el = sampleElement();
        el.objno = c.objno;
        const auto out = writtenLines(el);
        EXPECT_EQ(field(out[1], tle::l1Objno), c.text) << c.objno;
        EXPECT_EQ(field(out[2], tle::l2Objno), c.text) << c.objno;
        expectWellFormed(out);
    }
    // Beyond the Alpha-5 range the number is plain decimal.
    element el = sampleElement();
    el.objno = 340000;
    EXPECT_EQ(writtenLines(el)[1].substr(2, 6), "340000");
}

TEST(EloutputStatus, AlwaysOne) {
    std::FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    EXPECT_EQ(eloutput(fp, sampleElement()), 1);
    element el = sampleElement();
    el.n = nan;
    el.ecc = nan;
    EXPECT_EQ(eloutput(fp, el), 1);
    std::fclose(fp);
}

TEST(EloutputProperty, ManySetsKeepTheirColumnsAndCheckDigits) {
    // Values over the ranges the evolution produces, and beyond them in the
    // derivatives, from a fixed generator.
    unsigned long long state = 0x9e3779b97f4a7c15ull;
    auto uniform = [&state](double lo, double hi) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return lo + (hi - lo) * static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    for (int k = 0; k < 5000; ++k) {
        element el = sampleElement();
        el.objno = static_cast<int>(uniform(0, 339999.99));
        el.epoch = uniform(2436000, 2470000);
        el.nrate = uniform(-1.2, 12.0) * std::pow(10.0, -uniform(0, 9));
        el.nrate2 = uniform(-60, 60) * std::pow(10.0, -uniform(0, 12));
        el.bstar = uniform(-1, 1) * std::pow(10.0, uniform(-12, 11));
        el.elno = static_cast<int>(uniform(0, 9999.99));
        el.inc = uniform(0, 180);
        el.ra = uniform(0, 360);
        el.ecc = uniform(0, 0.9999999);
        el.ap = uniform(0, 360);
        el.m = uniform(0, 360);
        el.n = uniform(0.01, 120);
        el.revno = static_cast<int>(uniform(0, 99999.99));
        const auto out = writtenLines(el);
        expectWellFormed(out);
        if (HasFailure()) {
            ADD_FAILURE() << "set " << k << ":\n" << out[1] << "\n" << out[2];
            break;
        }
    }
}

}  // namespace
}  // namespace morvel
