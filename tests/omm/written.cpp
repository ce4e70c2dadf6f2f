// An equator-crossing file written as OMM against the TLE file of the same
// run: read back, its sets written again give the file byte for byte (each
// number the very double written, the epoch to the microsecond, the heights
// of the same elements), and each agrees with its TLE set to the precision
// of every TLE column. Sets above 339999, which only OMM holds, are counted
// apart. Prints one line of counts; status 1 on the first difference.
//   morvel_omm_written csv|json|xml|kvn run.eqx run.eqx.<encoding>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cal.h"
#include "eloutput.h"
#include "formats/elfile.h"

using namespace morvel;

namespace {

std::vector<element> readAll(const char* path, std::string& text) {
    std::FILE* fp = std::fopen(path, "r");
    if (fp == nullptr) return {};
    for (int c = std::fgetc(fp); c != EOF; c = std::fgetc(fp)) text += static_cast<char>(c);
    std::rewind(fp);
    collectingSink said;
    std::vector<element> sets;
    {
        elfile in(fp, said, path);
        for (element e = in.next(); e.if_valid == 1; e = in.next()) sets.push_back(e);
    }
    std::fclose(fp);
    if (!said.messages().empty()) std::printf("%s: %s", path, said.consoleText().c_str());
    return said.messages().empty() ? sets : std::vector<element>{};
}

// Angles as the TLE writer may reduce them into [0, 360): the difference
// taken round the circle.
double angleApart(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

// Half a unit of a five-digit mantissa 0.MMMMM x 10^E, the TLE's exponent
// fields, and what it writes as zero.
double mantissaHalfUnit(double x) { return 0.5e-5 * std::pow(10.0, std::ceil(std::log10(std::fabs(x)))) + 1e-8; }

// What differs between the OMM set `o` and the TLE set `t` beyond the TLE
// columns; empty when nothing does.
std::string difference(const element& o, const element& t) {
    const titleHeights h = titleHeightsOf(o);
    char title[160];
    std::snprintf(title, sizeof title, "%-49.49s%li x %li km", o.title, h.apogee, h.perigee);
    const struct { const char* name; bool same; } checks[] = {
        {"number", o.objno == t.objno},
        {"designator", std::strcmp(o.objid, t.objid) == 0},
        {"classification", o.type == t.type},
        {"title line", title == std::string(t.title)},
        {"element set number", o.elno == t.elno},
        {"revolution", o.revno == t.revno},
        {"epoch", std::fabs(o.epoch - t.epoch) <= 0.5e-8 + 1e-9},
        {"mean motion", std::fabs(o.n - t.n) <= 0.5e-8 + 1e-12},
        {"eccentricity", std::fabs(o.ecc - t.ecc) <= 0.5e-7 + 1e-12},
        {"inclination", angleApart(o.inc, t.inc) <= 0.5e-4 + 1e-9},
        {"node", angleApart(o.ra, t.ra) <= 0.5e-4 + 1e-9},
        {"perigee", angleApart(o.ap, t.ap) <= 0.5e-4 + 1e-9},
        {"mean anomaly", angleApart(o.m, t.m) <= 0.5e-4 + 1e-9},
        {"first derivative", std::fabs(o.nrate - t.nrate) <= 0.5e-8 + 1e-12},
        {"second derivative", std::fabs(o.nrate2 - t.nrate2) <= mantissaHalfUnit(o.nrate2)},
        {"B*", std::fabs(o.bstar - t.bstar) <= mantissaHalfUnit(o.bstar)},
    };
    for (const auto& c : checks) {
        if (!c.same) return c.name;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    elformat format = elformat::tle;
    if (argc != 4 || !ommFormatNamed(argv[1], format)) {
        std::fprintf(stderr, "usage: %s csv|json|xml|kvn run.eqx run.eqx.<encoding>\n", argv[0]);
        return 2;
    }
    std::string tleText, ommText;
    const std::vector<element> tle = readAll(argv[2], tleText), omm = readAll(argv[3], ommText);
    if (omm.empty()) return 1;

    // Written again from the values read back.
    char* buf = nullptr;
    std::size_t len = 0;
    std::FILE* fp = open_memstream(&buf, &len);
    ommWriter again(fp, format);
    for (const element& e : omm) again.write(e);
    again.finish();
    std::fclose(fp);
    const std::string rewritten(buf, len);
    std::free(buf);
    if (rewritten != ommText) {
        std::size_t k = 0;
        while (k < rewritten.size() && rewritten[k] == ommText[k]) ++k;
        std::printf("%s: written again it differs at byte %zu: \"%.60s\"\n", argv[1], k, ommText.c_str() + k);
        return 1;
    }

    std::size_t next = 0, aside = 0;
    for (const element& o : omm) {
        if (!tleNumbered(o.objno)) {
            ++aside;
            continue;
        }
        if (next == tle.size()) {
            std::printf("%s: object %d has no TLE set\n", argv[1], o.objno);
            return 1;
        }
        const std::string d = difference(o, tle[next]);
        if (!d.empty()) {
            std::printf("%s: set %zu (object %d): %s differs from the TLE file's\n", argv[1], next + 1, o.objno,
                        d.c_str());
            return 1;
        }
        ++next;
    }
    if (next != tle.size()) {
        std::printf("%s: %zu sets of the TLE file are not in it\n", argv[1], tle.size() - next);
        return 1;
    }
    std::printf("%s: %zu sets read back as written, %zu as the TLE file's, %zu above 339999\n", argv[1], omm.size(),
                next, aside);
    return 0;
}
