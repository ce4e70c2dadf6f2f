// OMM input: recognition by content, the record mapping, and the real
// CelesTrak and conformance-corpus samples in every encoding.
#include "formats/omm.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "cal.h"
#include "formats/elfile.h"
#include "numtext.h"
#include "support.h"

using namespace morvel;

namespace {

struct readOut {
    std::vector<element> sets;
    std::string console;
};

// Every accepted set of an open stream, and the console text of the
// messages the reading reported.
readOut read(std::FILE* fp) {
    readOut r;
    if (fp == nullptr) return r;
    collectingSink said;
    {
        elfile in(fp, said, "f");
        for (element el = in.next(); el.if_valid == 1; el = in.next()) r.sets.push_back(el);
    }
    for (const auto& m : said.messages()) EXPECT_EQ(m.file, "f") << m.text;
    r.console = said.consoleText();
    std::fclose(fp);
    return r;
}
readOut readText(const std::string& t) { return read(fmemopen(const_cast<char*>(t.data()), t.size(), "r")); }
readOut readFile(const std::string& name) {
    std::FILE* fp = std::fopen((MORVEL_TEST_DATA "/omm/" + name).c_str(), "r");
    EXPECT_NE(fp, nullptr) << name;
    return read(fp);
}

// The fields of a set as text, doubles to 17 digits: two sets compare bit for bit, and a difference shows.
std::string fields(const element& e) {
    char s[512];
    std::snprintf(s, sizeof s, "%d %c [%s] [%s] %d %d %.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g %.17g",
                  e.objno, e.type, e.objid, e.title, e.elno, e.revno, e.epoch, e.nrate, e.nrate2, e.bstar, e.inc,
                  e.ra, e.ecc, e.ap, e.m, e.n);
    return s;
}

const std::string csvHeader =
    "OBJECT_NAME,OBJECT_ID,EPOCH,MEAN_MOTION,ECCENTRICITY,INCLINATION,RA_OF_ASC_NODE,ARG_OF_PERICENTER,"
    "MEAN_ANOMALY,EPHEMERIS_TYPE,CLASSIFICATION_TYPE,NORAD_CAT_ID,ELEMENT_SET_NO,REV_AT_EPOCH,BSTAR,"
    "MEAN_MOTION_DOT,MEAN_MOTION_DDOT\n";

// A CSV row of SARAMAGO's first set with number `no`, name `name` and one
// column (by its place in the header) replaced when `col` >= 0.
std::string csvRow(const std::string& name, const std::string& no, int col = -1, const std::string& value = "") {
    std::vector<std::string> v = {name,      "2026-067CY", "2026-07-14T21:45:20.933856", "15.20467281", "0.00055903",
                                  "97.4593", "154.097",    "270.5113", "89.5482", "0", "U", no, "999", "1591",
                                  "0.00022159168", "0.0000477", "0"};
    if (col >= 0) v[col] = value;
    std::string s;
    for (std::size_t k = 0; k < v.size(); ++k) s += (k ? "," : "") + v[k];
    return s + "\n";
}

}  // namespace

