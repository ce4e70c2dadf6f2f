#include "plotdata.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

#include "cal.h"
#include "elinput.h"
#include "formats/text.h"
#include "geometry.h"
#include "numtext.h"
#include "validation.h"

namespace morvel::plot {

namespace {

constexpr char decayLine[] = "Final decay at";

// Terminal line of the script for the output's kind.
std::string terminalFor(const std::string& output) {
    const std::size_t dot = output.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : output.substr(dot);
    if (ext == ".svg") return "set terminal svg size 1000,600 dynamic enhanced font 'sans,12'";
    return "set terminal pngcairo size 1000,600 enhanced font 'sans,11'";
}

// A text in double quotes for gnuplot, quotes and backslashes escaped.
std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string dataFile(const figure& f, int k) { return f.dataBase + "-" + std::to_string(k) + ".dat"; }

// The script when there is nothing to draw: a frame with a note, so that an
// empty input still gives an image and no gnuplot error.
void emptyPlot(std::ostream& g, const std::string& note) {
    g << "unset xtics\nunset ytics\nset label 1 " << quoted(note) << " at graph 0.5, 0.5 center\n"
      << "plot [0:1] [0:1] 2 notitle\n";
}

}  // namespace

series readSeries(const std::string& path, const std::string& label) {
    series s{label, {}, none};
    std::FILE* fp = std::fopen(path.c_str(), "r");
    if (fp == nullptr) return s;
    for (element e = elinput(fp); e.if_valid == 1; e = elinput(fp)) {
        const orbitSize h = heights(e.n, e.ecc);
        s.points.push_back({e.epoch, h.apogee, h.perigee});
    }
    std::fclose(fp);
    // The decay line of a report: the time in the epoch form.
    std::FILE* report = std::fopen(path.c_str(), "rb");
    if (report == nullptr) return s;
    text::lineSource lines(report);
    while (lines.next()) {
        const std::string line(lines.text());
        if (line.rfind(decayLine, 0) != 0) continue;
        double ep = 0;
        if (std::sscanf(line.c_str() + std::strlen(decayLine), "%lf", &ep) == 1) s.decay = ep2jd(ep);
    }
    std::fclose(report);
    return s;
}

std::string gnuplotTime(double t) {
    const int jd = truncInt(t);
    const date c = cal_civil(jd);
    long sec = std::lround((t - jd) * 86400.0);
    if (sec > 86399) sec = 86399;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02ld:%02ld:%02ld", c.year, c.month, c.day,
                  sec / 3600, sec / 60 % 60, sec % 60);
    return text;
}

namespace {

using validation::columnOf;
using validation::distinct;
using validation::fieldOf;
using validation::isoTime;
using validation::parseUtc;

constexpr double inf = std::numeric_limits<double>::infinity();

}  // namespace

std::vector<errorPoint> readErrors(const std::string& csvPath, std::vector<std::string>& leads) {
    std::vector<errorPoint> out;
    leads.clear();
    const validation::csvTable table = validation::readCsvTable(csvPath);
    const std::vector<std::string>& head = table.head;
    if (!table.read) return out;
    // The fixed flux's column is named by that flux (rel_list_150, ...).
    std::size_t cFixed = head.size();
    for (std::size_t c = 0; c < head.size() && cFixed == head.size(); ++c) {
        if (head[c].rfind("rel_list_", 0) == 0 && head[c] != "rel_list_obs") cFixed = c;
    }
    const std::size_t cKind = columnOf(head, {"kind"}), cDrag = columnOf(head, {"drag_decay"}),
                      cLead = columnOf(head, {"lead", "lead_days"}), cObsFlux = columnOf(head, {"flux_obs"}),
                      cObs = columnOf(head, {"rel_list_obs"});
    if (cLead == head.size() || cFixed == head.size()) return out;
    for (const validation::csvTable::line& line : table.rows) {
        const std::vector<std::string>& f = line.fields;
        if (f.size() < head.size()) continue;
        const bool obs = cObs < head.size() && !fieldOf(f, cObsFlux).empty();
        const std::string relText = fieldOf(f, obs ? cObs : cFixed);
        const std::string kind = fieldOf(f, cKind);
        out.push_back({kind.empty() ? "all objects" : kind, fieldOf(f, cLead),
                       cDrag == head.size() || fieldOf(f, cDrag) == "1",
                       relText.empty() ? inf : std::fabs(std::atof(relText.c_str()))});
    }
    leads = distinct(out, &errorPoint::lead);
    return out;
}

