// Morvel: orbital decay of Earth satellites under air drag.
//
// Start-up (banner, control flags, transition region, file names, the
// input opened), then one of two modes: the equator-crossing element file,
// or the decay list followed by the evolution run. Every end of the program
// passes through finish().
#include <cstdio>
#include <string>

#include "driver.h"
#include "elinput.h"
#include "hkcd.h"
#include "muq.h"
#include "scaleheight.h"

namespace morvel {

int if_db = 0;
std::string sourcedir;

namespace {

// A value flag: the number at the start of the rest of the argument (0.0
// when there is none), or, for the bare flag, typed at its prompt.
void flagValue(const char* arg, const char* prompt, double& value) {
    if (arg[2] == '\0') {
        std::printf("%s", prompt);
        readNumber(value);
    } else {
        value = 0.0;
        scanDecimal(arg + 2, value);
    }
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
                    std::printf("Flow transition ignored\n");
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
                    std::printf("Space weather file : ");
                    p.swfile = readName();
                } else {
                    checkName(arg + 2);
                    p.swfile = arg + 2;
                }
                break;
            default:
                std::printf("Unrecognised control flag %s\n", arg);
                finish(true);
        }
    }
}

// The input name (or the object number standing for it) and the decay list
// name derived from it.
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
        char dk[32];
        std::snprintf(dk, sizeof dk, "%li.dk", lcatNo);
        p.dkfile = dk;
    } else {
        // The name up to its first '.', wherever that stands.
        p.dkfile = p.inelf.substr(0, p.inelf.find('.')) + ".dk";
    }
}

// Start-up: the run parameters and the file names of the run.
runParams startUp(int argc, char** argv) {
    runParams p;
    banner(stdout);
    readCommandLine(argc, argv, p);

    // The shift applies whatever the order of -S and -T.
    if (ifHk == 1) {
        hk(p.size, hk01, hk1, hk5);
        hk01 = hk01 + deltaHk;
        hk1 = hk1 + deltaHk;
        hk5 = hk5 + deltaHk;
        transitionRegion(stdout, "");
    }
    if (p.if_sw == 1) loadWeather(p);

    if (p.if_cmd == 0) {
        std::printf(if_db == 1 ? "Input object number : " : "Input element file : ");
        p.inelf = readName();
    }
    deriveNames(p);
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
