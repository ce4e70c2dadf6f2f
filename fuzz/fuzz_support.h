// What the fuzz targets share: a set written into memory, and the check
// digit of a written line computed here, independently of the writer's own.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "eloutput.h"

namespace fuzzsupport {

// Three written lines, each at most a few hundred columns even for the
// widest doubles.
inline char written[16384];

// Writes `el` into `written`; returns the length.
inline std::size_t write(const morvel::element& el) {
    std::FILE* out = fmemopen(written, sizeof written, "w");
    if (out == nullptr) std::abort();
    if (morvel::eloutput(out, el) != 1) std::abort();
    std::fflush(out);
    const long len = std::ftell(out);
    std::fclose(out);
    if (len <= 0 || static_cast<std::size_t>(len) >= sizeof written) std::abort();
    return static_cast<std::size_t>(len);
}

// Sum of the digits 1..9 of the first `len` characters, 1 for each '-',
// modulo 10.
inline int checkDigit(const char* text, std::size_t len) {
    int sum = 0;
    for (std::size_t k = 0; k < len; ++k) {
        if (text[k] >= '1' && text[k] <= '9') sum += text[k] - '0';
        if (text[k] == '-') sum += 1;
    }
    return sum % 10;
}

}  // namespace fuzzsupport