spread spreadOf(const std::vector<double>& v) {
    spread s{static_cast<int>(v.size()), {}};
    for (std::size_t i = 0; i < std::size(spreadLevels); ++i) s.q[i] = validation::quantile(v, spreadLevels[i]);
    return s;
}

figure figureFor(const std::string& output, const std::string& workDir, const std::string& title) {
    namespace fs = std::filesystem;
    const fs::path out(output);
    const fs::path dir = workDir.empty() ? out.parent_path() : fs::path(workDir);
    const fs::path base = dir / out.stem();
    return {output, base.string() + ".gp", base.string(), title};
}

bool writeHeights(const figure& f, const std::vector<series>& inputs, const std::vector<mark>& marks) {
    std::ofstream g(f.script);
    if (!g) return false;
    g << "# Apogee and perigee heights against date; made by morvel-plot.\n"
      << terminalFor(f.output) << "\nset output " << quoted(f.output) << "\n"
      << "set title " << quoted(f.title) << " noenhanced\n";
    std::size_t total = 0;
    for (const series& s : inputs) total += s.points.size();
    if (total == 0) {
        emptyPlot(g, "No element sets in the input");
        return static_cast<bool>(g);
    }
    g << "set xdata time\nset timefmt \"%Y-%m-%dT%H:%M:%S\"\nset format x \"%Y-%m-%d\"\n"
      << "set xtics rotate by -30\nset ylabel \"height (km)\"\nset grid\nset key bottom left box opaque\n";
    std::vector<std::string> plots;
    int k = 0;
    double top = 0;
    for (const series& s : inputs) {
        for (const point& p : s.points) top = std::max(top, p.apogee);
    }
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const series& s = inputs[i];
        if (s.points.empty()) continue;
        const std::string d = dataFile(f, ++k);
        std::ofstream o(d);
        if (!o) return false;
        o << "# date apogee_km perigee_km of " << s.label << "\n";
        for (const point& p : s.points) {
            char row[64];
            std::snprintf(row, sizeof row, " %.3f %.3f\n", p.apogee, p.perigee);
            o << gnuplotTime(p.t) << row;
        }
        const int lt = static_cast<int>(i) + 1;
        plots.push_back(quoted(d) + " using 1:2 with lines lt " + std::to_string(lt) + " lw 1.5 title " +
                        quoted(s.label + ", apogee") + " noenhanced");
        plots.push_back(quoted(d) + " using 1:3 with lines lt " + std::to_string(lt) +
                        " dt 2 lw 1.5 title " + quoted(s.label + ", perigee") + " noenhanced");
        if (s.decay > 0) {
            // The decay time as a vertical line from the ground to the top.
            const std::string m = dataFile(f, ++k);
            std::ofstream o2(m);
            if (!o2) return false;
            o2 << gnuplotTime(s.decay) << " 0\n" << gnuplotTime(s.decay) << " " << top << "\n";
            plots.push_back(quoted(m) + " using 1:2 with lines lt " + std::to_string(lt) +
                            " dt 3 lw 2 title " + quoted(s.label + ", decay " + isoTime(s.decay)) +
                            " noenhanced");
        }
    }
    for (const mark& mk : marks) {
        const std::string m = dataFile(f, ++k);
        std::ofstream o(m);
        if (!o) return false;
        o << gnuplotTime(mk.t) << " 0\n" << gnuplotTime(mk.t) << " " << top << "\n";
        plots.push_back(quoted(m) + " using 1:2 with lines lc rgb \"black\" dt 4 lw 2 title " +
                        quoted(mk.label) + " noenhanced");
    }
    g << "plot ";
    for (std::size_t i = 0; i < plots.size(); ++i) g << (i ? ", \\\n     " : "") << plots[i];
    g << "\n";
    return static_cast<bool>(g);
}

