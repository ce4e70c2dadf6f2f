// morvel-validate: Morvel's predictions from real histories of re-entered
// objects against their catalogued decay days. Writes one CSV row per object
// and lead time and a Markdown report with the accuracy summary.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "validation.h"

using namespace morvel;
using namespace morvel::validation;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr int fluxMeanDays = 81;
constexpr double campaignWindow = 0.2;  // p of the re-entry campaigns
constexpr double wantedCoverage = 0.9;

struct options {
    std::string data = "tools/validate/data";
    std::string fluxFile;
    std::string csv = "docs/validation.csv";
    std::string md = "docs/validation.md";
    double flux = 150.0;
};

// The three predictions of one set for one flux.
struct predictions {
    double flux;
    double estimate;
    double evolved;
    double fitted;
};

struct row {
    int norad;
    std::string name;
    double lead;
    double epoch;
    double real;
    double perigee;
    bool drag;
    fit f;
    predictions fixed;
    predictions observed;  // flux < 0: no flux file
    double shiftLow;       // change of the estimate at 0.7 and 1.3 x flux,
    double shiftHigh;      // as a fraction of the real remaining time
};

struct object {
    int norad;
    std::string name;
    std::vector<manoeuvre> powered;
    std::vector<element> history;
};

void usage() {
    std::printf(
        "usage: morvel-validate [--data DIR] [--flux F] [--flux-file FILE] [--csv FILE] [--md FILE]\n"
        "  DIR holds reentries.csv and reentry/<norad>-*.tle (default tools/validate/data)\n"
        "  F is the fixed flux (default 150); FILE of daily flux gives each set the\n"
        "  mean of the 81 days before its epoch\n");
}

bool parse(int argc, char** argv, options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return false;
        const std::string v = argv[++i];
        if (a == "--data") o.data = v;
        else if (a == "--flux-file") o.fluxFile = v;
        else if (a == "--csv") o.csv = v;
        else if (a == "--md") o.md = v;
        else if (a == "--flux") {
            if (std::sscanf(v.c_str(), "%lf", &o.flux) != 1 || !(o.flux > 0)) return false;
        } else return false;
    }
    return true;
}

std::string historyFile(const std::string& dir, int norad) {
    namespace fs = std::filesystem;
    const std::string prefix = std::to_string(norad) + "-";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir + "/reentry", ec)) {
        const std::string n = e.path().filename().string();
        if (n.rfind(prefix, 0) == 0) return e.path().string();
    }
    return {};
}

predictions predict(const element& set, const fit& f, double flux) {
    predictions p{flux, none, none, none};
    if (flux <= 0) return p;
    p.estimate = estimateDecay(set, flux);
    p.evolved = evolveDecay(set, flux, evolutionSpan);
    element fitted = set;
    if (f.ok) fitted.nrate = f.nrate;
    p.fitted = f.ok ? estimateDecay(fitted, flux) : none;
    return p;
}

std::string num(double v, const char* fmt) {
    if (std::isinf(v) || std::isnan(v)) return "";
    char b[64];
    std::snprintf(b, sizeof b, fmt, v);
    return b;
}

// A window fraction: "inf" when more predictions are missing than the
// coverage allows.
std::string fraction(double v) {
    if (std::isnan(v)) return "-";
    return std::isinf(v) ? "inf" : num(v, "%.2f");
}

std::string leadName(double lead) { return lead == 0 ? "last" : num(lead, "%.0f"); }

// Error cell of the Markdown tables: hours, or "<12 h" within the day, or
// "none" for a missing prediction.
std::string hoursCell(double predicted, const row& r) {
    const error e = errorOf(predicted, r.real, r.epoch);
    if (std::isinf(e.hours)) return "none";
    if (e.withinDay) return "<12 h";
    return num(e.hours, "%+.0f");
}

std::string pct(double v) { return std::isnan(v) ? "-" : std::isinf(v) ? "inf" : num(100 * v, "%.0f %%"); }

