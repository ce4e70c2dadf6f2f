// The validation run's arithmetic: the set chosen for a lead time, the
// least-squares derivative, errors and windows, quantiles, the powered-descent
// test, and a whole run over a history whose re-entry is known because the
// engine itself made it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cal.h"
#include "eloutput.h"
#include "evolve.h"
#include "validation.h"
#include "numtext.h"

using namespace morvel;
using namespace morvel::validation;

namespace {

// STARLINK-24 (44238) on 2022 September 26, four weeks before its re-entry.
element starlink24() {
    element e{};
    e.if_valid = 1;
    std::strcpy(e.title, "STARLINK-24");
    e.objno = 44238;
    e.type = 'U';
    std::strcpy(e.objid, "19029D  ");
    e.epoch = ep2jd(22269.48754973);
    e.nrate = 0.00209403;
    e.bstar = 0.27780e-2;
    e.elno = 999;
    e.inc = 53.0021;
    e.ra = 349.7248;
    e.ecc = 0.0011836;
    e.ap = 348.1382;
    e.m = 11.9348;
    e.n = 15.56965420;
    e.revno = 18383;
    return e;
}

// A history of sets at the given epochs whose mean motion grows exactly as a
// constant first derivative `nrate` says: n = n0 + 2 nrate (t - t0).
std::vector<element> steadyHistory(const std::vector<double>& epochs, double nrate) {
    std::vector<element> h;
    for (double t : epochs) {
        element e = starlink24();
        e.epoch = t;
        e.nrate = nrate;
        e.n = starlink24().n + 2 * nrate * (t - epochs.front());
        h.push_back(e);
    }
    return h;
}

// The engine's own evolution of a set: the set at every equator crossing and
// the decay time it found.
std::vector<element> evolvedHistory(element start, double flux, double& decay) {
    std::vector<element> h;
    el = start;
    prime(flux);
    int last = -1;
    while (l >= 0.01 && gone < evolutionSpan) {
        evolve(flux);
        if (el.revno != last) {
            last = el.revno;
            h.push_back(el);
        }
    }
    decay = decayedAt;
    return h;
}

constexpr double inf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(ValidateChoice, LastSetStrictlyBeforeTheTime) {
    const std::vector<element> h = steadyHistory({2459000.0, 2459001.0, 2459002.5}, 0.001);
    EXPECT_EQ(chooseSet(h, 2459000.0), -1) << "a set at the time itself is not before it";
    EXPECT_EQ(chooseSet(h, 2459000.0001), 0);
    EXPECT_EQ(chooseSet(h, 2459002.5), 1);
    EXPECT_EQ(chooseSet(h, 2459002.5001), 2);
    EXPECT_EQ(chooseSet(h, 2460000.0), 2);
    EXPECT_EQ(chooseSet({}, 2460000.0), -1);
}

TEST(ValidateChoice, LeadTimeOfARealHistory) {
    // The shipped history of STARLINK-24: the set for 7 days before the
    // catalogued day's noon is the last one with an epoch before it.
    const std::vector<element> h = readHistory(MORVEL_VALIDATE_DATA "/reentry/44238-starlink-24.tle");
    ASSERT_GT(h.size(), 10u);
    const double t = noonOf("2022-10-24") - 7;
    const int k = chooseSet(h, t);
    ASSERT_GE(k, 0);
    EXPECT_LT(h[static_cast<std::size_t>(k)].epoch, t);
    ASSERT_LT(static_cast<std::size_t>(k) + 1, h.size());
    EXPECT_GE(h[static_cast<std::size_t>(k) + 1].epoch, t);
    for (std::size_t i = 1; i < h.size(); ++i) EXPECT_LE(h[i - 1].epoch, h[i].epoch) << "at " << i;
}

TEST(ValidateFit, RecoversAConstantDerivative) {
    const double want = 0.00123;
    const std::vector<element> h = steadyHistory({100.0, 100.4, 100.9, 101.3, 101.8}, want);
    const fit f = fitNrate(h, 4, 2.0);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.sets, 5);
    EXPECT_NEAR(f.nrate, want, 1e-10) << "want " << want << " got " << f.nrate;
}

TEST(ValidateFit, OnlyTheWindowBeforeTheChosenSetCounts) {
    const double want = 0.002;
    std::vector<element> h = steadyHistory({97.0, 100.0, 100.5, 101.0, 101.5, 102.0}, want);
    h[0].n += 0.5;  // far outside the window: must not pull the line
    h[5].n += 0.5;  // after the chosen set: must not count either
    const fit f = fitNrate(h, 4, 2.0);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.sets, 4);
    EXPECT_NEAR(f.nrate, want, 1e-10);
}

