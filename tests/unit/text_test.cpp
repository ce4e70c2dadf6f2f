// The grammars every input shares: CSV fields (in turn and picked by
// column), ISO dates against std::chrono, and the line source from memory,
// in blocks and unbuffered; and the message sinks.
#include "formats/text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "formats/messages.h"
#include "support.h"

using namespace morvel;
using namespace morvel::text;

namespace {

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> out;
    csvFields f(line);
    for (std::string_view v; f.next(v);) out.emplace_back(v);
    return out;
}

// Every line of `text` as the source gives it, "|" after each that ended,
// "+" after each too long.
std::string linesOf(lineSource& src) {
    std::string out;
    while (src.next()) out += std::string(src.text()) + (src.ended() ? "|" : "") + (src.tooLong() ? "+" : "");
    return out;
}

std::string linesInBlocks(std::string text, std::size_t longest) {
    std::FILE* fp = fmemopen(text.data(), text.size(), "r");
    lineSource src(fp, longest);
    const std::string out = linesOf(src);
    std::fclose(fp);
    return out;
}

}  // namespace

TEST(Csv, FieldsQuotesAndWhatFollowsAQuote) {
    using v = std::vector<std::string>;
    EXPECT_EQ(fieldsOf(""), v{""});
    EXPECT_EQ(fieldsOf("a,,b,"), (v{"a", "", "b", ""}));
    EXPECT_EQ(fieldsOf("\"a,b\",c"), (v{"a,b", "c"}));
    EXPECT_EQ(fieldsOf("  \"x \"\"y\"\"\" z,w"), (v{"x \"y\"", "w"}));  // blanks before, text after dropped
    EXPECT_EQ(fieldsOf(" a ,\"open"), (v{" a ", "open"}));             // unquoted kept as written; an open quote ends the line
    // A closing quote at the end of the text: what stands after the text is no part of it.
    const std::string wider = "x,\"a\"\"";
    csvFields f(std::string_view(wider).substr(0, 5));
    std::string_view got;
    ASSERT_TRUE(f.next(got) && f.next(got));
    EXPECT_EQ(got, "a");
    EXPECT_EQ(csvQuoted("a,b\"c"), "\"a,b\"\"c\"");
    EXPECT_EQ(fieldsOf(csvQuoted("a,b\"c") + ",d"), (v{"a,b\"c", "d"}));
}

TEST(Csv, ColumnsPickedAsTheFieldsInTurnGiveThem) {
    test::Rng rng{7};
    for (int k = 0; k < 3000; ++k) {
        const int fields = 1 + static_cast<int>(rng.next() % 12);
        std::string line;
        for (int f = 0; f < fields; ++f) {
            if (f > 0) line += ',';
            line += rng.next() % 5 == 0 ? std::string(" ") : std::to_string(rng.next() % 1000);
        }
        int cols[3];
        int n = 0;
        for (int c = 0; c < fields && n < 3; ++c) {
            if (rng.next() % 3 == 0) cols[n++] = c;
        }
        std::string_view got[3];
        const std::vector<std::string> inTurn = fieldsOf(line);
        ASSERT_TRUE(csvColumns(line, fields, cols, n, got)) << line;
        for (int i = 0; i < n; ++i) ASSERT_EQ(got[i], inTurn[cols[i]]) << line << " column " << cols[i];
    }
    // No more columns than asked for are cut.
    const int firstTwo[2] = {0, 1};
    std::string_view two[2] = {"kept", "kept"};
    ASSERT_TRUE(csvColumns("a,b,c,d,e,f,g,h,i,j", 10, firstTwo, 1, two));
    EXPECT_TRUE(two[0] == "a" && two[1] == "kept");
    // A line too short for a column, walked to from its start or its end.
    std::string_view got[1];
    for (const int col : {4, 5}) EXPECT_FALSE(csvColumns("a,b", 10, &col, 1, got)) << col;
}

