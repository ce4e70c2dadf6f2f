#include "formats/omm.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "cal.h"
#include "numtext.h"

namespace morvel {

namespace omm {

namespace {

struct keyword {
    std::string_view name;
    key k;
};

// In the order of the enumeration, so that keyName can index it.
constexpr keyword keywords[] = {
    {"OBJECT_NAME", key::objectName},
    {"OBJECT_ID", key::objectId},
    {"EPOCH", key::epoch},
    {"MEAN_MOTION", key::meanMotion},
    {"ECCENTRICITY", key::eccentricity},
    {"INCLINATION", key::inclination},
    {"RA_OF_ASC_NODE", key::raOfAscNode},
    {"ARG_OF_PERICENTER", key::argOfPericenter},
    {"MEAN_ANOMALY", key::meanAnomaly},
    {"EPHEMERIS_TYPE", key::ephemerisType},
    {"CLASSIFICATION_TYPE", key::classificationType},
    {"NORAD_CAT_ID", key::noradCatId},
    {"ELEMENT_SET_NO", key::elementSetNo},
    {"REV_AT_EPOCH", key::revAtEpoch},
    {"BSTAR", key::bstar},
    {"MEAN_MOTION_DOT", key::meanMotionDot},
    {"MEAN_MOTION_DDOT", key::meanMotionDdot},
    {"CENTER_NAME", key::centerName},
    {"REF_FRAME", key::refFrame},
    {"TIME_SYSTEM", key::timeSystem},
    {"MEAN_ELEMENT_THEORY", key::meanElementTheory},
};
static_assert(sizeof keywords / sizeof keywords[0] == keyCount);

// The constant metadata that CelesTrak's CSV and JSON leave out, and the
// only values this theory can use.
constexpr std::string_view earth = "EARTH";
constexpr std::string_view teme = "TEME";
constexpr std::string_view utc = "UTC";

// Mean-element theories of the SGP4 family, whose elements and B* are the
// ones a TLE carries (KVN writes SGP/SGP4).
bool isSgp4Family(std::string_view t) {
    while (!t.empty()) {
        const std::size_t slash = t.find('/');
        const std::string_view part = t.substr(0, slash);
        if (part != "SGP" && part != "SGP4" && part != "SDP4") return false;
        if (slash == std::string_view::npos) break;
        t.remove_prefix(slash + 1);
    }
    return true;
}

bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

// `n` digits at `p` as a whole number; false when one is not a digit.
bool digitsAt(std::string_view s, std::size_t p, int n, int& v) {
    if (p + n > s.size()) return false;
    v = 0;
    for (int k = 0; k < n; ++k) {
        if (!isDigit(s[p + k])) return false;
        v = v * 10 + (s[p + k] - '0');
    }
    return true;
}

// A decimal number filling the whole text (sign, digits with a point, a
// leading point, an exponent in either case), correctly rounded: the double
// the TLE reader's scanDecimal and strtod give for the same text.
bool realOf(std::string_view s, double& v) {
    if (s.size() > 1 && s[0] == '+' && s[1] != '-' && s[1] != '+') s.remove_prefix(1);
    if (s.empty() || (!isDigit(s[0]) && s[0] != '.' && s[0] != '-')) return false;
    double x = 0.0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), x, std::chars_format::general);
    // Out of the double's range, infinities and NaN are no element.
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !(x - x == 0.0)) return false;
    v = x;
    return true;
}

bool wholeOf(std::string_view s, long lowest, long highest, long& v) {
    char buf[32];
    if (s.empty() || s.size() >= sizeof buf) return false;
    std::memcpy(buf, s.data(), s.size());
    buf[s.size()] = '\0';
    long x = 0;
    if (scanWhole(buf, x) != static_cast<int>(s.size())) return false;
    if (x < lowest || x > highest) return false;
    v = x;
    return true;
}

constexpr int lowestEpochYear = 1957;   // two-digit years 57..99 are 1957..1999
constexpr int highestEpochYear = 2056;  // and 00..56 are 2000..2056
constexpr int maxFractionDigits = 8;    // 10 ns; the day count stays below 2^53
constexpr std::int64_t secondsPerDay = 86400;

}  // namespace

