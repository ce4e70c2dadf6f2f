// Orbit geometry and the evolution engine: Kepler's equation solved by
// substitution, priming and its sentinels, the crossings the step writes,
// the decay it finds, the inclination of eccentric orbits, and orbits and
// sets so extreme that only the guards keep the evolution finite and short.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "evolve.h"
#include "geometry.h"
#include "hkcd.h"
#include "muq.h"
#include "support.h"

using namespace morvel;

namespace {

// A set of eccentricity `ecc` with its perigee `perigee` km up.
element eccentric(double ecc, double perigee, double nrate) {
    element e = test::starlink24();
    const double a = (earthRadius + perigee) / (1 - ecc) / earthRadius;
    e.ecc = ecc, e.n = std::sqrt(290.561428 / (a * a * a)), e.nrate = nrate;
    e.inc = 28.5, e.ap = 200.0, e.m = 10.0;
    return e;
}

bool stateFinite() {
    for (double x : {tz, nz, ndz, ndd, mz, ecz, inc, raz, apz, lifetime, l, tnex, el.n, el.ecc, el.m, el.bstar})
        if (!std::isfinite(x)) return false;
    return true;
}

}  // namespace

TEST(Geometry, KeplerEvenNearlyParabolicAndTheLowestPoint) {
    for (double e : {0.0, 0.3, 0.7, 0.9, 0.98, 0.999, 0.9999999})
        for (double an = -7.0; an < 13.0; an += 0.01) {
            const double E = dkeplr(an, e);
            ASSERT_NEAR(E - e * std::sin(E), an, 1e-8) << "an " << an << " e " << e;
        }
    EXPECT_NEAR(lowpoint(smaxis(14.0), 98.0, 0.01, 0.0), 821.705, 5e-4);  // a node
    EXPECT_NEAR(lowpoint(smaxis(10.0), 63.4, 0.3, 270.0), 12.05, 5e-3);   // the perigee
    EXPECT_NEAR(lowpoint(smaxis(15.5), 51.6, 0.0, 30.0), (smaxis(15.5) - 1) * earthRadius, 1e-9);
}

TEST(Prime, LoadsTheStateMarksTheSetAndGivesTheSentinels) {
    test::DefaultRun run;
    for (auto [elno, marked] : {std::pair{123, 9123}, {9, 9009}, {-5, 8995}}) {
        element want = el = test::starlink24();
        el.elno = elno;
        prime(150);
        want.elno = marked, want.revno -= 1, want.bstar = 0.0;  // nothing else changes
        EXPECT_EQ(std::memcmp(&el, &want, sizeof el), 0) << elno;
        EXPECT_TRUE(tz == el.epoch && nz == el.n && ndz == el.nrate && tnex == el.epoch - 0.00001);
        EXPECT_TRUE(gone == 0.0 && decayedAt == -1.0 && l == lifetime);
        EXPECT_DOUBLE_EQ(lifetime, decayListLifetime(el, 150));
    }
    // No growing mean motion: no decay. A perigee above 800 km: no estimate.
    for (auto [nrate, n, life, listed] : {std::tuple{0.0, 15.0, noDecayLifetime, -1.0},
                                          {-0.0001, 15.0, noDecayLifetime, -1.0}, {0.000001, 15.0, 0.0, -1.0},
                                          {0.0001, 13.0, -1.0 / 0.0002, -1.0}}) {
        el = test::starlink24();
        el.nrate = nrate, el.n = n;
        EXPECT_EQ(decayListLifetime(el, 150), listed) << nrate;
        EXPECT_EQ(crossingStep(150), life >= 0) << nrate;
        prime(150);
        EXPECT_TRUE(life == 0.0 || (lifetime == life && l == life)) << nrate;
    }
    const double plain = decayListLifetime(test::starlink24(), 150);
    qfix = 0.0;  // no lifetime factor: no estimate, not a lifetime of 0
    EXPECT_EQ(decayListLifetime(test::starlink24(), 150), -1.0);
    qfix = 1.5;
    el = test::starlink24();
    prime(150);
    EXPECT_DOUBLE_EQ(lifetime, 1.5 * plain);
    EXPECT_DOUBLE_EQ(decayListLifetime(el, 150), 1.5 * plain);
}

