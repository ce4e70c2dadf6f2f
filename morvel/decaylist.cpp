// Decay list mode: every set of the input numbered, its lifetime estimated,
// the short-lived ones listed on the console and in the decay list file.
#include <cstdio>

#include "cal.h"
#include "driver.h"
#include "formats/elfile.h"
#include "evolve.h"
#include "numtext.h"

namespace morvel {

namespace {

// With a space-weather file, each row shows its set's flux before the date.
void columnHeader(std::FILE* fp, const runParams& p) {
    if (p.if_screen == 1) return screenHeader(fp, p);
    std::fprintf(fp, "\n Elset       Obj       #         Epoch");
    if (p.if_sw == 1) std::fprintf(fp, "          Decay     Flux  (Date)\n");
    else std::fprintf(fp, "          Decay        (Date)\n");
}

// The row of set number `num_of_els`, held in `el` with its `lifetime`,
// formatted once for the console and the decay list file; with a
// space-weather file the set's flux stands before the date. Ample for any
// double the fixed-point fields may hold.
struct rowText {
    char text[2048];
};

rowText listRow(int num_of_els, const runParams& p, double flux) {
    rowText row;
    const double dk = lifetime + el.epoch;
    const date dkcivil = cal_civil(truncInt(dk));
    const long num = num_of_els;
    const long objno = el.objno;
    if (p.if_sw == 1) {
        std::snprintf(row.text, sizeof row.text, "%6ld     %s %6li   %012.6lf   %012.6lf  %5.1lf  (%i %s %i)\n",
                      num, el.objid, objno, jd2ep(el.epoch), jd2ep(dk), flux, dkcivil.year, month(dkcivil),
                      dkcivil.day);
    } else {
        std::snprintf(row.text, sizeof row.text, "%6ld     %s %6li   %012.6lf   %012.6lf  (%i %s %i)\n", num,
                      el.objid, objno, jd2ep(el.epoch), jd2ep(dk), dkcivil.year, month(dkcivil), dkcivil.day);
    }
    return row;
}

// The head of the decay list file, up to and including the column header.
void fileHead(std::FILE* fp, const runParams& p) {
    banner(fp);
    std::fprintf(fp, "Decay list from input file %s\n", p.inelf.c_str());
    parameterLines(fp, p, "");
    columnHeader(fp, p);
}

}  // namespace

decayListResult decayList(std::FILE* inpFp, const runParams& p) {
    decayListResult r;
    std::FILE* outFp = nullptr;
    fluxTally tally;  // sets whose flux is not their own day's
    int leftOut = 0;  // listed sets the screen left out
    double newestEpoch = 0.0;  // of the object of --object
    std::FILE* csvFp = p.csvfile.empty() ? nullptr : openCsv(p);
    elfile in(inpFp, messages(), p.inelf);
    for (;;) {
        el = in.next();
        if (el.if_valid != 1) break;
        r.num_of_els++;
        if (el.objno == p.object && (r.newest == 0 || el.epoch >= newestEpoch)) {
            r.newest = r.num_of_els;
            newestEpoch = el.epoch;
        }
        const epochFlux flux = fluxOfSet(p, el.epoch);
        tally.add(p, flux, el.epoch);
        // Below a limit of 0.05 days every estimate is listed.
        const double estimate = decayListLifetime(el, flux.flux);
        if (!(estimate > 0)) continue;
        lifetime = estimate;
        if (!(lifetime < p.minlife || p.minlife < 0.05)) continue;

        screening screened{};
        if (p.if_screen == 1 || csvFp != nullptr) {
            screened = screenSet(el, flux.flux, lifetime);
            if (csvFp != nullptr) csvRow(csvFp, el, flux.flux, lifetime, screened);
            if (p.if_screen == 1 && screened.how == descent::thrust) {
                ++leftOut;
                continue;
            }
        }
        r.count++;
        if (r.count == 1) {
            r.nel0 = r.num_of_els;
            columnHeader(stdout, p);
            outFp = openOutput(p.dkfile, p.inelf, p.swfile);
            fileHead(outFp, p);
        }
        if (p.if_screen == 1) {
            const screenText row = screenRow(r.num_of_els, p, flux.flux, screened);
            std::fputs(row.text, stdout);
            std::fputs(row.text, outFp);
            continue;
        }
        const rowText row = listRow(r.num_of_els, p, flux.flux);
        std::fputs(row.text, stdout);
        std::fputs(row.text, outFp);
    }
    std::fclose(inpFp);
    if (csvFp != nullptr) closeOutput(csvFp, p.csvfile);
    fallbackLine(p, tally);
    if (p.if_screen == 1) {
        const screenedText line = screenLine(leftOut);
        note("%s", line.text);
        if (outFp != nullptr) std::fputs(line.text, outFp);
    }
    if (outFp != nullptr) closeOutput(outFp, p.dkfile);

    // A file of no element set (a compressed file, an error page, bytes
    // of another kind) is no input, whatever the list would say.
    if (r.num_of_els == 0) {
        note("No element set read from %s\n", p.inelf.c_str());
        countsLine(p, 0, "listed", 0);
        finish(true, statusInput);
    }
    if (r.count == 0) {
        if (p.minlife >= 0.01) {
            note("No object with lifetime <%lf days\n", p.minlife);
        } else {
            note("No object with predictable lifetime\n");
        }
        // A batch run evolves the set it names, listed or not.
        if (if_batch == 0 || (p.evolve == 0 && p.object < 0)) {
            countsLine(p, r.num_of_els, "listed", 0);
            finish(true);
        }
    }
    countsLine(p, r.num_of_els, "listed", r.count);
    return r;
}

}  // namespace morvel
