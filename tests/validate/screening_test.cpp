// What the screened list rests on: the windows' table made from the
// validation's predictions (and the one the program is built with, which must
// be what the tool writes now), and the snapshots' listed sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "ballistic.h"
#include "evolve.h"
#include "plotdata.h"
#include "screening.h"
#include "support.h"
#include "validation.h"

using namespace morvel;
using namespace morvel::validation;

TEST(Windows, OwnPointsPooledPointsAndTheSamplesOfPredictions) {
    std::vector<windowSample> s;
    // 40 Starlink predictions of under half a day, shares -0.40 to +0.38.
    for (int i = 0; i < 40; ++i) s.push_back({objectKind::starlink, 0.2, -0.4 + 0.02 * i, 1000 + i});
    // 5 rocket bodies there and 1 Starlink at 3 days: too few for points of their own.
    for (int i = 0; i < 5; ++i) s.push_back({objectKind::rocketBody, 0.3, 1.0 + i, 2000 + i});
    s.push_back({objectKind::starlink, 3.0, -0.5, 3000});
    const windowTable t = windowsOf(s);
    const windowCell own = t[static_cast<int>(objectKind::starlink)][0];
    // Nearest rank over 40: the 2nd and the 38th value.
    EXPECT_NEAR(own.lower, -0.38, 1e-12);
    EXPECT_NEAR(own.upper, 0.34, 1e-12);
    EXPECT_EQ(own.count, 40);
    // The rocket bodies take the bin's points over all 45: the 3rd and the 43rd value.
    const windowCell pooled = t[static_cast<int>(objectKind::rocketBody)][0];
    EXPECT_NEAR(pooled.lower, -0.36, 1e-12);
    EXPECT_NEAR(pooled.upper, 3.0, 1e-12);
    EXPECT_EQ(pooled.count, 0);
    EXPECT_EQ(t[static_cast<int>(objectKind::debris)][0].upper, pooled.upper);
    // A bin with one sample pools it; a bin with none takes every sample's points.
    EXPECT_EQ(t[static_cast<int>(objectKind::starlink)][2].lower, -0.5);
    EXPECT_NEAR(t[static_cast<int>(objectKind::satellite)][5].upper, 3.0, 1e-12);

    const std::string text = windowTableText(t, t);
    EXPECT_NE(text.find("{-0.3800, 0.3400, 40}"), std::string::npos) << text;
    EXPECT_NE(text.find("},  // rocket body\n"), std::string::npos);

    windowSample w{};
    EXPECT_FALSE(windowSampleOf("STARLINK-24", 44238, 100.0, 100.0, 105.0, w));
    EXPECT_FALSE(windowSampleOf("STARLINK-24", 44238, 100.0, none, 105.0, w));
    ASSERT_TRUE(windowSampleOf("CZ-5B R/B", 48275, 100.0, 104.0, 105.0, w));
    EXPECT_TRUE(w.kind == objectKind::rocketBody && w.remaining == 4.0 && w.share == 0.25 && w.norad == 48275);
}

TEST(Windows, TheProgramsTableIsTheOneTheToolWritesNow) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("morvel-windows-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string out = dir.string();
    const std::string cmd = std::string("'") + MORVEL_VALIDATE_EXE + "' --data '" MORVEL_VALIDATE_DATA
                            "' --flux-file '" MORVEL_VALIDATE_DATA
                            "/space-weather.csv' --csv '" + out + "/v.csv' --md '" + out + "/v.md' --window-table '" +
                            out + "/w.inc' >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    EXPECT_EQ(test::fileText(out + "/w.inc"), test::fileText(MORVEL_SOURCE_DIR "/include/windowtable.inc"))
        << "include/windowtable.inc is not what morvel-validate writes: run make validate";
    std::filesystem::remove_all(dir);
}

TEST(Snapshots, ListedSetsTheirCoefficientsAndWhoLeft) {
    snapshot snap{"sets.tle", readHistory(MORVEL_SOURCE_DIR "/tests/e2e/cases/screen-list-file-and-csv/files/sets.tle")};
    ASSERT_EQ(snap.sets.size(), 6u);
    // ISS lives years: not listed. Of the five listed, 45179 has not left.
    const std::vector<int> later = {25544, 45179};
    const std::vector<screenedSet> s = screenedSets(snap, later, spaceWeather{}, 150);
    ASSERT_EQ(s.size(), 5u);
    for (const screenedSet& x : s) {
        EXPECT_EQ(x.left, x.norad != 45179) << x.norad;
        const element& e = *std::find_if(snap.sets.begin(), snap.sets.end(),
                                         [&](const element& y) { return y.objno == x.norad; });
        EXPECT_EQ(x.ballistic, impliedBallistic(e, 150)) << x.norad;
        EXPECT_LT(decayListLifetime(e, 150), screenedLifetime);
    }
}

TEST(Timeline, RowsByDecayAndTheScriptsBarsAndDay) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("morvel-timeline-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string csv = (dir / "list.csv").string();
    std::ofstream(csv) << "NORAD_CAT_ID,OBJECT_NAME,OBJECT_ID,EPOCH,FLUX,LIFETIME_DAYS,DECAY_EPOCH,DECAY_EARLIEST,"
                          "DECAY_LATEST,BALLISTIC_COEFFICIENT,DESCENT\r\n"
                          "2,\"B, TWO\",2020-001B,2026-07-04T10:00:00Z,150.0,9,2026-07-13T10:00:00Z,"
                          "2026-07-10T00:00:00Z,2026-07-20T00:00:00Z,1.5,thrust\r\n"
                          "1,ONE,2020-001A,2026-07-03T00:00:00Z,150.0,2,2026-07-05T00:00:00Z,"
                          "2026-07-04T00:00:00Z,2026-07-06T00:00:00Z,0.01,drag\r\n"
                          "3,BAD,2020-001C,2026-07-03,150.0,2,not a date,,,0.01,drag\r\n";
    const std::vector<plot::timelineRow> rows = plot::readTimeline(csv);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].label, "1 ONE");
    EXPECT_EQ(rows[1].label, "2 B, TWO");
    EXPECT_TRUE(!rows[0].thrust && rows[1].thrust);
    EXPECT_EQ(rows[1].earliest, validation::parseUtc("2026-07-10T00:00"));
    const plot::figure f = plot::figureFor((dir / "t.png").string(), dir.string(), "list");
    ASSERT_TRUE(plot::writeTimeline(f, rows));
    const std::string script = test::fileText(f.script);
    EXPECT_NE(script.find("earliest to latest (1)"), std::string::npos) << script;
    EXPECT_NE(script.find("thrust (1)"), std::string::npos);
    EXPECT_NE(script.find("the list's day (latest epoch) 2026-07-04T10:00"), std::string::npos);
    EXPECT_EQ(test::fileText(f.dataBase + "-1.dat"), "2026-07-05T00:00:00 0 2026-07-04T00:00:00 2026-07-06T00:00:00\n");
    EXPECT_EQ(test::fileText(f.dataBase + "-2.dat"), "2026-07-13T10:00:00 1 2026-07-10T00:00:00 2026-07-20T00:00:00\n");
    std::filesystem::remove_all(dir);
}
