// Scale height of the exponential atmosphere, by height and 10.7 cm solar flux.
#pragma once

namespace morvel {

// Factor on every scale height of the run (flag -H); default 1.0.
extern double hfix;

// Scale height in km at `height` km for the 10.7 cm flux `flux`, times hfix.
// Linear in height between table rows from 0 to 1050 km, linear in flux
// between the flux-80 and flux-150 columns (extrapolated outside them);
// below 0 km 7.249 km and from 1050 km on 268.0 km, for any flux.
double scaleHeight(double height, double flux);

}  // namespace morvel
