// Orbit evolution engine: orbit geometry, the process-wide evolution state,
// its priming from an element set, and the 0.01-day evolution step.
#pragma once

#include "elinput.h"

namespace morvel {

// ---- Orbit geometry -------------------------------------------------------

// Semi-major axis, Earth radii (6378.135 km), of mean motion `n` rev/day.
double smaxis(double n);

// Height in km of the lowest point of an orbit of semi-major axis `sm` Earth
// radii, inclination `inc` degrees, eccentricity `ecc` and argument of perigee
// `ap` degrees, above an oblate Earth: the lowest of the perigee (less the
// local radius at its latitude) and the two nodes (above the equatorial
// radius).
double lowpoint(double sm, double inc, double ecc, double ap);

// The terms of lowpoint that the inclination and the argument of perigee
// alone fix, for a step that evaluates it for several sizes and
// eccentricities of one orbit plane and perigee direction.
struct lowpointAngles {
    double si;      // sine of the inclination
    double si2;     // its square
    double cap2;    // cosine of twice the argument of perigee
    double cnode1;  // cosines of the anomalies of the two nodes
    double cnode2;
};
lowpointAngles lowpointTerms(double inc, double ap);

// lowpoint(sm, inc, ecc, ap), the same value, from lowpointTerms(inc, ap).
double lowpoint(double sm, double ecc, lowpointAngles t);

// Eccentric anomaly (radians) solving E - e sin E = an, for mean anomaly `an`
// radians and eccentricity `e`. Damped Newton iteration; where it does not
// settle within 200 passes (eccentricities near 1) the root is found by
// bisection instead.
double dkeplr(double an, double e);

// ---- Evolution state --------------------------------------------------------
// One evolution in the process. Times on the day-number scale, angles in
// degrees, mean motion in rev/day; the z suffix marks values at time tz.

extern element el;        // the set being evolved; each crossing written here
extern double tz;         // time of the state
extern double nz;         // mean motion
extern double ndz;        // half the first derivative of mean motion, rev/day^2
extern double ndd;        // one sixth of the second derivative, rev/day^3
extern double mz;         // mean anomaly
extern double ecz;        // eccentricity
extern double inc;        // inclination
extern double raz;        // right ascension of the ascending node
extern double apz;        // argument of perigee
extern double lifetime;   // remaining lifetime, days (1e8: no decay predicted)
extern double l;          // remaining lifetime as the driver tests it
extern double gone;       // days evolved since priming
extern double tnex;       // time from which the next crossing is searched for
extern double decayedAt;  // time of decay; -1.0 until decay is found

// Loads the evolution state from `el` for flux `flux`: the first lifetime
// estimate, the element number marked as evolved (elno mod 1000 + 9000), the
// revolution number lowered by one (the first crossing adds it back) and B*
// cleared.
void prime(double flux);

// Advances the state in steps of 0.01 day until the next ascending equator
// crossing has been written into `el` (its revno changes) or decay is found
// (decayedAt set, l below 0.01).
void evolve(double flux);

}  // namespace morvel
