// The validation's arithmetic, and whole runs of the tool over folders built here, bad input too.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "cal.h"
#include "eloutput.h"
#include "formats/text.h"
#include "evolve.h"
#include "support.h"
#include "report.h"
#include "validation.h"
#include "plotdata.h"

using namespace morvel;
using namespace morvel::validation;

namespace {

// STARLINK-24's last set four weeks before its re-entry (2022-10-24).
element starlink24() {
    const std::vector<element> h = readHistory(MORVEL_VALIDATE_DATA "/reentry/44238-starlink-24.tle");
    return h.at(static_cast<std::size_t>(chooseSet(h, noonOf("2022-10-24") - 28)));
}

// Sets whose mean motion grows exactly as `nrate` says: n0 + 2 nrate (t - t0).
std::vector<element> steadyHistory(const std::vector<double>& epochs, double nrate) {
    std::vector<element> h(epochs.size(), starlink24());
    for (std::size_t i = 0; i < h.size(); ++i) {
        h[i].epoch = epochs[i];
        h[i].nrate = nrate;
        h[i].n += 2 * nrate * (epochs[i] - epochs[0]);
    }
    return h;
}

// The engine's evolution of that set at flux 150: each crossing, and its decay.
std::vector<element> evolvedHistory(double& decay) {
    std::vector<element> h;
    el = starlink24();
    prime(150.0);
    evolveUntil(150.0, evolutionSpan, [&](int) { h.push_back(el); });
    decay = decayedAt;
    return h;
}

}  // namespace

TEST(ValidateFit, LineThroughTheWindowBeforeTheChosenSetOnly) {
    const double want = 0.00123;
    // `bump`: first and last set off the line, outside the window (the second, at its start, counts).
    const struct { std::vector<double> epochs; int k; double bump; bool ok; int sets; } cases[] = {
        {{100.0, 100.4, 100.9, 101.3, 101.8}, 4, 0, true, 5},
        {{97.0, 99.5, 100.5, 101.0, 101.5, 102.0}, 4, 0.5, true, 4},
        {{100.0, 101.0}, 1, 0, false, 2},          // too few sets
        {{100.0, 100.05, 100.1}, 2, 0, false, 3},  // too short a span
        {{100.0, 100.15, 100.3}, 2, 0, true, 3},
        {{100.0, 100.5, 101.0}, 5, 0, false, 0}};
    for (const auto& c : cases) {
        std::vector<element> h = steadyHistory(c.epochs, want);
        for (element* e : {&h.front(), &h.back()}) e->n += c.bump;
        const fit f = fitNrate(h, c.k, 2.0);
        EXPECT_EQ(f.ok, c.ok) << "from " << c.epochs.front() << ", k " << c.k;
        EXPECT_EQ(f.sets, c.sets) << "from " << c.epochs.front() << ", k " << c.k;
        if (c.ok) { EXPECT_NEAR(f.nrate, want, 1e-10) << "from " << c.epochs.front() << ", k " << c.k; }
    }
}

TEST(ValidateError, HoursRelativeTheDayTheWindowAndQuantiles) {
    const double epoch = 2459000.25, real = 2459010.5;
    // Predicted minus real, days; half a day is the catalogued day's own width.
    const struct { double d, hours; bool withinDay; } cases[] = {
        {0.25, 6.0, true}, {-2.0, -48.0, false}, {0.5, 12.0, true}, {0.5001, 12.0024, false}};
    for (const auto& c : cases) {
        const error e = errorOf(real + c.d, real, epoch);
        EXPECT_NEAR(e.hours, c.hours, 1e-6) << c.d;
        EXPECT_NEAR(e.relative, c.d / 10.25, 1e-9) << c.d;
        EXPECT_EQ(e.withinDay, c.withinDay) << c.d;
    }
    EXPECT_TRUE(std::isinf(errorOf(none, real, epoch).hours) && std::isinf(errorOf(none, real, epoch).relative));
    // Predicted 10 days after the epoch, real one day later: p = 0.1.
    EXPECT_NEAR(windowNeeded(110.0, 111.0, 100.0), 0.1, 1e-12);
    EXPECT_NEAR(windowNeeded(110.0, 108.0, 100.0), 0.2, 1e-12);
    EXPECT_TRUE(std::isinf(windowNeeded(none, 111.0, 100.0)));
    EXPECT_TRUE(std::isinf(windowNeeded(100.0, 101.0, 100.0)));
    const std::vector<double> v{5, 1, 4, 2, 3};
    const struct { double q, want; } ranks[] = {{0.5, 3}, {0.2, 1}, {0.21, 2}, {0.9, 5}, {1.0, 5}};
    for (const auto& r : ranks) EXPECT_EQ(quantile(v, r.q), r.want) << "nearest rank of q " << r.q;
    EXPECT_EQ(quantile({1, INFINITY, 2, INFINITY}, 0.5), 2) << "missing predictions rank last";
    EXPECT_TRUE(std::isinf(quantile({1, INFINITY, 2, INFINITY}, 0.9)));
    EXPECT_TRUE(std::isnan(quantile({}, 0.5)));
}

