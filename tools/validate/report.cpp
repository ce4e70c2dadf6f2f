#include "report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>

#include "evolve.h"
#include "formats/text.h"

namespace morvel::validation {

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double wantedCoverage = 0.9;
// Campaign objects: Morvel's prediction from every set from this many days
// before the first forecast's issue time, for the figure.
constexpr double campaignSpan = 1.0;

constexpr char defaultData[] = "tools/validate/data";
constexpr char defaultMd[] = "docs/validation.md";


// The element file of `norad` in DIR/reentry or DIR: a name that starts with
// the number and a '-' or '.', and is no table.
std::string historyFile(const std::string& dir, int norad) {
    namespace fs = std::filesystem;
    const std::string n = std::to_string(norad);
    for (const std::string& d : {dir + "/reentry", dir}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(d, ec)) {
            const std::string name = e.path().filename().string();
            const std::string ext = e.path().extension().string();
            if (name.rfind(n, 0) == 0 && name.size() > n.size() && (name[n.size()] == '-' || name[n.size()] == '.') &&
                ext != ".csv" && ext != ".md" && e.is_regular_file())
                return e.path().string();
        }
    }
    return {};
}

// The sets the fitted coefficient reads: DIR/spans/<norad>-*, else none.
std::string spansFile(const std::string& dir, int norad) {
    namespace fs = std::filesystem;
    const std::string n = std::to_string(norad) + "-";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir + "/spans", ec)) {
        if (e.path().filename().string().rfind(n, 0) == 0 && e.is_regular_file()) return e.path().string();
    }
    return {};
}

}  // namespace

const char* methodName(method m) {
    switch (m) {
        case method::decayList:
            return "decay list";
        case method::fullEvolution:
            return "full evolution";
        case method::fittedDerivative:
            return "fitted derivative";
        case method::fittedBallistic:
            return "fitted ballistic coefficient";
    }
    return "?";
}

const char* methodTag(method m) {
    switch (m) {
        case method::decayList:
            return "list";
        case method::fullEvolution:
            return "evol";
        case method::fittedDerivative:
            return "fit";
        case method::fittedBallistic:
            return "fitb";
    }
    return "?";
}

std::string fixedFluxName(double flux) {
    char b[48];
    std::snprintf(b, sizeof b, "flux %g", flux);
    return b;
}

fittedDecay fittedPrediction(const object& ob, const element& set, const fluxPlan& plan) {
    for (std::size_t k = 0; k < ob.spans.size(); ++k) {
        const element& e = ob.spans[k];
        if (e.epoch != set.epoch || e.n != set.n) continue;
        ballisticFitter fitter;
        return fitter.predict(ob.spans, static_cast<int>(k), plan, ob.poweredUntil, shownLifetime);
    }
    return {none, none, 0, 0};
}

predictions predict(const object& ob, int k, const fit& f, double flux, const fluxPlan& plan) {
    const element& set = ob.history[static_cast<std::size_t>(k)];
    predictions p{flux, {}, {none, none, 0, 0}};
    for (const method m : methods) {
        double& at = p.at[static_cast<int>(m)];
        at = none;
        if (flux <= 0) continue;
        switch (m) {
            case method::decayList:
                at = estimateDecay(set, flux);
                break;
            case method::fullEvolution:
                at = evolveDecay(set, flux, evolutionSpan);
                break;
            case method::fittedDerivative: {
                element fitted = set;
                fitted.nrate = f.nrate;
                at = f.ok ? estimateDecay(fitted, flux) : none;
                break;
            }
            case method::fittedBallistic:
                // Without a pair the single set's estimate stands, as in the
                // program's decay list.
                p.fitted = fittedPrediction(ob, set, plan);
                at = p.fitted.pairs > 0 ? p.fitted.decay : estimateDecay(set, flux);
                break;
        }
    }
    return p;
}

namespace {

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

// Error cell of the Markdown tables: hours, or "<12 h" within a catalogued
// day, or "none" for a missing prediction.
std::string hoursCell(double predicted, const row& r) {
    const error e = errorOf(predicted, r.real, r.epoch, r.uncertainty);
    if (std::isinf(e.hours)) return "none";
    if (r.uncertainty > 0 && e.withinDay) return "<12 h";
    return num(e.hours, r.uncertainty > 0 ? "%+.0f" : "%+.1f");
}

std::string pct(double v) { return std::isnan(v) ? "-" : std::isinf(v) ? "inf" : num(100 * v, "%.0f %%"); }


using rowFilter = std::function<bool(const row&)>;

bool everyRow(const row&) { return true; }
bool dragRow(const row& r) { return r.drag; }

// Signed relative errors of one method over the rows of a lead time.
std::vector<double> relErrors(const std::vector<row>& rows, lead l, method m, bool obs, const rowFilter& keep) {
    std::vector<double> v;
    for (const row& r : rows) {
        if (!(r.ld == l) || !keep(r)) continue;
        const predictions& p = obs ? r.observed : r.fixed;
        v.push_back(errorOf(p[m], r.real, r.epoch).relative);
    }
    return v;
}

std::vector<double> absolute(std::vector<double> v) {
    for (double& x : v) x = std::fabs(x);
    return v;
}

struct coverage {
    int n;
    double share;   // inside the campaign window
    double needed;  // p for the wanted coverage
};

coverage coverOf(const std::vector<row>& rows, lead l, method m, bool obs, const rowFilter& keep) {
    std::vector<double> need;
    int in = 0;
    for (const row& r : rows) {
        if (!(r.ld == l) || !keep(r)) continue;
        const predictions& p = obs ? r.observed : r.fixed;
        const double w = windowNeeded(p[m], r.real, r.epoch);
        need.push_back(w);
        if (w <= campaignWindow) ++in;
    }
    const int n = static_cast<int>(need.size());
    return {n, n ? static_cast<double>(in) / n : std::nan(""), quantile(need, wantedCoverage)};
}

// Every lead time of the run, in the order of the tables.
std::vector<lead> allLeads() { return leadsFor(0); }

// Closes an output; false, with a message, when it could not be written
// whole (a missing folder, a full disk).
bool closed(std::ofstream& o, const std::string& path) {
    o.close();
    if (!o.fail()) return true;
    std::fprintf(stderr, "morvel-validate: cannot write %s\n", path.c_str());
    return false;
}

}  // namespace

