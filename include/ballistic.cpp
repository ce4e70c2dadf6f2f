#include "ballistic.h"

#include <cmath>

#include "bess.h"
#include "density.h"
#include "geometry.h"
#include "scaleheight.h"

namespace morvel {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double secondsPerDay = 86400;
// The decay list lists no set whose mean motion grows more slowly.
constexpr double smallestNrate = 0.000001;  // rev/day^2
// End of the Bessel tables, where the large-z form takes over.
constexpr double tableEnd = 3;

}  // namespace

double dragFactor(double z, double ec) {
    if (z > tableEnd) {
        // Laplace's method about the perigee, where almost all the drag is.
        const double g0 = std::pow(1 + ec, 1.5) / std::sqrt(1 - ec);
        return g0 / std::sqrt(2 * pi * z) * (1 + (1 - 8 * ec + 3 * ec * ec) / (8 * z * (1 - ec * ec)));
    }
    return std::exp(-z) * (BessI0(z) + 2 * ec * BessI1(z));
}

double impliedBallistic(const element& e, double flux) {
    if (!(e.nrate > smallestNrate)) return -1.0;
    const double sm = smaxis(e.n);
    const double a = earthRadius * sm;  // km
    const double ph = lowpoint(sm, e.inc, e.ecc, e.ap);
    const double rho = density(ph, flux);
    const double z = e.ecc * a / scaleHeight(ph, flux);
    // Speed of the circular orbit of the mean motion, m/s.
    const double v = a * 1000 * (e.n * 2 * pi / secondsPerDay);
    // The mean motion's relative rate of change, per second.
    const double rate = 2 * e.nrate / e.n / secondsPerDay;
    const double b = rate / (1.5 * rho * v * dragFactor(z, e.ecc));
    return std::isfinite(b) && b > 0 ? b : -1.0;
}

descent descentOf(double b) { return b > dragLimit ? descent::thrust : descent::drag; }

const char* descentName(descent d) { return d == descent::thrust ? "thrust" : "drag"; }

}  // namespace morvel
