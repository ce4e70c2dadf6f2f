#include "scaleheight.h"

#include <algorithm>

namespace morvel {

double hfix = 1.0;

double scaleHeight(double height, double flux) {
    // Scale height (km) by height (km) at 10.7 cm flux 80 and 150.
    constexpr int nval = 26;
    static constexpr double ht[nval] = {0,   12,  27,  35,  45,  55,  65,  75,  85,
                                 95,  105, 125, 150, 175, 200, 225, 250, 275,
                                 300, 400, 500, 600, 750, 850, 950, 1050};
    static constexpr double f80[nval] = {7.249, 7.249, 6.347, 6.682, 7.554, 8.382, 7.714,
                                  6.549, 5.799, 5.382, 5.877, 10.09, 16.39, 23.3,
                                  28.24, 32.78, 36.52, 39.13, 41.35, 47.0,  51.37,
                                  63.2,  88.7,  125.0, 181.0, 268.0};
    static constexpr double f150[nval] = {7.249, 7.249, 6.347, 6.682, 7.554, 8.382, 7.714,
                                   6.549, 5.799, 5.382, 5.877, 11.22, 18.66, 26.63,
                                   33.25, 39.08, 44.33, 48.41, 51.79, 61.42, 66.67,
                                   71.3,  88.7,  125.0, 181.0, 268.0};

    // Outside the table the end values hold, for any flux.
    if (!(height > 0)) return hfix * f80[0];
    if (!(height < ht[nval - 1])) return hfix * f80[nval - 1];

    // The first row above the height: ht[i-1] <= height < ht[i], 1 <= i <= 25.
    const int i = static_cast<int>(std::upper_bound(ht + 1, ht + nval - 1, height) - ht);

    const double htFraction = (height - ht[i - 1]) / (ht[i] - ht[i - 1]);
    const double f80i = f80[i - 1] + (f80[i] - f80[i - 1]) * htFraction;
    const double f150i = f150[i - 1] + (f150[i] - f150[i - 1]) * htFraction;
    // Straight line in flux through the two columns, extended beyond them.
    const double H = f80i + (f150i - f80i) * (flux - 80) / 70;
    return H * hfix;
}

}  // namespace morvel
