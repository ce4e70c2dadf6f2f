// Atmosphere and drag physics: scale height, the decay-theory tables, the
// Q-function, the eccentricity step, the transition region and B*. The
// reference values are worked by hand from the tables and formulas; each
// tolerance fits the digits the reference carries.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "bess.h"
#include "bstar.h"
#include "enew.h"
#include "evolve.h"
#include "hkcd.h"
#include "j.h"
#include "muq.h"
#include "scaleheight.h"
#include "geometry.h"

using namespace morvel;

namespace {

constexpr double qnan = std::numeric_limits<double>::quiet_NaN();

// Runs f with standard output captured; returns what it printed.
template <class F>
std::string captureStdout(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}

struct HfixGuard {
    explicit HfixGuard(double v) { hfix = v; }
    ~HfixGuard() { hfix = 1.0; }
};

}  // namespace

// ---- scale height ---------------------------------------------------------

TEST(ScaleHeight, EndsOfTheTableHoldForAnyFlux) {
    for (double flux : {0.0, 80.0, 150.0, 300.0}) {
        EXPECT_DOUBLE_EQ(scaleHeight(-5, flux), 7.249);
        EXPECT_DOUBLE_EQ(scaleHeight(0, flux), 7.249);
        EXPECT_DOUBLE_EQ(scaleHeight(1050, flux), 268.0);
        EXPECT_DOUBLE_EQ(scaleHeight(1200, flux), 268.0);
    }
}

TEST(ScaleHeight, RowsSegmentsAndFluxInterpolation) {
    EXPECT_DOUBLE_EQ(scaleHeight(400, 80), 47.0);
    EXPECT_DOUBLE_EQ(scaleHeight(400, 150), 61.42);
    EXPECT_NEAR(scaleHeight(400, 115), 54.21, 1e-12);
    EXPECT_NEAR(scaleHeight(110, 80), 6.93025, 1e-12);
    EXPECT_NEAR(scaleHeight(110, 150), 7.21275, 1e-12);
    // The top segment is used, up to just below its end.
    EXPECT_NEAR(scaleHeight(1000, 80), 224.5, 1e-12);
    EXPECT_NEAR(scaleHeight(1049.9, 80), 267.913, 1e-9);
    // Beyond the flux columns the same straight line extends.
    EXPECT_NEAR(scaleHeight(400, 200), 71.72, 1e-12);
    // No flux effect below 105 km and from 750 km up.
    EXPECT_DOUBLE_EQ(scaleHeight(100, 80), scaleHeight(100, 250));
    EXPECT_DOUBLE_EQ(scaleHeight(800, 80), scaleHeight(800, 250));
}

TEST(ScaleHeight, FactorScalesEveryValue) {
    const double plain = scaleHeight(333, 120);
    HfixGuard g(1.2);
    EXPECT_DOUBLE_EQ(scaleHeight(333, 120), 1.2 * plain);
    EXPECT_DOUBLE_EQ(scaleHeight(-1, 120), 1.2 * 7.249);
    EXPECT_DOUBLE_EQ(scaleHeight(2000, 120), 1.2 * 268.0);
}

TEST(ScaleHeight, GradientByCentralDifference) {
    EXPECT_NEAR(mu(400, 80), 0.0501, 5e-5);
    EXPECT_NEAR(mu(400, 150), 0.0744, 5e-5);
    EXPECT_NEAR(mu(200, 150), 0.249, 5e-4);
    EXPECT_DOUBLE_EQ(mu(3, 150), 0.0);  // flat bottom of the table
    EXPECT_NEAR(mu(1050, 80), 0.435, 5e-4);
}

// ---- J and Bessel tables ----------------------------------------------------

TEST(DecayTables, JWorkedValues) {
    EXPECT_DOUBLE_EQ(J(0.0), 1.0);
    EXPECT_NEAR(J(0.1), 0.9025, 1e-12);
    EXPECT_NEAR(J(1.0), 0.259, 1e-12);
    EXPECT_NEAR(J(1.8), 0.122, 1e-12);
    EXPECT_NEAR(J(3.0), 0.10148, 1e-12);
}

TEST(DecayTables, OutsideTheRangeAMessageAndTheErrorValue) {
    double got = 0;
    EXPECT_EQ(captureStdout([&] { got = J(3.5); }), "J>Invalid value for z = 3.500000\n");
    EXPECT_DOUBLE_EQ(got, 0.1);
    EXPECT_EQ(captureStdout([&] { got = J(-0.1); }), "J>Invalid value for z = -0.100000\n");
    EXPECT_DOUBLE_EQ(got, 0.1);
    EXPECT_EQ(captureStdout([&] { got = Bess(3.0001); }), "J>Invalid value for z = 3.000100\n");
    EXPECT_DOUBLE_EQ(got, 0.1);
    EXPECT_EQ(captureStdout([&] { got = J(qnan); }), "J>Invalid value for z = nan\n");
    EXPECT_DOUBLE_EQ(got, 0.1);
    EXPECT_EQ(captureStdout([&] { got = Bess(-qnan); }), "J>Invalid value for z = -nan\n");
    EXPECT_DOUBLE_EQ(got, 0.1);
}

