// The flight under drag and the coefficient fitted to a history. References:
// the closed form of a circular orbit in air of constant density, an
// exponential atmosphere's time of fall integrated numerically, histories
// made by the flight itself with a known coefficient, and the orbit averages
// by a fine quadrature.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "ballistic.h"
#include "density.h"
#include "evolve.h"
#include "fit.h"
#include "flight.h"
#include "formats/spaceweather.h"
#include "geometry.h"
#include "muq.h"
#include "support.h"

using namespace morvel;

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double rho0 = 1e-11;  // kg/m^3
constexpr double height0 = 300;  // km, where the exponential air has rho0
constexpr double scale0 = 50;    // km

// Test airs: one density everywhere, and an exponential atmosphere.
const airModel constantAir{[](double, double) { return rho0; }, [](double, double) { return inf; }};
const airModel exponentialAir{[](double h, double) { return rho0 * std::exp(-(h - height0) / scale0); },
                              [](double, double) { return scale0; }};

// A set of a circular equatorial orbit `height` km up (or of eccentricity
// `e`) at day `epoch`.
element orbitAt(double height, double epoch, double e = 0, double inc = 0) {
    element s{};
    s.if_valid = 1;
    s.objno = 1;
    s.epoch = epoch;
    s.n = meanMotionOf(earthRadius + height);
    s.ecc = e;
    s.inc = inc;
    s.ap = 90;
    return s;
}

// The history the flight itself makes of `b` from `start`: a set every
// `every` days, `count` sets, each flown from the one before.
std::vector<element> flownHistory(element start, double b, double every, int count, const fluxPlan& flux) {
    std::vector<element> h{start};
    while (static_cast<int>(h.size()) < count) {
        element next = h.back();
        const flightState f = flyUntil(next, b, flux, next.epoch + every);
        next.epoch = f.t;
        next.n = meanMotionOf(f.a);
        next.ecc = f.e;
        h.push_back(next);
    }
    return h;
}

}  // namespace

TEST(Flight, ConstantAirFollowsTheClosedForm) {
    // da/dt = -B rho sqrt(mu a): sqrt(a) = sqrt(a0) - B rho sqrt(mu) t / 2.
    const double b = 0.02;
    const element s = orbitAt(400, 0);
    const flightState f = flyUntil(s, b, {nullptr, 150}, 30, constantAir);
    const double a0 = semiMajorAxis(s.n) * 1000;  // m
    const double closed = std::pow(std::sqrt(a0) - b * rho0 * std::sqrt(earthMu) * 30 * 86400 / 2, 2) / 1000;
    EXPECT_NEAR(f.a, closed, 1e-6) << "30 days, km";
    EXPECT_EQ(f.t, 30.0);
    EXPECT_FALSE(f.decayed);
    EXPECT_EQ(f.e, 0.0);
}

TEST(Flight, TheFluxOfEachDayFromThePredictedRows) {
    // Air whose density goes with the flux, after one observed day (100) a
    // forecast rising by 1 a day: sqrt(a) falls by B rho0 sqrt(mu) / 2 times
    // the integral of F / 150 over time, 3450 flux days from noon to 30 days on.
    const airModel fluxAir{[](double, double f) { return rho0 * f / 150; }, [](double, double) { return inf; }};
    const int d0 = test::chronoJdn(2026, 1, 1);
    std::string text = "DATE,F10.7_DATA_TYPE,F10.7_OBS_LAST81\n" + test::isoDay(d0) + ",OBS,100\n";
    for (int k = 1; k <= 40; ++k) text += test::isoDay(d0 + k) + ",PRD," + std::to_string(100 + k) + "\n";
    spaceWeather sw;
    ASSERT_EQ(readSpaceWeather(text.data(), text.size(), sw), weatherStatus::ok);
    const double b = 0.02;
    const element s = orbitAt(400, d0 + 0.5);
    const flightState f = flyUntil(s, b, {&sw, 150}, s.epoch + 30, fluxAir);
    const double a0 = semiMajorAxis(s.n) * 1000;  // m
    const double closed = std::pow(std::sqrt(a0) - b * rho0 / 150 * std::sqrt(earthMu) * 3450 * 86400 / 2, 2) / 1000;
    EXPECT_NEAR(f.a - closed, 0, 1e-3 * (a0 / 1000 - closed)) << "of the fall, km";
}