bool writeCsv(const std::string& path, const std::vector<row>& rows, double flux) {
    std::ofstream o(path);
    o << "norad,name,kind,lead,lead_days,set_epoch,perigee_km,real_reentry,real_uncertainty_h,remaining_days,"
         "drag_decay,fit_sets";
    // The fixed flux's columns are named by it (flux_150 ...), the observed
    // flux's by obs.
    for (const std::string& c : {num(flux, "%g"), std::string("obs")}) {
        o << ",flux_" << c;
        for (const method m : methods) {
            const char* t = methodTag(m);
            o << ",pred_" << t << "_" << c << ",err_h_" << t << "_" << c << ",rel_" << t << "_" << c;
        }
        // The fitted coefficient (m^2/kg) and the pairs it rests on.
        o << ",ballistic_" << c << ",pairs_" << c;
    }
    o << "\n";
    for (const row& r : rows) {
        o << r.norad << "," << text::csvQuoted(r.name) << "," << text::csvQuoted(r.kind) << "," << leadName(r.ld) << ","
          << (r.ld.days == 0 ? "last" : num(r.ld.days, "%g")) << "," << isoTime(r.epoch) << ","
          << num(r.perigee, "%.1f") << "," << isoTime(r.real) << "," << num(r.uncertainty * 24, "%.0f") << ","
          << num(r.real - r.epoch, "%.3f") << "," << (r.drag ? 1 : 0) << "," << r.f.sets;
        for (const predictions* p : {&r.fixed, &r.observed}) {
            // Without an observed flux its cells stay empty: a reader takes
            // an empty flux_obs for a run without one.
            if (p->flux <= 0) {
                o << std::string(3 + 3 * methodCount, ',');
                continue;
            }
            o << "," << num(p->flux, "%.1f");
            for (const method m : methods) {
                const double t = (*p)[m];
                const error e = errorOf(t, r.real, r.epoch);
                o << "," << isoTime(t) << "," << num(e.hours, "%.1f") << "," << num(e.relative, "%.4f");
            }
            o << "," << num(p->fitted.pairs > 0 ? p->fitted.b : inf, "%.5f") << "," << p->fitted.pairs;
        }
        o << "\n";
    }
    return closed(o, path);
}

bool writeCampaignCsv(const std::string& path, const std::vector<campaignRow>& rows,
                      const std::vector<setPrediction>& every) {
    std::ofstream o(path);
    o << "norad,name,source,forecaster,issued_utc,set_epoch,flux,predicted_utc,window_minus_h,window_plus_h,"
         "real_reentry,error_h,window_holds,fitted_utc,fitted_error_h,fitted_window_holds,fitted_pairs\n";
    for (const campaignRow& c : rows) {
        const std::string when = c.f.issued < 0 ? "" : c.f.issuedDayOnly ? isoTime(c.f.issued).substr(0, 10)
                                                                        : isoTime(c.f.issued);
        o << c.f.norad << "," << text::csvQuoted(c.ob->name) << ",published," << text::csvQuoted(c.f.forecaster) << "," << when << ",,,"
          << isoTime(c.f.predicted) << "," << num(c.f.minus * 24, "%.2f") << "," << num(c.f.plus * 24, "%.2f")
          << "," << isoTime(c.ob->real.t) << "," << num(c.c.publishedHours, "%.2f") << ","
          << (c.c.publishedHolds ? 1 : 0) << ",,,,\n";
        if (c.c.set < 0) continue;
        const double epoch = c.ob->history[static_cast<std::size_t>(c.c.set)].epoch;
        o << c.f.norad << "," << text::csvQuoted(c.ob->name) << ",morvel," << text::csvQuoted(c.f.forecaster) << "," << when << ","
          << isoTime(epoch) << "," << num(c.c.flux, "%.1f") << "," << isoTime(c.c.morvel) << ","
          << num(c.c.morvelHalfWindow, "%.2f") << "," << num(c.c.morvelHalfWindow, "%.2f") << ","
          << isoTime(c.ob->real.t) << ","
          << num(c.c.morvelHours, "%.2f") << "," << (c.c.morvelHolds ? 1 : 0) << "," << isoTime(c.fitted.morvel) << ","
          << num(c.fitted.morvelHours, "%.2f") << "," << (c.fitted.morvelHolds ? 1 : 0) << "," << c.pairs << "\n";
    }
    for (const setPrediction& s : every) {
        o << s.ob->norad << "," << text::csvQuoted(s.ob->name) << ",morvel-every-set,,," << isoTime(s.epoch) << ",,"
          << isoTime(s.predicted) << ",,," << isoTime(s.ob->real.t) << ","
          << num(s.predicted > 0 ? (s.predicted - s.ob->real.t) * 24 : inf, "%.2f") << ",,,,,\n";
    }
    return closed(o, path);
}

