// The window of a predicted decay date: the earliest and latest dates that
// held the real re-entry 90 % of the time in the validation against real
// re-entries, by kind of object and by predicted remaining time.
#pragma once

namespace morvel {

// The kind of an object as its name shows it.
enum class objectKind { rocketBody, debris, starlink, oneweb, satellite };
inline constexpr int objectKinds = 5;

// "R/B" in the name: rocket body; "DEB": debris; a name that starts with
// STARLINK or ONEWEB: that constellation; anything else a satellite.
objectKind kindOf(const char* name);

// "rocket body", "debris", "Starlink", "OneWeb", "satellite".
const char* kindName(objectKind k);

// Bins of the predicted remaining time, days: bin i holds remaining times
// from windowBinEdges[i - 1] (0 for the first) up to windowBinEdges[i] (no
// end for the last).
inline constexpr double windowBinEdges[] = {0.5, 2, 5, 10, 20, 40};
inline constexpr int windowBins = 7;
int windowBin(double remaining);

// One cell of the table: the 5 % and 95 % points of the signed error of the
// validation's predictions, (real - predicted) / (predicted - epoch), and the
// number of predictions behind them (0 where the kind had too few and the
// pooled shares of every kind stand in).
struct windowCell {
    double lower;
    double upper;
    int count;
};

// The prediction a window is for: the single set's decay-list estimate, or
// the fitted ballistic coefficient's (morvel --fit), each with a table of
// its own.
enum class windowWay { singleSet, fitted };

// The cell of kind `k` and predicted remaining time `remaining` days.
windowCell windowFor(objectKind k, double remaining, windowWay way = windowWay::singleSet);

// Earliest and latest decay, on the day-number scale, of a prediction of
// `remaining` days from `epoch` by an object of kind `k`:
// epoch + remaining x (1 + lower) and epoch + remaining x (1 + upper).
struct decayWindow {
    double earliest;
    double latest;
};
decayWindow windowOf(objectKind k, double epoch, double remaining, windowWay way = windowWay::singleSet);

}  // namespace morvel