TEST(Flight, AnExponentialAtmospheresFallTakesItsIntegral) {
    // t = int da / (B rho(a) sqrt(mu a)) from 400 down to 200 km, Simpson.
    const double b = 0.02;
    const element s = orbitAt(400, 0);
    const double top = semiMajorAxis(s.n), bottom = earthRadius + 200;
    constexpr int n = 20000;
    double days = 0;
    for (int i = 0; i <= n; ++i) {
        const double a = bottom + (top - bottom) * i / n;
        const double rate = b * rho0 * std::exp(-(a - earthRadius - height0) / scale0) * std::sqrt(earthMu * a * 1000);
        days += (i == 0 || i == n ? 1 : i % 2 == 1 ? 4 : 2) / rate / 86400;
    }
    days *= (top - bottom) * 1000 / (3.0 * n);
    const flightState f = flyUntil(s, b, {nullptr, 150}, days, exponentialAir);
    // 6.5 km/day at 200 km: 0.05 km is some 11 minutes of the 405 days.
    EXPECT_NEAR(f.a - earthRadius, 200.0, 0.05) << days << " days";
    EXPECT_LT(f.steps, 60);
}

TEST(Flight, OrbitAveragesAgainstAFineQuadrature) {
    // Both rates against 2000 midpoints in E, nearly circular (the series)
    // and eccentric (Gauss-Legendre).
    for (const auto& [h, e] : {std::pair{250.0, 0.0}, {250.0, 0.0002}, {300.0, 0.003}, {400.0, 0.02}, {600.0, 0.1},
                               {200.0, 0.7}}) {
        const double a = (earthRadius + h) / (1 - e);
        double ra = 0, re = 0;
        for (int k = 0; k < 2000; ++k) {
            const double c = std::cos(pi * (k + 0.5) / 2000);
            const double rho = density(heightAt(a, e, 0, c), 150);
            ra += rho * std::pow(1 + e * c, 1.5) / std::sqrt(1 - e * c) / 2000;
            re += rho * c * std::sqrt((1 + e * c) / (1 - e * c)) / 2000;
        }
        const dragRates r = ratesPerBallistic(a, e, 0, 150);
        const double am = a * 1000;
        EXPECT_NEAR(r.adot / (-std::sqrt(earthMu * am) * ra * 86.4), 1.0, 1e-3) << h << " km, e " << e;
        if (e > 0) EXPECT_NEAR(r.edot / (-std::sqrt(earthMu / am) * (1 - e * e) * re * 86400), 1.0, 1e-3) << e;
        else EXPECT_EQ(r.edot, 0.0);
    }
    // The oblate Earth's surface lies 10.69 sin^2 i km below the equator's.
    EXPECT_NEAR(surfaceDrop(90), 6378.135 / 298.257 / 2, 1e-9);
    EXPECT_NEAR(surfaceDrop(30), 6378.135 / 298.257 / 8, 1e-9);
    EXPECT_NEAR(semiMajorAxis(meanMotionOf(6800)), 6800, 1e-8);
}

TEST(Flight, EndsAtTheTheorysOwnDecayTest) {
    const element s = orbitAt(300, 1000, 0.0005, 53);
    const flight f = fly(s, 0.02, {nullptr, 150}, 1000);
    ASSERT_GT(f.decay, s.epoch);
    // Just before the end the theory's remaining lifetime is still above
    // its decay limit, at the end below it: the perigee is then low.
    const flightState before = flyUntil(s, 0.02, {nullptr, 150}, f.decay - 0.05);
    EXPECT_FALSE(before.decayed);
    const flightState at = flyUntil(s, 0.02, {nullptr, 150}, f.decay + 1);
    EXPECT_TRUE(at.decayed);
    EXPECT_EQ(at.t, f.decay);
    EXPECT_TRUE(at.a - earthRadius > 100 && at.a - earthRadius < 160) << at.a - earthRadius;
    // Twice the coefficient, about half the time; a span too short, none.
    const flight twice = fly(s, 0.04, {nullptr, 150}, 1000);
    EXPECT_NEAR((twice.decay - s.epoch) / (f.decay - s.epoch), 0.5, 0.02);
    EXPECT_EQ(fly(s, 0.02, {nullptr, 150}, (f.decay - s.epoch) / 2).decay, -1.0);
    // More flux, denser air, an earlier decay.
    EXPECT_LT(fly(s, 0.02, {nullptr, 200}, 1000).decay, f.decay);
    // The factor on Q lengthens the theory's lifetime, so its decay test is
    // met lower and later.
    const double q0 = qfix;
    qfix = 4;
    const double later = fly(s, 0.02, {nullptr, 150}, 1000).decay;
    qfix = q0;
    EXPECT_GT(later, f.decay);
    // No flight without a coefficient or an orbit.
    element bad = s;
    bad.ecc = 1;
    for (const auto& [set, b] : {std::pair{s, 0.0}, {s, -1.0}, {s, std::nan("")}, {bad, 0.02}})
        EXPECT_EQ(fly(set, b, {nullptr, 150}, 1000).decay, -1.0) << b;
}

