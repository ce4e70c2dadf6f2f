// The element-set reader: its fields' columns, the titles it picks, the sets
// it rejects with their messages, and line ends, NUL bytes, long lines and
// bytes that are no TLE at all around good sets.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support.h"

using namespace morvel;
using test::issLine1;
using test::issLine2;
using test::readSet;
using test::readSets;
using test::withField;

namespace {
const std::string L1 = issLine1 + "\n", L2 = issLine2 + "\n";
const std::string mismatchHead = "Sorry - Line1/2 object mismatch\ninel.objno=25544 objno2=25545\n";

// The sets read from `text`, and the console text of the messages.
std::vector<element> readSaid(const std::string& text, std::string& said) {
    collectingSink sink;
    const std::vector<element> sets = readSets(text, sink);
    said = sink.consoleText();
    return sets;
}

// The title of the one set read from `text`.
std::string titleOf(const std::string& text) {
    const auto sets = readSets(text);
    EXPECT_EQ(sets.size(), 1u) << text;
    return sets.empty() ? "(none)" : sets[0].title;
}
}  // namespace

TEST(ElinputFields, EachFieldItsColumnsAndItsForm) {
    struct Case { tleColumns f; const char* text; double element::*value; double want; };
    // Digits run on into the separator column after the inclination, and
    // fields the reader cannot read as numbers (their points in place) are
    // zero.
    std::string l2 = issLine2;
    l2[tle::l2Inc.first + tle::l2Inc.width - 1] = '2';
    EXPECT_DOUBLE_EQ(readSet(issLine1, l2).inc, 51.6306);
    EXPECT_DOUBLE_EQ(readSet(issLine1, l2).ra, 141.8725);
    for (const Case c : {Case{tle::l2Ecc, "0001234", &element::ecc, 0.0001234},
                         {tle::l2Ecc, "", &element::ecc, 0}, {tle::l2Inc, "abc.efgh", &element::inc, 0},
                         {tle::l2Ra, " inf.   ", &element::ra, 0}, {tle::l2Ap, "nan.    ", &element::ap, 0},
                         {tle::l2M, "0x1.p3  ", &element::m, 0}, {tle::l1Nrate, "2.50000000", &element::nrate, 2.5},
                         {tle::l1Nrate, "-.00012345", &element::nrate, -0.00012345}}) {
        const bool one = c.f.first == tle::l1Nrate.first;
        const element e = one ? readSet(withField(issLine1, c.f, c.text), issLine2)
                              : readSet(issLine1, withField(issLine2, c.f, c.text));
        EXPECT_DOUBLE_EQ(e.*c.value, c.want) << c.text;
    }
    // Line 2 ends before the revolution number; line 1 before the element number.
    const element e = readSet(issLine1.substr(0, 63), issLine2.substr(0, 60));
    EXPECT_TRUE(e.revno == 0 && e.elno == 0 && e.n == 15.4913) << e.n;
}

TEST(ElinputFields, WrongCheckDigitsAcceptedAndCountedOnceAtTheEnd) {
    // A set counts once, whichever line; a column 69 without a digit, or
    // none, carries no check digit. The count comes after a last rejection.
    const std::string wrong1 = issLine1.substr(0, 68) + "0\n", wrong2 = issLine2.substr(0, 68) + "8\n";
    std::string said;
    const auto sets = readSaid("T\n" + L1 + L2 + L1 + wrong2 + wrong1 + wrong2 + wrong1 + L2 + issLine1.substr(0, 68) +
                                   "\n" + issLine2.substr(0, 68) + "x\n" + L1, said);
    EXPECT_EQ(sets.size(), 5u);
    EXPECT_EQ(said, "Line 1 at line 12 (object 25544) has no line 2 after it: set rejected\n"
                    "Sets read with a wrong check digit: 3 (the first at line 5)\n");
}

TEST(ElinputFields, ExponentFieldsAreMantissaTimesPowerOfTen) {
    for (auto [text, want] : {std::pair{" 12345-5", 1.2345e-6}, {"-12345-5", -1.2345e-6},
                              {" 34123-4", 3.4123e-5}, {" 50000+2", 50.0}, {"+12345-5", 1.2345e-6},
                              {" 00000+9", 0.0}, {" 00000-0", 0.0}}) {
        const std::string f = text;
        std::string l1 = withField(issLine1, tle::l1Nrate2Mant, f.substr(0, 6));
        l1 = withField(withField(l1, tle::l1Nrate2Exp, f.substr(6)), tle::l1BstarMant, f.substr(0, 6));
        const element e = readSet(withField(l1, tle::l1BstarExp, f.substr(6)), issLine2);
        EXPECT_NEAR(e.nrate2, want, std::fabs(want) * 1e-15) << text;
        EXPECT_NEAR(e.bstar, want, std::fabs(want) * 1e-15) << text;
    }
}

