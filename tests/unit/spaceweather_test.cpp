// The space-weather reader and the flux of an epoch: a real excerpt with its
// reference values, every day of two centuries against std::chrono, every
// one-decimal mean against strtod, refused files, skipped rows and gaps.
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

// Julian Day Number of a civil date and "YYYY-MM-DD" of one, from
// std::chrono's day count (1970 January 1 is day 2440588).
int jdn(int y, unsigned m, unsigned d) {
    using namespace std::chrono;
    return static_cast<int>(sys_days{year{y} / month{m} / day{d}}.time_since_epoch().count()) + 2440588;
}
std::string isoDay(int jd) {
    const std::chrono::year_month_day d{std::chrono::sys_days{std::chrono::days{jd - 2440588}}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                  static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
    return text;
}

weatherStatus read(const std::string& text, spaceWeather& sw) {
    return readSpaceWeather(text.data(), text.size(), sw);
}

const std::string head = "DATE,F10.7_DATA_TYPE,F10.7_OBS_LAST81\n";

struct lookupCase {
    double epoch;
    double flux;
    fluxSource source;
    int day;
};

void expectLookups(const spaceWeather& sw, double fallback, std::initializer_list<lookupCase> cases) {
    for (const lookupCase& c : cases) {
        const epochFlux f = fluxAt(sw, c.epoch, fallback);
        EXPECT_EQ(f.flux, c.flux) << "epoch " << c.epoch;
        EXPECT_EQ(f.source, c.source) << "epoch " << c.epoch;
        EXPECT_EQ(f.day, c.day) << "epoch " << c.epoch;
    }
}

// The last rows of the real file (sw-end-2026-05-16.csv): observed days
// 2026 May 10 to 16, five daily and two monthly predictions.
constexpr double may14Mean81 = 125.6;  // F10.7_OBS_LAST81 of 2026-05-14
constexpr double may16Mean81 = 125.4;  // of 2026-05-16, the last observed day

TEST(SpaceWeather, RealExcerptGivesEachKindOfEpochItsFlux) {
    spaceWeather sw;
    ASSERT_EQ(loadSpaceWeather(MORVEL_TEST_DATA "/space-weather/sw-end-2026-05-16.csv", sw), weatherStatus::ok);
    EXPECT_EQ(observedDays(sw), 7u);
    EXPECT_EQ(sw.predicted, 7);
    EXPECT_EQ(sw.skipped, 0);
    const int may14 = jdn(2026, 5, 14), may16 = jdn(2026, 5, 16);
    expectLookups(sw, 99.5,
                  {{may14 + 0.5, may14Mean81, fluxSource::observedDay, may14},
                   {may16 + 0.999, may16Mean81, fluxSource::observedDay, may16},
                   // A predicted day, and one far beyond the predictions: the last observed mean.
                   {jdn(2026, 5, 20) + 0.25, may16Mean81, fluxSource::lastObserved, may16},
                   {jdn(2030, 1, 1) + 0.0, may16Mean81, fluxSource::lastObserved, may16},
                   {jdn(2026, 5, 10) - 0.001, 99.5, fluxSource::beforeFile, 0},
                   {std::nan(""), 99.5, fluxSource::beforeFile, 0}});
}

TEST(SpaceWeather, EveryDayOfTwoCenturiesReadAsChronoCountsIt) {
    // A head longer than the file's read buffer, then a row a day.
    const int first = jdn(1900, 1, 1), rows = jdn(2100, 1, 1) - first;
    std::string text = std::string(100000, 'X') + ",DATE,F10.7_DATA_TYPE,F10.7_OBS_LAST81\r\n";
    for (int k = 0; k < rows; ++k) text += "x," + isoDay(first + k) + ",OBS," + std::to_string(60 + k % 200) + ".5\r\n";
    const auto path = std::filesystem::temp_directory_path() / "morvel-spaceweather-days.csv";
    std::ofstream(path, std::ios::binary) << text;
    spaceWeather sw;
    ASSERT_EQ(loadSpaceWeather(path.c_str(), sw), weatherStatus::ok);
    std::filesystem::remove(path);
    ASSERT_EQ(observedDays(sw), static_cast<std::size_t>(rows));
    EXPECT_EQ(sw.skipped, 0);
    for (int k = 0; k < rows; ++k) {
        const fluxDay d = observedDay(sw, static_cast<std::size_t>(k));
        ASSERT_EQ(d.day, first + k) << "row " << k;
        ASSERT_EQ(d.mean81, 60 + k % 200 + 0.5) << "row " << k;
        const epochFlux f = fluxAt(sw, first + k + 0.75, 0.0);
        ASSERT_EQ(f.day, first + k);
        ASSERT_EQ(f.flux, d.mean81);
    }
}

TEST(SpaceWeather, EveryOneDecimalMeanReadAsStrtodReadsIt) {
    // 0.1 to 6553.5, kept as tenths; then, with a last mean of two decimals
    // that turns the table into doubles, the same again.
    std::string text = head;
    const int first = jdn(1900, 1, 1);
    for (int t = 1; t <= 65535; ++t) {
        text += isoDay(first + t) + ",OBS," + std::to_string(t / 10) + "." + std::to_string(t % 10) + "\n";
    }
    for (const std::string& last : {std::string(), isoDay(first + 65536) + ",OBS,0.25\n"}) {
        spaceWeather sw;
        ASSERT_EQ(read(text + last, sw), weatherStatus::ok);
        ASSERT_EQ(observedDays(sw), last.empty() ? 65535u : 65536u);
        for (int t = 1; t <= 65535; ++t) {
            const std::string value = std::to_string(t / 10) + "." + std::to_string(t % 10);
            ASSERT_EQ(observedDay(sw, t - 1).mean81, std::strtod(value.c_str(), nullptr)) << value;
        }
        if (!last.empty()) {
            EXPECT_EQ(observedDay(sw, 65535).mean81, 0.25);
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
    EXPECT_EQ(loadSpaceWeather(MORVEL_TEST_DATA "/space-weather/no-such-file.csv", sw), weatherStatus::cannotOpen);
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
    ASSERT_EQ(read(head + "2026-01-10,OBS,80.0\n2026-01-11,OBS,81.04\n2026-01-15,INT,85.0\n", sw), weatherStatus::ok);
    const int d10 = jdn(2026, 1, 10), d11 = d10 + 1, d15 = d10 + 5;
    expectLookups(sw, 150.0,
                  {{d10 + 0.0, 80.0, fluxSource::observedDay, d10},
                   {d11 + 0.5, 81.04, fluxSource::observedDay, d11},
                   {d11 + 1.5, 81.04, fluxSource::lastObserved, d11},
                   {d15 - 1e-6, 81.04, fluxSource::lastObserved, d11},
                   {d15 + 0.0, 85.0, fluxSource::observedDay, d15},
                   {d15 + 1.0, 85.0, fluxSource::lastObserved, d15},
                   {d10 - 1e-6, 150.0, fluxSource::beforeFile, 0}});
    // Without a file every epoch takes the fallback.
    EXPECT_EQ(fluxAt(spaceWeather{}, d11, 150.0).flux, 150.0);
}

}  // namespace
}  // namespace morvel