TEST(DecayTables, BesselWorkedValues) {
    EXPECT_NEAR(BessI0(0.1), 1.005, 1e-12);
    EXPECT_NEAR(BessI1(0.1), 0.05025, 1e-12);
    EXPECT_NEAR(Bess(0.1), 20.0, 1e-9);
    EXPECT_NEAR(Bess(1.0), 1.266 / 0.5652, 1e-12);
    // z = 3.0 exactly: the last segment's end, not a read past the table.
    EXPECT_DOUBLE_EQ(BessI0(3.0), 4.881);
    EXPECT_DOUBLE_EQ(BessI1(3.0), 3.953);
    EXPECT_NEAR(Bess(3.0), 1.23476, 5e-6);
}

TEST(DecayTables, LookupsStayInsideTheTablesAtTheirEnds) {
    // The largest doubles below the grid ends may round into the next
    // segment; the lookup must still give the end values.
    const double below18 = std::nextafter(1.8, 0.0);
    const double below30 = std::nextafter(3.0, 0.0);
    EXPECT_NEAR(J(below18), 0.122, 1e-12);
    EXPECT_NEAR(BessI0(below30), 4.881, 1e-12);
    EXPECT_NEAR(BessI1(below30), 3.953, 1e-12);
    EXPECT_NEAR(Bess(below30), 4.881 / 3.953, 1e-12);
    // Out-of-table arguments are held to the first segment, not read below it.
    EXPECT_TRUE(std::isfinite(BessI0(-1.0)));
    EXPECT_TRUE(std::isnan(BessI1(qnan)));
}

// ---- Q-function -------------------------------------------------------------

TEST(QFunction, NoEstimateAbove800Km) {
    EXPECT_DOUBLE_EQ(q(16.0, 0.001, 801, 150), -1.0);
    EXPECT_DOUBLE_EQ(q(1.0, 0.5, 5000, 80), -1.0);
    EXPECT_GT(q(12.0, 0.001, 800, 150), 0.0);
}

TEST(QFunction, CircularFloorAndBesselForm) {
    // n = 16 rev/day (a = 6653.1356 km), perigee 250 km, flux 150.
    EXPECT_NEAR(6378.135 * smaxis(16.0), 6653.1356, 5e-4);
    EXPECT_NEAR(q(16.0, 0.0, 250, 150), 0.132922, 5e-7);    // floor only
    EXPECT_NEAR(q(16.0, 0.001, 250, 150), 0.134774, 5e-7);  // Bessel form wins
}

TEST(QFunction, HighEccentricityForm) {
    EXPECT_NEAR(q(12.0, 0.3, 300, 150), 3.5996, 5e-5);
}

TEST(QFunction, LargeZFormJoinsTheBesselFormAtZ3) {
    // Either side of z = 3 the two forms describe the same drag; the
    // expansion is only asymptotic, so they agree to a few per cent.
    const double n = 15.0, ph = 300, flux = 150;
    const double a = 6378.135 * smaxis(n);
    const double e3 = 3.0 * scaleHeight(ph, flux) / a;
    const double below = q(n, e3 * 0.9999, ph, flux);
    const double above = q(n, e3 * 1.0001, ph, flux);
    EXPECT_NEAR(above / below, 1.0, 0.05);
}

// ---- eccentricity step ------------------------------------------------------

TEST(EccentricityStep, WorkedValues) {
    const double a16 = smaxis(16.0);
    EXPECT_NEAR(eNew(a16, 0.3, 250, 1000, 150), 0.29999850, 5e-9);
    EXPECT_NEAR(eNew(a16, 0.001, 250, 10, 150), 0.00099959, 5e-9);  // Bessel form
    EXPECT_NEAR(eNew(a16, 0.0001, 250, 10, 150), 0.00010003, 5e-9);  // small z
}

TEST(EccentricityStep, UndefinedStepsLeaveTheEccentricity) {
    const double a = smaxis(16.0);
    EXPECT_DOUBLE_EQ(eNew(a, 0.001, 250, 0.01, 150), 0.001);
    EXPECT_DOUBLE_EQ(eNew(a, 0.001, 250, 0.005, 150), 0.001);
    EXPECT_DOUBLE_EQ(eNew(a, 0.001, 250, -3, 150), 0.001);
    EXPECT_DOUBLE_EQ(eNew(a, 0.0, 250, 10, 150), 0.0);
    EXPECT_DOUBLE_EQ(eNew(a, -0.001, 250, 10, 150), -0.001);
}

