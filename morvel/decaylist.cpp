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

// With a space-weather file, each row shows its set's flux before the date;
// with --fit, the way its date was found.
void columnHeader(std::FILE* fp, const runParams& p) {
    if (p.if_screen == 1) return screenHeader(fp, p);
    std::fprintf(fp, "\n Elset       Obj       #         Epoch");
    if (p.if_sw == 1) std::fprintf(fp, "          Decay     Flux");
    else std::fprintf(fp, p.if_fit == 1 ? "          Decay" : "          Decay      ");
    if (p.if_fit == 1) std::fprintf(fp, "%s", wayHeader);
    std::fprintf(fp, "  (Date)\n");
}

// The row of set number `num_of_els`, held in `el` with its `lifetime`,
// formatted once for the console and the decay list file; with a
// space-weather file the set's flux stands before the date, with --fit the
// way its date was found (`fit`). Ample for any double the fixed-point
// fields may hold.
struct rowText {
    char text[2048];
};

rowText listRow(int num_of_els, const runParams& p, double flux, const fittedDecay* fit) {
    rowText row;
    const double dk = lifetime + el.epoch;
    const date dkcivil = cal_civil(truncInt(dk));
    const long num = num_of_els;
    const long objno = el.objno;
    int used = 0;
    if (p.if_sw == 1) {
        used = std::snprintf(row.text, sizeof row.text, "%6ld     %s %6li   %012.6lf   %012.6lf  %5.1lf", num, el.objid,
                             objno, jd2ep(el.epoch), jd2ep(dk), flux);
    } else {
        used = std::snprintf(row.text, sizeof row.text, "%6ld     %s %6li   %012.6lf   %012.6lf", num, el.objid, objno,
                             jd2ep(el.epoch), jd2ep(dk));
    }
    if (fit != nullptr) used += wayText(row.text + used, sizeof row.text - used, fit);
    std::snprintf(row.text + used, sizeof row.text - used, "  (%i %s %i)\n", dkcivil.year, month(dkcivil),
                  dkcivil.day);
    return row;
}

// The head of the decay list file, up to and including the column header.
void fileHead(std::FILE* fp, const runParams& p) {
    banner(fp);
    std::fprintf(fp, "Decay list from input file %s\n", p.inelf.c_str());
    parameterLines(fp, p, "");
    columnHeader(fp, p);
}

// The state of one pass of the list over the sets.
struct listPass {
    const runParams& p;
    decayListResult& r;
    std::FILE* outFp = nullptr;
    std::FILE* csvFp = nullptr;
    fluxTally tally;  // sets whose flux is not their own day's
    int leftOut = 0;  // listed sets the screen left out
    double newestEpoch = 0.0;  // of the object of --object
    int fitted = 0;   // listed sets whose date rests on a fit (--fit)

    // The set in `el`, numbered, estimated and listed when it is due; `fit`
    // its fitted prediction with --fit, else none.
    void add(const fittedDecay* fit);
};

void listPass::add(const fittedDecay* fit) {
    r.num_of_els++;
    if (el.objno == p.object && (r.newest == 0 || el.epoch >= newestEpoch)) {
        r.newest = r.num_of_els;
        newestEpoch = el.epoch;
    }
    const epochFlux flux = fluxOfSet(p, el.epoch);
    tally.add(p, flux, el.epoch);
    // Below a limit of 0.05 days every estimate is listed. A fit's date
    // stands for the set's own where it has one.
    const bool onFit = fit != nullptr && fit->pairs > 0;
    const double estimate = onFit ? (fit->decay > 0 ? fit->decay - el.epoch : -1.0) : decayListLifetime(el, flux.flux);
    if (!(estimate > 0)) return;
    lifetime = estimate;
    if (!(lifetime < p.minlife || p.minlife < 0.05)) return;

    screening screened{};
    if (p.if_screen == 1 || csvFp != nullptr) {
        screened = screenSet(el, flux.flux, lifetime, onFit ? windowWay::fitted : windowWay::singleSet);
        if (csvFp != nullptr) csvRow(csvFp, el, flux.flux, lifetime, screened, fit);
        if (p.if_screen == 1 && screened.how == descent::thrust) {
            ++leftOut;
            return;
        }
    }
    r.count++;
    if (onFit) ++fitted;
    if (r.count == 1) {
        r.nel0 = r.num_of_els;
        columnHeader(stdout, p);
        outFp = openOutput(p.dkfile, p.inelf, p.swfile);
        fileHead(outFp, p);
    }
    if (p.if_screen == 1) {
        const screenText row = screenRow(r.num_of_els, p, flux.flux, screened, fit);
        std::fputs(row.text, stdout);
        std::fputs(row.text, outFp);
        return;
    }
    const rowText row = listRow(r.num_of_els, p, flux.flux, fit);
    std::fputs(row.text, stdout);
    std::fputs(row.text, outFp);
}

}  // namespace

decayListResult decayList(std::FILE* inpFp, const runParams& p) {
    decayListResult r;
    listPass pass{p, r, nullptr, nullptr, {}};
    pass.csvFp = p.csvfile.empty() ? nullptr : openCsv(p);
    if (p.if_fit == 1) {
        // Every set first: a set's fit reads the sets of its object before it,
        // wherever they stand in the file.
        fittedInput in = readAndFit(inpFp, p);
        for (std::size_t i = 0; i < in.sets.size(); ++i) {
            el = in.sets[i];
            pass.add(&in.fits[i]);
        }
        r.fits = std::move(in.fits);
    } else {
        elfile in(inpFp, messages(), p.inelf);
        for (el = in.next(); el.if_valid == 1; el = in.next()) pass.add(nullptr);
        std::fclose(inpFp);
    }
    std::FILE* outFp = pass.outFp;
    if (pass.csvFp != nullptr) closeOutput(pass.csvFp, p.csvfile);
    fallbackLine(p, pass.tally);
    if (p.if_screen == 1) {
        const screenedText line = screenLine(pass.leftOut);
        note("%s", line.text);
        if (outFp != nullptr) std::fputs(line.text, outFp);
    }
    if (p.if_fit == 1) {
        const fittedText line = fitLine(pass.fitted, r.count - pass.fitted);
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
