#include "elinput.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cal.h"
#include "formats/text.h"
#include "numtext.h"

namespace morvel {

namespace {

// One line of the element file as the reader sees it: at most lineWidth
// characters, the line feed included when the line is that short (the line
// source leaves it after the text).
struct tleLine {
    const char* text;
    int len;
};

tleLine lineOf(const text::lineSource& src) {
    const std::size_t seen = src.text().size() + (src.ended() ? 1 : 0);
    const int len = seen > static_cast<std::size_t>(tle::lineWidth) ? tle::lineWidth : static_cast<int>(seen);
    return {src.text().data(), len};
}

// Test of one column; a column beyond the end of the text fails.
bool columnIs(const tleLine& line, int col, char c) {
    return col <= line.len && line.text[col - 1] == c;
}

// The field's own columns, as far as the text has them, so that a
// conversion can never run on into the next field.
struct fieldText {
    char text[16];
};

fieldText cut(const tleLine& line, tleColumns f) {
    static_assert(sizeof(fieldText::text) > 12, "widest field is 12 columns");
    fieldText out{};
    int k = 0;
    for (int col = f.first; col < f.first + f.width && col <= line.len; ++col) {
        out.text[k++] = line.text[col - 1];
    }
    out.text[k] = '\0';
    return out;
}

const char* skipBlanks(const char* p) {
    while (isBlank(*p)) ++p;
    return p;
}

// A whole-number field: blanks skipped, then sign and digits; none give 0.
long wholeField(const tleLine& line, tleColumns f) {
    const fieldText t = cut(line, f);
    long v = 0;
    if (scanWhole(skipBlanks(t.text), v) == 0) v = 0;
    return v;
}

// A real-number field: blanks skipped, then the decimal grammar; none give 0.
// Inlined into the reader: a call for each of its many fields costs more
// than the field.
[[gnu::always_inline]] inline double realField(const tleLine& line, tleColumns f) {
    const fieldText t = cut(line, f);
    double v = 0.0;
    if (scanDecimal(skipBlanks(t.text), v) == 0) v = 0.0;
    return v;
}

// Mantissa and exponent of the format's exponent form: 0.M x 10^E, with the
// point assumed before the five digits of M. A zero mantissa is exactly 0,
// whatever the exponent says.
double exponentField(const tleLine& line, tleColumns mant, tleColumns expo) {
    const long m = wholeField(line, mant);
    const long e = wholeField(line, expo);
    if (m == 0) return 0.0;
    return (m / 100000.0) * std::pow(10.0, static_cast<double>(e));
}

// Catalogue number of columns 3..7: five digits, or the Alpha-5 form of a
// letter for the ten thousands and four digits.
long catalogueField(const tleLine& line, tleColumns f) {
    const fieldText t = cut(line, f);
    const char c = t.text[0];
    const bool letter = c >= 'A' && c <= 'Z' && c != 'I' && c != 'O';
    bool digits = true;
    for (int k = 1; k < f.width; ++k) digits = digits && isDigit(t.text[k]);
    if (letter && digits) {
        // I and O are left out of the letters, so that they cannot be taken
        // for 1 and 0.
        long tens = c - 'A' + 10;
        if (c > 'I') --tens;
        if (c > 'O') --tens;
        long rest = 0;
        for (int k = 1; k < f.width; ++k) rest = rest * 10 + (t.text[k] - '0');
        return tens * 10000 + rest;
    }
    return wholeField(line, f);
}

bool isLine1(const tleLine& line) {
    return columnIs(line, tle::l1LineNo.first, '1') && columnIs(line, tle::l1Blank.first, ' ') &&
           columnIs(line, tle::l1EpochPoint.first, '.') &&
           columnIs(line, tle::l1NratePoint.first, '.') &&
           columnIs(line, tle::l1EphType.first, '0');
}

// The title candidate: the line less its last character (the line feed, or
// the last kept column of a longer line).
void takeTitle(element& el, const tleLine& line) {
    const int n = line.len > 0 ? line.len - 1 : 0;
    std::memcpy(el.title, line.text, static_cast<std::size_t>(n));
    el.title[n] = '\0';
}

}  // namespace

tleReader::tleReader(std::FILE* fp, messageSink& sink, std::string_view file)
    : fp_(fp), lines_(text::lineSource::unbuffered(fp)), sink_(sink), file_(file) {}

element elinput(std::FILE* inpFp, messageSink& sink, std::string_view file) {
    return tleReader(inpFp, sink, file).next();
}

namespace {

// The points of line 2's fixed-point fields, each with the field's name.
struct pointColumn {
    tleColumns at;
    const char* field;
};
constexpr pointColumn line2Points[] = {{tle::l2IncPoint, "inclination"},
                                       {tle::l2RaPoint, "right ascension of the node"},
                                       {tle::l2ApPoint, "argument of perigee"},
                                       {tle::l2MPoint, "mean anomaly"},
                                       {tle::l2NPoint, "mean motion"}};

// The first of line 2's decimal points that is not in its column; null
// when all are.
const pointColumn* missingPoint(const tleLine& line) {
    for (const pointColumn& p : line2Points) {
        if (!columnIs(line, p.at.first, '.')) return &p;
    }
    return nullptr;
}

// Whether the line carries a check digit that does not match its columns
// (a line without one, shorter than 69 columns, carries none).
bool wrongCheckDigit(const tleLine& line) {
    if (line.len < tle::checksumColumn) return false;
    const char digit = line.text[tle::checksumColumn - 1];
    return isDigit(digit) && digit - '0' != checksum(std::string_view(line.text, tle::checksumColumn - 1));
}

}  // namespace

element tleReader::next() {
    std::FILE* const inpFp = fp_;
    text::lineSource& lines = lines_;
    messageSink& sink = sink_;
    const std::string_view file = file_;
    element inel{};
    inel.if_valid = 0;
    int if_title = 0;
    // The line after a line 1 that was no line 2, read again as what it is.
    bool again = false;

    while ((again || !std::feof(inpFp)) && !inel.if_valid) {
        if (!again && !lines.next()) {
            if (lines.failed()) return element{};
            continue;
        }
        again = false;
        tleLine line = lineOf(lines);

        // Anything before line 1 that fails the test may be the title.
        if (!isLine1(line)) {
            takeTitle(inel, line);
            if_title = 1;
            continue;
        }

        inel.objno = static_cast<int>(catalogueField(line, tle::l1Objno));
        inel.type = line.text[tle::l1Type.first - 1];
        std::memcpy(inel.objid, line.text + tle::l1Objid.first - 1, tle::l1Objid.width);
        inel.objid[tle::l1Objid.width] = '\0';
        inel.elno = static_cast<int>(wholeField(line, tle::l1Elno));
        const long year = wholeField(line, tle::l1EpochYear);
        const double day = realField(line, tle::l1EpochDay);
        inel.nrate = realField(line, tle::l1Nrate);
        if (!if_title) {
            std::memcpy(inel.title, inel.objid, sizeof inel.objid);
            if_title = 1;
        }
        inel.epoch = ep2jd(1000 * year + day);
        inel.nrate2 = exponentField(line, tle::l1Nrate2Mant, tle::l1Nrate2Exp);
        inel.bstar = exponentField(line, tle::l1BstarMant, tle::l1BstarExp);
        const bool wrong1 = wrongCheckDigit(line);

        const long line1 = lines.number();
        // The set's object, for a message.
        char object[32];
        auto named = [&] {
            std::snprintf(object, sizeof object, "object %li", static_cast<long>(inel.objno));
            return std::string_view(object);
        };

        // Line 2 must follow directly. Without it the set is lost, and its
        // title with it; what stands there is read again.
        const bool more = lines.next();
        if (!more && lines.failed()) return element{};
        line = lineOf(lines);
        if (!more || !columnIs(line, tle::l2LineNo.first, '2')) {
            reportf(sink, {messageKind::rejected, file, line1, 0, named(), "line 2", "is missing after its line 1", {}},
                    "Line 1 at line %ld (%s) has no line 2 after it: set rejected\n", line1, object);
            if_title = 0;
            again = more;
            continue;
        }

        const long objno2 = catalogueField(line, tle::l2Objno);
        if (objno2 != inel.objno) {
            reportf(sink, {messageKind::rejected, file, line1, 0, {}, "line 2", "object number differs from line 1", {}},
                    "Sorry - Line1/2 object mismatch\ninel.objno=%li objno2=%li\nLast line =%.*s=\n",
                    static_cast<long>(inel.objno), objno2, line.len, line.text);
            continue;
        }

        // A character lost or added moves every field after it: read so,
        // a 3078 x 630 km orbit becomes one of 24653 x 23748 km.
        if (const pointColumn* p = missingPoint(line)) {
            char problem[96];
            std::snprintf(problem, sizeof problem, "has no decimal point in column %i (%s)", p->at.first, p->field);
            reportf(sink, {messageKind::rejected, file, lines.number(), 0, named(), "line 2", problem, {}},
                    "Line 2 at line %ld (%s) has no decimal point in column %i (%s): set rejected\n", lines.number(),
                    object, p->at.first, p->field);
            if_title = 0;
            continue;
        }

        inel.inc = realField(line, tle::l2Inc);
        inel.ra = realField(line, tle::l2Ra);
        inel.ap = realField(line, tle::l2Ap);
        inel.m = realField(line, tle::l2M);
        inel.n = realField(line, tle::l2N);
        const long eccDigits = wholeField(line, tle::l2Ecc);
        const long revno = wholeField(line, tle::l2Revno);

        if (meanMotionInRange(inel.n)) {
            inel.if_valid = 1;
            inel.revno = static_cast<int>(revno);
            inel.ecc = eccDigits / 10000000.0;
            // Many files in circulation carry wrong check digits: the set
            // is read as it stands, and counted.
            if (wrong1 || wrongCheckDigit(line)) {
                if (wrongDigits_++ == 0) firstWrong_ = wrong1 ? line1 : lines.number();
            }
        } else {
            reportRejectedMeanMotion(sink, file, line1, inel.n);
        }
    }
    if (inel.if_valid != 1 && wrongDigits_ > 0) {
        char problem[96];
        std::snprintf(problem, sizeof problem, "wrong in sets read as they stand: %li, the first here", wrongDigits_);
        reportf(sink, {messageKind::note, file, firstWrong_, 0, {}, "check digit", problem, {}},
                "Sets read with a wrong check digit: %li (the first at line %li)\n", wrongDigits_, firstWrong_);
        wrongDigits_ = 0;
    }
    return inel;
}

int checksum(std::string_view columns) {
    // What each character adds, looked up: the reader checks every line,
    // and a lookup and an add a character cost it little.
    static constexpr auto weight = [] {
        std::array<unsigned char, 256> w{};
        for (int d = 1; d <= 9; ++d) w['0' + d] = static_cast<unsigned char>(d);
        w['-'] = 1;
        return w;
    }();
    unsigned sum = 0;
    for (const char c : columns) sum += weight[static_cast<unsigned char>(c)];
    return static_cast<int>(sum % 10);
}

bool meanMotionInRange(double n) { return n > 0.01 && n < 17.0; }

void reportRejectedMeanMotion(messageSink& sink, std::string_view file, long line, double n) {
    char problem[64];
    std::snprintf(problem, sizeof problem, "%g rev/day is outside 0.01..17", n);
    reportf(sink, {messageKind::rejected, file, line, 0, {}, "mean motion", problem, {}},
            "Invalid element rejected\n");
}

}  // namespace morvel