key keyOf(std::string_view name) {
    // Length and last letter first: most keywords differ there.
    if (name.empty()) return key::other;
    for (const keyword& w : keywords) {
        if (w.name.size() == name.size() && w.name.back() == name.back() && w.name == name) {
            return w.k;
        }
    }
    return key::other;
}

const char* keyName(key k) {
    return k == key::other ? "?" : keywords[static_cast<int>(k)].name.data();
}

bool isKeyword(std::string_view name) {
    if (name.empty() || !isUpper(name[0])) return false;
    for (char c : name) {
        if (!isUpper(c) && !isDigit(c) && c != '_') return false;
    }
    return true;
}

bool epochOf(std::string_view s, double& epoch) {
    if (!s.empty() && (s.back() == 'Z' || s.back() == 'z')) s.remove_suffix(1);
    int year = 0;
    if (!digitsAt(s, 0, 4, year) || s.size() < 5 || s[4] != '-') return false;
    if (year < lowestEpochYear || year > highestEpochYear) return false;
    // Day of the year, from the calendar date or as it stands; the years
    // accepted are all Gregorian.
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    const int daysInYear = leap ? 366 : 365;
    int doy = 0;
    std::size_t p = 0;
    int month = 0;
    int day = 0;
    if (s.size() > 7 && s[7] == '-') {
        if (!digitsAt(s, 5, 2, month) || !digitsAt(s, 8, 2, day)) return false;
        if (month < 1 || month > 12 || day < 1) return false;
        // Days before each month and in it, in a common year.
        constexpr int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
        const int extra = leap && month > 2 ? 1 : 0;
        const int length = before[month] - before[month - 1] + (leap && month == 2 ? 1 : 0);
        if (day > length) return false;
        doy = before[month - 1] + extra + day;
        p = 10;
    } else {
        if (!digitsAt(s, 5, 3, doy) || doy < 1 || doy > daysInYear) return false;
        p = 8;
    }
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (p >= s.size() || s[p] != 'T' || !digitsAt(s, p + 1, 2, hour) || s.size() < p + 6 ||
        s[p + 3] != ':' || !digitsAt(s, p + 4, 2, minute)) {
        return false;
    }
    p += 6;
    // Seconds may be left out (hh:mm).
    if (p < s.size()) {
        if (s[p] != ':' || !digitsAt(s, p + 1, 2, second)) return false;
        p += 3;
    }
    if (hour > 23 || minute > 59 || second > 59) return false;
    // The fraction of the second as a whole number of 10^-places seconds.
    std::int64_t fraction = 0;
    std::int64_t scale = 1;
    if (p < s.size()) {
        if (s[p] != '.' || p + 1 == s.size()) return false;
        for (std::size_t k = p + 1; k < s.size(); ++k) {
            if (!isDigit(s[k])) return false;
            if (k - p <= maxFractionDigits) {
                fraction = fraction * 10 + (s[k] - '0');
                scale *= 10;
            }
        }
    }
    // The day of the year and its fraction, one division of exact integers
    // (below 2^53): the double the TLE reader makes of "DDD.dddddddd" when
    // the instant is the same.
    const std::int64_t unitsPerDay = secondsPerDay * scale;
    const std::int64_t units =
        doy * unitsPerDay + ((hour * 60 + minute) * 60 + second) * scale + fraction;
    const double dayOfYear = static_cast<double>(units) / static_cast<double>(unitsPerDay);
    epoch = ep2jd(static_cast<double>(1000L * (year % 100)) + dayOfYear);
    return true;
}

bool designatorOf(std::string_view s, char (&objid)[9]) {
    std::memset(objid, ' ', 8);
    objid[8] = '\0';
    if (s.empty()) return true;
    int year = 0;
    int launch = 0;
    if (s.size() < 9 || s.size() > 11 || !digitsAt(s, 0, 4, year) || s[4] != '-' ||
        !digitsAt(s, 5, 3, launch)) {
        return false;
    }
    for (std::size_t k = 8; k < s.size(); ++k) {
        if (!isUpper(s[k])) return false;
    }
    // Columns 10-17: two-digit year, launch number, piece.
    objid[0] = s[2];
    objid[1] = s[3];
    std::memcpy(objid + 2, s.data() + 5, 3);
    std::memcpy(objid + 5, s.data() + 8, s.size() - 8);
    return true;
}

