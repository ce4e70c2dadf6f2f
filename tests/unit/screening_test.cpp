// The physics of the screened decay list: the density of the thermosphere by
// height and flux, the ballistic coefficient a set's decay needs, the descent
// it tells, and the windows of the dates. References: the published mean
// profile (CIRA-72), the orbit-averaged drag integrated numerically, and a
// circular orbit worked by hand; and the ISO text of the CSV's dates, against
// std::chrono's calendar.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "ballistic.h"
#include "cal.h"
#include "density.h"
#include "elinput.h"
#include "geometry.h"
#include "support.h"
#include "window.h"

using namespace morvel;

namespace {

constexpr double pi = 3.14159265358979323846;

// The published mean profile: rho0 exp(-(h - h0) / H) from the row below h.
double cira72(double h) {
    std::istringstream in(test::dataFile("atmosphere/cira72-exponential.csv"));
    std::string line;
    std::getline(in, line);
    double h0 = 0, rho0 = 0, H = 1, rho = 0;
    char c1, c2;
    while (in >> h0 >> c1 >> rho0 >> c2 >> H) {
        if (h0 > h) break;
        rho = rho0 * std::exp(-(h - h0) / H);
    }
    return rho;
}

// King-Hele's orbit average of the drag on the mean motion, by the
// trapezoid rule in the eccentric anomaly (exact to rounding for a smooth
// periodic integrand): (1/2pi) int e^-z(1-cos E) (1+e cos E)^1.5 (1-e cos E)^-0.5 dE.
double averagedDrag(double z, double e) {
    constexpr int n = 20000;
    double s = 0;
    for (int k = 0; k < n; ++k) {
        const double c = std::cos(2 * pi * k / n);
        s += std::exp(-z * (1 - c)) * std::pow(1 + e * c, 1.5) / std::sqrt(1 - e * c);
    }
    return s / n;
}

}  // namespace

TEST(Density, PublishedLevelsAndTheMeanProfile) {
    // ECSS's three levels come back at their rows (kg/m^3).
    struct Row { double h, flux, rho; };
    for (const Row r : {Row{200, 65, 1.63e-10}, {400, 65, 5.75e-13}, {700, 65, 4.04e-15}, {200, 140, 2.84e-10},
                        {400, 140, 3.96e-12}, {700, 140, 4.80e-14}, {200, 250, 4.57e-10}, {400, 250, 1.40e-11},
                        {700, 250, 3.75e-13}, {100, 140, 5.73e-07}, {880, 250, 6.23e-14}})
        EXPECT_NEAR(density(r.h, r.flux) / r.rho, 1.0, 1e-12) << r.h << " km, flux " << r.flux;
    // Between rows and levels: exponential in height and in flux.
    EXPECT_NEAR(density(210, 140), std::sqrt(2.84e-10 * 1.61e-10), 1e-22);
    EXPECT_NEAR(density(400, 102.5), std::sqrt(5.75e-13 * 3.96e-12), 1e-24);
    EXPECT_NEAR(density(400, 195), std::sqrt(3.96e-12 * 1.40e-11), 1e-23);
    // Within a factor of 2 of CIRA-72's mean profile at moderate flux.
    for (double h = 200; h <= 700; h += 10) {
        const double ratio = density(h, 140) / cira72(h);
        EXPECT_TRUE(ratio > 0.5 && ratio < 2) << h << " km: " << ratio;
    }
}

TEST(Density, ThePublishedTableIsSmoothWhereTheAirIsThin) {
    // From 300 km up ln(rho) bends smoothly with height at every level: its
    // third difference over the rows stays within the rounding of three
    // printed digits. A row mistyped by 1 % moves it by up to 0.03.
    for (double flux : {65.0, 140.0, 250.0}) {
        std::vector<double> d2;
        for (double h = 300; h <= 860; h += 20)
            d2.push_back(std::log(density(h + 20, flux)) - 2 * std::log(density(h, flux)) +
                         std::log(density(h - 20, flux)));
        for (std::size_t i = 1; i < d2.size(); ++i)
            EXPECT_LT(std::fabs(d2[i] - d2[i - 1]), 0.025) << "flux " << flux << " at " << 300 + 20 * i << " km";
    }
}