double pick(const predictions& p, int method) {
    return method == 0 ? p.estimate : method == 1 ? p.evolved : p.fitted;
}

const char* const methodNames[] = {"decay list", "full evolution", "fitted derivative"};

// |relative error| of one method over the rows of a lead time.
std::vector<double> relErrors(const std::vector<row>& rows, double lead, int method, bool obs,
                              bool dragOnlyRows) {
    std::vector<double> v;
    for (const row& r : rows) {
        if (r.lead != lead || (dragOnlyRows && !r.drag)) continue;
        const predictions& p = obs ? r.observed : r.fixed;
        v.push_back(std::fabs(errorOf(pick(p, method), r.real, r.epoch).relative));
    }
    return v;
}

struct coverage {
    int n;
    double share;   // of the campaign window
    double needed;  // p for the wanted coverage
};

coverage coverOf(const std::vector<row>& rows, double lead, int method, bool obs, bool dragOnlyRows) {
    std::vector<double> need;
    int in = 0;
    for (const row& r : rows) {
        if (r.lead != lead || (dragOnlyRows && !r.drag)) continue;
        const predictions& p = obs ? r.observed : r.fixed;
        const double w = windowNeeded(pick(p, method), r.real, r.epoch);
        need.push_back(w);
        if (w <= campaignWindow) ++in;
    }
    const int n = static_cast<int>(need.size());
    return {n, n ? static_cast<double>(in) / n : std::nan(""), quantile(need, wantedCoverage)};
}

void writeCsv(const std::string& path, const std::vector<row>& rows) {
    std::ofstream o(path);
    o << "norad,name,lead_days,set_epoch,perigee_km,real_reentry,remaining_days,drag_decay,fit_sets";
    for (const char* c : {"150", "obs"}) {
        o << ",flux_" << c;
        for (const char* m : {"list", "evol", "fit"}) {
            o << ",pred_" << m << "_" << c << ",err_h_" << m << "_" << c << ",rel_" << m << "_" << c;
        }
    }
    o << "\n";
    for (const row& r : rows) {
        o << r.norad << "," << r.name << "," << leadName(r.lead) << "," << isoTime(r.epoch) << ","
          << num(r.perigee, "%.1f") << "," << isoTime(r.real) << "," << num(r.real - r.epoch, "%.3f")
          << "," << (r.drag ? 1 : 0) << "," << r.f.sets;
        for (const predictions* p : {&r.fixed, &r.observed}) {
            o << "," << num(p->flux, "%.1f");
            for (int m = 0; m < 3; ++m) {
                const double t = pick(*p, m);
                const error e = errorOf(t, r.real, r.epoch);
                o << "," << isoTime(t) << "," << num(e.hours, "%.1f") << "," << num(e.relative, "%.4f");
            }
        }
        o << "\n";
    }
}

void writeSummary(std::ostream& o, const std::vector<row>& rows, bool haveObs, bool dragRows) {
    o << "| lead (days) | objects |";
    for (int m = 0; m < 3; ++m) {
        o << " " << methodNames[m] << ", flux 150 |";
        if (haveObs) o << " " << methodNames[m] << ", observed flux |";
    }
    o << "\n|---|---|";
    for (int m = 0; m < 3 * (haveObs ? 2 : 1); ++m) o << "---|";
    o << "\n";
    for (double lead : leadTimes) {
        const std::vector<double> any = relErrors(rows, lead, 0, false, dragRows);
        o << "| " << leadName(lead) << " | " << any.size() << " |";
        for (int m = 0; m < 3; ++m) {
            for (int obs = 0; obs < (haveObs ? 2 : 1); ++obs) {
                const std::vector<double> v = relErrors(rows, lead, m, obs == 1, dragRows);
                o << " " << pct(quantile(v, 0.5)) << " / " << pct(quantile(v, 0.9)) << " |";
            }
        }
        o << "\n";
    }
}

