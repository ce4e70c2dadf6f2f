#include "flight.h"

#include <array>
#include <cmath>
#include <limits>

#include "density.h"
#include "evolve.h"
#include "geometry.h"
#include "muq.h"

namespace morvel {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double secondsPerDay = 86400;
constexpr double metresPerKm = 1000;
constexpr double inf = std::numeric_limits<double>::infinity();

// The Earth's flattening (WGS 84).
constexpr double flattening = 1 / 298.257;

// Gauss-Legendre nodes x on [-1, 1], their cos E on [0, pi] (E = pi (x + 1)
// / 2), with weights that sum to one: the mean over E of a function sampled
// at the nodes.
template <int N>
struct nodes {
    std::array<double, N> x;
    std::array<double, N> cosE;
    std::array<double, N> weight;
};

template <int N>
nodes<N> legendre() {
    nodes<N> g{};
    for (int i = 0; i < N; ++i) {
        // Newton's method on P_N from the usual first guess of root i.
        double x = std::cos(pi * (i + 0.75) / (N + 0.5));
        double slope = 1;
        for (int pass = 0; pass < 100; ++pass) {
            double p0 = 1;
            double p1 = x;
            for (int k = 2; k <= N; ++k) {
                const double p2 = ((2 * k - 1) * x * p1 - (k - 1) * p0) / k;
                p0 = p1;
                p1 = p2;
            }
            slope = N * (x * p1 - p0) / (x * x - 1);
            const double dx = p1 / slope;
            x -= dx;
            if (std::fabs(dx) < 1e-15) break;
        }
        // E = pi (x + 1) / 2 maps [-1, 1] onto [0, pi]; the weights of
        // [-1, 1] sum to 2.
        g.x[i] = x;
        g.cosE[i] = std::cos(pi * (x + 1) / 2);
        g.weight[i] = 1 / ((1 - x * x) * slope * slope);
    }
    return g;
}

// Below this z = a e / H the orbit's air is taken as exponential round it
// (King-Hele's series); its terms in z^6 and e^2 are below 1e-6 there.
constexpr double seriesLimit = 0.1;
// Otherwise the density's change round the orbit, a e / H with H no less
// than this (km; the least scale height above 150 km), sets the quadrature's
// nodes: six below 0.5, twelve below 3, beyond 24. Against 48 nodes the
// averages of the thermosphere come within 6e-4 (six nodes at a e / H = 1),
// most of it the kinks of its table at the rows; a smooth exp(z cos E) six
// nodes integrate to about 1e-9 below 0.5.
constexpr double leastScaleHeight = 20;
// Far from perigee the air of an eccentric orbit is nothing: beyond the
// eccentric anomaly where the height has risen this many of the perigee's
// scale heights (less than e^-25 of the perigee's density, the scale height
// growing with height), the 24 nodes are not spent.
constexpr double thinAir = 25;

// The averaged densities of the two rates, kg/m^3.
struct averages {
    double ra;
    double re;
};

// The averages by the nodes `g` over E from 0 to `reach` (pi: the whole
// orbit; less: the rest has no air).
template <int N>
averages quadrature(const nodes<N>& g, double a, double e, double centre, double flux, const airModel& air,
                    double reach = pi) {
    averages m{0, 0};
    for (int k = 0; k < N; ++k) {
        // A node lies a e cos E below the orbit's centre.
        const double c = reach == pi ? g.cosE[k] : std::cos(reach * (g.x[k] + 1) / 2);
        const double rho = air.density(centre - a * e * c, flux);
        const double root = std::sqrt((1 + e * c) / (1 - e * c));
        m.ra += g.weight[k] * rho * (1 + e * c) * root;
        m.re += g.weight[k] * rho * c * root;
    }
    const double share = reach / pi;
    return {m.ra * share, m.re * share};
}

// The eccentric anomaly beyond which an orbit of spread a e / H, H the
// perigee's scale height, meets no air.
double airReach(double spread) { return 2 * spread > thinAir ? std::acos(1 - thinAir / spread) : pi; }

averages series(double rho, double z, double e) {
    // I0, I1 and I2 by their power series, to z^5.
    const double z2 = z * z;
    const double i0 = 1 + z2 / 4 * (1 + z2 / 16);
    const double i1 = z / 2 * (1 + z2 / 8);
    const double i2 = z2 / 8 * (1 + z2 / 12);
    return {rho * (i0 + 2 * e * i1), rho * (i1 + e * (i0 + i2) / 2)};
}

// ---- The flight -----------------------------------------------------------

// A step is this fraction of the time the perigee takes to fall one local
// scale height. Against steps fifteen times finer, the remaining time of the
// validation's flights moves by 1.3e-4 of itself in the median, 0.6 % at
// the 99th percentile (0.2: 5e-5 and 0.5 %, in 60 % more steps).
constexpr double stepFraction = 0.3;
// The theory's lifetime is asked for below this perigee height (km); above
// it the remaining lifetime is days or more, never near its decay limit.
constexpr double lifetimeHeight = 250;
// A perigee this low (km) has decayed whatever the lifetime says; an orbit
// reaches it only with a coefficient too small to come down otherwise.
constexpr double lowestPerigee = 80;
// Steps of one flight at most; a real one takes some tens.
constexpr int maxSteps = 100000;

}  // namespace