TEST(Density, MoreFluxDenserAirAbove200km) {
    for (double h = 200; h <= 1000; h += 5) {
        double last = 0;
        for (double flux : {50.0, 65.0, 100.0, 140.0, 150.0, 200.0, 250.0, 300.0}) {
            const double rho = density(h, flux);
            EXPECT_GT(rho, last) << h << " km, flux " << flux;
            last = rho;
        }
    }
    // The flux is held beyond the levels' reach.
    EXPECT_EQ(density(400, 10), density(400, 50));
    EXPECT_EQ(density(400, 1000), density(400, 300));
}

TEST(Density, BelowTheTableTheMeanProfilesScaleHeightsAndTheGroundHeld) {
    const double at100 = density(100, 150);
    EXPECT_NEAR(density(95, 150) / at100, std::exp(5 / 5.382), 1e-12);
    EXPECT_NEAR(density(85, 150) / at100, std::exp(10 / 5.382 + 5 / 5.799), 1e-12);
    EXPECT_EQ(density(-7, 150), density(0, 150));
    EXPECT_TRUE(std::isfinite(density(0, 150)) && density(0, 150) > 1.0);
    // Above the table the last rows' fall goes on.
    EXPECT_NEAR(density(900, 65), 1.38e-15 * 1.38 / 1.51, 1e-27);
    EXPECT_TRUE(std::isnan(density(std::nan(""), 150)) && std::isnan(density(400, std::nan(""))));
}

TEST(Density, ItsLocalScaleHeightIsItsFallWithHeight) {
    // Within a row's segment ln(rho) is straight: a difference of 1 km gives its slope.
    for (double flux : {65.0, 100.0, 140.0, 200.0, 250.0})
        for (double h : {150.5, 210.0, 333.0, 455.5, 690.0, 950.0})
            EXPECT_NEAR(densityScaleHeight(h, flux), 1 / std::log(density(h - 0.5, flux) / density(h + 0.5, flux)),
                        1e-9 * densityScaleHeight(h, flux))
                << h << " km, flux " << flux;
    // Below the table CIRA-72's layers; below the ground the held density has none.
    EXPECT_EQ(densityScaleHeight(95, 150), 5.382);
    EXPECT_EQ(densityScaleHeight(25, 150), 6.349);
    EXPECT_EQ(densityScaleHeight(-1, 150), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(densityScaleHeight(std::nan(""), 150)) && std::isnan(densityScaleHeight(300, std::nan(""))));
}

TEST(Ballistic, TheOrbitAverageAgainstTheIntegral) {
    EXPECT_EQ(dragFactor(0, 0), 1.0);
    // The Bessel tables to first order in e, and the large-z form beyond.
    for (double z : {0.1, 0.5, 1.3, 2.9})
        for (double e : {0.0, 0.001, 0.01})
            EXPECT_NEAR(dragFactor(z, e) / averagedDrag(z, e), 1.0, 0.006) << z << " " << e;
    // (An eccentricity of 0.2 and more has z in the tens at any perigee.)
    for (auto [z, e] : {std::pair{3.5, 0.001}, {3.5, 0.05}, {8.0, 0.1}, {8.0, 0.2}, {40.0, 0.2}, {40.0, 0.7},
                        {300.0, 0.05}, {300.0, 0.7}})
        EXPECT_NEAR(dragFactor(z, e) / averagedDrag(z, e), 1.0, z < 10 ? 0.02 : 0.005) << z << " " << e;
}

TEST(Ballistic, ACircularOrbitNeedsTheCircularRelation) {
    // dn/dt = 1.5 n rho v B, v = a n: the theory's semi-major axis of the mean
    // motion, the air met at a less the equatorial radius.
    element e = test::iss();
    e.ecc = 0;
    e.inc = 0;
    const double a = earthRadius * smaxis(e.n);                 // km
    const double v = a * 1000 * e.n * 2 * pi / 86400;           // m/s
    const double rho = density(a - earthRadius, 150);
    const double relativeRate = 2 * e.nrate / e.n / 86400;      // (dn/dt) / n, per second
    EXPECT_NEAR(impliedBallistic(e, 150) / (relativeRate / (1.5 * rho * v)), 1.0, 1e-12);
    // ISS: about 0.005 m^2/kg at flux 150 (400 t, some 2000 m^2 at Cd 2.2 ... 1 x 10^-2).
    EXPECT_TRUE(impliedBallistic(test::iss(), 150) > 0.001 && impliedBallistic(test::iss(), 150) < 0.02);
    // The same decay at a higher flux meets denser air: a smaller coefficient.
    EXPECT_LT(impliedBallistic(e, 200), impliedBallistic(e, 150));
}

