// Screening of the decay list (--screen) and the list as CSV (--csv=FILE):
// each listed set's implied ballistic coefficient, the descent it tells and
// the window of its date; the thrust sets left out of the screened list and
// counted in one line; every listed set a CSV row, thrust included.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "cal.h"
#include "driver.h"
#include "evolve.h"
#include "formats/text.h"
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

screening screenSet(const element& e, double flux, double remaining, windowWay way) {
    const double b = impliedBallistic(e, flux);
    return {b, descentOf(b), windowOf(kindOf(e.title), e.epoch, remaining, way)};
}

int wayText(char* out, std::size_t room, const fittedDecay* fit) {
    if (fit->pairs > 0) return std::snprintf(out, room, "  fit %5i", fit->pairs);
    return std::snprintf(out, room, "  set      ");
}

void screenHeader(std::FILE* fp, const runParams& p) {
    std::fprintf(fp, "\n Elset       Obj       #         Epoch          Decay         Days   Earliest     Latest"
                     "     Cd*A/m");
    if (p.if_sw == 1) std::fprintf(fp, "   Flux");
    if (p.if_fit == 1) std::fprintf(fp, "%s", wayHeader);
    std::fprintf(fp, "  (Date)\n");
}

screenText screenRow(int num, const runParams& p, double flux, const screening& s, const fittedDecay* fit) {
    screenText row;
    const double dk = lifetime + el.epoch;
    const date civil = cal_civil(truncInt(dk));
    std::size_t used = 0;
    auto room = [&] { return sizeof row.text - used; };
    auto add = [&](int n) { used += n > 0 ? std::min(static_cast<std::size_t>(n), room() - 1) : 0; };
    // The fixed-point fields by the exact formatter: the text of "%w.plf"
    // without the C library's cost, which a list of a whole catalogue feels.
    auto fixed = [&](const char* gap, double x, int width, int precision, bool zeroFill) {
        add(std::snprintf(row.text + used, room(), "%s", gap));
        add(fixedText(row.text + used, room(), x, width, precision, zeroFill));
    };
    add(std::snprintf(row.text, room(), "%6ld     %s %6li", static_cast<long>(num), el.objid,
                      static_cast<long>(el.objno)));
    fixed("   ", jd2ep(el.epoch), 12, 6, true);
    fixed("   ", jd2ep(dk), 12, 6, true);
    fixed("  ", lifetime, 8, 2, false);
    fixed("  ", jd2ep(s.window.earliest), 10, 4, true);
    fixed("  ", jd2ep(s.window.latest), 10, 4, true);
    fixed("  ", s.ballistic, 7, 4, false);
    if (p.if_sw == 1) fixed("  ", flux, 5, 1, false);
    if (fit != nullptr) add(wayText(row.text + used, room(), fit));
    std::snprintf(row.text + used, room(), "  (%i %s %i)\n", civil.year, month(civil), civil.day);
    return row;
}

screenedText screenLine(int leftOut) {
    screenedText line;
    std::snprintf(line.text, sizeof line.text,
                  "Screened: %i listed sets left out as thrust (their decay needs a Cd*A/m above %.2f m^2/kg, "
                  "more than drag gives)\n", leftOut, dragLimit);
    return line;
}

std::FILE* openCsv(const runParams& p) {
    std::FILE* fp = openOutput(p.csvfile, p.inelf, p.swfile, true);
    std::fprintf(fp, "NORAD_CAT_ID,OBJECT_NAME,OBJECT_ID,EPOCH,FLUX,LIFETIME_DAYS,DECAY_EPOCH,DECAY_EARLIEST,"
                     "DECAY_LATEST,BALLISTIC_COEFFICIENT,DESCENT");
    std::fprintf(fp, p.if_fit == 1 ? ",PREDICTION,FITTED_BALLISTIC_COEFFICIENT,FIT_PAIRS\r\n" : "\r\n");
    return fp;
}

void csvRow(std::FILE* fp, const element& e, double flux, double remaining, const screening& s,
            const fittedDecay* fit) {
    const std::string name = text::csvQuoted(trimmed(e.title, sizeof e.title));
    const std::string id = text::csvQuoted(objectId(e.objid));
    // A set without a coefficient (none is listed) leaves its cell empty.
    char b[32] = "";
    if (s.ballistic > 0) std::snprintf(b, sizeof b, "%.5f", s.ballistic);
    std::fprintf(fp, "%li,%s,%s,%s,%.1f,%.4f,%s,%s,%s,%s,%s", static_cast<long>(e.objno), name.c_str(), id.c_str(),
                 isoUtc(e.epoch).text, flux, remaining, isoUtc(e.epoch + remaining).text, isoUtc(s.window.earliest).text,
                 isoUtc(s.window.latest).text, b, descentName(s.how));
    if (fit == nullptr) {
        std::fprintf(fp, "\r\n");
    } else if (fit->pairs > 0) {
        std::fprintf(fp, ",fit,%.5f,%i\r\n", fit->b, fit->pairs);
    } else {
        std::fprintf(fp, ",set,,0\r\n");
    }
}

}  // namespace morvel
