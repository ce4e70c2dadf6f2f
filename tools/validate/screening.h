// What the screening of a catalogue rests on: the windows of the decay dates,
// made from the validation's own predictions, and the evidence for the limit
// of the ballistic coefficient between drag and thrust, from the histories of
// real re-entries and from snapshots of a live catalogue.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "elinput.h"
#include "formats/spaceweather.h"
#include "window.h"

namespace morvel::validation {

// ---- Windows ------------------------------------------------------------------

// One drag-decay prediction of the validation: the kind its object's name
// shows, its predicted remaining time (days) and its signed error as a share
// of that time, (real - predicted) / (predicted - epoch).
struct windowSample {
    objectKind kind;
    double remaining;
    double share;
    int norad;
};

// The sample of a prediction `predicted` from a set of epoch `epoch` of an
// object that re-entered at `real` (day numbers); false when there is no
// prediction after the epoch.
bool windowSampleOf(const std::string& name, int norad, double epoch, double predicted, double real,
                    windowSample& s);

// The points of the windows: 90 % of the real re-entries between them.
inline constexpr double windowLowest = 0.05;
inline constexpr double windowHighest = 0.95;
// Fewest predictions a kind needs in a bin for shares of its own; below it
// the bin's shares over every kind stand in.
inline constexpr int fewestWindowSamples = 20;

using windowTable = std::array<std::array<windowCell, windowBins>, objectKinds>;

// The table of `samples`: per kind and bin of predicted remaining time, the
// 5 % and 95 % points (nearest rank) of the shares, or the pooled ones. A bin
// without any sample takes the points of all the samples.
windowTable windowsOf(const std::vector<windowSample>& samples);

// The samples of the two ways' windows: the decay list's, and the fitted
// ballistic coefficient's where it rests on a pair.
struct windowSets {
    std::vector<windowSample> list;
    std::vector<windowSample> fitted;
};

// The C++ text of the two tables, as include/windowtable.inc holds them:
// windowCells of the decay list, fittedWindowCells of the fitted coefficient.
std::string windowTableText(const windowTable& list, const windowTable& fitted);

// Markdown: the tables of both ways with their counts, and how often their
// windows held the real re-entry, with the table made from every sample and,
// out of sample, made again without the object's own.
void writeWindowSection(std::ostream& o, const windowSets& samples);

// ---- Evidence for the drag limit ----------------------------------------------

// Largest lifetime (days) of the screened decay lists, -L20.
inline constexpr double screenedLifetime = 20.0;

// Limits tried in the evidence tables, m^2/kg.
inline constexpr double candidateLimits[] = {0.02, 0.03, 0.05, 0.07, 0.1, 0.15, 0.2, 0.3};

// The drag-decay sets of one re-entered object (no powered change before
// them), with its name, kind and re-entry time.
struct dragHistory {
    std::string name;
    std::string kind;
    double real;
    std::vector<element> sets;
};

// A snapshot of a catalogue: the file it came from and its sets.
struct snapshot {
    std::string file;
    std::vector<element> sets;
};

// Snapshots of a catalogue, in the order of their file names, from the
// element files (*.tle) of `dir`, and the observed flux of their days from
// its `space-weather.csv` when it holds one; none when `dir` cannot be read.
std::vector<snapshot> readSnapshots(const std::string& dir, spaceWeather& sw);

// One set that a decay list of a snapshot lists: its coefficient, and whether
// its object is missing from the last snapshot (has left).
struct screenedSet {
    int norad;
    double ballistic;
    bool left;
};

// The sets of `snap` whose decay-list lifetime at the flux of each (from `sw`,
// `flux` where it has none) is below screenedLifetime, with the coefficient at
// that flux; `later` are the catalogue numbers of the last snapshot, sorted.
std::vector<screenedSet> screenedSets(const snapshot& snap, const std::vector<int>& later, const spaceWeather& sw,
                                      double flux);

// Writes the evidence to `path` (Markdown): the histories' coefficients at
// their observed flux (`sw`, when it holds days) and at `flux`, the
// snapshots' at `flux` and at their observed flux (`snapSw`, when it holds
// days); false when it cannot be written.
bool writeScreeningReport(const std::string& path, const std::string& command, const std::vector<dragHistory>& h,
                          const spaceWeather& sw, double flux, const std::vector<snapshot>& snaps,
                          const spaceWeather& snapSw);

}  // namespace morvel::validation
