// Accuracy of Morvel's decay predictions against real re-entries: the choice
// of element set for a lead time, the three predictions made from it, their
// errors against the catalogued decay day, the forecast window, and the
// detection of descents that drag alone cannot explain.
#pragma once

#include <string>
#include <vector>

#include "elinput.h"

namespace morvel::validation {

// Lead times, days before the real re-entry; 0 stands for the last set
// before it.
inline constexpr double leadTimes[] = {60, 30, 14, 7, 3, 1, 0};

// Days of sets before the chosen one whose mean motions are fitted.
inline constexpr double fitWindowDays = 2.0;

// A catalogued decay is a UTC day: the real time is taken as its noon, known
// to half a day either way.
inline constexpr double dayUncertainty = 0.5;

// Longest full evolution, days: beyond it the evolution reports no decay.
inline constexpr double evolutionSpan = 400.0;

// Prediction or time that does not exist (no decay predicted).
inline constexpr double none = -1.0;

// Element sets of one object in epoch order, read with the engine's reader.
// An unreadable file gives no sets.
std::vector<element> readHistory(const std::string& path);

// Day number of the noon of the civil day `iso` (YYYY-MM-DD); none when the
// text is no such date.
double noonOf(const std::string& iso);

// Text YYYY-MM-DDTHH:MM of day number `t`; "-" for none.
std::string isoTime(double t);

// Index of the last set of `h` whose epoch lies before `t` (day number);
// -1 when there is none.
int chooseSet(const std::vector<element>& h, double t);

// Least-squares straight line through the mean motions of the sets of `h`
// with epochs from `window` days before set `k` up to set `k`:
// n(t) = c0 + c1 (t - epoch of k). `nrate` is half the slope (rev/day^2,
// the element-set convention). `ok` needs at least 3 sets over at least a
// quarter of a day.
struct fit {
    bool ok;
    double nrate;
    int sets;
};
fit fitNrate(const std::vector<element>& h, int k, double window);

// Decay-list estimate of set `e` for flux `flux`: epoch + lifetime after
// priming; none when no decay is predicted (lifetime not positive, or 1e6
// days and more).
double estimateDecay(element e, double flux);

// Full evolution of set `e`: prime, then evolve while the remaining lifetime
// is at least 0.01 day and fewer than `span` days have gone; the decay time,
// or none when the span ends first.
double evolveDecay(element e, double flux, double span);

// Error of `predicted` against the real time `real` for a set of epoch
// `epoch` (all day numbers): in hours (positive: predicted late), as a
// fraction of the real remaining time, and whether it lies within the half
// day of the catalogued decay day. A missing prediction has infinite errors.
struct error {
    double hours;
    double relative;
    bool withinDay;
};
error errorOf(double predicted, double real, double epoch);

// Fraction p of the predicted remaining time that a window around the
// prediction needs to hold the real time: |real - predicted| / (predicted -
// epoch). Infinite for a missing prediction or one not after the epoch.
double windowNeeded(double predicted, double real, double epoch);

// q-quantile (0..1) of `v` by nearest rank: the smallest value with at least
// q of the values at or below it. NaN for no values.
double quantile(std::vector<double> v, double q);

// Perigee height in km of mean motion `n` rev/day and eccentricity `ecc`, as
// the element writer computes it (without the cut to whole km).
double perigeeHeight(double n, double ecc);

// A change between two successive sets of a history that drag cannot give.
struct manoeuvre {
    int from;          // index of the earlier set
    int to;            // index of the later set
    double fall;       // perigee fall observed, km (negative: a rise)
    double dragFall;   // fall that the two sets' first derivatives explain, km
    std::string why;   // in words
};

// Powered changes of the orbit over the sets of `h`: a perigee fall more than
// three times (and 5 km beyond) what the mean-motion derivatives of the two
// sets explain, or a rise of the semi-major axis of more than 1 km, which
// drag never gives. Pairs whose earlier set has its perigee below 200 km
// (the last hours, fitted to a plunging orbit) are not tested.
std::vector<manoeuvre> detectPowered(const std::vector<element>& h);

// Whether set `k` is a test of drag decay: no manoeuvre of `m` reaches past
// the start of its fitting window.
bool dragOnly(const std::vector<element>& h, const std::vector<manoeuvre>& m, int k, double window);

// Daily flux with the trailing mean a forecaster has at an epoch.
struct fluxTable {
    std::vector<int> day;      // Julian Day Numbers, ascending
    std::vector<double> obs;   // observed daily flux; negative where missing
};

// Reads date,f107_obs,... lines; false when the file cannot be read.
bool readFlux(const std::string& path, fluxTable& table);

// Mean of the daily fluxes of the `days` days before the civil day of `t`;
// none when the table has none of them.
double trailingMean(const fluxTable& table, double t, int days);

}  // namespace morvel::validation
