#include "screening.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ballistic.h"
#include "evolve.h"
#include "validation.h"

namespace morvel::validation {

namespace {

std::string fmt(const char* f, double v) {
    char b[64];
    std::snprintf(b, sizeof b, f, v);
    return b;
}

std::string pct(int part, int whole) {
    return whole == 0 ? "-" : fmt("%.0f %%", 100.0 * part / whole);
}

// The points of `v` at the window's two levels.
windowCell pointsOf(const std::vector<double>& v, int count) {
    return {quantile(v, windowLowest), quantile(v, windowHighest), count};
}

std::string binName(int b) {
    const std::string lo = b == 0 ? "0" : fmt("%g", windowBinEdges[b - 1]);
    return b == windowBins - 1 ? "from " + lo + " d" : lo + "-" + fmt("%g", windowBinEdges[b]) + " d";
}

bool inside(const windowCell& c, const windowSample& s) { return s.share >= c.lower && s.share <= c.upper; }

}  // namespace

bool windowSampleOf(const std::string& name, int norad, double epoch, double predicted, double real,
                    windowSample& s) {
    if (!(predicted > epoch)) return false;
    const double remaining = predicted - epoch;
    s = {kindOf(name.c_str()), remaining, (real - predicted) / remaining, norad};
    return true;
}

windowTable windowsOf(const std::vector<windowSample>& samples) {
    std::vector<double> all;
    for (const windowSample& s : samples) all.push_back(s.share);
    windowTable t{};
    for (int b = 0; b < windowBins; ++b) {
        std::vector<double> pooled;
        for (const windowSample& s : samples)
            if (windowBin(s.remaining) == b) pooled.push_back(s.share);
        const windowCell pooledCell = pooled.empty() ? pointsOf(all, 0) : pointsOf(pooled, 0);
        for (int k = 0; k < objectKinds; ++k) {
            std::vector<double> own;
            for (const windowSample& s : samples)
                if (windowBin(s.remaining) == b && static_cast<int>(s.kind) == k) own.push_back(s.share);
            const int n = static_cast<int>(own.size());
            t[k][b] = n >= fewestWindowSamples ? pointsOf(own, n) : pooledCell;
        }
    }
    return t;
}

namespace {

// One table as C++: its comment lines, then the array named `name`.
std::string tableText(const char* name, const windowTable& t) {
    std::string o = std::string("constexpr windowCell ") + name + "[objectKinds][windowBins] = {\n";
    for (int k = 0; k < objectKinds; ++k) {
        o += "    {";
        for (int b = 0; b < windowBins; ++b) {
            char cell[80];
            std::snprintf(cell, sizeof cell, "%s{%.4f, %.4f, %d}", b ? ", " : "", t[k][b].lower, t[k][b].upper,
                          t[k][b].count);
            o += cell;
        }
        o += "},  // " + std::string(kindName(static_cast<objectKind>(k))) + "\n";
    }
    return o + "};\n";
}

// How often the windows of table `t` held the real re-entries of `samples`,
// by bin of R: in sample, and with each object's own predictions left out of
// the table that judges them. The last entry holds every bin.
struct binCoverage {
    int n = 0;
    int in = 0;
    int out = 0;
};
std::vector<binCoverage> coverageOf(const std::vector<windowSample>& samples, const windowTable& t) {
    std::vector<int> objects;
    for (const windowSample& s : samples)
        if (std::find(objects.begin(), objects.end(), s.norad) == objects.end()) objects.push_back(s.norad);
    std::vector<int> outIn(samples.size(), 0);
    for (int norad : objects) {
        std::vector<windowSample> rest;
        for (const windowSample& s : samples)
            if (s.norad != norad) rest.push_back(s);
        const windowTable without = windowsOf(rest);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const windowSample& s = samples[i];
            if (s.norad == norad) outIn[i] = inside(without[static_cast<int>(s.kind)][windowBin(s.remaining)], s);
        }
    }
    std::vector<binCoverage> c(windowBins + 1);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const windowSample& s = samples[i];
        const int b = windowBin(s.remaining);
        for (binCoverage* x : {&c[static_cast<std::size_t>(b)], &c.back()}) {
            ++x->n;
            x->in += inside(t[static_cast<int>(s.kind)][b], s);
            x->out += outIn[i];
        }
    }
    return c;
}

