// The flux a set takes from a space-weather file (-W), checked from outside
// the program: for a set of each kind (an observed epoch, an epoch past the
// observed rows, an epoch before the file) the flux the decay list shows is
// the file's 81-day mean of the last observed day up to the epoch's day (or
// -F before the file), and the decay list row, the report's prediction and
// the equator-crossing set are what -F with that flux gives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "support.h"

namespace fs = std::filesystem;

namespace {

std::string lineWith(const std::string& text, const std::string& start) {
    const std::size_t at = text.find(start);
    return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
}

struct run {
    std::vector<std::string> row;  // the words of the decay list's row
    std::string report, eqx;
};

// In a fresh directory holding `set` and the space-weather file, morvel
// with `args` and -L1e9 -P0 (one set: evolved at once, its report rep.txt
// holding the head alone), then with `args` and -E.
run runMorvel(const std::string& name, const std::string& set, const std::string& args) {
    const fs::path dir = fs::temp_directory_path() / ("morvel-weather-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "set.tle") << set;
    fs::copy_file(fs::path(MORVEL_TEST_DATA) / "space-weather/sw-2026-05-05.csv", dir / "sw.csv");
    const std::string bin = "'" MORVEL_BIN "' " + args;
    const std::string cmd = "cd '" + dir.string() + "' && echo rep.txt | " + bin + " -L1e9 -P0 set.tle > console 2>&1 && " +
                            bin + " -E set.tle < /dev/null > /dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    run r{{}, morvel::test::fileText(dir / "rep.txt"), morvel::test::fileText(dir / "set.eqx")};
    const std::string console = morvel::test::fileText(dir / "console");
    const std::size_t start = console.find('\n', console.find("Elset")) + 1;  // the row under the header
    std::istringstream row(console.substr(start, console.find('\n', start) - start));
    for (std::string w; row >> w;) r.row.push_back(w);
    fs::remove_all(dir);
    return r;
}

TEST(WeatherFlux, EachKindOfSetTakesTheFilesFluxAndDecaysAsWithThatFixedFlux) {
    std::istringstream sets(morvel::test::fileText(fs::path(MORVEL_CASES) / "weather-list-and-reports-of-each-kind/files/sets.tle"));
    // The sets' epochs: 2026 May 7, after the file's last day (May 5, whose
    // F10.7_OBS_LAST81 is 125.6); May 4 (125.5); 2022 May 3, before its
    // first day (February 1), which takes -F.
    const struct { const char* flux; const char* source; } kinds[] = {
        {"125.6", "  (81-day mean to the last observed day before the epoch, 2026 May 5,"},
        {"125.5", "  (81-day mean to the epoch's day, 2026 May 4,"},
        {"120.0", "  (the epoch is before the first day, 2026 February 1,"}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.source);
        std::string set, line;
        for (int n = 0; n < 3 && std::getline(sets, line); ++n) set += line + "\n";
        run w = runMorvel("w", set, "-Wsw.csv -F120.0"), f = runMorvel("f", set, std::string("-F") + k.flux);
        // number .. decay, flux, (year month day); -F shows no flux column.
        ASSERT_TRUE(w.row.size() == 9 && f.row.size() == 8);
        EXPECT_EQ(w.row[5], k.flux);
        w.row.erase(w.row.begin() + 5);
        EXPECT_EQ(w.row, f.row);
        EXPECT_NE(lineWith(w.report, "Decays after"), "");
        for (const char* same : {"Decays after", "  10.8 cm flux"})
            EXPECT_EQ(lineWith(w.report, same), lineWith(f.report, same));
        EXPECT_NE(lineWith(w.report, k.source), "") << w.report;
        EXPECT_TRUE(!w.eqx.empty() && w.eqx == f.eqx);
    }
}

}  // namespace