TEST(Flight, AnEccentricOrbitComesDownWithoutAskingTheTheoryBelowItsTables) {
    // Perigee about 250 km, apogee 2700 km (a rocket stage's orbit).
    const element s = orbitAt(1473, 2460000, 0.156, 49.8);
    for (const double b : {0.005, 0.02, 0.08, 0.3}) {
        flight f{};
        EXPECT_EQ(test::tableMessagesOf([&] { f = fly(s, b, {nullptr, 150}, 1e9); }), "") << b;
        EXPECT_GT(f.decay, s.epoch) << b;
    }
}

TEST(Fit, AHistoryTheFlightMadeGivesItsCoefficientBack) {
    const fluxPlan flux{nullptr, 120};
    for (const double b : {0.005, 0.02, 0.08}) {
        const std::vector<element> h = flownHistory(orbitAt(320, 2460000, 0.0005, 53), b, 0.25, 40, flux);
        ballisticFitter fitter;
        const ballisticFit f = fitter.fit(h, 39, flux, 3, -1);
        EXPECT_NEAR(f.b / b, 1.0, 1e-6) << b;
        // Pairs of sets at least 0.5 day apart within 3 days: the 12 sets
        // after the one exactly 3 days before (its epoch rounds either way).
        EXPECT_TRUE(f.pairs == 12 * 11 / 2 - 11 || f.pairs == 13 * 12 / 2 - 12) << f.pairs;
        const fittedDecay p = fitter.predict(h, 39, flux, -1, 1e6);
        EXPECT_NEAR(p.b / b, 1.0, 1e-6);
        // Its flight lands where the history's own would.
        EXPECT_NEAR(p.decay, fly(h[39], b, flux, 1e6).decay, 1e-6);
    }
    // No set k among the sets given: no fit.
    const std::vector<element> h = flownHistory(orbitAt(320, 2460000), 0.02, 0.5, 4, flux);
    ballisticFitter fitter;
    EXPECT_EQ(fitter.fit(std::span(h).first(3), 3, flux, 3, -1).pairs, 0);
    EXPECT_EQ(fitter.predict(std::span(h).first(3), 3, flux, -1, 1e6).pairs, 0);
}

