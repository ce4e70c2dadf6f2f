// The flight of an orbit under air drag with a known ballistic coefficient:
// the orbit-averaged decay of its semi-major axis and eccentricity through
// the thermosphere's density and the flux of each day, to the decay
// theory's own end.
#pragma once

#include "density.h"
#include "elinput.h"
#include "formats/spaceweather.h"

namespace morvel {

// The Earth's gravitational parameter, m^3/s^2.
inline constexpr double earthMu = 3.986004418e14;

// Semi-major axis, km, of mean motion `n` rev/day (the engine's conversion,
// Earth radii times earthRadius), and the mean motion, rev/day, of
// semi-major axis `a` km (its inverse).
double semiMajorAxis(double n);
double meanMotionOf(double a);

// How far, km, the oblate Earth's mean surface under an orbit of
// inclination `incl` degrees lies below the equatorial radius: R f
// sin^2(latitude) averaged round the orbit, f the flattening 1/298.257 and
// the mean of sin^2(latitude) sin^2(i) / 2.
double surfaceDrop(double incl);

// Height, km, above that surface (`drop` km below the equatorial radius) of
// the point at eccentric anomaly `cosE` (its cosine) of an orbit of
// semi-major axis `a` km and eccentricity `e`.
double heightAt(double a, double e, double drop, double cosE);

// The air the orbit flies through: its density, kg/m^3, and its local scale
// height, km, by height (km) and flux; the thermosphere's (density.h) unless
// a test gives another.
struct airModel {
    double (*density)(double height, double flux);
    double (*scaleHeight)(double height, double flux);
};
inline constexpr airModel thermosphere{density, densityScaleHeight};

// Rates of the orbit under drag, per unit of B = Cd A / m (m^2/kg), air at
// rest, averaged over the mean anomaly (Gauss's equations with the drag
// rho v^2 B / 2 along the velocity, written as integrals over the eccentric
// anomaly E; King-Hele, "Satellite Orbits in an Atmosphere", 1987, ch. 3-4):
//   da/dt = -B sqrt(mu a) (1/pi) int_0^pi rho (1 + e cosE)^1.5 (1 - e cosE)^-0.5 dE
//   de/dt = -B sqrt(mu/a) (1 - e^2) (1/pi) int_0^pi rho cosE ((1 + e cosE)/(1 - e cosE))^0.5 dE
// with rho = air.density(heightAt(a, e, drop, cosE), flux). For a nearly
// circular orbit (z = a e / H below 0.1, H the air's scale height at the
// orbit's centre) King-Hele's series in the Bessel functions of z, the air
// exponential round the orbit: rho_c (I0 + 2e I1) and rho_c (I1 + e (I0 +
// I2) / 2), to first order in e (e^2 is below 1e-6 there); otherwise
// Gauss-Legendre quadrature, more nodes as a e / 20 km grows. `adot`
// km/day, `edot` per day, both negative or zero for 0 <= e < 1.
struct dragRates {
    double adot;
    double edot;
};
dragRates ratesPerBallistic(double a, double e, double drop, double flux, const airModel& air = thermosphere);

// Where the flux of each day comes from: a space-weather table (none: the
// fixed flux every day) and the flux of days it has no value for (-F).
struct fluxPlan {
    const spaceWeather* weather = nullptr;
    double fixed = 150.0;
};

// The 81-day mean flux known on day `day` (day number): the table's
// observed mean of that day or the last observed day before it; `fixed`
// before the table and without one.
double knownFlux(const fluxPlan& s, double day);

// The flux of day `day` of a flight whose set knew the flux `held` at its
// epoch: the predicted row that covers the day when the table has one (after
// its observed days), else `held` (without a table, `fixed`). The 81-day
// means move slowly: a flight takes the flux of each instant it evaluates,
// without stopping at a row's change.
double flightFlux(const fluxPlan& s, double held, double day);

// The flight of set `e` with coefficient `b` m^2/kg from its epoch, its
// argument of perigee held, through the flux of each day (flightFlux): RK4
// steps of 0.3 of the time the perigee takes to fall one local scale height
// of the air `air` (no step past day `end`), until the decay theory's remaining
// lifetime Q x qfix / ndot, ndot = -1.5 n/a da/dt, falls below decayLimit
// (asked below a perigee of 250 km; a perigee below 80 km has decayed). The
// state then (`decayed`, `t` the decay: that time plus the lifetime left, as
// the evolution has it), or at `end` (t = end), or where it stopped being a
// number or the steps ran out (100000; `t` before `end`). Semi-major axis
// `a` km; `steps` counts the RK4 steps. No state moves for no positive b, a
// mean motion not positive or e outside 0..1 (t = epoch).
struct flightState {
    double t;
    double a;
    double e;
    bool decayed;
    int steps;
};
flightState flyUntil(const element& e, double b, const fluxPlan& s, double end,
                     const airModel& air = thermosphere);

// The decay of that flight within `span` days of the epoch: its day number,
// or -1.0 when none comes (see flyUntil), with its RK4 steps.
struct flight {
    double decay;
    int steps;
};
flight fly(const element& e, double b, const fluxPlan& s, double span);

}  // namespace morvel
