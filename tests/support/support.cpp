#include "support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "eloutput.h"
#include "hkcd.h"
#include "muq.h"
#include "scaleheight.h"

namespace morvel::test {

std::vector<element> readSets(const std::string& text, messageSink& sink) {
    std::vector<element> sets;
    if (text.empty()) return sets;  // fmemopen takes no empty buffer
    std::string copy = text;
    std::FILE* in = fmemopen(copy.data(), copy.size(), "r");
    if (in == nullptr) return sets;
    tleReader reader(in, sink);
    for (element e = reader.next(); e.if_valid == 1; e = reader.next()) sets.push_back(e);
    std::fclose(in);
    return sets;
}

element readSet(const std::string& line1, const std::string& line2) {
    const auto sets = readSets(line1 + "\n" + line2 + "\n");
    return sets.size() == 1 ? sets[0] : element{};
}

element iss() { return readSets(issTitle + "\n" + issLine1 + "\n" + issLine2 + "\n").at(0); }

element starlink24() {
    return readSets("STARLINK-24\n"
                    "1 44238U 19029D   22117.37193132  .00065357  00000-0  23695-2 0  9997\n"
                    "2 44238  53.0103 348.8396 0004875 173.9110 186.1948 15.27758012160408\n")
        .at(0);
}

std::vector<std::string> written(const element& e) {
    char* buf = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buf, &size);
    eloutput(out, e);
    std::fclose(out);
    std::istringstream text(std::string(buf, size));
    std::free(buf);
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

// The check digit computed here, not by the engine's checksum, so that a
// fault in that one shows: the digits 1..9 of columns 1-68, 1 for each '-',
// modulo 10.
bool wellFormed(const std::string& line) {
    if (line.size() != 69) return false;
    int sum = 0;
    for (std::size_t k = 0; k < 68; ++k) sum += line[k] == '-' ? 1 : line[k] >= '1' && line[k] <= '9' ? line[k] - '0' : 0;
    return line[68] - '0' == sum % 10;
}

std::string field(const std::string& line, tleColumns f) {
    return line.substr(static_cast<std::size_t>(f.first - 1), static_cast<std::size_t>(f.width));
}

std::string withField(std::string line, tleColumns f, const std::string& text) {
    std::string cell(static_cast<std::size_t>(f.width), ' ');
    cell.replace(cell.size() - text.size(), text.size(), text);
    return line.replace(static_cast<std::size_t>(f.first - 1), cell.size(), cell);
}

std::string tableMessagesOf(const std::function<void()>& f) {
    collectingSink said;
    setTableMessages(&said);
    f();
    setTableMessages(nullptr);
    return said.consoleText();
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string dataFile(const std::string& name) { return fileText(std::string(MORVEL_TEST_DATA) + "/" + name); }

constexpr int jdn1970 = 2440588;  // 1970 January 1, the std::chrono epoch

int chronoJdn(int y, int m, int d) {
    return static_cast<int>(std::chrono::sys_days{std::chrono::year{y} / m / d}.time_since_epoch().count()) + jdn1970;
}

std::string isoDay(int jd) {
    const std::chrono::year_month_day d{std::chrono::sys_days{std::chrono::days{jd - jdn1970}}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(d.year()), unsigned(d.month()), unsigned(d.day()));
    return text;
}

std::uint64_t Rng::next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state ^ (state >> 29);
}

double Rng::uniform(double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(next() >> 11) / 9007199254740992.0;
}

static void defaults() {
    qfix = hfix = 1.0;
    ifHk = 0;
    deltaHk = hk01 = hk1 = hk5 = 0.0;
}
DefaultRun::DefaultRun() { defaults(); }
DefaultRun::~DefaultRun() { defaults(); }

}  // namespace morvel::test
