// Atmosphere and drag physics at the edges the real evolutions seldom reach:
// the scale-height table below the heights where sets are still tracked, the
// ends of the decay-theory tables and their messages, the forms of Q and the
// eccentricity step at their limits, the transition region and B*. Reference
// values are worked by hand from the tables and formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "bess.h"
#include "bstar.h"
#include "enew.h"
#include "geometry.h"
#include "hkcd.h"
#include "j.h"
#include "muq.h"
#include "scaleheight.h"
#include "support.h"

using namespace morvel;

namespace {
constexpr double qnan = std::numeric_limits<double>::quiet_NaN();
}

TEST(ScaleHeight, TableRowsEndsAndFluxLines) {
    // The atmosphere's rows up to 125 km (km, scale height at flux 80 and 150).
    struct Row { double h, f80, f150; };
    for (const Row r : {Row{0, 7.249, 7.249}, {12, 7.249, 7.249}, {27, 6.347, 6.347}, {35, 6.682, 6.682},
                        {45, 7.554, 7.554}, {55, 8.382, 8.382}, {65, 7.714, 7.714}, {75, 6.549, 6.549},
                        {85, 5.799, 5.799}, {95, 5.382, 5.382}, {105, 5.877, 5.877}, {125, 10.09, 11.22},
                        {400, 47.0, 61.42}, {750, 88.7, 88.7}, {950, 181.0, 181.0}, {1049.9999999, 268.0, 268.0}}) {
        EXPECT_NEAR(scaleHeight(r.h, 80), r.f80, 1e-6) << r.h;
        EXPECT_NEAR(scaleHeight(r.h, 150), r.f150, 1e-6) << r.h;
    }
    EXPECT_NEAR(scaleHeight(110, 115), (6.93025 + 7.21275) / 2, 1e-12);  // between rows and columns
    EXPECT_NEAR(scaleHeight(400, 200), 71.72, 1e-12);                   // the flux line extended
    for (double flux : {0.0, 300.0}) {
        EXPECT_EQ(scaleHeight(-5, flux), 7.249);
        EXPECT_EQ(scaleHeight(1050, flux), 268.0);
    }
    hfix = 1.2;
    EXPECT_DOUBLE_EQ(scaleHeight(-1, 120), 1.2 * 7.249);
    EXPECT_DOUBLE_EQ(scaleHeight(2000, 120), 1.2 * 268.0);
    hfix = 1.0;  // mu is the slope of the scale height, checked at its default
    EXPECT_EQ(mu(3, 150), 0.0);  // flat bottom of the table
    EXPECT_NEAR(mu(1050, 80), 0.435, 5e-4);
}

TEST(DecayTables, WorkedValuesAndTheTablesEnds) {
    EXPECT_NEAR(J(0.1), 0.9025, 1e-12);
    EXPECT_NEAR(J(std::nextafter(1.8, 0.0)), 0.122, 1e-12);
    EXPECT_NEAR(J(3.0), 0.10148, 1e-12);
    EXPECT_NEAR(Bess(0.1), 1.005 / 0.05025, 1e-9);
    EXPECT_NEAR(Bess(1.0), 1.266 / 0.5652, 1e-12);
    // z = 3 and just below: the last entries, never a read past the table.
    for (double z : {3.0, std::nextafter(3.0, 0.0)}) {
        EXPECT_NEAR(BessI0(z), 4.881, 1e-12);
        EXPECT_NEAR(BessI1(z), 3.953, 1e-12);
    }
    EXPECT_TRUE(std::isfinite(BessI0(-1.0)));
}

TEST(DecayTables, OutsideTheRangeAMessageAndTheErrorValue) {
    for (auto [z, text] : {std::pair{3.5, "3.500000"}, {-0.1, "-0.100000"}, {qnan, "nan"}}) {
        double got = 0;
        EXPECT_EQ(test::tableMessagesOf([&] { got = J(z); }), std::string("J>Invalid value for z = ") + text + "\n");
        EXPECT_EQ(got, 0.1);
    }
    double got = 0;
    EXPECT_EQ(test::tableMessagesOf([&] { got = Bess(3.0001); }), "J>Invalid value for z = 3.000100\n");
    EXPECT_EQ(got, 0.1);
}

