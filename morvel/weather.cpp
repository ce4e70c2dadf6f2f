// The flux of each set from a space-weather file (flag -W): the file loaded
// and named on the console, and the lines of the file heads that say where
// the flux came from.
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
    if (loadSpaceWeather(name, p.weather) != weatherStatus::ok) finish(true);
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

void fallbackLine(const runParams& p, int before) {
    if (p.if_sw == 0 || before == 0) return;
    std::printf("Sets with epochs before space weather file %s took the flux %lf: %i\n",
                p.swfile.c_str(), p.flux, before);
}

}  // namespace morvel