TEST(IsoTime, EveryDayOfTwoCenturiesInBothFormsAsChronoCountsIt) {
    for (int jd = test::chronoJdn(1950, 1, 1); jd <= test::chronoJdn(2150, 12, 31); ++jd) {
        const std::string day = test::isoDay(jd);
        isoTime t;
        ASSERT_TRUE(parseIsoTime(day, t) && t.dayNumber == jd && !t.hasTime) << day;
        const int year = t.year, doy = t.dayOfYear;
        char ordinal[32];
        std::snprintf(ordinal, sizeof ordinal, "%04d-%03dT23:59:59.123456789Z", year, doy);
        ASSERT_TRUE(parseIsoTime(ordinal, t) && t.dayNumber == jd && t.month == 0) << ordinal;
        ASSERT_TRUE(t.hour == 23 && t.second == 59 && t.fraction == 12345678 && t.scale == 100000000 && t.zone == 'Z');
    }
    for (const char* bad : {"2026-02-29", "2024-02-30", "2026-366T00:00", "2026-000T00:00", "2026-13-01",
                            "2026-01-01T24:00", "2026-01-01T00:60", "2026-01-01T00:00:60", "2026-01-01T00:00:00.",
                            "2026-01-01 00:00", "2026-1-01", "26-01-01", "2026-01-01T0:00", "2026-01-01x"}) {
        isoTime t;
        EXPECT_FALSE(parseIsoTime(bad, t)) << bad;
    }
    EXPECT_EQ(daysInMonth(2024, 2), 29);
    EXPECT_EQ(civilDayNumber(2026, 2, 29), 0);
}

TEST(Lines, TheSameLinesFromMemoryAndInBlocks) {
    // A byte-order mark, CR LF, a lone CR kept inside, a NUL kept, no last line end.
    const std::string text = std::string("\xEF\xBB\xBF" "a\r\nb\rc\n\n") + std::string("d\0e\n", 4) + "last\r";
    const std::string want = "a|b\rc||" + std::string("d\0e|", 4) + "last";
    lineSource memory(text);
    EXPECT_EQ(linesOf(memory), want);
    EXPECT_EQ(linesInBlocks(text, 0), want);
    // Lines longer than the longest kept, across the blocks read: their
    // first characters, marked, the rest dropped; the next line whole.
    const std::string big(200000, 'x');
    EXPECT_EQ(linesInBlocks(big + "\nnext\n" + big, 5), "xxxxx|+next|xxxxx+");
    EXPECT_EQ(linesInBlocks(big + "\nnext", 0), big + "|next");
    EXPECT_EQ(linesInBlocks("1234\r\n12345\r\n", 5), "1234|12345|+");  // the CR counts
}

TEST(Lines, UnbufferedInPiecesReadsNothingAhead) {
    // 126 characters and CR LF fill a piece and are one line; a CR at the
    // end of the file, with no line feed, stays.
    std::string text = std::string(130, 'y') + "\r\nA\r\n" + std::string("B\0C\n", 4) + std::string(126, 'z') +
                       "\r\nrest\r";
    std::FILE* fp = fmemopen(text.data(), text.size(), "r");
    lineSource src = lineSource::unbuffered(fp);
    ASSERT_TRUE(src.next());
    EXPECT_EQ(src.text(), std::string(127, 'y'));
    EXPECT_FALSE(src.ended());
    ASSERT_TRUE(src.next() && src.text() == "yyy" && src.ended());
    ASSERT_TRUE(src.next() && src.text() == "A" && src.ended());
    EXPECT_EQ(std::ftell(fp), 135);  // the stream stands after the line read
    ASSERT_TRUE(src.next() && src.text() == "B");  // a NUL ends the text
    ASSERT_TRUE(src.next() && src.text() == std::string(126, 'z') && src.ended());
    ASSERT_TRUE(src.next() && src.text() == "rest\r" && !src.ended());
    EXPECT_FALSE(src.next() || src.failed());
    std::fclose(fp);
}

