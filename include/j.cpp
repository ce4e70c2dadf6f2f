#include "j.h"

#include <cmath>

#include "formats/messages.h"

namespace morvel {

double outOfRange(double z) {
    reportf(tableMessages(), {messageKind::outOfRange, {}, 0, 0, {}, "z", "outside 0..3", {}},
            "J>Invalid value for z = %lf\n", z);
    return 0.1;
}

double tableLookup(const double* t, int kmax, double z) {
    // Entry k belongs to z = 0.2 k. Rounding can put a z just below a grid
    // end into the next segment, and a NaN has no segment: hold k inside.
    const double kf = std::floor(z / 0.2);
    int k = 0;
    if (kf > 0) k = kf < kmax ? static_cast<int>(kf) : kmax;
    return t[k] + (t[k + 1] - t[k]) * (z - 0.2 * k) / 0.2;
}

double J(double z) {
    static constexpr double Ja[10] = {1.0,  0.805, 0.627, 0.474, 0.35,
                               0.259, 0.197, 0.158, 0.136, 0.122};
    if (!(z >= 0 && z <= 3)) {
        return outOfRange(z);
    }
    // Beyond the table a straight line continues its last entry.
    if (z >= 1.8) return 0.122 - (z - 1.8) * 0.0171;
    return tableLookup(Ja, 8, z);
}

}  // namespace morvel