namespace {

// The error figure's scale: values beyond it, missing predictions included,
// sit at its edges.
constexpr double lowest = 0.01, highest = 100.0;

// Terminal and output of a figure of `panels` panels stacked, `panelHeight`
// pixels each.
void panelsHead(std::ostream& g, const figure& f, int panelHeight, std::size_t panels) {
    const int height = 60 + panelHeight * static_cast<int>(std::max<std::size_t>(panels, 1));
    const std::string term = terminalFor(f.output);
    g << term.substr(0, term.find(" size ")) << " size 1000," << height << " enhanced font 'sans,10'\n"
      << "set output " << quoted(f.output) << "\n";
}

double onScale(double v) { return std::isnan(v) ? highest : std::clamp(v, lowest, highest); }

}  // namespace

bool writeErrors(const figure& f, const std::vector<errorPoint>& points, const std::vector<std::string>& leads) {
    const std::vector<std::string> kinds = distinct(points, &errorPoint::kind);
    std::ofstream g(f.script);
    if (!g) return false;
    g << "# Relative error of the decay prediction against lead time, by kind; made by morvel-plot.\n";
    panelsHead(g, f, 300, kinds.size());
    if (kinds.empty() || leads.empty()) {
        g << "set title " << quoted(f.title) << " noenhanced\n";
        emptyPlot(g, "No predictions in the input");
        return static_cast<bool>(g);
    }
    g << "set multiplot layout " << kinds.size() << ",1 title " << quoted(f.title) << " noenhanced\n"
      << "set xtics (";
    for (std::size_t i = 0; i < leads.size(); ++i) g << (i ? ", " : "") << quoted(leads[i]) << " " << i;
    g << ")\nset xrange [-0.6:" << leads.size() - 1 << ".6]\n"
      << "set logscale y\nset yrange [" << lowest * 0.4 << ":" << highest * 1.6 << "]\nset ytics (\"1 %%\" 0.01, \"10 %%\" 0.1, "
         "\"100 %%\" 1, \"1000 %%\" 10, \"no decay\" 100)\n"
      << "set ylabel \"|predicted - real| / real remaining time\"\nset grid ytics\nset key outside top center horizontal "
         "font ',9'\nset boxwidth 0.28\nset style fill solid 0.35 border\n";
    int k = 0;
    for (std::size_t ki = 0; ki < kinds.size(); ++ki) {
        const std::string& kind = kinds[ki];
        bool powered = false;
        for (const errorPoint& p : points) powered = powered || (p.kind == kind && !p.drag);
        // Series of the panel: drag decays and all, or one when nothing is powered.
        struct panelSeries {
            const char* name;
            bool dragOnly;
            double shift;
            const char* colour;
        };
        std::vector<panelSeries> ser;
        if (powered) ser = {{"drag decay", true, -0.16, "#1f77b4"}, {"all, powered included", false, 0.16, "#999999"}};
        else ser = {{"all (no powered phase)", false, 0.0, "#1f77b4"}};
        std::vector<std::string> plots;
        for (const panelSeries& se : ser) {
            const std::string boxes = dataFile(f, ++k), few = dataFile(f, ++k);
            std::ofstream ob(boxes), of(few);
            if (!ob || !of) return false;
            ob << "# x n q10 q25 q50 q75 q90 of " << kind << ", " << se.name << "\n";
            bool anyFew = false;
            for (std::size_t li = 0; li < leads.size(); ++li) {
                std::vector<double> v;
                for (const errorPoint& p : points) {
                    if (p.kind == kind && p.lead == leads[li] && (!se.dragOnly || p.drag)) v.push_back(p.rel);
                }
                if (v.empty()) continue;
                const spread sp = spreadOf(v);
                const double x = static_cast<double>(li) + se.shift;
                char row[160];
                std::snprintf(row, sizeof row, "%.2f %d %g %g %g %g %g\n", x, sp.n, onScale(sp.q[0]),
                              onScale(sp.q[1]), onScale(sp.q[2]), onScale(sp.q[3]), onScale(sp.q[4]));
                ob << row;
                if (sp.n >= fewPoints) continue;
                for (double r : v) {
                    std::snprintf(row, sizeof row, "%.2f %g\n", x, onScale(r));
                    of << row;
                    anyFew = true;
                }
            }
            // An empty file would stop gnuplot: keep one point off the scale.
            if (!anyFew) of << "0 1e-9\n";
            const std::string c = std::string("lc rgb \"") + se.colour + "\"";
            plots.push_back(quoted(boxes) + " using 1:4:3:7:6 with candlesticks whiskerbars 0.5 " + c +
                            " title " + quoted(std::string(se.name) + ": 25-75 % box, 10-90 % bars"));
            plots.push_back(quoted(boxes) + " using 1:5:5:5:5 with candlesticks lc rgb \"black\" lw 2 notitle");
            plots.push_back(quoted(few) + " using 1:2 with points pt 6 ps 0.6 " + c + " notitle");
            plots.push_back(quoted(boxes) + " using 1:(" + std::to_string(lowest * 0.55) +
                            "):(sprintf(\"%d\", $2)) with labels font ',9' tc rgb \"" + se.colour + "\" notitle");
        }
        g << "set title " << quoted(kind + ": median (black line), spread, and the number of objects at each lead (bottom)") << " noenhanced\n"
          << "plot ";
        for (std::size_t i = 0; i < plots.size(); ++i) g << plots[i] << ", \\\n     ";
        g << "0.2 with lines lc rgb \"#d62728\" dt 2 lw 1.5 title \"±20 % window\"\n";
    }
    g << "unset multiplot\n";
    return static_cast<bool>(g);
}