TEST(ElinputFields, CatalogueNumbersFiveDigitsOrAlphaFive) {
    for (auto [text, objno] : {std::pair{"A0000", 100000}, {"H9999", 179999}, {"J0000", 180000},
                               {"N1234", 221234}, {"P0001", 230001}, {"Z9999", 339999}, {"00005", 5},
                               {"99999", 99999}, {"  123", 123}, {"I1234", 0}, {"O1234", 0},
                               {"a1234", 0}, {"A12 4", 0}, {"AB123", 0}}) {
        const element e = readSet(withField(issLine1, tle::l1Objno, text), withField(issLine2, tle::l2Objno, text));
        EXPECT_EQ(e.objno, objno) << text;
    }
}

TEST(ElinputTitles, TheLastLineBeforeLineOneOrTheDesignator) {
    EXPECT_EQ(titleOf(L1 + L2), "98067A  ");
    EXPECT_EQ(titleOf("first\nsecond\n" + L1 + L2), "second");
    EXPECT_EQ(titleOf("named\n\n" + L1 + L2), "");
    EXPECT_EQ(titleOf(std::string("\0NAME\n", 6) + L1 + L2), "");
    EXPECT_EQ(titleOf(std::string("SHORT\0REST", 10) + "\n" + L1 + L2), "SHOR");  // less its last, as any title
    EXPECT_EQ(titleOf("A\rB\r\r\n" + L1 + L2), "A\rB\r");  // only the CR before the LF goes
    const auto two = readSets("named\n" + L1 + L2 + L1 + L2);  // a title is per set
    ASSERT_EQ(two.size(), 2u);
    EXPECT_STREQ(two[1].title, "98067A  ");
    // 68 characters at most; a line is read in pieces of 127, the last piece
    // the title (127 characters and the line feed leave an empty piece).
    std::string abc;
    for (int k = 0; k < 80; ++k) abc += static_cast<char>('A' + k % 26);
    for (int len : {68, 69, 80}) EXPECT_EQ(titleOf(abc.substr(0, len) + "\n" + L1 + L2), abc.substr(0, 68));
    EXPECT_EQ(titleOf(std::string(5000, 'x') + "\n" + L1 + L2), std::string(47, 'x'));
    EXPECT_EQ(titleOf(std::string(126, 'y') + "\n" + L1 + L2), std::string(68, 'y'));
    EXPECT_EQ(titleOf(std::string(127, 'y') + "\n" + L1 + L2), "");
}

TEST(ElinputTitles, NoLineOneSilentlyAndItsLineTwoTheNextTitle) {
    // Each column that makes a line 1 ('1', blank, the two points, type '0'),
    // a line ending before column 63, a NUL before it, and an overlong line 1
    // whose second piece stands where its line 2 should.
    std::vector<std::string> bad;
    for (int col : {tle::l1LineNo.first, tle::l1Blank.first, tle::l1EpochPoint.first,
                    tle::l1NratePoint.first, tle::l1EphType.first})
        bad.push_back(std::string(issLine1).replace(static_cast<std::size_t>(col - 1), 1, "x"));
    bad.push_back(issLine1.substr(0, 62));
    bad.push_back(std::string(issLine1).replace(40, 1, std::string(1, '\0')));
    for (const std::string& b : bad) {
        std::string said;
        const auto sets = readSaid(b + "\n" + L2 + L1 + L2, said);
        EXPECT_EQ(said, "") << b;
        ASSERT_EQ(sets.size(), 1u) << b;
        EXPECT_EQ(sets[0].title, issLine2.substr(0, 68)) << b;
    }
    EXPECT_EQ(titleOf(issLine1.substr(0, 63) + "\n" + L2), "98067A  ");
}

TEST(ElinputRejects, LineOneWithoutLineTwoNamedAndItsTitleKept) {
    // What stands in place of line 2 is read again (a title, the next line
    // 1, the rest of an overlong line 1); the lost set's title goes to none.
    const std::string lost = "Line 1 at line 2 (object 25544) has no line 2 after it: set rejected\n";
    for (const auto& [after, title] : {std::pair<std::string, std::string>{"NEXT\n", "NEXT"}, {"", "98067A  "},
                                       {std::string(131, ' ') + "\n" + L2, issLine2.substr(0, 68)}}) {
        std::string said;
        const auto sets = readSaid("LOST\n" + (after.starts_with(' ') ? issLine1 : L1) + after + L1 + L2, said);
        ASSERT_EQ(sets.size(), 1u) << title;
        EXPECT_EQ(sets[0].title, title);
        EXPECT_EQ(said, lost) << title;
    }
    // At the end of the file, with or without its line feed.
    for (const std::string& end : {L1, issLine1}) {
        std::string said;
        EXPECT_EQ(readSaid("T\n" + L1 + L2 + "LOST\n" + end, said).size(), 1u);
        EXPECT_EQ(said, "Line 1 at line 5 (object 25544) has no line 2 after it: set rejected\n");
    }
}