TEST(OmmRecognise, SignaturesAndTitlesThatOnlyLookLikeThem) {
    const struct { const char* text; elformat want; } cases[] = {
        {"[DEBRIS]\n1 00005U 58002B   ...", elformat::tle}, {"<none>\n1 00005U", elformat::tle},
        {"<omm-like title\n", elformat::tle}, {"[]\n", elformat::tle}, {"CCSDS_OMM_VERS\n", elformat::tle},
        {"OBJECT_NAME,EPOCH,MEAN_MOTION\n", elformat::tle},  // no NORAD_CAT_ID
        {"ISS (ZARYA),NORAD_CAT_ID,EPOCH,MEAN_MOTION\n", elformat::tle},
        {"NORAD_CAT_ID,EPOCH,MEAN_MOTION\r\n1,2,3", elformat::csv},
        {"\xEF\xBB\xBF\"NORAD_CAT_ID\",\"EPOCH\",\"MEAN_MOTION\",\"RMS\"\n", elformat::csv},
        {"\xEF\xBB\xBFNORAD_CAT_ID,EPOCH,MEAN_MOTION", elformat::csv},  // the header alone, no line end
        {"\n  [ {\"OBJECT_NAME\":\"X\"}]", elformat::json}, {"{\n \"CCSDS_OMM_VERS\": \"2.0\"}", elformat::json},
        {"[{\"name\":1}]", elformat::tle},
        {"<?xml version=\"1.0\"?>\r\n<!-- c -->\r\n<ndm xmlns:xsi=\"x\">", elformat::xml},
        {"<omm id=\"CCSDS_OMM_VERS\" version=\"3.0\">", elformat::xml},
        {"<?xml version=\"1.0\"?><ndmx>", elformat::tle}, {"\r\n\r\nCCSDS_OMM_VERS = 2.0\r\n", elformat::kvn},
        {"CCSDS_OMM_VERS\t=3.0", elformat::kvn}, {"", elformat::tle},
    };
    for (const auto& c : cases) EXPECT_EQ(recognise(c.text, std::strlen(c.text)), c.want) << c.text;
}

TEST(OmmEpoch, SameDoubleAsTheTleReaderForTheSameInstant) {
    // Every 1e-8 day of a TLE epoch is 864 microseconds: the two texts name
    // the same instant, and the reader must give the very same double.
    test::Rng rng{12345};
    for (int k = 0; k < 20000; ++k) {
        const int year = 1957 + static_cast<int>(rng.next() % 100), doy = 1 + k % 365;
        const long long frac8 = static_cast<long long>(rng.next() % 100000000), us = frac8 * 864;
        char tleDay[32], ordinal[64], civil[96];
        std::snprintf(tleDay, sizeof tleDay, "%03d.%08lld", doy, frac8);
        double day = 0, got = 0;
        scanDecimal(tleDay, day);
        const double want = ep2jd(1000 * (year % 100) + day);
        std::snprintf(ordinal, sizeof ordinal, "%04d-%03dT%02lld:%02lld:%02lld.%06lldZ", year, doy,
                      us / 3600000000LL, us / 60000000LL % 60, us / 1000000 % 60, us % 1000000);
        const date d = cal_civil(cal_julian({year, 1, 1}) + doy - 1);  // the calendar form of the same instant
        std::snprintf(civil, sizeof civil, "%04d-%02d-%02dT%s", d.year, d.month, d.day, ordinal + 9);
        ASSERT_EQ(omm::epochOf(ordinal, got) ? got : -1.0, want) << ordinal << " against " << tleDay;
        ASSERT_EQ(omm::epochOf(civil, got) ? got : -1.0, want) << civil << " against " << tleDay;
    }
}

TEST(OmmEpoch, FormsAcceptedAndRefused) {
    const struct { const char* text; bool ok; double jd; } cases[] = {  // the day number when accepted
        {"2000-01-01T00:00:00", true, 2451545.0}, {"2000-01-01T12:00:00.5Z", true, 2451545.0 + 43200.5 / 86400},
        {"2000-001T18:00", true, 2451545.75},     {"2024-02-29T00:00:00", true, 2460370.0},
        {"2024-366T00:00:00", true, 2460676.0},   {"2056-12-31T00:00:00", true, 2472364.0},
        {"1957-01-01T00:00:00", true, 2435840.0}, {"2026-02-29T00:00:00", false, 0},
        {"2026-366T00:00:00", false, 0},          {"1956-12-31T00:00:00", false, 0},
        {"2057-01-01T00:00:00", false, 0},        {"2026-01-01T24:00:00", false, 0},
        {"2026-01-01T00:60:00", false, 0},        {"2026-01-01T00:00:00.", false, 0},
        {"2026-01-01 00:00:00", false, 0},        {"2026-01-01", false, 0},
        {"26-01-01T00:00:00", false, 0},          {"2026-13-01T00:00:00", false, 0},
    };
    for (const auto& c : cases) {
        double jd = 0;
        EXPECT_EQ(omm::epochOf(c.text, jd), c.ok) << c.text;
        if (c.ok) { EXPECT_NEAR(jd, c.jd, 1e-9) << c.text; }
    }
}