std::vector<campaignPoint> readCampaigns(const std::string& csvPath) {
    std::vector<campaignPoint> out;
    const validation::csvTable table = validation::readCsvTable(csvPath);
    const std::vector<std::string>& head = table.head;
    if (!table.read) return out;
    const std::size_t cNorad = columnOf(head, {"norad"}), cName = columnOf(head, {"name"}),
                      cSource = columnOf(head, {"source"}), cIssued = columnOf(head, {"issued_utc"}),
                      cSet = columnOf(head, {"set_epoch"}), cPred = columnOf(head, {"predicted_utc"}),
                      cMinus = columnOf(head, {"window_minus_h"}), cPlus = columnOf(head, {"window_plus_h"}),
                      cReal = columnOf(head, {"real_reentry"});
    for (const validation::csvTable::line& line : table.rows) {
        const std::vector<std::string>& f = line.fields;
        campaignPoint p{fieldOf(f, cNorad) + " " + fieldOf(f, cName), fieldOf(f, cSource), parseUtc(fieldOf(f, cReal)),
                        std::nan(""), 0, 0, 0};
        const double predicted = parseUtc(fieldOf(f, cPred));
        if (p.real < 0 || predicted < 0 || p.source.empty()) continue;
        const double issued = parseUtc(fieldOf(f, p.source == "morvel-every-set" ? cSet : cIssued));
        if (issued >= 0) p.issued = (issued - p.real) * 24;
        p.predicted = (predicted - p.real) * 24;
        p.minus = std::atof(fieldOf(f, cMinus).c_str());
        p.plus = std::atof(fieldOf(f, cPlus).c_str());
        out.push_back(p);
    }
    return out;
}