TEST(Ballistic, NoEstimateAndTheDescentItTells) {
    element e = test::starlink24();
    EXPECT_GT(impliedBallistic(e, 150), 0.0);
    for (double nrate : {0.0, 0.000001, -0.0001, std::nan("")}) {
        e.nrate = nrate;
        EXPECT_EQ(impliedBallistic(e, 150), -1.0) << nrate;
    }
    e = test::starlink24();
    e.ecc = 1.0;
    EXPECT_EQ(impliedBallistic(e, 150), -1.0);
    EXPECT_EQ(impliedBallistic(test::starlink24(), std::nan("")), -1.0);

    EXPECT_EQ(descentOf(dragLimit), descent::drag);
    EXPECT_EQ(descentOf(std::nextafter(dragLimit, 1.0)), descent::thrust);
    EXPECT_EQ(descentOf(-1.0), descent::drag);
    EXPECT_STREQ(descentName(descent::drag), "drag");
    EXPECT_STREQ(descentName(descent::thrust), "thrust");
}

TEST(Window, KindsByNameBinsAndTheTablesCells) {
    for (auto [name, kind] : {std::pair{"CZ-5B R/B", objectKind::rocketBody}, {"SL-4 R/B", objectKind::rocketBody},
                              {"FENGYUN 1C DEB", objectKind::debris}, {"COSMOS 2251 DEB [?]", objectKind::debris},
                              {"DEBUT (ORIZURU)", objectKind::satellite}, {"STARLINK-1008", objectKind::starlink},
                              {"  ONEWEB-0012", objectKind::oneweb}, {"ISS (ZARYA)", objectKind::satellite},
                              {"", objectKind::satellite}})
        EXPECT_EQ(kindOf(name), kind) << name;
    EXPECT_STREQ(kindName(objectKind::rocketBody), "rocket body");
    EXPECT_STREQ(kindName(objectKind::satellite), "satellite");

    EXPECT_EQ(windowBin(0), 0);
    EXPECT_EQ(windowBin(std::nextafter(0.5, 0.0)), 0);
    EXPECT_EQ(windowBin(0.5), 1);
    EXPECT_EQ(windowBin(39.9), 5);
    EXPECT_EQ(windowBin(40), windowBins - 1);
    EXPECT_EQ(windowBin(1e9), windowBins - 1);

    // Every window opens after the epoch and closes after it opens.
    for (int k = 0; k < objectKinds; ++k) {
        for (double r : {0.1, 1.0, 3.0, 7.0, 15.0, 30.0, 100.0}) {
            const decayWindow w = windowOf(static_cast<objectKind>(k), 1000.0, r);
            const windowCell c = windowFor(static_cast<objectKind>(k), r);
            EXPECT_TRUE(w.earliest > 1000.0 && w.earliest <= 1000.0 + r && w.latest >= 1000.0 + r) << k << " " << r;
            EXPECT_DOUBLE_EQ(w.earliest, 1000.0 + r * (1 + c.lower));
            EXPECT_DOUBLE_EQ(w.latest, 1000.0 + r * (1 + c.upper));
        }
    }
}

TEST(IsoText, UtcToTheNearestSecondAndNothingForNoDay) {
    const int jd = test::chronoJdn(2026, 7, 4);
    EXPECT_STREQ(isoUtc(jd + 0.5).text, (test::isoDay(jd) + "T12:00:00Z").c_str());
    EXPECT_STREQ(isoUtc(jd + (17 * 3600 + 22 * 60 + 28.4) / 86400.0).text, "2026-07-04T17:22:28Z");
    // Half a second before midnight rounds into the next day.
    EXPECT_STREQ(isoUtc(jd + (86400 - 0.4) / 86400.0).text, (test::isoDay(jd + 1) + "T00:00:00Z").c_str());
    EXPECT_STREQ(isoUtc(test::chronoJdn(1957, 10, 4)).text, "1957-10-04T00:00:00Z");
    for (double none : {-1.0, std::nan(""), 1e300, static_cast<double>(test::chronoJdn(10000, 1, 1))})
        EXPECT_STREQ(isoUtc(none).text, "") << none;
    EXPECT_STREQ(isoUtc(test::chronoJdn(9999, 12, 31) + 0.5).text, "9999-12-31T12:00:00Z");
}
