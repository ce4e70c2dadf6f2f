// The validation run as a library: the objects and their histories read,
// one row per object and lead time with the predictions of every method,
// the campaign comparison, and the CSV files and the Markdown report, one
// function per section. morvel-validate is its command line.
#pragma once

#include <string>
#include <vector>

#include "fit.h"
#include "formats/spaceweather.h"
#include "screening.h"
#include "validation.h"

namespace morvel::validation {

// The ways of predicting a re-entry from one set. A method added here is
// named once below and predicted in predict(); every table takes it up.
enum class method {
    decayList,         // epoch + the decay list's lifetime
    fullEvolution,     // the 0.01-day evolution until decay
    fittedDerivative,  // the decay list with the derivative fitted to the sets before
    fittedBallistic,   // the coefficient fitted to the sets before, flown (the decay list without a pair)
};
inline constexpr method methods[] = {method::decayList, method::fullEvolution, method::fittedDerivative,
                                     method::fittedBallistic};
inline constexpr int methodCount = static_cast<int>(std::size(methods));

// Its name in the report, and its tag in the CSV columns.
const char* methodName(method m);
const char* methodTag(method m);

// What a run reads and writes, and its fixed flux.
struct reportOptions {
    std::string data = "tools/validate/data";
    std::string fluxFile;
    // Each output is written only when named (make validate names the
    // shipped report's files).
    std::string csv;
    std::string md;
    std::string campaignCsv;  // default: the CSV's name with -campaigns
    std::string windowTable;  // the windows' table as C++ (none by default)
    std::string snapshots;    // folder of catalogue snapshots for the screening evidence
    std::string screeningMd;  // the screening evidence (none by default)
    double flux = 150.0;
    std::string command;  // the command line as run, for the report's head
};

// The predictions of one set for one flux, by method; flux below 0: none.
// `fitted` is the fitted coefficient behind fittedBallistic (pairs 0: none,
// the decay list stands in).
struct predictions {
    double flux;
    double at[methodCount];
    fittedDecay fitted;
    double operator[](method m) const { return at[static_cast<int>(m)]; }
};

struct object {
    int norad;
    std::string name;
    std::string kind;
    reentry real;
    double poweredUntil;
    std::string poweredText;
    std::vector<manoeuvre> powered;
    std::vector<element> history;
    std::vector<element> spans;  // the sets the fitted coefficient reads (DIR/spans), else the history
};

struct row {
    int norad;
    std::string name;
    std::string kind;
    lead ld;
    double epoch;
    double real;
    double uncertainty;
    double perigee;
    bool drag;
    fit f;
    predictions fixed;     // at the run's fixed flux
    predictions observed;  // flux < 0: no flux file
    double shiftLow;       // change of the estimate at 0.7 and 1.3 x flux,
    double shiftHigh;      // as a fraction of the real remaining time
};

struct campaignRow {
    forecast f;
    comparison c;
    comparison fitted;  // the same with the fitted coefficient's prediction
    int pairs;          // the pairs it rests on (0: the decay list's)
    const object* ob;
};

// Morvel's prediction from one set of a campaign object, for the figure.
struct setPrediction {
    const object* ob;
    double epoch;
    double predicted;
};

// Every method's prediction of set `k` of `ob`'s history (its fit `f`) for
// the flux `flux`; none for a flux below 0. The fitted coefficient reads the
// object's spans, each interval's flux and the flight's from `plan` (the
// fixed flux, or the space-weather table), for at most shownLifetime days.
predictions predict(const object& ob, int k, const fit& f, double flux, const fluxPlan& plan);

// The fitted coefficient's prediction of `set`, one of `ob`'s sets, from the
// spans (none found: no pair).
fittedDecay fittedPrediction(const object& ob, const element& set, const fluxPlan& plan);

// The rows of every object and lead time: the fixed flux `flux`, and with a
// space-weather table `sw` (null: none) each set's observed flux, as -W
// gives it; `fluxFallbacks` counts the sets before the table.
std::vector<row> buildRows(const std::vector<object>& objects, double flux, const spaceWeather* sw,
                           int& fluxFallbacks);

// Reads DATA/reentries.csv and every history; each problem is reported on
// stderr and kept. False when the table cannot be used at all.
bool readObjects(const reportOptions& opt, std::vector<object>& objects, std::vector<std::string>& problems);

// Reads DATA/campaign-predictions.csv when there is one and compares each
// forecast, and Morvel's prediction from every set around them.
void readCampaigns(const reportOptions& opt, const std::vector<object>& objects, const spaceWeather& sw,
                   std::vector<campaignRow>& rows, std::vector<setPrediction>& every,
                   std::vector<std::string>& problems);

// The outputs; false, with a message on stderr, when one cannot be written.
bool writeCsv(const std::string& path, const std::vector<row>& rows, double flux);
bool writeCampaignCsv(const std::string& path, const std::vector<campaignRow>& rows,
                      const std::vector<setPrediction>& every);
bool writeMarkdown(const reportOptions& opt, const std::vector<row>& rows, const std::vector<object>& objects,
                   const std::vector<campaignRow>& campaigns, bool haveObs, int fluxFallbacks,
                   const std::vector<std::string>& problems, const windowSets& windows);

// The windows of the screened decay list: every drag-decay prediction of
// the decay list, and of the fitted coefficient where it rests on a pair, at
// the observed flux when the run has one.
windowSets windowSamples(const std::vector<row>& rows, bool haveObs);

// The window tables (opt.windowTable) and the screening evidence
// (opt.screeningMd) when asked for; false when one cannot be written.
bool writeScreeningOutputs(const reportOptions& opt, const std::vector<object>& objects, const windowSets& windows,
                           const spaceWeather& sw);

// "flux 150": the fixed flux as the report names it.
std::string fixedFluxName(double flux);

}  // namespace morvel::validation