// "n (share)" of a coverage count.
std::string counted(int part, int whole) { return std::to_string(part) + " (" + pct(part, whole) + ")"; }

}  // namespace

std::string windowTableText(const windowTable& list, const windowTable& fitted) {
    return "// Written by morvel-validate --window-table (make validate) from the validation's\n"
           "// predictions at the observed flux; do not edit.\n"
           "// Per kind of object (the order of objectKind) and bin of predicted remaining time\n"
           "// (windowBinEdges): the 5 % and 95 % points of (real - predicted) / (predicted - epoch)\n"
           "// of the validation's drag-decay predictions, and how many predictions they rest on\n"
           "// (0: too few of the kind, the bin's points over every kind).\n" +
           tableText("windowCells", list) +
           "// The same for the predictions of the fitted ballistic coefficient that rest on a pair.\n" +
           tableText("fittedWindowCells", fitted);
}

void writeWindowSection(std::ostream& o, const windowSets& samples) {
    const windowTable t = windowsOf(samples.list);
    const windowTable ft = windowsOf(samples.fitted);
    o << "## Windows of the screened list\n\n"
         "`morvel --screen` and `--csv` give each date a window: from epoch + R (1 + lower) to epoch + R (1 + "
         "upper), R the predicted remaining time, lower and upper the 5 % and 95 % points of the signed error "
         "(real - predicted) / R of the drag-decay predictions above (decay-list estimate, the flux of this run), "
         "by the kind the object's name shows and by R; with `--fit`, a date of the fitted coefficient takes "
         "the points of the fitted coefficient's drag-decay predictions that rest on a pair. A kind with fewer "
         "than "
      << fewestWindowSamples
      << " predictions in a bin takes the bin's points over every kind (marked *). The tables are written into "
         "`include/windowtable.inc` by this run, and the program is built with them.\n\n"
         "| kind | R | lower | upper | predictions | fitted: lower | fitted: upper | fitted: predictions |\n"
         "|---|---|---|---|---|---|---|---|\n";
    auto count = [](const std::vector<windowSample>& v, int k, int b) {
        int n = 0;
        for (const windowSample& s : v) n += static_cast<int>(s.kind) == k && windowBin(s.remaining) == b;
        return n;
    };
    for (int k = 0; k < objectKinds; ++k) {
        for (int b = 0; b < windowBins; ++b) {
            const windowCell& c = t[k][b];
            const windowCell& f = ft[k][b];
            o << "| " << kindName(static_cast<objectKind>(k)) << " | " << binName(b) << " | " << fmt("%+.2f", c.lower)
              << " | " << fmt("%+.2f", c.upper) << " | " << count(samples.list, k, b) << (c.count == 0 ? " *" : "")
              << " | " << fmt("%+.2f", f.lower) << " | " << fmt("%+.2f", f.upper) << " | "
              << count(samples.fitted, k, b) << (f.count == 0 ? " *" : "") << " |\n";
        }
    }
    o << "\nHow often the window held the real re-entry, by R: in sample (the table above), and out of sample "
         "(for each object, a table made without its predictions):\n\n"
         "| R | predictions | in sample | out of sample | fitted: predictions | fitted: in sample | fitted: out of "
         "sample |\n|---|---|---|---|---|---|---|\n";
    const std::vector<binCoverage> lc = coverageOf(samples.list, t);
    const std::vector<binCoverage> fc = coverageOf(samples.fitted, ft);
    for (int b = 0; b <= windowBins; ++b) {
        const binCoverage& l = lc[static_cast<std::size_t>(b)];
        const binCoverage& f = fc[static_cast<std::size_t>(b)];
        o << "| " << (b < windowBins ? binName(b) : std::string("all")) << " | " << l.n << " | " << counted(l.in, l.n)
          << " | " << counted(l.out, l.n) << " | " << f.n << " | " << counted(f.in, f.n) << " | "
          << counted(f.out, f.n) << " |\n";
    }
}

std::vector<screenedSet> screenedSets(const snapshot& snap, const std::vector<int>& later, const spaceWeather& sw,
                                      double flux) {
    std::vector<screenedSet> out;
    for (const element& e : snap.sets) {
        const double f = fluxAt(sw, e.epoch, flux).flux;
        const double life = decayListLifetime(e, f);
        if (!(life > 0 && life < screenedLifetime)) continue;
        out.push_back({e.objno, impliedBallistic(e, f), !std::binary_search(later.begin(), later.end(), e.objno)});
    }
    return out;
}