void reportCut(long line) {
    std::printf("Element file ends inside a record at line %ld: that record is lost\n", line);
}

void record::begin(long number, long line) {
    number_ = number;
    line_ = line;
    for (std::string_view& v : value_) v = {};
    for (bool& c : cut_) c = false;
}

void record::set(key k, std::string_view v) {
    if (k == key::other) return;
    v = trim(v);
    const int i = static_cast<int>(k);
    // A view with a place but no characters: an empty designator.
    value_[i] = v.empty() && k != key::objectId
                    ? std::string_view()
                    : std::string_view(v.data() ? v.data() : "", v.size());
    cut_[i] = false;
}

void record::keep(key k, std::string_view v) {
    if (k == key::other) return;
    v = trim(v);
    const int i = static_cast<int>(k);
    const std::size_t n = v.size() < valueSize ? v.size() : valueSize;
    std::memcpy(text_[i], v.data(), n);
    set(k, std::string_view(text_[i], n));
    cut_[i] = v.size() > n;
}

void record::reject(const char* what, const char* problem) const {
    // The record by its place, then by its catalogue number and name as far
    // as they were given.
    char who[160];
    const std::string_view no = given(key::noradCatId) ? value(key::noradCatId) : "";
    const std::string_view name = given(key::objectName) ? value(key::objectName) : "";
    std::snprintf(who, sizeof who, "%s%.*s%s%.*s", no.empty() ? "" : "object ",
                  static_cast<int>(no.size()), no.data(), !no.empty() && !name.empty() ? " " : "",
                  static_cast<int>(name.size()), name.data());
    std::printf("Record %ld at line %ld (%s) rejected: %s %s\n", number_, line_,
                who[0] != '\0' ? who : "no number or name", what, problem);
}

element record::finish() {
    element el{};
    el.if_valid = 0;
    char problem[valueSize + 32];
    auto missing = [&](key k) {
        reject(keyName(k), "missing");
        return el;
    };
    auto unreadable = [&](key k) {
        const std::string_view v = value(k);
        std::snprintf(problem, sizeof problem, "\"%.*s\" unreadable", static_cast<int>(v.size()),
                      v.data());
        reject(keyName(k), problem);
        return el;
    };
    auto foreign = [&](key k) {
        const std::string_view v = value(k);
        std::snprintf(problem, sizeof problem, "%.*s is not one this theory can use",
                      static_cast<int>(v.size()), v.data());
        reject(keyName(k), problem);
        return el;
    };

    // The elements proper: present and readable, or the record is lost.
    constexpr key reals[] = {key::meanMotion,  key::eccentricity,    key::inclination,
                             key::raOfAscNode, key::argOfPericenter, key::meanAnomaly,
                             key::bstar,       key::meanMotionDot,   key::meanMotionDdot};
    double* const realField[] = {&el.n, &el.ecc,   &el.inc,   &el.ra,    &el.ap,
                                 &el.m, &el.bstar, &el.nrate, &el.nrate2};
    long objno = 0;
    if (!given(key::noradCatId)) return missing(key::noradCatId);
    if (cut(key::noradCatId) || !wholeOf(value(key::noradCatId), 0, highestObjno, objno)) {
        return unreadable(key::noradCatId);
    }
    if (!given(key::epoch)) return missing(key::epoch);
    if (cut(key::epoch) || !epochOf(value(key::epoch), el.epoch)) return unreadable(key::epoch);
    for (std::size_t k = 0; k < sizeof reals / sizeof reals[0]; ++k) {
        if (!given(reals[k])) return missing(reals[k]);
        if (cut(reals[k]) || !realOf(value(reals[k]), *realField[k])) return unreadable(reals[k]);
    }
    if (cut(key::objectId) || !designatorOf(value(key::objectId), el.objid)) {
        return unreadable(key::objectId);
    }
    // Bookkeeping: absent means 0, U (unclassified) and ephemeris type 0.
    long elno = 0;
    long revno = 0;
    long ephType = 0;
    constexpr long intHighest = 2147483647;
    if (given(key::elementSetNo) &&
        !wholeOf(value(key::elementSetNo), -intHighest, intHighest, elno)) {
        return unreadable(key::elementSetNo);
    }
    if (given(key::revAtEpoch) &&
        !wholeOf(value(key::revAtEpoch), -intHighest, intHighest, revno)) {
        return unreadable(key::revAtEpoch);
    }
    if (given(key::ephemerisType) && !wholeOf(value(key::ephemerisType), 0, 9, ephType)) {
        return unreadable(key::ephemerisType);
    }
    el.type = 'U';
    if (given(key::classificationType)) {
        const std::string_view c = value(key::classificationType);
        if (c.size() != 1 || !((c[0] >= 'A' && c[0] <= 'Z') || (c[0] >= 'a' && c[0] <= 'z'))) {
            return unreadable(key::classificationType);
        }
        el.type = c[0];
    }
    // Elements of another theory, frame, time scale or centre are not the
    // mean elements the decay theory and the TLE writer assume.
    if (given(key::meanElementTheory) && !isSgp4Family(value(key::meanElementTheory))) {
        return foreign(key::meanElementTheory);
    }
    if (given(key::refFrame) && value(key::refFrame) != teme) return foreign(key::refFrame);
    if (given(key::timeSystem) && value(key::timeSystem) != utc) return foreign(key::timeSystem);
    if (given(key::centerName) && value(key::centerName) != earth) return foreign(key::centerName);

    el.objno = static_cast<int>(objno);
    el.elno = static_cast<int>(elno);
    el.revno = static_cast<int>(revno);
    // The name as a title line gives it: at most 68 characters; without a
    // name, the designator, as for a set without a title line.
    if (given(key::objectName)) {
        const std::string_view name = value(key::objectName);
        constexpr std::size_t titleWidth = tle::lineWidth - 1;
        const std::size_t n = name.size() < titleWidth ? name.size() : titleWidth;
        std::memcpy(el.title, name.data(), n);
        el.title[n] = '\0';
    } else {
        std::memcpy(el.title, el.objid, sizeof el.objid);
    }
    if (meanMotionAccepted(el.n)) el.if_valid = 1;
    return el;
}

