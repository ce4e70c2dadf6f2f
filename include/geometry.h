// Orbit geometry: the size of an orbit from its mean motion, the height of
// its lowest point above an oblate Earth, and Kepler's equation.
#pragma once

namespace morvel {

// Equatorial radius of the Earth, km: the unit of the semi-major axes below.
inline constexpr double earthRadius = 6378.135;

// Radians per degree.
inline constexpr double deg = 0.0174532925199433;

// Semi-major axis, Earth radii, of mean motion `n` rev/day.
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

// Size of an element set's orbit as its title line shows it, in km: the
// semi-major axis of mean motion `n` rev/day (Kepler's third law with the
// Earth's GM folded into the constant), and the apogee and perigee heights
// above the equatorial radius for eccentricity `ecc`.
struct orbitSize {
    double a;
    double apogee;
    double perigee;
};
orbitSize heights(double n, double ecc);

}  // namespace morvel
