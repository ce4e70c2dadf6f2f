// The space-weather reader and the flux of an epoch: a real excerpt read
// with its reference values, every day of two centuries against std::chrono,
// refused files and skipped rows, and the lookup at table ends and gaps.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "spaceweather.h"

namespace morvel {
namespace {

// Julian Day Number of a civil date, from std::chrono's day count
// (1970 January 1 is day 2440588).
int jdn(int y, unsigned m, unsigned d) {
    using namespace std::chrono;
    return static_cast<int>(sys_days{year{y} / month{m} / day{d}}.time_since_epoch().count()) + 2440588;
}

// "YYYY-MM-DD" of a Julian Day Number.
std::string isoDay(int jd) {
    using namespace std::chrono;
    const year_month_day d{sys_days{days{jd - 2440588}}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                  static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
    return text;
}

weatherStatus read(const std::string& text, spaceWeather& sw) {
    return readSpaceWeather(text.data(), text.size(), sw);
}

const std::string head = "DATE,F10.7_DATA_TYPE,F10.7_OBS_LAST81\n";

// The last rows of the real file (sw-end-2026-05-16.csv): observed days
// 2026 May 10 to 16, five daily and two monthly predictions.
constexpr double may14Mean81 = 125.6;  // F10.7_OBS_LAST81 of 2026-05-14
constexpr double may16Mean81 = 125.4;  // of 2026-05-16, the last observed day

TEST(SpaceWeather, RealExcerptGivesEachKindOfEpochItsFlux) {
    spaceWeather sw;
    ASSERT_EQ(loadSpaceWeather(MORVEL_TEST_DATA "/space-weather/sw-end-2026-05-16.csv", sw),
              weatherStatus::ok);
    EXPECT_EQ(observedDays(sw), 7u);
    EXPECT_EQ(sw.predicted, 7);
    EXPECT_EQ(sw.skipped, 0);
    const struct {
        double epoch;
        double flux;
        fluxSource source;
        int day;
    } cases[] = {
        {jdn(2026, 5, 14) + 0.5, may14Mean81, fluxSource::observedDay, jdn(2026, 5, 14)},
        {jdn(2026, 5, 16) + 0.999, may16Mean81, fluxSource::observedDay, jdn(2026, 5, 16)},
        // A predicted day, and one far beyond the predictions: the last observed mean.
        {jdn(2026, 5, 20) + 0.25, may16Mean81, fluxSource::lastObserved, jdn(2026, 5, 16)},
        {jdn(2030, 1, 1) + 0.0, may16Mean81, fluxSource::lastObserved, jdn(2026, 5, 16)},
        {jdn(2026, 5, 10) - 0.001, 99.5, fluxSource::beforeFile, 0},
        {std::nan(""), 99.5, fluxSource::beforeFile, 0},
    };
    for (const auto& c : cases) {
        const epochFlux f = fluxAt(sw, c.epoch, 99.5);
        EXPECT_EQ(f.flux, c.flux) << "epoch " << c.epoch;
        EXPECT_EQ(f.source, c.source) << "epoch " << c.epoch;
        EXPECT_EQ(f.day, c.day) << "epoch " << c.epoch;
    }
}

TEST(SpaceWeather, EveryDayOfTwoCenturiesReadAsChronoCountsIt) {
    using namespace std::chrono;
    std::string text = head;
    int rows = 0;
    for (sys_days d = sys_days{1900y / January / 1}; d <= sys_days{2099y / December / 31}; d += days{1}) {
        const year_month_day ymd{d};
        char row[64];
        std::snprintf(row, sizeof row, "%04d-%02u-%02u,OBS,%d.5\r\n", static_cast<int>(ymd.year()),
                      static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()), 60 + rows % 200);
        text += row;
        ++rows;
    }
    spaceWeather sw;
    ASSERT_EQ(read(text, sw), weatherStatus::ok);
    ASSERT_EQ(observedDays(sw), static_cast<std::size_t>(rows));
    EXPECT_EQ(sw.skipped, 0);
    const int first = jdn(1900, 1, 1);
    for (int k = 0; k < rows; ++k) {
        const fluxDay d = observedDay(sw, static_cast<std::size_t>(k));
        ASSERT_EQ(d.day, first + k) << "row " << k;
        ASSERT_EQ(d.mean81, 60 + k % 200 + 0.5) << "row " << k;
        const epochFlux f = fluxAt(sw, first + k + 0.75, 0.0);
        ASSERT_EQ(f.day, first + k);
        ASSERT_EQ(f.flux, d.mean81);
    }

    // The same text from a file, read piece by piece, gives the same table.
    const auto path = std::filesystem::temp_directory_path() / "morvel-spaceweather-days.csv";
    std::ofstream(path, std::ios::binary) << text;
    spaceWeather fromFile;
    ASSERT_EQ(loadSpaceWeather(path.c_str(), fromFile), weatherStatus::ok);
    std::filesystem::remove(path);
    ASSERT_EQ(observedDays(fromFile), observedDays(sw));
    for (std::size_t k = 0; k < observedDays(sw); ++k) {
        ASSERT_EQ(observedDay(fromFile, k).day, observedDay(sw, k).day);
        ASSERT_EQ(observedDay(fromFile, k).mean81, observedDay(sw, k).mean81);
    }
}

TEST(SpaceWeather, EveryOneDecimalMeanKeptAsTheCLibraryReadsIt) {
    // 0.1 to 6553.5, the means kept as tenths, then one with two decimals
    // that turns the table into doubles: every value as strtod gives it.
    std::string text = head;
    const int first = jdn(1900, 1, 1);
    for (int t = 1; t <= 65536; ++t) {
        char row[64];
        if (t <= 65535) std::snprintf(row, sizeof row, "%s,OBS,%d.%d\n", isoDay(first + t).c_str(), t / 10, t % 10);
        else std::snprintf(row, sizeof row, "%s,OBS,0.25\n", isoDay(first + t).c_str());
        text += row;
    }
    for (int mixed = 0; mixed < 2; ++mixed) {
        spaceWeather sw;
        const std::string part = mixed ? text : text.substr(0, text.rfind("\n", text.size() - 2) + 1);
        ASSERT_EQ(read(part, sw), weatherStatus::ok);
        ASSERT_EQ(observedDays(sw), mixed ? 65536u : 65535u);
        for (std::size_t k = 0; k < observedDays(sw); ++k) {
            char value[16];
            std::snprintf(value, sizeof value, "%d.%d", static_cast<int>(k + 1) / 10, static_cast<int>(k + 1) % 10);
            const double want = k == 65535 ? 0.25 : std::strtod(value, nullptr);
            ASSERT_EQ(observedDay(sw, k).mean81, want) << value;
        }
    }
}

TEST(SpaceWeather, FilesRefusedWithWhatTheyLack) {
    const struct {
        std::string text;
        weatherStatus status;
        const char* missing;
    } cases[] = {
        {"", weatherStatus::missingColumns, "DATE, F10.7_DATA_TYPE, F10.7_OBS_LAST81"},
        {"DATE,F10.7_OBS,F10.7_DATA_TYPE\n2026-05-01,100.0,OBS\n", weatherStatus::missingColumns,
         "F10.7_OBS_LAST81"},
        {"date,F10.7_DATA_TYPE,F10.7_OBS_LAST81\n", weatherStatus::missingColumns, "DATE"},
        {head + "2026-05-17,PRD,124.0\n2026-06-01,PRM,120.0\n", weatherStatus::noObservedRow, ""},
        {head + "2026-05-17,OBS,\n", weatherStatus::noObservedRow, ""},
    };
    for (const auto& c : cases) {
        spaceWeather sw;
        EXPECT_EQ(read(c.text, sw), c.status) << c.text;
        EXPECT_EQ(sw.missing, c.missing) << c.text;
        EXPECT_EQ(observedDays(sw), 0u);
    }
    spaceWeather sw;
    EXPECT_EQ(loadSpaceWeather(MORVEL_TEST_DATA "/space-weather/no-such-file.csv", sw),
              weatherStatus::cannotOpen);
    EXPECT_EQ(loadSpaceWeather(MORVEL_TEST_DATA, sw), weatherStatus::cannotOpen);  // a directory
}

TEST(SpaceWeather, BadRowsSkippedAndCountedGoodRowsAroundThemKept) {
    // Columns in another order, blanks around fields, a byte-order mark, LF
    // and CRLF line ends, and no line end after the last row.
    const std::string text =
        "\xEF\xBB\xBF F10.7_OBS_LAST81 ,X,DATE,Y,F10.7_DATA_TYPE\r\n"
        "100.5,a, 2026-02-27 ,b, OBS\r\n"  // line 2: read
        "100.6,a,2026-02-30,b,OBS\n"       // 3: no such day
        "100.7,a,2025-02-29,b,OBS\n"       // 4: not a leap year
        "100.8,a,2026-13-01,b,OBS\n"       // 5: no such month
        "100.9,a,26-03-01,b,OBS\n"         // 6: two-digit year
        "\r\n"                             // 7: empty, passed over
        "101.0,a,2026-02-28,b,obs\n"       // 8: unknown data type
        "abc,a,2026-02-28,b,OBS\n"         // 9: flux not a number
        "101.1x,a,2026-02-28,b,OBS\n"      // 10: characters after it
        "-101.2,a,2026-02-28,b,OBS\n"      // 11: not positive
        "1e999,a,2026-02-28,b,INT\n"       // 12: not finite
        "2026-02-28,OBS\n"                 // 13: too few fields
        "101.3,a,2026-02-27,b,OBS\n"       // 14: day already read
        "101.4,a,2026-03-02,b,PRD\n"       // 15: predicted, not used
        "101.5,a,2026-03-01,b,INT";        // 16: read
    spaceWeather sw;
    ASSERT_EQ(read(text, sw), weatherStatus::ok);
    EXPECT_EQ(sw.skipped, 11);
    EXPECT_EQ(sw.firstSkipped, 3);
    EXPECT_EQ(sw.predicted, 1);
    ASSERT_EQ(observedDays(sw), 2u);
    EXPECT_EQ(observedDay(sw, 0).day, jdn(2026, 2, 27));
    EXPECT_EQ(observedDay(sw, 0).mean81, 100.5);
    EXPECT_EQ(observedDay(sw, 1).day, jdn(2026, 3, 1));
    EXPECT_EQ(observedDay(sw, 1).mean81, 101.5);
}

TEST(SpaceWeather, GapTakesTheLastObservedDayBeforeIt) {
    // The second mean is no whole number of tenths: every mean is kept as read.
    spaceWeather sw;
    ASSERT_EQ(read(head + "2026-01-10,OBS,80.0\n2026-01-11,OBS,81.04\n2026-01-15,INT,85.0\n", sw),
              weatherStatus::ok);
    const struct {
        double epoch;
        double flux;
        fluxSource source;
    } cases[] = {
        {jdn(2026, 1, 10) + 0.0, 80.0, fluxSource::observedDay},
        {jdn(2026, 1, 11) + 0.5, 81.04, fluxSource::observedDay},
        {jdn(2026, 1, 12) + 0.5, 81.04, fluxSource::lastObserved},
        {jdn(2026, 1, 15) - 1e-6, 81.04, fluxSource::lastObserved},
        {jdn(2026, 1, 15) + 0.0, 85.0, fluxSource::observedDay},
        {jdn(2026, 1, 16) + 0.0, 85.0, fluxSource::lastObserved},
        {jdn(2026, 1, 10) - 1e-6, 150.0, fluxSource::beforeFile},
    };
    for (const auto& c : cases) {
        const epochFlux f = fluxAt(sw, c.epoch, 150.0);
        EXPECT_EQ(f.flux, c.flux) << "epoch " << c.epoch;
        EXPECT_EQ(f.source, c.source) << "epoch " << c.epoch;
    }
    // Without a file every epoch takes the fallback.
    EXPECT_EQ(fluxAt(spaceWeather{}, jdn(2026, 1, 11), 150.0).flux, 150.0);
}

TEST(SpaceWeather, HeadLongerThanTheReadBufferFound) {
    const auto path = std::filesystem::temp_directory_path() / "morvel-spaceweather-long.csv";
    std::ofstream(path, std::ios::binary)
        << std::string(100000, 'X') << ",DATE,F10.7_DATA_TYPE,F10.7_OBS_LAST81\nx,2026-01-10,OBS,80.0\n";
    spaceWeather sw;
    EXPECT_EQ(loadSpaceWeather(path.c_str(), sw), weatherStatus::ok);
    std::filesystem::remove(path);
    ASSERT_EQ(observedDays(sw), 1u);
    EXPECT_EQ(observedDay(sw, 0).day, jdn(2026, 1, 10));
}

}  // namespace
}  // namespace morvel