bool lineReader::next() {
    // fgets ends what it read with a NUL: in the last byte only when it
    // filled the buffer.
    constexpr std::size_t last = sizeof buf_ - 1;
    buf_[last] = 'x';
    if (std::fgets(buf_, sizeof buf_, fp_) == nullptr) return false;
    ++line_;
    const bool filled = buf_[last] == '\0';
    std::size_t n = std::strlen(buf_);
    const bool lineFeed = n > 0 && buf_[n - 1] == '\n';
    if (lineFeed) --n;
    // A NUL inside the line cuts its text there; the line itself ended where
    // fgets stopped, at a line feed unless at the end of the file.
    ended_ = lineFeed || (filled ? buf_[last - 1] == '\n' : !std::feof(fp_));
    tooLong_ = !ended_ && filled;
    if (tooLong_) {
        // The rest of an overlong line goes with it.
        int c;
        while ((c = std::fgetc(fp_)) != EOF && c != '\n') {
        }
        ended_ = c == '\n';
    }
    if (n > 0 && buf_[n - 1] == '\r') --n;
    // A UTF-8 byte-order mark before the first line.
    std::size_t start = 0;
    if (line_ == 1 && n >= 3 && std::memcmp(buf_, "\xEF\xBB\xBF", 3) == 0) start = 3;
    std::memmove(buf_, buf_ + start, n - start);
    len_ = static_cast<int>(n - start);
    return true;
}

namespace {

// The next field of a CSV line from `p`: a quoted field ("" for a quote
// inside) is unquoted into `out`. Returns the position after the comma, or
// npos after the last field.
std::size_t csvField(std::string_view line, std::size_t p, char (&out)[256],
                     std::string_view& field) {
    if (p < line.size() && line[p] == '"') {
        std::size_t n = 0;
        std::size_t k = p + 1;
        for (; k < line.size(); ++k) {
            if (line[k] == '"') {
                if (k + 1 < line.size() && line[k + 1] == '"') {
                    ++k;
                } else {
                    break;
                }
            }
            if (n < sizeof out) out[n++] = line[k];
        }
        field = std::string_view(out, n);
        const std::size_t comma = line.find(',', k);
        return comma == std::string_view::npos ? comma : comma + 1;
    }
    const std::size_t comma = line.find(',', p);
    field = line.substr(p, comma == std::string_view::npos ? std::string_view::npos : comma - p);
    return comma == std::string_view::npos ? comma : comma + 1;
}

bool blank(std::string_view s) { return trim(s).empty(); }

}  // namespace

