#include "formats/omm.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "cal.h"
#include "formats/text.h"
#include "numtext.h"

namespace morvel::omm {

namespace {

static_assert(sizeof fields / sizeof fields[0] == keyCount);

constexpr bool tableInKeyOrder() {
    for (int k = 0; k < keyCount; ++k) {
        if (static_cast<int>(fields[k].k) != k) return false;
    }
    return true;
}
static_assert(tableInKeyOrder(), "keyName indexes the table by key");
static_assert(inMessageOrder.count == keyCount, "every keyword has its one place in a message");
static_assert(inGpOrder.count == 17, "CelesTrak's GP files have 17 columns");

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

// A decimal number filling the whole text (sign, digits with a point, a
// leading point, an exponent in either case), read by the one decimal
// scanner: the double the TLE reader gives for the same text. Out of the
// double's range (infinite, or nonzero digits that come to zero) it is no
// element.
bool realOf(std::string_view s, double& v) {
    char buf[128];  // values kept are at most 96 characters
    if (s.empty() || s.size() >= sizeof buf) return false;
    std::memcpy(buf, s.data(), s.size());
    buf[s.size()] = '\0';
    // One sign at most: "+-1" is no number.
    const char* p = buf[0] == '+' && s.size() > 1 && buf[1] != '-' && buf[1] != '+' ? buf + 1 : buf;
    double x = 0.0;
    if (*p == '+' || scanDecimal(p, x) != static_cast<int>(buf + s.size() - p)) return false;
    if (!(x - x == 0.0)) return false;
    if (x == 0.0 && s.substr(0, s.find_first_of("eE")).find_first_of("123456789") != std::string_view::npos) {
        return false;
    }
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
constexpr std::int64_t secondsPerDay = 86400;

}  // namespace

key keyOf(std::string_view name) {
    // Length and last letter first: most keywords differ there.
    if (name.empty()) return key::other;
    for (const field& f : fields) {
        if (f.keyword.size() == name.size() && f.keyword.back() == name.back() && f.keyword == name) {
            return f.k;
        }
    }
    return key::other;
}

const char* keyName(key k) {
    return k == key::other ? "?" : fields[static_cast<int>(k)].keyword.data();
}

bool isKeyword(std::string_view name) {
    if (name.empty() || !isUpper(name[0])) return false;
    for (char c : name) {
        if (!isUpper(c) && !isDigit(c) && c != '_') return false;
    }
    return true;
}

bool epochOf(std::string_view s, double& epoch) {
    text::isoTime t;
    if (!text::parseIsoTime(s, t) || !t.hasTime) return false;
    if (t.year < lowestEpochYear || t.year > highestEpochYear) return false;
    // The day of the year and its fraction, one division of exact integers
    // (below 2^53): the double the TLE reader makes of "DDD.dddddddd" when
    // the instant is the same.
    const std::int64_t unitsPerDay = secondsPerDay * t.scale;
    const std::int64_t units = t.dayOfYear * unitsPerDay +
                               ((t.hour * 60 + t.minute) * 60 + t.second) * t.scale + t.fraction;
    const double dayOfYear = static_cast<double>(units) / static_cast<double>(unitsPerDay);
    epoch = ep2jd(static_cast<double>(1000L * (t.year % 100)) + dayOfYear);
    return true;
}

bool designatorOf(std::string_view s, char (&objid)[9]) {
    std::memset(objid, ' ', 8);
    objid[8] = '\0';
    if (s.empty()) return true;
    if (s.size() < 9 || s.size() > 11 || text::digitsAt(s, 0, 4) < 0 || s[4] != '-' ||
        text::digitsAt(s, 5, 3) < 0) {
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

void reportCut(messageSink& sink, std::string_view file, long line) {
    reportf(sink, {messageKind::cut, file, line, 0, {}, {}, "file ends inside a record", {}},
            "Element file ends inside a record at line %ld: that record is lost\n", line);
}

void reportUnclosed(messageSink& sink, std::string_view file, long line) {
    reportf(sink, {messageKind::note, file, line, 0, {}, {}, "file ends before the close of its list: every record kept", {}},
            "Element file ends at line %ld before the close of its list: every record kept\n", line);
}

void record::begin(long number, long line) {
    number_ = number;
    line_ = line;
    for (std::string_view& v : value_) v = {};
    for (bool& c : cut_) c = false;
}

void record::set(key k, std::string_view v) {
    if (k == key::other) return;
    v = text::trim(v);
    const int i = static_cast<int>(k);
    // A view with a place but no characters: an empty designator.
    value_[i] = v.empty() && k != key::objectId
                    ? std::string_view()
                    : std::string_view(v.data() ? v.data() : "", v.size());
    cut_[i] = false;
}

void record::keep(key k, std::string_view v) {
    if (k == key::other) return;
    v = text::trim(v);
    const int i = static_cast<int>(k);
    const std::size_t n = v.size() < valueSize ? v.size() : valueSize;
    std::memcpy(text_[i], v.data(), n);
    set(k, std::string_view(text_[i], n));
    cut_[i] = v.size() > n;
}

void record::reject(std::string_view what, std::string_view problem) const {
    // The record by its place, then by its catalogue number and name as far
    // as they were given.
    char who[160];
    const std::string_view no = given(key::noradCatId) ? value(key::noradCatId) : "";
    const std::string_view name = given(key::objectName) ? value(key::objectName) : "";
    std::snprintf(who, sizeof who, "%s%.*s%s%.*s", no.empty() ? "" : "object ",
                  static_cast<int>(no.size()), no.data(), !no.empty() && !name.empty() ? " " : "",
                  static_cast<int>(name.size()), name.data());
    reportf(sink_, {messageKind::rejected, file_, line_, number_, who, what, problem, {}},
            "Record %ld at line %ld (%s) rejected: %.*s %.*s\n", number_, line_,
            who[0] != '\0' ? who : "no number or name", static_cast<int>(what.size()), what.data(),
            static_cast<int>(problem.size()), problem.data());
}

bool record::readWhole(const field& f, long& v) const {
    return !cut(f.k) && wholeOf(value(f.k), f.lowest, f.highest, v);
}

element record::finish() {
    element el{};
    el.if_valid = 0;
    char problem[valueSize + 32];
    auto missing = [&](key k) {
        reject(keyName(k), "missing");
        return el;
    };
    auto said = [&](key k, const char* format) {
        const std::string_view v = value(k);
        std::snprintf(problem, sizeof problem, format, static_cast<int>(v.size()), v.data());
        reject(keyName(k), problem);
        return el;
    };
    auto unreadable = [&](key k) { return said(k, "\"%.*s\" unreadable"); };

    // The catalogue number, the epoch and the elements proper: present and
    // readable, or the record is lost.
    const field& norad = fields[static_cast<int>(key::noradCatId)];
    long objno = 0;
    if (!given(norad.k)) return missing(norad.k);
    if (!readWhole(norad, objno)) return unreadable(norad.k);
    if (!given(key::epoch)) return missing(key::epoch);
    if (cut(key::epoch) || !epochOf(value(key::epoch), el.epoch)) return unreadable(key::epoch);
    for (const field& f : fields) {
        if (f.kind != fieldKind::real) continue;
        if (!given(f.k)) return missing(f.k);
        if (cut(f.k) || !realOf(value(f.k), el.*f.real)) return unreadable(f.k);
    }
    if (cut(key::objectId) || !designatorOf(value(key::objectId), el.objid)) {
        return unreadable(key::objectId);
    }
    // Bookkeeping: absent means 0, U (unclassified) and ephemeris type 0.
    for (const key k : {key::elementSetNo, key::revAtEpoch, key::ephemerisType}) {
        const field& f = fields[static_cast<int>(k)];
        long v = 0;
        if (given(k) && !readWhole(f, v)) return unreadable(k);
        if (f.whole != nullptr) el.*f.whole = static_cast<int>(v);
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
    for (const field& f : fields) {
        if (f.kind != fieldKind::metadata || !given(f.k)) continue;
        const bool sgp4 = f.k == key::meanElementTheory ? isSgp4Family(value(f.k)) : value(f.k) == f.only;
        if (!sgp4) return said(f.k, "%.*s is not one this theory can use");
    }

    el.objno = static_cast<int>(objno);
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
    if (meanMotionInRange(el.n)) {
        el.if_valid = 1;
    } else {
        reportRejectedMeanMotion(sink_, file_, line_, el.n);
    }
    return el;
}

namespace {

// Columns 10-17 as the designator 1998-067A: two digits of the year
// (57..99 the 1900s), three of the launch, one to three piece letters (as
// many as the columns hold), blanks after. Anything else gives the empty
// text of an unknown one.
std::size_t designatorText(char* out, const char* objid) {
    const std::string_view s(objid, std::strlen(objid));
    std::size_t pieces = 0;
    while (5 + pieces < s.size() && isUpper(s[5 + pieces])) ++pieces;
    const bool blanksAfter = s.find_first_not_of(' ', 5 + pieces) == std::string_view::npos;
    const int yy = text::digitsAt(s, 0, 2);
    if (yy < 0 || text::digitsAt(s, 2, 3) < 0 || pieces == 0 || !blanksAfter) return 0;
    const char* century = yy < 57 ? "20" : "19";
    std::memcpy(out, century, 2);
    std::memcpy(out + 2, s.data(), 2);
    out[4] = '-';
    std::memcpy(out + 5, s.data() + 2, 3);
    std::memcpy(out + 8, s.data() + 5, pieces);
    return 8 + pieces;
}

// The title without the blanks around it, each character outside printable
// ASCII (a control character, a byte of another encoding) as '?': every
// encoding can then hold it on one line.
std::size_t nameText(char* out, const char* title) {
    const std::string_view t = text::trim(title);
    for (std::size_t k = 0; k < t.size(); ++k) out[k] = t[k] >= ' ' && t[k] <= '~' ? t[k] : '?';
    return t.size();
}

}  // namespace

key texts::fill(const element& el) {
    for (const field& f : fields) {
        char* out = text_[static_cast<int>(f.k)];
        std::size_t n = 0;
        switch (f.kind) {
            case fieldKind::name:
                n = nameText(out, el.title);
                break;
            case fieldKind::designator:
                n = designatorText(out, el.objid);
                break;
            case fieldKind::epoch: {
                const isoText iso = isoUtcMicroseconds(el.epoch);
                n = std::strlen(iso.text);
                if (n == 0) return f.k;
                std::memcpy(out, iso.text, n);
                break;
            }
            case fieldKind::real: {
                const double x = el.*f.real;
                if (!std::isfinite(x)) return f.k;
                n = static_cast<std::size_t>(std::to_chars(out, out + textSize, x).ptr - out);
                break;
            }
            case fieldKind::whole:
                if (f.whole == nullptr) {
                    n = f.only.size();
                    std::memcpy(out, f.only.data(), n);
                } else {
                    n = static_cast<std::size_t>(std::to_chars(out, out + textSize, el.*f.whole).ptr - out);
                }
                break;
            case fieldKind::classification:
                out[0] = isUpper(el.type) || (el.type >= 'a' && el.type <= 'z') ? el.type : 'U';
                n = 1;
                break;
            case fieldKind::metadata:
                n = f.only.size();
                std::memcpy(out, f.only.data(), n);
                break;
        }
        value_[static_cast<int>(f.k)] = std::string_view(out, n);
    }
    const titleHeights h = titleHeightsOf(el);
    for (int i = 0; i < userCount; ++i) {
        char* out = userText_[i];
        user_[i] = std::string_view(out, std::to_chars(out, out + sizeof userText_[i], h.*userFields[i].height).ptr - out);
    }
    return key::other;
}

}  // namespace morvel::omm
