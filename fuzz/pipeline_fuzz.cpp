// Fuzz target of the equator-crossing pipeline: any bytes as an element
// file; every accepted set is primed, evolved to its first crossing and
// written. The evolution must end, and every line 1 whose epoch and every
// line 2 whose revolution number the format can carry must keep its 69
// columns with the right check digit. (Priming lowers the revolution number
// by one for the crossing to add back: a set read with -9999 whose state is
// not a number, so that no crossing is written, keeps -10000, six columns.)
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cal.h"
#include "elinput.h"
#include "evolve.h"
#include "fuzz_support.h"

namespace {

// Checks one written line: 69 columns, the line number, the check digit.
void checkLine(const char* line, std::size_t len, char number) {
    if (len != 69 || line[0] != number) std::abort();
    if (line[68] - '0' != fuzzsupport::checkDigit(line, 68)) std::abort();
}

void writeAndCheck(const morvel::element& el) {
    const std::size_t len = fuzzsupport::write(el);
    const char* const written = fuzzsupport::written;
    const char* p = written;
    const char* const end = written + len;
    const char* lines[3];
    std::size_t lens[3];
    for (int k = 0; k < 3; ++k) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (nl == nullptr) std::abort();
        lines[k] = p;
        lens[k] = static_cast<std::size_t>(nl - p);
        p = nl + 1;
    }
    if (p != end) std::abort();
    const double ep = morvel::jd2ep(el.epoch);
    if (ep >= 0 && ep < 99999.999999995) checkLine(lines[1], lens[1], '1');
    if (el.revno >= -9999) checkLine(lines[2], lens[2], '2');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::FILE* in = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
    if (in == nullptr) return 0;
    for (int sets = 0; sets < 64; ++sets) {
        morvel::el = morvel::elinput(in);
        if (morvel::el.if_valid != 1) break;
        if (!morvel::crossingStep(150.0)) continue;
        if (!std::isfinite(morvel::el.epoch)) std::abort();
        writeAndCheck(morvel::el);
    }
    std::fclose(in);
    return 0;
}
