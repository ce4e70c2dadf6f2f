// Eccentricity after one evolution step of 0.01 day under drag.
#pragma once

namespace morvel {

// Eccentricity 0.01 day later, for semi-major axis `a` (Earth radii),
// eccentricity `ec`, perigee height `ph` km, remaining lifetime `life` days
// and flux `flux`. A lifetime of 0.01 day or less, or an eccentricity of 0 or
// less, returns `ec` unchanged (the theory has no value there); otherwise a
// lifetime that is not a number gives not a number.
double eNew(double a, double ec, double ph, double life, double flux);

// The terms of eNew that do not depend on the remaining lifetime, for a step
// that evaluates it for several lifetimes of one orbit.
struct eNewOrbit {
    double ec;   // eccentricity
    double z;    // eccentricity x semi-major axis / scale height at perigee
    double moo;  // rate of change of the scale height with height
};
eNewOrbit eNewTerms(double a, double ec, double ph, double flux);

// eNew(a, ec, ph, life, flux), the same value, from eNewTerms(a, ec, ph, flux).
double eNew(eNewOrbit t, double life);

}  // namespace morvel