namespace {

// The groups of the tables by kind: each kind, drag decay and all (one group
// when none of its predictions is powered), then, with three kinds or more,
// every kind but the largest together, so that the small samples also show
// pooled.
struct group {
    std::string label;
    rowFilter keep;
};

// Number of `objects` of kind `k`.
long countOf(const std::vector<object>& objects, const std::string& k) {
    return std::count_if(objects.begin(), objects.end(), [&](const object& ob) { return ob.kind == k; });
}

std::vector<group> groupsOf(const std::vector<object>& objects, const std::vector<row>& rows) {
    const std::vector<std::string> kinds = distinct(objects, &object::kind);
    std::vector<group> g;
    auto add = [&](const std::string& label, const rowFilter& in) {
        bool powered = false;
        for (const row& r : rows) powered = powered || (in(r) && !r.drag);
        if (!powered) {
            g.push_back({label + ", all drag decay", in});
            return;
        }
        g.push_back({label + ", drag decay", [in](const row& r) { return in(r) && r.drag; }});
        g.push_back({label + ", all", in});
    };
    for (const std::string& k : kinds) add(k, [k](const row& r) { return r.kind == k; });
    if (kinds.size() >= 3) {
        std::size_t big = 0;
        for (std::size_t i = 1; i < kinds.size(); ++i)
            big = countOf(objects, kinds[i]) > countOf(objects, kinds[big]) ? i : big;
        const std::string k = kinds[big];
        add("all but " + k, [k](const row& r) { return r.kind != k; });
    }
    return g;
}

// Whether the fitted coefficient of a row's prediction rests on a pair.
bool onFit(const row& r, bool obs) { return (obs ? r.observed : r.fixed).fitted.pairs > 0; }

// The accuracy of method `m` by group and lead; the fitted coefficient's
// table also counts the predictions without a pair (the decay list's).
void writeKindTable(std::ostream& o, const std::vector<row>& rows, const std::vector<group>& groups, bool obs,
                    method m = method::decayList) {
    const bool fitted = m == method::fittedBallistic;
    o << "| objects | lead | predictions | median error | 90th percentile | median signed error | predicted "
         "late | inside ±20 % | p for 90 % |"
      << (fitted ? " without a pair |\n|---|---|---|---|---|---|---|---|---|---|\n" : "\n|---|---|---|---|---|---|---|---|---|\n");
    for (const group& g : groups) {
        for (lead l : allLeads()) {
            const std::vector<double> v = relErrors(rows, l, m, obs, g.keep);
            if (v.empty()) continue;
            int late = 0;
            for (double x : v) late += x > 0 ? 1 : 0;
            const std::vector<double> a = absolute(v);
            const coverage c = coverOf(rows, l, m, obs, g.keep);
            o << "| " << g.label << " | " << leadName(l) << " | " << v.size() << " | " << pct(quantile(a, 0.5))
              << " | " << pct(quantile(a, 0.9)) << " | " << pct(quantile(v, 0.5)) << " | " << late << " of "
              << v.size() << " | " << pct(c.share) << " | " << fraction(c.needed) << " |";
            if (fitted) {
                const long without = std::count_if(rows.begin(), rows.end(), [&](const row& r) {
                    return r.ld == l && g.keep(r) && !onFit(r, obs);
                });
                o << " " << without << " |";
            }
            o << "\n";
        }
    }
}

void writeSummary(std::ostream& o, const std::vector<row>& rows, const std::string& fixedName, bool haveObs,
                  const rowFilter& keep) {
    o << "| lead | objects |";
    for (const method m : methods) {
        o << " " << methodName(m) << ", " << fixedName << " |";
        if (haveObs) o << " " << methodName(m) << ", observed flux |";
    }
    o << "\n|---|---|";
    for (int m = 0; m < methodCount * (haveObs ? 2 : 1); ++m) o << "---|";
    o << "\n";
    for (lead l : allLeads()) {
        const std::vector<double> any = relErrors(rows, l, method::decayList, false, keep);
        if (any.empty()) continue;
        o << "| " << leadName(l) << " | " << any.size() << " |";
        for (const method m : methods) {
            for (int obs = 0; obs < (haveObs ? 2 : 1); ++obs) {
                const std::vector<double> v = absolute(relErrors(rows, l, m, obs == 1, keep));
                o << " " << pct(quantile(v, 0.5)) << " / " << pct(quantile(v, 0.9)) << " |";
            }
        }
        o << "\n";
    }
}

void writeCoverage(std::ostream& o, const std::vector<row>& rows, bool obs) {
    o << "| lead | all: objects | all: inside ±20 % | all: p for 90 % | drag: objects | drag: "
         "inside ±20 % | drag: p for 90 % | fitted, drag: inside ±20 % | fitted, drag: p for 90 % | fitted "
         "coefficient, drag: inside ±20 % | fitted coefficient, drag: p for 90 % |\n"
         "|---|---|---|---|---|---|---|---|---|---|---|\n";
    for (lead l : allLeads()) {
        const coverage a = coverOf(rows, l, method::decayList, obs, everyRow);
        if (a.n == 0) continue;
        const coverage d = coverOf(rows, l, method::decayList, obs, dragRow);
        const coverage fd = coverOf(rows, l, method::fittedDerivative, obs, dragRow);
        const coverage fb = coverOf(rows, l, method::fittedBallistic, obs, dragRow);
        o << "| " << leadName(l) << " | " << a.n << " | " << pct(a.share) << " | " << fraction(a.needed) << " | "
          << d.n << " | " << pct(d.share) << " | " << fraction(d.needed) << " | " << pct(fd.share) << " | "
          << fraction(fd.needed) << " | " << pct(fb.share) << " | " << fraction(fb.needed) << " |\n";
    }
}

// Hours of error of the decay-list estimate for the re-entries known to the
// minute, one column per object.
void writeMinuteTable(std::ostream& o, const std::vector<row>& rows, const std::vector<object>& objects, bool obs) {
    std::vector<const object*> exact;
    for (const object& ob : objects) {
        if (ob.real.uncertainty == 0) exact.push_back(&ob);
    }
    o << "| lead |";
    for (const object* ob : exact) o << " " << ob->norad << " " << ob->name << " (re-entry " << isoTime(ob->real.t) << ") |";
    o << "\n|---|";
    for (std::size_t i = 0; i < exact.size(); ++i) o << "---|";
    o << "\n";
    for (lead l : allLeads()) {
        std::string line = "| " + leadName(l) + " |";
        bool any = false;
        for (const object* ob : exact) {
            std::string cell = "no set";
            for (const row& r : rows) {
                if (r.norad != ob->norad || !(r.ld == l)) continue;
                any = true;
                const predictions& p = obs ? r.observed : r.fixed;
                cell = hoursCell(p[method::decayList], r) + " / " + hoursCell(p[method::fittedBallistic], r) +
                       " (set " + num((r.real - r.epoch) * 24, "%.1f") + " h before" + (r.drag ? "" : ", powered") +
                       ")";
            }
            line += " " + cell + " |";
        }
        if (any) o << line << "\n";
    }
}

// Hours with their sign; an error that rounds to nothing has none.
std::string hoursText(double h) {
    if (std::isinf(h)) return "none";
    return std::fabs(h) < 0.05 ? "0.0 h" : num(h, "%+.1f h");
}

void writeCampaignTable(std::ostream& o, const std::vector<campaignRow>& rows) {
    o << "| object | forecaster | issued (UTC) | published (window) | its error | window holds it | Morvel's "
         "set (UTC) | flux | Morvel (±20 %) | its error | window holds it | fitted coefficient (±20 %) | its error | "
         "window holds it | pairs |\n"
         "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n";
    for (const campaignRow& c : rows) {
        const std::string issued = c.f.issued < 0 ? "not known" : c.f.issuedDayOnly
                                                                      ? isoTime(c.f.issued).substr(0, 10) + " (day)"
                                                                      : isoTime(c.f.issued);
        o << "| " << c.f.norad << " " << c.ob->name << " | " << c.f.forecaster << " | " << issued << " | "
          << isoTime(c.f.predicted) << " (-" << num(c.f.minus * 24, "%.1f") << " h, +" << num(c.f.plus * 24, "%.1f")
          << " h) | " << hoursText(c.c.publishedHours) << " | " << (c.c.publishedHolds ? "yes" : "no") << " | ";
        if (c.c.set < 0) {
            o << (c.f.issued < 0 ? "no issue time" : "no set before it") << " | | | | | | | | |\n";
            continue;
        }
        const double epoch = c.ob->history[static_cast<std::size_t>(c.c.set)].epoch;
        auto window = [](const comparison& m) {
            return std::isinf(m.morvelHalfWindow) ? "" : " (±" + num(m.morvelHalfWindow, "%.1f") + " h)";
        };
        o << isoTime(epoch) << " | " << num(c.c.flux, "%.0f") << " | " << isoTime(c.c.morvel) << window(c.c) << " | "
          << hoursText(c.c.morvelHours) << " | " << (c.c.morvelHolds ? "yes" : "no") << " | "
          << isoTime(c.fitted.morvel) << window(c.fitted) << " | " << hoursText(c.fitted.morvelHours) << " | "
          << (c.fitted.morvelHolds ? "yes" : "no") << " | " << (c.pairs > 0 ? std::to_string(c.pairs) : "none: decay list")
          << " |\n";
    }
}

// What every section of the report reads.
struct mdContext {
    const reportOptions& opt;
    const std::vector<row>& rows;
    const std::vector<object>& objects;
    const std::vector<campaignRow>& campaigns;
    bool haveObs;
    int fluxFallbacks;
    const std::vector<std::string>& problems;
    const windowSets& windows;
    std::string fluxName;   // of the tables: the observed flux, or the fixed
    std::string fixedName;  // "flux 150"
};

// The title, the input problems, how the run was made and what it predicts.
void mdHead(std::ostream& o, const mdContext& c) {
    const auto& opt = c.opt;
    const auto& rows = c.rows;
    const auto& objects = c.objects;
    const auto& fluxFallbacks = c.fluxFallbacks;
    const auto& problems = c.problems;
    double agree = 0;
    for (const row& r : rows) {
        for (const predictions* p : {&r.fixed, &r.observed}) {
            const double estimate = (*p)[method::decayList], evolved = (*p)[method::fullEvolution];
            if (estimate > 0 && evolved > 0) agree = std::max(agree, std::fabs(evolved - estimate));
        }
    }
    o << "# Accuracy against real re-entries\n\n";
    if (!problems.empty()) {
        o << "**Incomplete run: " << problems.size()
          << " input problems, the objects concerned are left out of every figure below:**\n\n";
        for (const std::string& p : problems) o << "- " << p << "\n";
        o << "\n";
    }
    // The bundled data into the docs' report: what `make validate` redraws.
    if (opt.data == defaultData && opt.md == defaultMd) o << "Generated by `make validate` (`" << opt.command << "`)";
    else o << "Generated by `" << opt.command << "`";
    o << "; do not edit by hand.\n\n"
      << "Histories: " << objects.size() << " re-entered objects (`" << opt.data << "/`, see its SOURCES.md):";
    const std::vector<std::string> kinds = distinct(objects, &object::kind);
    for (std::size_t i = 0; i < kinds.size(); ++i)
        o << (i > 0 ? "," : "") << " " << countOf(objects, kinds[i]) << " of kind " << kinds[i];
    o << ". For each lead time of 60, 30, 14, 7, 3 and 1 day before the real re-entry, for the last set "
         "before it, and, for a re-entry known to the minute, also 48, 24, 12, 6 and 3 hours before it, the "
         "last element set whose epoch lies before that time is primed and its re-entry predicted four ways "
         "(a set is used for a lead only when its epoch lies at most the lead itself before the lead's time, "
         "and the last set at most "
      << num(lastSetAge, "%.0f")
      << " days before the re-entry, so that a history that stops months early tests long leads only; the 24 "
         "h lead is the 1 d lead's time, shown in both series):\n\n"
         "- **decay list**: epoch + lifetime after priming, as the decay list gives it;\n"
         "- **full evolution**: the 0.01-day evolution until decay (at most "
      << num(evolutionSpan, "%.0f") << " days), `decayedAt`;\n"
         "- **fitted derivative**: the decay-list estimate with the set's first derivative of the mean "
         "motion replaced by half the slope of a least-squares line through the mean motions of the "
         "sets of the "
      << num(fitWindowDays, "%.0f")
      << " days up to and including the chosen set (at least 3 sets over at least 6 hours; the CSV "
         "column `fit_sets` gives the number);\n"
         "- **fitted ballistic coefficient**: the coefficient Cd·A/m fitted to how the orbit fell over the "
         "sets before the chosen one (the object's `spans/` file: pairs of sets at least "
      << num(fewestPairDays, "%g")
      << " day apart within a span before the set, after the last powered change among them, each pair's "
         "fall of the semi-major axis against the density integrated over the interval at the flux then known; "
         "the orbit rose or the coefficient is above the drag limit of the screened list: left out; the median "
         "over a first span of "
      << num(firstSpanDays, "%g") << " days, then over " << num(100 * spanShare, "%g")
      << " % of the remaining time that predicts, from " << num(shortestSpanDays, "%g") << " to "
      << num(longestSpanDays, "%g")
      << " days), flown from the set's epoch through the density of the heights passed at the set's flux held "
         "(what `morvel --fit` does without predicted flux rows) to the decay theory's own end; where no pair "
         "qualifies the decay-list estimate stands, as it does in `morvel --fit` (the CSV columns "
         "`ballistic_*` and `pairs_*` give the coefficient and its pairs, 0 for none).\n\n"
         "A real re-entry given as a UTC day only is taken at its noon, known to half a day either way, so an "
         "error below 12 hours is shown as `<12 h`; one given to the minute is exact. The relative error is "
         "the error divided by the real remaining time (real re-entry less the set's epoch). With "
         "`--flux-file`, the observed flux of a set is the space-weather file's 81-day mean observed 10.7 cm "
         "flux ending on the day of its epoch (`F10.7_OBS_LAST81`), what a forecaster had on that day, read "
         "by the program's own reader of `-W`, so that it is the flux `morvel -W` gives the set ("
      << fluxFallbacks
      << " sets had no such day and used the " << c.fixedName << "); otherwise only the " << c.fixedName
      << " is used. A missing "
         "prediction (no decay predicted, or none within the span) counts as an infinite error. Quantiles "
         "are by nearest rank.\n\n"
         "Without an object size the theory lowers the remaining lifetime by exactly one step per "
         "step, so the full evolution ends where the decay-list estimate says: over all rows the two "
         "differ by at most "
      << num(agree * 86400, "%.1f") << " seconds.\n\n";
}

// Accuracy of the decay-list estimate by kind of object.
void mdByKind(std::ostream& o, const mdContext& c) {
    const auto& rows = c.rows;
    const auto& haveObs = c.haveObs;
    const auto& fluxName = c.fluxName;
    const std::vector<group> groups = groupsOf(c.objects, rows);
    o << "## Accuracy by kind\n\nDecay-list estimate, " << fluxName
      << ". For each kind of object, the predictions that no powered change follows (drag decay) and all of "
         "them; the error is relative to the real remaining time (median and 90th percentile of its absolute "
         "value, and the median of its sign: positive is predicted late), with the share of real re-entries "
         "inside the campaigns' window of ± 20 % of the predicted remaining time and the p that a window ± p "
         "needs to hold 90 % of them. `predictions` is the number of objects behind each line (one set per "
         "object and lead).\n\n";
    writeKindTable(o, rows, groups, haveObs);
    o << "\n![Relative error by kind and lead time](validation.png)\n";
    o << "\n### The fitted ballistic coefficient\n\nThe same predictions by the fitted ballistic coefficient, "
      << fluxName
      << "; `without a pair` counts those where no pair of sets qualified and the decay-list estimate stands.\n\n";
    writeKindTable(o, rows, groups, haveObs, method::fittedBallistic);
    o << "\nSide by side, the median error of the two (drag decay where a kind has powered predictions):\n\n"
         "| objects | lead | predictions | decay list | fitted ballistic coefficient |\n|---|---|---|---|---|\n";
    for (const group& g : groups) {
        if (g.label.ends_with(", all")) continue;
        for (lead l : allLeads()) {
            const std::vector<double> list = absolute(relErrors(rows, l, method::decayList, haveObs, g.keep));
            if (list.empty()) continue;
            const std::vector<double> fb = absolute(relErrors(rows, l, method::fittedBallistic, haveObs, g.keep));
            o << "| " << g.label << " | " << leadName(l) << " | " << list.size() << " | " << pct(quantile(list, 0.5))
              << " | " << pct(quantile(fb, 0.5)) << " |\n";
        }
    }
}

// The re-entries known to the minute, in hours.
void mdMinute(std::ostream& o, const mdContext& c) {
    const auto& rows = c.rows;
    const auto& objects = c.objects;
    const auto& haveObs = c.haveObs;
    const auto& fluxName = c.fluxName;
    o << "\n## Re-entries known to the minute\n\nError in hours of the decay-list estimate / the fitted ballistic "
         "coefficient ("
      << fluxName << ", positive: predicted late), and how long before the re-entry the set's epoch lies:\n\n";
    writeMinuteTable(o, rows, objects, haveObs);
}

// Side by side with the published forecasts, when there are any.
void mdCampaigns(std::ostream& o, const mdContext& c) {
    const auto& campaigns = c.campaigns;
    if (!campaigns.empty()) {
        o << "\n## Side by side with the re-entry campaigns\n\nFor each published forecast: its error against "
             "the real re-entry and whether its window holds it; and Morvel's decay-list estimate from the last "
             "element set whose epoch lies before the forecast's issue time, with that set's flux, its error, "
             "and whether a window of ± 20 % of its predicted remaining time holds the re-entry; then the same for "
             "the fitted ballistic coefficient from that set, with the pairs it rests on. The delay with "
             "which element sets are published is ignored: a forecaster may not yet have had that set. An issue "
             "time known only as a day is taken at the day's start. A forecast whose issue time is not known "
             "has no Morvel prediction beside it.\n\n";
        writeCampaignTable(o, campaigns);
        o << "\n![Predicted re-entry against issue time](validation-campaigns.png)\n";
    }
}

// Every way of predicting, and the fitted derivative against the set's own.
void mdMethods(std::ostream& o, const mdContext& c) {
    const auto& rows = c.rows;
    const auto& haveObs = c.haveObs;
    const auto& fluxName = c.fluxName;
    o << "\n## Ways of predicting\n\nMedian / 90th percentile of the absolute relative error, every kind, over "
         "the predictions that no powered change follows:\n\n";
    writeSummary(o, rows, c.fixedName, haveObs, dragRow);
    o << "\nThe same over all " << rows.size() << " predictions, powered descents included:\n\n";
    writeSummary(o, rows, c.fixedName, haveObs, everyRow);
    for (const method m : {method::fittedDerivative, method::fittedBallistic}) {
        o << "\nThe " << methodName(m) << " against the decay list (" << fluxName << ", drag decay): ";
        bool firstLead = true;
        for (lead l : allLeads()) {
            const std::vector<double> ownV = absolute(relErrors(rows, l, method::decayList, haveObs, dragRow));
            if (ownV.empty()) continue;
            const double own = quantile(ownV, 0.5);
            const double fitted = quantile(absolute(relErrors(rows, l, m, haveObs, dragRow)), 0.5);
            o << (firstLead ? "" : "; ") << leadName(l) << ": median " << pct(own) << " -> " << pct(fitted)
              << (fitted < own ? " (better)" : fitted > own ? " (worse)" : " (same)");
            firstLead = false;
        }
        o << ".\n";
    }
    o << "\n";
}

// The window a coverage needs, and what the flux moves.
void mdWindow(std::ostream& o, const mdContext& c) {
    const auto& rows = c.rows;
    const auto& haveObs = c.haveObs;
    const auto& fluxName = c.fluxName;
    o << "## Window\n\nA forecast window of the prediction ± p × the predicted remaining time, every kind. Share "
         "of the real re-entries inside it for p = 0.2, and the p that a coverage of 90 % needs (decay-list "
         "estimate, "
      << fluxName << "; the last column pair uses the fitted derivative):\n\n";
    writeCoverage(o, rows, haveObs);
    o << "\nThe flux is no window: with the decay rate fixed by the observed derivative, the flux "
         "enters only through the scale height. Median change of the decay-list estimate, as a fraction "
         "of the real remaining time, at 0.7 and 1.3 times the flux: ";
    bool firstLead = true;
    for (lead l : allLeads()) {
        std::vector<double> lo, hi;
        for (const row& r : rows) {
            if (!(r.ld == l)) continue;
            lo.push_back(r.shiftLow);
            hi.push_back(r.shiftHigh);
        }
        if (lo.empty()) continue;
        o << (firstLead ? "" : "; ") << leadName(l) << ": " << pct(quantile(lo, 0.5)) << ", "
          << pct(quantile(hi, 0.5));
        firstLead = false;
    }
    o << ".\n\n";
}

// The windows of the screened decay list.
void mdWindowTable(std::ostream& o, const mdContext& c) {
    writeWindowSection(o, c.windows);
    o << "\n";
}

// The powered phases found or stated.
void mdPowered(std::ostream& o, const mdContext& c) {
    const auto& objects = c.objects;
    o << "## Powered phases\n\nA change between successive sets that drag cannot give: a perigee "
         "fall more than three times, and 5 km beyond, what the two sets' first derivatives explain, "
         "or a rise of the semi-major axis of more than 1 km; pairs whose earlier set has its perigee below "
         "200 km (the last hours, whose sets disagree with one another) are not tested. A held orbit does not "
         "fall, so thrust that only compensates drag shows in no history: where `reentries.csv` gives the end "
         "of a powered phase (`powered_until`; a day alone counts to its end), the sets before it count as "
         "powered too. Predictions from sets whose fitting window starts before a detected change or the end "
         "of a stated phase are left out of the drag-decay figures.\n\n"
         "| object | found by | changes | first | last |\n|---|---|---|---|---|\n";
    for (const object& ob : objects) {
        if (!ob.poweredText.empty()) {
            o << "| " << ob.norad << " " << ob.name << " | the data (`powered_until`) | | powered until "
              << ob.poweredText << " | |\n";
        }
        if (ob.powered.empty()) continue;
        const manoeuvre& a = ob.powered.front();
        const manoeuvre& b = ob.powered.back();
        auto when = [&](const manoeuvre& m) {
            return isoTime(ob.history[static_cast<std::size_t>(m.from)].epoch) + " to " +
                   isoTime(ob.history[static_cast<std::size_t>(m.to)].epoch) + ": " + m.why;
        };
        o << "| " << ob.norad << " " << ob.name << " | detection | " << ob.powered.size() << " | " << when(a)
          << " | " << (ob.powered.size() > 1 ? when(b) : "") << " |\n";
    }
}

// A table per object.
void mdPerObject(std::ostream& o, const mdContext& c) {
    const auto& rows = c.rows;
    const auto& objects = c.objects;
    const auto& haveObs = c.haveObs;
    o << "\n## Per object\n\nError in hours (positive: predicted late) of each way, " << c.fixedName
      << (haveObs ? " / observed flux" : "") << ". `*` marks a prediction left out of the drag-decay figures.\n";
    for (const object& ob : objects) {
        o << "\n### " << ob.norad << " " << ob.name << " (" << ob.kind << ")\n\n"
          << "| lead | set epoch | perigee (km) | real re-entry | remaining (d) | flux | decay list | full "
             "evolution | fitted | fitted coefficient | its Cd·A/m (pairs) |\n"
             "|---|---|---|---|---|---|---|---|---|---|---|\n";
        for (const row& r : rows) {
            if (r.norad != ob.norad) continue;
            auto cell = [&](method m) {
                std::string text = hoursCell(r.fixed[m], r);
                if (c.haveObs) text += " / " + hoursCell(r.observed[m], r);
                return text;
            };
            auto coefficient = [](const predictions& p) {
                return p.fitted.pairs > 0 ? num(p.fitted.b, "%.4f") + " (" + std::to_string(p.fitted.pairs) + ")"
                                          : std::string("none");
            };
            o << "| " << leadName(r.ld) << (r.drag ? "" : " *") << " | " << isoTime(r.epoch) << " | "
              << num(r.perigee, "%.0f") << " | " << isoTime(r.real) << " | " << num(r.real - r.epoch, "%.2f")
              << " | " << num(r.fixed.flux, "%.0f") << (haveObs ? " / " + num(r.observed.flux, "%.0f") : "")
              << " | " << cell(method::decayList) << " | " << cell(method::fullEvolution) << " | "
              << cell(method::fittedDerivative) << " | " << cell(method::fittedBallistic) << " | "
              << coefficient(r.fixed) << (haveObs ? " / " + coefficient(r.observed) : "") << " |\n";
        }
    }
}

}  // namespace

