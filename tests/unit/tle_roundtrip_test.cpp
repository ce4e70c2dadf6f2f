// Reader and writer together over real element files and over the whole
// domain of catalogue numbers: what is read and written back keeps its
// columns, and what is written reads back as the same set.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "elinput.h"
#include "eloutput.h"
#include "tle_test_support.h"

namespace morvel {
namespace {

using tletest::checkDigit;
using tletest::field;
using tletest::lines;
using tletest::readAll;
using tletest::sampleElement;
using tletest::StdoutCapture;
using tletest::written;

std::string dataFile(const char* name) {
    std::ifstream in(std::string(MORVEL_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The catalogue snapshot of 2026 May 7: 15347 three-line sets.
constexpr int catalogueSets = 15347;

std::string writtenAll(const std::vector<element>& sets) {
    std::string out;
    for (const element& el : sets) out += written(el);
    return out;
}

// Two records agree to the precision of the format's columns.
void expectSameToFormatPrecision(const element& a, const element& b, std::size_t k) {
    EXPECT_EQ(a.objno, b.objno) << "set " << k;
    EXPECT_EQ(a.type, b.type) << "set " << k;
    EXPECT_STREQ(a.objid, b.objid) << "set " << k;
    EXPECT_NEAR(a.epoch, b.epoch, 0.6e-8) << "set " << k;
    EXPECT_NEAR(a.nrate, b.nrate, 0.6e-8) << "set " << k;
    // Five mantissa digits: half a unit of the fifth is 5e-6 relative.
    EXPECT_NEAR(a.nrate2, b.nrate2, std::fabs(a.nrate2) * 5e-6 + 1e-8) << "set " << k;
    EXPECT_NEAR(a.bstar, b.bstar, std::fabs(a.bstar) * 5e-6 + 1e-8) << "set " << k;
    EXPECT_EQ(a.elno, b.elno) << "set " << k;
    EXPECT_NEAR(a.inc, b.inc, 0.6e-4) << "set " << k;
    EXPECT_NEAR(a.ra, b.ra, 0.6e-4) << "set " << k;
    EXPECT_NEAR(a.ecc, b.ecc, 0.6e-7) << "set " << k;
    EXPECT_NEAR(a.ap, b.ap, 0.6e-4) << "set " << k;
    EXPECT_NEAR(a.m, b.m, 0.6e-4) << "set " << k;
    EXPECT_NEAR(a.n, b.n, 0.6e-8) << "set " << k;
    EXPECT_EQ(a.revno, b.revno) << "set " << k;
}

TEST(TleRoundTrip, CatalogueWrittenBackColumnForColumn) {
    const std::string text = dataFile("catalogue-2026-05-07.tle");
    const std::vector<std::string> in = lines(text);
    ASSERT_EQ(in.size(), 3u * catalogueSets);

    StdoutCapture console;
    const std::vector<element> sets = readAll(text);
    EXPECT_EQ(console.text(), "") << "no set of the catalogue is rejected";
    ASSERT_EQ(sets.size(), static_cast<std::size_t>(catalogueSets));

    const std::vector<std::string> out = lines(writtenAll(sets));
    ASSERT_EQ(out.size(), in.size());

    // Where line 1 cannot come back as it was:
    // - the zero exponent field, published as " 00000+0": the writer has one
    //   zero field, " 00000-0" (its minus adds 1 to the check digit);
    // - a B* of magnitude 1e-8 or less (one set, -0.15828e-8), which the
    //   writer also writes as the zero field.
    // All else, line 2 whole and the element number included, comes back
    // byte for byte.
    int sameLine1 = 0, zeroNrate2 = 0, zeroBstar = 0, tinyBstar = 0;
    constexpr tleColumns nrate2Field{45, 8}, bstarField{54, 8};
    for (std::size_t k = 0; k < in.size(); k += 3) {
        ASSERT_EQ(out[k].substr(0, 49), (in[k] + std::string(49, ' ')).substr(0, 49));

        const std::string& a1 = in[k + 1];
        const std::string& b1 = out[k + 1];
        ASSERT_EQ(b1.size(), 69u);
        ASSERT_EQ(b1[68] - '0', checkDigit(b1.substr(0, 68))) << b1;
        if (a1 == b1) {
            ++sameLine1;
        } else {
            std::string mended = a1;
            for (tleColumns f : {nrate2Field, bstarField}) {
                const std::string text = field(a1, f);
                const double value =
                    std::stod(text.substr(0, 6)) / 100000.0 * std::pow(10.0, std::stoi(text.substr(6)));
                if (text == " 00000+0") {
                    ++(f.first == nrate2Field.first ? zeroNrate2 : zeroBstar);
                } else if (std::fabs(value) <= 1e-8 && f.first == bstarField.first) {
                    ++tinyBstar;
                } else {
                    continue;
                }
                mended.replace(static_cast<std::size_t>(f.first - 1), 8, " 00000-0");
            }
            mended[68] = static_cast<char>('0' + checkDigit(mended.substr(0, 68)));
            ASSERT_EQ(b1, mended) << "line 1 differs beyond the zero fields";
        }
        ASSERT_EQ(out[k + 2], in[k + 2]);
    }
    // The snapshot's counts.
    EXPECT_EQ(sameLine1, 80);
    EXPECT_EQ(zeroNrate2, catalogueSets - 80);
    EXPECT_EQ(zeroBstar, 801);
    EXPECT_EQ(tinyBstar, 1);
}

TEST(TleRoundTrip, CatalogueWrittenReadsBackAsTheSameSets) {
    const std::vector<element> sets = readAll(dataFile("catalogue-2026-05-07.tle"));
    ASSERT_EQ(sets.size(), static_cast<std::size_t>(catalogueSets));
    const std::string once = writtenAll(sets);
    const std::vector<element> back = readAll(once);
    ASSERT_EQ(back.size(), sets.size());
    for (std::size_t k = 0; k < sets.size(); ++k) {
        expectSameToFormatPrecision(sets[k], back[k], k);
        // The title read back is the written title line less its last
        // character; its first 49 columns hold the title.
        ASSERT_EQ(std::string(back[k].title).substr(0, 49),
                  (std::string(sets[k].title) + std::string(49, ' ')).substr(0, 49));
        if (HasFailure()) break;
    }
    // Written a second time, the text is the same: the written form is fixed.
    EXPECT_EQ(writtenAll(back), once);
}

TEST(TleRoundTrip, HistoryWithSignsAndLeadingZeros) {
    // A re-entry history whose sets carry "+" signs, leading zeros in the
    // angles and revolution numbers run on into column 64, and derivatives
    // that grow to .098 rev/day^2 before re-entry.
    const std::string text = dataFile("44235-starlink-31.tle");
    StdoutCapture console;
    const std::vector<element> sets = readAll(text);
    EXPECT_EQ(console.text(), "");
    ASSERT_EQ(sets.size(), 627u);
    EXPECT_STREQ(sets[0].title, "STARLINK-31");
    EXPECT_DOUBLE_EQ(sets[1].nrate, 0.00013295);
    EXPECT_DOUBLE_EQ(sets[1].inc, 53.0030);
    EXPECT_EQ(sets[1].revno, 4919);
    EXPECT_DOUBLE_EQ(sets.back().nrate, 0.09808971);
    EXPECT_NEAR(sets.back().nrate2, 0.12623e-4, 1e-19);

    const std::string once = writtenAll(sets);
    const std::vector<element> back = readAll(once);
    ASSERT_EQ(back.size(), sets.size());
    for (std::size_t k = 0; k < sets.size(); ++k) {
        expectSameToFormatPrecision(sets[k], back[k], k);
        if (HasFailure()) break;
    }
    EXPECT_EQ(writtenAll(back), once);
    for (const std::string& line : lines(once)) {
        if (line[0] == '1' || line[0] == '2') {
            ASSERT_EQ(line.size(), 69u) << line;
            ASSERT_EQ(line[68] - '0', checkDigit(line.substr(0, 68))) << line;
        }
    }
}

TEST(TleRoundTrip, EveryCatalogueNumberWrittenAndReadBack) {
    // 0..99999 as five digits, 100000..339999 in the Alpha-5 form; written,
    // read back, and the text of columns 3..7 checked against its own rule.
    constexpr int highest = 339999;
    constexpr int chunk = 20000;
    const char* letters = "ABCDEFGHJKLMNPQRSTUVWXYZ";
    element el = sampleElement();
    for (int first = 0; first <= highest; first += chunk) {
        std::FILE* fp = std::tmpfile();
        ASSERT_NE(fp, nullptr);
        const int last = std::min(first + chunk - 1, highest);
        for (int objno = first; objno <= last; ++objno) {
            el.objno = objno;
            eloutput(fp, el);
        }
        std::rewind(fp);
        char line[128];
        for (int objno = first; objno <= last; ++objno) {
            char want[16];
            if (objno < 100000) {
                std::snprintf(want, sizeof want, "%05d", objno);
            } else {
                std::snprintf(want, sizeof want, "%c%04d", letters[objno / 10000 - 10],
                              objno % 10000);
            }
            ASSERT_NE(std::fgets(line, sizeof line, fp), nullptr);  // title
            ASSERT_NE(std::fgets(line, sizeof line, fp), nullptr);
            ASSERT_EQ(std::string(line).substr(2, 5), want) << objno;
            ASSERT_NE(std::fgets(line, sizeof line, fp), nullptr);
            ASSERT_EQ(std::string(line).substr(2, 5), want) << objno;
        }
        std::rewind(fp);
        for (int objno = first; objno <= last; ++objno) {
            const element back = elinput(fp);
            ASSERT_EQ(back.if_valid, 1) << objno;
            ASSERT_EQ(back.objno, objno);
        }
        EXPECT_EQ(elinput(fp).if_valid, 0);
        std::fclose(fp);
    }
}

}  // namespace
}  // namespace morvel
