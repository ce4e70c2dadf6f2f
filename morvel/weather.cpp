// The flux of each set from a space-weather file (flag -W): the file loaded
// and named on the console, and the lines of the file heads that say where
// the flux came from.
#include <cmath>
#include <cstdio>

#include "cal.h"
#include "driver.h"
#include "formats/spaceweather.h"

namespace morvel {

namespace {

// "year month day" of day number `day`, then `end`.
void dayText(std::FILE* fp, int day, const char* end) {
    const date d = cal_civil(day);
    std::fprintf(fp, "%i %s %i%s", d.year, month(d), d.day, end);
}

}  // namespace

void loadWeather(runParams& p) {
    const char* name = p.swfile.c_str();
    // The loader names what keeps the file from use, and the rows it skipped.
    if (loadSpaceWeather(name, p.weather, messages()) != weatherStatus::ok) finish(true, statusInput);
    if (if_batch == 1) return;
    std::printf("10.7 cm flux from space weather file %s, observed ", name);
    dayText(stdout, firstObservedDay(p.weather), " to ");
    dayText(stdout, lastObservedDay(p.weather), "\n");
}

epochFlux fluxOfSet(const runParams& p, double epoch) {
    // Without -W the file holds no day, and every set takes the run's flux.
    return fluxAt(p.weather, epoch, p.flux);
}

void fluxLines(std::FILE* fp, const runParams& p, const epochFlux* chosen) {
    if (p.if_sw == 0) {
        std::fprintf(fp, "  10.8 cm flux = %lf\n", chosen != nullptr ? chosen->flux : p.flux);
        return;
    }
    const char* name = p.swfile.c_str();
    if (chosen == nullptr) {
        std::fprintf(fp, "  10.7 cm flux of each set: 81-day mean to its epoch's day, space weather file %s\n",
                     name);
        std::fprintf(fp, "  10.7 cm flux before ");
        dayText(fp, firstObservedDay(p.weather), "");
        std::fprintf(fp, " = %lf\n", p.flux);
        return;
    }
    std::fprintf(fp, "  10.8 cm flux = %lf\n", chosen->flux);
    switch (chosen->source) {
        case fluxSource::observedDay:
            std::fprintf(fp, "  (81-day mean to the epoch's day, ");
            dayText(fp, chosen->day, "");
            break;
        case fluxSource::lastObserved:
            std::fprintf(fp, "  (81-day mean to the last observed day before the epoch, ");
            dayText(fp, chosen->day, "");
            break;
        case fluxSource::beforeFile:
            std::fprintf(fp, "  (the epoch is before the first day, ");
            dayText(fp, firstObservedDay(p.weather), "");
            break;
    }
    std::fprintf(fp, ", of space weather file %s)\n", name);
}

void fluxTally::add(const runParams& p, const epochFlux& f, double epoch) {
    if (f.source == fluxSource::beforeFile) ++before;
    // Past the file's last observed day, not in a gap between its days.
    if (f.source == fluxSource::lastObserved && f.day == lastObservedDay(p.weather) &&
        std::floor(epoch) - f.day > staleDays) {
        ++stale;
    }
}

void fallbackLine(const runParams& p, const fluxTally& t) {
    if (p.if_sw == 0) return;
    if (t.before > 0) {
        note("Sets with epochs before space weather file %s took the flux %lf: %i\n", p.swfile.c_str(), p.flux,
             t.before);
    }
    if (t.stale > 0) {
        const date d = cal_civil(lastObservedDay(p.weather));
        note("Sets with epochs more than %i days after the last observed day of space weather file %s "
             "(%i %s %i) took that day's flux: %i\n",
             staleDays, p.swfile.c_str(), d.year, month(d), d.day, t.stale);
    }
}

}  // namespace morvel
