// OMM output: each encoding's writer read back by the readers to the very
// values written, CelesTrak's keywords in their order and the title line's
// heights after them, and the sets no text can hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "eloutput.h"
#include "formats/elfile.h"
#include "support.h"

using namespace morvel;

namespace {

constexpr elformat encodings[] = {elformat::csv, elformat::json, elformat::xml, elformat::kvn};

// The file the writer makes of `sets` in `f`; every set must be written.
std::string written(elformat f, const std::vector<element>& sets) {
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* fp = open_memstream(&buf, &len);
    {
        ommWriter w(fp, f);
        for (const element& e : sets) EXPECT_EQ(w.write(e), omm::key::other) << e.objno;
        w.finish();
    }
    std::fclose(fp);
    std::string text(buf, len);
    std::free(buf);
    return text;
}

// Every set the readers take from `text`, which must pass over nothing.
std::vector<element> readBack(std::string text) {
    collectingSink said;
    std::vector<element> sets;
    std::FILE* fp = fmemopen(text.data(), text.size(), "r");
    {
        elfile in(fp, said, "w");
        for (element e = in.next(); e.if_valid == 1; e = in.next()) sets.push_back(e);
    }
    std::fclose(fp);
    EXPECT_EQ(said.consoleText(), "");
    return sets;
}

// The fields of a set, doubles in hexadecimal: equal texts, equal bits.
std::string bits(const element& e) {
    char s[640];
    std::snprintf(s, sizeof s, "%d %c [%s] [%s] %d %d %a %a %a %a %a %a %a %a %a %a", e.objno, e.type, e.objid,
                  e.title, e.elno, e.revno, e.epoch, e.nrate, e.nrate2, e.bstar, e.inc, e.ra, e.ecc, e.ap, e.m, e.n);
    return s;
}

// A set of random values over the ranges the readers take: full-precision
// doubles of many magnitudes, an epoch anywhere from 1957 to 2056, names
// with the characters of every encoding's markup, designators and
// classifications of every form. `want` is the set the readers must give.
void randomSet(test::Rng& rng, element& e, element& want) {
    e = element{};
    e.if_valid = 1;
    auto signedPower = [&](double lo, double hi) {
        return (rng.next() % 2 ? -1 : 1) * std::pow(10.0, rng.uniform(lo, hi));
    };
    e.epoch = rng.uniform(2435840.0, 2472364.999);  // 1957 January 1 to 2056 December 31
    e.n = rng.uniform(0.0101, 16.99);
    e.ecc = rng.uniform(0, 0.99);
    e.inc = rng.uniform(0, 180);
    e.ra = rng.uniform(-720, 720);
    e.ap = signedPower(-3, 4);
    e.m = rng.uniform(0, 360);
    e.bstar = signedPower(-12, 1);
    e.nrate = signedPower(-14, 0);
    e.nrate2 = rng.next() % 4 ? signedPower(-20, -5) : 0.0;
    e.objno = static_cast<int>(rng.next() % 1000000000);
    e.elno = static_cast<int>(rng.next() % 20000) - 10000;
    e.revno = static_cast<int>(rng.next() % 2000000);
    e.type = "UCSu5 "[rng.next() % 6];
    const char* designators[] = {"98067A  ", "57001ABC", "00001CY ", "        ", "98067   ", "9806 A  ", "98067a  "};
    const int d = static_cast<int>(rng.next() % 7);
    std::strcpy(e.objid, designators[d]);
    std::string title = " ";
    const char chars[] = "AZ09 -(),\"&<>\\=[]/'\t\x01\xc3\xa9";
    for (int k = 0, len = 1 + static_cast<int>(rng.next() % 60); k < len; ++k) title += chars[rng.next() % (sizeof chars - 1)];
    title += 'X';  // never blank
    std::strcpy(e.title, title.c_str());

    want = e;
    if (d >= 4) std::strcpy(want.objid, "        ");  // no designator form: written empty
    if (e.type == '5' || e.type == ' ') want.type = 'U';
    std::string name(text::trim(title));
    for (char& c : name) c = c >= ' ' && c <= '~' ? c : '?';
    std::strcpy(want.title, name.c_str());
}

}  // namespace

TEST(OmmWrite, EverySetReadsBackToTheVeryValuesWritten) {
    // Random sets, then every set of the catalogue snapshot as read.
    test::Rng rng{2026};
    std::vector<element> sets, want;
    for (int k = 0; k < 4000; ++k) {
        element e, w;
        randomSet(rng, e, w);
        sets.push_back(e);
        want.push_back(w);
    }
    for (const element& e : test::readSets(test::dataFile("catalogue-2026-05-07.tle"))) {
        sets.push_back(e);
        want.push_back(e);
        std::string title(text::trim(e.title));
        std::strcpy(want.back().title, title.c_str());
    }
    for (const elformat f : encodings) {
        const std::vector<element> got = readBack(written(f, sets));
        ASSERT_EQ(got.size(), want.size()) << formatName(f);
        for (std::size_t k = 0; k < got.size(); ++k) {
            ASSERT_EQ(bits(got[k]), bits(want[k])) << formatName(f) << " set " << k;
        }
    }
}

