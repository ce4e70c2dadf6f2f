#include "evolve.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "bstar.h"
#include "enew.h"
#include "hkcd.h"
#include "muq.h"

namespace morvel {

namespace {
constexpr double deg = 0.0174532925199433;  // radians per degree
}

// ---- Orbit geometry -------------------------------------------------------

double smaxis(double n) {
    // Kepler's third law with GM = 290.561428 Earth radii^3 rev^2 / day^2.
    return std::pow(290.561428 / (n * n), 0.333333333);
}

lowpointAngles lowpointTerms(double inc, double ap) {
    lowpointAngles t;
    t.si = std::sin(inc * deg);
    t.si2 = t.si * t.si;
    t.cap2 = std::cos(ap * 0.0349065850398866);
    // The nodes lie at true anomalies 360 - ap and 180 - ap.
    t.cnode1 = std::cos((360 - ap) * deg);
    t.cnode2 = std::cos((180 - ap) * deg);
    return t;
}

double lowpoint(double sm, double ecc, lowpointAngles t) {
    // Perigee less the radius of the oblate Earth at the perigee's latitude.
    double low = (1 - ecc) * sm - (0.9983247 + 0.001676 * t.si2 * t.cap2);
    // The nodes above the equatorial radius.
    const double low2 = (1 - ecc * t.cnode1) * sm - 1;
    if (low2 < low) low = low2;
    const double low3 = (1 - ecc * t.cnode2) * sm - 1;
    if (low3 < low) low = low3;
    return low * 6378.135;
}

double lowpoint(double sm, double inc, double ecc, double ap) {
    return lowpoint(sm, ecc, lowpointTerms(inc, ap));
}

double dkeplr(double an, double e) {
    // Newton's method with the slope taken at the fixed-point iterate.
    constexpr int maxPasses = 200;
    double en = an;
    double en2 = an;
    double res = 1.0;
    int passes = 0;
    while (res > 1e-10 && passes < maxPasses) {
        const double enn = an + e * std::sin(en);
        double fact = 1 / (1 - e * std::cos(enn));
        if (fact > 10.0) fact = 10.0;
        en2 = en + (enn - en) * fact;
        res = std::fabs(en2 - en);
        en = en2;
        passes++;
    }
    // Near e = 1 the iteration can run away; the root lies within one radian
    // of the mean anomaly, where E - e sin E rises monotonically: bisect.
    if ((res > 1e-10 || !std::isfinite(en2)) && std::isfinite(an)) {
        double lo = an - 1;
        double hi = an + 1;
        for (int i = 0; i < 100; i++) {
            const double mid = 0.5 * (lo + hi);
            if (mid - e * std::sin(mid) - an < 0) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        en2 = 0.5 * (lo + hi);
    }
    return en2;
}

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

    const double sm = smaxis(nz);
    const double ph = lowpoint(sm, inc, ecz, apz);
    if (ndz <= 0) {
        lifetime = 100000000.0;  // mean motion not increasing: no decay
    } else {
        lifetime = q(nz, ecz, ph, flux) * qfix / (2.0 * ndz);
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

}  // namespace

void evolve(double flux) {
    // A legitimate call needs at most about 10000 steps (one revolution at
    // the lowest mean motion admitted); this only bounds a call whose next
    // crossing can no longer come due.
    constexpr long maxSteps = 1000000;

    int looping = 1;
    long steps = 0;
    while (looping == 1) {
        // Step start.
        const double cosi = std::cos(inc * deg);
        const double sin2i = 1 - cosi * cosi;
        const double a = smaxis(nz);
        const double per0 = (1 - ecz) * a;
        // Inclination and perigee direction hold through the drag passes.
        const lowpointAngles plane = lowpointTerms(inc, apz);
        const double Rp = lowpoint(a, ecz, plane);
        double Cdz = 0;
        if (ifHk == 1) Cdz = Cd(Rp, hk01, hk1, hk5);
        const double lifetimep = lifetime - 0.01;
        double lp = lifetimep;

        // Drag iteration: the mean-motion term ndd that makes the lifetime
        // fall by the step while lifetime x 2 ndot/2 = Q x qfix holds at the
        // step's end.
        double ep = ecz;
        // The eccentricity step's orbit terms are those of the step's start.
        const eNewOrbit start = eNewTerms(a, ecz, Rp, flux);
        // Once the passes settle, the mean motion and the lifetime repeat
        // exactly; their semi-major axis and eccentricity are then those of
        // the pass before (both pure functions of them).
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
            if (per0 < per1) ep = (ap - per0) / ap;
            const double ph2 = lowpoint(ap, ep, plane);
            if (ifHk == 1) {
                // Drag coefficient through the transition region scales the
                // lifetime.
                const double Cdp = Cd(ph2, hk01, hk1, hk5);
                lp = lifetimep * Cdz / Cdp;
            }
            // Q is evaluated in every pass (its messages are part of the
            // step); a lifetime that has reached zero gives no derivative.
            const double qp = q(np, ep, ph2, flux);
            if (!(lp <= 0.0)) {
                const double ndp = qp * qfix / (2.0 * lp);
                ndd = 33.333333333 * (ndp - ndz);
            }
        }

        // Advance of the mean elements by the cubic mean-anomaly polynomial.
        const double dep = 100.0 * (ep - ecz);
        const double tzt = tz + 0.01;
        const double lt = lp;
        const double mzt = std::fmod(mz + 360 * (0.01 * nz + 0.0001 * ndz + 0.000001 * ndd), 360);
        const double nzt = nz + 0.02 * ndz + 0.0003 * ndd;
        const double ndt = ndz + 0.03 * ndd;

        // Secular J2 precession of node and perigee from step-mean values.
        const double ebar = (ecz + ep) / 2.0;
        const double nbar = (nzt + nz) / 2.0;
        double abar = smaxis(nbar);
        const double omee = 1 - ebar * ebar;
        const double d0 =
            -0.001623967 * (1 - 1.5 * sin2i) / (abar * abar * std::pow(omee, 1.5));
        abar = abar * (1 + 0.333333333 * (d0 - d0 * d0));
        const double r = 1 / (omee * abar);
        const double fact = 0.001623967 * nbar * (r * r);
        const double dra = -360 * fact * cosi;
        const double dap = 360 * (2.0 - 2.5 * sin2i) * fact;
        const double rat = std::fmod(raz + 0.01 * dra + 360, 360);
        const double apt = std::fmod(apz + 0.01 * dap + 360, 360);

        // The rotating atmosphere turns the orbit plane toward the equator
        // as the period shortens.
        double di = 0;
        if (!(Rp >= 600.0)) {
            double f = 1 - ((2.999e-05 * (Rp + 6378.135) - 0.078) - 0.05 * ebar) * cosi;
            if (inc > 90.0) f = 2.0 - f;
            if (ebar < 0.2) {
                di = 0.16666667;
            } else {
                const double c = std::cos(apt * deg);
                di = 0.33333333 * (std::pow(1 - ebar, 2.5) / std::pow(1 + ebar, 1.5)) * (c * c);
            }
            di = plane.si * di * (1 / nz - 1 / nzt) / (0.0174532925199433 * std::sqrt(f));
        }
        const double inct = inc - di;
        di = 100.0 * di;

        // Crossing output, from the state at the step's start.
        bool badCrossing = false;
        if (tnex <= tz) {
            const crossing c = findCrossing(dep, dap);
            const double xt = c.xt;
            const double tx = tz + xt;
            const double nx = nz + 2.0 * ndz * xt + 3.0 * ndd * (xt * xt);
            const double ndx = ndz + 3.0 * ndd * xt;
            const double rax = raz + xt * dra;
            const double inx = inc + xt * di;
            if (finite(tx) && finite(nx) && finite(ndx) && finite(ndd) && finite(rax) &&
                finite(inx) && finite(c.mx) && finite(c.apx) && finite(c.ecx)) {
                tnex = tx + 1 / nx - 0.01;
                el.epoch = tx;
                el.nrate = ndx;
                el.nrate2 = ndd;
                el.bstar = bstar(6.283185307179586 * nx / 1440.0,
                                 6.283185307179586 * ndx / 2073600.0, c.ecx, inx * deg);
                el.inc = inx;
                el.ra = rax;
                el.ecc = c.ecx;
                el.ap = c.apx;
                el.m = c.mx;
                el.n = nx;
                el.revno = el.revno + 1;
                if (el.revno > 99999) el.revno = el.revno - 100000;
            } else {
                badCrossing = true;
            }
            looping = 0;
        }

        // Commit and decay test.
        tz = tzt;
        l = lt;
        gone = gone + 0.01;
        lifetime = lp;
        if (lifetime < 0.01) {
            looping = 0;
            decayedAt = lp + tz;
        }
        mz = mzt;
        nz = nzt;
        ndz = ndt;
        ecz = ep;
        raz = rat;
        apz = apt;
        inc = inct;

        // A state that is no longer a number ends the evolution here, before
        // it can spread through the following steps.
        if (badCrossing || !finite(tz) || !finite(nz) || !finite(ndz) || !finite(ndd) ||
            !finite(mz) || !finite(ecz) || !finite(inc) || !finite(raz) || !finite(apz) ||
            !finite(lifetime) || !finite(tnex)) {
            lifetime = 0;
            l = 0;
            return;
        }

        steps++;
        if (steps >= maxSteps) return;
    }
}

}  // namespace morvel
