// Equator-crossing mode: every set of the input moved to its first
// ascending equator crossing and written, in input order, to the .eqx file.
#include <cstdio>
#include <string>

#include "driver.h"
#include "formats/elfile.h"
#include "evolve.h"

namespace morvel {

void equatorCrossingFile(std::FILE* inpFp, const runParams& p) {
    // The stem of the decay list name: sets.txt gives sets.eqx, the object
    // number 25544 gives 25544.eqx in the working directory.
    const std::string outfile = p.dkfile.substr(0, p.dkfile.find('.')) + ".eqx";
    std::FILE* outFp = openOutput(outfile, p.inelf, p.swfile);
    int before = 0;  // sets before the space-weather file
    elfile in(inpFp, console(), p.inelf);
    for (;;) {
        el = in.next();
        if (el.if_valid != 1) break;
        const epochFlux flux = fluxOfSet(p, el.epoch);
        if (flux.source == fluxSource::beforeFile) ++before;
        // A set that prime gives no positive lifetime is passed over.
        if (crossingStep(flux.flux)) writeSet(outFp);
    }
    std::fclose(inpFp);
    std::fclose(outFp);
    fallbackLine(p, before);
    std::printf("\nEquator crossing file created OK\n");
    finish(true);
}

}  // namespace morvel
