// morvel-plot: apogee and perigee heights against date from element files
// and evolution reports, several overlaid; with --errors the validation
// run's relative errors against lead time by kind; with --campaigns the
// published re-entry forecasts beside Morvel's. Writes a gnuplot script and its
// data and runs gnuplot when it is installed.
#include <getopt.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "plotdata.h"

using namespace morvel::plot;

namespace {

void usage() {
    std::printf(
        "usage: morvel-plot [-o OUT.png|OUT.svg] [--title TEXT] [--work DIR]\n"
        "                   [--mark YYYY-MM-DD[THH:MM]=LABEL]... FILE[=LABEL]...\n"
        "       morvel-plot --errors validation.csv [-o OUT.png] [--title TEXT] [--work DIR]\n"
        "       morvel-plot --campaigns validation-campaigns.csv [-o OUT.png] [--title TEXT] [--work DIR]\n"
        "       morvel-plot --timeline LIST.csv [-o OUT.png] [--title TEXT] [--work DIR] [--mark ...]\n"
        "  FILE is an element file or an evolution report; LABEL names it in the key.\n"
        "  LIST.csv is a decay list written by morvel --csv: one bar per object.\n"
        "  The script (OUT.gp) and data (OUT-N.dat) go to DIR, by default beside OUT.\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::string out = "morvel-plot.png", title, work, errors, campaigns, timeline;
    std::vector<std::string> inputs;
    std::vector<mark> marks;
    enum { titleOpt = 256, workOpt, errorsOpt, campaignsOpt, timelineOpt, markOpt };  // beyond every character
    static const option longOptions[] = {
        {"title", required_argument, nullptr, titleOpt},   {"work", required_argument, nullptr, workOpt},
        {"errors", required_argument, nullptr, errorsOpt}, {"campaigns", required_argument, nullptr, campaignsOpt},
        {"timeline", required_argument, nullptr, timelineOpt},
        {"mark", required_argument, nullptr, markOpt},     {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0}};
    opterr = 0;  // the usage says what is wrong
    // "-" first: the files stay in their order among the options.
    for (int c; (c = getopt_long(argc, argv, "-o:h", longOptions, nullptr)) != -1;) {
        switch (c) {
            case 1:
                inputs.push_back(optarg);
                break;
            case 'o':
                out = optarg;
                break;
            case titleOpt:
                title = optarg;
                break;
            case workOpt:
                work = optarg;
                break;
            case errorsOpt:
                errors = optarg;
                break;
            case campaignsOpt:
                campaigns = optarg;
                break;
            case timelineOpt:
                timeline = optarg;
                break;
            case markOpt: {
                const std::string m = optarg;
                const std::size_t eq = m.find('=');
                const double t = morvel::validation::parseUtc(m.substr(0, eq));
                if (t < 0) {
                    std::printf("morvel-plot: not a date: %s\n", m.c_str());
                    return 2;
                }
                marks.push_back({t, eq == std::string::npos ? m : m.substr(eq + 1)});
                break;
            }
            case 'h':
                usage();
                return 0;
            default:
                usage();
                return 2;
        }
    }
    if (errors.empty() && campaigns.empty() && timeline.empty() && inputs.empty()) {
        usage();
        return 2;
    }
    if (!work.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(work, ec);
    }
    bool written = false;
    figure f;
    if (!errors.empty()) {
        f = figureFor(out, work, title.empty() ? "Decay prediction error against lead time" : title);
        std::vector<std::string> leads;
        written = writeErrors(f, readErrors(errors, leads), leads);
    } else if (!timeline.empty()) {
        f = figureFor(out, work, title.empty() ? "Decay list: predicted decay and its window" : title);
        written = writeTimeline(f, readTimeline(timeline), marks);
    } else if (!campaigns.empty()) {
        f = figureFor(out, work, title.empty() ? "Re-entry forecasts against issue time" : title);
        written = writeCampaigns(f, readCampaigns(campaigns));
    } else {
        std::vector<series> all;
        for (const std::string& in : inputs) {
            const std::size_t eq = in.find('=');
            const std::string path = in.substr(0, eq);
            const std::string label =
                eq == std::string::npos ? std::filesystem::path(path).filename().string() : in.substr(eq + 1);
            all.push_back(readSeries(path, label));
            if (all.back().points.empty()) std::printf("morvel-plot: no element sets in %s\n", path.c_str());
        }
        f = figureFor(out, work, title.empty() ? "Apogee and perigee height" : title);
        written = writeHeights(f, all, marks);
    }
    if (!written) {
        std::printf("morvel-plot: cannot write the script %s or its data\n", f.script.c_str());
        return 1;
    }
    const std::string gnuplot = findProgram("gnuplot");
    if (gnuplot.empty()) {
        std::printf(
            "morvel-plot: gnuplot is not installed, so no image was drawn. The script %s and its data\n"
            "are written; install gnuplot (Debian: apt-get install gnuplot-nox) and run: gnuplot %s\n",
            f.script.c_str(), f.script.c_str());
        return 0;
    }
    const int status = runGnuplot(gnuplot, f);
    if (status != 0) {
        std::printf("morvel-plot: gnuplot failed (status %d) on %s\n", status, f.script.c_str());
        return 1;
    }
    std::printf("morvel-plot: wrote %s\n", out.c_str());
    return 0;
}
