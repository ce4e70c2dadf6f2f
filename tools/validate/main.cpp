// morvel-validate: Morvel's predictions from real histories of re-entered
// objects against their real re-entries, and beside the forecasts that the
// re-entry campaigns published. Writes one CSV row per object and lead time,
// one per campaign forecast, and a Markdown report with the accuracy by kind
// (report.h builds and writes them).
#include <getopt.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/messages.h"
#include "report.h"

using namespace morvel;
using namespace morvel::validation;

namespace {

void usage(std::FILE* fp) {
    std::fprintf(fp,
        "usage: morvel-validate [--data DIR] [--flux F] [--flux-file FILE] [--csv FILE] [--md FILE]\n"
        "                       [--campaigns-csv FILE] [--window-table FILE]\n"
        "                       [--snapshots DIR --screening-md FILE]\n"
        "  Writes only the outputs named, at least one: the rows (--csv), the report (--md),\n"
        "  the campaign rows (--campaigns-csv; with --csv, by default its name with -campaigns\n"
        "  before .csv), the window table, the screening evidence.\n"
        "  --window-table writes the windows of the screened decay list, both ways, as C++\n"
        "  (include/windowtable.inc); --screening-md the evidence for the drag limit from the\n"
        "  histories and the catalogue snapshots (*.tle, and space-weather.csv) of DIR\n"
        "  DIR holds reentries.csv (columns norad, name, decay_utc as YYYY-MM-DD or\n"
        "  YYYY-MM-DDTHH:MM, optional kind and powered_until), one element file\n"
        "  <norad>-*.tle per object in DIR or DIR/reentry, and optionally\n"
        "  campaign-predictions.csv (default tools/validate/data)\n"
        "  F is the fixed flux (default 150); FILE is a space-weather file (CelesTrak\n"
        "  SW-All.csv form): each set gets the 81-day mean flux of its epoch's day\n");
}

// `a` as a shell reads it: in single quotes when it holds anything but
// plain name characters.
std::string shellWord(const std::string& a) {
    constexpr char plain[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_./=+-:,@%";
    if (!a.empty() && a.find_first_not_of(plain) == std::string::npos) return a;
    std::string out = "'";
    for (char c : a) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The command line into `o`; false for a usage error (no output named
// among them). `help` when --help was asked.
bool parse(int argc, char** argv, reportOptions& o, bool& help) {
    o.command = "morvel-validate";
    for (int i = 1; i < argc; ++i) o.command += " " + shellWord(argv[i]);
    enum { data = 1, flux, fluxFile, csv, md, campaignsCsv, windowTable, snapshots, screeningMd, helpOpt };
    static const option longOptions[] = {
        {"data", required_argument, nullptr, data},         {"flux", required_argument, nullptr, flux},
        {"flux-file", required_argument, nullptr, fluxFile}, {"csv", required_argument, nullptr, csv},
        {"md", required_argument, nullptr, md},             {"campaigns-csv", required_argument, nullptr, campaignsCsv},
        {"window-table", required_argument, nullptr, windowTable},
        {"snapshots", required_argument, nullptr, snapshots},
        {"screening-md", required_argument, nullptr, screeningMd},
        {"help", no_argument, nullptr, helpOpt},
        {nullptr, 0, nullptr, 0}};
    opterr = 0;  // the usage says what is wrong
    for (int c; (c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1;) {
        switch (c) {
            case data:
                o.data = optarg;
                break;
            case flux:
                if (std::sscanf(optarg, "%lf", &o.flux) != 1 || !(o.flux > 0)) return false;
                break;
            case fluxFile:
                o.fluxFile = optarg;
                break;
            case csv:
                o.csv = optarg;
                break;
            case md:
                o.md = optarg;
                break;
            case campaignsCsv:
                o.campaignCsv = optarg;
                break;
            case windowTable:
                o.windowTable = optarg;
                break;
            case snapshots:
                o.snapshots = optarg;
                break;
            case screeningMd:
                o.screeningMd = optarg;
                break;
            case helpOpt:
                help = true;
                return true;
            default:
                return false;
        }
    }
    if (optind < argc) return false;
    if (o.campaignCsv.empty() && !o.csv.empty()) {
        const std::size_t dot = o.csv.rfind(".csv");
        o.campaignCsv = (dot == std::string::npos ? o.csv : o.csv.substr(0, dot)) + "-campaigns.csv";
    }
    // A run that writes nothing is a mistake of the command line.
    return !(o.csv.empty() && o.md.empty() && o.campaignCsv.empty() && o.windowTable.empty() &&
             o.screeningMd.empty());
}

// True when `out` is one of the inputs: an input is never overwritten.
bool isInput(const std::string& out, const std::vector<std::string>& inputs) {
    std::error_code ec;
    for (const std::string& in : inputs) {
        if (!out.empty() && std::filesystem::equivalent(out, in, ec)) return true;
    }
    return false;
}

// The space-weather file of --flux-file read into `sw`; false, with the
// reason on stderr, when it cannot be used.
bool loadFluxFile(const std::string& path, spaceWeather& sw) {
    // The reader of -W, so that the validation measures what -W gives; its
    // messages are worded here.
    collectingSink quiet;
    std::string why;
    switch (loadSpaceWeather(path.c_str(), sw, quiet)) {
        case weatherStatus::ok:
            return true;
        case weatherStatus::cannotOpen:
            why = "cannot be read";
            break;
        case weatherStatus::missingColumns:
            why = "has no column " + sw.missing();
            break;
        case weatherStatus::noObservedRow:
            why = "holds no observed day (F10.7_DATA_TYPE OBS or INT with an F10.7_OBS_LAST81)";
            break;
    }
    std::fprintf(stderr, "morvel-validate: space-weather file %s %s\n", path.c_str(), why.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    reportOptions opt;
    bool help = false;
    const bool usable = parse(argc, argv, opt, help);
    if (help) {
        usage(stdout);
        return 0;
    }
    if (!usable) {
        usage(stderr);
        return 2;
    }
    const std::vector<std::string> inputs = {opt.data + "/reentries.csv", opt.data + "/campaign-predictions.csv",
                                             opt.fluxFile};
    for (const std::string* out : {&opt.csv, &opt.md, &opt.campaignCsv, &opt.windowTable, &opt.screeningMd}) {
        if (isInput(*out, inputs)) {
            std::fprintf(stderr, "morvel-validate: %s is an input; give another output name\n", out->c_str());
            return 2;
        }
    }
    spaceWeather sw;
    const bool haveObs = !opt.fluxFile.empty();
    if (haveObs && !loadFluxFile(opt.fluxFile, sw)) return 1;
    std::vector<object> objects;
    std::vector<std::string> problems;
    if (!readObjects(opt, objects, problems)) return 1;
    if (objects.empty()) {
        std::fprintf(stderr, "morvel-validate: no history could be read from %s: no report written\n",
                     opt.data.c_str());
        return 1;
    }
    int fluxFallbacks = 0;
    const std::vector<row> rows = buildRows(objects, opt.flux, haveObs ? &sw : nullptr, fluxFallbacks);
    std::vector<campaignRow> campaigns;
    std::vector<setPrediction> every;
    readCampaigns(opt, objects, sw, campaigns, every, problems);

    const windowSets windows = windowSamples(rows, haveObs);
    const bool extrasWritten = writeScreeningOutputs(opt, objects, windows, sw);
    const bool csvWritten = opt.csv.empty() || writeCsv(opt.csv, rows, opt.flux);
    const bool campaignsWritten = opt.campaignCsv.empty() || writeCampaignCsv(opt.campaignCsv, campaigns, every);
    const bool mdWritten =
        opt.md.empty() || writeMarkdown(opt, rows, objects, campaigns, haveObs, fluxFallbacks, problems, windows);
    if (!mdWritten || !csvWritten || !campaignsWritten || !extrasWritten) return 1;
    std::string wrote;
    for (const std::string* out : {&opt.csv, &opt.campaignCsv, &opt.md, &opt.windowTable, &opt.screeningMd}) {
        if (!out->empty()) wrote += " " + *out;
    }
    std::printf("morvel-validate: %zu objects, %zu predictions, %zu campaign forecasts; wrote%s\n", objects.size(),
                rows.size(), campaigns.size(), wrote.c_str());
    if (!problems.empty()) {
        std::fprintf(stderr, "morvel-validate: incomplete: %zu input problems, listed above%s%s\n", problems.size(),
                     opt.md.empty() ? "" : " and at the head of ", opt.md.c_str());
        return 1;
    }
    return 0;
}
