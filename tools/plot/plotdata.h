// Pictures of decays: apogee and perigee heights against date from element
// files and evolution reports, the relative errors of the validation run
// against lead time, and the gnuplot script and data that draw them.
#pragma once

#include <string>
#include <vector>

namespace morvel::plot {

// Time or decay that does not exist.
inline constexpr double none = -1.0;

// One element set of an input: its epoch (day number) and the heights in km
// of its apogee and perigee, from its mean motion and eccentricity as the
// element writer computes them for a title line (before the cut to whole km).
struct point {
    double t;
    double apogee;
    double perigee;
};

// All sets of one input in the order of the file, and the decay time of an
// evolution report ("Final decay at" line), none without one.
struct series {
    std::string label;
    std::vector<point> points;
    double decay;
};

// Reads an element file or an evolution report. A file that cannot be read,
// or holds no sets, gives no points.
series readSeries(const std::string& path, const std::string& label);

// Date and time of day number `t` as gnuplot reads it: YYYY-MM-DDTHH:MM:SS.
std::string gnuplotTime(double t);

// One line of the error figure: an object's |relative error| by lead time.
struct errorLine {
    std::string object;
    bool drag;
    std::vector<double> rel;  // one per lead time of the run; infinite where missing
};

// Reads the validation CSV: one line per object, with the relative error of
// the decay-list estimate (observed flux when the run had it, else flux 150).
// `leads` receives the lead-time labels in the order of the file.
std::vector<errorLine> readErrors(const std::string& csvPath, std::vector<std::string>& leads);

// The files of one figure: output image, gnuplot script and data files, made
// from the output name and a working directory.
struct figure {
    std::string output;   // .png or .svg
    std::string script;   // the .gp file
    std::string dataBase; // data files are dataBase-N.dat
    std::string title;
};

figure figureFor(const std::string& output, const std::string& workDir, const std::string& title);

// A time marked by a vertical line, such as a catalogued re-entry.
struct mark {
    double t;
    std::string label;
};

// Writes the data files and the script of a height figure of `inputs`
// overlaid, with the decay time of each that has one and the `marks`; false
// when a file cannot be written.
bool writeHeights(const figure& f, const std::vector<series>& inputs,
                  const std::vector<mark>& marks = {});

// Day number of YYYY-MM-DD or YYYY-MM-DDTHH:MM; none for other text.
double parseTime(const std::string& text);

// Writes the data files and the script of the error figure.
bool writeErrors(const figure& f, const std::vector<errorLine>& lines,
                 const std::vector<std::string>& leads);

// Path of the program `name` on PATH, empty when it is not there.
std::string findProgram(const std::string& name);

// Runs `gnuplotPath` on the script; its exit status, or -1 when it could not
// be started.
int runGnuplot(const std::string& gnuplotPath, const figure& f);

}  // namespace morvel::plot
