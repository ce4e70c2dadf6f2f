// Eccentricity after one evolution step of 0.01 day under drag.
#pragma once

namespace morvel {

// Eccentricity 0.01 day later, for semi-major axis `a` (Earth radii),
// eccentricity `ec`, perigee height `ph` km, remaining lifetime `life` days
// and flux `flux`. A lifetime of 0.01 day or less, or an eccentricity of 0 or
// less, returns `ec` unchanged (the theory has no value there).
double eNew(double a, double ec, double ph, double life, double flux);

}  // namespace morvel
