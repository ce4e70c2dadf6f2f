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
#include "geometry.h"
#include "numtext.h"

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
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(decayLine, 0) != 0) continue;
        double ep = 0;
        if (std::sscanf(line.c_str() + std::strlen(decayLine), "%lf", &ep) == 1) s.decay = ep2jd(ep);
    }
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

std::vector<errorLine> readErrors(const std::string& csvPath, std::vector<std::string>& leads) {
    std::vector<errorLine> out;
    leads.clear();
    std::ifstream in(csvPath);
    std::string line;
    if (!std::getline(in, line)) return out;
    auto split = [](const std::string& text) {
        std::vector<std::string> f;
        std::stringstream s(text);
        std::string x;
        while (std::getline(s, x, ',')) f.push_back(x);
        if (!text.empty() && text.back() == ',') f.push_back("");
        return f;
    };
    const std::vector<std::string> head = split(line);
    auto column = [&](const std::string& name) {
        for (std::size_t i = 0; i < head.size(); ++i) if (head[i] == name) return static_cast<int>(i);
        return -1;
    };
    const int cNorad = column("norad"), cName = column("name"), cLead = column("lead_days");
    const int cDrag = column("drag_decay"), cObsFlux = column("flux_obs");
    const int cObs = column("rel_list_obs"), cFixed = column("rel_list_150");
    if (cNorad < 0 || cLead < 0 || cFixed < 0) return out;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = split(line);
        if (static_cast<int>(f.size()) < static_cast<int>(head.size())) continue;
        const std::string object = f[static_cast<std::size_t>(cNorad)] +
                                   (cName >= 0 ? " " + f[static_cast<std::size_t>(cName)] : "");
        const bool obs = cObs >= 0 && cObsFlux >= 0 && !f[static_cast<std::size_t>(cObsFlux)].empty();
        const std::string& relText = f[static_cast<std::size_t>(obs ? cObs : cFixed)];
        double rel = std::numeric_limits<double>::infinity();
        if (!relText.empty()) rel = std::fabs(std::atof(relText.c_str()));
        const std::string& lead = f[static_cast<std::size_t>(cLead)];
        std::size_t li = 0;
        while (li < leads.size() && leads[li] != lead) ++li;
        if (li == leads.size()) leads.push_back(lead);
        if (out.empty() || out.back().object != object) {
            out.push_back({object, cDrag < 0 || f[static_cast<std::size_t>(cDrag)] == "1", {}});
        }
        errorLine& e = out.back();
        if (e.rel.size() <= li) e.rel.resize(li + 1, std::numeric_limits<double>::infinity());
        e.rel[li] = rel;
        if (cDrag >= 0 && f[static_cast<std::size_t>(cDrag)] != "1") e.drag = false;
    }
    return out;
}

figure figureFor(const std::string& output, const std::string& workDir, const std::string& title) {
    namespace fs = std::filesystem;
    const fs::path out(output);
    const fs::path dir = workDir.empty() ? out.parent_path() : fs::path(workDir);
    const fs::path base = dir / out.stem();
    return {output, base.string() + ".gp", base.string(), title};
}

double parseTime(const std::string& text) {
    int y = 0, mo = 0, d = 0, hh = 0, mm = 0;
    const int n = std::sscanf(text.c_str(), "%d-%d-%dT%d:%d", &y, &mo, &d, &hh, &mm);
    if (n != 3 && n != 5) return none;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || hh < 0 || hh > 23 || mm < 0 || mm > 59) return none;
    return cal_julian(date{y, mo, d}) + (hh * 60 + mm) / 1440.0;
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
                            " dt 3 lw 2 title " + quoted(s.label + ", decay " + gnuplotTime(s.decay).substr(0, 16)) +
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

bool writeErrors(const figure& f, const std::vector<errorLine>& lines,
                 const std::vector<std::string>& leads) {
    std::ofstream g(f.script);
    if (!g) return false;
    g << "# Relative error of the decay prediction against lead time; made by morvel-plot.\n"
      << terminalFor(f.output) << "\nset output " << quoted(f.output) << "\n"
      << "set title " << quoted(f.title) << " noenhanced\n";
    if (lines.empty() || leads.empty()) {
        emptyPlot(g, "No predictions in the input");
        return static_cast<bool>(g);
    }
    // Lead times as evenly spaced categories, the largest first.
    g << "set xtics (";
    for (std::size_t i = 0; i < leads.size(); ++i) {
        g << (i ? ", " : "") << quoted(leads[i]) << " " << i;
    }
    g << ")\nset xrange [-0.2:" << leads.size() - 1 << ".2]\nset xlabel \"lead time (days before the real re-entry)\"\n"
      << "set logscale y\nset yrange [0.01:100]\nset ylabel \"|predicted - real| / real remaining time\"\n"
      << "set grid\nset key bottom left box opaque\n";
    // Drag decays and powered descents in two files; a blank line between
    // objects breaks the line, a missing prediction leaves a gap.
    const std::string drag = dataFile(f, 1), powered = dataFile(f, 2);
    std::ofstream od(drag), op(powered);
    if (!od || !op) return false;
    int nd = 0, np = 0;
    for (const errorLine& e : lines) {
        std::ofstream& o = e.drag ? od : op;
        (e.drag ? nd : np) += 1;
        o << "# " << e.object << "\n";
        for (std::size_t i = 0; i < e.rel.size(); ++i) {
            if (std::isinf(e.rel[i]) || std::isnan(e.rel[i])) {
                o << "\n";
                continue;
            }
            // Values off the scale sit at its edge.
            const double v = std::clamp(e.rel[i], 0.01, 100.0);
            o << i << " " << v << "\n";
        }
        o << "\n";
    }
    // An empty file would stop gnuplot: keep one point off the scale.
    if (nd == 0) od << "0 1e-9\n";
    if (np == 0) op << "0 1e-9\n";
    // Median of the drag decays at each lead time, a missing prediction
    // ranking above every error.
    const std::string median = dataFile(f, 3);
    std::ofstream om(median);
    if (!om) return false;
    bool anyMedian = false;
    for (std::size_t i = 0; i < leads.size(); ++i) {
        std::vector<double> v;
        for (const errorLine& e : lines) {
            if (e.drag && i < e.rel.size()) v.push_back(e.rel[i]);
        }
        if (v.empty()) continue;
        std::sort(v.begin(), v.end());
        const double m = v[(v.size() - 1) / 2];
        if (std::isinf(m)) continue;
        om << i << " " << std::clamp(m, 0.01, 100.0) << "\n";
        anyMedian = true;
    }
    if (!anyMedian) om << "0 1e-9\n";
    g << "plot " << quoted(powered) << " using 1:2 with linespoints lc rgb \"#bbbbbb\" pt 7 ps 0.4 title "
      << quoted("powered descent (" + std::to_string(np) + " objects)") << ", \\\n     "
      << quoted(drag) << " using 1:2 with linespoints lc rgb \"#1f77b4\" pt 7 ps 0.4 title "
      << quoted("drag decay (" + std::to_string(nd) + " objects)") << ", \\\n     "
      << quoted(median) << " using 1:2 with linespoints lc rgb \"black\" pt 5 lw 3 title \"median of the drag decays\", \\\n     "
      << "0.2 with lines lc rgb \"#d62728\" dt 2 lw 2 title \"±20 % window\"\n";
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
