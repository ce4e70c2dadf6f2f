#include "validation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

#include "cal.h"
#include "evolve.h"
#include "geometry.h"
#include "numtext.h"

namespace morvel::validation {

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();

// The driver's limit: the evolution stops below 0.01 day of remaining
// lifetime.
constexpr double lastStep = 0.01;

// Semi-major axis, km, of mean motion n rev/day, as the element writer has it.
double semiMajorKm(double n) { return heights(n, 0).a; }

// Thresholds of the powered-descent test.
constexpr double fallFactor = 3.0;   // observed fall / drag fall
constexpr double fallMargin = 5.0;   // km beyond it
constexpr double riseLimit = 1.0;    // km of semi-major axis
// Below this perigee the last hours' sets are fitted to a plunging orbit and
// disagree with one another by more than the thresholds: not tested.
constexpr double lowestTested = 200.0;  // km

}  // namespace

std::vector<element> readHistory(const std::string& path) {
    std::vector<element> h;
    std::FILE* fp = std::fopen(path.c_str(), "r");
    if (fp == nullptr) return h;
    for (element e = elinput(fp); e.if_valid == 1; e = elinput(fp)) h.push_back(e);
    std::fclose(fp);
    std::stable_sort(h.begin(), h.end(),
                     [](const element& a, const element& b) { return a.epoch < b.epoch; });
    return h;
}

double noonOf(const std::string& iso) {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(iso.c_str(), "%d-%d-%d%c", &y, &m, &d, &tail) != 3) return none;
    if (m < 1 || m > 12 || d < 1 || d > 31) return none;
    return cal_julian(date{y, m, d}) + 0.5;
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

double estimateDecay(element e, double flux) {
    el = e;
    prime(flux);
    if (lifetime <= 0 || lifetime >= shownLifetime) return none;
    return tz + lifetime;
}

double evolveDecay(element e, double flux, double span) {
    el = e;
    prime(flux);
    while (l >= lastStep && gone < span) evolve(flux);
    return decayedAt > 0 ? decayedAt : none;
}

error errorOf(double predicted, double real, double epoch) {
    if (predicted < 0) return {inf, inf, false};
    const double d = predicted - real;
    return {d * 24.0, d / (real - epoch), std::fabs(d) <= dayUncertainty};
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
        const element& a = h[j - 1];
        const element& b = h[j];
        const double dt = b.epoch - a.epoch;
        if (dt <= 0 || perigeeHeight(a.n, a.ecc) < lowestTested) continue;
        const double fall = perigeeHeight(a.n, a.ecc) - perigeeHeight(b.n, b.ecc);
        // Mean motion gained under the two sets' own derivatives (trapezoid of
        // 2 x nrate over the interval), as a fall of the semi-major axis.
        const double dn = std::max(0.0, (a.nrate + b.nrate) * dt);
        const double dragFall = semiMajorKm(a.n) - semiMajorKm(a.n + dn);
        const double rise = semiMajorKm(b.n) - semiMajorKm(a.n);
        char why[160];
        if (fall > fallFactor * dragFall + fallMargin) {
            std::snprintf(why, sizeof why,
                          "perigee fell %.0f km in %.1f d, drag of the sets' derivatives explains %.1f km",
                          fall, dt, dragFall);
        } else if (rise > riseLimit) {
            std::snprintf(why, sizeof why, "orbit raised: semi-major axis up %.1f km in %.1f d", rise,
                          dt);
        } else {
            continue;
        }
        found.push_back({static_cast<int>(j - 1), static_cast<int>(j), fall, dragFall, why});
    }
    return found;
}

bool dragOnly(const std::vector<element>& h, const std::vector<manoeuvre>& m, int k, double window) {
    if (k < 0 || k >= static_cast<int>(h.size())) return false;
    const double start = h[static_cast<std::size_t>(k)].epoch - window;
    for (const manoeuvre& x : m) {
        if (h[static_cast<std::size_t>(x.to)].epoch > start) return false;
    }
    return true;
}

bool readFlux(const std::string& path, fluxTable& table) {
    std::ifstream in(path);
    if (!in) return false;
    table = fluxTable{};
    std::string line;
    while (std::getline(in, line)) {
        int y = 0, mo = 0, d = 0;
        if (std::sscanf(line.c_str(), "%d-%d-%d", &y, &mo, &d) != 3) continue;
        const std::size_t c1 = line.find(',');
        if (c1 == std::string::npos) continue;
        double v = -1.0;
        const std::size_t c2 = line.find(',', c1 + 1);
        const std::string field = line.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1);
        if (!field.empty() && std::sscanf(field.c_str(), "%lf", &v) != 1) v = -1.0;
        table.day.push_back(cal_julian(date{y, mo, d}));
        table.obs.push_back(v);
    }
    return true;
}

double trailingMean(const fluxTable& table, double t, int days) {
    const int today = truncInt(t);
    double sum = 0;
    int count = 0;
    for (std::size_t i = 0; i < table.day.size(); ++i) {
        if (table.day[i] >= today - days && table.day[i] < today && table.obs[i] >= 0) {
            sum += table.obs[i];
            ++count;
        }
    }
    return count > 0 ? sum / count : none;
}

}  // namespace morvel::validation
