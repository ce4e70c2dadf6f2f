// Fuzz target of the space-weather reader: any bytes as a space-weather
// file. The table read must hold observed days in strictly rising order with
// positive finite fluxes, and the status must agree with it; the flux of
// epochs around and between its days must be one of its own, from the last
// day at or before the epoch, or the fallback before the first day.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/spaceweather.h"

namespace {

using namespace morvel;

void check(bool ok) {
    if (!ok) std::abort();
}

// The lookup at `epoch` against a plain scan of the table.
void lookup(const spaceWeather& sw, double epoch) {
    constexpr double fallback = -7.0;
    const epochFlux f = fluxAt(sw, epoch, fallback);
    bool found = false;
    fluxDay used{};
    for (std::size_t k = 0; k < observedDays(sw); ++k) {
        const fluxDay d = observedDay(sw, k);
        if (d.day <= std::floor(epoch)) {
            used = d;
            found = true;
        }
    }
    if (!found) {
        check(f.source == fluxSource::beforeFile && f.flux == fallback && f.day == 0);
        return;
    }
    check(f.flux == used.mean81 && f.day == used.day);
    check(f.source == (used.day == std::floor(epoch) ? fluxSource::observedDay : fluxSource::lastObserved));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    spaceWeather sw;
    const weatherStatus status = readSpaceWeather(reinterpret_cast<const char*>(data), size, sw);
    check((status == weatherStatus::missingColumns) == !sw.missing().empty());
    const std::size_t days = observedDays(sw);
    check((status == weatherStatus::ok) == (days > 0));
    check(sw.skipped() >= 0 && sw.predicted() >= 0 && (sw.skipped() == 0) == (sw.firstSkipped() == 0));
    for (std::size_t k = 0; k < days; ++k) {
        const fluxDay d = observedDay(sw, k);
        check(d.mean81 > 0 && std::isfinite(d.mean81));
        if (k > 0) check(d.day > observedDay(sw, k - 1).day);
    }
    // Each day's start and end, the day before the first, and a gap's middle.
    for (std::size_t k = 0; k < days && k < 64; ++k) {
        const double day = observedDay(sw, k).day;
        lookup(sw, day);
        lookup(sw, day + 0.999);
        lookup(sw, day - 0.5);
        lookup(sw, day + 1.5);
    }
    lookup(sw, std::nan(""));
    return 0;
}