TEST(OmmDesignator, ColumnsOfLineOne) {
    const struct { const char* text; bool ok; const char* objid; } cases[] = {
        {"1998-067A", true, "98067A  "}, {"2026-067CY", true, "26067CY "}, {"1957-001ABC", true, "57001ABC"},
        {"", true, "        "},          {"98067A", false, ""},            {"1998-067", false, ""},
        {"1998-067ABCD", false, ""},     {"1998-67A", false, ""},          {"1998-067a", false, ""},
    };
    for (const auto& c : cases) {
        char objid[9];
        EXPECT_EQ(omm::designatorOf(c.text, objid), c.ok) << c.text;
        if (c.ok) { EXPECT_STREQ(objid, c.objid) << c.text; }
    }
}

TEST(OmmSamples, SixDigitNumbersAsCelesTrakServesThem) {
    const readOut r = readFile("celestrak-active-six-digit.json");
    ASSERT_EQ(r.sets.size(), 34u) << r.console;
    EXPECT_EQ(r.console, "");
    int sixDigit = 0;
    for (const element& el : r.sets) sixDigit += el.objno >= 100000;
    EXPECT_EQ(sixDigit, 29);
    EXPECT_TRUE(r.sets[4].objno == 69998 && r.sets.back().objno == 100682) << r.sets.back().objno;
    EXPECT_STREQ(r.sets.back().title, "GLOBAL-35");
    // SARAMAGO, number 100000, as the file gives it; negative B* and mean-motion derivatives as given.
    const element& s = r.sets[5];
    EXPECT_EQ(std::tuple(s.objno, std::string(s.title), std::string(s.objid), s.type, s.elno, s.revno),
              std::tuple(100000, std::string("SARAMAGO"), std::string("26067CY "), 'U', 999, 2514));
    EXPECT_EQ(std::tuple(s.n, s.ecc, s.bstar, s.nrate, s.nrate2, r.sets[0].bstar, r.sets[0].nrate),
              std::tuple(15.21316029, 0.0009599, 0.00037007926, 8.225e-05, 0.0, -0.023168825, -0.0142262));
    EXPECT_NEAR(jd2ep(s.epoch), 26256.0 + (15 * 3600 + 12 * 60 + 13.226688) / 86400, 1e-9);
}

TEST(OmmSamples, ActiveGroupHasTheObjectsOfItsTleSnapshot) {
    const readOut omm = readFile("celestrak-active-2026-06-22.json"), tle = readFile("celestrak-active-2026-05-07.tle");
    ASSERT_TRUE(omm.sets.size() == 116 && tle.sets.size() == 116) << omm.console;
    for (std::size_t k = 0; k < omm.sets.size(); ++k) {
        const element &a = omm.sets[k], &b = tle.sets[k];
        std::string title = b.title;  // the TLE's name line is padded to 24
        title.erase(title.find_last_not_of(' ') + 1);
        // The same object, 31.6 to 50.4 days later, as the sources say.
        EXPECT_TRUE(a.objno == b.objno && std::strcmp(a.objid, b.objid) == 0 && title == a.title &&
                    a.epoch - b.epoch > 31.5 && a.epoch - b.epoch < 50.5) << k << " " << a.title;
    }
}

