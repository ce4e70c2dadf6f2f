#include "muq.h"

#include "bess.h"
#include "geometry.h"
#include "j.h"
#include "scaleheight.h"

namespace morvel {

double qfix = 1.0;

double mu(double height, double flux) {
    return (scaleHeight(height + 5, flux) - scaleHeight(height - 5, flux)) / 10;
}

double q(double n, double ec, double ph, double flux) {
    const double a = earthRadius * smaxis(n);  // semi-major axis, km
    if (ph > 800) return -1.0;                  // no estimate above 800 km

    const double H = scaleHeight(ph, flux);
    double z = ec * a / H;
    const double moo = mu(ph, flux);

    // Large z or high eccentricity: I0(z)/I1(z) by its large-z expansion
    // 1 + 1/(2z) + 3/(8z^2).
    if (z > 3 || ec > 0.2) {
        return 0.75 * n * ec *
               (1 + 1.16666667 * ec + (1 + 0.75 / z) / (2 * z) - (0.25 - 1 / (2 * z)) * moo);
    }

    // Nearly circular orbits: the small-z limit 1.5 n H / a of the Bessel
    // form, with the scale height about one scale height below perigee.
    double qout0 = 0;
    if (z < 1) {
        double H8 = scaleHeight(ph - H, flux);
        H8 = scaleHeight(ph - H8, flux);
        qout0 = 1.5 * H8 * n / a;
    }
    if (z < 0.05) z = 0.05;
    const double qout = 0.75 * n * ec * Bess(z) * (1 - J(z) * moo);
    return qout > qout0 ? qout : qout0;
}

}  // namespace morvel