TEST(ValidateTimes, DayOrMinuteAndWhatDoesNotParse) {
    const double day = cal_julian(date{2021, 5, 9});
    const struct { const char* text; double t, uncertainty; } cases[] = {
        {"2021-05-09", day + 0.5, 0.5}, {"2021-05-09T02:14Z", day + 134 / 1440.0, 0}, {"2021-02-30", none, 0},
        {"2021-05-09T02:14", day + 134 / 1440.0, 0}, {"2021-05-09T02:14:30", day + 8070 / 86400.0, 0}, {"", none, 0},
        {"2021-05-09T24:00", none, 0}, {"09/05/2021", none, 0}, {"2021-05-09 02:14", none, 0},
        {"2021-05-09T02:14Zx", none, 0}};
    for (const auto& c : cases) {
        const reentry r = parseReentry(c.text);
        EXPECT_NEAR(r.t, c.t, 1e-9) << c.text;
        if (c.t > 0) { EXPECT_EQ(r.uncertainty, c.uncertainty) << c.text; }
    }
    EXPECT_EQ(noonOf("2021-05-09T12:00"), none) << "a time to the minute is no catalogued day";
    EXPECT_EQ(isoTime(day + 0.5), "2021-05-09T12:00");
    EXPECT_EQ(isoTime(day + 0.99999), "2021-05-09T23:59") << "rounding never reaches the next day";
    EXPECT_EQ(isoTime(none), "-");
}

TEST(ValidateLeads, HoursOnlyForAReentryKnownToTheMinute) {
    EXPECT_EQ(leadsFor(dayUncertainty).size(), std::size(leadTimes));
    std::string names;
    for (lead l : leadsFor(0)) names += leadName(l) + ",";
    EXPECT_EQ(names, "60 d,30 d,14 d,7 d,3 d,1 d,last,48 h,24 h,12 h,6 h,3 h,");
    // A history that stops 100 days early tests the 60-day lead only (its set is 40 days older than the
    // lead's time); a set 4 hours before the 3-hour lead's time, or more than 3 days before the re-entry
    // for the last set, is too old; nothing lies strictly before the first set's own time.
    const std::vector<element> h = steadyHistory({1000.0, 1010.0}, 0.001);
    const struct { double real; lead l; int want; } cases[] = {
        {1110.0, {60, false}, 1}, {1110.0, {30, false}, -1},         {1110.0, {0, false}, -1},
        {1010.2, {0, false}, 1},  {1010.0 + 7 / 24.0, {0.125, true}, -1}, {1010.0 + 5 / 24.0, {0.125, true}, 1},
        {1000.0, {0, false}, -1}, {1000.1, {0, false}, 0}, {1013.0, {0, false}, 1}, {1013.1, {0, false}, -1}};
    for (const auto& c : cases) EXPECT_EQ(chooseForLead(h, c.real, c.l), c.want) << c.real << " " << leadName(c.l);
}