TEST(OmmWrite, KeywordsInTheOrderOfCelesTraksFiles) {
    const std::string user[] = {"USER_DEFINED_APOGEE", "USER_DEFINED_PERIGEE"};
    auto keys = [](const std::string& text, const std::regex& key) {
        std::vector<std::string> out;
        for (std::sregex_iterator k(text.begin(), text.end(), key), end; k != end; ++k) {
            out.push_back((*k)[1].str() + ((*k)[2].matched ? "_" + (*k)[2].str() : ""));
        }
        return out;
    };
    // CSV: CelesTrak's header; JSON: the keys of its first record; KVN:
    // CelesTrak's KVN message; XML: the same keywords as KVN, in the same
    // order. Then the heights, as the title line gives them.
    const std::string csvFile = test::dataFile("omm/unedited-rows.csv");
    std::string csvHeader = csvFile.substr(0, csvFile.find_first_of("\r\n"));
    for (const std::string& u : user) csvHeader += "," + u;
    const std::string csv = written(elformat::csv, {test::iss()});
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), csvHeader);
    EXPECT_EQ(csv.find('"'), std::string::npos) << csv;  // only a comma or a quote is quoted
    long apogee = 0, perigee = 0;
    ASSERT_EQ(std::sscanf(test::written(test::iss())[0].c_str() + 49, "%ld x %ld km", &apogee, &perigee), 2);
    EXPECT_TRUE(csv.ends_with("," + std::to_string(apogee) + "," + std::to_string(perigee) + "\r\n")) << csv;
    const std::regex jsonKey("\"([A-Z_]+)\":"), kvnKey("(?:^|\n)([A-Z_]+) *=");
    const std::string jsonFile = test::dataFile("omm/unedited-array.json");
    std::vector<std::string> want = keys(jsonFile.substr(0, jsonFile.find('}')), jsonKey);
    want.insert(want.end(), std::begin(user), std::end(user));
    EXPECT_EQ(keys(written(elformat::json, {test::iss()}), jsonKey), want);
    want = keys(test::dataFile("omm/v01-baseline-reserialised.kvn"), kvnKey);
    want.insert(want.end(), std::begin(user), std::end(user));
    const std::string kvn = written(elformat::kvn, {test::iss(), test::starlink24()});
    std::vector<std::string> got = keys(kvn, kvnKey);
    ASSERT_EQ(got.size(), 2 * want.size());
    EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + want.size()), want);
    std::vector<std::string> xml =
        keys(written(elformat::xml, {test::iss()}), std::regex("<([A-Z_]+)(?: parameter=\"([A-Z]+)\")?>"));
    xml.insert(xml.begin(), {"CCSDS_OMM_VERS", "CREATION_DATE", "ORIGINATOR"});  // KVN's header lines
    EXPECT_EQ(xml, want);
    // Nothing but the head and end of a file without sets.
    for (const elformat f : encodings) EXPECT_EQ(readBack(written(f, {})).size(), 0u) << formatName(f);
}

TEST(OmmWrite, ValuesNoTextCanHoldLeaveTheSetOut) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const struct { double element::*field; double value; omm::key k; } cases[] = {
        {&element::bstar, nan, omm::key::bstar}, {&element::n, inf, omm::key::meanMotion},
        {&element::nrate2, -inf, omm::key::meanMotionDdot}, {&element::epoch, nan, omm::key::epoch},
        {&element::epoch, 5373485.0, omm::key::epoch},  // 10000 January 1
        {&element::epoch, -1.0, omm::key::epoch},
    };
    for (const elformat f : encodings) {
        char* buf = nullptr;
        std::size_t len = 0;
        std::FILE* fp = open_memstream(&buf, &len);
        ommWriter w(fp, f);
        for (const auto& c : cases) {
            element e = test::iss();
            e.*c.field = c.value;
            EXPECT_EQ(w.write(e), c.k) << formatName(f) << " " << c.value;
        }
        w.write(test::starlink24());
        w.finish();
        std::fclose(fp);
        const std::vector<element> sets = readBack(std::string(buf, len));
        std::free(buf);
        ASSERT_EQ(sets.size(), 1u) << formatName(f);
        EXPECT_EQ(sets[0].objno, 44238);
    }
}