TEST(OmmSamples, EveryKvnVariantGivesTheRecordOfTheCsvAndJson) {
    const readOut csv = readFile("unedited-rows.csv"), json = readFile("unedited-array.json");
    ASSERT_TRUE(csv.sets.size() == 3 && json.sets.size() == 3) << csv.console << json.console;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(fields(csv.sets[k]), fields(json.sets[k])) << "csv/json " << k;
    EXPECT_TRUE(csv.sets[0].objno == 25544 && csv.sets[2].objno == 69999 && csv.sets[0].nrate == -0.00003657);
    for (const char* f : {"v01-baseline-reserialised.kvn", "v02-day-of-year-epoch-Z.kvn",
                          "v03-units-brackets-leading-zeros.kvn", "v04-comments-blank-lines-whitespace-LF.kvn",
                          "v06-signed-integers-lowercase-exponent.kvn"}) {
        const readOut kvn = readFile(f);
        ASSERT_TRUE(kvn.sets.size() == 1 && kvn.console.empty()) << f << kvn.console;
        EXPECT_EQ(fields(kvn.sets[0]), fields(csv.sets[0])) << f;
    }
    // OMM 3.0 lets the TLE parameters go; without a catalogue number the
    // set has no place in a decay list or a TLE file.
    const readOut v05 = readFile("v05-omm-3.0-header-optional-keywords-omitted.kvn");
    EXPECT_EQ(v05.sets.size(), 0u);
    EXPECT_EQ(v05.console, "Record 1 at line 1 (ISS (ZARYA)) rejected: NORAD_CAT_ID missing\n");
}

TEST(OmmRecords, FaultsNameTheRecordAndTheKeywordAndLoseNothingElse) {
    const struct { int col; const char* value; const char* message; } cases[] = {
        {3, "abc", "MEAN_MOTION \"abc\" unreadable"}, {3, "", "MEAN_MOTION missing"},
        {4, "1e999", "ECCENTRICITY \"1e999\" unreadable"}, {2, "2026-07-14", "EPOCH \"2026-07-14\" unreadable"},
        {1, "26067CY", "OBJECT_ID \"26067CY\" unreadable"}, {10, "UU", "CLASSIFICATION_TYPE \"UU\" unreadable"},
        {10, "~", "CLASSIFICATION_TYPE \"~\" unreadable"},
        {12, "1.5", "ELEMENT_SET_NO \"1.5\" unreadable"}, {15, "0x1p-4", "MEAN_MOTION_DOT \"0x1p-4\" unreadable"},
    };
    for (const auto& c : cases) {
        const readOut r = readText(csvHeader + csvRow("A", "6") + csvRow("B", "7", c.col, c.value) + csvRow("C", "8"));
        EXPECT_EQ(r.console, std::string("Record 2 at line 3 (object 7 B) rejected: ") + c.message + "\n");
        ASSERT_EQ(r.sets.size(), 2u) << c.message;
        EXPECT_TRUE(r.sets[0].objno == 6 && r.sets[1].objno == 8) << c.message;
    }
}

TEST(OmmRecords, LimitsOfOneSet) {
    // The mean motion rule of every element set, the ephemeris type, catalogue numbers of up to nine digits.
    const struct { int col; const char* value; const char* console; } cases[] = {  // null: accepted
        {3, "17", "Invalid element rejected\n"}, {3, "0.01", "Invalid element rejected\n"},
        {3, "-1", "Invalid element rejected\n"}, {3, "16.99999999", nullptr}, {9, "9", nullptr}, {16, "+0", nullptr},
        {9, "10", "Record 1 at line 2 (object 6 A) rejected: EPHEMERIS_TYPE \"10\" unreadable\n"},
        {11, "999999999", nullptr},
        {11, "1234567890",
         "Record 1 at line 2 (object 1234567890 A) rejected: NORAD_CAT_ID \"1234567890\" unreadable\n"},
    };
    for (const auto& c : cases) {
        const readOut r = readText(csvHeader + csvRow("A", "6", c.col, c.value));
        EXPECT_EQ(r.sets.size(), c.console ? 0u : 1u) << c.value;
        EXPECT_EQ(r.console, c.console ? c.console : "") << c.value;
    }
    // Empty columns: element set number and revolution 0, unclassified; the
    // first letter of each case.
    const readOut r = readText(csvHeader + "A,,2026-07-14T21:45:20,15.2,0.0005,97,154,270,89,,,6,,,0.0002,0.00005,0\n" +
                               csvRow("B", "7", 10, "a") + csvRow("C", "8", 10, "A"));
    ASSERT_EQ(r.sets.size(), 3u) << r.console;
    EXPECT_TRUE(r.sets[0].elno == 0 && r.sets[0].revno == 0 && r.sets[0].type == 'U' && r.sets[1].type == 'a' &&
                r.sets[2].type == 'A');
}

