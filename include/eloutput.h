// Element-set writer: title line with apogee and perigee heights, line 1 and
// line 2 with their checksum digits, in the two-line element format.
#pragma once

#include <cstddef>
#include <cstdio>

#include "elinput.h"

namespace morvel {

// Check digit of a text: the sum of its digits 1..9, with 1 for each '-',
// modulo 10.
int checksum(const char* buffer);

// The text printf gives x in "%<width>.<precision>lf" (with the '0' flag when
// zeroFill), NUL-terminated in `out` of `size` characters, cut to fit as
// snprintf cuts it. Returns the length of the whole text.
int fixedText(char* out, std::size_t size, double x, int width, int precision, bool zeroFill);

// Whether the format can carry catalogue number `objno`: five digits, or the
// Alpha-5 form up to 339999.
bool tleNumbered(long objno);

// Writes `outel` as three lines to `outFp`. Returns the status 1.
int eloutput(std::FILE* outFp, element outel);

}  // namespace morvel
