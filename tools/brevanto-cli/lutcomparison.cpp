#include "lutcomparison.h"

#include <algorithm>
#include <cmath>

using CubrixUtils::LutEntry;

namespace {

class Accumulator
{
public:
    void add(double a, double b)
    {
        const double difference = std::fabs(a - b);
        m_maximum = std::max(m_maximum, difference);
        m_sum += difference;
        ++m_components;
    }
    LutComparison::Difference result(int points) const
    {
        LutComparison::Difference difference;
        difference.maximum = m_maximum;
        difference.mean = m_components > 0 ? m_sum / m_components : 0.0;
        difference.points = points;
        return difference;
    }

private:
    double m_maximum = 0.0;
    double m_sum = 0.0;
    long long m_components = 0;
};

std::size_t indexOf(int points, int r, int g, int b)
{
    return std::size_t(r) + std::size_t(points) * (std::size_t(g) + std::size_t(points) * std::size_t(b));
}

} // namespace

LutComparison::Difference LutComparison::atSharedPoints(const std::vector<LutEntry> &source, int sourcePoints,
                                                        const std::vector<LutEntry> &result, int resultPoints)
{
    // The coarser grid's points are every other point of the finer one.
    const int shared = std::min(sourcePoints, resultPoints);
    const int sourceStep = sourcePoints > resultPoints ? 2 : 1;
    const int resultStep = resultPoints > sourcePoints ? 2 : 1;
    Accumulator accumulator;
    int points = 0;
    for (int b = 0; b < shared; ++b) {
        for (int g = 0; g < shared; ++g) {
            for (int r = 0; r < shared; ++r) {
                const std::size_t s = indexOf(sourcePoints, r * sourceStep, g * sourceStep, b * sourceStep);
                const std::size_t o = indexOf(resultPoints, r * resultStep, g * resultStep, b * resultStep);
                if (s >= source.size() || o >= result.size())
                    continue;
                accumulator.add(source[s].red, result[o].red);
                accumulator.add(source[s].green, result[o].green);
                accumulator.add(source[s].blue, result[o].blue);
                ++points;
            }
        }
    }
    return accumulator.result(points);
}

LutComparison::Colour LutComparison::trilinear(const std::vector<LutEntry> &table, int points, double r, double g,
                                               double b)
{
    const auto split = [points](double position, int &base, double &fraction) {
        base = std::clamp(int(std::floor(position)), 0, points - 2);
        fraction = position - base;
    };
    int r0, g0, b0;
    double fr, fg, fb;
    split(r, r0, fr);
    split(g, g0, fg);
    split(b, b0, fb);
    Colour sum{0.0, 0.0, 0.0};
    for (int corner = 0; corner < 8; ++corner) {
        const int dr = corner & 1, dg = (corner >> 1) & 1, db = (corner >> 2) & 1;
        const double weight = (dr ? fr : 1.0 - fr) * (dg ? fg : 1.0 - fg) * (db ? fb : 1.0 - fb);
        const LutEntry &entry = table[indexOf(points, r0 + dr, g0 + dg, b0 + db)];
        sum.red += weight * entry.red;
        sum.green += weight * entry.green;
        sum.blue += weight * entry.blue;
    }
    return sum;
}

LutComparison::Difference LutComparison::againstTrilinear(const std::vector<LutEntry> &source, int sourcePoints,
                                                          const std::vector<LutEntry> &result)
{
    const int resultPoints = 2 * sourcePoints - 1;
    Accumulator accumulator;
    int points = 0;
    if (source.size() < indexOf(sourcePoints, 0, 0, sourcePoints))
        return accumulator.result(0);
    for (int b = 0; b < resultPoints; ++b) {
        for (int g = 0; g < resultPoints; ++g) {
            for (int r = 0; r < resultPoints; ++r) {
                const std::size_t o = indexOf(resultPoints, r, g, b);
                if (o >= result.size())
                    continue;
                const Colour expected = trilinear(source, sourcePoints, r / 2.0, g / 2.0, b / 2.0);
                accumulator.add(expected.red, result[o].red);
                accumulator.add(expected.green, result[o].green);
                accumulator.add(expected.blue, result[o].blue);
                ++points;
            }
        }
    }
    return accumulator.result(points);
}
