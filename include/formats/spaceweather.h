// Space weather: the 10.7 cm solar flux of each day from a space-weather
// file, and the flux that an element set's epoch takes from it.
//
// The file is CSV in CelesTrak's space-weather layout: a head line of column
// names, then one row a day. Only three columns are read, by name, wherever
// they stand: DATE (YYYY-MM-DD, these digits exactly), F10.7_DATA_TYPE (OBS
// observed, INT interpolated, PRD daily predicted, PRM monthly predicted)
// and F10.7_OBS_LAST81, the mean of the observed flux over the 81 days that
// end on the row's day. Line ends LF or CRLF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/messages.h"

namespace morvel {

// One observed day: its day number (the Julian Day Number of the civil day,
// see cal.h) and the mean observed 10.7 cm flux, in solar flux units, of the
// 81 days that end on it.
struct fluxDay {
    int day;
    double mean81;
};

// Where the flux of an epoch came from.
enum class fluxSource {
    observedDay,   // the observed row of the epoch's day
    lastObserved,  // the last observed day before it (after the file's observed
                   // days, or in a gap between them)
    beforeFile,    // the epoch's day is before the first observed day: the fallback
};

struct epochFlux {
    double flux;        // solar flux units
    fluxSource source;
    int day;            // day number of the observed day used; 0 for beforeFile
};

// A day's predicted flux, and the day the next prediction starts (see
// predictedOn).
struct prediction {
    double mean81;
    double next;
};

// A space-weather file as read: its observed days, and what it held besides.
class spaceWeather {
public:
    int predicted() const { return predicted_; }         // predicted rows (PRD, PRM) read
    int skipped() const { return skipped_; }             // rows that do not convert, or out of day order
    long firstSkipped() const { return firstSkipped_; }  // line of the first skipped row (the head is line 1)
    const std::string& missing() const { return missing_; }  // needed columns the head lacks, comma-separated

private:
    // A stretch of consecutive observed days: day `firstDay` is observed day
    // number `first` of the file, the next day the next one. A real file is
    // one stretch, each mean a whole number of tenths, held as two bytes a
    // day while all are.
    struct run {
        int firstDay;
        int first;
    };
    std::vector<run> runs_;              // ascending
    std::vector<std::uint16_t> tenths_;  // each observed day's mean x 10, while all are whole tenths
    std::vector<double> means_;          // else each observed day's mean (tenths_ then empty)
    std::vector<fluxDay> predictions_;   // predicted rows kept, days ascending
    int predicted_ = 0;
    int skipped_ = 0;
    long firstSkipped_ = 0;
    std::string missing_;

    double meanAt(std::size_t k) const;
    friend class weatherRows;
    friend std::size_t observedDays(const spaceWeather& sw);
    friend fluxDay observedDay(const spaceWeather& sw, std::size_t k);
    friend int firstObservedDay(const spaceWeather& sw);
    friend epochFlux fluxAt(const spaceWeather& sw, double epoch, double fallback);
    friend prediction predictedOn(const spaceWeather& sw, double day);
};

// Number of observed days of `sw`, and observed day `k` (0 .. that - 1).
std::size_t observedDays(const spaceWeather& sw);
fluxDay observedDay(const spaceWeather& sw, std::size_t k);

// The first and the last observed day's number; 0 without one.
int firstObservedDay(const spaceWeather& sw);
int lastObservedDay(const spaceWeather& sw);

// The predicted flux of day `day` (day number): the F10.7_OBS_LAST81 of the
// last predicted row (PRD daily, PRM monthly) at or before its civil day,
// among those after the last observed day, which holds until the next
// predicted row (the last one for good). `mean81` is -1.0 where no predicted
// row covers the day (it is not after the observed days, it comes before
// the first prediction, or the table has none); `next` is the day number of
// the first predicted row after the day (infinite when there is none). A
// predicted row is kept when its mean is a positive number and its day comes
// after the kept one before it. O(log n); no allocation.
prediction predictedOn(const spaceWeather& sw, double day);

enum class weatherStatus {
    ok,
    cannotOpen,      // the file cannot be opened or read
    missingColumns,  // the head lacks a needed column (see missing())
    noObservedRow,   // not one observed row converts
};

// Reads the `size` bytes at `text` as a space-weather file into `sw` (made
// empty first). In a row, the columns of the head's first half are found by
// counting fields from its start, the others from its end. A row is skipped
// and counted when it has too few fields, its date is not a civil date, its
// data type none of the four, or, for an observed row, its mean flux is not
// a positive number or its day is not after the day of the observed row
// before it. Empty lines are passed over.
weatherStatus readSpaceWeather(const char* text, std::size_t size, spaceWeather& sw);

// The file `name` read with readSpaceWeather; what keeps it from use, and
// the rows it skipped, reported to `sink`: "Unable to open file ...",
// "Space weather file ... has no column ...", "...: N rows skipped ...", and
// "... has no observed row ...".
weatherStatus loadSpaceWeather(const char* name, spaceWeather& sw, messageSink& sink = console());

// The flux of an element set with epoch `epoch` (day number): the 81-day
// mean of the last observed day at or before the epoch's day, what was known
// on that day. `fallback` for an epoch before the first observed day (and
// for a day number that is not a number or beyond the int range). O(1) for a
// file without gaps, O(log n) otherwise; no allocation.
epochFlux fluxAt(const spaceWeather& sw, double epoch, double fallback);

}  // namespace morvel
