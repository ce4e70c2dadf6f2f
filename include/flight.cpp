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

// Gauss-Legendre nodes on [0, pi] as cos E, with weights that sum to one: the
// mean over E of a function sampled at the nodes.
template <int N>
struct nodes {
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
        g.cosE[i] = std::cos(pi * (x + 1) / 2);
        g.weight[i] = 1 / ((1 - x * x) * slope * slope);
    }
    return g;
}

// The density's change round the orbit, a e / H with H no less than this
// (km; the least scale height above 150 km), sets the nodes: below 0.5 six
// nodes integrate exp(z cos E) to about 1e-9, below 3 twelve, beyond 24.
constexpr double leastScaleHeight = 20;

template <int N>
dragRates averaged(const nodes<N>& g, double a, double e, double incl, double flux, densityModel model) {
    double ra = 0;
    double re = 0;
    for (int k = 0; k < N; ++k) {
        const double c = g.cosE[k];
        const double rho = model(heightAt(a, e, incl, c), flux);
        const double root = std::sqrt((1 + e * c) / (1 - e * c));
        ra += g.weight[k] * rho * (1 + e * c) * root;
        re += g.weight[k] * rho * c * root;
    }
    const double am = a * metresPerKm;
    return {-std::sqrt(earthMu * am) * ra * secondsPerDay / metresPerKm,
            -std::sqrt(earthMu / am) * (1 - e * e) * re * secondsPerDay};
}

// ---- The flight -----------------------------------------------------------

// A step is this fraction of the time the perigee takes to fall one local
// scale height: the remaining time then comes within 1 % of a step ten
// times finer (2e-5 in the median).
constexpr double stepFraction = 0.2;
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

double heightAt(double a, double e, double incl, double cosE) {
    const double s = std::sin(incl * deg);
    return a * (1 - e * cosE) - earthRadius + earthRadius * flattening * s * s / 2;
}

dragRates ratesPerBallistic(double a, double e, double incl, double flux, densityModel rho) {
    static const nodes<6> six = legendre<6>();
    static const nodes<12> twelve = legendre<12>();
    static const nodes<24> many = legendre<24>();
    const double z = a * e / leastScaleHeight;
    if (z < 0.5) return averaged(six, a, e, incl, flux, rho);
    if (z < 3) return averaged(twelve, a, e, incl, flux, rho);
    return averaged(many, a, e, incl, flux, rho);
}

double knownFlux(const fluxPlan& s, double day) {
    return s.weather == nullptr ? s.fixed : fluxAt(*s.weather, day, s.fixed).flux;
}

heldFlux flightFlux(const fluxPlan& s, double epoch, double day) {
    if (s.weather == nullptr) return {s.fixed, inf};
    const prediction p = predictedOn(*s.weather, day);
    if (p.mean81 > 0) return {p.mean81, p.next};
    return {knownFlux(s, epoch), p.next};
}

flightState flyUntil(const element& set, double b, const fluxPlan& s, double end, densityModel rho) {
    flightState o{set.epoch, semiMajorAxis(set.n), set.ecc, false, 0};
    if (!(b > 0) || !(set.n > 0) || !(set.ecc >= 0 && set.ecc < 1)) return o;
    const double incl = set.inc;
    const lowpointAngles plane = lowpointTerms(set.inc, set.ap);
    heldFlux flux = flightFlux(s, set.epoch, o.t);
    struct rates {
        double a;
        double e;
    };
    auto rate = [&](double a, double e) {
        const dragRates r = ratesPerBallistic(a, e > 0 ? e : 0, incl, flux.flux, rho);
        return rates{b * r.adot, b * r.edot};
    };
    while (o.t < end && o.steps < maxSteps && std::isfinite(o.a) && std::isfinite(o.e)) {
        if (!(o.t < flux.until)) flux = flightFlux(s, set.epoch, o.t);
        const rates d = rate(o.a, o.e);
        const double n = meanMotionOf(o.a);
        const double low = lowpoint(o.a / earthRadius, o.e, plane);
        // The theory's remaining lifetime at this state, Q qfix / ndot.
        double life = inf;
        if (low < lifetimeHeight) {
            const double ndot = -1.5 * n * d.a / o.a;
            life = q(n, o.e, low, flux.flux) * qfix / ndot;
            if (life < decayLimit || low < lowestPerigee) {
                o.t += life > 0 && life < decayLimit ? life : 0;
                o.decayed = true;
                return o;
            }
        }
        // A fifth of the time to fall one local scale height at perigee, no
        // step past half the lifetime, a change of flux or the end.
        const double hp = heightAt(o.a, o.e, incl, 1);
        const double scale = 2 / std::log(rho(hp - 1, flux.flux) / rho(hp + 1, flux.flux));
        const double fall = std::fabs(d.a * (1 - o.e) - o.a * d.e);
        double dt = stepFraction * scale / fall;
        if (dt > life / 2) dt = life / 2;
        if (o.t + dt > flux.until) dt = flux.until - o.t;
        if (o.t + dt > end) dt = end - o.t;
        if (!(dt > 0)) break;

        const rates k2 = rate(o.a + dt / 2 * d.a, o.e + dt / 2 * d.e);
        const rates k3 = rate(o.a + dt / 2 * k2.a, o.e + dt / 2 * k2.e);
        const rates k4 = rate(o.a + dt * k3.a, o.e + dt * k3.e);
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
