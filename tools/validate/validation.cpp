#include "validation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "cal.h"
#include "formats/text.h"
#include "evolve.h"
#include "fit.h"
#include "geometry.h"
#include "numtext.h"

namespace morvel::validation {

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

}  // namespace

std::vector<element> readHistory(const std::string& path, messageSink& sink) {
    std::vector<element> h;
    std::FILE* fp = std::fopen(path.c_str(), "r");
    if (fp == nullptr) return h;
    tleReader sets(fp, sink, path);
    for (element e = sets.next(); e.if_valid == 1; e = sets.next()) h.push_back(e);
    std::fclose(fp);
    std::stable_sort(h.begin(), h.end(),
                     [](const element& a, const element& b) { return a.epoch < b.epoch; });
    return h;
}

double noonOf(const std::string& iso) {
    const reentry r = parseReentry(iso);
    return r.uncertainty > 0 ? r.t : none;
}

std::string isoTime(double t) {
    if (t < 0) return "-";
    const int jd = truncInt(t);
    const date c = cal_civil(jd);
    const int minutes = truncInt((t - jd) * 1440.0 + 0.5);
    const int hh = std::min(minutes / 60, 23);
    const int mm = minutes >= 1440 ? 59 : minutes % 60;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d", c.year, c.month, c.day, hh, mm);
    return text;
}

int chooseSet(const std::vector<element>& h, double t) {
    int k = -1;
    for (int i = 0; i < static_cast<int>(h.size()); ++i) {
        if (h[static_cast<std::size_t>(i)].epoch < t) k = i;
    }
    return k;
}

fit fitNrate(const std::vector<element>& h, int k, double window) {
    fit r{false, 0.0, 0};
    if (k < 0 || k >= static_cast<int>(h.size())) return r;
    const double t0 = h[static_cast<std::size_t>(k)].epoch;
    // Sums of the normal equations, times relative to the chosen set.
    double s = 0, st = 0, stt = 0, sn = 0, stn = 0, first = 0;
    for (int i = k; i >= 0; --i) {
        const element& e = h[static_cast<std::size_t>(i)];
        const double t = e.epoch - t0;
        if (t < -window) break;
        s += 1;
        st += t;
        stt += t * t;
        sn += e.n;
        stn += t * e.n;
        first = t;
    }
    r.sets = static_cast<int>(s);
    const double det = s * stt - st * st;
    if (r.sets < 3 || -first < 0.25 || det <= 0) return r;
    const double slope = (s * stn - st * sn) / det;
    r.ok = true;
    r.nrate = slope / 2.0;
    return r;
}

double estimateDecay(const element& e, double flux) {
    const double life = decayListLifetime(e, flux);
    return life > 0 && life < shownLifetime ? e.epoch + life : none;
}

double evolveDecay(element e, double flux, double span) {
    el = e;
    prime(flux);
    evolveUntil(flux, span);
    return decayedAt > 0 ? decayedAt : none;
}

error errorOf(double predicted, double real, double epoch, double uncertainty) {
    if (predicted < 0) return {inf, inf, false};
    const double d = predicted - real;
    return {d * 24.0, d / (real - epoch), std::fabs(d) <= uncertainty};
}

double windowNeeded(double predicted, double real, double epoch) {
    if (predicted < 0 || predicted <= epoch) return inf;
    return std::fabs(real - predicted) / (predicted - epoch);
}

double quantile(std::vector<double> v, double q) {
    if (v.empty()) return std::numeric_limits<double>::quiet_NaN();
    std::sort(v.begin(), v.end());
    const double n = static_cast<double>(v.size());
    // Nearest rank: the ceil(q n)-th value, counting from 1.
    std::size_t rank = static_cast<std::size_t>(std::ceil(q * n - 1e-9));
    rank = std::clamp<std::size_t>(rank, 1, v.size());
    return v[rank - 1];
}

double perigeeHeight(double n, double ecc) { return heights(n, ecc).perigee; }

