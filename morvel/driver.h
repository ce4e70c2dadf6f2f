// The morvel driver: run parameters, console replies, the ends of the
// program, the files it writes, and its two modes.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "ballistic.h"
#include "elinput.h"
#include "eloutput.h"
#include "fit.h"
#include "formats/elfile.h"
#include "formats/messages.h"
#include "formats/spaceweather.h"
#include "window.h"

namespace morvel {

// The version, from the project's VERSION in CMakeLists.txt.
constexpr const char* morvelVersion = MORVEL_VERSION;

// Longest text a name field holds (an end mark follows it).
constexpr std::size_t maxName = 79;

// Inputs looked up by object number under a directory (flag -D): in use,
// and the directory, a plain prefix that carries its own trailing separator.
extern int if_db;
extern std::string sourcedir;

// A batch run (--batch), for scripts: no banner, prompt, menu or final
// prompt, nothing read from the console; the decay list alone on standard
// output, every message on standard error, one line each.
extern int if_batch;

// How a run ends, its exit status.
constexpr int statusDone = 0;   // the run did its work
constexpr int statusInput = 1;  // the input, or an output, could not be used
constexpr int statusUsage = 2;  // the command line (or a reply) asked for what cannot be done

// Run parameters that only the driver reads, and the file names.
struct runParams {
    double minlife = 1000.0;  // days: largest lifetime the decay list shows
    double cease = 30.0;      // days: longest evolution
    double size = 0.0;        // m: size of the object
    double flux = 150.0;      // 10.7 cm solar flux for the whole run
    int if_eqx = 0;           // 1: equator-crossing mode
    int if_cmd = 0;           // 1: the command line gave the input name
    std::string inelf;        // input element file (the derived path in the -D form)
    std::string stem;         // the output names' stem, from the input name or the object number
    std::string dkfile;       // decay list file
    int if_sw = 0;            // 1: each set's flux from a space-weather file (flag -W)
    std::string swfile;       // that file
    spaceWeather weather;     // its observed days; none without -W
    int if_screen = 0;        // 1: the decay list screened (--screen)
    std::string csvfile;      // the decay list as CSV (--csv=FILE); none when empty
    elformat omm = elformat::tle;  // the encoding of the sets written (--omm); tle without it
    long evolve = 0;          // batch: the set to evolve, by its number (--evolve=N); 0 none
    long object = -1;         // batch: the object whose newest set to evolve (--object=N); -1 none
    std::string report;       // batch: the evolution report (--report=FILE)
    int if_fit = 0;           // 1: the fitted prediction wherever the history allows (--fit)
};

// ---- console and ends (console.cpp) ----------------------------------------

// Every end of the program: the final prompt "Press <Enter> to complete: "
// when `prompt` is true (never in a batch run), then the exit `status`, or
// statusInput when an output could not be written (see outputFailed) or
// standard output cannot be.
[[noreturn]] void finish(bool prompt, int status = statusDone);

// An output of the run could not be written; the run goes on and ends with
// statusInput.
void outputFailed();

// A message of the run, printf-formatted: on the console as it stands, or in
// a batch run on standard error as one line after "morvel: ".
[[gnu::format(printf, 1, 2)]] void note(const char* format, ...);

// A usage error: its message (as note gives it), then the end with
// statusUsage.
[[noreturn, gnu::format(printf, 1, 2)]] void usageError(const char* format, ...);

// Where the readers and the tables report: the console, or in a batch run
// standard error, one line each (the sets it counts rejected: batchRejected).
messageSink& messages();
long batchRejected();

// The next word typed at the console into `word`: blanks and line ends
// before it skipped, the blank after it left unread, a NUL byte ending its
// text. False (and `word` empty) at the end of the input.
bool readWord(std::string& word);

// A number typed at the console; a reply without one, or the end of the
// input, leaves `value` as it was.
void readNumber(double& value);

// A name typed at the console, refused when longer than maxName; empty at
// the end of the input.
std::string readName();

// Ends the run when `name` is longer than maxName.
void checkName(const std::string& name);

// ---- files (files.cpp) -----------------------------------------------------

// The five banner lines, on the console and at the head of the files.
void banner(std::FILE* fp);

// `inelf` opened for reading; the run ends when it cannot be.
std::FILE* openInput(const std::string& inelf);

// `name` created empty for writing; the run ends when it cannot be, or when
// it is the input file `inelf`, or the file `other` read too, under whatever
// name, or an output this run opened before, or when it names no place for
// a file (see refusedPlace). A second
// output open at the same time (the CSV list beside the decay list file)
// takes `second`, so that each has a buffer of its own.
std::FILE* openOutput(const std::string& name, const std::string& inelf,
                      const std::string& other = {}, bool second = false);

// The refusals of openOutput alone, nothing created: for an output that
// comes with another, both are checked before either is made.
void checkOutput(const std::string& name, const std::string& inelf, const std::string& other = {});

// Why `name` is no place to write a file, or null when it is one: an
// existing regular file, or a new file in an existing directory that may be
// written, outside the system's device and process trees (/dev, /proc,
// /sys), where a name such as /dev/stdin.eqx would land.
const char* refusedPlace(const std::string& name);

// Closes the output `fp` named `name`; false when a write failed, which is
// reported, and the run then ends with statusInput.
bool closeOutput(std::FILE* fp, const std::string& name);

// The stem of the output names of `input`: the name up to the first '.' of
// the file's own name, its directory kept (sub.v2/x.tle gives sub.v2/x);
// dots that start the name belong to it (.x.tle gives .x).
std::string stemOf(const std::string& input);

// A batch run's last line: the sets read and rejected, and those the mode
// `did` (listed, or written to the crossing file), `done` in number.
void countsLine(const runParams& p, int read, const char* did, int done);

// Whether the names `a` and `b` name the same file, existing or not.
bool sameFile(const std::string& a, const std::string& b);

// The run parameter lines of the file heads; the transition region line
// starts with `regionIndent`. `chosen`: the flux of the report's set.
void parameterLines(std::FILE* fp, const runParams& p, const char* regionIndent,
                    const epochFlux* chosen = nullptr);

// "Transition region: base ..; mid ..; top .. km" after `indent`.
void transitionRegion(std::FILE* fp, const char* indent);

// " (year month day)" of the civil day of day number `jd`, then `end`.
void civilDate(std::FILE* fp, double jd, const char* end);

// The files a run writes, named in one place from the stem of the input
// name: the decay list `<stem>.dk`, the equator-crossing file `<stem>.eqx`,
// with --omm `<stem>.eqx.<encoding>`; with --omm the sets of the report
// `report` go to `<report>.<encoding>` beside it.
enum class outputKind { decayList, crossing, reportSets };
std::string outputName(const runParams& p, outputKind kind, const std::string& report = {});

// The element sets an output receives: two-line sets, or with --omm OMM
// records in the run's encoding (the file's head written at once).
class setOutput {
public:
    setOutput(std::FILE* fp, const runParams& p);
    // Whether a set numbered `objno` is written: every one in OMM, in TLE
    // those up to 339999.
    bool takes(long objno) const { return omm_.has_value() || tleNumbered(objno); }
    // The evolution state's set `el` written; false when it cannot be (it
    // is named, and left out).
    bool write();
    // The end of an OMM file written; the caller closes the file.
    void finish();

private:
    std::FILE* fp_;
    std::optional<ommWriter> omm_;
};

// ---- the flux of each set (weather.cpp) -----------------------------------

// Loads the space-weather file of -W, names it and its observed days on the
// console, and counts the rows it skipped; a file that cannot be opened,
// lacks a needed column or has no observed row ends the run.
void loadWeather(runParams& p);

// The flux of the set with epoch `epoch` (day number): from the
// space-weather file, the run's flux before its first day and without -W.
epochFlux fluxOfSet(const runParams& p, double epoch);

// The flux line(s) of the file heads: the decay list's (`chosen` null) or
// the report's, with the chosen set's flux.
void fluxLines(std::FILE* fp, const runParams& p, const epochFlux* chosen);

// Days past a space-weather file's last observed day after which the flux
// of that day is no longer what the set's day had: a stale file.
constexpr int staleDays = 30;

// With -W, the sets of a pass whose flux did not come from their own days:
// those before the file, which took the run's flux, and those more than
// staleDays past its last observed day.
struct fluxTally {
    int before = 0;
    int stale = 0;
    void add(const runParams& p, const epochFlux& f, double epoch);
};

// With -W, one line for each kind of set that the tally counts.
void fallbackLine(const runParams& p, const fluxTally& t);

// ---- the fitted prediction (fitting.cpp) ---------------------------------------

// Every valid set of `inpFp` (closed after), in file order, and for each the
// prediction of the coefficient fitted to the sets of its object before it
// (pairs 0: none), flown for at most fitHorizon days.
struct fittedInput {
    std::vector<element> sets;
    std::vector<fittedDecay> fits;
};
fittedInput readAndFit(std::FILE* inpFp, const runParams& p);

// The flights' horizon: the decay list's largest lifetime, or shownLifetime
// when it lists every predictable set.
double fitHorizon(const runParams& p);

// The one line that counts the listed sets that rest on a fit and those
// whose history was too short.
struct fittedText {
    char text[256];
};
fittedText fitLine(int fitted, int without);

// The report's line on the chosen set's fit, for flights of `horizon` days;
// `rateTaken`: the evolution takes the decay rate of the fitted date.
void fitReportLine(std::FILE* fp, const fittedDecay& f, bool rateTaken, double horizon);

// ---- screening (screen.cpp) -------------------------------------------------

// What --screen and --csv add to a listed set: the ballistic coefficient its
// decay needs (m^2/kg), the descent that tells, and the window of its date.
struct screening {
    double ballistic;
    descent how;
    decayWindow window;
};

// The screening of the set `e` with remaining lifetime `remaining` days at
// flux `flux`, its window for the prediction `way`.
screening screenSet(const element& e, double flux, double remaining, windowWay way = windowWay::singleSet);

// The screened list's column header, and the row of set number `num` held in
// `el` with its `lifetime`, formatted once for the console and the file
// (ample for any double the fixed-point fields may hold); with --fit, `fit`
// is the set's fitted prediction.
void screenHeader(std::FILE* fp, const runParams& p);
struct screenText {
    char text[2048];
};
screenText screenRow(int num, const runParams& p, double flux, const screening& s, const fittedDecay* fit);

// With --fit, the column of the way a row's date was found, its header, and
// the text before the row's date: "  fit" and the pairs, or "  set".
inline constexpr const char* wayHeader = "  Way Pairs";
int wayText(char* out, std::size_t room, const fittedDecay* fit);

// The one line that says how many listed sets the screen left out, and why.
struct screenedText {
    char text[160];
};
screenedText screenLine(int leftOut);

// The CSV list: opened with its header (the run ends when it cannot be), one
// row per listed set, thrust included; with --fit three more columns, the
// way, the fitted coefficient and its pairs (`fit` the set's prediction).
std::FILE* openCsv(const runParams& p);
void csvRow(std::FILE* fp, const element& e, double flux, double remaining, const screening& s,
            const fittedDecay* fit);

// ---- modes -----------------------------------------------------------------

// Decay list mode (decaylist.cpp): what the evolution run needs of the pass.
struct decayListResult {
    int count = 0;       // sets listed
    int nel0 = 0;        // number of the first listed set
    int num_of_els = 0;  // valid sets in the file
    int newest = 0;      // number of the newest set of the object of --object; 0 none
    std::vector<fittedDecay> fits;  // with --fit, each set's fitted prediction
};

// Lists the sets of `inpFp` whose lifetime is below minlife, on the console
// and in the decay list file; closes `inpFp`. With --fit the lifetime of a
// set with a fit is its fitted one. Ends the run when no set was read, and
// when none is listed (a batch run that evolves a set goes on).
decayListResult decayList(std::FILE* inpFp, const runParams& p);

// The evolution menu and runs after the decay list (evolution.cpp).
[[noreturn]] void evolutionRun(const decayListResult& r, const runParams& p);

// The equator-crossing element file of every set of `inpFp` (crossing.cpp).
[[noreturn]] void equatorCrossingFile(std::FILE* inpFp, const runParams& p);

}  // namespace morvel