namespace {

// Quantiles and count of a sample of coefficients.
std::string spreadRow(std::vector<double> v) {
    if (v.empty()) return "0 | | | | | |";
    std::sort(v.begin(), v.end());
    return std::to_string(v.size()) + " | " + fmt("%.4f", quantile(v, 0.05)) + " | " + fmt("%.4f", quantile(v, 0.5)) +
           " | " + fmt("%.4f", quantile(v, 0.9)) + " | " + fmt("%.4f", quantile(v, 0.99)) + " | " +
           fmt("%.4f", v.back()) + " |";
}

// The coefficients of the listable drag-decay sets of `h` at the flux each
// takes (the observed one when `observed`, else `flux`), whose remaining
// time lies in [from, to) days.
std::vector<double> historyCoefficients(const dragHistory& h, const spaceWeather& sw, double flux, bool observed,
                                        double from, double to) {
    std::vector<double> v;
    for (const element& e : h.sets) {
        const double f = observed ? fluxAt(sw, e.epoch, flux).flux : flux;
        const double life = decayListLifetime(e, f);
        const double remaining = h.real - e.epoch;
        if (!(life > 0 && life < screenedLifetime) || remaining < from || remaining >= to) continue;
        v.push_back(impliedBallistic(e, f));
    }
    return v;
}

void snapshotTable(std::ostream& o, const std::vector<screenedSet>& s) {
    int left = 0;
    std::vector<double> leavers, stayers;
    for (const screenedSet& x : s) {
        left += x.left;
        (x.left ? leavers : stayers).push_back(x.ballistic);
    }
    o << "Listed: " << s.size() << " sets, " << left << " of them (" << pct(left, static_cast<int>(s.size()))
      << ") left by the last snapshot.\n\n"
      << "| sets | count | 5 % | median | 90 % | 99 % | largest |\n|---|---|---|---|---|---|---|\n"
      << "| left | " << spreadRow(leavers) << "\n| stayed | " << spreadRow(stayers) << "\n\n"
      << "| limit (m²/kg) | listed as drag | of them left | share left | leavers kept |\n|---|---|---|---|---|\n";
    for (double limit : candidateLimits) {
        int drag = 0, dragLeft = 0;
        for (const screenedSet& x : s) {
            if (x.ballistic > limit) continue;
            ++drag;
            dragLeft += x.left;
        }
        o << "| " << fmt("%g", limit) << (limit == dragLimit ? " (chosen)" : "") << " | " << drag << " | " << dragLeft
          << " | " << pct(dragLeft, drag) << " | " << dragLeft << " of " << left << " (" << pct(dragLeft, left)
          << ") |\n";
    }
    o << "\n";
}

}  // namespace

std::vector<snapshot> readSnapshots(const std::string& dir, spaceWeather& sw) {
    namespace fs = std::filesystem;
    std::vector<snapshot> out;
    std::error_code ec;
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir, ec))
        if (e.path().extension() == ".tle" && e.is_regular_file()) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    for (const std::string& f : files) out.push_back({fs::path(f).filename().string(), readHistory(f)});
    const std::string weather = dir + "/space-weather.csv";
    if (fs::exists(weather, ec) && loadSpaceWeather(weather.c_str(), sw) != weatherStatus::ok) sw = spaceWeather{};
    return out;
}

