#pragma once

#include "lut/lutentry.h"

#include <vector>

// How far a resampled table lies from its source: at the lattice points both grids share
// (where resampling should only add the rounding of the written text), and for upsampling
// against plain trilinear interpolation of the source, a second opinion on the tetrahedral
// values in between. Both tables are taken entry by entry in file order as they are read, and
// only the source points the comparison needs are kept.
class LutComparison
{
public:
    struct Difference {
        double maximum = 0.0;
        double mean = 0.0; // over every colour component of every point compared
        int points = 0;
    };

    // Grid sizes n and m with m = 2n - 1 (upsampling) or n = 2m - 1 (downsampling).
    LutComparison(int sourcePoints, int resultPoints);

    // The next source entry; all source entries come before the first result entry.
    void addSource(const CubrixUtils::LutEntry &entry);
    // The next result entry.
    void addResult(const CubrixUtils::LutEntry &entry);

    Difference atSharedPoints() const { return m_shared.result(m_sharedPoints); }
    // Upsampling only: the result against trilinear interpolation of the source.
    Difference againstTrilinear() const { return m_trilinear.result(m_trilinearPoints); }

    struct Colour {
        double red, green, blue;
    };
    // Trilinear interpolation of an n-point table at fractional grid position (r, g, b).
    static Colour trilinear(const std::vector<CubrixUtils::LutEntry> &table, int points, double r, double g, double b);

private:
    class Accumulator
    {
    public:
        void add(double a, double b);
        void add(const CubrixUtils::LutEntry &a, const CubrixUtils::LutEntry &b);
        Difference result(int points) const;

    private:
        double m_maximum = 0.0;
        double m_sum = 0.0;
        long long m_components = 0;
    };

    struct AxisPoint {
        int base;
        double weight[2]; // of the cell's near and far side
    };
    Colour halfwayTrilinear(int r, int g, int b) const;

    int m_sourcePoints;
    int m_resultPoints;
    int m_sourceCount = 0;
    int m_resultCount = 0;
    // The source at the shared points, on the coarser grid, in file order.
    std::vector<CubrixUtils::LutEntry> m_coarseSource;
    std::vector<AxisPoint> m_axis; // upsampling: where each result index lies on the source

    Accumulator m_shared;
    Accumulator m_trilinear;
    int m_sharedPoints = 0;
    int m_trilinearPoints = 0;
};