TEST(Fit, PairsAcrossAPoweredChangeOrAThrustLoweringAreLeftOut) {
    const fluxPlan flux{nullptr, 120};
    const double b = 0.02;
    // Raised by 5 km between sets 29 and 30, then flown from the raised orbit.
    std::vector<element> h = flownHistory(orbitAt(320, 2460000, 0.0005, 53), b, 0.25, 30, flux);
    element raised = h.back();
    raised.epoch += 0.25;
    raised.n = meanMotionOf(semiMajorAxis(raised.n) + 5);
    for (const element& e : flownHistory(raised, b, 0.25, 10, flux)) h.push_back(e);
    const orbitChange c = changeBetween(h[29], h[30]);
    EXPECT_TRUE(c.powered && c.raised);
    EXPECT_NEAR(c.rise, 5, 0.2);
    ballisticFitter fitter;
    EXPECT_EQ(ballisticFitter::spanStart(h, 39, 5, -1), 30);
    // The fit starts after the raise: only the pairs of sets 30 to 39.
    const ballisticFit f = fitter.fit(h, 39, flux, 5, -1);
    EXPECT_NEAR(f.b / b, 1.0, 1e-6);
    EXPECT_EQ(f.pairs, 10 * 9 / 2 - 9);
    // A stated end of a powered phase moves the start the same way.
    EXPECT_EQ(ballisticFitter::spanStart(h, 28, 5, h[25].epoch), 25);

    // A lowering faster than any drag (B far above the drag limit): every
    // pair across it is left out, and without another pair there is no fit.
    std::vector<element> low = flownHistory(orbitAt(400, 2460000), 3 * dragLimit, 1, 4, flux);
    for (element& e : low) e.nrate = 0.1;  // the sets' own derivatives carry it
    EXPECT_FALSE(changeBetween(low[0], low[1]).powered);
    const ballisticFit none = fitter.fit(low, 3, flux, 5, -1);
    EXPECT_EQ(none.pairs, 0);
    EXPECT_EQ(none.b, -1.0);
    EXPECT_EQ(fitter.predict(low, 3, flux, -1, 1e6).decay, -1.0);
    // Nor a pair across which the orbit rose, nor sets closer than half a day.
    std::vector<element> flat = flownHistory(orbitAt(320, 2460000), b, 0.4, 2, flux);
    flat[1].n = flat[0].n;
    EXPECT_EQ(fitter.fit(flat, 1, flux, 5, -1).pairs, 0);
    flat = flownHistory(orbitAt(320, 2460000), b, 0.49, 2, flux);
    EXPECT_EQ(fitter.fit(flat, 1, flux, 5, -1).pairs, 0);
    EXPECT_EQ(fitter.fit(flownHistory(orbitAt(320, 2460000), b, 0.5, 2, flux), 1, flux, 5, -1).pairs, 1);
}

TEST(Fit, ThePowerTestBetweenTwoSets) {
    const element a = orbitAt(300, 100, 0.001);
    element b = orbitAt(300, 101, 0.001);
    EXPECT_FALSE(changeBetween(a, b).powered);
    // A fall of 10 km in a day that the derivatives do not explain.
    b.n = meanMotionOf(semiMajorAxis(a.n) - 10);
    orbitChange c = changeBetween(a, b);
    EXPECT_TRUE(c.powered && !c.raised);
    EXPECT_NEAR(c.fall, 10, 0.1);
    // The same fall when the derivatives carry it is drag's.
    element da = a, db = b;
    da.nrate = db.nrate = 0.01;
    EXPECT_FALSE(changeBetween(da, db).powered);
    // Not tested below 200 km, nor for sets out of order or of one epoch.
    EXPECT_FALSE(changeBetween(orbitAt(190, 100), orbitAt(150, 101)).powered);
    EXPECT_FALSE(changeBetween(b, a).powered);
    b.epoch = a.epoch;
    EXPECT_FALSE(changeBetween(a, b).powered);
}

TEST(Fit, TheSpanFollowsThePredictedRemainingTime) {
    const fluxPlan flux{nullptr, 150};
    // A tenth of the remaining time, from 1 to 14 days (the numbers typed
    // here, not the unit's constants): the lowest orbits, hours from decay,
    // take 1 day, 300 and 340 km (13 and 41 days out) a tenth, 430 km (255
    // days out) the 14 days.
    for (const double height : {235.0, 250.0, 300.0, 340.0, 430.0}) {
        const std::vector<element> h = flownHistory(orbitAt(height, 2460000, 0.0005, 53), 0.02, 0.25, 33, flux);
        ballisticFitter fitter;
        const fittedDecay p = fitter.predict(h, 32, flux, -1, 1e6);
        const double remaining = p.decay - h[32].epoch;
        EXPECT_NEAR(p.span, std::clamp(0.1 * remaining, 1.0, 14.0), 1e-6) << height << " km, " << remaining << " days";
        // Within the horizon only, on the same pairs.
        const fittedDecay cut = fitter.predict(h, 32, flux, -1, remaining / 2);
        EXPECT_EQ(cut.decay, -1.0);
        EXPECT_EQ(cut.pairs, p.pairs);
        EXPECT_EQ(cut.b, p.b);
    }
}
