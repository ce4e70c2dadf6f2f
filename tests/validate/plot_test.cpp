// The pictures: the heights and dates a figure is drawn from, checked against
// the lines of the report they come from, and the scripts for a report
// without decay, an empty file, the error figure by kind and the campaign
// figure.
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

TEST(PlotScript, ErrorFigureByKind) {
    scratch s;
    const fs::path csv = s.dir / "v.csv";
    std::ofstream(csv) << "norad,name,kind,lead,lead_days,drag_decay,flux_150,rel_list_150,flux_obs,rel_list_obs\n"
                          "1,A,Starlink,60 d,60,1,150.0,0.5,120.0,0.25\n"
                          "1,A,Starlink,last,last,1,150.0,-2.0,120.0,\n"
                          "2,B,Starlink,60 d,60,0,150.0,0.3,,\n"
                          "3,\"C, R/B\",rocket body,48 h,2,1,150.0,-0.5,,\n";
    std::vector<std::string> leads;
    const std::vector<errorPoint> p = readErrors(csv.string(), leads);
    ASSERT_EQ(p.size(), 4u);
    ASSERT_EQ(leads, (std::vector<std::string>{"60 d", "last", "48 h"}));
    EXPECT_DOUBLE_EQ(p[0].rel, 0.25) << "the observed flux when the run had it";
    EXPECT_TRUE(std::isinf(p[1].rel)) << "a missing prediction";
    EXPECT_FALSE(p[2].drag);
    EXPECT_DOUBLE_EQ(p[2].rel, 0.3) << "flux 150 without an observed flux";
    EXPECT_EQ(p[3].kind, "rocket body") << "a quoted name holds its comma";
    EXPECT_DOUBLE_EQ(p[3].rel, 0.5) << "the absolute error";
    const figure f = figureFor((s.dir / "v.png").string(), "", "errors");
    ASSERT_TRUE(writeErrors(f, p, leads));
    // Starlink has a powered prediction: drag decays (file 1) and all (file 3)
    // side by side; a missing prediction sits at the top of the scale. The
    // rocket bodies have one series, at the place of their lead.
    EXPECT_EQ(slurp(f.dataBase + "-1.dat").substr(slurp(f.dataBase + "-1.dat").find('\n') + 1),
              "-0.16 1 0.25 0.25 0.25 0.25 0.25\n0.84 1 100 100 100 100 100\n");
    const std::string all = slurp(f.dataBase + "-3.dat");
    EXPECT_NE(all.find("\n0.16 2 0.25 0.25 0.25 0.3 0.3\n"), std::string::npos) << all;
    const std::string rocket = slurp(f.dataBase + "-5.dat");
    EXPECT_NE(rocket.find("\n2.00 1 0.5 0.5 0.5 0.5 0.5\n"), std::string::npos) << rocket;
    if (!drawn(f)) GTEST_SKIP() << "gnuplot not installed; script written";
}

TEST(PlotScript, CampaignFigureInHoursFromTheReentry) {
    scratch s;
    const fs::path csv = s.dir / "c.csv";
    std::ofstream(csv) << "norad,name,source,forecaster,issued_utc,set_epoch,flux,predicted_utc,window_minus_h,"
                          "window_plus_h,real_reentry,error_h,window_holds\n"
                          "7,X,published,\"T, I\",2021-05-08T12:00,,,2021-05-09T00:30,3.00,3.00,2021-05-09T00:00,0.5,1\n"
                          "7,X,published,E,,,,2021-05-09T01:00,1.00,1.00,2021-05-09T00:00,1.0,0\n"
                          "7,X,morvel,\"T, I\",2021-05-08T12:00,2021-05-08T10:00,75.0,2021-05-09T02:00,2.80,2.80,"
                          "2021-05-09T00:00,2.0,1\n"
                          "7,X,morvel-every-set,,,2021-05-08T06:00,,2021-05-08T23:00,,,2021-05-09T00:00,-1.0,\n";
    const std::vector<campaignPoint> p = readCampaigns(csv.string());
    ASSERT_EQ(p.size(), 4u);
    EXPECT_NEAR(p[0].issued, -12.0, 1e-6);
    EXPECT_NEAR(p[0].predicted, 0.5, 1e-6);
    EXPECT_TRUE(std::isnan(p[1].issued)) << "issue time not known";
    EXPECT_NEAR(p[3].issued, -18.0, 1e-6) << "every-set rows stand at the set's epoch";
    const figure f = figureFor((s.dir / "c.png").string(), "", "campaigns");
    ASSERT_TRUE(writeCampaigns(f, p));
    EXPECT_EQ(slurp(f.dataBase + "-1.dat"), "-12 0.5 -2.5 3.5\n");
    EXPECT_EQ(slurp(f.dataBase + "-2.dat"), "-12 2 -0.8 4.8\n");
    EXPECT_NE(slurp(f.script).find("1 forecast without issue time"), std::string::npos);
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
