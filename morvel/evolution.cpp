// Evolution run: the menu of listed sets, the evolution of the chosen one in
// 0.01-day steps to its decay or the end of the span, and its report.
#include <cstdio>
#include <string>

#include "cal.h"
#include "driver.h"
#include "formats/elfile.h"
#include "elinput.h"
#include "eloutput.h"
#include "evolve.h"
#include "numtext.h"

namespace morvel {

namespace {

// The number of the set to evolve, asked for at the menu. The reply 0, and
// the end of the input, end the program without the final prompt; a reply
// without a number asks again.
int chooseSet(const decayListResult& r) {
    for (;;) {
        std::printf("\nEvolve which elset (0 ends)? ");
        std::string word;
        if (!readWord(word)) finish(false);
        long nel = 0;
        if (scanWhole(word.c_str(), nel) == 0) continue;
        if (nel == 0) finish(false);
        // Any valid set of the file may be chosen, listed or not.
        if (nel < 0 || nel > r.num_of_els) {
            std::printf("Invalid elset number - aborted\n");
            finish(true, statusUsage);
        }
        return static_cast<int>(nel);
    }
}

// "Decays after .. days on date = .. (year month day)" then `end`.
void decaysAfter(std::FILE* fp, double decay, const char* end) {
    std::fprintf(fp, "Decays after %9.4f days on date = %010.4f", lifetime, jd2ep(decay));
    civilDate(fp, decay, end);
}

// With --fit, the fitted prediction of set number `nel`; else none.
const fittedDecay* fitOf(const decayListResult& r, int nel) {
    return r.fits.empty() ? nullptr : &r.fits[static_cast<std::size_t>(nel) - 1];
}

// Evolves set number `nel` of the input and writes its report; with --fit,
// `fit` is its fitted prediction.
void evolveSet(int nel, const runParams& p, const fittedDecay* fit) {
    // Each evolution starts afresh from the input file: the reader's
    // messages for the sets it rejects come again on every pick.
    std::FILE* inpFp = openInput(p.inelf);
    {
        // A batch run said them once, in the list's pass.
        collectingSink again;
        elfile in(inpFp, if_batch == 0 ? console() : again, p.inelf);
        for (int k = 0; k < nel; k++) el = in.next();
    }
    std::fclose(inpFp);
    const epochFlux flux = fluxOfSet(p, el.epoch);
    // A fitted date: the evolution takes the decay rate that gives it, so
    // that it comes down then.
    bool fitRate = false;
    if (fit != nullptr && fit->pairs > 0 && fit->decay > 0) {
        const double nrate = nrateForLifetime(el, flux.flux, fit->decay - el.epoch);
        fitRate = nrate > 0;
        if (fitRate) el.nrate = nrate;
    }
    prime(flux.flux);

    const double decay = lifetime + tz;
    std::string outfile = p.report;
    if (if_batch == 0) {
        if (lifetime < shownLifetime) decaysAfter(stdout, decay, "\n");
        if (fit != nullptr) fitReportLine(stdout, *fit, fitRate, fitHorizon(p));
        std::printf("Output filename for orbital evolution ? ");
        outfile = readName();
    }
    // With --omm the sets go to a file of their own beside the report.
    const std::string setName = outputName(p, outputKind::reportSets, outfile);
    if (p.omm != elformat::tle) checkOutput(setName, p.inelf, p.swfile);
    std::FILE* outFp = openOutput(outfile, p.inelf, p.swfile);
    std::FILE* setFp = p.omm == elformat::tle ? outFp : openOutput(setName, p.inelf, p.swfile, true);
    setOutput sets(setFp, p);
    banner(outFp);
    std::fprintf(outFp, "Orbital evolution for object %s\n\n", el.objid);
    if (lifetime < shownLifetime) decaysAfter(outFp, decay, fit != nullptr ? "\n" : "\n\n");
    if (fit != nullptr) {
        fitReportLine(outFp, *fit, fitRate, fitHorizon(p));
        std::fprintf(outFp, "\n");
    }
    parameterLines(outFp, p, "  ", &flux);
    std::fprintf(outFp, "\n");

    // One set per revolution: each call of evolve ends at the next
    // crossing (revno changes) or at decay, so gone may pass cease. A set
    // the format cannot number is refused once, not every revolution.
    evolveUntil(flux.flux, p.cease, [&](int previous) {
        if (previous == -1 || sets.takes(el.objno)) sets.write();
    });
    sets.finish();
    if (setFp != outFp) closeOutput(setFp, setName);

    if (decayedAt > 0) {
        if (if_batch == 0) std::printf("Final decay at %lf\n\n", jd2ep(decayedAt));
        std::fprintf(outFp, "\nFinal decay at %lf\n", jd2ep(decayedAt));
    }
    closeOutput(outFp, outfile);
    if (if_batch == 0) std::printf("Evolution complete\n");
}

// A batch run's set: by its number, or the newest of its object.
[[noreturn]] void batchEvolution(const decayListResult& r, const runParams& p) {
    if (p.evolve == 0 && p.object < 0) finish(false);
    if (p.object >= 0 && r.newest == 0) {
        note("No set of object %li in %s\n", p.object, p.inelf.c_str());
        finish(false, statusInput);
    }
    if (p.evolve > r.num_of_els) {
        note("Set %li is not in %s, which holds %i sets\n", p.evolve, p.inelf.c_str(), r.num_of_els);
        finish(false, statusUsage);
    }
    const int nel = p.object >= 0 ? r.newest : static_cast<int>(p.evolve);
    evolveSet(nel, p, fitOf(r, nel));
    finish(false);
}

}  // namespace

void evolutionRun(const decayListResult& r, const runParams& p) {
    if (if_batch == 1) batchEvolution(r, p);
    // One listed set is evolved at once and ends the run; with several the
    // menu comes back after every evolution.
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
        evolveSet(nel, p, fitOf(r, nel));
    }
    finish(true);
}

}  // namespace morvel