bool writeCampaigns(const figure& f, const std::vector<campaignPoint>& points) {
    const std::vector<std::string> objects = distinct(points, &campaignPoint::object);
    std::ofstream g(f.script);
    if (!g) return false;
    g << "# Published re-entry forecasts and Morvel's against issue time; made by morvel-plot.\n";
    panelsHead(g, f, 330, objects.size());
    if (objects.empty()) {
        g << "set title " << quoted(f.title) << " noenhanced\n";
        emptyPlot(g, "No forecasts in the input");
        return static_cast<bool>(g);
    }
    g << "set multiplot layout " << objects.size() << ",1 title " << quoted(f.title) << " noenhanced\n"
      << "set xlabel \"issue time (Morvel: the set's epoch), hours from the real re-entry\"\n"
      << "set ylabel \"predicted - real re-entry (h)\"\nset grid\nset key outside right top box opaque font ',9'\n";
    int k = 0;
    for (const std::string& ob : objects) {
        const std::string pub = dataFile(f, ++k), mor = dataFile(f, ++k), every = dataFile(f, ++k);
        std::ofstream op(pub), om(mor), oe(every);
        if (!op || !om || !oe) return false;
        int unknown = 0, np = 0, nm = 0, ne = 0;
        double real = 0, left = 0;
        for (const campaignPoint& p : points) {
            if (p.object != ob) continue;
            real = p.real;
            if (std::isnan(p.issued)) {
                unknown += p.source == "published" ? 1 : 0;
                continue;
            }
            left = std::min(left, p.issued);
            char row[128];
            std::snprintf(row, sizeof row, "%g %g %g %g\n", p.issued, p.predicted, p.predicted - p.minus,
                          p.predicted + p.plus);
            const bool published = p.source == "published", morvel = p.source == "morvel";
            (published ? op : morvel ? om : oe) << row;
            ++(published ? np : morvel ? nm : ne);
        }
        // gnuplot needs a point in every file: an undefined one draws nothing.
        if (np == 0) op << "NaN NaN NaN NaN\n";
        if (nm == 0) om << "NaN NaN NaN NaN\n";
        if (ne == 0) oe << "NaN NaN NaN NaN\n";
        const double pad = std::max(1.0, -left * 0.05);
        std::string title = ob + ", real re-entry " + isoTime(real) + " UTC";
        if (unknown > 0) {
            title += " (" + std::to_string(unknown) + (unknown == 1 ? " forecast" : " forecasts") +
                     " without issue time: in the table only)";
        }
        g << "set title " << quoted(title) << " noenhanced\nset xrange [" << left - pad << ":" << pad << "]\n"
          << "set autoscale y\n"
          << "plot " << quoted(every) << " using 1:2 with linespoints lc rgb \"#aaaaaa\" pt 7 ps 0.4 title "
          << "\"Morvel, every set\", \\\n     "
          << quoted(pub) << " using 1:2:3:4 with yerrorbars lc rgb \"#d62728\" pt 7 ps 1 lw 1.5 title "
          << "\"published, with window\", \\\n     "
          << quoted(mor) << " using ($1+" << pad * 0.3 << "):2:3:4 with yerrorbars lc rgb \"#1f77b4\" pt 5 ps 1 "
          << "lw 1.5 title \"Morvel at the issue time, ±20 %\", \\\n     "
          << "0 with lines lc rgb \"black\" lw 2 title \"real re-entry\"\n";
    }
    g << "unset multiplot\n";
    return static_cast<bool>(g);
}

std::vector<timelineRow> readTimeline(const std::string& csvPath) {
    std::vector<timelineRow> out;
    const validation::csvTable table = validation::readCsvTable(csvPath);
    const std::vector<std::string>& head = table.head;
    if (!table.read) return out;
    const std::size_t cNorad = columnOf(head, {"NORAD_CAT_ID"}), cName = columnOf(head, {"OBJECT_NAME"}),
                      cEpoch = columnOf(head, {"EPOCH"}), cDecay = columnOf(head, {"DECAY_EPOCH"}),
                      cEarliest = columnOf(head, {"DECAY_EARLIEST"}), cLatest = columnOf(head, {"DECAY_LATEST"}),
                      cDescent = columnOf(head, {"DESCENT"});
    for (const validation::csvTable::line& line : table.rows) {
        const std::vector<std::string>& f = line.fields;
        timelineRow r{fieldOf(f, cNorad) + " " + fieldOf(f, cName), parseUtc(fieldOf(f, cEpoch)),
                      parseUtc(fieldOf(f, cDecay)), parseUtc(fieldOf(f, cEarliest)), parseUtc(fieldOf(f, cLatest)),
                      fieldOf(f, cDescent) == "thrust"};
        if (r.epoch < 0 || r.decay < 0 || r.earliest < 0 || r.latest < 0) continue;
        out.push_back(r);
    }
    std::stable_sort(out.begin(), out.end(), [](const timelineRow& a, const timelineRow& b) { return a.decay < b.decay; });
    return out;
}

