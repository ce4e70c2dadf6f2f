// The fitted prediction (--fit): every set of the input read first, the sets
// of each object put in epoch order, and each set's ballistic coefficient
// fitted to the sets of its object before it and flown; the lines that say
// which sets rest on a fit.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <system_error>

#include "driver.h"
#include "evolve.h"
#include "formats/elfile.h"

namespace morvel {

namespace {

// No stated end of a powered phase: every set may be fitted.
constexpr double anyDay = -1.0;

}  // namespace

double fitHorizon(const runParams& p) { return p.minlife < 0.05 ? shownLifetime : p.minlife; }

fittedInput readAndFit(std::FILE* inpFp, const runParams& p) {
    fittedInput in;
    {
        // A first reservation for the sets: about one set per 140 bytes (a
        // TLE set; an OMM CSV row is shorter, the other encodings longer).
        std::error_code ec;
        const std::uintmax_t bytes = std::filesystem::file_size(p.inelf, ec);
        if (!ec) in.sets.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(bytes / 140 + 1, 1u << 24)));
        elfile reader(inpFp, messages(), p.inelf);
        for (element e = reader.next(); e.if_valid == 1; e = reader.next()) in.sets.push_back(e);
    }
    std::fclose(inpFp);
    in.fits.assign(in.sets.size(), fittedDecay{-1.0, -1.0, 0, 0});

    // The sets of each object together, in epoch order (file order among
    // equal epochs): sorting indices keeps the sets where they are.
    std::vector<std::size_t> order(in.sets.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const element& x = in.sets[a];
        const element& y = in.sets[b];
        return x.objno != y.objno ? x.objno < y.objno : x.epoch < y.epoch;
    });
    const fluxPlan plan{&p.weather, p.flux};
    const double horizon = fitHorizon(p);
    ballisticFitter fitter;
    std::vector<element> history;
    for (std::size_t first = 0; first < order.size();) {
        std::size_t end = first + 1;
        while (end < order.size() && in.sets[order[end]].objno == in.sets[order[first]].objno) ++end;
        // An object with one set has no history to fit.
        if (end - first > 1) {
            history.clear();
            for (std::size_t i = first; i < end; ++i) history.push_back(in.sets[order[i]]);
            for (std::size_t k = 1; k < history.size(); ++k)
                in.fits[order[first + k]] = fitter.predict(history, static_cast<int>(k), plan, anyDay, horizon);
        }
        first = end;
    }
    return in;
}

fittedText fitLine(int fitted, int without) {
    fittedText line;
    std::snprintf(line.text, sizeof line.text,
                  "Fitted: %i listed sets rest on a Cd*A/m fitted to the sets before them; %i had too short a "
                  "history (no two sets %.1f day apart whose fall drag gives) and took their own decay rate\n",
                  fitted, without, fewestPairDays);
    return line;
}

void fitReportLine(std::FILE* fp, const fittedDecay& f, bool rateTaken, double horizon) {
    if (f.pairs == 0) {
        std::fprintf(fp, "No fitted Cd*A/m: too short a history before this set; its own decay rate used\n");
        return;
    }
    std::fprintf(fp, "Fitted Cd*A/m = %.5f m^2/kg from %i pairs of sets over %.1f days before this set", f.b, f.pairs,
                 f.span);
    if (rateTaken) std::fprintf(fp, "; the evolution takes the decay rate of its date\n");
    else if (f.decay > 0) std::fprintf(fp, "; the theory gives no decay rate for its date: its own decay rate used\n");
    else std::fprintf(fp, "; no decay within %.1f days: its own decay rate used\n", horizon);
}

}  // namespace morvel