void writeCoverage(std::ostream& o, const std::vector<row>& rows, bool obs) {
    o << "| lead (days) | all: objects | all: inside ±20 % | all: p for 90 % | drag: objects | drag: "
         "inside ±20 % | drag: p for 90 % | fitted, drag: inside ±20 % | fitted, drag: p for 90 % |\n"
         "|---|---|---|---|---|---|---|---|---|\n";
    for (double lead : leadTimes) {
        const coverage a = coverOf(rows, lead, 0, obs, false);
        const coverage d = coverOf(rows, lead, 0, obs, true);
        const coverage fd = coverOf(rows, lead, 2, obs, true);
        o << "| " << leadName(lead) << " | " << a.n << " | " << pct(a.share) << " | "
          << fraction(a.needed) << " | " << d.n << " | " << pct(d.share) << " | "
          << fraction(d.needed) << " | " << pct(fd.share) << " | " << fraction(fd.needed)
          << " |\n";
    }
}

void writeMarkdown(const std::string& path, const options& opt, const std::vector<row>& rows,
                   const std::vector<object>& objects, bool haveObs) {
    std::ofstream o(path);
    int dragObjects = 0;
    for (const object& ob : objects) dragObjects += ob.powered.empty() ? 1 : 0;
    int dragRows = 0;
    for (const row& r : rows) dragRows += r.drag ? 1 : 0;
    double agree = 0;
    for (const row& r : rows) {
        for (const predictions* p : {&r.fixed, &r.observed}) {
            if (p->estimate > 0 && p->evolved > 0) agree = std::max(agree, std::fabs(p->evolved - p->estimate));
        }
    }

    o << "# Accuracy against real re-entries\n\n"
         "Generated by `make validate` (`morvel-validate";
    if (!opt.fluxFile.empty()) o << " --flux-file " << opt.fluxFile;
    o << "`); do not edit by hand.\n\n"
      << "Histories: " << objects.size() << " re-entered satellites (`" << opt.data
      << "/`, see its SOURCES.md). For each lead time of 60, 30, 14, 7, 3 and 1 day before the real "
         "re-entry, and for the last set before it, the last element set whose epoch lies before that "
         "time is primed and its re-entry predicted three ways:\n\n"
         "- **decay list**: epoch + lifetime after priming, as the decay list gives it;\n"
         "- **full evolution**: the 0.01-day evolution until decay (at most "
      << num(evolutionSpan, "%.0f") << " days), `decayedAt`;\n"
         "- **fitted derivative**: the decay-list estimate with the set's first derivative of the mean "
         "motion replaced by half the slope of a least-squares line through the mean motions of the "
         "sets of the "
      << num(fitWindowDays, "%.0f")
      << " days up to and including the chosen set (at least 3 sets over at least 6 hours; the CSV "
         "column `fit_sets` gives the number).\n\n"
         "The real re-entry is the catalogued decay day, a UTC day only: it is taken at noon, known to "
         "half a day either way, so an error below 12 hours is shown as `<12 h`. The relative error is "
         "the error divided by the real remaining time (real re-entry less the set's epoch). With "
         "`--flux-file`, the observed flux of a set is the mean of the daily observed 10.7 cm flux of "
         "the "
      << fluxMeanDays
      << " days before its epoch, what a forecaster had on that day; otherwise only the flux 150 is "
         "used. A missing prediction (no decay predicted, or none within the span) counts as an "
         "infinite error. Quantiles are by nearest rank.\n\n"
         "Without an object size the theory lowers the remaining lifetime by exactly one step per "
         "step, so the full evolution ends where the decay-list estimate says: over all rows the two "
         "differ by at most "
      << num(agree * 86400, "%.1f") << " seconds.\n\n";

    o << "## Summary: drag decay\n\nMedian / 90th percentile of the absolute relative error, over the "
      << dragRows << " predictions (" << dragObjects
      << " objects without any powered change, and the sets of the others made after their last one) "
         "that no powered change follows:\n\n";
    writeSummary(o, rows, haveObs, true);
    o << "\n## Summary: all objects\n\nThe same over all " << rows.size()
      << " predictions, powered descents included:\n\n";
    writeSummary(o, rows, haveObs, false);

    // Whether the fit helps, lead by lead, over the drag-decay rows.
    o << "\nThe fitted derivative against the set's own (decay-list estimate, "
      << (haveObs ? "observed flux" : "flux 150") << ", drag decay): ";
    bool firstLead = true;
    for (double lead : leadTimes) {
        const double own = quantile(relErrors(rows, lead, 0, haveObs, true), 0.5);
        const double fitted = quantile(relErrors(rows, lead, 2, haveObs, true), 0.5);
        o << (firstLead ? "" : "; ") << "lead " << leadName(lead) << ": median " << pct(own) << " -> "
          << pct(fitted) << (fitted < own ? " (better)" : fitted > own ? " (worse)" : " (same)");
        firstLead = false;
    }
    o << ".\n\n";

    o << "## Window\n\nA forecast window of the prediction ± p × the predicted remaining time. Share of "
         "the real re-entry noons inside it for p = 0.2, and the p that a coverage of 90 % needs "
         "(decay-list estimate, "
      << (haveObs ? "observed flux" : "flux 150") << "; the last column pair uses the fitted derivative):\n\n";
    writeCoverage(o, rows, haveObs);
    o << "\nThe flux is no window: with the decay rate fixed by the observed derivative, the flux "
         "enters only through the scale height. Median change of the decay-list estimate, as a fraction "
         "of the real remaining time, at 0.7 and 1.3 times the flux: ";
    firstLead = true;
    for (double lead : leadTimes) {
        std::vector<double> lo, hi;
        for (const row& r : rows) {
            if (r.lead != lead) continue;
            lo.push_back(r.shiftLow);
            hi.push_back(r.shiftHigh);
        }
        o << (firstLead ? "" : "; ") << "lead " << leadName(lead) << ": " << pct(quantile(lo, 0.5))
          << ", " << pct(quantile(hi, 0.5));
        firstLead = false;
    }
    o << ".\n\n";

    o << "## Powered descents\n\nA change between successive sets that drag cannot give: a perigee "
         "fall more than three times, and 5 km beyond, what the two sets' first derivatives explain, "
         "or a rise of the semi-major axis of more than 1 km; pairs whose earlier set has its perigee below "
         "200 km (the last hours, whose sets disagree with one another) are not tested. Predictions from sets whose fitting "
         "window starts before such a change are left out of the drag-decay figures.\n\n"
         "| object | changes | first | last |\n|---|---|---|---|\n";
    for (const object& ob : objects) {
        if (ob.powered.empty()) continue;
        const manoeuvre& a = ob.powered.front();
        const manoeuvre& b = ob.powered.back();
        auto when = [&](const manoeuvre& m) {
            return isoTime(ob.history[static_cast<std::size_t>(m.from)].epoch) + " to " +
                   isoTime(ob.history[static_cast<std::size_t>(m.to)].epoch) + ": " + m.why;
        };
        o << "| " << ob.norad << " " << ob.name << " | " << ob.powered.size() << " | " << when(a) << " | "
          << (ob.powered.size() > 1 ? when(b) : "") << " |\n";
    }

    o << "\n## Per object\n\nError in hours (positive: predicted late) of each way, flux 150"
      << (haveObs ? " / observed flux" : "") << ". `*` marks a prediction left out of the drag-decay figures.\n";
    for (const object& ob : objects) {
        o << "\n### " << ob.norad << " " << ob.name << "\n\n"
          << "| lead | set epoch | perigee (km) | real re-entry | remaining (d) | flux | decay list | full "
             "evolution | fitted |\n|---|---|---|---|---|---|---|---|---|\n";
        for (const row& r : rows) {
            if (r.norad != ob.norad) continue;
            auto cell = [&](int m) {
                std::string c = hoursCell(pick(r.fixed, m), r);
                if (haveObs) c += " / " + hoursCell(pick(r.observed, m), r);
                return c;
            };
            o << "| " << leadName(r.lead) << (r.drag ? "" : " *") << " | " << isoTime(r.epoch) << " | "
              << num(r.perigee, "%.0f") << " | " << isoTime(r.real) << " | "
              << num(r.real - r.epoch, "%.2f") << " | " << num(r.fixed.flux, "%.0f")
              << (haveObs ? " / " + num(r.observed.flux, "%.0f") : "") << " | " << cell(0) << " | "
              << cell(1) << " | " << cell(2) << " |\n";
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    options opt;
    if (!parse(argc, argv, opt)) {
        usage();
        return 2;
    }
    fluxTable table;
    const bool haveObs = !opt.fluxFile.empty();
    if (haveObs && !readFlux(opt.fluxFile, table)) {
        std::fprintf(stderr, "morvel-validate: cannot read flux file %s\n", opt.fluxFile.c_str());
        return 1;
    }
    std::ifstream list(opt.data + "/reentries.csv");
    if (!list) {
        std::fprintf(stderr, "morvel-validate: cannot read %s/reentries.csv\n", opt.data.c_str());
        return 1;
    }

    std::vector<row> rows;
    std::vector<object> objects;
    std::string line;
    std::getline(list, line);  // header
    while (std::getline(list, line)) {
        std::stringstream s(line);
        std::string norad, name, day;
        std::getline(s, norad, ',');
        std::getline(s, name, ',');
        std::getline(s, day, ',');
        const double real = noonOf(day);
        const std::string file = historyFile(opt.data, std::atoi(norad.c_str()));
        object ob{std::atoi(norad.c_str()), name, {}, readHistory(file)};
        if (real < 0 || ob.history.empty()) {
            std::fprintf(stderr, "morvel-validate: no history or decay day for %s\n", norad.c_str());
            continue;
        }
        ob.powered = detectPowered(ob.history);
        for (double lead : leadTimes) {
            const int k = chooseSet(ob.history, real - lead);
            if (k < 0) continue;
            const element& set = ob.history[static_cast<std::size_t>(k)];
            row r{};
            r.norad = ob.norad;
            r.name = name;
            r.lead = lead;
            r.epoch = set.epoch;
            r.real = real;
            r.perigee = perigeeHeight(set.n, set.ecc);
            r.drag = dragOnly(ob.history, ob.powered, k, fitWindowDays);
            r.f = fitNrate(ob.history, k, fitWindowDays);
            r.fixed = predict(set, r.f, opt.flux);
            const double obsFlux = haveObs ? trailingMean(table, set.epoch, fluxMeanDays) : none;
            r.observed = predict(set, r.f, obsFlux);
            const double base = haveObs && obsFlux > 0 ? obsFlux : opt.flux;
            const double mid = estimateDecay(set, base);
            const double lo = estimateDecay(set, 0.7 * base);
            const double hi = estimateDecay(set, 1.3 * base);
            const double remaining = real - set.epoch;
            r.shiftLow = mid > 0 && lo > 0 ? std::fabs(lo - mid) / remaining : inf;
            r.shiftHigh = mid > 0 && hi > 0 ? std::fabs(hi - mid) / remaining : inf;
            rows.push_back(r);
        }
        objects.push_back(std::move(ob));
    }
    writeCsv(opt.csv, rows);
    writeMarkdown(opt.md, opt, rows, objects, haveObs);
    std::printf("morvel-validate: %zu objects, %zu predictions; wrote %s and %s\n", objects.size(),
                rows.size(), opt.csv.c_str(), opt.md.c_str());
    return 0;
}
