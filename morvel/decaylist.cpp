// Decay list mode: every set of the input numbered, its lifetime estimated,
// the short-lived ones listed on the console and in the decay list file.
#include <cstdio>

#include "cal.h"
#include "driver.h"
#include "elfile.h"
#include "evolve.h"
#include "numtext.h"

namespace morvel {

namespace {

void columnHeader(std::FILE* fp) {
    std::fprintf(fp, "\n Elset       Obj       #         Epoch");
    std::fprintf(fp, "          Decay        (Date)\n");
}

// The row of set number `num_of_els`, held in `el` with its `lifetime`,
// formatted once for the console and the decay list file. Ample for any
// double the two fixed-point fields may hold.
struct rowText {
    char text[1024];
};

rowText listRow(int num_of_els) {
    rowText row;
    const double dk = lifetime + el.epoch;
    const date dkcivil = cal_civil(truncInt(dk));
    std::snprintf(row.text, sizeof row.text,
                  "%6ld     %s %6li   %012.6lf   %012.6lf  (%i %s %i)\n",
                  static_cast<long>(num_of_els), el.objid, static_cast<long>(el.objno),
                  jd2ep(el.epoch), jd2ep(dk), dkcivil.year, month(dkcivil), dkcivil.day);
    return row;
}

// The head of the decay list file, up to and including the column header.
void fileHead(std::FILE* fp, const runParams& p) {
    banner(fp);
    std::fprintf(fp, "Decay list from input file %s\n", p.inelf.c_str());
    parameterLines(fp, p, "");
    columnHeader(fp);
}

}  // namespace

decayListResult decayList(std::FILE* inpFp, const runParams& p) {
    decayListResult r;
    std::FILE* outFp = nullptr;
    elfile in(inpFp);
    for (;;) {
        el = in.next();
        if (el.if_valid != 1) break;
        r.num_of_els++;
        // Below a limit of 0.05 days every estimate is listed.
        const double estimate = decayListLifetime(el, p.flux);
        if (!(estimate > 0)) continue;
        lifetime = estimate;
        if (!(lifetime < p.minlife || p.minlife < 0.05)) continue;

        r.count++;
        if (r.count == 1) {
            r.nel0 = r.num_of_els;
            columnHeader(stdout);
            outFp = openOutput(p.dkfile, p.inelf);
            fileHead(outFp, p);
        }
        const rowText row = listRow(r.num_of_els);
        std::fputs(row.text, stdout);
        std::fputs(row.text, outFp);
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

}  // namespace morvel