double semiMajorAxis(double n) { return smaxis(n) * earthRadius; }

double meanMotionOf(double a) {
    // smaxis: a = (290.561428 / n^2)^0.333333333 Earth radii.
    return std::sqrt(290.561428 / std::pow(a / earthRadius, 1 / 0.333333333));
}

double surfaceDrop(double incl) {
    const double s = std::sin(incl * deg);
    return earthRadius * flattening * s * s / 2;
}

double heightAt(double a, double e, double drop, double cosE) { return a * (1 - e * cosE) - earthRadius + drop; }

dragRates ratesPerBallistic(double a, double e, double drop, double flux, const airModel& air) {
    static const nodes<6> six = legendre<6>();
    static const nodes<12> twelve = legendre<12>();
    static const nodes<24> many = legendre<24>();
    const double centre = heightAt(a, 0, drop, 0);
    const double z = a * e / air.scaleHeight(centre, flux);
    const double spread = a * e / leastScaleHeight;
    const averages m = z < seriesLimit       ? series(air.density(centre, flux), z, e)
                       : spread < 0.5 ? quadrature(six, a, e, centre, flux, air)
                       : spread < 3   ? quadrature(twelve, a, e, centre, flux, air)
                                      : quadrature(many, a, e, centre, flux, air,
                                                   airReach(a * e / air.scaleHeight(centre - a * e, flux)));
    const double am = a * metresPerKm;
    return {-std::sqrt(earthMu * am) * m.ra * secondsPerDay / metresPerKm,
            -std::sqrt(earthMu / am) * (1 - e * e) * m.re * secondsPerDay};
}

double knownFlux(const fluxPlan& s, double day) {
    return s.weather == nullptr ? s.fixed : fluxAt(*s.weather, day, s.fixed).flux;
}

double flightFlux(const fluxPlan& s, double held, double day) {
    if (s.weather == nullptr) return s.fixed;
    const double predicted = predictedOn(*s.weather, day).mean81;
    return predicted > 0 ? predicted : held;
}

flightState flyUntil(const element& set, double b, const fluxPlan& s, double end, const airModel& air) {
    flightState o{set.epoch, semiMajorAxis(set.n), set.ecc, false, 0};
    if (!(b > 0) || !(set.n > 0) || !(set.ecc >= 0 && set.ecc < 1)) return o;
    const double drop = surfaceDrop(set.inc);
    const lowpointAngles plane = lowpointTerms(set.inc, set.ap);
    const double held = knownFlux(s, set.epoch);
    struct rates {
        double a;
        double e;
    };
    auto rate = [&](double t, double a, double e) {
        const dragRates r = ratesPerBallistic(a, e > 0 ? e : 0, drop, flightFlux(s, held, t), air);
        return rates{b * r.adot, b * r.edot};
    };
    while (o.t < end && o.steps < maxSteps && std::isfinite(o.a) && std::isfinite(o.e)) {
        const double flux = flightFlux(s, held, o.t);
        const rates d = rate(o.t, o.a, o.e);
        const double low = lowpoint(o.a / earthRadius, o.e, plane);
        // The theory's remaining lifetime at this state, Q qfix / ndot.
        double life = inf;
        if (low < lifetimeHeight) {
            // Below lowestPerigee the theory has no lifetime to ask (its
            // tables end above the ground): decayed now.
            if (low < lowestPerigee) {
                o.decayed = true;
                return o;
            }
            const double n = meanMotionOf(o.a);
            const double ndot = -1.5 * n * d.a / o.a;
            life = q(n, o.e, low, flux) * qfix / ndot;
            if (life < decayLimit) {
                o.t += life > 0 ? life : 0;
                o.decayed = true;
                return o;
            }
        }
        // A share of the time to fall one local scale height at perigee, no
        // step past half the lifetime or the end.
        const double scale = air.scaleHeight(heightAt(o.a, o.e, drop, 1), flux);
        const double fall = std::fabs(d.a * (1 - o.e) - o.a * d.e);
        double dt = stepFraction * scale / fall;
        if (dt > life / 2) dt = life / 2;
        if (o.t + dt > end) dt = end - o.t;
        if (!(dt > 0)) break;

        const rates k2 = rate(o.t + dt / 2, o.a + dt / 2 * d.a, o.e + dt / 2 * d.e);
        const rates k3 = rate(o.t + dt / 2, o.a + dt / 2 * k2.a, o.e + dt / 2 * k2.e);
        const rates k4 = rate(o.t + dt, o.a + dt * k3.a, o.e + dt * k3.e);
        o.a += dt / 6 * (d.a + 2 * k2.a + 2 * k3.a + k4.a);
        o.e += dt / 6 * (d.e + 2 * k2.e + 2 * k3.e + k4.e);
        if (o.e < 0) o.e = 0;
        o.t = o.t + dt;
        ++o.steps;
    }
    return o;
}

flight fly(const element& set, double b, const fluxPlan& s, double span) {
    const flightState f = flyUntil(set, b, s, set.epoch + span);
    return {f.decayed ? f.t : -1.0, f.steps};
}

}  // namespace morvel