bool writeScreeningReport(const std::string& path, const std::string& command, const std::vector<dragHistory>& h,
                          const spaceWeather& sw, double flux, const std::vector<snapshot>& snaps,
                          const spaceWeather& snapSw) {
    std::ofstream o(path);
    const bool haveObs = !(observedDays(sw) == 0);
    o << "# Screening: the limit between drag and thrust\n\nGenerated by `" << command
      << "`; do not edit by hand.\n\n"
         "`morvel --screen` leaves out of the decay list the sets whose decay drag cannot give: those whose "
         "implied ballistic coefficient Cd·A/m, the coefficient that the set's own decay rate needs at its "
         "height, density and flux, is above "
      << fmt("%g", dragLimit)
      << " m²/kg (`dragLimit` in `include/ballistic.h`). Below, the coefficients of sets known to decay by drag "
         "and of the sets that the decay list (`-L"
      << fmt("%g", screenedLifetime) << "`) of live catalogue snapshots lists.\n\n";

    o << "## Drag decays: the re-entry histories\n\nEvery set of the " << h.size()
      << " histories of `tools/validate/data/` that no detected or stated powered change precedes (the "
         "validation's drag decay) and that the decay list would list at `-L"
      << fmt("%g", screenedLifetime)
      << "`, by kind and by remaining time before the real re-entry. A steady lowering by thrust that the "
         "validation does not detect counts here as drag: the largest values of Starlink far from re-entry are "
         "such phases.\n\n";
    struct band {
        const char* name;
        double from, to;
    };
    const band bands[] = {{"under 3 d", 0, 3}, {"3-10 d", 3, 10}, {"10-30 d", 10, 30}, {"from 30 d", 30, 1e9}};
    for (int obs = haveObs ? 1 : 0; obs >= 0; --obs) {
        o << "### " << (obs ? "Observed flux (as -W gives it)" : "Flux " + fmt("%g", flux)) << "\n\n"
          << "| kind | remaining | sets | 5 % | median | 90 % | 99 % | largest |\n|---|---|---|---|---|---|---|---|\n";
        std::vector<std::string> kinds;
        for (const dragHistory& x : h)
            if (std::find(kinds.begin(), kinds.end(), x.kind) == kinds.end()) kinds.push_back(x.kind);
        std::vector<double> every;
        for (const std::string& k : kinds) {
            for (const band& b : bands) {
                std::vector<double> v;
                for (const dragHistory& x : h) {
                    if (x.kind != k) continue;
                    const std::vector<double> c = historyCoefficients(x, sw, flux, obs == 1, b.from, b.to);
                    v.insert(v.end(), c.begin(), c.end());
                }
                if (v.empty()) continue;
                every.insert(every.end(), v.begin(), v.end());
                o << "| " << k << " | " << b.name << " | " << spreadRow(v) << "\n";
            }
        }
        o << "\nSets above each limit (a drag decay the screen would leave out), of " << every.size() << ": ";
        for (double limit : candidateLimits) {
            const long above = std::count_if(every.begin(), every.end(), [&](double b) { return b > limit; });
            o << (limit == candidateLimits[0] ? "" : "; ") << fmt("%g", limit) << ": " << above << " ("
              << pct(static_cast<int>(above), static_cast<int>(every.size())) << ")";
        }
        o << ".\n\n";
    }

    o << "## The live catalogue: snapshots\n\nA set listed from a snapshot whose object is no longer in the last "
         "snapshot has left (almost always re-entered); one that is still there has not, by then.\n\n";
    if (snaps.size() < 2) o << "Fewer than two snapshots were given: nothing to compare.\n";
    std::vector<int> later;
    if (!snaps.empty()) {
        for (const element& e : snaps.back().sets) later.push_back(e.objno);
        std::sort(later.begin(), later.end());
    }
    for (std::size_t i = 0; i < snaps.size(); ++i) {
        const bool last = i + 1 == snaps.size();
        for (int obs = 0; obs <= ((observedDays(snapSw) == 0) ? 0 : 1); ++obs) {
            o << "### " << snaps[i].file << ", " << (obs ? "observed flux (-W)" : "flux " + fmt("%g", flux)) << "\n\n";
            const std::vector<screenedSet> s = screenedSets(snaps[i], later, obs ? snapSw : spaceWeather{}, flux);
            if (!last) {
                snapshotTable(o, s);
                continue;
            }
            std::vector<double> v;
            for (const screenedSet& x : s) v.push_back(x.ballistic);
            const long drag = std::count_if(v.begin(), v.end(), [](double b) { return !(b > dragLimit); });
            o << "The last snapshot: nothing later to tell who left. Listed: " << v.size() << " sets, " << drag
              << " of them drag.\n\n| sets | count | 5 % | median | 90 % | 99 % | largest |\n"
                 "|---|---|---|---|---|---|---|\n| listed | "
              << spreadRow(v) << "\n\n";
        }
    }
    o.close();
    if (!o.fail()) return true;
    std::fprintf(stderr, "morvel-validate: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace morvel::validation
