// The pictures: the heights and dates a figure is drawn from, checked against
// the lines of the report they come from, and the scripts for a report
// without decay, an empty file and the error figure.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cal.h"
#include "eloutput.h"
#include "evolve.h"
#include "plotdata.h"
#include "numtext.h"

using namespace morvel;
using namespace morvel::plot;

namespace {

namespace fs = std::filesystem;

element decayingSet() {
    element e{};
    e.if_valid = 1;
    std::strcpy(e.title, "STARLINK-24");
    e.objno = 44238;
    e.type = 'U';
    std::strcpy(e.objid, "19029D  ");
    e.epoch = ep2jd(22290.52000000);
    e.nrate = 0.01;
    e.inc = 53.0;
    e.ra = 200.0;
    e.ecc = 0.0009;
    e.ap = 90.0;
    e.m = 10.0;
    e.n = 15.95;
    e.revno = 18700;
    e.elno = 999;
    return e;
}

// A report as the evolution run writes it: a head, the sets of the
// evolution and, when `withDecay`, the final decay line.
void writeReport(const fs::path& p, double span, bool withDecay) {
    std::FILE* fp = std::fopen(p.string().c_str(), "w");
    ASSERT_NE(fp, nullptr);
    std::fprintf(fp, "Orbital evolution for object 19029D  \n\n  10.8 cm flux = 150.000000\n\n");
    el = decayingSet();
    prime(150.0);
    int last = -1;
    while (l >= 0.01 && gone < span) {
        evolve(150.0);
        if (el.revno != last) {
            last = el.revno;
            eloutput(fp, el);
        }
    }
    if (withDecay && decayedAt > 0) std::fprintf(fp, "\nFinal decay at %lf\n", jd2ep(decayedAt));
    std::fclose(fp);
}

struct scratch {
    fs::path dir;
    scratch() {
        dir = fs::temp_directory_path() / ("morvel-plot-test-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    ~scratch() { fs::remove_all(dir); }
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs gnuplot on the figure's script when it is installed; true when the
// image was drawn.
bool drawn(const figure& f) {
    const std::string g = findProgram("gnuplot");
    if (g.empty()) return false;
    EXPECT_EQ(runGnuplot(g, f), 0) << slurp(f.script);
    EXPECT_TRUE(fs::exists(f.output));
    EXPECT_GT(fs::file_size(f.output), 0u);
    return true;
}

}  // namespace

TEST(PlotData, HeightsAndDatesMatchTheReportsOwnLines) {
    scratch s;
    const fs::path rep = s.dir / "rep.txt";
    writeReport(rep, 400.0, true);
    const series got = readSeries(rep.string(), "Morvel");

    // The report's own lines: the heights of each title line, the epoch of
    // each line 1 and the decay line.
    std::ifstream in(rep);
    std::string line;
    std::vector<long> apo, per;
    std::vector<double> epoch;
    double decayEp = -1;
    while (std::getline(in, line)) {
        long a = 0, p = 0;
        if (line.size() > 49 && std::sscanf(line.c_str() + 49, "%ld x %ld km", &a, &p) == 2) {
            apo.push_back(a);
            per.push_back(p);
        } else if (line.rfind("1 ", 0) == 0) {
            epoch.push_back(std::atof(line.substr(18, 14).c_str()));
        } else if (line.rfind("Final decay at", 0) == 0) {
            decayEp = std::atof(line.c_str() + 14);
        }
    }
    ASSERT_GT(apo.size(), 100u);
    ASSERT_EQ(got.points.size(), apo.size());
    ASSERT_EQ(epoch.size(), apo.size());
    for (std::size_t i = 0; i < apo.size(); ++i) {
        // The title's heights are the same formula cut to whole km.
        EXPECT_EQ(truncLong(got.points[i].apogee), apo[i]) << "set " << i;
        EXPECT_EQ(truncLong(got.points[i].perigee), per[i]) << "set " << i;
        EXPECT_NEAR(got.points[i].t, ep2jd(epoch[i]), 1e-7) << "set " << i;
    }
    ASSERT_GT(decayEp, 0);
    EXPECT_NEAR(got.decay, ep2jd(decayEp), 1e-6);
    EXPECT_GT(got.decay, got.points.back().t);
}

TEST(PlotData, DataFileRowsAreTheSeries) {
    scratch s;
    const fs::path rep = s.dir / "rep.txt";
    writeReport(rep, 3.0, false);
    const series got = readSeries(rep.string(), "three days");
    ASSERT_FALSE(got.points.empty());
    const figure f = figureFor((s.dir / "h.png").string(), "", "test");
    ASSERT_TRUE(writeHeights(f, {got}));
    std::ifstream d(f.dataBase + "-1.dat");
    std::string line;
    std::getline(d, line);  // comment
    std::size_t i = 0;
    while (std::getline(d, line)) {
        char when[32];
        double a = 0, p = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%31s %lf %lf", when, &a, &p), 3) << line;
        ASSERT_LT(i, got.points.size());
        EXPECT_EQ(std::string(when), gnuplotTime(got.points[i].t));
        EXPECT_NEAR(a, got.points[i].apogee, 0.001);
        EXPECT_NEAR(p, got.points[i].perigee, 0.001);
        ++i;
    }
    EXPECT_EQ(i, got.points.size());
}

TEST(PlotData, TimesAsGnuplotReadsThem) {
    const double noon = cal_julian(date{2022, 10, 24}) + 0.5;
    EXPECT_EQ(gnuplotTime(noon), "2022-10-24T12:00:00");
    EXPECT_EQ(gnuplotTime(noon + 1.0 / 86400 * 3661), "2022-10-24T13:01:01");
    EXPECT_EQ(gnuplotTime(cal_julian(date{2000, 1, 1}) + 0.999995), "2000-01-01T23:59:59");
    EXPECT_EQ(parseTime("2022-10-24T12:00"), noon);
    EXPECT_EQ(parseTime("2022-10-24"), noon - 0.5);
    EXPECT_EQ(parseTime("yesterday"), none);
}

TEST(PlotScript, ReportWithoutDecayLineHasNoDecayMark) {
    scratch s;
    const fs::path rep = s.dir / "nodecay.txt";
    writeReport(rep, 2.0, false);
    const series got = readSeries(rep.string(), "two days");
    EXPECT_EQ(got.decay, none);
    const figure f = figureFor((s.dir / "nodecay.png").string(), (s.dir / "work").string(), "no decay");
    fs::create_directories(s.dir / "work");
    ASSERT_TRUE(writeHeights(f, {got}));
    const std::string script = slurp(f.script);
    EXPECT_EQ(script.find("decay "), std::string::npos) << script;
    EXPECT_FALSE(fs::exists(f.dataBase + "-2.dat"));
    if (!drawn(f)) GTEST_SKIP() << "gnuplot not installed; script written";
}

TEST(PlotScript, EmptyFileGivesAFrameNotAFailure) {
    scratch s;
    const fs::path empty = s.dir / "empty.txt";
    std::ofstream(empty).close();
    const series got = readSeries(empty.string(), "empty");
    EXPECT_TRUE(got.points.empty());
    EXPECT_EQ(got.decay, none);
    EXPECT_TRUE(readSeries((s.dir / "missing.txt").string(), "missing").points.empty());
    const figure f = figureFor((s.dir / "empty.svg").string(), "", "empty");
    ASSERT_TRUE(writeHeights(f, {got}));
    EXPECT_NE(slurp(f.script).find("set terminal svg"), std::string::npos);
    if (!drawn(f)) GTEST_SKIP() << "gnuplot not installed; script written";
}

TEST(PlotScript, ErrorFigureOfAValidationCsv) {
    scratch s;
    const fs::path csv = s.dir / "v.csv";
    std::ofstream(csv) << "norad,name,lead_days,drag_decay,flux_150,rel_list_150,flux_obs,rel_list_obs\n"
                          "1,A,60,1,150.0,0.5,120.0,0.25\n"
                          "1,A,last,1,150.0,-2.0,120.0,\n"
                          "2,B,60,0,150.0,0.3,,\n"
                          "2,B,last,1,150.0,0.1,,\n";
    std::vector<std::string> leads;
    const std::vector<errorLine> lines = readErrors(csv.string(), leads);
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(leads, (std::vector<std::string>{"60", "last"}));
    EXPECT_TRUE(lines[0].drag);
    EXPECT_DOUBLE_EQ(lines[0].rel[0], 0.25) << "the observed flux when the run had it";
    EXPECT_TRUE(std::isinf(lines[0].rel[1])) << "a missing prediction";
    EXPECT_FALSE(lines[1].drag) << "one powered row marks the object";
    EXPECT_DOUBLE_EQ(lines[1].rel[0], 0.3) << "flux 150 without an observed flux";
    const figure f = figureFor((s.dir / "v.png").string(), "", "errors");
    ASSERT_TRUE(writeErrors(f, lines, leads));
    // The median line: only A is a drag decay, and its last prediction is
    // missing, so the line has the one point of lead 60.
    EXPECT_EQ(slurp(f.dataBase + "-3.dat"), "0 0.25\n");
    if (!drawn(f)) GTEST_SKIP() << "gnuplot not installed; script written";
}

TEST(PlotScript, MissingGnuplotLeavesTheScript) {
    scratch s;
    const figure f = figureFor((s.dir / "x.png").string(), "", "x");
    ASSERT_TRUE(writeHeights(f, {}));
    EXPECT_EQ(findProgram("no-such-program-morvel"), "");
    EXPECT_EQ(runGnuplot((s.dir / "no-such-gnuplot").string(), f), -1);
    EXPECT_TRUE(fs::exists(f.script));
    EXPECT_FALSE(fs::exists(f.output));
}