TEST(Evolve, CrossingsOneRevolutionApartTheirNumberWrappingAfter99999) {
    test::DefaultRun run;
    el = test::starlink24();
    el.revno = 99998;
    ASSERT_TRUE(crossingStep(150));
    EXPECT_TRUE(el.revno == 99998 && el.elno == 9999 && el.bstar > 0.0);
    for (int want : {99999, 0, 1}) {
        const double last = el.epoch;
        evolve(150);
        EXPECT_EQ(el.revno, want);
        EXPECT_NEAR(el.epoch - last, 1 / el.n, 0.01 / el.n);
    }
}

TEST(Evolve, InTheTransitionRegionTheDragCoefficientSlowsTheDecay) {
    // A circular orbit at about 118 km, inside the region of a 1 m object:
    // the lifetime falls by less than the step, by the ratio of the drag
    // coefficients at the perigee before and after it.
    test::DefaultRun run;
    ifHk = 1;
    setTransitionRegion(1.0, 0.0);
    el = test::starlink24();
    el.ecc = 0.0, el.n = 16.58, el.nrate = 0.05;
    prime(150);
    const double rp = lowpoint(smaxis(nz), inc, ecz, apz), inc0 = inc, ap0 = apz, life0 = lifetime;
    ASSERT_TRUE(rp > hk1 && rp < hk5);
    evolve(150);
    const double rp2 = lowpoint(smaxis(nz), inc0, ecz, ap0);
    EXPECT_NEAR(lifetime, (life0 - 0.01) * Cd(rp, hk01, hk1, hk5) / Cd(rp2, hk01, hk1, hk5), 1e-6 * life0);
}

TEST(Evolve, InclinationTurnsByTheOrbitsShape) {
    // Per unit of period lost the rotating atmosphere turns the plane by
    // sin(i)/6 for a near-circular orbit, and by
    // sin(i) (1-e)^2.5 / (1+e)^1.5 cos^2(w) / 3 from e = 0.2 on, retrograde
    // orbits too; none with the lowest point from 600 km up. The rotating
    // atmosphere's factor makes up to 5 % of it.
    test::DefaultRun run;
    struct Case { double ecc, perigee, inc, ap, rate; };
    for (const Case c : {Case{0.001, 300, 53, 0, 1 / 6.0}, {0.19, 300, 53, 0, 1 / 6.0},
                         {0.3, 300, 63, 0, std::pow(0.7, 2.5) / std::pow(1.3, 1.5) / 3},
                         {0.5, 250, 63, 30, std::pow(0.5, 2.5) / std::pow(1.5, 1.5) / 3 * 0.75},
                         {0.001, 300, 97.5, 0, 1 / 6.0}, {0.001, 650, 53, 0, 0.0}}) {
        el = eccentric(c.ecc, c.perigee, 0.001);
        el.inc = c.inc, el.ap = c.ap;
        ASSERT_TRUE(crossingStep(150));
        const double n0 = nz, inc0 = inc;
        tnex = tz;  // a crossing due at once: one step
        evolve(150);
        const double turn = (inc0 - inc) * deg / (std::sin(inc0 * deg) * (1 / n0 - 1 / nz));
        EXPECT_NEAR(turn, c.rate, 0.05 * std::fabs(c.rate) + 1e-12) << "e " << c.ecc << " inc " << c.inc;
    }
}

TEST(Evolve, EccentricOrbitsDecayPhysicallyAndStayFinite) {
    test::DefaultRun run;
    for (double ecc : {0.7, 0.985}) {
        el = eccentric(ecc, 200, 0.002);
        prime(150);
        const double inc0 = inc;
        for (long steps = 0; l >= decayLimit && steps < 400000; steps++) {
            const double per0 = (1 - ecz) * smaxis(nz), n0 = nz, e0 = ecz;
            tnex = tz;  // a crossing written at every step
            evolve(150);
            ASSERT_TRUE(stateFinite()) << "e " << ecc << " step " << steps;
            // The perigee and the eccentricity fall, the mean motion grows (for
            // z = a e / H below 0.05 the eccentricity may creep up by 1e-3).
            ASSERT_LE((1 - ecz) * smaxis(nz), per0 * (1 + 1e-9)) << steps;
            ASSERT_GE(nz, n0) << steps;
            ASSERT_LE(ecz, e0 * 1.001 + 1e-12) << steps;
        }
        EXPECT_GT(decayedAt, 0.0) << ecc;
        EXPECT_LT(ecz, ecc);
        EXPECT_LT(inc, inc0);
    }
}

