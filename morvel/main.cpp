// Morvel: orbital decay of Earth satellites under air drag.
//
// Start-up (banner, control flags, transition region, file names), then one
// of two modes: the decay list followed by the evolution run, or the
// equator-crossing element file. Every end of the program passes through
// finish().
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "cal.h"
#include "eloutput.h"
#include "evolve.h"
#include "hkcd.h"
#include "muq.h"
#include "scaleheight.h"

namespace morvel {

constexpr double MORVELVERSION = 0.52;

// Inputs looked up by object number under a directory (flag -D).
int if_db = 0;
std::string sourcedir;

namespace {

// Longest name a file name field holds.
constexpr std::size_t maxName = 79;

// Run parameters that only the driver reads.
struct runParams {
    double minlife = 1000.0;  // days: largest lifetime the decay list shows
    double cease = 30.0;      // days: longest evolution
    double size = 0.0;        // m
    double flux = 150.0;      // 10.7 cm solar flux
    int if_eqx = 0;           // equator-crossing mode
    int if_cmd = 0;           // the command line gave the input name
    std::string inelf;        // input element file
    std::string dkfile;       // decay list file
};

// ---- console ------------------------------------------------------------------

bool isBlank(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Prints "Press <Enter> to complete: " and waits for the line end; the first
// character read is the line end left by the last reply.
void complete() {
    std::printf("Press <Enter> to complete: ");
    std::fflush(stdout);
    if (std::getchar() == EOF) return;
    int c;
    do {
        c = std::getchar();
    } while (c != EOF && c != '\n');
}

// Every end of the program: the final prompt when asked for, then status 0.
[[noreturn]] void finish(bool prompt) {
    if (prompt) complete();
    std::fflush(stdout);
    std::exit(0);
}

// The next blank-delimited word of the console; the blank after it stays
// unread. A NUL byte ends the word's text. False at the end of the input.
bool readWord(std::string& word) {
    std::fflush(stdout);
    word.clear();
    int c;
    do {
        c = std::getchar();
    } while (c != EOF && isBlank(c));
    if (c == EOF) return false;
    bool ended = false;
    while (c != EOF && !isBlank(c)) {
        if (c == '\0') ended = true;
        if (!ended) word.push_back(static_cast<char>(c));
        c = std::getchar();
    }
    if (c != EOF) std::ungetc(c, stdin);
    return true;
}

// A number typed at the console; a reply that is not one leaves the value.
void readNumber(double& value) {
    std::string word;
    if (readWord(word)) scanDecimal(word.c_str(), value);
}

// A name typed at the console; empty at the end of the input.
std::string readName() {
    std::string word;
    readWord(word);
    return word;
}

[[noreturn]] void nameTooLong(const std::string& name) {
    std::printf("Name too long (at most 79 characters): %s\n", name.c_str());
    finish(true);
}

void checkName(const std::string& name) {
    if (name.size() > maxName) nameTooLong(name);
}

// ---- files --------------------------------------------------------------------

void banner(std::FILE* fp) {
    std::fprintf(fp, "-----------------------------\n");
    std::fprintf(fp, "        Morvel v%4.2f\n", MORVELVERSION);
    std::fprintf(fp, "  Orbital decay under air drag\n");
    std::fprintf(fp, "  for Earth satellites\n");
    std::fprintf(fp, "-----------------------------\n\n");
}

// The text up to, not including, its first '.'.
std::string stem(const std::string& name) { return name.substr(0, name.find('.')); }

std::FILE* openInput(const std::string& inelf) {
    std::FILE* fp = std::fopen(inelf.c_str(), "r");
    if (fp == nullptr) {
        std::printf("Unable to open file %s\n", inelf.c_str());
        finish(true);
    }
    return fp;
}

// An output file is created empty; one that is the input file itself (under
// whatever name) is never opened for writing, so the input is not lost.
std::FILE* openOutput(const std::string& name, const std::string& inelf) {
    std::error_code ec;
    if (std::filesystem::equivalent(name, inelf, ec) && !ec) {
        std::printf("Output file %s is the input file\n", name.c_str());
        finish(true);
    }
    std::FILE* fp = std::fopen(name.c_str(), "w");
    if (fp == nullptr) {
        std::printf("Unable to open output file\n");
        finish(true);
    }
    return fp;
}

// The run parameter lines of the file heads.
void parameterLines(std::FILE* fp, const runParams& p, const char* regionIndent) {
    if (qfix != 1.0) std::fprintf(fp, "  Q-factor = %lf\n", qfix);
    std::fprintf(fp, "  10.8 cm flux = %lf\n", p.flux);
    if (ifHk == 1) {
        std::fprintf(fp, "  Size = %lf m\n", p.size);
        if (deltaHk != 0.0) std::fprintf(fp, "  Transition region shift = %lf km\n", deltaHk);
        std::fprintf(fp, "%s", regionIndent);
        std::fprintf(fp, "Transition region: base %6.2lf; mid %6.2lf; top %6.2lf km\n", hk01, hk1, hk5);
    }
}

// Civil decay date as " (year month day)".
void civilDate(std::FILE* fp, double jd, const char* end) {
    const date d = cal_civil(truncInt(jd));
    std::fprintf(fp, " (%i %s %i)%s", d.year, month(d), d.day, end);
}

// ---- start-up -----------------------------------------------------------------

// A value flag: from the rest of the argument, or typed at its prompt.
void flagValue(const char* arg, const char* prompt, double& value) {
    if (arg[2] == '\0') {
        std::printf("%s", prompt);
        readNumber(value);
    } else {
        value = 0.0;
        scanDecimal(arg + 2, value);
    }
}

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
        long lcatNo = 0;
        scanWhole(p.inelf.c_str(), lcatNo);
        char path[512];
        std::snprintf(path, sizeof path, "%s%li%c%li.els", sourcedir.c_str(), lcatNo / 1000 * 1000,
                      '/', lcatNo);
        checkName(path);
        p.inelf = path;
        char dk[64];
        std::snprintf(dk, sizeof dk, "%li.dk", lcatNo);
        p.dkfile = dk;
    } else {
        p.dkfile = stem(p.inelf) + ".dk";
    }
}

// ---- decay list ---------------------------------------------------------------

struct listResult {
    int count = 0;       // sets listed
    int nel0 = 0;        // number of the first listed set
    int num_of_els = 0;  // valid sets in the file
};

void listHeader(std::FILE* fp) {
    std::fprintf(fp, "\n Elset       Obj       #         Epoch");
    std::fprintf(fp, "          Decay        (Date)\n");
}

void listRow(std::FILE* fp, int num_of_els) {
    std::fprintf(fp, "%6ld     %s %6li   %012.6lf", static_cast<long>(num_of_els), el.objid,
                 static_cast<long>(el.objno), jd2ep(el.epoch));
    const double dk = lifetime + el.epoch;
    std::fprintf(fp, "   %012.6lf ", jd2ep(dk));
    civilDate(fp, dk, "\n");
}

listResult decayList(std::FILE* inpFp, const runParams& p) {
    listResult r;
    std::FILE* outFp = nullptr;
    for (;;) {
        el = elinput(inpFp);
        if (el.if_valid != 1) break;
        r.num_of_els++;
        int ifDisplay = 0;
        if (el.nrate > 0.000001) {
            const double sm = smaxis(el.n);
            const double ph = lowpoint(sm, el.inc, el.ecc, el.ap);
            const double qCheck = q(el.n, el.ecc, ph, p.flux) * qfix;
            if (qCheck > 0) {
                lifetime = qCheck / (2.0 * el.nrate);
                if (lifetime < p.minlife || p.minlife < 0.05) ifDisplay = 1;
            }
        }
        if (ifDisplay == 0) continue;

        r.count++;
        if (r.count == 1) {
            r.nel0 = r.num_of_els;
            listHeader(stdout);
            outFp = openOutput(p.dkfile, p.inelf);
            banner(outFp);
            std::fprintf(outFp, "Decay list from input file %s\n", p.inelf.c_str());
            parameterLines(outFp, p, "");
            listHeader(outFp);
        }
        listRow(stdout, r.num_of_els);
        listRow(outFp, r.num_of_els);
    }
    std::fclose(inpFp);

    if (r.count == 0) {
        if (p.minlife >= 0.01) {
            std::printf("No object with lifetime <%lf days\n", p.minlife);
        } else {
            std::printf("No object with predictable lifetime\n");
        }
        finish(true);
    }
    std::fclose(outFp);
    return r;
}

// ---- evolution run ------------------------------------------------------------

// The number of the set to evolve, from the menu; 0 and the end of the input
// end the program.
int chooseSet(const listResult& r) {
    for (;;) {
        std::printf("\nEvolve which elset (0 ends)? ");
        std::string word;
        if (!readWord(word)) finish(false);
        long nel = 0;
        if (scanWhole(word.c_str(), nel) == 0) continue;
        if (nel == 0) finish(false);
        if (nel < 0 || nel > r.num_of_els) {
            std::printf("Invalid elset number - aborted\n");
            finish(true);
        }
        return static_cast<int>(nel);
    }
}

void decaysAfter(std::FILE* fp, double decay, const char* end) {
    std::fprintf(fp, "Decays after %9.4f days on date = %010.4f", lifetime, jd2ep(decay));
    civilDate(fp, decay, end);
}

void evolveSet(int nel, const runParams& p) {
    // Each evolution starts afresh from the input file.
    std::FILE* inpFp = openInput(p.inelf);
    for (int k = 0; k < nel; k++) el = elinput(inpFp);
    std::fclose(inpFp);
    prime(p.flux);

    const double decay = lifetime + tz;
    if (lifetime < 1000000.0) decaysAfter(stdout, decay, "\n");

    std::printf("Output filename for orbital evolution ? ");
    const std::string outfile = readName();
    checkName(outfile);
    std::FILE* outFp = openOutput(outfile, p.inelf);
    banner(outFp);
    std::fprintf(outFp, "Orbital evolution for object %s\n\n", el.objid);
    if (lifetime < 1000000.0) decaysAfter(outFp, decay, "\n\n");
    parameterLines(outFp, p, "  ");
    std::fprintf(outFp, "\n");

    int lastRevno = -1;
    while (l >= 0.01 && gone < p.cease) {
        evolve(p.flux);
        if (el.revno != lastRevno) {
            lastRevno = el.revno;
            const int stat = eloutput(outFp, el);
            if (stat != 1) std::printf("Error status from eloutput\n");
        }
    }

    if (decayedAt > 0) {
        std::printf("Final decay at %lf\n\n", jd2ep(decayedAt));
        std::fprintf(outFp, "\nFinal decay at %lf\n", jd2ep(decayedAt));
    }
    std::fclose(outFp);
    std::printf("Evolution complete\n");
}

void evolutionRun(const listResult& r, const runParams& p) {
    int evolving = 1;
    while (evolving == 1) {
        int nel;
        if (r.count == 1) {
            evolving = 0;
            nel = r.nel0;
            std::printf("Evolving elset %ld\n", static_cast<long>(nel));
        } else {
            nel = chooseSet(r);
        }
        evolveSet(nel, p);
    }
    finish(true);
}

// ---- equator-crossing file ----------------------------------------------------

void equatorCrossingFile(std::FILE* inpFp, const runParams& p) {
    const std::string outfile = stem(p.dkfile) + ".eqx";
    std::FILE* outFp = openOutput(outfile, p.inelf);
    for (;;) {
        el = elinput(inpFp);
        if (el.if_valid != 1) break;
        prime(p.flux);
        if (!(lifetime > 0)) continue;
        evolve(p.flux);
        const int stat = eloutput(outFp, el);
        if (stat != 1) std::printf("Error status from eloutput\n");
    }
    std::fclose(inpFp);
    std::fclose(outFp);
    std::printf("\nEquator crossing file created OK\n");
    finish(true);
}

}  // namespace
}  // namespace morvel

int main(int argc, char** argv) {
    using namespace morvel;
    runParams p;
    if_db = 0;
    banner(stdout);
    readCommandLine(argc, argv, p);

    if (ifHk == 1) {
        hk(p.size, hk01, hk1, hk5);
        hk01 = hk01 + deltaHk;
        hk1 = hk1 + deltaHk;
        hk5 = hk5 + deltaHk;
        std::printf("Transition region: base %6.2lf; mid %6.2lf; top %6.2lf km\n", hk01, hk1, hk5);
    }

    if (p.if_cmd == 0) {
        std::printf(if_db == 1 ? "Input object number : " : "Input element file : ");
        p.inelf = readName();
        checkName(p.inelf);
    }
    deriveNames(p);
    std::FILE* inpFp = openInput(p.inelf);

    if (p.if_eqx == 1) equatorCrossingFile(inpFp, p);
    evolutionRun(decayList(inpFp, p), p);
    return 0;
}
