// The tabulated weight J(z) of the scale-height gradient in the decay theory.
#pragma once

namespace morvel {

// J(z) for z = a e / H from 0 to 3: 1.0 at z = 0 down to 0.10148 at z = 3
// (tabulated to 1.8, a straight line beyond). Outside 0..3, or for a z that
// is not a number, reports "J>Invalid value for z = %lf" to
// tableMessages() (formats/messages.h) and returns 0.1.
double J(double z);

// The error value 0.1 of a table asked for z outside 0..3 (or not a
// number), with its message "J>Invalid value for z = %lf" to
// tableMessages(): out of the way of the tables' common path.
[[gnu::cold, gnu::noinline]] double outOfRange(double z);

// Table lookup on the grid z = 0.2 k shared by the decay-theory tables: a
// straight line between the two entries that bracket z, with k held inside
// 0..kmax so that no entry outside the table is ever read.
double tableLookup(const double* t, int kmax, double z);

}  // namespace morvel