bool writeTimeline(const figure& f, const std::vector<timelineRow>& rows, const std::vector<mark>& marks) {
    std::ofstream g(f.script);
    if (!g) return false;
    g << "# Decay list as a timeline: each object's window and predicted decay; made by morvel-plot.\n";
    if (rows.empty()) {
        g << terminalFor(f.output) << "\nset output " << quoted(f.output) << "\nset title " << quoted(f.title)
          << " noenhanced\n";
        emptyPlot(g, "No listed sets in the input");
        return static_cast<bool>(g);
    }
    // The figure grows with the list: a few pixels a row, named rows wider.
    const bool named = rows.size() <= namedRows;
    const int height = 160 + static_cast<int>(rows.size()) * (named ? 14 : 5);
    const std::string term = terminalFor(f.output);
    g << term.substr(0, term.find(" size ")) << " size 1000," << height << " enhanced font 'sans,10'\n"
      << "set output " << quoted(f.output) << "\nset title " << quoted(f.title) << " noenhanced\n"
      << "set xdata time\nset timefmt \"%Y-%m-%dT%H:%M:%S\"\nset format x \"%Y-%m-%d\"\nset xtics rotate by -30\n"
      << "set grid xtics\nset key outside top center horizontal\nset yrange [-1:" << rows.size() << "]\n"
      << "set ylabel \"listed objects, by predicted decay\"\n";
    if (named) {
        g << "set ytics (";
        for (std::size_t i = 0; i < rows.size(); ++i) g << (i ? ", " : "") << quoted(std::string(rows[i].label)) << " " << i;
        g << ") font ',8' noenhanced\n";
    } else {
        g << "set ytics 50\n";
    }
    double day = 0;
    const std::string drag = dataFile(f, 1), thrust = dataFile(f, 2);
    std::ofstream od(drag), ot(thrust);
    if (!od || !ot) return false;
    int nd = 0, nt = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const timelineRow& r = rows[i];
        day = std::max(day, r.epoch);
        (r.thrust ? ot : od) << gnuplotTime(r.decay) << " " << i << " " << gnuplotTime(r.earliest) << " "
                             << gnuplotTime(r.latest) << "\n";
        ++(r.thrust ? nt : nd);
    }
    // gnuplot needs a point in every file: an undefined one draws nothing.
    if (nd == 0) od << "NaN NaN NaN NaN\n";
    if (nt == 0) ot << "NaN NaN NaN NaN\n";
    std::vector<mark> lines = {{day, "the list's day (latest epoch) " + isoTime(day)}};
    lines.insert(lines.end(), marks.begin(), marks.end());
    std::vector<std::string> plots = {
        quoted(drag) + " using 1:2:3:4 with xerrorbars lc rgb \"#1f77b4\" pt 7 ps 0.5 title \"drag: predicted decay, "
                       "earliest to latest (" + std::to_string(nd) + ")\"",
        quoted(thrust) + " using 1:2:3:4 with xerrorbars lc rgb \"#bbbbbb\" pt 6 ps 0.4 title \"thrust (" +
            std::to_string(nt) + ")\""};
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::string m = dataFile(f, static_cast<int>(k) + 3);
        std::ofstream o(m);
        if (!o) return false;
        o << gnuplotTime(lines[k].t) << " -1\n" << gnuplotTime(lines[k].t) << " " << rows.size() << "\n";
        plots.push_back(quoted(m) + " using 1:2 with lines lc rgb \"black\" dt " + (k == 0 ? "1" : "4") +
                        " lw 1.5 title " + quoted(std::string(lines[k].label)) + " noenhanced");
    }
    g << "plot ";
    for (std::size_t i = 0; i < plots.size(); ++i) g << (i ? ", \\\n     " : "") << plots[i];
    g << "\n";
    return static_cast<bool>(g);
}

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return {};
    std::stringstream s(path);
    std::string dir;
    while (std::getline(s, dir, ':')) {
        if (dir.empty()) continue;
        const std::string p = dir + "/" + name;
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IXUSR)) return p;
    }
    return {};
}

int runGnuplot(const std::string& gnuplotPath, const figure& f) {
    const std::string cmd = "'" + gnuplotPath + "' '" + f.script + "'";
    const int status = std::system(cmd.c_str());
    if (status == -1) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
    return -1;
}

}  // namespace morvel::plot
