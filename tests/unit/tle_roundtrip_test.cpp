// Reader and writer together over real files: every set read and written
// back keeps its bytes, except the few the format cannot bring back.
#include <gtest/gtest.h>

#include <cmath>

#include "eloutput.h"
#include "support.h"

using namespace morvel;

TEST(TleRoundTrip, CatalogueWrittenBackByteForByte) {
    // The catalogue snapshot of 2026 May 7: 15347 three-line sets.
    const auto in = test::lines(test::dataFile("catalogue-2026-05-07.tle"));
    std::vector<element> sets;
    EXPECT_EQ(test::console([&] { sets = test::readSets(test::dataFile("catalogue-2026-05-07.tle")); }), "");
    ASSERT_EQ(sets.size(), 15347u);
    ASSERT_EQ(in.size(), 3 * sets.size());
    // Line 1 cannot come back as published where:
    // - an exponent field is the zero " 00000+0": the writer's one zero
    //   field is " 00000-0" (its minus adds 1 to the check digit);
    // - B* is 1e-8 or less in magnitude (one set), also written as zero.
    int sameLine1 = 0, mended = 0;
    for (std::size_t k = 0; k < sets.size(); ++k) {
        const auto out = test::written(sets[k]);
        const std::string& title = in[3 * k];
        ASSERT_EQ(out[0].substr(0, 49), (title + std::string(49, ' ')).substr(0, 49));
        ASSERT_EQ(out[2], in[3 * k + 2]);
        std::string want = in[3 * k + 1];
        sameLine1 += out[1] == want;
        for (tleColumns f : {tleColumns{45, 8}, tleColumns{54, 8}}) {
            const std::string text = test::field(want, f);
            const double value = std::stod(text.substr(0, 6)) * std::pow(10.0, std::stoi(text.substr(6)) - 5);
            if (text == " 00000+0" || (f.first == 54 && std::fabs(value) <= 1e-8)) {
                want.replace(static_cast<std::size_t>(f.first - 1), 8, " 00000-0");
                mended++;
            }
        }
        want[68] = static_cast<char>('0' + checksum(want.substr(0, 68).c_str()));
        ASSERT_EQ(out[1], want) << "set " << k;
    }
    EXPECT_EQ(sameLine1, 80);  // the snapshot's counts
    EXPECT_EQ(mended, 15347 - 80 + 801 + 1);
}

TEST(TleRoundTrip, HistoryWithSignsLeadingZerosAndGrowingDerivatives) {
    // "+" signs, leading zeros in the angles, revolution numbers run on into
    // column 64, and derivatives growing to .098 rev/day^2 at re-entry: read,
    // written, read again, the written text is the same the second time.
    std::vector<element> sets;
    EXPECT_EQ(test::console([&] { sets = test::readSets(test::dataFile("44235-starlink-31.tle")); }), "");
    ASSERT_EQ(sets.size(), 627u);
    EXPECT_TRUE(sets[1].nrate == 0.00013295 && sets[1].inc == 53.0030 && sets[1].revno == 4919);
    EXPECT_EQ(sets.back().nrate, 0.09808971);
    for (const element& e : sets) {
        const auto once = test::written(e);
        const element back = test::readSet(once[1], once[2]);
        ASSERT_EQ(test::written(back)[1], once[1]);
        ASSERT_EQ(test::written(back)[2], once[2]);
        ASSERT_NEAR(back.nrate2, e.nrate2, std::fabs(e.nrate2) * 5e-6) << once[1];
        ASSERT_NEAR(back.bstar, e.bstar, std::fabs(e.bstar) * 5e-6) << once[1];
    }
}
