#include "eloutput.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "cal.h"
#include "geometry.h"
#include "numtext.h"

namespace morvel {

namespace {

// Line text under construction; a text that would overrun the buffer is cut
// at its end. A NUL character put in ends the line there, as printf's text
// would be read back.
struct lineText {
    static constexpr int capacity = 2048;
    char text[capacity];
    int len = 0;

    int room() const { return capacity - 1 - len; }
    void put(char c) {
        if (len < capacity - 1) text[len++] = c;
    }
    void put(const char* s, int maxLen = 1 << 30) {
        for (int k = 0; k < maxLen && s[k] != '\0'; ++k) put(s[k]);
    }
    // "%<width>li", or "%0<width>li" when zeroFill; at most 95 characters.
    void putWhole(long v, int width, bool zeroFill) {
        constexpr int fieldSize = 96;
        if (room() >= fieldSize) {
            const int n = wholeText(text + len, v, width, zeroFill);
            len += n < fieldSize ? n : fieldSize - 1;
            return;
        }
        char field[fieldSize];
        wholeText(field, v, width, zeroFill);
        put(field);
    }
    // "%<width>.<precision>lf", or with the '0' flag when zeroFill; at most
    // 399 characters, ample for any double.
    void putFixed(double x, int width, int precision, bool zeroFill) {
        constexpr int fieldSize = 400;
        if (room() >= fieldSize) {
            const int n = fixedText(text + len, fieldSize, x, width, precision, zeroFill);
            len += n < fieldSize ? n : fieldSize - 1;
            return;
        }
        char field[fieldSize];
        fixedText(field, sizeof field, x, width, precision, zeroFill);
        put(field);
    }
    // The text, ended.
    const char* str() {
        text[len] = '\0';
        return text;
    }
};

// Title columns before the heights; a title is cut or filled to this width.
constexpr int titleWidth = 49;

// Text of one exponent-form field: a sign or blank, five mantissa digits and
// a signed one-digit exponent, 8 columns (cols 45..52 and 54..61 of line 1).
constexpr int exponentWidth = 8;
static_assert(tle::l1Nrate2Mant.width + tle::l1Nrate2Exp.width - 1 == exponentWidth);
static_assert(tle::l1BstarMant.width + tle::l1BstarExp.width - 1 == exponentWidth);
// Room for any long the formats are given; the field rules keep the text at
// exponentWidth characters (five mantissa digits, a one-digit exponent).
struct exponentText {
    char text[96];
};

// "%<width>li%li" of mantissa and exponent at `out`, or "%<width>li+%li" for
// a non-negative exponent (a negative one brings its own minus sign).
void mantissaExponentText(char* out, long m, int width, long e) {
    int k = wholeText(out, m, width, false);
    if (e >= 0) out[k++] = '+';
    wholeText(out + k, e, 0, false);
}

// The field of a zero (or not-a-number) value.
exponentText zeroField() {
    exponentText out{};
    constexpr char zero[] = " 00000-0";
    std::memcpy(out.text, zero, sizeof zero);
    return out;
}

// Catalogue number of columns 3..7: five digits, or from 100000 on the
// Alpha-5 form, a letter for the ten thousands and four digits.
struct catalogueText {
    char text[96];
};

catalogueText catalogueField(long objno) {
    catalogueText out{};
    if (objno >= tle::alpha5Lowest && objno <= tle::alpha5Highest) {
        // "%c%04li": the letter, then the last four digits.
        out.text[0] = tle::alpha5Letters[objno / 10000 - 10];
        wholeText(out.text + 1, objno % 10000, 4, true);
    } else {
        wholeText(out.text, objno, 5, true);
    }
    return out;
}

// Decimal exponent and five-digit mantissa of a magnitude: mag = 0.M x 10^E.
// A mantissa that rounds up to 100000 is 10000 with the exponent one higher.
struct mantExp {
    long m;
    double e;
};

mantExp mantissaExponent(double mag) {
    mantExp r;
    r.e = std::ceil(std::log10(mag));
    r.m = truncLong(100000 * mag * std::pow(10.0, -r.e) + 0.5);
    if (r.m == 100000) {
        r.m = 10000;
        r.e = r.e + 1;
    }
    return r;
}

// Second derivative of the mean motion / 6: sign or blank, then 0.M x 10^E.
// Magnitudes above 50 are written as 50; at most 1e-8, or not a number, as
// the zero field.
exponentText nrate2Field(double x) {
    if (std::isnan(x)) return zeroField();
    char sign = ' ';
    if (x < 0) {
        sign = '-';
        x = -x;
    }
    if (x > 50.0) x = 50.0;
    if (x <= 1e-08) return zeroField();
    const mantExp me = mantissaExponent(x);
    const long e = truncLong(me.e);
    // "%c%li%li", or "%c%li+%li" for a non-negative exponent.
    exponentText out{};
    out.text[0] = sign;
    mantissaExponentText(out.text + 1, me.m, 0, e);
    return out;
}

// B*: the mantissa printed 6 wide carries its sign. Values within 1e-8 of 0,
// or not a number, are the zero field; an exponent of 10 or more, which one
// digit cannot carry, the largest field of its sign.
exponentText bstarField(double x) {
    if (std::isnan(x)) return zeroField();
    bool negative = false;
    if (x < -1e-08) {
        negative = true;
        x = -x;
    }
    if (x <= 1e-08) return zeroField();
    mantExp me{0, std::ceil(std::log10(x))};
    if (me.e < 10) me = mantissaExponent(x);
    exponentText out{};
    if (me.e >= 10) {
        std::memcpy(out.text, negative ? "-99999+9" : " 99999+9", exponentWidth + 1);
        return out;
    }
    const long m = negative ? -me.m : me.m;
    const long e = truncLong(me.e);
    // "%6li%li", or "%6li+%li" for a non-negative exponent.
    mantissaExponentText(out.text, m, 6, e);
    return out;
}

// First derivative of the mean motion / 2: the character of column 34, a
// point, and eight digits rounded half up. Column 34 holds the sign, or for
// values from 1 to below 10 the integer digit; what does not fit is written
// as the nearest value that does.
struct firstDerivative {
    char sign;
    long digits;
};

constexpr double eightDecimals = 100000000;
constexpr long allNines = 99999999;

firstDerivative nrateField(double x) {
    if (x < 0) {
        const double mag = -x;
        const double r = mag * eightDecimals + 0.5;
        if (r >= eightDecimals) return {'-', allNines};
        return {'-', truncLong(r)};
    }
    if (x < 1) {
        const double r = x * eightDecimals + 0.5;
        if (r >= eightDecimals) return {'1', 0};
        return {' ', truncLong(r)};
    }
    if (x < 10) {
        const int whole = truncInt(x);
        const double frac = x - whole;
        const double r = frac * eightDecimals + 0.5;
        if (r >= eightDecimals) {
            if (whole + 1 == 10) return {'9', allNines};
            return {static_cast<char>('0' + whole + 1), 0};
        }
        return {static_cast<char>('0' + whole), truncLong(r)};
    }
    // 10 or more, or not a number.
    return {'9', allNines};
}

// Mean motion within what "%11.8lf" keeps in columns 53..63.
double clampMeanMotion(double n) {
    if (n > 99.99999999) return 99.99999999;
    if (n < -9.99999999) return -9.99999999;
    return n;
}

// An angle as "%8.4lf" keeps it in its 8 columns. An angle the evolution
// carried far outside a revolution (the node and perigee of a very eccentric
// orbit precess by thousands of degrees a day) is written reduced into
// [0, 360), the same direction, rather than pushing the later columns out.
double fittingAngle(double x) {
    // Well inside the columns no probe is needed; near their edges the
    // printed text decides.
    if (x > -99.999 && x < 999.999) return x;
    char probe[400];
    if (fixedText(probe, sizeof probe, x, 8, 4, false) <= 8) return x;
    double r = std::fmod(x, 360.0);
    if (r < 0) r = r + 360.0;
    return r;
}

}  // namespace

bool tleNumbered(long objno) { return objno <= tle::alpha5Highest; }

titleHeights titleHeightsOf(const element& el) {
    const orbitSize size = heights(el.n, el.ecc);
    return {truncInt(size.apogee), truncInt(size.perigee)};
}

int eloutput(std::FILE* outFp, element outel) {
    // Title line: the title in 49 columns, then apogee and perigee heights
    // in km.
    const titleHeights h = titleHeightsOf(outel);
    char title[titleWidth + 1];
    bool ended = false;
    for (int k = 0; k < titleWidth; ++k) {
        ended = ended || outel.title[k] == '\0';
        title[k] = ended ? ' ' : outel.title[k];
    }
    title[titleWidth] = '\0';
    std::fprintf(outFp, "%s%li x %li km\n", title, h.apogee, h.perigee);

    const catalogueText objno = catalogueField(outel.objno);
    const firstDerivative nd = nrateField(outel.nrate);
    const exponentText nd2 = nrate2Field(outel.nrate2);
    const exponentText bs = bstarField(outel.bstar);

    // Line 1 as "1 %s%c %.8s %014.8lf %c.%08li %s %s 0 %4li" gives it.
    lineText line;
    line.put("1 ");
    line.put(objno.text);
    line.put(outel.type);
    line.put(' ');
    line.put(outel.objid, 8);
    line.put(' ');
    line.putFixed(jd2ep(outel.epoch), 14, 8, true);
    line.put(' ');
    line.put(nd.sign);
    line.put('.');
    line.putWhole(nd.digits, 8, true);
    line.put(' ');
    line.put(nd2.text);
    line.put(' ');
    line.put(bs.text);
    line.put(" 0 ");
    line.putWhole(outel.elno, 4, false);
    const char* text = line.str();
    std::fprintf(outFp, "%s%i\n", text, checksum(text));

    // Line 2 as "2 %s %8.4lf %8.4lf %07li %8.4lf %8.4lf %11.8lf%5li" gives it.
    const long eccDigits = truncLong(outel.ecc * 10000000 + 0.5);
    line.len = 0;
    line.put("2 ");
    line.put(objno.text);
    line.put(' ');
    line.putFixed(fittingAngle(outel.inc), 8, 4, false);
    line.put(' ');
    line.putFixed(fittingAngle(outel.ra), 8, 4, false);
    line.put(' ');
    line.putWhole(eccDigits, 7, true);
    line.put(' ');
    line.putFixed(fittingAngle(outel.ap), 8, 4, false);
    line.put(' ');
    line.putFixed(fittingAngle(outel.m), 8, 4, false);
    line.put(' ');
    line.putFixed(clampMeanMotion(outel.n), 11, 8, false);
    line.putWhole(outel.revno, 5, false);
    text = line.str();
    std::fprintf(outFp, "%s%i\n", text, checksum(text));
    return 1;
}

}  // namespace morvel
