// Mass density of the thermosphere by height and 10.7 cm solar flux.
#pragma once

namespace morvel {

// Mean mass density, kg/m^3, at `height` km for the 81-day mean 10.7 cm flux
// `flux`: NRLMSISE-00 averaged over the day, the seasons and the longitudes at
// the equator, as ECSS-E-ST-10-04C (2008, Annex G, Tables G-1 to G-3)
// tabulates it every 20 km from 100 to 880 km for low (flux 65, Ap 0),
// moderate (140, 15) and high (250, 45) long-term activity. Exponential in
// height between rows, exponential in flux between the three levels (the
// nearer segment carried on to 50 and 300; the flux held beyond them). Above
// 880 km the last rows' fall goes on; below 100 km the density follows the
// scale heights of CIRA-72's mean profile (Vallado, table 8-4) down from the
// 100 km value, and is held below the ground. Positive and finite for a
// finite height up to some thousands of km and a flux that is a number; not a
// number for either argument not a number.
double density(double height, double flux);

// Local scale height of that density, km: -1 / (d ln rho / dh) at `height`
// km for flux `flux`, the slope of its straight line in ln rho between the
// rows that bracket the height (below the table, CIRA-72's layer's; below
// the ground, where the density is held, infinite). Positive wherever the
// density falls with height; not a number for either argument not a number.
double densityScaleHeight(double height, double flux);

}  // namespace morvel
