// Modified Bessel functions of the first kind, orders 0 and 1, by table.
#pragma once

namespace morvel {

// I0(z) and I1(z) for z from 0 to 3.0 (linear between entries 0.2 apart).
double BessI0(double z);
double BessI1(double z);

// I0(z) / I1(z) for z from 0 to 3; outside it (or not a number) reports
// "J>Invalid value for z = %lf" to tableMessages() and returns 0.1.
double Bess(double z);

}  // namespace morvel
