#include "geometry.h"

#include <cmath>

namespace morvel {

double smaxis(double n) {
    // Kepler's third law with GM = 290.561428 Earth radii^3 rev^2 / day^2.
    return std::pow(290.561428 / (n * n), 0.333333333);
}

lowpointAngles lowpointTerms(double inc, double ap) {
    lowpointAngles t;
    t.si = std::sin(inc * deg);
    t.si2 = t.si * t.si;
    t.cap2 = std::cos(ap * 0.0349065850398866);
    // The nodes lie at true anomalies 360 - ap and 180 - ap.
    t.cnode1 = std::cos((360 - ap) * deg);
    t.cnode2 = std::cos((180 - ap) * deg);
    return t;
}

double lowpoint(double sm, double ecc, lowpointAngles t) {
    // Perigee less the radius of the oblate Earth at the perigee's latitude.
    double low = (1 - ecc) * sm - (0.9983247 + 0.001676 * t.si2 * t.cap2);
    // The nodes above the equatorial radius.
    const double low2 = (1 - ecc * t.cnode1) * sm - 1;
    if (low2 < low) low = low2;
    const double low3 = (1 - ecc * t.cnode2) * sm - 1;
    if (low3 < low) low = low3;
    return low * earthRadius;
}

double lowpoint(double sm, double inc, double ecc, double ap) {
    return lowpoint(sm, ecc, lowpointTerms(inc, ap));
}

double dkeplr(double an, double e) {
    // Newton's method with the slope taken at the fixed-point iterate.
    constexpr int maxPasses = 200;
    double en = an;
    double en2 = an;
    double res = 1.0;
    int passes = 0;
    while (res > 1e-10 && passes < maxPasses) {
        const double enn = an + e * std::sin(en);
        double fact = 1 / (1 - e * std::cos(enn));
        if (fact > 10.0) fact = 10.0;
        en2 = en + (enn - en) * fact;
        res = std::fabs(en2 - en);
        en = en2;
        passes++;
    }
    // Near e = 1 the iteration can run away; the root lies within one radian
    // of the mean anomaly, where E - e sin E rises monotonically: bisect.
    if ((res > 1e-10 || !std::isfinite(en2)) && std::isfinite(an)) {
        double lo = an - 1;
        double hi = an + 1;
        for (int i = 0; i < 100; i++) {
            const double mid = 0.5 * (lo + hi);
            if (mid - e * std::sin(mid) - an < 0) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        en2 = 0.5 * (lo + hi);
    }
    return en2;
}

orbitSize heights(double n, double ecc) {
    orbitSize s;
    s.a = 42244.777 / std::pow(n, 0.666666667);
    s.apogee = (1 + ecc) * s.a - earthRadius;
    s.perigee = (1 - ecc) * s.a - earthRadius;
    return s;
}

}  // namespace morvel