bool writeMarkdown(const reportOptions& opt, const std::vector<row>& rows, const std::vector<object>& objects,
                   const std::vector<campaignRow>& campaigns, bool haveObs, int fluxFallbacks,
                   const std::vector<std::string>& problems, const windowSets& windows) {
    std::ofstream o(opt.md);
    const mdContext c{opt, rows, objects, campaigns, haveObs, fluxFallbacks, problems, windows,
                      haveObs ? std::string("observed flux") : fixedFluxName(opt.flux), fixedFluxName(opt.flux)};
    for (const auto section : {mdHead, mdByKind, mdMinute, mdCampaigns, mdMethods, mdWindow, mdWindowTable, mdPowered,
                                 mdPerObject}) {
        section(o, c);
    }
    return closed(o, opt.md);
}

namespace {

// A problem of line `n` of the input `path`: on stderr, and kept for the
// report.
void addProblem(std::vector<std::string>& problems, const std::string& path, long n, const std::string& what) {
    problems.push_back(path + ":" + std::to_string(n) + ": " + what);
    std::fprintf(stderr, "morvel-validate: %s\n", problems.back().c_str());
}

}  // namespace

bool readObjects(const reportOptions& opt, std::vector<object>& objects, std::vector<std::string>& problems) {
    const std::string listPath = opt.data + "/reentries.csv";
    const csvTable list = readCsvTable(listPath);
    if (!list.read) {
        std::fprintf(stderr, "morvel-validate: cannot read %s\n", listPath.c_str());
        return false;
    }
    const std::vector<std::string>& head = list.head;
    const std::size_t cNorad = columnOf(head, {"norad"}), cName = columnOf(head, {"name"}),
                      cDecay = columnOf(head, {"decay_utc", "decay", "reentry_utc"}),
                      cKind = columnOf(head, {"kind"}), cPowered = columnOf(head, {"powered_until"});
    if (cNorad == head.size() || cName == head.size() || cDecay == head.size()) {
        std::fprintf(stderr, "morvel-validate: %s needs the columns norad, name and decay_utc (or reentry_utc)\n",
                     listPath.c_str());
        return false;
    }
    for (const csvTable::line& row : list.rows) {
        const long n = row.number;
        auto problem = [&](const std::string& what) { addProblem(problems, listPath, n, what); };
        const std::vector<std::string>& f = row.fields;
        if (f.size() <= std::max(cNorad, std::max(cName, cDecay))) {
            problem("too few fields");
            continue;
        }
        object ob{};
        std::string why;
        if (!parseNorad(f[cNorad], ob.norad, why)) {
            problem(why);
            continue;
        }
        ob.name = f[cName];
        ob.kind = cKind < f.size() && !f[cKind].empty() ? f[cKind] : "kind not given";
        ob.real = parseReentry(f[cDecay]);
        if (ob.real.t < 0) {
            problem("decay \"" + f[cDecay] + "\" of " + f[cNorad] + " is neither a date YYYY-MM-DD nor a time "
                       "YYYY-MM-DDTHH:MM");
            continue;
        }
        ob.poweredUntil = none;
        if (cPowered < f.size() && !f[cPowered].empty()) {
            bool dayOnly = false;
            ob.poweredUntil = parseUtc(f[cPowered], dayOnly);
            if (ob.poweredUntil < 0) {
                problem("powered_until \"" + f[cPowered] + "\" of " + f[cNorad] + " is no date or time");
                continue;
            }
            if (dayOnly) ob.poweredUntil += 1;  // to the end of the day
            ob.poweredText = f[cPowered];
        }
        const std::string file = historyFile(opt.data, ob.norad);
        if (file.empty()) {
            problem("no element file " + f[cNorad] + "-*.tle for " + ob.name + " in " + opt.data + "/reentry or " +
                       opt.data);
            continue;
        }
        // The reader's messages of sets it passes over go to stderr, not
        // into the report's output.
        collectingSink said;
        ob.history = readHistory(file, said);
        for (const auto& m : said.messages()) std::fprintf(stderr, "morvel-validate: %s: %s", file.c_str(), m.text.c_str());
        if (ob.history.empty()) {
            problem(file + " holds no element set");
            continue;
        }
        ob.powered = detectPowered(ob.history);
        const std::string spans = spansFile(opt.data, ob.norad);
        if (!spans.empty()) {
            collectingSink spanSaid;
            ob.spans = readHistory(spans, spanSaid);
            for (const auto& m : spanSaid.messages())
                std::fprintf(stderr, "morvel-validate: %s: %s", spans.c_str(), m.text.c_str());
        }
        if (ob.spans.empty()) ob.spans = ob.history;
        objects.push_back(std::move(ob));
    }
    return true;
}