std::vector<manoeuvre> detectPowered(const std::vector<element>& h) {
    std::vector<manoeuvre> found;
    for (std::size_t j = 1; j < h.size(); ++j) {
        const orbitChange c = changeBetween(h[j - 1], h[j]);
        if (!c.powered) continue;
        const double dt = h[j].epoch - h[j - 1].epoch;
        char why[160];
        if (c.raised) {
            std::snprintf(why, sizeof why, "orbit raised: semi-major axis up %.1f km in %.1f d", c.rise, dt);
        } else {
            std::snprintf(why, sizeof why,
                          "perigee fell %.0f km in %.1f d, drag of the sets' derivatives explains %.1f km", c.fall,
                          dt, c.dragFall);
        }
        found.push_back({static_cast<int>(j - 1), static_cast<int>(j), c.fall, c.dragFall, why});
    }
    return found;
}

bool dragOnly(const std::vector<element>& h, const std::vector<manoeuvre>& m, int k, double window,
              double poweredUntil) {
    if (k < 0 || k >= static_cast<int>(h.size())) return false;
    const double start = h[static_cast<std::size_t>(k)].epoch - window;
    if (start < poweredUntil) return false;
    for (const manoeuvre& x : m) {
        if (h[static_cast<std::size_t>(x.to)].epoch > start) return false;
    }
    return true;
}

double parseUtc(const std::string& text, bool& dayOnly) {
    // A date, or a date and a time to the minute or the second with an
    // optional Z: no day of the year, no fraction of a second.
    text::isoTime t;
    dayOnly = false;
    if (!text::parseIsoTime(text, t) || t.month == 0 || t.scale != 1 || text.find('.') != std::string::npos ||
        t.zone == 'z' || (t.zone != 0 && !t.hasTime)) {
        return none;
    }
    dayOnly = !t.hasTime;
    return t.dayNumber + (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
}

double parseUtc(const std::string& text) {
    bool dayOnly = false;
    return parseUtc(text, dayOnly);
}

reentry parseReentry(const std::string& text) {
    bool dayOnly = false;
    const double t = parseUtc(text, dayOnly);
    if (t < 0) return {none, 0};
    return dayOnly ? reentry{t + 0.5, dayUncertainty} : reentry{t, 0};
}

std::vector<lead> leadsFor(double uncertainty) {
    std::vector<lead> v;
    for (double d : leadTimes) v.push_back({d, false});
    if (uncertainty == 0) {
        for (double d : hourLeads) v.push_back({d, true});
    }
    return v;
}

std::string leadName(lead l) {
    if (l.days == 0) return "last";
    char b[32];
    std::snprintf(b, sizeof b, l.hours ? "%.0f h" : "%.0f d", l.hours ? l.days * 24 : l.days);
    return b;
}

int chooseForLead(const std::vector<element>& h, double real, lead l) {
    const double t = real - l.days;
    const int k = chooseSet(h, t);
    const double oldest = t - (l.days > 0 ? l.days : lastSetAge);
    return k >= 0 && h[static_cast<std::size_t>(k)].epoch >= oldest ? k : -1;
}

std::vector<std::string> splitCsv(const std::string& line) {
    std::string_view rest(line);
    if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
    std::vector<std::string> f;
    text::csvFields fields(rest);
    std::string_view one;
    while (fields.next(one)) {
        // A quoted field from its text as written: no length limit.
        std::string v(fields.quoted() ? fields.raw() : one);
        for (std::size_t k = fields.quoted() ? v.find("\"\"") : std::string::npos; k != std::string::npos;
             k = v.find("\"\"", k + 1)) {
            v.erase(k, 1);
        }
        f.push_back(std::move(v));
    }
    return f;
}

csvTable readCsvTable(const std::string& path) {
    csvTable t;
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr) return t;
    text::lineSource lines(fp);
    if (lines.next()) {
        t.read = true;
        t.head = splitCsv(std::string(lines.text()));
    }
    while (t.read && lines.next()) {
        if (!lines.text().empty()) t.rows.push_back({lines.number(), splitCsv(std::string(lines.text()))});
    }
    t.read = t.read && !lines.failed();
    std::fclose(fp);
    return t;
}

