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
    const weatherStatus status = loadSpaceWeather(name, p.weather);
    if (status == weatherStatus::cannotOpen) {
        std::printf("Unable to open file %s\n", name);
        finish(true);
    }
    if (status == weatherStatus::missingColumns) {
        std::printf("Space weather file %s has no column %s\n", name, p.weather.missing.c_str());
        finish(true);
    }
    const spaceWeather& sw = p.weather;
    if (sw.skipped > 0) {
        std::printf("Space weather file %s: %i rows skipped (date, data type or 81-day flux "
                    "unreadable, or day out of order), the first on line %li\n",
                    name, sw.skipped, sw.firstSkipped);
    }
    if (status == weatherStatus::noObservedRow) {
        std::printf("Space weather file %s has no observed row (OBS or INT with its "
                    "F10.7_OBS_LAST81)\n", name);
        finish(true);
    }
    std::printf("10.7 cm flux from space weather file %s, observed ", name);
    dayText(stdout, sw.runs.front().firstDay, " to ");
    dayText(stdout, observedDay(sw, observedDays(sw) - 1).day, "\n");
}

epochFlux setFlux(const runParams& p, double epoch) {
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
        dayText(fp, p.weather.runs.front().firstDay, "");
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
            dayText(fp, p.weather.runs.front().firstDay, "");
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
