// The space-weather reader (-W) and the flux it gives an epoch.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <tuple>

#include <unistd.h>

#include "flight.h"
#include "formats/spaceweather.h"
#include "support.h"

namespace morvel {
namespace {

using test::chronoJdn;
using test::isoDay;

weatherStatus read(const std::string& t, spaceWeather& sw) { return readSpaceWeather(t.data(), t.size(), sw); }
const std::string head = "DATE,F10.7_DATA_TYPE,F10.7_OBS_LAST81\n";

TEST(SpaceWeather, EachKindOfEpochTakesItsFlux) {
    // The real file's last rows: observed days 2026 May 10 to 16, five daily and two monthly predictions.
    // And a gap, with a mean that is no whole number of tenths (every mean is kept as read).
    spaceWeather real, gap, none;
    ASSERT_EQ(loadSpaceWeather(MORVEL_TEST_DATA "/space-weather/sw-end-2026-05-16.csv", real), weatherStatus::ok);
    EXPECT_EQ(std::tuple(observedDays(real), real.predicted(), real.skipped()), std::tuple(std::size_t{7}, 7, 0));
    ASSERT_EQ(read(head + "2026-01-10,OBS,80.0\n2026-01-11,OBS,81.04\n2026-01-15,INT,85.0\n", gap), weatherStatus::ok);
    constexpr double may14Mean81 = 125.6, may16Mean81 = 125.4;  // F10.7_OBS_LAST81 of those days
    const int may14 = chronoJdn(2026, 5, 14), may16 = chronoJdn(2026, 5, 16), d10 = chronoJdn(2026, 1, 10), d11 = d10 + 1, d15 = d10 + 5;
    using enum fluxSource;
    const struct { const spaceWeather& sw; double epoch, flux; fluxSource source; int day; } cases[] = {
        {real, may14 + 0.5, may14Mean81, observedDay, may14}, {real, may16 + 0.999, may16Mean81, observedDay, may16},
        {real, chronoJdn(2026, 5, 20) + 0.25, may16Mean81, lastObserved, may16},  // a predicted day, and one far
        {real, chronoJdn(2030, 1, 1) + 0.0, may16Mean81, lastObserved, may16},    // beyond: the last observed mean
        {real, chronoJdn(2026, 5, 10) - 0.001, 99.5, beforeFile, 0}, {real, std::nan(""), 99.5, beforeFile, 0},
        {gap, d10 + 0.0, 80.0, observedDay, d10}, {gap, d11 + 0.5, 81.04, observedDay, d11},
        {gap, d11 + 1.5, 81.04, lastObserved, d11}, {gap, d15 - 1e-6, 81.04, lastObserved, d11},
        {gap, d15 + 0.0, 85.0, observedDay, d15}, {gap, d15 + 1.0, 85.0, lastObserved, d15},
        {gap, d10 - 1e-6, 99.5, beforeFile, 0}, {none, d11 + 0.0, 99.5, beforeFile, 0},
    };
    for (const auto& c : cases) {
        const epochFlux f = fluxAt(c.sw, c.epoch, 99.5);
        EXPECT_TRUE(f.flux == c.flux && f.source == c.source && f.day == c.day)
            << "epoch " << c.epoch << ": got " << f.flux << " from " << static_cast<int>(f.source) << " day " << f.day;
    }
}

TEST(SpaceWeather, PredictedRowsAfterTheObservedDaysAndTheFlightsFlux) {
    // The real file's five daily predictions from May 17 and its monthly ones of August and September
    // (F10.7_OBS_LAST81 125.2 ... 123.7, 119.1, 120.6): each holds until the next, the last for good.
    spaceWeather real;
    ASSERT_EQ(loadSpaceWeather(MORVEL_TEST_DATA "/space-weather/sw-end-2026-05-16.csv", real), weatherStatus::ok);
    const int may16 = chronoJdn(2026, 5, 16), aug1 = chronoJdn(2026, 8, 1), sep1 = chronoJdn(2026, 9, 1);
    constexpr double never = std::numeric_limits<double>::infinity();
    const struct { double day, mean81, next; } cases[] = {
        {may16 + 0.5, -1.0, may16 + 1.0}, {may16 + 1.3, 125.2, may16 + 2.0}, {may16 + 5.9, 123.7, aug1 + 0.0},
        {chronoJdn(2026, 7, 15) + 0.0, 123.7, aug1 + 0.0}, {aug1 + 0.0, 119.1, sep1 + 0.0},
        {chronoJdn(2030, 1, 1) + 0.5, 120.6, never}, {std::nan(""), -1.0, may16 + 1.0}};
    for (const auto& c : cases) {
        const prediction p = predictedOn(real, c.day);
        EXPECT_TRUE(p.mean81 == c.mean81 && p.next == c.next) << c.day << ": " << p.mean81 << " until " << p.next;
    }
    // Rows among the observed ones, out of order or without a mean are counted, not kept.
    spaceWeather mixed;
    ASSERT_EQ(read(head + "2026-01-10,OBS,80.0\n2026-01-11,PRD,90.0\n2026-01-12,OBS,82.0\n2026-01-13,PRD,91.0\n"
                          "2026-01-14,PRM,x\n2026-01-13,PRD,95.0\n",
                   mixed),
              weatherStatus::ok);
    const int jan12 = chronoJdn(2026, 1, 12);
    EXPECT_EQ(mixed.predicted(), 4);
    EXPECT_EQ(predictedOn(mixed, jan12 + 0.5).mean81, -1.0);
    EXPECT_EQ(predictedOn(mixed, jan12 + 30.0).mean81, 91.0);
    EXPECT_EQ(predictedOn(mixed, jan12 + 30.0).next, never);
    // A flight takes the predicted flux where there is one, else the one its set knew; without a file -F.
    const fluxPlan withFile{&real, 150}, without{nullptr, 140};
    EXPECT_EQ(knownFlux(withFile, may16 + 20.0), 125.4);
    EXPECT_EQ(knownFlux(withFile, may16 - 400.0), 150.0);
    EXPECT_EQ(flightFlux(withFile, 111.0, may16 + 0.5), 111.0);
    EXPECT_EQ(flightFlux(withFile, 111.0, aug1 + 3.0), 119.1);
    EXPECT_EQ(flightFlux(without, 111.0, aug1 + 3.0), 140.0);
    EXPECT_EQ(knownFlux(without, aug1 + 3.0), 140.0);
}

TEST(SpaceWeather, EveryDayOfTwoCenturiesReadAsChronoCountsIt) {
    // A head longer than the file's read buffer, then a row a day.
    const int first = chronoJdn(1900, 1, 1), rows = chronoJdn(2100, 1, 1) - first;
    std::string text = std::string(100000, 'X') + ",DATE,F10.7_DATA_TYPE,F10.7_OBS_LAST81\r\n";
    for (int k = 0; k < rows; ++k) text += "x," + isoDay(first + k) + ",OBS," + std::to_string(60 + k % 200) + ".5\r\n";
    const auto path = std::filesystem::temp_directory_path() / ("morvel-spaceweather-days-" + std::to_string(::getpid()) + ".csv");
    std::ofstream(path, std::ios::binary) << text;
    spaceWeather sw;
    const weatherStatus status = loadSpaceWeather(path.c_str(), sw);
    std::filesystem::remove(path);
    ASSERT_EQ(status, weatherStatus::ok);
    ASSERT_TRUE(observedDays(sw) == static_cast<std::size_t>(rows) && sw.skipped() == 0) << observedDays(sw);
    for (int k = 0; k < rows; ++k) {
        const fluxDay d = observedDay(sw, static_cast<std::size_t>(k));
        const epochFlux f = fluxAt(sw, first + k + 0.75, 0.0);
        ASSERT_TRUE(d.day == first + k && d.mean81 == 60 + k % 200 + 0.5 && f.day == d.day && f.flux == d.mean81)
            << "row " << k << ": day " << d.day << ", mean " << d.mean81 << ", flux " << f.flux << " of day " << f.day;
    }
}

TEST(SpaceWeather, EveryOneDecimalMeanReadAsStrtodReadsIt) {
    // 0.1 to 6553.5, kept as tenths; then again with a last mean of two decimals (a table of doubles).
    std::string text = head;
    auto tenths = [](int t) { return std::to_string(t / 10) + "." + std::to_string(t % 10); };
    for (int t = 1; t <= 65535; ++t) text += isoDay(chronoJdn(1900, 1, 1) + t) + ",OBS," + tenths(t) + "\n";
    for (const bool last : {false, true}) {
        spaceWeather sw;
        const std::string all = last ? text + isoDay(chronoJdn(1900, 1, 1) + 65536) + ",OBS,0.25\n" : text;
        ASSERT_TRUE(read(all, sw) == weatherStatus::ok && observedDays(sw) == 65535u + last);
        for (int t = 1; t <= 65535; ++t)
            ASSERT_EQ(observedDay(sw, t - 1).mean81, std::strtod(tenths(t).c_str(), nullptr)) << tenths(t);
        EXPECT_TRUE(!last || observedDay(sw, 65535).mean81 == 0.25);
    }
}

TEST(SpaceWeather, FilesRefusedWithWhatTheyLack) {
    const struct { std::string text; weatherStatus status; const char* missing; } cases[] = {
        {"", weatherStatus::missingColumns, "DATE, F10.7_DATA_TYPE, F10.7_OBS_LAST81"},
        {"DATE,F10.7_OBS,F10.7_DATA_TYPE\n2026-05-01,100.0,OBS\n", weatherStatus::missingColumns, "F10.7_OBS_LAST81"},
        {"date,F10.7_DATA_TYPE,F10.7_OBS_LAST81\n", weatherStatus::missingColumns, "DATE"},
        {head + "2026-05-17,PRD,124.0\n2026-06-01,PRM,120.0\n", weatherStatus::noObservedRow, ""},
        {head + "2026-05-17,OBS,\n", weatherStatus::noObservedRow, ""},
        {head + "2026-05-17,OBS,100.0000000000000000000000000000\n", weatherStatus::noObservedRow, ""},  // too long
    };
    for (const auto& c : cases) {
        spaceWeather sw;
        EXPECT_TRUE(read(c.text, sw) == c.status && sw.missing() == c.missing && observedDays(sw) == 0)
            << c.text << ": missing \"" << sw.missing() << "\"";
    }
    spaceWeather sw;  // of two columns of one name, the first is read
    EXPECT_EQ(read("DATE,F10.7_DATA_TYPE,F10.7_OBS_LAST81,DATE\n2026-01-10,OBS,80.0,x\n", sw), weatherStatus::ok);
    EXPECT_EQ(loadSpaceWeather(MORVEL_TEST_DATA "/space-weather/no-such-file.csv", sw), weatherStatus::cannotOpen);
    EXPECT_EQ(loadSpaceWeather(MORVEL_TEST_DATA, sw), weatherStatus::cannotOpen);  // a directory
}

TEST(SpaceWeather, BadRowsSkippedAndCountedGoodRowsAroundThemKept) {
    const std::string text =  // a byte-order mark, columns in another order, blanks around fields, LF and CRLF
        "\xEF\xBB\xBF F10.7_OBS_LAST81 ,X,DATE,Y,F10.7_DATA_TYPE\r\n"
        "100.5,a, 2026-02-27 ,b, OBS\r\n"                          // line 2: read
        "100.6,a,2026-02-30,b,OBS\n" "100.7,a,2025-02-29,b,OBS\n"  // 3, 4: no such day, not a leap year
        "100.8,a,2026-13-01,b,OBS\n" "100.9,a,26-03-01,b,OBS\n"    // 5, 6: no such month, two-digit year
        "\r\n" "101.0,a,2026-02-28,b,obs\n"                        // 7: empty, passed over; 8: unknown type
        "abc,a,2026-02-28,b,OBS\n" "101.1x,a,2026-02-28,b,OBS\n"  // 9, 10: flux not a number, characters after it
        "-101.2,a,2026-02-28,b,OBS\n" "1e999,a,2026-02-28,b,INT\n" // 11, 12: flux not positive, not finite
        "2026-02-28,OBS\n" "101.3,a,2026-02-27,b,OBS\n"            // 13, 14: too few fields, day already read
        "101.4,a,2026-03-02,b,PRD\n" "101.4,a,2026-02-30,b,PRD\n"  // 15: predicted, not used; 16: no such day
        "101.5,a,2026-03-01,b,INT";                                // 17: read, no line end
    spaceWeather sw;
    ASSERT_EQ(read(text, sw), weatherStatus::ok);
    EXPECT_EQ(std::tuple(sw.skipped(), sw.firstSkipped(), sw.predicted()), std::tuple(12, 3L, 1));  // first skipped: line 3
    EXPECT_TRUE(observedDays(sw) == 2 && observedDay(sw, 0).day == chronoJdn(2026, 2, 27) &&
                observedDay(sw, 0).mean81 == 100.5 && observedDay(sw, 1).day == chronoJdn(2026, 3, 1) &&
                observedDay(sw, 1).mean81 == 101.5) << observedDays(sw);
}

TEST(SpaceWeather, TheLoaderNamesWhatKeepsAFileFromUseAndTheRowsItSkipped) {
    const auto path = std::filesystem::temp_directory_path() / ("morvel-sw-messages-" + std::to_string(::getpid()) + ".csv");
    const struct { std::string text; weatherStatus status; messageKind kind; long line; const char* said; } cases[] = {
        {"DATE,F10.7_DATA_TYPE\n", weatherStatus::missingColumns, messageKind::refused, 0, "has no column F10.7_OBS_LAST81\n"},
        {head + "2026-05-17,PRD,1.0\n", weatherStatus::noObservedRow, messageKind::refused, 0, "has no observed row"},
        {head + "2026-05-17,OBS,1.0\nx\n2026-05-18,OBS,\n", weatherStatus::ok, messageKind::rowsSkipped, 3,
         ": 2 rows skipped (date, data type or 81-day flux unreadable, or day out of order), the first on line 3\n"},
    };
    for (const auto& c : cases) {
        std::ofstream(path, std::ios::binary) << c.text;
        spaceWeather sw;
        collectingSink said;
        EXPECT_EQ(loadSpaceWeather(path.c_str(), sw, said), c.status) << c.text;
        ASSERT_EQ(said.messages().size(), 1u) << c.text;
        const collectingSink::kept& m = said.messages()[0];
        EXPECT_TRUE(m.kind == c.kind && m.line == c.line && m.file == path.string()) << m.text;
        EXPECT_NE(m.text.find(path.string() + (c.said[0] == ':' ? "" : " ") + c.said), std::string::npos) << m.text;
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace morvel