TEST(Guards, ExtremeOrbitsAndSetsStayFiniteAndEndQuietly) {
    test::DefaultRun run;
    // Slow, very eccentric orbits: the crossing search's eccentricity, a
    // straight line far from the step, is held inside [0, 1).
    for (double ecc : {0.88, 0.95, 0.99})
        for (double n : {0.5, 0.7}) {
            el = test::starlink24();
            el.ecc = ecc, el.n = n, el.nrate = 0.001, el.ap = 10.0, el.m = 180.0;
            if (!crossingStep(150)) continue;
            EXPECT_TRUE(stateFinite() && el.ecc >= 0.0 && el.ecc <= 0.9999999) << ecc << " " << n;
        }
    // A nearly circular orbit whose eccentricity creeps up: at a crossing
    // behind the step's start the straight line falls below 0, held there.
    el = test::starlink24();
    el.ecc = 1e-7, el.ap = 0.0, el.m = 90.0, el.n = 16.2, el.nrate = 0.01;
    prime(150);
    tnex = tz;
    evolve(150);
    EXPECT_TRUE(el.ecc == 0.0 && el.epoch < tz - 0.01);
    // A lifetime below one step: no decay rate for the crossing, which keeps
    // the set's own derivatives, and decay at once.
    el = test::starlink24();
    el.n = 16.4, el.nrate = 5.0, el.nrate2 = 0.001;
    ASSERT_TRUE(crossingStep(150));
    EXPECT_TRUE(stateFinite() && decayedAt > 0.0 && l < decayLimit);
    EXPECT_TRUE(std::fabs(el.nrate - 5.0) < 0.01 && std::fabs(el.nrate2 - 0.001) < 1e-15);
    // An absurd second derivative ends the evolution within a few calls and
    // a few lines of console.
    el = test::starlink24();
    el.nrate = 2.5, el.nrate2 = 1.2345e11;
    prime(150);
    long calls = 0;
    const std::string out = test::tableMessagesOf([&] { calls = evolveUntil(150, 1.0); });
    EXPECT_LT(calls, 10);
    EXPECT_LT(out.size(), 2000u) << out.substr(0, 500);
    // A state with any one value not a number ends the evolution at once,
    // crossing due or not, and writes no crossing from it (ndd is made anew
    // by the drag passes).
    double* const state[] = {&tz, &nz, &ndz, &mz, &ecz, &inc, &raz, &apz, &tnex};
    for (int v = 0; v < 9; v++)
        for (double due : {-1.0, 1e9}) {
            el = test::starlink24();
            prime(150);
            const element before = el;
            tnex = tz + due;
            *state[v] = v == 8 ? INFINITY : NAN;
            test::tableMessagesOf([] { evolve(150); });
            EXPECT_TRUE(gone == 0.01 && l == 0.0 && lifetime == 0.0) << v << " " << due;
            EXPECT_EQ(std::memcmp(&el, &before, sizeof el), 0) << v << " " << due;
        }
    // A crossing that never comes due: the call ends after its bound of steps.
    el = test::starlink24();
    el.nrate = 0.0;
    prime(150);
    tnex = tz + 1e9;
    evolve(150);
    EXPECT_NEAR(gone, 10000.0, 1e-3);
    EXPECT_EQ(el.revno, test::starlink24().revno - 1);  // nothing written
}

TEST(EvolveUntil, OneCallPerCrossingUntilTheSpanOrDecay) {
    test::DefaultRun run;
    el = test::starlink24();
    prime(150);
    std::vector<std::pair<int, int>> seen;  // the revolution before, and the new one
    const long calls = evolveUntil(150, 2.0, [&](int previous) { seen.emplace_back(previous, el.revno); });
    ASSERT_EQ(calls, static_cast<long>(seen.size()));
    EXPECT_TRUE(gone >= 2.0 && gone < 2.0 + 1 / el.n + 0.01) << gone;
    for (std::size_t k = 0; k < seen.size(); ++k) {
        EXPECT_EQ(seen[k].first, k == 0 ? -1 : seen[k - 1].second) << k;
        EXPECT_EQ(seen[k].second, test::starlink24().revno + static_cast<int>(k)) << k;
    }
    // A set that decays within the span ends there, at its decay.
    el = test::starlink24();
    el.nrate = 0.05;
    prime(150);
    const double life = lifetime;
    evolveUntil(150, 1000.0);
    EXPECT_TRUE(l < decayLimit && decayedAt > 0 && gone < 1000.0 && std::fabs(gone - life) < 0.02) << gone;
}