void readCampaigns(const reportOptions& opt, const std::vector<object>& objects, const spaceWeather& sw,
                   std::vector<campaignRow>& rows, std::vector<setPrediction>& every,
                   std::vector<std::string>& problems) {
    const std::string path = opt.data + "/campaign-predictions.csv";
    const csvTable table = readCsvTable(path);
    if (!table.read) return;
    for (const csvTable::line& line : table.rows) {
        campaignRow c{};
        std::string why;
        const object* ob = nullptr;
        if (parseForecast(table.head, line.fields, c.f, why)) {
            for (const object& o : objects) ob = o.norad == c.f.norad ? &o : ob;
            if (ob == nullptr) why = "forecast for " + std::to_string(c.f.norad) + ", which has no history";
        }
        if (ob == nullptr) {
            addProblem(problems, path, line.number, why);
            continue;
        }
        c.ob = ob;
        c.c = compare(ob->history, c.f, ob->real.t, sw, opt.flux);
        c.fitted = c.c;
        if (c.c.set >= 0) {
            // The fitted coefficient from the same set, its flux from the
            // same table; the decay list's where it has no pair.
            const element& e = ob->history[static_cast<std::size_t>(c.c.set)];
            const fittedDecay fd = fittedPrediction(*ob, e, {&sw, opt.flux});
            c.pairs = fd.pairs;
            if (fd.pairs > 0) c.fitted = judged(c.c, fd.decay, e.epoch, ob->real.t);
        }
        rows.push_back(c);
    }
    // Morvel's prediction from every set around the forecasts.
    for (const object& ob : objects) {
        double first = inf;
        for (const campaignRow& c : rows) {
            if (c.ob == &ob && c.f.issued >= 0) first = std::min(first, c.f.issued);
        }
        if (std::isinf(first)) continue;
        for (const element& e : ob.history) {
            if (e.epoch < first - campaignSpan || e.epoch >= ob.real.t) continue;
            every.push_back({&ob, e.epoch, estimateDecay(e, fluxAt(sw, e.epoch, opt.flux).flux)});
        }
    }
}


