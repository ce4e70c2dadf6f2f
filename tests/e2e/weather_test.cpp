// The flux a set takes from a space-weather file (-W), checked from outside
// the program: for a set of each kind (an observed epoch, an epoch past the
// observed rows, an epoch before the file) the flux the decay list shows is
// the file's 81-day mean of the last observed day up to the epoch's day,
// found here by text in the file, and the decay list row, the report's
// prediction and the equator-crossing set are what -F with that flux gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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
constexpr const char* fallback = "120";

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

// The F10.7_OBS_LAST81 text of the last OBS or INT row dated up to `iso`
// (ISO dates compare as text); empty when the file starts later.
std::string fileFlux(const std::string& iso) {
    const std::vector<std::string> lines = split(readFile(weather), '\n');
    const std::vector<std::string> head = split(lines[0], ',');
    auto column = [&](const char* name) { return std::find(head.begin(), head.end(), name) - head.begin(); };
    const auto date = column("DATE"), type = column("F10.7_DATA_TYPE"), mean = column("F10.7_OBS_LAST81");
    std::string flux;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::vector<std::string> f = split(lines[k], ',');
        if (f[date] <= iso && (f[type] == "OBS" || f[type] == "INT")) flux = f[mean];
    }
    return flux;
}

// The civil date YYYY-MM-DD of an epoch YYDDD.ddd as the decay list prints it.
std::string isoDate(const std::string& epoch) {
    using namespace std::chrono;
    const int yy = std::stoi(epoch.substr(0, 2));
    const int doy = std::stoi(epoch.substr(2, 3));
    const year_month_day d{sys_days{year{yy < 57 ? 2000 + yy : 1900 + yy} / January / 1} + days{doy - 1}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                  static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
    return text;
}

struct run {
    std::string console;
    fs::path dir;
};

// morvel with `args` on `set` (three lines) in a fresh directory, `typed` at
// the console.
run morvel(const std::string& name, const std::string& set, const std::string& args,
           const std::string& typed) {
    const fs::path dir = fs::temp_directory_path() / ("morvel-weather-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "set.tle") << set;
    fs::copy_file(weather, dir / "sw.csv");
    std::ofstream(dir / "typed") << typed;
    const std::string cmd = "cd '" + dir.string() + "' && '" MORVEL_BIN "' " + args +
                            " set.tle < typed > console 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return {readFile(dir / "console"), dir};
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
    const char* kinds[] = {"past", "observed", "before"};
    const char* sourceLines[] = {"  (81-day mean to the last observed day before the epoch, 2026 May 5,",
                                 "  (81-day mean to the epoch's day, 2026 May 4,",
                                 "  (the epoch is before the first day, 2026 February 1,"};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(kinds[k]);
        const std::string set = all[3 * k] + "\n" + all[3 * k + 1] + "\n" + all[3 * k + 2] + "\n";
        const run w = morvel(std::string(kinds[k]) + "-w", set,
                             std::string("-Wsw.csv -F") + fallback + " -L1e9 -P0", "rep.txt\n\n");
        const std::vector<std::string> wRow = row(w.console);
        ASSERT_EQ(wRow.size(), 9u) << w.console;  // number .. decay, flux, (year month day)
        std::string want = fileFlux(isoDate(wRow[3]));
        if (want.empty()) want = fallback;
        EXPECT_EQ(std::stod(wRow[5]), std::stod(want)) << "row: " << w.console;

        const run f = morvel(std::string(kinds[k]) + "-f", set, "-F" + want + " -L1e9 -P0", "rep.txt\n\n");
        const std::vector<std::string> fRow = row(f.console);
        ASSERT_EQ(fRow.size(), 8u) << f.console;
        for (int c : {0, 1, 2, 3, 4}) EXPECT_EQ(wRow[c], fRow[c]);
        for (int c : {6, 7, 8}) EXPECT_EQ(wRow[c], fRow[c - 1]);
        const std::string wReport = readFile(w.dir / "rep.txt"), fReport = readFile(f.dir / "rep.txt");
        EXPECT_NE(lineWith(wReport, "Decays after"), "");
        EXPECT_EQ(lineWith(wReport, "Decays after"), lineWith(fReport, "Decays after"));
        EXPECT_EQ(lineWith(wReport, "  10.8 cm flux"), lineWith(fReport, "  10.8 cm flux"));
        EXPECT_NE(lineWith(wReport, sourceLines[k]), "") << wReport;

        const run we = morvel(std::string(kinds[k]) + "-we", set, std::string("-Wsw.csv -F") + fallback + " -E", "\n");
        const run fe = morvel(std::string(kinds[k]) + "-fe", set, "-F" + want + " -E", "\n");
        const std::string eqx = readFile(we.dir / "set.eqx");
        EXPECT_NE(eqx, "");
        EXPECT_EQ(eqx, readFile(fe.dir / "set.eqx"));
        for (const fs::path& d : {w.dir, f.dir, we.dir, fe.dir}) fs::remove_all(d);
    }
}

}  // namespace
