// The ballistic coefficient Cd A / m that an element set's own decay needs,
// and the descent it tells: drag, or a lowering that drag cannot give.
#pragma once

#include "elinput.h"

namespace morvel {

// Orbit average of the drag's effect on the mean motion in an exponential
// atmosphere, relative to a circular orbit that meets the perigee's density
// all the way round, for z = a e / H (semi-major axis times eccentricity over
// the scale height at perigee) and eccentricity `ec`. King-Hele's average
// e^-z [I0(z) + 2 e I1(z)], to first order in e, with the decay theory's
// tables of I0 and I1 for z up to 3; beyond, its large-z form
// (1 + e)^1.5 (1 - e)^-0.5 (2 pi z)^-0.5 [1 + (1 - 8e + 3e^2) / (8z (1 - e^2))].
// 1 for a circular orbit.
double dragFactor(double z, double ec);

// Cd A / m, m^2/kg, that the decay rate of set `e` (nrate, half the first
// derivative of its mean motion) needs at its lowest point, at the density of
// flux `flux`: dn/dt = 1.5 n rho v B dragFactor(z, e), with v the speed of the
// circular orbit of the mean motion and the air at rest (the Earth's rotation
// of the atmosphere is left out). -1.0 when there is no estimate: nrate not
// above 1e-6 rev/day^2 (a set the decay list does not list), or an orbit or
// flux that gives no finite positive value.
double impliedBallistic(const element& e, double flux);

// The largest Cd A / m, m^2/kg, that drag decay gives; above it a set's
// lowering is thrust (or an object far lighter for its area than any
// satellite, a sail or a loose blanket). Set from the evidence in
// docs/screening.md.
inline constexpr double dragLimit = 0.1;

enum class descent { drag, thrust };

// The descent that a coefficient `b` (m^2/kg) tells: thrust above dragLimit,
// drag otherwise (no estimate, -1.0, included).
descent descentOf(double b);

// "drag" or "thrust".
const char* descentName(descent d);

}  // namespace morvel
