#include "hkcd.h"

#include <cmath>

namespace morvel {

int ifHk = 0;
double deltaHk = 0.0;
double hk01 = 0.0;
double hk1 = 0.0;
double hk5 = 0.0;

void hk(double size, double& hk01, double& hk1, double& hk5) {
    // Each height is a quadratic in the logarithm of the size in metres.
    const double L = std::log(size);
    hk01 = 97.92 + 5.7582 * L + 0.18112 * (L * L);
    hk1 = 110.93 + 6.9659 * L + 1.13672 * (L * L);
    hk5 = 123.48 + 10.2222 * L + 2.3609 * (L * L);
}

void setTransitionRegion(double size, double shift) {
    hk(size, hk01, hk1, hk5);
    hk01 = hk01 + shift;
    hk1 = hk1 + shift;
    hk5 = hk5 + shift;
}

double Cd(double ht, double hk01, double hk1, double hk5) {
    // Free-molecular flow above the region, near-continuum flow below it.
    if (ht > hk5) return 2.2009336;
    if (ht < hk01) return 1.0000384;

    // Transition parameter: 0.1 at the base, 1 at the middle, 5 at the top.
    double K;
    if (ht <= hk1) {
        K = 0.9 * (ht - hk01) / (hk1 - hk01) + 0.1;
    } else {
        K = 4 * (ht - hk1) / (hk5 - hk1) + 1;
    }
    return 1.94 * std::exp(-1 / K) + 1.01 * std::exp(-K / 10);
}

}  // namespace morvel