windowSets windowSamples(const std::vector<row>& rows, bool haveObs) {
    windowSets windows;
    for (const row& r : rows) {
        const predictions& p = haveObs ? r.observed : r.fixed;
        windowSample w{};
        if (!r.drag) continue;
        if (windowSampleOf(r.name, r.norad, r.epoch, p[method::decayList], r.real, w)) windows.list.push_back(w);
        if (p.fitted.pairs > 0 && windowSampleOf(r.name, r.norad, r.epoch, p[method::fittedBallistic], r.real, w))
            windows.fitted.push_back(w);
    }
    return windows;
}

bool writeScreeningOutputs(const reportOptions& opt, const std::vector<object>& objects, const windowSets& windows,
                           const spaceWeather& sw) {
    bool written = true;
    if (!opt.windowTable.empty()) {
        std::ofstream t(opt.windowTable);
        t << windowTableText(windowsOf(windows.list), windowsOf(windows.fitted));
        written = closed(t, opt.windowTable);
    }
    if (!opt.screeningMd.empty()) {
        std::vector<dragHistory> drag;
        for (const object& ob : objects) {
            dragHistory d{ob.name, ob.kind, ob.real.t, {}};
            for (int k = 0; k < static_cast<int>(ob.history.size()); ++k) {
                if (dragOnly(ob.history, ob.powered, k, fitWindowDays, ob.poweredUntil)) {
                    d.sets.push_back(ob.history[static_cast<std::size_t>(k)]);
                }
            }
            drag.push_back(std::move(d));
        }
        spaceWeather snapSw;
        const std::vector<snapshot> snaps = readSnapshots(opt.snapshots, snapSw);
        written = writeScreeningReport(opt.screeningMd, opt.command, drag, sw, opt.flux, snaps, snapSw) && written;
    }
    return written;
}