TEST(ValidatePowered, FallFarBeyondTheDerivativesIsFlaggedAPlungeBelow200KmIsNot) {
    EXPECT_TRUE(detectPowered(steadyHistory({100.0, 100.3, 100.7, 101.5, 103.0, 110.0, 150.0}, 0.003)).empty());
    std::vector<element> low = steadyHistory({100.0, 100.2, 100.4}, 0.0005);
    for (element& e : low) e.n = 16.3;  // perigee near 175 km
    low[2].n = 16.45;
    EXPECT_TRUE(detectPowered(low).empty());
    std::vector<element> h = steadyHistory({100.0, 100.5, 101.0, 101.5}, 0.0005);
    // 0.1 rev/day more than the derivative gives: about 28 km lower.
    h[2].n += 0.1;
    h[3].n += 0.1;
    const std::vector<manoeuvre> m = detectPowered(h);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(std::pair(m[0].from, m[0].to), std::pair(1, 2));
    EXPECT_GT(m[0].fall, 20.0);
    EXPECT_LT(m[0].dragFall, 1.0);
    EXPECT_FALSE(dragOnly(h, m, 2, 2.0)) << "its fitting window holds the change";
    EXPECT_FALSE(dragOnly(h, m, 0, 2.0)) << "a change after the set spoils its prediction";
}

TEST(ValidatePowered, RaiseIsFlaggedAndLaterSetsAreDragAgain) {
    std::vector<element> h = steadyHistory({100.0, 100.5, 101.0, 104.0, 104.5}, 0.0005);
    for (std::size_t i = 2; i < h.size(); ++i) h[i].n -= 0.02;  // about 6 km higher
    const std::vector<manoeuvre> m = detectPowered(h);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0].to == 2 && m[0].fall < 0.0) << "to " << m[0].to << ", fall " << m[0].fall;
    EXPECT_TRUE(dragOnly(h, m, 4, 2.0)) << "window from 102.5 starts after the change";
    EXPECT_FALSE(dragOnly(h, m, 3, 3.5));
    // A stated powered phase counts until its end, 101.5.
    EXPECT_FALSE(dragOnly(h, {}, 3, 3.0, 101.5)) << "its fitting window starts in the powered phase";
    EXPECT_TRUE(dragOnly(h, {}, 3, 2.5, 101.5)) << "a window from the phase's end on";
    EXPECT_TRUE(dragOnly(h, {}, 3, 3.0));
}

TEST(ValidatePrediction, EvolutionAndEstimateOfOneSetAgree) {
    element e = starlink24();
    // Without a size the lifetime falls by exactly the step in every step.
    EXPECT_NEAR(evolveDecay(e, 150.0, evolutionSpan), estimateDecay(e, 150.0), 0.011);
    EXPECT_EQ(evolveDecay(e, 150.0, 5.0), none) << "a span shorter than the lifetime ends first";
    e.nrate = -0.0001;
    EXPECT_EQ(estimateDecay(e, 150.0), none) << "a mean motion that does not grow";
}

TEST(ValidateCampaign, ForecastFieldsMorvelsWindowAndCsvQuoting) {
    const std::vector<std::string> head = splitCsv("norad,forecaster,issued_utc,predicted_utc,window_minus_min,"
                                                   "window_plus_min,reference\r");
    forecast f{};
    std::string why;
    ASSERT_TRUE(parseForecast(head, splitCsv("44238,\"A, B\",2022-10-10,2022-10-12T06:00Z,60,120,\"x \"\"y\"\"\""),
                              f, why)) << why;
    EXPECT_EQ(f.forecaster, "A, B");
    EXPECT_EQ(f.reference, "x \"y\"");
    EXPECT_TRUE(f.issuedDayOnly);
    // Morvel's own window: a fifth of its predicted remaining time either side.
    const std::vector<element> h = steadyHistory({100.0, 101.0}, 0.001);
    const double m = estimateDecay(h[1], 150.0);
    const forecast g{1, "T", 101.5, false, m, 0, 0, ""};
    for (double p : {0.19, 0.21}) EXPECT_EQ(compare(h, g, m + p * (m - 101), {}, 150.0).morvelHolds, p < 0.2) << p;
    for (const char* t : {"plain", "A, B", "x \"y\"", "\"", ""})
        EXPECT_EQ(splitCsv(text::csvQuoted(t) + "," + text::csvQuoted(t)), (std::vector<std::string>{t, t})) << t;
    EXPECT_EQ(text::csvQuoted("plain"), "plain");
    // A field that does not parse is named first in the reason.
    const struct { const char* row; const char* field; } bad[] = {
        {"44238,A,2022-10-10,2022-10-32,60,60,", "predicted_utc"}, {"44238,A,,2022-10-12,sixty,60,", "window"},
        {"44238,A,yesterday,2022-10-12,60,60,", "issued_utc"}, {"x,A,,2022-10-12,60,60,", "norad"}};
    for (const auto& b : bad)
        EXPECT_TRUE(!parseForecast(head, splitCsv(b.row), f, why) && why.find(b.field) == 0) << b.row << ": " << why;
}

