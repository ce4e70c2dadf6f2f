// Decay list mode: every set of the input numbered, its lifetime estimated,
// the short-lived ones listed on the console and in the decay list file.
#include <cstdio>
#include <cstring>
#include <limits>

#include "cal.h"
#include "driver.h"
#include "elfile.h"
#include "eloutput.h"
#include "evolve.h"
#include "numtext.h"

namespace morvel {

namespace {

// With a space-weather file, each row shows its set's flux before the date.
void columnHeader(std::FILE* fp, const runParams& p) {
    std::fprintf(fp, "\n Elset       Obj       #         Epoch");
    if (p.if_sw == 1) std::fprintf(fp, "          Decay     Flux  (Date)\n");
    else std::fprintf(fp, "          Decay        (Date)\n");
}

// The row of set number `num_of_els`, held in `el` with its `lifetime`,
// formatted once for the console and the decay list file. Ample for any
// double the two fixed-point fields and the flux column may hold.
struct rowText {
    char text[2048];
};

// The flux column of the last flux shown (none at first): two blanks and
// the flux, and its length. Room for any double in "%5.1lf".
struct fluxColumn {
    double flux = std::numeric_limits<double>::quiet_NaN();
    char text[400] = "";
    std::size_t length = 0;
};

rowText listRow(int num_of_els, const runParams& p, double flux, fluxColumn& shown) {
    rowText row;
    const double dk = lifetime + el.epoch;
    const date dkcivil = cal_civil(truncInt(dk));
    const int n = std::snprintf(row.text, sizeof row.text,
                                "%6ld     %s %6li   %012.6lf   %012.6lf  (%i %s %i)\n",
                                static_cast<long>(num_of_els), el.objid, static_cast<long>(el.objno),
                                jd2ep(el.epoch), jd2ep(dk), dkcivil.year, month(dkcivil), dkcivil.day);
    if (p.if_sw == 0 || n <= 0 || n >= static_cast<int>(sizeof row.text)) return row;

    // With a space-weather file, the flux column "  %5.1lf" goes in before
    // the "  (" of the date, the row's last '(': by the writer's fixed-point
    // conversion, only when the flux changes (most sets of a catalogue share
    // their epoch's day), and without a second pass of the C library's
    // formatting over the row.
    if (flux != shown.flux) {
        shown.flux = flux;
        shown.text[0] = shown.text[1] = ' ';
        shown.length = 2 + fixedText(shown.text + 2, sizeof shown.text - 2, flux, 5, 1, false);
    }
    char* const dateStart = std::strrchr(row.text, '(') - 2;
    const std::size_t tail = static_cast<std::size_t>(row.text + n - dateStart) + 1;  // with its NUL
    if (static_cast<std::size_t>(n) + shown.length < sizeof row.text) {
        std::memmove(dateStart + shown.length, dateStart, tail);
        std::memcpy(dateStart, shown.text, shown.length);
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
    int before = 0;  // sets before the space-weather file
    fluxColumn shown;
    elfile in(inpFp);
    for (;;) {
        el = in.next();
        if (el.if_valid != 1) break;
        r.num_of_els++;
        const epochFlux flux = setFlux(p, el.epoch);
        if (flux.source == fluxSource::beforeFile) ++before;
        // Below a limit of 0.05 days every estimate is listed.
        const double estimate = decayListLifetime(el, flux.flux);
        if (!(estimate > 0)) continue;
        lifetime = estimate;
        if (!(lifetime < p.minlife || p.minlife < 0.05)) continue;

        r.count++;
        if (r.count == 1) {
            r.nel0 = r.num_of_els;
            columnHeader(stdout, p);
            outFp = openOutput(p.dkfile, p.inelf, p.swfile);
            fileHead(outFp, p);
        }
        const rowText row = listRow(r.num_of_els, p, flux.flux, shown);
        std::fputs(row.text, stdout);
        std::fputs(row.text, outFp);
    }
    std::fclose(inpFp);
    fallbackLine(p, before);

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
