#include "bstar.h"

#include <cmath>

#include "geometry.h"

namespace morvel {

double bstar(double xno, double xndt2o, double eo, double xincl) {
    // WGS-72 constants of the SGP4 model.
    constexpr double xke = 0.0743669161;        // sqrt(GM), Earth radii^1.5 / min
    constexpr double tothrd = 0.666666666666667;
    constexpr double s = 1.01222928;            // atmosphere parameter, Earth radii
    constexpr double qoms2t = 1.88027916e-09;   // ((120 - 78) / 6378.135)^4
    constexpr double xkmper = earthRadius;      // Earth radius, km
    constexpr double ck2 = 0.000541308;         // J2 / 2, Earth radii^2

    // Recover the original mean motion and semi-major axis from the Kozai
    // mean motion of the element set.
    const double a1 = std::pow(xke / xno, tothrd);
    const double cosio = std::cos(xincl);
    const double theta2 = cosio * cosio;
    const double x3thm1 = 3 * theta2 - 1;
    const double eosq = eo * eo;
    const double betao2 = 1 - eosq;
    const double betao = std::sqrt(betao2);
    const double del1 = 1.5 * ck2 * x3thm1 / (a1 * a1 * betao * betao2);
    const double ao = a1 * (1 - del1 * (0.5 * tothrd + del1 * (1 + 1.654320987654321 * del1)));
    const double delo = 1.5 * ck2 * x3thm1 / (ao * ao * betao * betao2);
    const double xnodp = xno / (1 + delo);
    const double aodp = ao / (1 - delo);

    // Low perigees lower the density reference height s.
    double s4 = s;
    double qoms24 = qoms2t;
    const double perige = ((1 - eo) * aodp - 1) * xkmper;
    if (perige < 156) {
        s4 = perige <= 98 ? 20 : perige - 78;
        qoms24 = std::pow((120 - s4) / xkmper, 4);
        s4 = s4 / xkmper + 1;
    }

    const double tsi = 1 / (aodp - s4);
    const double eta = eo * aodp * tsi;
    const double etasq = eta * eta;
    const double eeta = eo * eta;
    const double psisq = std::fabs(1 - etasq);
    const double coef = qoms24 * std::pow(tsi, 4);
    const double coef1 = coef / std::pow(psisq, 3.5);
    const double c2 = coef1 * xnodp *
                      (aodp * (1 + 1.5 * etasq + eeta * (4 + etasq)) +
                       0.75 * ck2 * tsi / psisq * x3thm1 * (8 + 3 * etasq * (8 + etasq)));
    // The drag relation ndot/2 = 1.5 C2 B* n, solved for B*.
    const double bcalc = xndt2o * tothrd / (c2 * xno);
    return bcalc;
}

}  // namespace morvel