namespace {

// Rows of a CSV as maps from column to field.
std::vector<std::map<std::string, std::string>> readTable(const std::filesystem::path& p) {
    const csvTable t = readCsvTable(p.string());
    std::vector<std::map<std::string, std::string>> rows;
    for (const csvTable::line& line : t.rows) {
        rows.emplace_back();
        for (std::size_t i = 0; i < t.head.size(); ++i) rows.back()[t.head[i]] = fieldOf(line.fields, i);
    }
    return rows;
}

// A scratch --data folder, its files, and the tool run on it.
struct folder {
    std::filesystem::path dir;
    explicit folder(const char* tag)
        : dir(std::filesystem::temp_directory_path() /
              ("morvel-validate-" + std::string(tag) + "-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir / "reentry");
    }
    ~folder() { std::filesystem::remove_all(dir); }
    void history(const std::string& name, const std::vector<element>& h) const {
        std::FILE* fp = std::fopen((dir / name).string().c_str(), "w");
        for (const element& e : h) eloutput(fp, e);
        std::fclose(fp);
    }
    int run(const std::string& more = "") const {
        const std::string cmd = std::string("'") + MORVEL_VALIDATE_EXE + "' " + more + " --data '" + dir.string() + "' --csv '" +
                                (dir / "v.csv").string() + "' --md '" + (dir / "v.md").string() + "' >/dev/null 2>&1";
        return std::system(cmd.c_str());
    }
};

}  // namespace

TEST(ValidateRun, OwnFolderWithKindsHourLeadsPoweredPhaseAndCampaigns) {
    double decay = 0;
    const std::vector<element> h = evolvedHistory(decay);
    folder d("kinds");
    d.history("reentry/1-body.tle", h);
    d.history("2-sat.tle", h);  // beside reentries.csv: found there too
    const std::string minute = isoTime(decay), day = minute.substr(0, 10), powered = isoTime(decay - 10).substr(0, 10);
    std::ofstream(d.dir / "reentries.csv") << "norad,name,kind,reentry_utc,powered_until\n1,BODY,rocket body,"
                                           << minute << "Z,\n2,SAT,satellite," << day << "," << powered << "\n";
    std::ofstream(d.dir / "campaign-predictions.csv")
        << "norad,name,forecaster,issued_utc,predicted_utc,window_minus_min,window_plus_min,reference\n"
        << "1,BODY,TIP," << isoTime(decay - 3) << "Z," << isoTime(decay + 2 / 24.0) << "Z,180,60,x\n"
        << "1,BODY,Narrow," << isoTime(decay - 3) << "Z," << isoTime(decay + 2 / 24.0) << "Z,60,180,x\n"
        << "1,BODY,\"Other, late\",," << minute << "Z,30,30,x\n";
    ASSERT_EQ(d.run(), 0);
    // A catalogued day is taken at its noon: the error is the decay's distance from it.
    const double wantHours = (decay - noonOf(day)) * 24.0;
    int hours = 0, dayRows = 0;
    for (const auto& r : readTable(d.dir / "v.csv")) {
        const bool hourLead = r.at("lead").find(" h") != std::string::npos;
        const double lead = r.at("lead") == "last" ? 0 : std::atof(r.at("lead_days").c_str());
        EXPECT_EQ(r.at("flux_obs") + r.at("pred_list_obs"), "") << "no flux file: no observed cells";
        if (r.at("norad") == "1") {
            EXPECT_EQ(r.at("drag_decay"), "1") << r.at("lead");
            hours += hourLead ? 1 : 0;
            // Known to the minute: the error is the step's, not half a day.
            if (lead != 0) { EXPECT_LT(std::fabs(std::atof(r.at("err_h_list_150").c_str())), 0.6) << r.at("lead"); }
            continue;
        }
        EXPECT_FALSE(hourLead) << "a day's re-entry has no hour leads";
        EXPECT_EQ(r.at("drag_decay"), lead >= 8 ? "0" : "1") << r.at("lead") << ": powered until " << powered;
        if (lead == 0 || decay - noonOf(day) + lead < 0.5) continue;  // within hours of the end
        ++dayRows;
        EXPECT_NEAR(std::atof(r.at("err_h_list_150").c_str()), wantHours, 1.0) << r.at("lead");
        EXPECT_NEAR(std::atof(r.at("err_h_evol_150").c_str()), wantHours, 1.0) << r.at("lead");
    }
    EXPECT_EQ(hours, static_cast<int>(std::size(hourLeads)));
    EXPECT_GE(dayRows, 4);
    // Published 2 hours late, a window holds the real time only when it reaches 2 hours early;
    // Morvel beside it, from the last set before the issue time at the fallback flux, is right.
    const auto c = readTable(d.dir / "v-campaigns.csv");
    ASSERT_GE(c.size(), 5u);
    const struct { const char* source; const char* holds; double hours; } rows[] = {
        {"published", "1", 2.0}, {"morvel", "1", 0.0}, {"published", "0", 2.0}, {"morvel", "1", 0.0}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(c[i].at("source"), rows[i].source) << "row " << i;
        EXPECT_EQ(c[i].at("window_holds"), rows[i].holds) << "row " << i;
        EXPECT_NEAR(std::atof(c[i].at("error_h").c_str()), rows[i].hours, 0.5) << "row " << i;
    }
    EXPECT_EQ(c[1].at("flux"), "150.0");
    EXPECT_LE(c[1].at("set_epoch"), c[1].at("issued_utc"));
    EXPECT_EQ(c[4].at("forecaster"), "Other, late") << "no issue time: no Morvel beside it";
    const std::string text = test::fileText(d.dir / "v.md");
    for (const char* want : {"| rocket body, all drag decay | 48 h | 1 |", "| satellite, drag decay | 7 d | 1 |",
                             "| satellite, all | 30 d | 1 |", "the data (`powered_until`)", "| no issue time |",
                             "\nGenerated by `morvel-validate --data /"})
        EXPECT_NE(text.find(want), std::string::npos) << want;
    EXPECT_EQ(text.find("Incomplete"), std::string::npos);
}

TEST(ValidateRun, BadInputIsNamedAndTheReportSaysItIsIncomplete) {
    double decay = 0;
    const std::vector<element> h = evolvedHistory(decay);
    folder d("bad");
    d.history("reentry/1-good.tle", h);
    std::ofstream(d.dir / "reentries.csv") << "norad,name,decay_utc\n1,GOOD," << isoTime(decay).substr(0, 10)
                                           << "\n3,LOST,2022-10-01\n4,ODD,2022-02-30\n";
    EXPECT_NE(d.run(), 0);
    const std::string text = test::fileText(d.dir / "v.md");
    EXPECT_EQ(text.find("# Accuracy against real re-entries\n\n**Incomplete run: 2 input problems"), 0u);
    EXPECT_NE(text.find("reentries.csv:3: no element file 3-*.tle for LOST"), std::string::npos) << text.substr(0, 600);
    EXPECT_NE(text.find("reentries.csv:4: decay \"2022-02-30\""), std::string::npos);
    EXPECT_FALSE(readTable(d.dir / "v.csv").empty()) << "the good object is still read";
    folder e("empty");
    std::ofstream(e.dir / "reentries.csv") << "norad,name,decay_utc\n3,LOST,2022-10-01\n";
    EXPECT_NE(e.run(), 0) << "no history at all: a failure and no report";
    EXPECT_FALSE(std::filesystem::exists(e.dir / "v.md") || std::filesystem::exists(e.dir / "v.csv"));
}

TEST(ValidateRun, AnotherFixedFluxIsTheOneUsedAndNamed) {
    double decay = 0;
    const std::vector<element> h = evolvedHistory(decay);
    folder d("flux");
    d.history("reentry/1-body.tle", h);
    std::ofstream(d.dir / "reentries.csv") << "norad,name,kind,decay_utc\n1,BODY,rocket body," << isoTime(decay) << "\n";
    ASSERT_EQ(d.run("--flux=120"), 0);
    // The rows are what the library builds for the flux 120, each prediction of each method.
    object ob{1, "BODY", "rocket body", parseReentry(isoTime(decay)), none, "", {}, h, h};
    int fallbacks = -1;
    const std::vector<row> rows = buildRows({ob}, 120.0, nullptr, fallbacks);
    const auto table = readTable(d.dir / "v.csv");
    ASSERT_TRUE(!rows.empty() && table.size() == rows.size() && fallbacks == 0) << table.size();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(table[i].at("flux_120"), "120.0");
        for (const method m : methods) {
            const std::string tag = methodTag(m);
            EXPECT_EQ(table[i].at("pred_" + tag + "_120"), isoTime(rows[i].fixed[m])) << tag << " " << i;
        }
        const element& set = h[static_cast<std::size_t>(chooseForLead(h, rows[i].real, rows[i].ld))];
        EXPECT_EQ(rows[i].fixed[method::decayList], estimateDecay(set, 120.0)) << i;
        EXPECT_NE(rows[i].fixed[method::decayList], estimateDecay(set, 150.0)) << i;
    }
    const std::string text = test::fileText(d.dir / "v.md");
    EXPECT_EQ(text.find("flux 150"), std::string::npos) << "the report names the flux it used";
    EXPECT_NE(text.find("| decay list, flux 120 | full evolution, flux 120 | fitted derivative, flux 120 |"),
              std::string::npos);
    // The pictures read the errors of the fixed flux, whatever it is.
    std::vector<std::string> leads;
    const std::vector<plot::errorPoint> points = plot::readErrors((d.dir / "v.csv").string(), leads);
    ASSERT_EQ(points.size(), rows.size());
    EXPECT_NEAR(points[0].rel, std::fabs(errorOf(rows[0].fixed[method::decayList], rows[0].real, rows[0].epoch).relative), 1e-4);
    EXPECT_NE(d.run("--flux 0"), 0) << "no flux at all is refused";
}

