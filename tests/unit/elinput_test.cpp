// The element-set reader: number scanning, column cuts, titles, rejected
// sets and their messages, line ends, and input that is not a TLE at all.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cal.h"
#include "elinput.h"
#include "tle_test_support.h"
#include "numtext.h"

namespace morvel {
namespace {

using tletest::field;
using tletest::issLine1;
using tletest::issLine2;
using tletest::issTitle;
using tletest::readAll;
using tletest::StdoutCapture;
using tletest::TextStream;
using tletest::withField;

const std::string L1 = issLine1 + "\n";
const std::string L2 = issLine2 + "\n";

// ---------------------------------------------------------------- scanning

struct decimalCase {
    const char* text;
    int taken;      // characters that form the number, 0 for none
    double value;   // when taken > 0
};

TEST(ScanDecimal, TakesTheLongestNumberAndNothingElse) {
    const decimalCase cases[] = {
        {"+120", 4, 120.0},  {"-120", 4, -120.0}, {"120abc", 3, 120.0}, {".5", 2, 0.5},
        {"5.", 2, 5.0},      {"-.5", 3, -0.5},    {"1e", 1, 1.0},       {"1e+", 1, 1.0},
        {"1E-2", 4, 0.01},   {"1e5x", 3, 1e5},    {"2.5e3", 5, 2500.0}, {"0x10", 1, 0.0},
        {"-0x10", 2, -0.0},  {"00x1", 2, 0.0},    {"1.5.5", 3, 1.5},    {"7 8", 1, 7.0},
        {"15.49130994565437", 17, 15.49130994565437},
    };
    for (const decimalCase& c : cases) {
        double v = -999.0;
        EXPECT_EQ(scanDecimal(c.text, v), c.taken) << "text \"" << c.text << "\"";
        EXPECT_EQ(v, c.value) << "text \"" << c.text << "\"";
    }
    double v = 0.0;
    EXPECT_EQ(scanDecimal("-0x10", v), 2);
    EXPECT_TRUE(std::signbit(v)) << "the zero keeps its sign";
}

TEST(ScanDecimal, OverflowIsInfiniteUnderflowIsWhatStrtodGives) {
    double v = 0.0;
    EXPECT_EQ(scanDecimal("1e400", v), 5);
    EXPECT_TRUE(std::isinf(v) && v > 0);
    EXPECT_EQ(scanDecimal("-1e400", v), 6);
    EXPECT_TRUE(std::isinf(v) && v < 0);
    EXPECT_EQ(scanDecimal("1e-400", v), 6);
    EXPECT_EQ(v, 0.0);
}

TEST(ScanDecimal, EveryDecimalGivesTheDoubleStrtodGives) {
    // Random decimals of 1 to 20 digits with the point anywhere, signs and
    // leading zeros, some with exponents: the short ones are converted
    // without strtod, and must round exactly as it does.
    unsigned long long state = 0x853c49e6748fea9bull;
    auto next = [&state]() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>(state >> 33);
    };
    long mismatches = 0;
    for (int k = 0; k < 300000; ++k) {
        std::string text;
        const unsigned sign = next() % 3;
        if (sign == 1) text += '-';
        if (sign == 2) text += '+';
        const int digits = 1 + static_cast<int>(next() % 20);
        const int point = static_cast<int>(next() % (digits + 2)) - 1;  // -1: none
        for (int d = 0; d < digits; ++d) {
            if (d == point) text += '.';
            text += static_cast<char>('0' + next() % 10);
        }
        if (point == digits) text += '.';
        if (next() % 8 == 0) text += "e-" + std::to_string(next() % 30);
        double v = 0.0;
        ASSERT_EQ(scanDecimal(text.c_str(), v), static_cast<int>(text.size())) << text;
        const double want = std::strtod(text.c_str(), nullptr);
        if (std::memcmp(&v, &want, sizeof v) != 0 && ++mismatches <= 5) {
            ADD_FAILURE() << text << ": " << v << " against strtod's " << want;
        }
    }
    EXPECT_EQ(mismatches, 0);
    // The fields' own texts, and the sign of a zero.
    for (const char* text : {"15.49130994", "26127.42525608", ".00005474", "-.00001234",
                             "999999999999999", "0.000000000000001", "-0", "-0.000"}) {
        double v = 1.0;
        scanDecimal(text, v);
        const double want = std::strtod(text, nullptr);
        EXPECT_EQ(std::memcmp(&v, &want, sizeof v), 0) << text;
    }
}

TEST(ScanDecimal, NoNumberLeavesTheValueUnchanged) {
    const char* none[] = {"", " 120", "\t1", "-", "+", ".", "-.", "e5", "inf", "nan",
                          "infinity", "NAN", "+ 1", "x1"};
    for (const char* text : none) {
        double v = 42.0;
        EXPECT_EQ(scanDecimal(text, v), 0) << "text \"" << text << "\"";
        EXPECT_EQ(v, 42.0) << "text \"" << text << "\"";
    }
}

TEST(ScanWhole, SignAndDigitsSaturatingAtTheBounds) {
    struct wholeCase {
        const char* text;
        int taken;
        long value;
    };
    const wholeCase cases[] = {
        {"25544abc", 5, 25544},
        {"+25544", 6, 25544},
        {"-5", 2, -5},
        {"007", 3, 7},
        {"12.5", 2, 12},
        {"9223372036854775807", 19, LONG_MAX},
        {"9223372036854775808", 19, LONG_MAX},
        {"99999999999999999999", 20, LONG_MAX},
        {"-9223372036854775808", 20, LONG_MIN},
        {"-9223372036854775809", 20, LONG_MIN},
        {"-99999999999999999999123", 24, LONG_MIN},
    };
    for (const wholeCase& c : cases) {
        long v = -1;
        EXPECT_EQ(scanWhole(c.text, v), c.taken) << "text \"" << c.text << "\"";
        EXPECT_EQ(v, c.value) << "text \"" << c.text << "\"";
    }
    const char* none[] = {"", "abc", " 1", "-", "+", "+-1", ".5"};
    for (const char* text : none) {
        long v = 42;
        EXPECT_EQ(scanWhole(text, v), 0) << "text \"" << text << "\"";
        EXPECT_EQ(v, 42) << "text \"" << text << "\"";
    }
}

// ------------------------------------------------------------------ fields

TEST(ElinputFields, RealSetReadsItsColumns) {
    const auto sets = readAll(issTitle + "\n" + L1 + L2);
    ASSERT_EQ(sets.size(), 1u);
    const element& el = sets[0];
    EXPECT_EQ(el.if_valid, 1);
    EXPECT_STREQ(el.title, issTitle.c_str());
    EXPECT_EQ(el.objno, 25544);
    EXPECT_EQ(el.type, 'U');
    EXPECT_STREQ(el.objid, "98067A  ");
    EXPECT_NEAR(el.epoch, 2461168.42525608, 1e-8);
    EXPECT_DOUBLE_EQ(el.nrate, 0.00005474);
    EXPECT_EQ(el.nrate2, 0.0);
    EXPECT_DOUBLE_EQ(el.bstar, 0.10695e-3);
    EXPECT_EQ(el.elno, 999);
    EXPECT_DOUBLE_EQ(el.inc, 51.6306);
    EXPECT_DOUBLE_EQ(el.ra, 141.8725);
    EXPECT_DOUBLE_EQ(el.ecc, 0.0007388);
    EXPECT_DOUBLE_EQ(el.ap, 32.8924);
    EXPECT_DOUBLE_EQ(el.m, 327.2523);
    EXPECT_DOUBLE_EQ(el.n, 15.49130994);
    EXPECT_EQ(el.revno, 56543);
}

element readOne(const std::string& line1, const std::string& line2) {
    const auto sets = readAll(line1 + "\n" + line2 + "\n");
    EXPECT_EQ(sets.size(), 1u);
    return sets.empty() ? element{} : sets[0];
}

TEST(ElinputFields, ExponentFieldsAreMantissaTimesPowerOfTen) {
    struct expCase {
        const char* text;  // sign, mantissa and exponent: 8 characters
        double value;
    };
    const expCase cases[] = {
        {" 12345-5", 1.2345e-6}, {"-12345-5", -1.2345e-6}, {" 00000-0", 0.0},
        {" 34123-4", 3.4123e-5}, {" 10000-3", 1e-4},        {" 50000+2", 50.0},
        {"+12345-5", 1.2345e-6}, {" 00000+9", 0.0},
    };
    for (const expCase& c : cases) {
        const std::string f = c.text;
        std::string l1 = issLine1;
        l1 = withField(l1, tle::l1Nrate2Mant, f.substr(0, 6));
        l1 = withField(l1, tle::l1Nrate2Exp, f.substr(6, 2));
        l1 = withField(l1, tle::l1BstarMant, f.substr(0, 6));
        l1 = withField(l1, tle::l1BstarExp, f.substr(6, 2));
        const element el = readOne(l1, issLine2);
        EXPECT_NEAR(el.nrate2, c.value, std::fabs(c.value) * 1e-15) << c.text;
        EXPECT_NEAR(el.bstar, c.value, std::fabs(c.value) * 1e-15) << c.text;
    }
    // A zero mantissa is exactly zero, not a zero times an overflowing power.
    std::string l1 = withField(issLine1, tle::l1BstarMant, "00000");
    l1 = withField(l1, tle::l1BstarExp, "+9");
    EXPECT_EQ(readOne(l1, issLine2).bstar, 0.0);
}

TEST(ElinputFields, EccentricityHasItsPointAssumed) {
    const element el = readOne(issLine1, withField(issLine2, tle::l2Ecc, "0001234"));
    EXPECT_DOUBLE_EQ(el.ecc, 0.0001234);
}

TEST(ElinputFields, FirstDerivativeWithItsIntegerDigitInTheSignColumn) {
    const element el = readOne(withField(issLine1, tle::l1Nrate, "2.50000000"), issLine2);
    EXPECT_EQ(el.nrate, 2.5);
    const element neg = readOne(withField(issLine1, tle::l1Nrate, "-.00012345"), issLine2);
    EXPECT_DOUBLE_EQ(neg.nrate, -0.00012345);
}

TEST(ElinputFields, EachFieldStopsAtItsOwnColumns) {
    // Digits run on from one field into the next: each field still reads
    // only its own columns.
    std::string l2 = issLine2;
    l2 = withField(l2, tle::l2Inc, "51.63061");
    l2[tle::l2Inc.first + tle::l2Inc.width - 1] = '2';  // the separator column
    l2 = withField(l2, tle::l2N, "15.49130994");
    const element el = readOne(issLine1, l2);
    EXPECT_DOUBLE_EQ(el.inc, 51.63061);
    EXPECT_DOUBLE_EQ(el.ra, 141.8725);
    EXPECT_DOUBLE_EQ(el.n, 15.49130994);
    EXPECT_EQ(el.revno, 56543);
}

TEST(ElinputFields, LettersAndEmptyFieldsReadAsZero) {
    std::string l2 = issLine2;
    l2 = withField(l2, tle::l2Inc, "abcdefgh");
    l2 = withField(l2, tle::l2Ra, "  inf   ");
    l2 = withField(l2, tle::l2Ecc, "       ");
    l2 = withField(l2, tle::l2Ap, "nan");
    l2 = withField(l2, tle::l2M, "0x1p3");
    l2 = withField(l2, tle::l2Revno, "x");
    const element el = readOne(issLine1, l2);
    EXPECT_EQ(el.inc, 0.0);
    EXPECT_EQ(el.ra, 0.0);
    EXPECT_EQ(el.ecc, 0.0);
    EXPECT_EQ(el.ap, 0.0);
    EXPECT_EQ(el.m, 0.0);
    EXPECT_EQ(el.revno, 0);
}

TEST(ElinputFields, ShortLineTwoHasNoMissingColumns) {
    // Only column 1, the catalogue number and the mean motion matter; the
    // columns the line does not have read as nothing.
    const element el = readOne(issLine1, issLine2.substr(0, 63));
    EXPECT_DOUBLE_EQ(el.n, 15.49130994);
    EXPECT_EQ(el.revno, 0);
    const element el2 = readOne(issLine1.substr(0, 63), issLine2.substr(0, 60));
    EXPECT_EQ(el2.elno, 0);
    EXPECT_DOUBLE_EQ(el2.n, 15.49130);
}

TEST(ElinputFields, WrongChecksumDigitsAreAccepted) {
    std::string l1 = issLine1, l2 = issLine2;
    l1[tle::checksumColumn - 1] = '0';
    l2[tle::checksumColumn - 1] = 'x';
    EXPECT_EQ(readOne(l1, l2).if_valid, 1);
}

TEST(ElinputFields, AlphaFiveCatalogueNumbers) {
    struct alphaCase {
        const char* text;
        int objno;
    };
    const alphaCase cases[] = {
        {"A0000", 100000}, {"H9999", 179999}, {"J0000", 180000}, {"N1234", 221234},
        {"P0001", 230001}, {"Z9999", 339999}, {"E5544", 145544}, {"99999", 99999},
        {"00005", 5},      {"I1234", 0},      {"O1234", 0},      {"a1234", 0},
        {"A12 4", 0},      {"AB123", 0},      {"  123", 123},
    };
    for (const alphaCase& c : cases) {
        const std::string l1 = withField(issLine1, tle::l1Objno, c.text);
        const std::string l2 = withField(issLine2, tle::l2Objno, c.text);
        EXPECT_EQ(readOne(l1, l2).objno, c.objno) << c.text;
    }
    // Line 2 is compared as a number: the Alpha-5 form and the number match.
    StdoutCapture out;
    const auto sets = readAll(withField(issLine1, tle::l1Objno, "A0000") + "\n" +
                              withField(issLine2, tle::l2Objno, "B0000") + "\n");
    EXPECT_TRUE(sets.empty());
    EXPECT_NE(out.text().find("inel.objno=100000 objno2=110000\n"), std::string::npos);
}

// ------------------------------------------------------------------ titles

TEST(ElinputTitles, WithoutTitleLinesTheDesignatorIsTheTitle) {
    const auto sets = readAll(L1 + L2 + L1 + L2);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_STREQ(sets[0].title, "98067A  ");
    EXPECT_STREQ(sets[1].title, "98067A  ");
}

TEST(ElinputTitles, TheLastCandidateBeforeLineOneIsTheTitle) {
    const auto one = readAll("ZARYA\n" + L1 + L2);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_STREQ(one[0].title, "ZARYA");

    const auto two = readAll("first\nsecond\n" + L1 + L2);
    ASSERT_EQ(two.size(), 1u);
    EXPECT_STREQ(two[0].title, "second");

    const auto blank = readAll("named\n\n" + L1 + L2);
    ASSERT_EQ(blank.size(), 1u);
    EXPECT_STREQ(blank[0].title, "");

    // A title is per call: the second set has none of its own.
    const auto later = readAll("named\n" + L1 + L2 + L1 + L2);
    ASSERT_EQ(later.size(), 2u);
    EXPECT_STREQ(later[0].title, "named");
    EXPECT_STREQ(later[1].title, "98067A  ");
}

TEST(ElinputTitles, LongTitlesKeepSixtyEightCharacters) {
    std::string title80;
    for (int k = 0; k < 80; ++k) title80 += static_cast<char>('A' + k % 26);
    const auto sets = readAll(title80 + "\n" + L1 + L2);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(std::string(sets[0].title), title80.substr(0, 68));

    // Exactly 69 characters: the line is kept whole, its 69th dropped.
    const auto s69 = readAll(title80.substr(0, 69) + "\n" + L1 + L2);
    ASSERT_EQ(s69.size(), 1u);
    EXPECT_EQ(std::string(s69[0].title), title80.substr(0, 68));
    const auto s68 = readAll(title80.substr(0, 68) + "\n" + L1 + L2);
    ASSERT_EQ(s68.size(), 1u);
    EXPECT_EQ(std::string(s68[0].title), title80.substr(0, 68));
}

TEST(ElinputTitles, SkippedSetGivesItsLineTwoAsTheNextTitle) {
    // Ephemeris type 2 in column 63 fails the line-1 test: no message, and
    // both its lines are title candidates.
    std::string bad1 = issLine1;
    bad1[tle::l1EphType.first - 1] = '2';
    StdoutCapture out;
    const auto sets = readAll(bad1 + "\n" + issLine2 + "\n" + L1 + L2);
    EXPECT_EQ(out.text(), "");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(std::string(sets[0].title), issLine2.substr(0, 68));
}

TEST(ElinputTitles, EveryLineOneTestColumnMatters) {
    const int cols[] = {tle::l1LineNo.first, tle::l1Blank.first, tle::l1EpochPoint.first,
                        tle::l1NratePoint.first, tle::l1EphType.first};
    for (int col : cols) {
        std::string bad1 = issLine1;
        bad1[col - 1] = 'x';
        const auto sets = readAll(bad1 + "\n" + L2);
        EXPECT_TRUE(sets.empty()) << "column " << col;
    }
    // A line that ends before column 63 is no line 1.
    EXPECT_TRUE(readAll(issLine1.substr(0, 62) + "\n" + L2).empty());
    EXPECT_EQ(readAll(issLine1.substr(0, 63) + "\n" + L2).size(), 1u);
}

// --------------------------------------------------------- rejected sets

TEST(ElinputRejects, MismatchMessagesThenTheNextGoodSet) {
    const std::string other2 = withField(issLine2, tle::l2Objno, "25545");
    StdoutCapture out;
    TextStream in("T1\n" + L1 + other2 + "\nT2\n" + L1 + L2);
    const element el = elinput(in.get());
    EXPECT_EQ(out.text(),
              "Sorry - Line1/2 object mismatch\n"
              "inel.objno=25544 objno2=25545\n"
              "Last line =" + other2.substr(0, 69) + "=\n");
    EXPECT_EQ(el.if_valid, 1);
    EXPECT_STREQ(el.title, "T2");
    EXPECT_EQ(elinput(in.get()).if_valid, 0);
}

TEST(ElinputRejects, MismatchOfAShortLineShowsItsLineFeed) {
    const std::string short2 = "2 25545  51.6306";
    StdoutCapture out;
    const auto sets = readAll(L1 + short2 + "\n");
    EXPECT_TRUE(sets.empty());
    EXPECT_EQ(out.text(),
              "Sorry - Line1/2 object mismatch\n"
              "inel.objno=25544 objno2=25545\n"
              "Last line =" + short2 + "\n=\n");
}

TEST(ElinputRejects, MeanMotionOutsideTheOpenRange) {
    struct nCase {
        const char* text;
        bool accepted;
    };
    const nCase cases[] = {
        {"17.00000000", false}, {"16.99999999", true}, {" 0.01000000", false},
        {" 0.01000001", true},  {" 0.00000000", false}, {"-15.4913099", false},
        {"1e400", false},       {"nan", false},         {"", false},
    };
    for (const nCase& c : cases) {
        StdoutCapture out;
        const auto sets = readAll(L1 + withField(issLine2, tle::l2N, c.text) + "\n");
        EXPECT_EQ(sets.size(), c.accepted ? 1u : 0u) << c.text;
        EXPECT_EQ(out.text(), c.accepted ? "" : "Invalid element rejected\n") << c.text;
    }
}

TEST(ElinputRejects, RejectedSetKeepsItsTitleForTheNextSet) {
    const std::string fast2 = withField(issLine2, tle::l2N, "17.00000000");
    StdoutCapture out;
    TextStream in("FAST ONE\n" + L1 + fast2 + "\n" + L1 + L2);
    const element el = elinput(in.get());
    EXPECT_EQ(out.text(), "Invalid element rejected\n");
    EXPECT_EQ(el.if_valid, 1);
    EXPECT_STREQ(el.title, "FAST ONE");
    EXPECT_DOUBLE_EQ(el.n, 15.49130994);
}

TEST(ElinputRejects, LineAfterLineOneMustStartWithTwo) {
    // The line that is no line 2 is lost with its set, silently: it is not a
    // title candidate.
    StdoutCapture out;
    const auto sets = readAll(L1 + "NOT A LINE 2\n" + L1 + L2);
    EXPECT_EQ(out.text(), "");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_STREQ(sets[0].title, "98067A  ");
}

// ------------------------------------------------------- end of the stream

TEST(ElinputStream, AfterTheLastSetEveryCallIsInvalid) {
    TextStream in(issTitle + "\n" + L1 + L2);
    EXPECT_EQ(elinput(in.get()).if_valid, 1);
    EXPECT_EQ(elinput(in.get()).if_valid, 0);
    EXPECT_EQ(elinput(in.get()).if_valid, 0);
}

TEST(ElinputStream, EmptyAndTitleOnlyStreams) {
    EXPECT_TRUE(readAll("").empty());
    EXPECT_TRUE(readAll("just a title\n").empty());
    EXPECT_TRUE(readAll("\n\n\n").empty());
}

TEST(ElinputStream, FileEndingAfterLineOne) {
    StdoutCapture out;
    EXPECT_TRUE(readAll(L1).empty());
    EXPECT_TRUE(readAll(issLine1).empty());  // no line feed either
    EXPECT_TRUE(readAll(L1 + L2 + L1).size() == 1u);
    EXPECT_EQ(out.text(), "");
}

TEST(ElinputStream, LastLineWithoutLineFeed) {
    const auto sets = readAll(L1 + issLine2);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].revno, 56543);
}

