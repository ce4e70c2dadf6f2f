// Morvel: orbital decay of Earth satellites under air drag.
//
// Start-up (banner, control flags, transition region, file names, the
// input opened), then one of two modes: the equator-crossing element file,
// or the decay list followed by the evolution run, at the console or in a
// batch run. Every end of the program passes through finish().
#include <cstdio>
#include <cstring>
#include <string>

#include "driver.h"
#include "hkcd.h"
#include "muq.h"
#include "numtext.h"
#include "scaleheight.h"

namespace morvel {

int if_db = 0;
std::string sourcedir;

namespace {

// A value flag: the number at the start of the rest of the argument (0.0
// when there is none), or, for the bare flag, typed at its prompt; a batch
// run reads no console, and a bare flag is an error there.
void flagValue(const char* arg, const char* prompt, double& value) {
    if (arg[2] == '\0') {
        if (if_batch == 1) usageError("Control flag %s needs its value after it in a batch run\n", arg);
        std::printf("%s", prompt);
        readNumber(value);
    } else {
        value = 0.0;
        scanDecimal(arg + 2, value);
    }
}

// A set number or catalogue number of a long flag: digits alone.
long wholeValue(const char* value, const char* arg, long lowest) {
    long v = 0;
    if (scanWhole(value, v) != static_cast<int>(std::strlen(value)) || v < lowest || !isDigit(value[0])) {
        usageError("Control flag %s needs a whole number from %li: %s=%s\n", arg, lowest, arg, value);
    }
    return v;
}

// The long flags, "--name" or "--name=value", each with whether it takes a
// value and what it sets. --help and --version are answered before the
// banner (answerInfoRequest).
struct longFlag {
    const char* name;
    bool takesValue;
    void (*apply)(runParams& p, const char* value);
};
constexpr longFlag longFlags[] = {
    {"screen", false, [](runParams& p, const char*) { p.if_screen = 1; }},
    {"csv", true,
     [](runParams& p, const char* value) {
         checkName(value);
         p.csvfile = value;
     }},
    {"omm", true,
     [](runParams& p, const char* value) {
         if (!ommFormatNamed(value, p.omm)) {
             usageError("Control flag --omm takes csv, json, xml or kvn: --omm=%s\n", value);
         }
     }},
    // Set before the banner (batchRequested); here it is recognised.
    {"batch", false, [](runParams&, const char*) {}},
    {"evolve", true, [](runParams& p, const char* value) { p.evolve = wholeValue(value, "--evolve", 1); }},
    {"object", true, [](runParams& p, const char* value) { p.object = wholeValue(value, "--object", 0); }},
    {"report", true,
     [](runParams& p, const char* value) {
         checkName(value);
         p.report = value;
     }},
    {"fit", false, [](runParams& p, const char*) { p.if_fit = 1; }},
};

// A long flag: recognised by its whole name; an unknown one is an
// unrecognised flag, a known one with its value missing or unwanted is named.
void readLongFlag(const char* arg, runParams& p) {
    const char* name = arg + 2;
    const char* eq = std::strchr(name, '=');
    const std::size_t len = eq != nullptr ? static_cast<std::size_t>(eq - name) : std::strlen(name);
    for (const longFlag& f : longFlags) {
        if (std::strlen(f.name) != len || std::strncmp(f.name, name, len) != 0) continue;
        if (f.takesValue && (eq == nullptr || eq[1] == '\0')) {
            usageError("Control flag --%s needs a value: --%s=...\n", f.name, f.name);
        }
        if (!f.takesValue && eq != nullptr) usageError("Control flag --%s takes no value: %s\n", f.name, arg);
        f.apply(p, eq != nullptr ? eq + 1 : nullptr);
        return;
    }
    usageError("Unrecognised control flag %s\n", arg);
}

// The arguments from left to right: flags act as they come, prompts
// included; a later file name replaces an earlier one.
void readCommandLine(int argc, char** argv, runParams& p) {
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        if (arg[0] != '-') {
            checkName(arg);
            p.inelf = arg;
            p.if_cmd = 1;
            continue;
        }
        if (arg[1] == '-') {
            readLongFlag(arg, p);
            continue;
        }
        switch (arg[1]) {
            case 'L':
                flagValue(arg, "Maximum lifetime (days) : ", p.minlife);
                break;
            case 'P':
                flagValue(arg, "Maximum evolution (days) : ", p.cease);
                break;
            case 'S':
                flagValue(arg, "Size (m) : ", p.size);
                if (p.size >= 0.01) {
                    ifHk = 1;
                } else {
                    ifHk = 0;
                    note("Flow transition ignored\n");
                }
                break;
            case 'T':
                flagValue(arg, "Shift in transition region (km) : ", deltaHk);
                break;
            case 'Q':
                flagValue(arg, "Supply qfix value : ", qfix);
                break;
            case 'H':
                flagValue(arg, "Supply scale height factor : ", hfix);
                break;
            case 'F':
                flagValue(arg, "Supply 10.7 cm flux  : ", p.flux);
                break;
            case 'E':
                p.if_eqx = 1;
                break;
            case 'D':
                checkName(arg + 2);
                sourcedir = arg + 2;
                if_db = 1;
                break;
            case 'W':
                // The space-weather file: the rest of the argument, or typed
                // (an empty name, at the end of the input, cannot be opened).
                p.if_sw = 1;
                if (arg[2] == '\0') {
                    if (if_batch == 1) usageError("Control flag %s needs its file after it in a batch run\n", arg);
                    std::printf("Space weather file : ");
                    p.swfile = readName();
                } else {
                    checkName(arg + 2);
                    p.swfile = arg + 2;
                }
                break;
            default:
                usageError("Unrecognised control flag %s\n", arg);
        }
    }
}

// The input name (or the object number standing for it) and the stem of
// the output names derived from it.
void deriveNames(runParams& p) {
    if (if_db == 1 && p.inelf.find('.') == std::string::npos) {
        // The object number at the very start of the text (0 without
        // digits), its file under its thousand in the directory.
        long lcatNo = 0;
        scanWhole(p.inelf.c_str(), lcatNo);
        char path[maxName + 64];
        std::snprintf(path, sizeof path, "%s%li%c%li.els", sourcedir.c_str(), lcatNo / 1000 * 1000,
                      '/', lcatNo);
        checkName(path);
        p.inelf = path;
        p.stem = std::to_string(lcatNo);
    } else {
        p.stem = stemOf(p.inelf);
    }
    p.dkfile = outputName(p, outputKind::decayList);
}

// Whether the command line asks for a batch run: known before the banner,
// so that no flag of it prompts.
bool batchRequested(int argc, char** argv) {
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--batch") == 0 || std::strncmp(argv[i], "--batch=", 8) == 0) return true;
    }
    return false;
}

