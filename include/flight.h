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

// Height, km, of the point at eccentric anomaly `cosE` (its cosine) of an
// orbit of semi-major axis `a` km, eccentricity `e` and inclination `incl`
// degrees, above the oblate Earth's mean surface under the orbit: the
// equatorial radius lowered by R f sin^2(latitude), averaged round the orbit
// (f the flattening 1/298.257, the mean of sin^2(latitude) sin^2(i) / 2).
double heightAt(double a, double e, double incl, double cosE);

// A density of the air, kg/m^3, by height (km) and flux: the thermosphere's
// (density.h) unless a test gives another.
using densityModel = double (*)(double height, double flux);

// Rates of the orbit under drag, per unit of B = Cd A / m (m^2/kg), air at
// rest, averaged over the mean anomaly (Gauss's equations with the drag
// rho v^2 B / 2 along the velocity, written as integrals over the eccentric
// anomaly E; King-Hele, "Satellite Orbits in an Atmosphere", 1987, ch. 3-4):
//   da/dt = -B sqrt(mu a) (1/pi) int_0^pi rho (1 + e cosE)^1.5 (1 - e cosE)^-0.5 dE
//   de/dt = -B sqrt(mu/a) (1 - e^2) (1/pi) int_0^pi rho cosE ((1 + e cosE)/(1 - e cosE))^0.5 dE
// with rho = rho(heightAt(...), flux), by Gauss-Legendre quadrature (more
// nodes as a e / 20 km grows: the density's change round the orbit).
// `adot` km/day, `edot` per day, both negative or zero for 0 <= e < 1.
struct dragRates {
    double adot;
    double edot;
};
dragRates ratesPerBallistic(double a, double e, double incl, double flux, densityModel rho = density);

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

// The flux of day `day` of a flight that starts at `epoch`, and the day
// number until which it holds: the predicted row that covers the day when
// the table has one (after its observed days), else the flux known at the
// epoch, held for good (`until` infinite).
struct heldFlux {
    double flux;
    double until;
};
heldFlux flightFlux(const fluxPlan& s, double epoch, double day);

// The flight of set `e` with coefficient `b` m^2/kg from its epoch, its
// argument of perigee held: RK4 steps of a fifth of the time the perigee
// takes to fall one local scale height of the density `rho` (no step past a
// change of the flux or day `end`), until the decay theory's remaining
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
flightState flyUntil(const element& e, double b, const fluxPlan& s, double end, densityModel rho = density);

// The decay of that flight within `span` days of the epoch: its day number,
// or -1.0 when none comes (see flyUntil), with its RK4 steps.
struct flight {
    double decay;
    int steps;
};
flight fly(const element& e, double b, const fluxPlan& s, double span);

}  // namespace morvel
