// Fuzz target of the decay-list estimate: the first 40 bytes set the flux,
// the Q and scale-height factors, the object's size and the shift of the
// transition region; the rest is an element file. Each accepted set gets
// the lifetime estimate, its decay date as the list prints it, and a first
// evolution step from the primed state.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "cal.h"
#include "elinput.h"
#include "evolve.h"
#include "hkcd.h"
#include "muq.h"
#include "numtext.h"
#include "scaleheight.h"

namespace {

double takeDouble(const std::uint8_t*& data, std::size_t& size) {
    double v = 0;
    if (size >= sizeof v) {
        std::memcpy(&v, data, sizeof v);
        data += sizeof v;
        size -= sizeof v;
    }
    return v;
}

char row[4096];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvel;
    const double flux = takeDouble(data, size);
    qfix = takeDouble(data, size);
    hfix = takeDouble(data, size);
    const double objSize = takeDouble(data, size);
    deltaHk = takeDouble(data, size);
    // The transition region as start-up sets it.
    ifHk = objSize >= 0.01 ? 1 : 0;
    if (ifHk == 1) setTransitionRegion(objSize, deltaHk);
    if (size == 0) return 0;

    std::FILE* in = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
    if (in == nullptr) return 0;
    for (int sets = 0; sets < 32; ++sets) {
        el = elinput(in);
        if (el.if_valid != 1) break;
        const double estimate = decayListLifetime(el, flux);
        if (estimate > 0) {
            const double dk = estimate + el.epoch;
            const date d = cal_civil(truncInt(dk));
            std::snprintf(row, sizeof row, "%012.6lf   %012.6lf  (%i %s %i)\n", jd2ep(el.epoch),
                          jd2ep(dk), d.year, month(d), d.day);
        }
        prime(flux);
        const double decay = lifetime + tz;
        const date d = cal_civil(truncInt(decay));
        std::snprintf(row, sizeof row, "%9.4f %010.4f (%i %s %i)\n", lifetime, jd2ep(decay),
                      d.year, month(d), d.day);
        // One call of evolve at most: the span ends with the first step.
        evolveUntil(flux, 0.01);
    }
    std::fclose(in);
    qfix = 1.0;
    hfix = 1.0;
    deltaHk = 0.0;
    ifHk = 0;
    return 0;
}