// What a batch run needs besides its flags: the input named on the command
// line, and the evolution's set with its report, both or neither.
void checkBatch(const runParams& p) {
    const bool chosen = p.evolve != 0 || p.object >= 0;
    if (if_batch == 0) {
        if (chosen || !p.report.empty()) usageError("Control flags --evolve, --object and --report work in a batch run only (--batch)\n");
        return;
    }
    if (p.if_cmd == 0) usageError("--batch needs the element file (or with -D the object number) on the command line\n");
    if (p.evolve != 0 && p.object >= 0) usageError("--evolve and --object both choose the set: give one of them\n");
    if (chosen && p.if_eqx == 1) usageError("-E writes the equator-crossing file alone: --evolve and --object do not apply\n");
    if (chosen && p.report.empty()) usageError("%s needs --report=FILE\n", p.evolve != 0 ? "--evolve" : "--object");
    if (!chosen && !p.report.empty()) usageError("--report needs --evolve=N or --object=NORAD\n");
}

// "--help" and "--version", the words every command-line user tries first:
// answered before the banner, and the program ends without the final prompt.
void answerInfoRequest(int argc, char** argv) {
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("morvel %s\n", morvelVersion);
            finish(false);
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: morvel [-Ldays] [-Pdays] [-Ssize] [-Tkm] [-Qfactor] [-Hfactor] [-Fflux]\n"
                "              [-Wfile] [-E] [-Ddirectory/] [element-file]\n"
                "Predicts the orbital decay of Earth satellites under air drag. The element file\n"
                "may be TLE or OMM (CSV, JSON, XML or KVN), recognised by its content.\n"
                "A value follows its flag with no blank; a flag given alone asks for its value.\n"
                "  -Ldays   largest lifetime the decay list shows (default 1000)\n"
                "  -Pdays   longest evolution (default 30)\n"
                "  -Ssize   size of the object in metres: drag coefficient through the flow\n"
                "           transition region from 0.01 m on (default 0, off)\n"
                "  -Tkm     shift of the transition region (default 0)\n"
                "  -Qfactor factor on the lifetime factor Q (default 1)\n"
                "  -Hfactor factor on every scale height (default 1)\n"
                "  -Fflux   10.7 cm solar flux for the whole run (default 150)\n"
                "  -Wfile   space-weather file (CelesTrak CSV): each set takes the observed\n"
                "           81-day mean flux of its epoch's day; -F before the file\n"
                "  -E       equator-crossing mode: every set moved to its first equator crossing\n"
                "  -Ddir/   inputs by object number: 25544 reads dir/25000/25544.els\n"
                "  --help   this text;  --version  the version\n");
            finish(false);
        }
    }
}

// Start-up: the run parameters and the file names of the run.
runParams startUp(int argc, char** argv) {
    answerInfoRequest(argc, argv);
    runParams p;
    if_batch = batchRequested(argc, argv) ? 1 : 0;
    if (if_batch == 1) {
        setTableMessages(&messages());
    } else {
        banner(stdout);
    }
    readCommandLine(argc, argv, p);
    checkBatch(p);

    // The shift applies whatever the order of -S and -T.
    if (ifHk == 1) {
        setTransitionRegion(p.size, deltaHk);
        if (if_batch == 0) transitionRegion(stdout, "");
    }
    if (p.if_sw == 1) loadWeather(p);

    if (p.if_cmd == 0) {
        std::printf(if_db == 1 ? "Input object number : " : "Input element file : ");
        p.inelf = readName();
    }
    deriveNames(p);
    // The CSV list and the decay list file are written side by side.
    if (!p.csvfile.empty() && sameFile(p.csvfile, p.dkfile)) usageError("CSV file %s is the decay list file\n", p.csvfile.c_str());
    return p;
}

}  // namespace
}  // namespace morvel

int main(int argc, char** argv) {
    using namespace morvel;
    const runParams p = startUp(argc, argv);
    std::FILE* inpFp = openInput(p.inelf);
    if (p.if_eqx == 1) equatorCrossingFile(inpFp, p);
    evolutionRun(decayList(inpFp, p), p);
}
