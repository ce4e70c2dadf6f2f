// What the tests share: element sets made from TLE text by the engine's own
// reader, the real sets they start from, the writer's lines, a day count
// independent of the engine's calendar, one random generator, and the
// messages of the physics tables.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "elinput.h"

namespace morvel::test {

// ISS (ZARYA) of the 2026 May 7 catalogue, its title padded as published.
// Inline, so that they are made before any test's own constants of them.
inline const std::string issTitle = "ISS (ZARYA)             ";
inline const std::string issLine1 =
    "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993";
inline const std::string issLine2 =
    "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437";

// Every set the reader accepts from `text`, in order, its messages to
// `sink`; the one set of two lines (if_valid 0 when the reader takes none).
std::vector<element> readSets(const std::string& text, messageSink& sink = console());
element readSet(const std::string& line1, const std::string& line2);
// ISS, and STARLINK-24 (44238) of 2022 April 27, 180 days before re-entry.
element iss();
element starlink24();

// The three lines the writer gives `e`, without their line feeds.
std::vector<std::string> written(const element& e);
// True for a line of 69 columns whose last is its check digit.
bool wellFormed(const std::string& line);

// Field `f` of `line`, and `line` with field `f` replaced by `text`
// right-aligned in it.
std::string field(const std::string& line, tleColumns f);
std::string withField(std::string line, tleColumns f, const std::string& text);

// The console texts of the messages the physics tables report while `f`
// runs (collected, not printed); a file, and a file of tests/data, whole.
std::string tableMessagesOf(const std::function<void()>& f);
std::string fileText(const std::string& path);
std::string dataFile(const std::string& name);

// Julian Day Number of a Gregorian date, and "YYYY-MM-DD" of a day number,
// counted by std::chrono (whose 1970 January 1 is day 2440588).
int chronoJdn(int y, int m, int d);
std::string isoDay(int jd);

// A fixed 64-bit linear congruential sequence: the same inputs every run.
struct Rng {
    std::uint64_t state;
    std::uint64_t next();
    double uniform(double lo, double hi);
};

// The run parameters of the evolution (Q, scale-height factor, transition
// region) at their defaults while it lives, and again after.
struct DefaultRun {
    DefaultRun();
    ~DefaultRun();
};

}  // namespace morvel::test
