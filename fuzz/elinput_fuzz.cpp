// Fuzz target of the element-set reader: any bytes as an element file. Every
// accepted set is written back, and each written line 1 and line 2 must end
// in its check digit; when the record's values fit the columns, the lines
// must be 69 columns and read back as an accepted set.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cal.h"
#include "elinput.h"
#include "fuzz_support.h"

namespace {

using fuzzsupport::checkDigit;
using fuzzsupport::write;
using fuzzsupport::written;
using morvel::element;

// Whether every field of the record has a value its columns can carry.
bool fitsColumns(const element& el) {
    const double ep = morvel::jd2ep(el.epoch);
    auto angle = [](double x) { return x >= -99.9999 && x <= 999.9999; };
    return ep >= 0 && ep <= 99999.99999999 && angle(el.inc) && angle(el.ra) && angle(el.ap) &&
           angle(el.m) && el.ecc >= 0 && el.ecc <= 0.99999994 && el.elno >= -999 &&
           el.elno <= 9999 && el.objno >= -9999 && el.objno <= 339999 && el.revno >= -9999 &&
           el.revno <= 99999;
}

void checkWritten(const element& el) {
    const std::size_t len = write(el);
    const bool fits = fitsColumns(el);
    // Title line, line 1, line 2, each with its line feed.
    const char* p = written;
    const char* const end = written + len;
    for (int k = 0; k < 3; ++k) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (nl == nullptr) std::abort();
        const std::size_t n = nl - p;
        if (k > 0) {
            if (p[0] != (k == 1 ? '1' : '2') || n < 2) std::abort();
            if (p[n - 1] != '0' + checkDigit(p, n - 1)) std::abort();
            if (fits && n != 69) std::abort();
        }
        p = nl + 1;
    }
    if (p != end) std::abort();
    if (!fits) return;

    // Read back (without the title, whose heights could pose as a line 1):
    // the same set, unless its mean motion written to eight decimals falls
    // on a rejected value.
    element plain = el;
    std::strcpy(plain.title, "X");
    const std::size_t len2 = write(plain);
    const char* line2 = static_cast<const char*>(std::memchr(written, '\n', len2));
    line2 = static_cast<const char*>(std::memchr(line2 + 1, '\n', written + len2 - line2 - 1)) + 1;
    char nText[12] = {};
    std::memcpy(nText, line2 + 52, 11);  // columns 53..63 alone
    const double n = std::strtod(nText, nullptr);
    std::FILE* in = fmemopen(written, len2, "r");
    if (in == nullptr) std::abort();
    const element back = morvel::elinput(in);
    std::fclose(in);
    const bool readable = n > 0.01 && n < 17.0;
    if (back.if_valid != (readable ? 1 : 0)) std::abort();
    if (readable && (back.objno != el.objno || back.revno != el.revno || back.elno != el.elno ||
                     back.type != el.type || std::strcmp(back.objid, el.objid) != 0)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // Read only: fmemopen does not write into a buffer opened with "r".
    std::FILE* in = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
    if (in == nullptr) std::abort();
    std::size_t accepted = 0;
    for (;;) {
        const element el = morvel::elinput(in);
        if (el.if_valid == 0) break;
        if (el.if_valid != 1) std::abort();
        // Each accepted set takes at least two lines of at least one byte.
        if (++accepted > size / 2) std::abort();
        checkWritten(el);
    }
    std::fclose(in);
    return 0;
}