TEST(Messages, CollectedWithTheirFactsAndTheTableSinkRestored) {
    collectingSink sink;
    reportf(sink, {messageKind::rejected, "f.csv", 3, 2, "object 7", "MEAN_MOTION", "unreadable", {}}, "%s %d\n",
            std::string(2000, 'z').c_str(), 5);
    ASSERT_EQ(sink.messages().size(), 1u);
    const collectingSink::kept& m = sink.messages()[0];
    EXPECT_TRUE(m.file == "f.csv" && m.line == 3 && m.record == 2 && m.object == "object 7" &&
                m.keyword == "MEAN_MOTION" && m.problem == "unreadable");
    EXPECT_EQ(m.text, std::string(1023, 'z'));  // cut to 1023 characters
    setTableMessages(&sink);
    EXPECT_EQ(&tableMessages(), &sink);
    setTableMessages(nullptr);
    EXPECT_EQ(&tableMessages(), &console());
}

TEST(Messages, OneLineEachNamingFilePlaceAndProblem) {
    // The facts where the kind has them; the console text, on one line,
    // where it names all already; a control character never breaks a line.
    const struct { message m; const char* want; } cases[] = {
        {{messageKind::rejected, "x.csv", 3, 2, "object 7 B", "MEAN_MOTION", "\"abc\" unreadable", "Record 2 ..\n"},
         "x.csv:3: record 2 (object 7 B) rejected: MEAN_MOTION \"abc\" unreadable"},
        {{messageKind::rejected, "s.tle", 4, 0, "object 5", "line 2", "is missing", "A\nB\n"},
         "s.tle:4: set (object 5) rejected: line 2 is missing"},
        {{messageKind::rejected, "s.tle", 0, 0, {}, {}, "no line", {}}, "s.tle: set rejected: no line"},
        {{messageKind::cut, "c", 9, 0, {}, {}, "file ends", {}}, "c:9: file ends: that record is lost"},
        {{messageKind::fault, "f", 2, 0, {}, "XML", "bad tag", {}}, "f:2: XML bad tag: the rest of the file is not read"},
        {{messageKind::note, {}, 7, 0, {}, "check digit", "wrong", {}}, "line 7: check digit wrong"},
        {{messageKind::skippedLine, "k", 5, 0, {}, {}, "not KEYWORD = value", {}}, "k:5: line skipped: not KEYWORD = value"},
        {{messageKind::refused, "sw.csv", 0, 0, {}, {}, "DATE", "File sw.csv lacks DATE\n"}, "File sw.csv lacks DATE"},
        {{messageKind::outOfRange, {}, 0, 0, {}, "z", "outside 0..3", "J>Invalid value\n"}, "J>Invalid value"},
        {{messageKind::note, {}, 0, 0, {}, {}, {}, "\nOne\n\ntwo\n\n"}, "One; two"},
        {{messageKind::rejected, "a\nb.tle", 1, 0, {}, {}, "x\ty\r", {}}, "a b.tle:1: set rejected: x\ty "},
    };
    for (const auto& c : cases) EXPECT_EQ(oneLine(c.m), c.want);
}

TEST(Messages, LineSinkWritesOneLineEachAndCountsWhatWasLost) {
    std::FILE* fp = std::tmpfile();
    lineSink sink(fp, "prog");
    for (const messageKind k : {messageKind::rejected, messageKind::cut, messageKind::fault, messageKind::note})
        sink.report({k, "f", 1, 0, {}, {}, "p", "x\ny\n"});
    EXPECT_EQ(sink.rejected(), 2);
    char buf[512] = {};
    std::rewind(fp);
    EXPECT_EQ(std::string(buf, std::fread(buf, 1, sizeof buf, fp)),
              "prog: f:1: set rejected: p\nprog: f:1: p: that record is lost\n"
              "prog: f:1: p: the rest of the file is not read\nprog: f:1: p\n");
    std::fclose(fp);
}