TEST(ElinputRejects, LineTwoWithoutItsDecimalPointsNotReadShifted) {
    // A character lost before each point moves it out of its column: the
    // line is refused, naming it and the point, its title not handed on.
    const struct { int lose; int column; const char* field; } cases[] = {
        {10, 12, "inclination"}, {19, 21, "right ascension of the node"}, {28, 38, "argument of perigee"},
        {40, 47, "mean anomaly"}, {50, 55, "mean motion"}};
    for (const auto& c : cases) {
        std::string said;
        const auto sets = readSaid("SHORT\n" + L1 + std::string(issLine2).erase(c.lose, 1) + "\n" + L1 + L2, said);
        ASSERT_EQ(sets.size(), 1u) << c.field;
        EXPECT_STREQ(sets[0].title, "98067A  ") << c.field;
        EXPECT_EQ(said, "Line 2 at line 3 (object 25544) has no decimal point in column " + std::to_string(c.column) +
                            " (" + c.field + "): set rejected\n");
    }
    // The points alone, in their columns, are enough.
    std::string points = issLine2.substr(0, 7) + std::string(61, ' ');
    for (const tleColumns c : {tle::l2IncPoint, tle::l2RaPoint, tle::l2ApPoint, tle::l2MPoint}) points[c.first - 1] = '.';
    EXPECT_EQ(readSets(L1 + points.replace(52, 11, " 1.00000000") + "\n").size(), 1u);
}

TEST(ElinputRejects, MeanMotionInsideItsOpenRangeOnly) {
    for (auto [text, accepted] : {std::pair{"17.00000000", false}, {"16.99999999", true},
                                  {" 0.01000000", false}, {" 0.01000001", true}, {"-5.49130990", false},
                                  {"19.0e400000", false}, {"xx.xxxxxxxx", false}}) {
        std::string out;
        // Without its check digit, which the new mean motion would not match.
        const size_t n = readSaid(L1 + withField(issLine2.substr(0, 68), tle::l2N, text) + "\n", out).size();
        EXPECT_EQ(n, accepted ? 1u : 0u) << text;
        EXPECT_EQ(out, accepted ? "" : "Invalid element rejected\n") << text;
    }
    // The rejected set's title goes to the next good set.
    const auto sets = readSets("FAST\n" + L1 + withField(issLine2, tle::l2N, "17.00000000") + "\n" + L1 + L2);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_STREQ(sets[0].title, "FAST");
}

TEST(ElinputRejects, ObjectMismatchShowsLineTwoThenTheNextGoodSet) {
    const std::string other2 = withField(issLine2, tle::l2Objno, "25545");
    std::string said;
    const std::vector<element> sets = readSaid("T1\n" + L1 + other2 + "\nT2\n" + L1 + L2, said);
    EXPECT_EQ(said, mismatchHead + "Last line =" + other2 + "=\n");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_STREQ(sets[0].title, "T2");
    // A short line shows its line feed, but not the carriage return before it.
    for (const char* end : {"\n", "\r\n"}) {
        readSaid(L1 + "2 25545" + end, said);
        EXPECT_EQ(said, mismatchHead + "Last line =2 25545\n=\n");
    }
    // The Alpha-5 number of line 1 is compared with line 2's as a number;
    // the message names the set's line 1 and the file.
    collectingSink sink;
    test::readSets("\n" + withField(issLine1, tle::l1Objno, "A0000") + "\n" + withField(issLine2, tle::l2Objno, "B0000") + "\n", sink);
    ASSERT_EQ(sink.messages().size(), 1u);
    EXPECT_EQ(sink.messages()[0].text.substr(32, 32), "inel.objno=100000 objno2=110000\n");
    EXPECT_EQ(sink.messages()[0].line, 2);
    EXPECT_EQ(sink.messages()[0].kind, messageKind::rejected);
}

TEST(ElinputStream, EndsErrorsAndLineEndsLoseNoSet) {
    EXPECT_TRUE(readSets("").empty());
    EXPECT_TRUE(readSets("just a title\n\n").empty());
    EXPECT_TRUE(readSets(L1).empty());
    EXPECT_EQ(readSets(L1 + L2 + L1).size(), 1u);
    EXPECT_EQ(readSets(L1 + issLine2).at(0).revno, 56543);  // no last line feed
    // After CRLF, and bytes after column 69 (NUL among them), nothing changes.
    std::string crlf;
    for (char c : "T\n" + L1 + L2 + L1 + L2) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const auto sets = readSets(crlf + issLine1 + std::string("xx\0yy\n", 6) + issLine2 + std::string("\0z\n", 3));
    ASSERT_EQ(sets.size(), 3u);
    for (const element& e : sets) EXPECT_TRUE(e.elno == 999 && e.revno == 56543 && e.n == 15.49130994);
    EXPECT_STREQ(sets[0].title, "T");
    // A NUL inside the mean motion cuts the field there.
    std::string l2 = issLine2;
    l2[tle::l2N.first + 4] = '\0';
    EXPECT_DOUBLE_EQ(readSet(issLine1, l2).n, 15.49);
    // A stream that cannot be read ends the call.
    std::FILE* w = std::fopen("/dev/null", "w");
    EXPECT_EQ(elinput(w).if_valid, 0);
    std::fclose(w);
}