std::vector<row> buildRows(const std::vector<object>& objects, double flux, const spaceWeather* sw,
                           int& fluxFallbacks) {
    std::vector<row> rows;
    fluxFallbacks = 0;
    for (const object& ob : objects) {
        for (lead l : leadsFor(ob.real.uncertainty)) {
            const int k = chooseForLead(ob.history, ob.real.t, l);
            if (k < 0) continue;
            const element& set = ob.history[static_cast<std::size_t>(k)];
            row r{};
            r.norad = ob.norad;
            r.name = ob.name;
            r.kind = ob.kind;
            r.ld = l;
            r.epoch = set.epoch;
            r.real = ob.real.t;
            r.uncertainty = ob.real.uncertainty;
            r.perigee = perigeeHeight(set.n, set.ecc);
            r.drag = dragOnly(ob.history, ob.powered, k, fitWindowDays, ob.poweredUntil);
            r.f = fitNrate(ob.history, k, fitWindowDays);
            r.fixed = predict(ob, k, r.f, flux, {nullptr, flux});
            double obsFlux = none;
            if (sw != nullptr) {
                // The flux -W gives the set: the fallback before the file.
                const epochFlux got = fluxAt(*sw, set.epoch, flux);
                obsFlux = got.flux;
                fluxFallbacks += got.source == fluxSource::beforeFile ? 1 : 0;
            }
            r.observed = predict(ob, k, r.f, obsFlux, {sw, flux});
            const double base = sw != nullptr ? obsFlux : flux;
            const double mid = estimateDecay(set, base);
            const double lo = estimateDecay(set, 0.7 * base);
            const double hi = estimateDecay(set, 1.3 * base);
            const double remaining = r.real - set.epoch;
            r.shiftLow = mid > 0 && lo > 0 ? std::fabs(lo - mid) / remaining : inf;
            r.shiftHigh = mid > 0 && hi > 0 ? std::fabs(hi - mid) / remaining : inf;
            rows.push_back(r);
        }
    }
    return rows;
}

}  // namespace morvel::validation