TEST(ElinputStream, ReadErrorEndsTheCall) {
    // A stream that cannot be read (opened for writing only) fails its first
    // read with an error, not with the end of the stream.
    std::FILE* w = std::fopen("/dev/null", "w");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(elinput(w).if_valid, 0);
    EXPECT_TRUE(std::ferror(w));
    std::fclose(w);
}

// ---------------------------------------------------------- line ends, NUL

TEST(ElinputLineEnds, CrlfFilesReadLikeLfFiles) {
    const std::string lf = issTitle + "\n" + L1 + L2 + "second\n" + L1 + L2;
    std::string crlf;
    for (char c : lf) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    const auto a = readAll(lf);
    const auto b = readAll(crlf);
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u);
    for (std::size_t k = 0; k < a.size(); ++k) {
        EXPECT_STREQ(a[k].title, b[k].title);
        EXPECT_EQ(a[k].elno, b[k].elno);
        EXPECT_EQ(a[k].revno, b[k].revno);
        EXPECT_EQ(a[k].n, b[k].n);
    }
    EXPECT_STREQ(b[1].title, "second");

    // The mismatch message shows the line 2 without its carriage return.
    StdoutCapture out;
    readAll(L1 + "2 25545\r\n");
    EXPECT_EQ(out.text(),
              "Sorry - Line1/2 object mismatch\ninel.objno=25544 objno2=25545\n"
              "Last line =2 25545\n=\n");
}

