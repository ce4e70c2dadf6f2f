#include "bess.h"


#include "j.h"

namespace morvel {

double BessI0(double z) {
    static constexpr double bess0[16] = {1.0,   1.01,  1.04,  1.092, 1.167, 1.266, 1.394, 1.553,
                                  1.75,  1.99,  2.28,  2.629, 3.049, 3.553, 4.157, 4.881};
    // z = 3.0 exactly falls in the last segment, never past the table.
    return tableLookup(bess0, 14, z);
}

double BessI1(double z) {
    static constexpr double bess1[16] = {0.0,   0.1005, 0.204, 0.3137, 0.4329, 0.5652,
                                  0.7147, 0.8861, 1.085, 1.317,  1.591,  1.914,
                                  2.298, 2.755,  3.301, 3.953};
    return tableLookup(bess1, 14, z);
}

double Bess(double z) {
    if (!(z >= 0 && z <= 3)) {
        return outOfRange(z);
    }
    return BessI0(z) / BessI1(z);
}

}  // namespace morvel
