#include "evolve.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "bstar.h"
#include "enew.h"
#include "geometry.h"
#include "hkcd.h"
#include "muq.h"

namespace morvel {

// ---- Evolution state --------------------------------------------------------

element el;
double tz;
double nz;
double ndz;
double ndd;
double mz;
double ecz;
double inc;
double raz;
double apz;
double lifetime;
double l;
double gone;
double tnex;
double decayedAt;

namespace {

// Q x qfix of set `e` at its lowest point: the decay theory's product of
// lifetime and rate of change of the mean motion.
double qFixed(const element& e, double flux) {
    return q(e.n, e.ecc, lowpoint(smaxis(e.n), e.inc, e.ecc, e.ap), flux) * qfix;
}

}  // namespace

void prime(double flux) {
    tz = el.epoch;
    ndz = el.nrate;
    inc = el.inc;
    raz = el.ra;
    ecz = el.ecc;
    apz = el.ap;
    mz = el.m;
    nz = el.n;

    // Mark the set as evolved; the first crossing written adds the
    // revolution back, and carries a B* of its own.
    el.elno = el.elno % 1000 + 9000;
    el.revno = el.revno - 1;
    el.bstar = 0;

    if (ndz <= 0) {
        lifetime = noDecayLifetime;  // mean motion not increasing: no decay
    } else {
        lifetime = qFixed(el, flux) / (2.0 * ndz);
    }

    // Just before the epoch, so that the first step writes the crossing
    // nearest to it.
    tnex = tz - 0.00001;
    gone = 0;
    ndd = el.nrate2;
    l = lifetime;
    decayedAt = -1.0;
}

namespace {

// Crossing search state: values at time tz + xt of the last pass.
struct crossing {
    double xt;
    double mx;
    double apx;
    double ecx;
};

// Time xt (days from tz) of the ascending node nearest to tz: a damped
// Newton iteration on the argument of latitude, with the mean motion as its
// rate.
crossing findCrossing(double dep, double dap) {
    crossing c{0, 0, 0, 0};
    double delt = 1.0;
    int loopcount = 0;
    while (std::fabs(delt) > 5e-08) {
        const double xt = c.xt;
        c.mx = std::fmod(mz + 360 * (xt * nz + (xt * xt) * ndz + (xt * xt * xt) * ndd), 360);
        if (c.mx < 0) c.mx = c.mx + 360;
        c.apx = apz + xt * dap;
        // Far from the step the straight line in eccentricity can leave the
        // range the orbit and the element format allow.
        c.ecx = ecz + xt * dep;
        if (c.ecx < 0) c.ecx = 0;
        if (c.ecx > 0.9999999) c.ecx = 0.9999999;

        const double ean = dkeplr(c.mx * deg, c.ecx);
        const double pr6 = std::cos(ean) - c.ecx;
        const double pr7 = std::sin(ean) * std::sqrt(1 - c.ecx * c.ecx);
        const double tran = std::atan2(pr7, pr6) / deg;  // true anomaly

        // Argument of latitude in [-180, 180), in days at the mean motion.
        delt = (std::fmod(c.apx + tran + 180.0, 360) - 180.0) / (360 * nz);
        if (c.ecx > 0.3) delt = delt / 2.0;
        c.xt = xt - delt;
        loopcount = loopcount + 1;
        if (loopcount == 100) delt = 0;
    }
    return c;
}

bool finite(double x) { return std::isfinite(x); }

// The last argument of a pure function and its value; arguments are the
// same when their bits are.
struct passMemo {
    std::uint64_t arg = 0;
    bool held = false;
    double value = 0;

