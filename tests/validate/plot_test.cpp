// The pictures: heights and dates checked against the lines of the report they
// come from, and the data and scripts of the height, error and campaign figures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cal.h"
#include "eloutput.h"
#include "evolve.h"
#include "numtext.h"
#include "plotdata.h"
#include "support.h"
#include "validation.h"

using namespace morvel;
using namespace morvel::plot;
namespace fs = std::filesystem;

namespace {

// A report as the evolution run writes it from STARLINK-24's set of 2022-10-10: a head,
// the set at every crossing for `span` days and, when it decays within them, the decay line.
void writeReport(const fs::path& p, double span) {
    const std::vector<element> h = validation::readHistory(MORVEL_VALIDATE_DATA "/reentry/44238-starlink-24.tle");
    std::FILE* fp = std::fopen(p.string().c_str(), "w");
    ASSERT_NE(fp, nullptr);
    std::fprintf(fp, "Orbital evolution for object 19029D  \n\n  10.8 cm flux = 150.000000\n\n");
    el = h.at(static_cast<std::size_t>(validation::chooseSet(h, ep2jd(22284.0))));
    prime(150.0);
    evolveUntil(150.0, span, [&](int) { eloutput(fp, el); });
    if (decayedAt > 0) std::fprintf(fp, "\nFinal decay at %lf\n", jd2ep(decayedAt));
    std::fclose(fp);
}

struct scratch {
    const fs::path dir = fs::temp_directory_path() / ("morvel-plot-test-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
    scratch() { fs::create_directories(dir / "work"); }
    ~scratch() { fs::remove_all(dir); }
};

// Runs gnuplot on the figure's script when it is installed; true when the image was drawn.
bool drawn(const figure& f) {
    const std::string g = findProgram("gnuplot");
    if (g.empty()) return false;
    EXPECT_EQ(runGnuplot(g, f), 0) << test::fileText(f.script);
    EXPECT_TRUE(fs::exists(f.output) && fs::file_size(f.output) > 0) << f.output;
    return true;
}

}  // namespace

TEST(PlotHeights, SeriesDataFileAndDecayMarkMatchTheReportsOwnLines) {
    scratch s;
    writeReport(s.dir / "rep.txt", 400.0);
    writeReport(s.dir / "part.txt", 2.0);
    const series full = readSeries((s.dir / "rep.txt").string(), "Morvel");
    const series part = readSeries((s.dir / "part.txt").string(), "two days");
    EXPECT_EQ(part.decay, none) << "a report without its decay line";
    const figure f = figureFor((s.dir / "h.png").string(), (s.dir / "work").string(), "heights");
    EXPECT_EQ(fs::path(f.script).parent_path(), s.dir / "work");
    ASSERT_TRUE(writeHeights(f, {full, part}));
    // The report's own lines: the heights of each title line, the epoch of
    // each line 1 and the decay line, beside the series and its data file.
    std::ifstream in(s.dir / "rep.txt"), data(f.dataBase + "-1.dat");
    std::string line, row;
    std::getline(data, row);  // comment
    std::size_t i = 0;
    long a = 0, p = 0;
    while (std::getline(in, line)) {
        if (line.rfind("Final decay at", 0) == 0) { EXPECT_NEAR(full.decay, ep2jd(std::atof(&line[14])), 1e-6); }
        if (line.size() <= 49 || std::sscanf(line.c_str() + 49, "%ld x %ld km", &a, &p) != 2) continue;
        const point& got = full.points.at(i);
        // The title's heights are the same formula cut to whole km.
        EXPECT_EQ(std::pair(truncLong(got.apogee), truncLong(got.perigee)), std::pair(a, p)) << "set " << i;
        ASSERT_TRUE(std::getline(in, line));
        EXPECT_NEAR(got.t, ep2jd(std::atof(line.substr(18, 14).c_str())), 1e-7) << "set " << i;
        char when[32];
        double da = 0, dp = 0;
        ASSERT_TRUE(std::getline(data, row) && std::sscanf(row.c_str(), "%31s %lf %lf", when, &da, &dp) == 3) << row;
        EXPECT_EQ(std::string(when), gnuplotTime(got.t)) << "set " << i;
        EXPECT_NEAR(da, got.apogee, 0.001) << "set " << i;
        EXPECT_NEAR(dp, got.perigee, 0.001) << "set " << i;
        ++i;
    }
    EXPECT_TRUE(i > 100 && i == full.points.size() && !std::getline(data, row)) << i << " of " << full.points.size();
    // The decay mark stands at the decay time; the report without one has none.
    EXPECT_EQ(test::fileText(f.dataBase + "-2.dat").substr(0, 20), gnuplotTime(full.decay) + " ");
    EXPECT_TRUE(fs::exists(f.dataBase + "-3.dat") && !fs::exists(f.dataBase + "-4.dat"));
    if (!drawn(f)) GTEST_SKIP() << "gnuplot not installed; script written";
}

TEST(PlotData, TimesAsGnuplotReadsThem) {
    const double noon = cal_julian(date{2022, 10, 24}) + 0.5;
    EXPECT_EQ(gnuplotTime(noon), "2022-10-24T12:00:00");
    EXPECT_EQ(gnuplotTime(noon + 1.0 / 86400 * 3661), "2022-10-24T13:01:01");
    EXPECT_EQ(gnuplotTime(cal_julian(date{2000, 1, 1}) + 0.999995), "2000-01-01T23:59:59");
}

TEST(PlotScript, EmptyFileGivesAFrameAndWithoutGnuplotTheScriptStays) {
    scratch s;
    std::ofstream(s.dir / "empty.txt").close();
    const series got = readSeries((s.dir / "empty.txt").string(), "empty");
    EXPECT_TRUE(got.points.empty() && got.decay == none);
    EXPECT_TRUE(readSeries((s.dir / "missing.txt").string(), "missing").points.empty());
    const figure f = figureFor((s.dir / "empty.svg").string(), "", "empty");
    ASSERT_TRUE(writeHeights(f, {got}));
    EXPECT_NE(test::fileText(f.script).find("set terminal svg"), std::string::npos);
    EXPECT_EQ(findProgram("no-such-program-morvel"), "");
    EXPECT_EQ(runGnuplot((s.dir / "no-such-gnuplot").string(), f), -1);
    EXPECT_TRUE(fs::exists(f.script) && !fs::exists(f.output));
    if (!drawn(f)) GTEST_SKIP() << "gnuplot not installed; script written";
}

TEST(PlotScript, ErrorFigureByKind) {
    scratch s;
    // Only the columns the reader looks for, in an order of their own. The absolute error, of the
    // observed flux when the run had it; Starlink has a powered prediction (B): drag decays (file 1)
    // and all (file 3) side by side; a missing prediction tops the scale; the rocket bodies (a quoted
    // name holds its comma) have one series, at the place of their lead.
    std::ofstream(s.dir / "v.csv") << "norad,name,kind,lead,drag_decay,rel_list_150,flux_obs,rel_list_obs\n"
                                      "1,A,Starlink,60 d,1,0.5,120.0,0.25\n"
                                      "1,A,Starlink,last,1,-2.0,120.0,\n"
                                      "2,B,Starlink,60 d,0,0.3,,\n"
                                      "3,\"C, R/B\",rocket body,48 h,1,-0.5,,\n";
    std::vector<std::string> leads;
    const std::vector<errorPoint> p = readErrors((s.dir / "v.csv").string(), leads);
    ASSERT_EQ(p.size(), 4u);
    ASSERT_EQ(leads, (std::vector<std::string>{"60 d", "last", "48 h"}));
    const figure f = figureFor((s.dir / "v.png").string(), "", "errors");
    ASSERT_TRUE(writeErrors(f, p, leads));
    EXPECT_TRUE(test::fileText(f.dataBase + "-1.dat")
                    .ends_with("\n-0.16 1 0.25 0.25 0.25 0.25 0.25\n0.84 1 100 100 100 100 100\n"));
    EXPECT_NE(test::fileText(f.dataBase + "-3.dat").find("\n0.16 2 0.25 0.25 0.25 0.3 0.3\n"), std::string::npos);
    EXPECT_NE(test::fileText(f.dataBase + "-5.dat").find("\n2.00 1 0.5 0.5 0.5 0.5 0.5\n"), std::string::npos);
    if (!drawn(f)) GTEST_SKIP() << "gnuplot not installed; script written";
}

TEST(PlotScript, CampaignFigureInHoursFromTheReentry) {
    scratch s;
    std::ofstream(s.dir / "c.csv")
        << "norad,name,source,issued_utc,set_epoch,predicted_utc,window_minus_h,window_plus_h,real_reentry\n"
           "7,X,published,2021-05-08T12:00,,2021-05-09T00:30,3.00,3.00,2021-05-09T00:00\n"
           "7,X,published,,,2021-05-09T01:00,1.00,1.00,2021-05-09T00:00\n"
           "7,X,morvel,2021-05-08T12:00,2021-05-08T10:00,2021-05-09T02:00,2.80,2.80,2021-05-09T00:00\n"
           "7,X,morvel-every-set,,2021-05-08T06:00,2021-05-08T23:00,,,2021-05-09T00:00\n";
    const std::vector<campaignPoint> p = readCampaigns((s.dir / "c.csv").string());
    ASSERT_EQ(p.size(), 4u);
    EXPECT_TRUE(std::isnan(p[1].issued)) << "issue time not known";
    EXPECT_NEAR(p[3].issued, -18.0, 1e-6) << "every-set rows stand at the set's epoch";
    const figure f = figureFor((s.dir / "c.png").string(), "", "campaigns");
    ASSERT_TRUE(writeCampaigns(f, p));
    EXPECT_EQ(test::fileText(f.dataBase + "-1.dat"), "-12 0.5 -2.5 3.5\n");
    EXPECT_EQ(test::fileText(f.dataBase + "-2.dat"), "-12 2 -0.8 4.8\n");
    EXPECT_NE(test::fileText(f.script).find("1 forecast without issue time"), std::string::npos);
    if (!drawn(f)) GTEST_SKIP() << "gnuplot not installed; script written";
}
