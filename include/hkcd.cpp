#include "hkcd.h"

#include <cmath>

namespace morvel {

int ifHk = 0;
double deltaHk = 0.0;
double hk01 = 0.0;
double hk1 = 0.0;
double hk5 = 0.0;

void hk(double size, double& base, double& mid, double& top) {
    // Each height is a quadratic in the logarithm of the size in metres.
    const double L = std::log(size);
    base = 97.92 + 5.7582 * L + 0.18112 * (L * L);
    mid = 110.93 + 6.9659 * L + 1.13672 * (L * L);
    top = 123.48 + 10.2222 * L + 2.3609 * (L * L);
}

void setTransitionRegion(double size, double shift) {
    hk(size, hk01, hk1, hk5);
    hk01 = hk01 + shift;
    hk1 = hk1 + shift;
    hk5 = hk5 + shift;
}

double Cd(double ht, double base, double mid, double top) {
    // Free-molecular flow above the region, near-continuum flow below it.
    if (ht > top) return 2.2009336;
    if (ht < base) return 1.0000384;

    // Transition parameter: 0.1 at the base, 1 at the middle, 5 at the top.
    double K;
    if (ht <= mid) {
        K = 0.9 * (ht - base) / (mid - base) + 0.1;
    } else {
        K = 4 * (ht - mid) / (top - mid) + 1;
    }
    return 1.94 * std::exp(-1 / K) + 1.01 * std::exp(-K / 10);
}

}  // namespace morvel