TEST(ElinputLineEnds, OnlyACarriageReturnBeforeTheLineFeedGoes) {
    const auto sets = readAll("A\rB\r\r\n" + L1 + L2);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_STREQ(sets[0].title, "A\rB\r");
}

TEST(ElinputNul, NulEndsTheLine) {
    // Before column 69 of a title: the title ends at the NUL (less its last
    // character, as any title).
    const std::string t = std::string("SHORT\0REST OF THE LINE", 22);
    const auto a = readAll(t + "\n" + L1 + L2);
    ASSERT_EQ(a.size(), 1u);
    EXPECT_STREQ(a[0].title, "SHOR");

    // After column 69 of line 1 and line 2: nothing changes.
    const auto b = readAll(issLine1 + std::string("xx\0yy\n", 6) + issLine2 +
                           std::string("\0zz\n", 4));
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].elno, 999);
    EXPECT_EQ(b[0].revno, 56543);

    // Before column 63 of line 1: no line 1 (a title candidate) and its line
    // 2 becomes the title.
    std::string l1 = issLine1;
    l1[40] = '\0';
    const auto c = readAll(l1 + "\n" + L2 + L1 + L2);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(std::string(c[0].title), issLine2.substr(0, 68));

    // Inside the mean motion of line 2: the field is cut at the NUL and the
    // revolution number is missing.
    std::string l2 = issLine2;
    l2[tle::l2N.first + 4] = '\0';
    const auto d = readAll(L1 + l2 + "\n");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_DOUBLE_EQ(d[0].n, 15.49);
    EXPECT_EQ(d[0].revno, 0);
}