csvReader::csvReader(std::FILE* fp) : lines_(fp) {
    // The header: the first line that is not blank.
    while (lines_.next()) {
        if (blank(lines_.text())) continue;
        const std::string_view line = lines_.text();
        char unquoted[256];
        std::size_t p = 0;
        while (p != std::string_view::npos && columns_ < maxColumns) {
            std::string_view name;
            p = csvField(line, p, unquoted, name);
            column_[columns_++] = keyOf(trim(name));
        }
        return;
    }
    done_ = true;
}

element csvReader::next() {
    while (!done_ && lines_.next()) {
        const std::string_view line = lines_.text();
        if (blank(line)) continue;
        rec_.begin(++records_, lines_.number());
        if (lines_.tooLong()) {
            rec_.reject("line", "too long");
            continue;
        }
        char unquoted[256];
        std::size_t p = 0;
        int n = 0;
        while (p != std::string_view::npos) {
            std::string_view v;
            p = csvField(line, p, unquoted, v);
            // An unquoted field is a view of the line; a quoted one is
            // copied, its buffer serves the next one.
            if (n < columns_ && v.data() == unquoted) rec_.keep(column_[n], v);
            if (n < columns_ && v.data() != unquoted) rec_.set(column_[n], v);
            ++n;
        }
        if (n < columns_ && !lines_.ended()) {
            // A last row without its line end and short of columns: the
            // file was cut inside it.
            reportCut(lines_.number());
            done_ = true;
            break;
        }
        if (n != columns_) {
            char problem[64];
            std::snprintf(problem, sizeof problem, "has %d columns, the header %d", n, columns_);
            rec_.reject("row", problem);
            continue;
        }
        const element el = rec_.finish();
        if (el.if_valid == 1) return el;
    }
    done_ = true;
    return element{};
}

element kvnReader::next() {
    element el{};
    bool open = false;  // a message begun and not yet finished
    auto close = [&] {
        open = false;
        el = rec_.finish();
        return el.if_valid == 1;
    };
    for (;;) {
        if (pending_) {
            pending_ = false;
            rec_.begin(++records_, pendingLine_);
            open = true;
        }
        if (!lines_.next()) break;
        const std::string_view line = trim(lines_.text());
        if (line.empty()) continue;
        const std::size_t eq = line.find('=');
        const std::string_view name = trim(line.substr(0, eq));
        if (name == "COMMENT" || name.starts_with("COMMENT ") || name.starts_with("COMMENT\t")) {
            continue;
        }
        if (eq == std::string_view::npos) {
            // Block marks of other message kinds (META_START ...) say nothing here.
            if (isKeyword(line)) continue;
            std::printf("Line %ld of the element file is not KEYWORD = value: skipped\n",
                        lines_.number());
            continue;
        }
        if (name == "CCSDS_OMM_VERS") {
            // The start of the next message ends the one before.
            pending_ = true;
            pendingLine_ = lines_.number();
            if (open && close()) return el;
            continue;
        }
        if (!open) {
            // Keywords before the first message header belong to none.
            rec_.begin(++records_, lines_.number());
            open = true;
        }
        // The value, less a unit in brackets after a number; a name keeps
        // its brackets ("COSMOS 2433 [GLONASS-M]").
        const key k = keyOf(name);
        std::string_view v = line.substr(eq + 1);
        const std::size_t bracket = v.rfind('[');
        if (k != key::objectName && bracket != std::string_view::npos && trim(v).ends_with("]")) {
            v = v.substr(0, bracket);
        }
        rec_.keep(k, v);
    }
    if (open && close()) return el;
    return element{};
}

}  // namespace omm

}  // namespace morvel
