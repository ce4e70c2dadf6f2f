// Scale-height gradient and the lifetime factor Q of the decay theory.
#pragma once

namespace morvel {

// Factor on the Q-function (flag -Q); applied by the callers of q, default 1.0.
extern double qfix;

// Gradient of the scale height with height (km per km) at `height` km for
// flux `flux`: central difference over 10 km.
double mu(double height, double flux);

// Lifetime factor Q, rev/day, for mean motion `n` rev/day, eccentricity `ec`,
// perigee height `ph` km and flux `flux`, such that
//   remaining lifetime (days) x 2 x nrate = Q x qfix.
// Returns -1.0 for a perigee above 800 km. Bessel form for z = a e / H up to
// 3 and e up to 0.2, large-z expansion otherwise, never below the
// circular-orbit floor for z < 1.
double q(double n, double ec, double ph, double flux);

}  // namespace morvel
