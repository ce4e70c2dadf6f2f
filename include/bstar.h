// B* drag term of an element set from its mean motion and decay rate.
#pragma once

namespace morvel {

// B* (per Earth radius) that makes the SGP4 drag relation give the decay
// rate `xndt2o`, from the SGP4 initialisation (WGS-72 constants) as far as C2:
//   B* = xndt2o x 2/3 / (C2 x xno).
// `xno` mean motion, rad/min; `xndt2o` half the first derivative of the mean
// motion, rad/min^2; `eo` eccentricity; `xincl` inclination, rad.
double bstar(double xno, double xndt2o, double eo, double xincl);

}  // namespace morvel
