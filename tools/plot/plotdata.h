// Pictures of decays: apogee and perigee heights against date from element
// files and evolution reports, the relative errors of the validation run
// against lead time, and the gnuplot script and data that draw them.
#pragma once

#include <string>
#include <vector>

#include "validation.h"

namespace morvel::plot {

// Time or decay that does not exist.
using validation::none;

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

// One prediction of the validation CSV: the kind of its object, its lead
// time's label, whether it is a drag decay, and the absolute relative error
// of the decay-list estimate (observed flux when the run had it, else flux
// 150; infinite where no decay was predicted).
struct errorPoint {
    std::string kind;
    std::string lead;
    bool drag;
    double rel;
};

// Reads the validation CSV. `leads` receives the lead-time labels in the
// order of their first appearance. A file without the columns of a lead and
// an error gives nothing; one without kinds puts every row under one kind.
std::vector<errorPoint> readErrors(const std::string& csvPath, std::vector<std::string>& leads);

// The spread of a sample: its size and its 10, 25, 50, 75 and 90 % quantiles
// by nearest rank (missing predictions rank above every error).
struct spread {
    int n;
    double q[5];
};
inline constexpr double spreadLevels[] = {0.10, 0.25, 0.50, 0.75, 0.90};
spread spreadOf(const std::vector<double>& v);

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

// Writes the data files and the script of the error figure: one panel per
// kind, and at each lead time the median, the 25-75 % and 10-90 % ranges and
// the count of the drag decays and of all predictions; samples of fewer than
// `fewPoints` also show every point.
inline constexpr int fewPoints = 10;
bool writeErrors(const figure& f, const std::vector<errorPoint>& points, const std::vector<std::string>& leads);

// One row of the campaign CSV of the validation: a published forecast, or
// Morvel's beside it, or Morvel's from one set (`source` published, morvel,
// morvel-every-set). Times are hours from the real re-entry; `issued` is
// NaN when not known (the set's epoch for every-set rows).
struct campaignPoint {
    std::string object;   // "norad name"
    std::string source;
    double real;          // day number of the real re-entry
    double issued;        // h
    double predicted;     // h
    double minus, plus;   // window, h; 0 without one
};

// Reads the campaign CSV; rows that do not parse are skipped.
std::vector<campaignPoint> readCampaigns(const std::string& csvPath);

// Writes the data files and the script of the campaign figure: one panel per
// object, predicted re-entry against issue time (both from the real
// re-entry), windows as bars, the real re-entry as a line.
bool writeCampaigns(const figure& f, const std::vector<campaignPoint>& points);

// One row of a decay list written as CSV (morvel --csv): the object, its
// epoch, predicted decay and window (day numbers) and whether its descent is
// thrust.
struct timelineRow {
    std::string label;  // "norad name"
    double epoch;
    double decay;
    double earliest;
    double latest;
    bool thrust;
};

// Reads a CSV decay list, rows in the order of their predicted decay; rows
// whose dates do not read are skipped.
std::vector<timelineRow> readTimeline(const std::string& csvPath);

// Writes the data files and the script of the timeline of a decay list: one
// bar per object from its earliest to its latest date with its predicted
// decay marked, drag and thrust in two colours, the list's day (its latest
// epoch) and the `marks` as vertical lines. Objects are named on the axis up
// to `namedRows`.
inline constexpr std::size_t namedRows = 80;
bool writeTimeline(const figure& f, const std::vector<timelineRow>& rows, const std::vector<mark>& marks = {});

// Path of the program `name` on PATH, empty when it is not there.
std::string findProgram(const std::string& name);

// Runs `gnuplotPath` on the script; its exit status, or -1 when it could not
// be started.
int runGnuplot(const std::string& gnuplotPath, const figure& f);

}  // namespace morvel::plot
