// Drag coefficient through the flow transition region of an object of given size.
#pragma once

namespace morvel {

// Run parameters of the transition region: in use (ifHk = 1, set by a size of
// at least 0.01 m) and its shift in km (flag -T).
extern int ifHk;
extern double deltaHk;

// Transition heights in km: base (K = 0.1), middle (K = 1), top (K = 5).
// Filled once at start-up, shift included, when ifHk is 1.
extern double hk01;
extern double hk1;
extern double hk5;

// The three transition heights, km, for an object of `size` metres (> 0),
// without the shift: the base (K = 0.1), the middle (K = 1) and the top
// (K = 5) of the region.
void hk(double size, double& base, double& mid, double& top);

// The run's transition region for an object of `size` metres (> 0), every
// height raised by `shift` km: fills hk01, hk1 and hk5.
void setTransitionRegion(double size, double shift);

// Drag coefficient at height `ht` km in the region given by its three
// heights `base`, `mid` and `top`: 1.0000384 below the base, 2.2009336
// above the top, and 1.94 exp(-1/K) + 1.01 exp(-K/10) in between.
double Cd(double ht, double base, double mid, double top);

}  // namespace morvel