std::size_t columnOf(const std::vector<std::string>& head, std::initializer_list<const char*> names) {
    for (const char* n : names) {
        for (std::size_t i = 0; i < head.size(); ++i) {
            if (head[i] == n) return i;
        }
    }
    return head.size();
}

std::string fieldOf(const std::vector<std::string>& fields, std::size_t c) {
    return c < fields.size() ? fields[c] : std::string();
}

bool parseNorad(const std::string& text, int& norad, std::string& why) {
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d%c", &norad, &tail) == 1 && norad > 0) return true;
    why = "norad \"" + text + "\" is no catalogue number";
    return false;
}

bool parseForecast(const std::vector<std::string>& head, const std::vector<std::string>& fields,
                   forecast& f, std::string& why) {
    const std::size_t cNorad = columnOf(head, {"norad"}), cIssued = columnOf(head, {"issued_utc"}),
                      cPredicted = columnOf(head, {"predicted_utc"}), cMinus = columnOf(head, {"window_minus_min"}),
                      cPlus = columnOf(head, {"window_plus_min"});
    if (std::max({cNorad, cIssued, cPredicted, cMinus, cPlus}) >= head.size()) {
        why = "needs the columns norad, issued_utc, predicted_utc, window_minus_min and window_plus_min";
        return false;
    }
    f = forecast{};
    f.forecaster = fieldOf(fields, columnOf(head, {"forecaster"}));
    f.reference = fieldOf(fields, columnOf(head, {"reference"}));
    const std::string norad = fieldOf(fields, cNorad), issued = fieldOf(fields, cIssued),
                      predicted = fieldOf(fields, cPredicted), minus = fieldOf(fields, cMinus),
                      plus = fieldOf(fields, cPlus);
    bool dayOnly = false;
    double lo = 0, hi = 0;
    char tail = 0;
    if (!parseNorad(norad, f.norad, why)) return false;
    f.predicted = parseUtc(predicted, dayOnly);
    if (f.predicted < 0) {
        why = "predicted_utc \"" + predicted + "\" is no UTC time";
        return false;
    }
    if (dayOnly) f.predicted += 0.5;
    f.issued = issued.empty() ? none : parseUtc(issued, f.issuedDayOnly);
    if (!issued.empty() && f.issued < 0) {
        why = "issued_utc \"" + issued + "\" is no UTC time";
        return false;
    }
    if (std::sscanf(minus.c_str(), "%lf%c", &lo, &tail) != 1 || std::sscanf(plus.c_str(), "%lf%c", &hi, &tail) != 1 ||
        lo < 0 || hi < 0) {
        why = "window \"" + minus + "\", \"" + plus + "\" is no pair of minutes";
        return false;
    }
    f.minus = lo / 1440.0;
    f.plus = hi / 1440.0;
    return true;
}

comparison compare(const std::vector<element>& h, const forecast& f, double real,
                   const spaceWeather& sw, double fallbackFlux) {
    const double published = f.predicted - real;
    comparison c{-1, none, none, inf, inf, false, published * 24.0,
                 real >= f.predicted - f.minus && real <= f.predicted + f.plus};
    if (f.issued < 0) return c;
    c.set = chooseSet(h, f.issued);
    if (c.set < 0) return c;
    const element& e = h[static_cast<std::size_t>(c.set)];
    c.flux = fluxAt(sw, e.epoch, fallbackFlux).flux;
    return judged(c, estimateDecay(e, c.flux), e.epoch, real);
}

comparison judged(comparison c, double predicted, double epoch, double real) {
    c.morvel = predicted;
    c.morvelHours = errorOf(predicted, real, epoch, 0).hours;
    c.morvelHalfWindow = predicted > 0 ? campaignWindow * (predicted - epoch) * 24.0 : inf;
    c.morvelHolds = windowNeeded(predicted, real, epoch) <= campaignWindow;
    return c;
}

}  // namespace morvel::validation