TEST(ElinputNul, LineStartingWithNulIsAnEmptyTitle) {
    const auto sets = readAll(std::string("\0NAME\n", 6) + L1 + L2);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_STREQ(sets[0].title, "");
}

// ------------------------------------------------------ very long lines

TEST(ElinputLongLines, LongLinesComeInPiecesOf127) {
    // 5000 characters: 39 pieces of 127, then 47 characters and the line
    // feed. The last piece is the title.
    const std::string title(5000, 'x');
    const auto sets = readAll(title + "\n" + L1 + L2);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(std::string(sets[0].title), std::string(47, 'x'));

    // The piece boundary: 127 characters and the line feed give a piece of
    // 127 (kept as 69, title 68) and a lone line feed (an empty title).
    const auto at127 = readAll(std::string(127, 'y') + "\n" + L1 + L2);
    ASSERT_EQ(at127.size(), 1u);
    EXPECT_STREQ(at127[0].title, "");
    const auto at126 = readAll(std::string(126, 'y') + "\n" + L1 + L2);
    ASSERT_EQ(at126.size(), 1u);
    EXPECT_EQ(std::string(at126[0].title), std::string(68, 'y'));
}

TEST(ElinputLongLines, OverlongLineOneLosesItsSet) {
    // The second piece of a 200-character line 1 is read as its line 2.
    StdoutCapture out;
    const auto sets = readAll(issLine1 + std::string(131, ' ') + "\n" + L2 + L1 + L2);
    EXPECT_EQ(out.text(), "");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(std::string(sets[0].title), issLine2.substr(0, 68));
}

TEST(ElinputGarbage, BinaryBytesNeverStopTheNextSet) {
    std::string junk;
    unsigned state = 12345u;
    for (int k = 0; k < 20000; ++k) {
        state = state * 1103515245u + 12345u;
        junk += static_cast<char>((state >> 16) & 0xff);
    }
    StdoutCapture out;
    const auto sets = readAll(junk + "\n" + L1 + L2);
    out.text();
    ASSERT_GE(sets.size(), 1u);
    EXPECT_EQ(sets.back().revno, 56543);
    EXPECT_EQ(sets.back().elno, 999);
}

}  // namespace
}  // namespace morvel
