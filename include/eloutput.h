// Element-set writer: title line with apogee and perigee heights, line 1 and
// line 2 with their checksum digits, in the two-line element format.
#pragma once

#include <cstdio>

#include "elinput.h"

namespace morvel {

// Whether the format can carry catalogue number `objno`: five digits, or the
// Alpha-5 form up to 339999.
bool tleNumbered(long objno);

// The apogee and perigee heights of the title line, in whole km (cut toward
// zero) above the equatorial radius.
struct titleHeights {
    long apogee;
    long perigee;
};
titleHeights titleHeightsOf(const element& el);

// Writes `outel` as three lines to `outFp`. Returns the status 1.
int eloutput(std::FILE* outFp, element outel);

}  // namespace morvel