    bool holds(double x) const { return held && std::bit_cast<std::uint64_t>(x) == arg; }
    void keep(double x, double v) {
        arg = std::bit_cast<std::uint64_t>(x);
        held = true;
        value = v;
    }
};

// The state at a step's start that the stages of the step share.
struct stepStart {
    double cosi;           // cosine of the inclination
    double sin2i;          // and its squared sine
    double a;              // semi-major axis, Earth radii
    double per0;           // perigee distance, Earth radii
    lowpointAngles plane;  // inclination and perigee direction, for lowpoint
    double Rp;             // perigee height, km
    double Cdz;            // drag coefficient at Rp (transition region in use)
    double lifetimep;      // remaining lifetime at the step's end, days
};

stepStart startOfStep() {
    stepStart s;
    s.cosi = std::cos(inc * deg);
    s.sin2i = 1 - s.cosi * s.cosi;
    s.a = smaxis(nz);
    s.per0 = (1 - ecz) * s.a;
    // Inclination and perigee direction hold through the drag passes.
    s.plane = lowpointTerms(inc, apz);
    s.Rp = lowpoint(s.a, ecz, s.plane);
    s.Cdz = 0;
    if (ifHk == 1) s.Cdz = Cd(s.Rp, hk01, hk1, hk5);
    s.lifetimep = lifetime - 0.01;
    return s;
}

// What the drag iteration settles on: the eccentricity and the remaining
// lifetime at the step's end (ndd is written to the state at every pass).
struct dragEnd {
    double ep;
    double lp;
};

// Drag iteration: the mean-motion term ndd that makes the lifetime fall by
// the step while lifetime x 2 ndot/2 = Q x qfix holds at the step's end.
dragEnd dragPasses(const stepStart& s, double flux) {
    double lp = s.lifetimep;
    double ep = ecz;
    // The eccentricity step's orbit terms are those of the step's start.
    const eNewOrbit start = eNewTerms(s.a, ecz, s.Rp, flux);
    // Once the passes settle, the mean motion and the lifetime repeat
    // exactly; their semi-major axis and eccentricity are then those of the
    // pass before (both pure functions of them, and neither prints).
    passMemo axis;
    passMemo ecc;
    for (int i = 0; i < 5; i++) {
        const double np = nz + 0.02 * ndz + 0.0003 * ndd;
        if (!axis.holds(np)) axis.keep(np, smaxis(np));
        const double ap = axis.value;
        if (!ecc.holds(lp)) ecc.keep(lp, eNew(start, lp + 0.01));
        ep = ecc.value;
        // The perigee distance never rises within a step.
        const double per1 = (1 - ep) * ap;
        if (s.per0 < per1) ep = (ap - s.per0) / ap;
        const double ph2 = lowpoint(ap, ep, s.plane);
        if (ifHk == 1) {
            // Drag coefficient through the transition region scales the
            // lifetime.
            const double Cdp = Cd(ph2, hk01, hk1, hk5);
            lp = s.lifetimep * s.Cdz / Cdp;
        }
        // Q is evaluated in every pass (its messages are part of the
        // step); a lifetime that has reached zero gives no derivative.
        const double qp = q(np, ep, ph2, flux);
        if (!(lp <= 0.0)) {
            const double ndp = qp * qfix / (2.0 * lp);
            ndd = 33.333333333 * (ndp - ndz);
        }
    }
    return {ep, lp};
}

// The mean elements at the step's end, by the cubic mean-anomaly polynomial.
struct meanElements {
    double tzt;
    double mzt;
    double nzt;
    double ndt;
};

meanElements advance() {
    meanElements m;
    m.tzt = tz + 0.01;
    m.mzt = std::fmod(mz + 360 * (0.01 * nz + 0.0001 * ndz + 0.000001 * ndd), 360);
    m.nzt = nz + 0.02 * ndz + 0.0003 * ndd;
    m.ndt = ndz + 0.03 * ndd;
    return m;
}

// Secular J2 precession of node and perigee from step-mean values.
struct precession {
    double ebar;  // step-mean eccentricity
    double dra;   // node rate, degrees/day
    double dap;   // perigee rate, degrees/day
    double rat;   // node at the step's end
    double apt;   // argument of perigee at the step's end
};

// 1.5 J2, the Earth's oblateness term of the secular rates, in Earth radii.
constexpr double oneAndAHalfJ2 = 0.001623967;

precession precess(const stepStart& s, double ep, double nzt) {
    precession p;
    p.ebar = (ecz + ep) / 2.0;
    const double nbar = (nzt + nz) / 2.0;
    double abar = smaxis(nbar);
    const double omee = 1 - p.ebar * p.ebar;
    const double d0 =
        -oneAndAHalfJ2 * (1 - 1.5 * s.sin2i) / (abar * abar * std::pow(omee, 1.5));
    abar = abar * (1 + 0.333333333 * (d0 - d0 * d0));
    const double r = 1 / (omee * abar);
    const double fact = oneAndAHalfJ2 * nbar * (r * r);
    p.dra = -360 * fact * s.cosi;
    p.dap = 360 * (2.0 - 2.5 * s.sin2i) * fact;
    p.rat = std::fmod(raz + 0.01 * p.dra + 360, 360);
    p.apt = std::fmod(apz + 0.01 * p.dap + 360, 360);
    return p;
}

// Change of inclination over the step, degrees, subtracted from the
// inclination: the rotating atmosphere lowers it as the period shortens,
// toward the equator for a prograde orbit and toward the poles for a
// retrograde one.
double inclinationChange(const stepStart& s, const precession& p, double nzt) {
    if (s.Rp >= 600.0) return 0;
    double f = 1 - ((2.999e-05 * (s.Rp + earthRadius) - 0.078) - 0.05 * p.ebar) * s.cosi;
    if (inc > 90.0) f = 2.0 - f;
    double di;
    if (p.ebar < 0.2) {
        di = 0.16666667;
    } else {
        const double c = std::cos(p.apt * deg);
        di = 0.33333333 * (std::pow(1 - p.ebar, 2.5) / std::pow(1 + p.ebar, 1.5)) * (c * c);
    }
    return s.plane.si * di * (1 / nz - 1 / nzt) / (deg * std::sqrt(f));
}

// The element set at the ascending node nearest to the step's start,
// written into el from the start-of-step state, the step's ndd and the
// rates of eccentricity `dep`, node `dra`, perigee `dap` and inclination
// `di` (per day). False, and el untouched, when it is not a number.
bool writeCrossing(double dep, double dra, double dap, double di) {
    const crossing c = findCrossing(dep, dap);
    const double xt = c.xt;
    const double tx = tz + xt;
    const double nx = nz + 2.0 * ndz * xt + 3.0 * ndd * (xt * xt);
    const double ndx = ndz + 3.0 * ndd * xt;
    const double rax = raz + xt * dra;
    const double inx = inc + xt * di;
    if (!(finite(tx) && finite(nx) && finite(ndx) && finite(ndd) && finite(rax) && finite(inx) &&
          finite(c.mx) && finite(c.apx) && finite(c.ecx))) {
        return false;
    }
    tnex = tx + 1 / nx - 0.01;
    el.epoch = tx;
    el.nrate = ndx;
    el.nrate2 = ndd;
    // Radians per minute, and per minute squared, as B* takes them.
    constexpr double twoPi = 6.283185307179586;
    el.bstar = bstar(twoPi * nx / 1440.0, twoPi * ndx / 2073600.0, c.ecx,
                     inx * deg);
    el.inc = inx;
    el.ra = rax;
    el.ecc = c.ecx;
    el.ap = c.apx;
    el.m = c.mx;
    el.n = nx;
    el.revno = el.revno + 1;
    if (el.revno > 99999) el.revno = el.revno - 100000;
    return true;
}

bool stateFinite() {
    return finite(tz) && finite(nz) && finite(ndz) && finite(ndd) && finite(mz) && finite(ecz) &&
           finite(inc) && finite(raz) && finite(apz) && finite(lifetime) && finite(tnex);
}

}  // namespace

void evolve(double flux) {
    // A legitimate call needs at most about 10000 steps (one revolution at
    // the lowest mean motion admitted); this only bounds a call whose next
    // crossing can no longer come due.
    constexpr long maxSteps = 1000000;

    int looping = 1;
    long steps = 0;
    while (looping == 1) {
        const stepStart s = startOfStep();
        const dragEnd d = dragPasses(s, flux);
        const meanElements m = advance();
        const precession p = precess(s, d.ep, m.nzt);
        const double di = inclinationChange(s, p, m.nzt);
        const double inct = inc - di;

        // Crossing output, from the state at the step's start.
        bool badCrossing = false;
        if (tnex <= tz) {
            badCrossing = !writeCrossing(100.0 * (d.ep - ecz), p.dra, p.dap, 100.0 * di);
            looping = 0;
        }

        // Commit and decay test.
        tz = m.tzt;
        l = d.lp;
        gone = gone + 0.01;
        lifetime = d.lp;
        if (lifetime < decayLimit) {
            looping = 0;
            decayedAt = d.lp + tz;
        }
        mz = m.mzt;
        nz = m.nzt;
        ndz = m.ndt;
        ecz = d.ep;
        raz = p.rat;
        apz = p.apt;
        inc = inct;

        // A state that is no longer a number ends the evolution here, before
        // it can spread through the following steps.
        if (badCrossing || !stateFinite()) {
            lifetime = 0;
            l = 0;
            return;
        }

        steps++;
        if (steps >= maxSteps) return;
    }
}

double decayListLifetime(const element& e, double flux) {
    if (!(e.nrate > 0.000001)) return -1.0;
    const double qCheck = qFixed(e, flux);
    if (!(qCheck > 0)) return -1.0;
    return qCheck / (2.0 * e.nrate);
}

double nrateForLifetime(const element& e, double flux, double days) {
    const double qCheck = qFixed(e, flux);
    if (!(qCheck > 0) || !(days > 0)) return -1.0;
    return qCheck / (2.0 * days);
}

bool crossingStep(double flux) {
    prime(flux);
    if (!(lifetime > 0)) return false;
    evolve(flux);
    return true;
}

}  // namespace morvel
