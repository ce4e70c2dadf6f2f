// Equator-crossing mode: every set of the input moved to its first
// ascending equator crossing and written, in input order, to the .eqx file.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "driver.h"
#include "formats/elfile.h"
#include "evolve.h"

namespace morvel {

void equatorCrossingFile(std::FILE* inpFp, const runParams& p) {
    // The stem of the output names: sets.txt gives sets.eqx, the object
    // number 25544 gives 25544.eqx in the working directory.
    const std::string outfile = outputName(p, outputKind::crossing);
    std::error_code ec;
    const bool existed = std::filesystem::exists(std::filesystem::symlink_status(outfile, ec));
    std::FILE* outFp = openOutput(outfile, p.inelf, p.swfile);
    setOutput sets(outFp, p);
    fluxTally tally;  // sets whose flux is not their own day's
    int read = 0;
    int written = 0;
    elfile in(inpFp, messages(), p.inelf);
    for (;;) {
        el = in.next();
        if (el.if_valid != 1) break;
        ++read;
        const epochFlux flux = fluxOfSet(p, el.epoch);
        tally.add(p, flux, el.epoch);
        // A set that prime gives no positive lifetime is passed over.
        if (crossingStep(flux.flux) && sets.write()) ++written;
    }
    std::fclose(inpFp);
    sets.finish();
    const bool whole = closeOutput(outFp, outfile);
    fallbackLine(p, tally);
    // No set read: the file this run made holds nothing and goes again.
    if (read == 0) {
        if (!existed) std::filesystem::remove(outfile, ec);
        note("No element set read from %s\n", p.inelf.c_str());
        countsLine(p, 0, "written", 0);
        finish(true, statusInput);
    }
    if (if_batch == 0 && whole) std::printf("\nEquator crossing file created OK\n");
    countsLine(p, read, "written", written);
    finish(true);
}

}  // namespace morvel
