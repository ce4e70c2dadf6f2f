// The flux a set takes from a space-weather file (-W), checked from outside
// the program: for a set of each kind (an observed epoch, an epoch past the
// observed rows, an epoch before the file) the flux the decay list shows is
// the file's 81-day mean of the last observed day up to the epoch's day (or
// -F before the file), and the decay list row, the report's prediction and
// the equator-crossing set are what -F with that flux gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path sets = fs::path(MORVEL_CASES) / "weather-list-and-reports-of-each-kind/files/sets.tle";
const fs::path weather = fs::path(MORVEL_TEST_DATA) / "space-weather/sw-2026-05-05.csv";
constexpr const char* fallback = "120.0";

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> split(const std::string& line, char at) {
    std::vector<std::string> out;
    std::istringstream s(line);
    for (std::string f; std::getline(s, f, at);) {
        if (!f.empty() && f.back() == '\r') f.pop_back();
        out.push_back(f);
    }
    return out;
}

// A fresh directory holding `set` (three lines) and the space-weather file,
// where morvel runs first with `args` and -L1e9 -P0 (one set: evolved at
// once, its report rep.txt holding the head alone), then with `args` and -E.
// The console of the first run.
std::string morvel(const fs::path& dir, const std::string& set, const std::string& args) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "set.tle") << set;
    std::ofstream(dir / "typed") << "rep.txt\n";
    fs::copy_file(weather, dir / "sw.csv");
    const std::string in = "cd '" + dir.string() + "' && '" MORVEL_BIN "' " + args;
    const std::string cmd = in + " -L1e9 -P0 set.tle < typed > console 2>&1 && " + in +
                            " -E set.tle < /dev/null > /dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return readFile(dir / "console");
}

// The words of the decay list row of the console (the line after the header).
std::vector<std::string> row(const std::string& console) {
    const std::size_t start = console.find('\n', console.find("Elset")) + 1;
    std::istringstream s(console.substr(start, console.find('\n', start) - start));
    std::vector<std::string> words;
    for (std::string w; s >> w;) words.push_back(w);
    return words;
}

std::string lineWith(const std::string& text, const std::string& start) {
    const std::size_t at = text.find(start);
    if (at == std::string::npos) return "";
    return text.substr(at, text.find('\n', at) - at);
}

TEST(WeatherFlux, EachKindOfSetTakesTheFilesFluxAndDecaysAsWithThatFixedFlux) {
    const std::vector<std::string> all = split(readFile(sets), '\n');
    ASSERT_EQ(all.size(), 9u);
    // The sets' epochs: 2026 May 7, after the file's last day (May 5, whose
    // F10.7_OBS_LAST81 is 125.6); May 4 (125.5); 2022 May 3, before its
    // first day (February 1).
    const char* kinds[] = {"past", "observed", "before"};
    const char* fileFlux[] = {"125.6", "125.5", fallback};
    const char* sourceLines[] = {"  (81-day mean to the last observed day before the epoch, 2026 May 5,",
                                 "  (81-day mean to the epoch's day, 2026 May 4,",
                                 "  (the epoch is before the first day, 2026 February 1,"};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(kinds[k]);
        const std::string set = all[3 * k] + "\n" + all[3 * k + 1] + "\n" + all[3 * k + 2] + "\n";
        const fs::path w = fs::temp_directory_path() / "morvel-weather-w", f = fs::temp_directory_path() / "morvel-weather-f";
        const std::vector<std::string> wRow = row(morvel(w, set, std::string("-Wsw.csv -F") + fallback));
        ASSERT_EQ(wRow.size(), 9u);  // number .. decay, flux, (year month day)
        const std::string want = fileFlux[k];
        EXPECT_EQ(wRow[5], want);

        const std::vector<std::string> fRow = row(morvel(f, set, "-F" + want));
        ASSERT_EQ(fRow.size(), 8u);
        for (int c : {0, 1, 2, 3, 4}) EXPECT_EQ(wRow[c], fRow[c]);
        for (int c : {6, 7, 8}) EXPECT_EQ(wRow[c], fRow[c - 1]);
        const std::string wReport = readFile(w / "rep.txt"), fReport = readFile(f / "rep.txt");
        EXPECT_NE(lineWith(wReport, "Decays after"), "");
        EXPECT_EQ(lineWith(wReport, "Decays after"), lineWith(fReport, "Decays after"));
        EXPECT_EQ(lineWith(wReport, "  10.8 cm flux"), lineWith(fReport, "  10.8 cm flux"));
        EXPECT_NE(lineWith(wReport, sourceLines[k]), "") << wReport;
        EXPECT_NE(readFile(w / "set.eqx"), "");
        EXPECT_EQ(readFile(w / "set.eqx"), readFile(f / "set.eqx"));
        fs::remove_all(w);
        fs::remove_all(f);
    }
}

}  // namespace
