// The ballistic coefficient Cd A / m fitted to how an object's orbit really
// fell over the days before a set, and the prediction that flies it forward.
#pragma once

#include <span>
#include <vector>

#include "elinput.h"
#include "flight.h"

namespace morvel {

// ---- Powered changes --------------------------------------------------------

// A change between two successive sets `a` and `b` of one object that drag
// cannot give: a perigee fall more than three times, and 5 km beyond, what
// the two sets' first derivatives of the mean motion explain (their
// trapezoid over the interval, as a fall of the semi-major axis), or a rise
// of the semi-major axis of more than 1 km. Pairs not after one another, or
// whose earlier set has its perigee below 200 km (the last hours, fitted to
// a plunging orbit, disagree by more than that), are not tested. Heights
// and axes in km as the element writer has them.
struct orbitChange {
    bool powered;
    bool raised;      // the powered change is a rise (else a fall too fast)
    double fall;      // perigee fall observed (negative: a rise)
    double dragFall;  // the fall the derivatives explain
    double rise;      // rise of the semi-major axis
};
orbitChange changeBetween(const element& a, const element& b);

// ---- The fit ---------------------------------------------------------------

// Pairs of sets less than this many days apart are not fitted: their
// difference is mostly the noise of the sets (0.5 lets two catalogue
// snapshots of one day pair up).
inline constexpr double fewestPairDays = 0.5;
// The first fit spans this many days before the set; the final one spans
// this share of the remaining time it predicts, within these bounds (days).
inline constexpr double firstSpanDays = 2;
inline constexpr double spanShare = 0.1;
inline constexpr double shortestSpanDays = 1;
inline constexpr double longestSpanDays = 14;

// A fitted coefficient, m^2/kg (-1.0 for none), and the pairs it rests on.
struct ballisticFit {
    double b;
    int pairs;
};

// A prediction by the fitted coefficient: the decay (day number; -1.0 for
// none within the horizon, or no fit), the coefficient and its pairs, and
// the span in days the fit took.
struct fittedDecay {
    double decay;
    double b;
    int pairs;
    double span;
};

// Fits and flies the sets of one object. Holds the scratch space of its fits
// (grown to the largest history seen, then reused: no allocation once warm).
class ballisticFitter {
public:
    // The coefficient at set `k` of `sets` (one object's sets in epoch
    // order) from the sets of the `span` days before it, `k` included and
    // none after it, none before day `notBefore` and none before the last
    // powered change (changeBetween) among them. For each pair of those sets
    // at least fewestPairDays apart, B = (C_j - C_i) / (t_j - t_i) with C the
    // drag integral along the history: the sum over the successive sets of
    // int da / (sqrt(mu a) rho_a) over each one's fall of the semi-major
    // axis (Simpson, steps of at most 2 km, e linear in a, the density at
    // the flux known at the interval's middle); for a constant B and flux it
    // is exact, however curved the decay. Pairs across which the orbit did
    // not fall, or whose B drag cannot give (above dragLimit), are left out;
    // the coefficient is the median of the others. The decay rate's noise
    // and thrust before the span never enter.
    ballisticFit fit(std::span<const element> sets, int k, const fluxPlan& flux, double span,
                     double notBefore);

    // The first of the sets that fit reads for set `k` over `span` days.
    static int spanStart(std::span<const element> sets, int k, double span, double notBefore);

    // The prediction of set `k`: a first fit over firstSpanDays, flown; the
    // fit again over spanShare of the remaining time that flight predicts
    // (within shortestSpanDays and longestSpanDays; the longest when it
    // predicts no decay within their reach), flown from the set (fly) for
    // at most `horizon` days. The first fit stands where the second has no
    // pair. No fit (no pair): decay -1.0, pairs 0.
    fittedDecay predict(std::span<const element> sets, int k, const fluxPlan& flux, double notBefore,
                        double horizon);

private:
    // The fit of set `k` from the sets `first` to `k`.
    ballisticFit fitFrom(std::span<const element> sets, int first, int k, const fluxPlan& flux);

    std::vector<double> integral_;  // C of the sets of a fit, from its first on
    std::vector<double> pairs_;     // B of the pairs of a fit
};

}  // namespace morvel
