// Accuracy of Morvel's decay predictions against real re-entries: the choice
// of element set for a lead time, the three predictions made from it, their
// errors against the real re-entry, the forecast window, the detection of
// descents that drag alone cannot explain, and the comparison with the
// forecasts that re-entry campaigns published.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "elinput.h"
#include "formats/spaceweather.h"

namespace morvel::validation {

// Lead times, days before the real re-entry; 0 stands for the last set
// before it.
inline constexpr double leadTimes[] = {60, 30, 14, 7, 3, 1, 0};

// Lead times in hours (as days), for a re-entry known to the minute: 48, 24,
// 12, 6 and 3 hours.
inline constexpr double hourLeads[] = {2, 1, 0.5, 0.25, 0.125};

// A lead time: `days` before the real re-entry (0: the last set), counted in
// hours when `hours`.
struct lead {
    double days;
    bool hours;
    bool operator==(const lead&) const = default;
};

// The lead times of a re-entry known to `uncertainty` days: the day leads,
// and the hour leads when it is known to the minute (no uncertainty).
std::vector<lead> leadsFor(double uncertainty);

// "60 d", "48 h" or "last".
std::string leadName(lead l);

// The last set may be at most this many days before the re-entry; the set of
// any other lead at most the lead itself before the lead's time (so that a
// history that stops months early gives long leads only).
inline constexpr double lastSetAge = 3.0;

// Index of the set of `h` for lead `l` before the re-entry at `real`: the
// last one before real - l.days, when it is recent enough; -1 otherwise.
int chooseForLead(const std::vector<element>& h, double real, lead l);

// Days of sets before the chosen one whose mean motions are fitted.
inline constexpr double fitWindowDays = 2.0;

// A catalogued decay is a UTC day: the real time is taken as its noon, known
// to half a day either way.
inline constexpr double dayUncertainty = 0.5;

// Longest full evolution, days: beyond it the evolution reports no decay.
inline constexpr double evolutionSpan = 400.0;

// Prediction or time that does not exist (no decay predicted).
inline constexpr double none = -1.0;

// Element sets of one object in epoch order, read with the engine's reader,
// its messages to `sink`. An unreadable file gives no sets.
std::vector<element> readHistory(const std::string& path, messageSink& sink = console());

// Day number of the noon of the civil day `iso` (YYYY-MM-DD); none when the
// text is no such date.
double noonOf(const std::string& iso);

// Day number of a UTC time written YYYY-MM-DD (its start; `dayOnly` set) or
// YYYY-MM-DDTHH:MM[:SS][Z]; none for any other text.
double parseUtc(const std::string& text, bool& dayOnly);
double parseUtc(const std::string& text);

// A real re-entry: its time and how far either way it may lie. A day only is
// taken at its noon, known to half a day; a time to the minute is exact.
struct reentry {
    double t;            // none when the text does not parse
    double uncertainty;  // days
};
reentry parseReentry(const std::string& text);

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

// Decay-list estimate of set `e` for flux `flux`: epoch + the decay list's
// lifetime; none when it predicts no decay (no lifetime, or one of
// shownLifetime and more).
double estimateDecay(const element& e, double flux);

// Full evolution of set `e`: prime, then evolve while the remaining lifetime
// is at least decayLimit and fewer than `span` days have gone; the decay time,
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
// `uncertainty` is the real time's (half a day for a catalogued day).
error errorOf(double predicted, double real, double epoch, double uncertainty = dayUncertainty);

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

// Powered changes of the orbit between the successive sets of `h`, as the
// fit's test finds them (changeBetween, fit.h: a perigee fall more than three
// times and 5 km beyond what the two sets' derivatives explain, or a rise of
// the semi-major axis of more than 1 km), with their reasons in words.
std::vector<manoeuvre> detectPowered(const std::vector<element>& h);

// Whether set `k` is a test of drag decay: no manoeuvre of `m` reaches past
// the start of its fitting window.
// A powered phase that the data state (the operator's end of thrust,
// `poweredUntil`, none without one) counts too: a window that starts before
// its end is not drag decay either.
bool dragOnly(const std::vector<element>& h, const std::vector<manoeuvre>& m, int k, double window,
              double poweredUntil = none);

// Fields of one CSV line as the one splitter cuts them (formats/text.h):
// commas split, a field in double quotes holds commas and "" is a quote; a
// trailing CR is dropped.
std::vector<std::string> splitCsv(const std::string& line);

// A CSV file read through the one line source: the fields of its head and
// of each further line that is not blank, with its line number (the head's
// is 1). `read` is false when the file cannot be read or has no head.
struct csvTable {
    struct line {
        long number;
        std::vector<std::string> fields;
    };
    bool read = false;
    std::vector<std::string> head;
    std::vector<line> rows;
};
csvTable readCsvTable(const std::string& path);

// Index in a CSV header of the first of `names` that it holds; the header's
// size when it holds none.
std::size_t columnOf(const std::vector<std::string>& head, std::initializer_list<const char*> names);

// Field `c` of a row; empty when the row is shorter.
std::string fieldOf(const std::vector<std::string>& fields, std::size_t c);

// The values of one field of `items`, each once, in their first order.
template <class T>
std::vector<std::string> distinct(const std::vector<T>& items, std::string T::*field) {
    std::vector<std::string> out;
    for (const T& x : items) {
        if (std::find(out.begin(), out.end(), x.*field) == out.end()) out.push_back(x.*field);
    }
    return out;
}

// Catalogue number written in `text`: a positive whole number and nothing
// else; false with `why` set otherwise.
bool parseNorad(const std::string& text, int& norad, std::string& why);

// A re-entry forecast that a campaign published.
struct forecast {
    int norad;
    std::string forecaster;
    double issued;        // none when not known
    bool issuedDayOnly;   // only the day is known: taken at its start
    double predicted;
    double minus, plus;   // window, days either side of the prediction
    std::string reference;
};

// A forecast from the fields of a campaign-predictions.csv row, columns
// found through `head`; false with `why` set for a field that does not parse.
bool parseForecast(const std::vector<std::string>& head, const std::vector<std::string>& fields,
                   forecast& f, std::string& why);

// Morvel beside a published forecast: the decay-list estimate of the last set
// before its issue time (the delay with which sets are published ignored),
// with the set's flux, or `fallbackFlux` where it has none.
struct comparison {
    int set;             // -1: no issue time, or no set before it
    double flux;
    double morvel;       // none without a prediction
    double morvelHours;  // error against the real re-entry, h (late positive)
    double morvelHalfWindow;  // campaignWindow x its predicted remaining time, h;
                              // infinite without a prediction
    bool morvelHolds;    // within the prediction ± campaignWindow x its remaining time
    double publishedHours;
    bool publishedHolds; // within the published window
};

// Window of the re-entry campaigns, a fraction of the predicted remaining
// time either side of the prediction.
inline constexpr double campaignWindow = 0.2;

comparison compare(const std::vector<element>& h, const forecast& f, double real,
                   const spaceWeather& sw, double fallbackFlux);

// `c` with Morvel's prediction `predicted` (none: no prediction) from the set
// of epoch `epoch` judged against the real time `real` in place of its own.
comparison judged(comparison c, double predicted, double epoch, double real);

}  // namespace morvel::validation
