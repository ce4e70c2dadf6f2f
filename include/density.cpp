#include "density.h"

#include <array>
#include <cmath>
#include <limits>

namespace morvel {

namespace {

// ECSS-E-ST-10-04C, Annex G, Tables G-1 to G-3, the total mass density
// (kg/m^3) of NRLMSISE-00 at the equator, averaged over the day and the
// seasons, every 20 km from 100 to 880 km, for low, moderate and high
// long-term solar and geomagnetic activity. The tables' 900 km row is left
// out: its high-activity value as transcribed (6.00e-14) breaks the smooth
// fall of every other row (a fall of 4 % from 880 km where the rows below
// fall by 17 %) and could not be checked against the standard; no listed
// set is that high.
constexpr double firstRow = 100;  // km
constexpr double rowStep = 20;    // km
constexpr int rows = 40;
constexpr double levelFlux[3] = {65, 140, 250};
constexpr double table[rows][3] = {
    {6.180e-07, 5.730e-07, 5.640e-07}, {1.880e-08, 2.030e-08, 2.220e-08},  // 100, 120
    {3.080e-09, 3.440e-09, 3.930e-09}, {9.490e-10, 1.200e-09, 1.540e-09},  // 140, 160
    {3.700e-10, 5.460e-10, 7.870e-10}, {1.630e-10, 2.840e-10, 4.570e-10},  // 180, 200
    {7.800e-11, 1.610e-10, 2.860e-10}, {3.970e-11, 9.600e-11, 1.870e-10},  // 220, 240
    {2.130e-11, 5.970e-11, 1.270e-10}, {1.180e-11, 3.830e-11, 8.870e-11},  // 260, 280
    {6.800e-12, 2.520e-11, 6.310e-11}, {4.010e-12, 1.690e-11, 4.560e-11},  // 300, 320
    {2.410e-12, 1.160e-11, 3.340e-11}, {1.470e-12, 7.990e-12, 2.470e-11},  // 340, 360
    {9.140e-13, 5.600e-12, 1.850e-11}, {5.750e-13, 3.960e-12, 1.400e-11},  // 380, 400
    {3.660e-13, 2.830e-12, 1.060e-11}, {2.350e-13, 2.030e-12, 8.130e-12},  // 420, 440
    {1.530e-13, 1.470e-12, 6.260e-12}, {1.010e-13, 1.070e-12, 4.840e-12},  // 460, 480
    {6.790e-14, 7.850e-13, 3.760e-12}, {4.630e-14, 5.780e-13, 2.940e-12},  // 500, 520
    {3.210e-14, 4.290e-13, 2.310e-12}, {2.280e-14, 3.190e-13, 1.820e-12},  // 540, 560
    {1.650e-14, 2.390e-13, 1.430e-12}, {1.230e-14, 1.800e-13, 1.140e-12},  // 580, 600
    {9.370e-15, 1.360e-13, 9.060e-13}, {7.330e-15, 1.040e-13, 7.230e-13},  // 620, 640
    {5.880e-15, 7.980e-14, 5.790e-13}, {4.830e-15, 6.160e-14, 4.650e-13},  // 660, 680
    {4.040e-15, 4.800e-14, 3.750e-13}, {3.440e-15, 3.760e-14, 3.030e-13},  // 700, 720
    {2.980e-15, 2.980e-14, 2.460e-13}, {2.610e-15, 2.380e-14, 2.000e-13},  // 740, 760
    {2.310e-15, 1.920e-14, 1.630e-13}, {2.060e-15, 1.570e-14, 1.340e-13},  // 780, 800
    {1.850e-15, 1.290e-14, 1.100e-13}, {1.670e-15, 1.070e-14, 9.060e-14},  // 820, 840
    {1.510e-15, 9.030e-15, 7.500e-14}, {1.380e-15, 7.670e-15, 6.230e-14},  // 860, 880
};

// The flux is held within the reach of the levels' trend.
constexpr double lowestFlux = 50;
constexpr double highestFlux = 300;

// Below the table: the scale heights (km) of CIRA-72's mean profile from the
// base height (km) of each layer up to the next (Vallado, table 8-4).
constexpr double layerBase[] = {0, 25, 30, 40, 50, 60, 70, 80, 90};
constexpr double layerH[] = {7.249, 6.349, 6.682, 7.554, 8.382, 7.714, 6.549, 5.799, 5.382};

// The table's natural logarithms, made once: the interpolations are straight
// lines in them.
using logTable = std::array<std::array<double, 3>, rows>;
const logTable& logs() {
    static const logTable t = [] {
        logTable out{};
        for (int k = 0; k < rows; ++k)
            for (int c = 0; c < 3; ++c) out[k][c] = std::log(table[k][c]);
        return out;
    }();
    return t;
}

// The flux held within the levels' reach.
double heldFlux(double flux) { return flux < lowestFlux ? lowestFlux : flux > highestFlux ? highestFlux : flux; }

// ln of the density at row height k + fraction `f` of the next row (f may
// lie outside 0..1 at the table's ends), at flux `flux` already held.
double logDensity(int k, double f, double flux) {
    const logTable& t = logs();
    // The segment of the two levels that bracket the flux, or the nearer one.
    const int s = flux < levelFlux[1] ? 0 : 1;
    const double low = t[k][s] + (t[k + 1][s] - t[k][s]) * f;
    const double high = t[k][s + 1] + (t[k + 1][s + 1] - t[k][s + 1]) * f;
    return low + (high - low) * (flux - levelFlux[s]) / (levelFlux[s + 1] - levelFlux[s]);
}

// The fall of ln(density) from row k to row k + 1 at flux `flux` already held.
double logFall(int k, double flux) {
    const logTable& t = logs();
    const int s = flux < levelFlux[1] ? 0 : 1;
    const double low = t[k][s] - t[k + 1][s];
    const double high = t[k][s + 1] - t[k + 1][s + 1];
    return low + (high - low) * (flux - levelFlux[s]) / (levelFlux[s + 1] - levelFlux[s]);
}

}  // namespace

double density(double height, double flux) {
    if (std::isnan(height) || std::isnan(flux)) return std::nan("");
    const double f = heldFlux(flux);

    if (height >= firstRow) {
        // The row below the height; above the top row the last segment goes on.
        const double r = (height - firstRow) / rowStep;
        const int k = r < rows - 2 ? static_cast<int>(r) : rows - 2;
        return std::exp(logDensity(k, r - k, f));
    }
    // Below the table: down from its first row through CIRA-72's layers,
    // the ground's density held below the ground.
    const double h = height > 0 ? height : 0;
    double lnRho = logDensity(0, 0, f);
    double top = firstRow;
    for (int i = static_cast<int>(std::size(layerBase)) - 1; i >= 0 && top > h; --i) {
        const double bottom = layerBase[i] > h ? layerBase[i] : h;
        lnRho += (top - bottom) / layerH[i];
        top = bottom;
    }
    return std::exp(lnRho);
}

double densityScaleHeight(double height, double flux) {
    if (std::isnan(height) || std::isnan(flux)) return std::nan("");
    if (height >= firstRow) {
        // The rows' segment that the density interpolates in.
        const double r = (height - firstRow) / rowStep;
        const int k = r < rows - 2 ? static_cast<int>(r) : rows - 2;
        return rowStep / logFall(k, heldFlux(flux));
    }
    // The CIRA-72 layer the height lies in; below the ground the density is
    // held.
    if (height < 0) return std::numeric_limits<double>::infinity();
    int i = static_cast<int>(std::size(layerBase)) - 1;
    while (i > 0 && layerBase[i] > height) --i;
    return layerH[i];
}

}  // namespace morvel
