// Screening of the decay list (--screen) and the list as CSV (--csv=FILE):
// each listed set's implied ballistic coefficient, the descent it tells and
// the window of its date; the thrust sets left out of the screened list and
// counted in one line; every listed set a CSV row, thrust included.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "cal.h"
#include "csvtext.h"
#include "driver.h"
#include "evolve.h"
#include "numtext.h"

namespace morvel {

namespace {

// The text of a fixed-width character field without the blanks after it.
std::string trimmed(const char* text, std::size_t width) {
    std::size_t n = strnlen(text, width);
    while (n > 0 && text[n - 1] == ' ') --n;
    return std::string(text, n);
}

// The international designator of the set (columns 10-17, "98067A  ") in
// the form of OBJECT_ID, "1998-067A": two-digit years from 57 on are
// 1957-1999, below 57 2000-2056. A designator not of that form is given as
// it stands.
std::string objectId(const char (&objid)[9]) {
    const std::string d = trimmed(objid, sizeof objid);
    bool digits = d.size() > 5;
    for (std::size_t i = 0; i < 5 && digits; ++i) digits = std::isdigit(static_cast<unsigned char>(d[i])) != 0;
    if (!digits) return d;
    const int yy = (d[0] - '0') * 10 + (d[1] - '0');
    return std::to_string(yy < 57 ? 2000 + yy : 1900 + yy) + "-" + d.substr(2, 3) + d.substr(5);
}

}  // namespace

screening screenSet(const element& e, double flux, double lifetime) {
    const double b = impliedBallistic(e, flux);
    return {b, descentOf(b), windowOf(kindOf(e.title), e.epoch, lifetime)};
}

void screenHeader(std::FILE* fp, const runParams& p) {
    std::fprintf(fp, "\n Elset       Obj       #         Epoch          Decay         Days   Earliest     Latest"
                     "     Cd*A/m");
    std::fprintf(fp, p.if_sw == 1 ? "   Flux  (Date)\n" : "  (Date)\n");
}

void screenRow(std::FILE* fp, int num, const runParams& p, double flux, const screening& s) {
    const double dk = lifetime + el.epoch;
    const date civil = cal_civil(truncInt(dk));
    std::fprintf(fp, "%6ld     %s %6li   %012.6lf   %012.6lf  %8.2lf  %010.4lf  %010.4lf  %7.4lf",
                 static_cast<long>(num), el.objid, static_cast<long>(el.objno), jd2ep(el.epoch), jd2ep(dk), lifetime,
                 jd2ep(s.window.earliest), jd2ep(s.window.latest), s.ballistic);
    if (p.if_sw == 1) std::fprintf(fp, "  %5.1lf", flux);
    std::fprintf(fp, "  (%i %s %i)\n", civil.year, month(civil), civil.day);
}

void screenLine(std::FILE* fp, int leftOut) {
    std::fprintf(fp, "Screened: %i listed sets left out as thrust (their decay needs a Cd*A/m above %.2f m^2/kg, "
                     "more than drag gives)\n", leftOut, dragLimit);
}

std::FILE* openCsv(const runParams& p) {
    std::FILE* fp = openOutput(p.csvfile, p.inelf, p.swfile, true);
    std::fprintf(fp, "NORAD_CAT_ID,OBJECT_NAME,OBJECT_ID,EPOCH,FLUX,LIFETIME_DAYS,DECAY_EPOCH,DECAY_EARLIEST,"
                     "DECAY_LATEST,BALLISTIC_COEFFICIENT,DESCENT\r\n");
    return fp;
}

void csvRow(std::FILE* fp, const element& e, double flux, double lifetime, const screening& s) {
    const std::string name = csvField(trimmed(e.title, sizeof e.title));
    const std::string id = csvField(objectId(e.objid));
    // A set without a coefficient (none is listed) leaves its cell empty.
    char b[32] = "";
    if (s.ballistic > 0) std::snprintf(b, sizeof b, "%.5f", s.ballistic);
    std::fprintf(fp, "%li,%s,%s,%s,%.1f,%.4f,%s,%s,%s,%s,%s\r\n", static_cast<long>(e.objno), name.c_str(), id.c_str(),
                 isoUtc(e.epoch).text, flux, lifetime, isoUtc(e.epoch + lifetime).text, isoUtc(s.window.earliest).text,
                 isoUtc(s.window.latest).text, b, descentName(s.how));
}

}  // namespace morvel