TEST(ValidateFit, TooFewSetsOrTooShortASpanGiveNoFit) {
    EXPECT_FALSE(fitNrate(steadyHistory({100.0, 101.0}, 0.001), 1, 2.0).ok);
    EXPECT_FALSE(fitNrate(steadyHistory({100.0, 100.05, 100.1}, 0.001), 2, 2.0).ok);
    EXPECT_TRUE(fitNrate(steadyHistory({100.0, 100.15, 100.3}, 0.001), 2, 2.0).ok);
    EXPECT_FALSE(fitNrate(steadyHistory({100.0, 100.5, 101.0}, 0.001), 5, 2.0).ok);
}

TEST(ValidateError, HoursRelativeAndTheDay) {
    const double epoch = 2459000.25, real = 2459010.5;
    const error late = errorOf(real + 0.25, real, epoch);
    EXPECT_NEAR(late.hours, 6.0, 1e-6);
    EXPECT_NEAR(late.relative, 0.25 / 10.25, 1e-12);
    EXPECT_TRUE(late.withinDay);
    const error early = errorOf(real - 2.0, real, epoch);
    EXPECT_NEAR(early.hours, -48.0, 1e-6);
    EXPECT_NEAR(early.relative, -2.0 / 10.25, 1e-12);
    EXPECT_FALSE(early.withinDay);
    EXPECT_TRUE(errorOf(real + 0.5, real, epoch).withinDay) << "half a day is the day's own width";
    EXPECT_FALSE(errorOf(real + 0.5001, real, epoch).withinDay);
    const error missing = errorOf(none, real, epoch);
    EXPECT_TRUE(std::isinf(missing.hours));
    EXPECT_TRUE(std::isinf(missing.relative));
}

TEST(ValidateError, WindowNeededOfThePredictedRemainingTime) {
    // Predicted 10 days after the epoch, real one day later: p = 0.1.
    EXPECT_NEAR(windowNeeded(110.0, 111.0, 100.0), 0.1, 1e-12);
    EXPECT_NEAR(windowNeeded(110.0, 108.0, 100.0), 0.2, 1e-12);
    EXPECT_TRUE(std::isinf(windowNeeded(none, 111.0, 100.0)));
    EXPECT_TRUE(std::isinf(windowNeeded(100.0, 101.0, 100.0)));
}

TEST(ValidateError, QuantileByNearestRank) {
    const std::vector<double> v{5, 1, 4, 2, 3};
    EXPECT_EQ(quantile(v, 0.5), 3);
    EXPECT_EQ(quantile(v, 0.2), 1);
    EXPECT_EQ(quantile(v, 0.21), 2);
    EXPECT_EQ(quantile(v, 0.9), 5);
    EXPECT_EQ(quantile(v, 1.0), 5);
    EXPECT_EQ(quantile({1, inf, 2, inf}, 0.5), 2) << "missing predictions rank last";
    EXPECT_TRUE(std::isinf(quantile({1, inf, 2, inf}, 0.9)));
    EXPECT_TRUE(std::isnan(quantile({}, 0.5)));
}

TEST(ValidateError, NoonOfACataloguedDay) {
    const double t = noonOf("2022-10-24");
    EXPECT_EQ(t, cal_julian(date{2022, 10, 24}) + 0.5);
    EXPECT_EQ(isoTime(t), "2022-10-24T12:00");
    EXPECT_EQ(noonOf("2022-13-01"), none);
    EXPECT_EQ(noonOf("24/10/2022"), none);
    EXPECT_EQ(isoTime(none), "-");
}

TEST(ValidatePowered, DragConsistentFallIsNotFlagged) {
    const std::vector<element> h = steadyHistory({100.0, 100.3, 100.7, 101.5, 103.0, 110.0, 150.0}, 0.003);
    EXPECT_TRUE(detectPowered(h).empty());
}

TEST(ValidatePowered, FallFarBeyondTheDerivativesIsFlagged) {
    std::vector<element> h = steadyHistory({100.0, 100.5, 101.0, 101.5}, 0.0005);
    // 0.1 rev/day more than the derivative gives: about 28 km lower.
    h[2].n += 0.1;
    h[3].n += 0.1;
    const std::vector<manoeuvre> m = detectPowered(h);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].from, 1);
    EXPECT_EQ(m[0].to, 2);
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
    EXPECT_EQ(m[0].to, 2);
    EXPECT_LT(m[0].fall, 0.0);
    EXPECT_TRUE(dragOnly(h, m, 4, 2.0)) << "window from 102.5 starts after the change";
    EXPECT_FALSE(dragOnly(h, m, 3, 3.5));
}

TEST(ValidatePowered, PlungeBelow200KmIsNotTested) {
    std::vector<element> h = steadyHistory({100.0, 100.2, 100.4}, 0.0005);
    for (element& e : h) e.n = 16.3;  // perigee near 175 km
    h[2].n = 16.45;
    EXPECT_TRUE(detectPowered(h).empty());
}

