// Orbit evolution engine: the process-wide evolution state, its priming from
// an element set, and the 0.01-day evolution step.
#pragma once

#include "elinput.h"

namespace morvel {

// Lifetimes, days, that stand for no decay.
inline constexpr double noDecayLifetime = 100000000.0;  // prime: mean motion not growing
// From this lifetime on no decay date is shown or counted as a prediction.
inline constexpr double shownLifetime = 1000000.0;
// A remaining lifetime below one step, days: decay; an evolution goes on
// while the lifetime is at least this.
inline constexpr double decayLimit = 0.01;

// ---- Evolution state --------------------------------------------------------
// One evolution in the process. Times on the day-number scale, angles in
// degrees, mean motion in rev/day; the z suffix marks values at time tz.

extern element el;        // the set being evolved; each crossing written here
extern double tz;         // time of the state
extern double nz;         // mean motion
extern double ndz;        // half the first derivative of mean motion, rev/day^2
extern double ndd;        // one sixth of the second derivative, rev/day^3
extern double mz;         // mean anomaly
extern double ecz;        // eccentricity
extern double inc;        // inclination
extern double raz;        // right ascension of the ascending node
extern double apz;        // argument of perigee
extern double lifetime;   // remaining lifetime, days (noDecayLifetime: none)
extern double l;          // remaining lifetime as the driver tests it
extern double gone;       // days evolved since priming
extern double tnex;       // time from which the next crossing is searched for
extern double decayedAt;  // time of decay; -1.0 until decay is found

// Loads the evolution state from `el` for flux `flux`: the first lifetime
// estimate, the element number marked as evolved (elno mod 1000 + 9000), the
// revolution number lowered by one (the first crossing adds it back) and B*
// cleared.
void prime(double flux);

// Advances the state in steps of 0.01 day until the next ascending equator
// crossing has been written into `el` (its revno changes) or decay is found
// (decayedAt set, l below 0.01).
void evolve(double flux);

// Evolves the primed state in calls of evolve while the remaining lifetime
// is at least decayLimit and fewer than `span` days have gone (the last call
// may pass it). After each call whose el.revno differs from that of the last
// call counted (-1 before the first), `onRevolution(previous)` is called
// with that revolution number: el then holds the new crossing. Returns the
// number of calls of evolve.
template <class F>
long evolveUntil(double flux, double span, F&& onRevolution) {
    long calls = 0;
    int last = -1;
    while (l >= decayLimit && gone < span) {
        evolve(flux);
        ++calls;
        if (el.revno != last) {
            const int previous = last;
            last = el.revno;
            onRevolution(previous);
        }
    }
    return calls;
}
inline long evolveUntil(double flux, double span) {
    return evolveUntil(flux, span, [](int) {});
}

// ---- The modes' uses of the engine -------------------------------------------

// Remaining lifetime, days, of set `e` as the decay list estimates it for flux
// `flux`: Q x qfix / (2 nrate) for a set whose mean motion grows (nrate above
// 1e-6 rev/day^2) and whose Q x qfix is positive; -1.0 when there is no estimate.
double decayListLifetime(const element& e, double flux);

// Half the first derivative of the mean motion, rev/day^2, that gives set
// `e` the remaining lifetime `days` at flux `flux` as the decay list
// estimates it (Q x qfix / (2 days)); -1.0 when Q x qfix is not positive or
// `days` is not.
double nrateForLifetime(const element& e, double flux, double days);

// The set in `el` moved to its first ascending equator crossing: prime, then
// one evolve when the lifetime is positive. False when it is not (the set has
// no crossing to write).
bool crossingStep(double flux);

}  // namespace morvel
