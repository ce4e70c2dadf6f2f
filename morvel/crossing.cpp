// Equator-crossing mode: every set of the input moved to its first
// ascending equator crossing and written, in input order, to the .eqx file.
#include <cstdio>
#include <string>

#include "driver.h"
#include "formats/elfile.h"
#include "evolve.h"

namespace morvel {

void equatorCrossingFile(std::FILE* inpFp, const runParams& p) {
    // sets.txt gives sets.eqx, the object number 25544 gives 25544.eqx in
    // the working directory.
    std::FILE* outFp = openOutput(outputName(p, outputKind::crossing), p.inelf, p.swfile);
    setOutput sets(outFp, p);
    int before = 0;  // sets before the space-weather file
    elfile in(inpFp, console(), p.inelf);
    for (;;) {
        el = in.next();
        if (el.if_valid != 1) break;
        const epochFlux flux = fluxOfSet(p, el.epoch);
        if (flux.source == fluxSource::beforeFile) ++before;
        // A set that prime gives no positive lifetime is passed over.
        if (crossingStep(flux.flux)) sets.write();
    }
    std::fclose(inpFp);
    sets.finish();
    std::fclose(outFp);
    fallbackLine(p, before);
    std::printf("\nEquator crossing file created OK\n");
    finish(true);
}

}  // namespace morvel