TEST(EccentricityStep, ShrinksOverALongLife) {
    // Over a day of steps the eccentricity of an eccentric orbit falls.
    const double a = smaxis(14.0);
    double e = 0.05, life = 100;
    for (int i = 0; i < 100; i++, life -= 0.01) e = eNew(a, e, 300, life, 150);
    EXPECT_LT(e, 0.05);
    EXPECT_GT(e, 0.04);
}

// ---- transition region ------------------------------------------------------

TEST(TransitionRegion, HeightsBySize) {
    struct Case { double size, h01, h1, h5; };
    for (const Case c : {Case{1, 97.92, 110.93, 123.48}, Case{10, 112.139, 132.996, 159.535},
                         Case{0.1, 85.622, 100.917, 112.460}, Case{0.01, 75.244, 102.958, 126.474}}) {
        double h01, h1, h5;
        hk(c.size, h01, h1, h5);
        EXPECT_NEAR(h01, c.h01, 5e-4) << c.size;
        EXPECT_NEAR(h1, c.h1, 5e-4) << c.size;
        EXPECT_NEAR(h5, c.h5, 5e-4) << c.size;
        EXPECT_LT(h01, h1);
        EXPECT_LT(h1, h5);
    }
}

TEST(TransitionRegion, DragCoefficientThroughTheRegion) {
    double h01, h1, h5;
    hk(1, h01, h1, h5);
    EXPECT_DOUBLE_EQ(Cd(90, h01, h1, h5), 1.0000384);
    EXPECT_NEAR(Cd(97.92, h01, h1, h5), 1.0000384, 5e-8);
    EXPECT_NEAR(Cd(98.60, h01, h1, h5), 0.99742, 5e-5);  // the dip
    EXPECT_NEAR(Cd(100, h01, h1, h5), 1.0178090, 5e-8);
    EXPECT_NEAR(Cd(110.93, h01, h1, h5), 1.6275719, 5e-8);
    EXPECT_NEAR(Cd(115, h01, h1, h5), 2.0580065, 5e-8);
    EXPECT_NEAR(Cd(123.48, h01, h1, h5), 2.2009336, 5e-8);
    EXPECT_DOUBLE_EQ(Cd(130, h01, h1, h5), 2.2009336);
}

TEST(TransitionRegion, ShiftMovesTheWholeCurve) {
    double h01, h1, h5;
    hk(1, h01, h1, h5);
    for (double h = 90; h < 140; h += 0.7) {
        EXPECT_NEAR(Cd(h + 10, h01 + 10, h1 + 10, h5 + 10), Cd(h, h01, h1, h5), 1e-12) << h;
    }
}

// ---- B* ---------------------------------------------------------------------

namespace {
double bstarOf(double n, double nrate, double ecc, double incDeg) {
    return bstar(6.283185307179586 * n / 1440, 6.283185307179586 * nrate / 2073600, ecc,
                 incDeg * 0.0174532925199433);
}
}  // namespace

TEST(BStar, WorkedCase) {
    EXPECT_NEAR(bstarOf(15.5, 0.0001, 0.0005, 51.6), 1.7478e-04, 5e-8);
}

TEST(BStar, ZeroDecayRateGivesZero) {
    EXPECT_EQ(bstarOf(15.5, 0.0, 0.0005, 51.6), 0.0);
}

TEST(BStar, ProportionalToTheDecayRate) {
    EXPECT_NEAR(bstarOf(15.5, 0.0003, 0.001, 97.0) / bstarOf(15.5, 0.0001, 0.001, 97.0), 3.0, 1e-12);
}

TEST(BStar, LowPerigeeLowersTheReferenceHeight) {
    // Perigee below 156 km uses a reference height following the perigee,
    // which changes C2 and so B*: the value is continuous at 156 km.
    // Mean motions giving perigees just either side of 156 km:
    double lo = 16.0, hi = 16.6;
    const auto perigee = [](double n) {
        const double a1 = std::pow(0.0743669161 / (6.283185307179586 * n / 1440), 0.666666666666667);
        return (a1 - 1) * 6378.135;
    };
    for (int i = 0; i < 60; i++) {
        const double mid = 0.5 * (lo + hi);
        (perigee(mid) > 156 ? lo : hi) = mid;
    }
    const double above = bstarOf(lo - 1e-6, 0.001, 0.0, 51.6);
    const double below = bstarOf(hi + 1e-6, 0.001, 0.0, 51.6);
    EXPECT_NEAR(below / above, 1.0, 2e-3);
    EXPECT_GT(above, 0.0);
    // At 98 km and below the reference height is held at 20 km: B* stays finite.
    EXPECT_TRUE(std::isfinite(bstarOf(16.99, 0.01, 0.0, 51.6)));
}