TEST(ValidatePrediction, EvolutionAndEstimateOfOneSetAgree) {
    const element e = starlink24();
    const double estimate = estimateDecay(e, 150.0);
    const double evolved = evolveDecay(e, 150.0, evolutionSpan);
    ASSERT_GT(estimate, e.epoch);
    ASSERT_GT(evolved, e.epoch);
    // Without a size the lifetime falls by exactly the step in every step.
    EXPECT_NEAR(evolved, estimate, 0.011);
    EXPECT_EQ(evolveDecay(e, 150.0, 5.0), none) << "a span shorter than the lifetime ends first";
    element rising = e;
    rising.nrate = -0.0001;
    EXPECT_EQ(estimateDecay(rising, 150.0), none);
}

TEST(ValidateRun, EvolvedHistoryIsPredictedOnItsOwnDecay) {
    double decay = 0;
    const std::vector<element> h = evolvedHistory(starlink24(), 150.0, decay);
    ASSERT_GT(decay, 0);
    ASSERT_GT(h.size(), 100u);
    // The evolution is drag alone: nothing in it is powered.
    EXPECT_TRUE(detectPowered(h).empty());
    for (double lead : {30.0, 14.0, 7.0, 3.0, 1.0}) {
        const int k = chooseSet(h, decay - lead);
        ASSERT_GE(k, 0) << "lead " << lead;
        const element& set = h[static_cast<std::size_t>(k)];
        const error e = errorOf(estimateDecay(set, 150.0), decay, set.epoch);
        EXPECT_LT(std::fabs(e.hours), 1.0) << "lead " << lead << ": " << e.hours << " h";
        const fit f = fitNrate(h, k, fitWindowDays);
        ASSERT_TRUE(f.ok);
        // The line through two days of a steepening decay lags its end.
        EXPECT_GT(f.nrate, 0.0);
        EXPECT_LT(f.nrate, set.nrate) << "lead " << lead;
    }
}

#ifdef MORVEL_VALIDATE_EXE
TEST(ValidateRun, ToolReportsTheKnownErrorOfAnEvolvedHistory) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("morvel-validate-test-" + std::to_string(::getpid()));
    fs::create_directories(dir / "reentry");
    double decay = 0;
    const std::vector<element> h = evolvedHistory(starlink24(), 150.0, decay);
    ASSERT_GT(decay, 0);
    {
        std::FILE* fp = std::fopen((dir / "reentry" / "44238-test.tle").string().c_str(), "w");
        ASSERT_NE(fp, nullptr);
        for (const element& e : h) eloutput(fp, e);
        std::fclose(fp);
    }
    const date day = cal_civil(truncInt(decay));
    char dayText[16];
    std::snprintf(dayText, sizeof dayText, "%04d-%02d-%02d", day.year, day.month, day.day);
    std::ofstream(dir / "reentries.csv") << "norad,name,reentry_utc\n44238,TEST," << dayText << "\n";
    // The tool takes the day's noon: its error is the decay's distance from it.
    const double wantHours = (decay - noonOf(dayText)) * 24.0;
    const std::string cmd = std::string("'") + MORVEL_VALIDATE_EXE + "' --data '" + dir.string() +
                            "' --csv '" + (dir / "v.csv").string() + "' --md '" + (dir / "v.md").string() +
                            "' > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream csv(dir / "v.csv");
    std::string line;
    std::getline(csv, line);
    std::vector<std::string> head;
    {
        std::stringstream s(line);
        std::string x;
        while (std::getline(s, x, ',')) head.push_back(x);
    }
    auto col = [&](const std::string& n) {
        for (std::size_t i = 0; i < head.size(); ++i) if (head[i] == n) return i;
        return head.size();
    };
    const std::size_t cLead = col("lead_days"), cErr = col("err_h_list_150"), cEvol = col("err_h_evol_150"),
                      cDrag = col("drag_decay");
    ASSERT_LT(cErr, head.size());
    int rows = 0;
    while (std::getline(csv, line)) {
        std::vector<std::string> f;
        std::stringstream s(line);
        std::string x;
        while (std::getline(s, x, ',')) f.push_back(x);
        ASSERT_GT(f.size(), cEvol);
        const double remaining = decay - noonOf(dayText) + std::atof(f[cLead].c_str());
        if (f[cLead] == "last" || remaining < 0.5) continue;  // within hours of the end
        ++rows;
        EXPECT_NEAR(std::atof(f[cErr].c_str()), wantHours, 1.0) << "lead " << f[cLead];
        EXPECT_NEAR(std::atof(f[cEvol].c_str()), wantHours, 1.0) << "lead " << f[cLead];
        EXPECT_EQ(f[cDrag], "1") << "lead " << f[cLead];
    }
    EXPECT_GE(rows, 5);
    fs::remove_all(dir);
}
#endif