TEST(QFunction, FormsAndTheirLimits) {
    EXPECT_EQ(q(16.0, 0.001, 801, 150), -1.0);  // no estimate above 800 km
    EXPECT_GT(q(12.0, 0.001, 800, 150), 0.0);
    EXPECT_NEAR(q(16.0, 0.0, 250, 150), 0.132922, 5e-7);    // the circular floor
    EXPECT_NEAR(q(16.0, 0.001, 250, 150), 0.134774, 5e-7);  // the Bessel form above it
    EXPECT_NEAR(q(12.0, 0.3, 300, 150), 3.5996, 5e-5);      // high eccentricity
    // Either side of z = 3 the Bessel form and the asymptotic expansion
    // describe the same drag to a few per cent.
    const double e3 = 3.0 * scaleHeight(300, 150) / (earthRadius * smaxis(15.0));
    EXPECT_NEAR(q(15.0, e3 * 1.0001, 300, 150) / q(15.0, e3 * 0.9999, 300, 150), 1.0, 0.05);
}

TEST(EccentricityStep, FormsAndUndefinedSteps) {
    const double a = smaxis(16.0);
    EXPECT_NEAR(eNew(a, 0.3, 250, 1000, 150), 0.29999850, 5e-9);
    EXPECT_NEAR(eNew(a, 0.001, 250, 10, 150), 0.00099959, 5e-9);   // Bessel form
    EXPECT_NEAR(eNew(a, 0.0001, 250, 10, 150), 0.00010003, 5e-9);  // small z
    for (auto [ec, life] : {std::pair{0.001, 0.01}, {0.001, -3.0}, {0.0, 10.0}, {-0.001, 10.0}})
        EXPECT_EQ(eNew(a, ec, 250, life, 150), ec) << ec << " " << life;
    EXPECT_TRUE(std::isnan(eNew(a, 0.001, 250, qnan, 150)));
}

TEST(TransitionRegion, HeightsBySizeAndTheDragCoefficientThroughThem) {
    const test::DefaultRun run;
    struct Case { double size, h01, h1, h5; };
    for (const Case c : {Case{1, 97.92, 110.93, 123.48}, {10, 112.139, 132.996, 159.535},
                         {0.01, 75.244, 102.958, 126.474}}) {
        double h01, h1, h5;
        hk(c.size, h01, h1, h5);
        EXPECT_TRUE(std::fabs(h01 - c.h01) < 5e-4 && std::fabs(h1 - c.h1) < 5e-4 && std::fabs(h5 - c.h5) < 5e-4)
            << c.size << ": " << h01 << " " << h1 << " " << h5;
    }
    setTransitionRegion(1, 10);
    EXPECT_TRUE(hk01 == 97.92 + 10 && hk1 == 110.93 + 10 && hk5 == 123.48 + 10);
    for (auto [h, cd] : {std::pair{90.0, 1.0000384}, {97.92, 1.0000384}, {98.6, 0.99742}, {100.0, 1.0178090},
                         {110.93, 1.6275719}, {115.0, 2.0580065}, {123.48, 2.2009336}, {130.0, 2.2009336}})
        EXPECT_NEAR(Cd(h + 10, hk01, hk1, hk5), cd, h == 98.6 ? 5e-5 : 5e-7) << h;
}

TEST(BStar, NoDecayNoBStarAndFiniteAtAnyPerigee) {
    // From 98 km down the reference height is held at 20 km.
    for (double n : {15.5, 16.99})
        EXPECT_TRUE(bstar(2 * M_PI * n / 1440, 0.0, 0.0005, 51.6 * deg) == 0.0 &&
                    std::isfinite(bstar(2 * M_PI * n / 1440, 1e-9, 0.0005, 51.6 * deg))) << n;
}