TEST(ValidateRun, WritesOnlyTheOutputsItsOptionsName) {
    double decay = 0;
    folder d("outputs");
    d.history("reentry/1-body.tle", evolvedHistory(decay));
    std::ofstream(d.dir / "reentries.csv") << "norad,name,kind,decay_utc\n1,BODY,rocket body," << isoTime(decay) << "\n";
    // Run inside the folder: nothing appears there but what is named.
    auto status = [&](const std::string& more) {
        const int s = std::system(("cd '" + d.dir.string() + "' && '" MORVEL_VALIDATE_EXE "' --data . " + more +
                                   " >out.txt 2>err.txt").c_str());
        return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    };
    EXPECT_TRUE(status("--help") == 0 && test::fileText(d.dir / "out.txt").starts_with("usage: morvel-validate"));
    EXPECT_TRUE(status("") == 2 && test::fileText(d.dir / "err.txt").starts_with("usage: morvel-validate"));
    EXPECT_TRUE(status("--md r.md") == 0 && status("--csv r.csv") == 0);
    for (const char* want : {"r.md", "r.csv", "r-campaigns.csv"}) EXPECT_TRUE(std::filesystem::exists(d.dir / want)) << want;
    EXPECT_FALSE(std::filesystem::exists(d.dir / "docs") || std::filesystem::exists(d.dir / "-campaigns.csv"));
}
