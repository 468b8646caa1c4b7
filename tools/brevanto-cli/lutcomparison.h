#pragma once

#include "lut/lutentry.h"

#include <vector>

// How far a resampled table lies from its source: at the lattice points both grids share
// (where resampling should only add the rounding of the written text), and for upsampling
// against plain trilinear interpolation of the source, a second opinion on the tetrahedral
// values in between.
class LutComparison
{
public:
    struct Difference {
        double maximum = 0.0;
        double mean = 0.0; // over every colour component of every point compared
        int points = 0;
    };

    // source: n^3 entries, result: m^3 entries, with m = 2n - 1 or n = 2m - 1.
    static Difference atSharedPoints(const std::vector<CubrixUtils::LutEntry> &source, int sourcePoints,
                                     const std::vector<CubrixUtils::LutEntry> &result, int resultPoints);
    // result: the (2n - 1)-point table made from the n-point source.
    static Difference againstTrilinear(const std::vector<CubrixUtils::LutEntry> &source, int sourcePoints,
                                       const std::vector<CubrixUtils::LutEntry> &result);

    struct Colour {
        double red, green, blue;
    };
    // Trilinear interpolation of an n-point table at fractional grid position (r, g, b).
    static Colour trilinear(const std::vector<CubrixUtils::LutEntry> &table, int points, double r, double g, double b);
};