TEST(OmmRecords, OnlyTheMeanElementsOfSgp4InTemeUtcAboutTheEarth) {
    const struct { const char* key; const char* value; bool ok; } cases[] = {
        {"MEAN_ELEMENT_THEORY", "SGP4", true}, {"MEAN_ELEMENT_THEORY", "SGP/SGP4", true},
        {"MEAN_ELEMENT_THEORY", "DSST", false}, {"MEAN_ELEMENT_THEORY", "SGP4-XP", false},
        {"REF_FRAME", "TEME", true}, {"REF_FRAME", "GCRF", false}, {"TIME_SYSTEM", "UTC", true},
        {"TIME_SYSTEM", "TAI", false}, {"CENTER_NAME", "EARTH", true}, {"CENTER_NAME", "MOON", false},
    };
    const std::string row = csvRow("A", "6");
    for (const auto& c : cases) {
        const readOut r = readText(csvHeader.substr(0, csvHeader.size() - 1) + "," + c.key + "\n" +
                                   row.substr(0, row.size() - 1) + "," + c.value + "\n");
        EXPECT_EQ(r.sets.size(), c.ok ? 1u : 0u) << c.key << c.value;
        EXPECT_EQ(r.console, c.ok ? "" : std::string("Record 1 at line 2 (object 6 A) rejected: ") + c.key + " " +
                                             c.value + " is not one this theory can use\n");
    }
}

TEST(OmmRecords, EncodingsAgreeOnOneRecordWithNumbersAsStringsAndUnknownKeys) {
    // Space-Track writes numbers as strings and adds keys of its own; the
    // XML of an analyst object has an empty designator; KVN may carry units.
    const std::string json =
        "\xEF\xBB\xBF[{\"CCSDS_OMM_VERS\":\"2.0\",\"OBJECT_NAME\":\"\\u0041\",\"OBJECT_ID\":\"\","
        "\"EPOCH\":\"2026-07-14T21:45:20.933856\",\"MEAN_MOTION\":\"+15.20467281\",\"ECCENTRICITY\":\".00055903\","
        "\"INCLINATION\":97.4593,\"RA_OF_ASC_NODE\":154.097,\"ARG_OF_PERICENTER\":\"270.5113\","
        "\"MEAN_ANOMALY\":89.5482,\"CLASSIFICATION_TYPE\":\"U\",\"NORAD_CAT_ID\":\"270449\",\"ELEMENT_SET_NO\":\"999\","
        "\"REV_AT_EPOCH\":1591,\"BSTAR\":2.2159168E-4,\"MEAN_MOTION_DOT\":4.77e-5,\"MEAN_MOTION_DDOT\":0,"
        "\"PERIOD\":94.7,\"TLE_LINE1\":[1,2],\"DECAY_DATE\":null}]";
    const std::string xml =
        "<?xml version=\"1.0\"?>\r\n<omm id=\"CCSDS_OMM_VERS\" version=\"2.0\"><header><CREATION_DATE/>"
        "</header><body><segment><metadata><OBJECT_NAME>A</OBJECT_NAME><OBJECT_ID/><MEAN_ELEMENT_THEORY>"
        "SGP4</MEAN_ELEMENT_THEORY></metadata><data><meanElements><EPOCH>2026-195T21:45:20.933856</EPOCH>"
        "<MEAN_MOTION units=\"rev/day\">15.20467281</MEAN_MOTION><ECCENTRICITY>5.5903e-4</ECCENTRICITY>"
        "<INCLINATION>97.4593</INCLINATION><RA_OF_ASC_NODE>154.097</RA_OF_ASC_NODE><ARG_OF_PERICENTER>"
        "270.5113</ARG_OF_PERICENTER><MEAN_ANOMALY>89.5482</MEAN_ANOMALY></meanElements><tleParameters>"
        "<NORAD_CAT_ID>270449</NORAD_CAT_ID><ELEMENT_SET_NO>999</ELEMENT_SET_NO><REV_AT_EPOCH>"
        "1591</REV_AT_EPOCH><BSTAR>.00022159168</BSTAR><MEAN_MOTION_DOT>.0000477</MEAN_MOTION_DOT>"
        "<MEAN_MOTION_DDOT>0</MEAN_MOTION_DDOT></tleParameters></data></segment></body></omm>";
    const std::string kvn =
        "CCSDS_OMM_VERS = 2.0\r\nOBJECT_NAME = A\r\nOBJECT_ID = \r\nEPOCH = 2026-07-14T21:45:20.933856Z\r\n"
        "MEAN_MOTION = 15.20467281 [rev/day]\r\nECCENTRICITY = 0.00055903\r\nINCLINATION = 97.4593 [deg]\r\n"
        "RA_OF_ASC_NODE = 154.097\r\nARG_OF_PERICENTER = 270.5113\r\nMEAN_ANOMALY = 89.5482\r\n"
        "NORAD_CAT_ID = 270449\r\nELEMENT_SET_NO = 999\r\nREV_AT_EPOCH = 1591\r\nBSTAR = 0.22159168e-3\r\n"
        "MEAN_MOTION_DOT = 0.0000477\r\nMEAN_MOTION_DDOT = 0";
    // The CSV without its last line end.
    const std::string row = csvRow("A", "270449", 1, "");
    const readOut csv = readText(csvHeader + row.substr(0, row.size() - 1));
    ASSERT_EQ(csv.sets.size(), 1u) << csv.console;
    EXPECT_STREQ(csv.sets[0].objid, "        ");
    for (const std::string& t : {json, xml, kvn}) {
        const readOut r = readText(t);
        ASSERT_TRUE(r.sets.size() == 1 && r.console.empty()) << r.console << t;
        EXPECT_EQ(fields(r.sets[0]), fields(csv.sets[0])) << t;
    }
}

