#include "enew.h"

#include <cmath>

#include "bess.h"
#include "geometry.h"
#include "muq.h"
#include "scaleheight.h"

namespace morvel {

eNewOrbit eNewTerms(double a, double ec, double ph, double flux) {
    const double H = scaleHeight(ph, flux);
    return {ec, ec * a * earthRadius / H, mu(ph, flux)};
}

double eNew(eNewOrbit t, double life) {
    const double ec = t.ec;
    const double z = t.z;
    const double moo = t.moo;
    // No decay step is defined in the last 0.01 day, nor for a circular orbit.
    // A lifetime that is not a number is no such case: it runs through the
    // formula, so that the step's later calls see the not-a-number it gives.
    if (life <= 0.01) return ec;
    if (!(ec > 0)) return ec;

    // Simplest form: the eccentricity shrinks with the square root of the
    // remaining lifetime.
    const double alpha = std::sqrt(1 - 0.01 / life);
    if (ec > 0.2) return alpha * ec;
    if (z > 3 || z < 0.05) {
        return alpha * ec * (1 - 0.25 * moo * (1 + 1 / (2 * z)) * std::log(alpha));
    }
    return alpha * ec *
           (1 + 0.5 * moo *
                    (std::log(BessI1(z) / (alpha * BessI1(alpha * z))) -
                     0.15 * (z * z) * 0.01 / life));
}

double eNew(double a, double ec, double ph, double life, double flux) {
    return eNew(eNewTerms(a, ec, ph, flux), life);
}

}  // namespace morvel
