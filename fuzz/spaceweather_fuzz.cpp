// Fuzz target of the space-weather reader: any bytes as a space-weather
// file. The table read must hold observed days in strictly rising order with
// positive finite fluxes, and the status must agree with it; the flux of
// epochs around and between its days must be one of its own, from the last
// day at or before the epoch, or the fallback before the first day.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "spaceweather.h"

namespace {

using namespace morvel;

void check(bool ok) {
    if (!ok) std::abort();
}

// The lookup at `epoch` against a plain scan of the table.
void lookup(const spaceWeather& sw, double epoch) {
    constexpr double fallback = -7.0;
    const epochFlux f = fluxAt(sw, epoch, fallback);
    const fluxDay* used = nullptr;
    for (const fluxDay& d : sw.days) {
        if (d.day <= std::floor(epoch)) used = &d;
    }
    if (used == nullptr) {
        check(f.source == fluxSource::beforeFile && f.flux == fallback && f.day == 0);
        return;
    }
    check(f.flux == used->mean81 && f.day == used->day);
    check(f.source == (used->day == std::floor(epoch) ? fluxSource::observedDay : fluxSource::lastObserved));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    spaceWeather sw;
    const weatherStatus status = readSpaceWeather(reinterpret_cast<const char*>(data), size, sw);
    check((status == weatherStatus::missingColumns) == !sw.missing.empty());
    check((status == weatherStatus::ok) == !sw.days.empty());
    check(sw.skipped >= 0 && sw.predicted >= 0 && (sw.skipped == 0) == (sw.firstSkipped == 0));
    for (std::size_t k = 0; k < sw.days.size(); ++k) {
        check(sw.days[k].mean81 > 0 && std::isfinite(sw.days[k].mean81));
        if (k > 0) check(sw.days[k].day > sw.days[k - 1].day);
    }
    // Each day's start and end, the day before the first, and a gap's middle.
    for (std::size_t k = 0; k < sw.days.size() && k < 64; ++k) {
        const double day = sw.days[k].day;
        lookup(sw, day);
        lookup(sw, day + 0.999);
        lookup(sw, day - 0.5);
        lookup(sw, day + 1.5);
    }
    lookup(sw, std::nan(""));
    return 0;
}