TEST(OmmRecords, SeveralMessagesPerFileAndTheSameSetsOnEveryReading) {
    // Two KVN messages with a bad one between, and nine-digit numbers.
    std::string kvn;
    for (const char* no : {"123456789", "x", "100000"}) {
        kvn += std::string("CCSDS_OMM_VERS = 2.0\nCOMMENT one\nOBJECT_NAME = A\nOBJECT_ID = 2026-067CY\n") +
               "EPOCH = 2026-07-14T21:45:20\nMEAN_MOTION = 15.2\nECCENTRICITY = 0.0005\nINCLINATION = 97\n"
               "RA_OF_ASC_NODE = 154\nARG_OF_PERICENTER = 270\nMEAN_ANOMALY = 89\nBSTAR = 0.0002\n"
               "MEAN_MOTION_DOT = 0.00005\nMEAN_MOTION_DDOT = 0\nNORAD_CAT_ID = " + no + "\n\n";
    }
    const readOut first = readText(kvn), again = readText(kvn);
    EXPECT_EQ(first.console, "Record 2 at line 17 (object x A) rejected: NORAD_CAT_ID \"x\" unreadable\n");
    EXPECT_EQ(again.console, first.console);
    ASSERT_TRUE(first.sets.size() == 2 && again.sets.size() == 2) << first.console;
    EXPECT_TRUE(first.sets[0].objno == 123456789 && first.sets[1].objno == 100000);
    for (int k = 0; k < 2; ++k) EXPECT_EQ(fields(again.sets[k]), fields(first.sets[k])) << "again " << k;
}

TEST(OmmRecords, CsvFilesPutOneAfterAnotherReadAsOne) {
    // The second file's header repeated (after a byte-order mark), the third's in another column order; a
    // bad row between them is still named by its record and line.
    const std::string row = csvRow("C", "3");
    const std::string reordered = csvHeader.substr(12, csvHeader.size() - 13) + ",OBJECT_NAME\n";
    const std::string moved = row.substr(2, row.size() - 3) + ",C\n";
    const readOut r = readText(csvHeader + csvRow("A", "1") + "\xEF\xBB\xBF" + csvHeader + csvRow("B", "2") +
                               csvRow("B", "x", 11, "x") + reordered + moved);
    ASSERT_EQ(r.sets.size(), 3u) << r.console;
    EXPECT_EQ(r.console, "Record 3 at line 5 (object x B) rejected: NORAD_CAT_ID \"x\" unreadable\n");
    EXPECT_EQ(fields(r.sets[2]), fields(readText(csvHeader + csvRow("C", "3")).sets.at(0)));
    EXPECT_TRUE(r.sets[0].objno == 1 && r.sets[1].objno == 2 && r.sets[2].objno == 3);
}

