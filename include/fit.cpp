#include "fit.h"

#include <algorithm>
#include <cmath>

#include "ballistic.h"
#include "geometry.h"

namespace morvel {

namespace {

// Thresholds of the powered-change test.
constexpr double fallFactor = 3.0;      // observed fall / drag fall
constexpr double fallMargin = 5.0;      // km beyond it
constexpr double riseLimit = 1.0;       // km of semi-major axis
constexpr double lowestTested = 200.0;  // km of perigee

constexpr double secondsPerDay = 86400;
constexpr double metresPerKm = 1000;
// Largest step of the drag integral's Simpson rule, km of semi-major axis.
constexpr double integralStep = 2.0;

// 1 / (sqrt(mu a) rho_a), s m^2/kg per m of semi-major axis: the time a unit
// coefficient takes to lose a metre of it.
double inverseRate(double a, double e, double drop, double flux) {
    const dragRates r = ratesPerBallistic(a, e, drop, flux);
    return -secondsPerDay / (r.adot * metresPerKm);
}

}  // namespace

orbitChange changeBetween(const element& a, const element& b) {
    orbitChange c{false, false, 0, 0, 0};
    const double dt = b.epoch - a.epoch;
    const orbitSize sa = heights(a.n, a.ecc);
    if (dt <= 0 || sa.perigee < lowestTested) return c;
    const orbitSize sb = heights(b.n, b.ecc);
    c.fall = sa.perigee - sb.perigee;
    // Mean motion gained under the two sets' own derivatives, as a fall of
    // the semi-major axis.
    const double dn = std::max(0.0, (a.nrate + b.nrate) * dt);
    c.dragFall = sa.a - heights(a.n + dn, 0).a;
    c.rise = sb.a - sa.a;
    c.raised = !(c.fall > fallFactor * c.dragFall + fallMargin) && c.rise > riseLimit;
    c.powered = c.fall > fallFactor * c.dragFall + fallMargin || c.raised;
    return c;
}

int ballisticFitter::spanStart(std::span<const element> sets, int k, double span, double notBefore) {
    const double start = std::max(sets[static_cast<std::size_t>(k)].epoch - span, notBefore);
    // The sets of the span, from the last powered change among them on.
    int first = k;
    while (first > 0 && sets[static_cast<std::size_t>(first) - 1].epoch >= start) --first;
    for (int j = k; j > first; --j) {
        if (changeBetween(sets[static_cast<std::size_t>(j) - 1], sets[static_cast<std::size_t>(j)]).powered) return j;
    }
    return first;
}

ballisticFit ballisticFitter::fit(std::span<const element> sets, int k, const fluxPlan& flux, double span,
                                  double notBefore) {
    if (k < 0 || k >= static_cast<int>(sets.size())) return {-1.0, 0};
    return fitFrom(sets, spanStart(sets, k, span, notBefore), k, flux);
}

ballisticFit ballisticFitter::fitFrom(std::span<const element> sets, int first, int k, const fluxPlan& flux) {
    ballisticFit out{-1.0, 0};
    // The drag integral along them.
    integral_.assign(static_cast<std::size_t>(k - first + 1), 0.0);
    for (int m = first + 1; m <= k; ++m) {
        const element& p = sets[static_cast<std::size_t>(m) - 1];
        const element& q = sets[static_cast<std::size_t>(m)];
        const double a0 = semiMajorAxis(p.n);
        const double a1 = semiMajorAxis(q.n);
        const double f = knownFlux(flux, 0.5 * (p.epoch + q.epoch));
        const double drop = surfaceDrop(p.inc);
        const int n = 2 * std::max(1, static_cast<int>(std::ceil(std::fabs(a1 - a0) / (2 * integralStep))));
        double s = 0;
        for (int i = 0; i <= n; ++i) {
            const double w = static_cast<double>(i) / n;
            const double simpson = i == 0 || i == n ? 1 : i % 2 == 1 ? 4 : 2;
            s += simpson * inverseRate(a0 + (a1 - a0) * w, p.ecc + (q.ecc - p.ecc) * w, drop, f);
        }
        // From a1 up to a0: positive for a fall.
        const std::size_t at = static_cast<std::size_t>(m - first);
        integral_[at] = integral_[at - 1] + s * (a0 - a1) * metresPerKm / (3.0 * n);
    }
    // Every pair far enough apart, the orbit fallen, the coefficient drag's.
    pairs_.clear();
    for (int j = first + 1; j <= k; ++j) {
        const element& ej = sets[static_cast<std::size_t>(j)];
        for (int i = first; i < j; ++i) {
            const element& ei = sets[static_cast<std::size_t>(i)];
            const double dt = ej.epoch - ei.epoch;
            if (dt < fewestPairDays || !(ej.n > ei.n)) continue;
            const double b = (integral_[static_cast<std::size_t>(j - first)] -
                              integral_[static_cast<std::size_t>(i - first)]) / (dt * secondsPerDay);
            if (b > 0 && descentOf(b) == descent::drag) pairs_.push_back(b);
        }
    }
    out.pairs = static_cast<int>(pairs_.size());
    if (pairs_.empty()) return out;
    const std::size_t mid = pairs_.size() / 2;
    std::nth_element(pairs_.begin(), pairs_.begin() + static_cast<long>(mid), pairs_.end());
    out.b = pairs_[mid];
    if (pairs_.size() % 2 == 0) {
        // The mean of the two middle values: the largest of the lower half.
        const double below = *std::max_element(pairs_.begin(), pairs_.begin() + static_cast<long>(mid));
        out.b = 0.5 * (below + out.b);
    }
    return out;
}

fittedDecay ballisticFitter::predict(std::span<const element> sets, int k, const fluxPlan& flux,
                                     double notBefore, double horizon) {
    fittedDecay out{-1.0, -1.0, 0, firstSpanDays};
    if (k < 0 || k >= static_cast<int>(sets.size())) return out;
    const int firstStart = spanStart(sets, k, firstSpanDays, notBefore);
    const ballisticFit first = fitFrom(sets, firstStart, k, flux);
    if (first.pairs == 0) return out;
    const element& set = sets[static_cast<std::size_t>(k)];
    // The remaining time beyond which a longer span changes nothing: where
    // the longest span holds no set before the first's, the first's own
    // length; else the longest's. The first flight must reach it to choose.
    const bool same = spanStart(sets, k, longestSpanDays, notBefore) == firstStart;
    const double reach = std::max(horizon, (same ? firstSpanDays : longestSpanDays) / spanShare);
    flight f = fly(set, first.b, flux, reach);
    const double span = f.decay > 0 ? std::clamp(spanShare * (f.decay - set.epoch), shortestSpanDays, longestSpanDays)
                                    : longestSpanDays;
    out.b = first.b;
    out.pairs = first.pairs;
    const int start = spanStart(sets, k, span, notBefore);
    if (start != firstStart) {
        const ballisticFit second = fitFrom(sets, start, k, flux);
        if (second.pairs > 0) {
            if (second.b != first.b) f = fly(set, second.b, flux, reach);
            out = {-1.0, second.b, second.pairs, span};
        }
    } else {
        out.span = span;
    }
    if (f.decay > 0 && f.decay - set.epoch < horizon) out.decay = f.decay;
    return out;
}

}  // namespace morvel