TEST(OmmRecords, FaultsAndCutsOfEachEncodingKeepTheRecordsBefore) {
    const std::string good = csvRow("A", "6"), cut = "Element file ends inside a record at line ";
    const struct { readOut r; std::size_t sets; int lastObjno; std::string console; } cases[] = {
        {readFile("c5-cut-last-row.csv"), 2, 20453, cut + "4: that record is lost\n"},
        // Only the array's close is missing: nothing is lost, and the message says so.
        {readFile("c5-cut-closing-bracket.json"), 3, 69999,
         "Element file ends at line 1 before the close of its list: every record kept\n"},
        {readText("[{\"NORAD_CAT_ID\":1},\n"), 0, 0, "Record 1 at line 1 (object 1) rejected: EPOCH missing\n"
                                                 "Element file ends at line 1 before the close of its list: every record kept\n"},
        {readText("[{\"NORAD_CAT_ID\":1},\n{\"OBJECT_NAME\":\"ISS"), 0, 0,  // cut in a string
         "Record 1 at line 1 (object 1) rejected: EPOCH missing\n" + cut + "2: that record is lost\n"},
        {readText("<ndm>\n<omm><body><segment><metadata><OBJECT_NAME>A</OBJECT_NAME>\n"), 0, 0,
         cut + "3: that record is lost\n"},
        {readText(csvHeader + good + "B,,x\n" + good), 2, 6,
         "Record 2 at line 3 (B) rejected: row has 3 columns, the header 17\n"},
        {readText(csvHeader + good + std::string("B\0,x\n", 5) + good), 2, 6,  // a NUL cuts the row's text
         "Record 2 at line 3 (B) rejected: row has 1 columns, the header 17\n"},
        {readText(csvHeader + good + std::string(9000, 'x') + "\n" + good), 2, 6,
         "Record 2 at line 3 (no number or name) rejected: line too long\n"},
        {readText("[{\"NORAD_CAT_ID\":6,\n\"EPOCH\":\"2026-07-14T21:45:20\"},\n{\"NORAD_CAT_ID\":7,\n\"X\":1}]"), 0, 0,
         "Record 1 at line 1 (object 6) rejected: MEAN_MOTION missing\n"
         "Record 2 at line 3 (object 7) rejected: EPOCH missing\n"},
        {readText("[{\"NORAD_CAT_ID\":6},\n{\"NORAD_CAT_ID\":7 \"EPOCH\":1}]"), 0, 0,  // then the parser's own words
         "Record 1 at line 1 (object 6) rejected: EPOCH missing\nJSON fault at line 2: "},
        {readText("<ndm>\n<omm><NORAD_CAT_ID>6</NORAD_CAT_ID></omm>\n<omm></ndm>"), 0, 0,
         "Record 1 at line 2 (object 6) rejected: EPOCH missing\nXML fault at line 3: mismatched tag\n"},
        {readText("CCSDS_OMM_VERS = 2.0\nNORAD_CAT_ID = 6\nnot a value line\n_START\n"), 0, 0,
         "Line 3 of the element file is not KEYWORD = value: skipped\n"
         "Line 4 of the element file is not KEYWORD = value: skipped\n"
         "Record 1 at line 1 (object 6) rejected: EPOCH missing\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.r.console.substr(0, c.console.back() == ' ' ? c.console.size() : std::string::npos), c.console);
        ASSERT_EQ(c.r.sets.size(), c.sets) << c.console;
        EXPECT_TRUE(c.sets == 0 || c.r.sets.back().objno == c.lastObjno) << c.console;
    }
}
