#include "lutcomparison.h"

#include <algorithm>
#include <cmath>

using CubrixUtils::LutEntry;

namespace {

std::size_t indexOf(int points, int r, int g, int b)
{
    return std::size_t(r) + std::size_t(points) * (std::size_t(g) + std::size_t(points) * std::size_t(b));
}

std::size_t cube(int points)
{
    return std::size_t(points) * std::size_t(points) * std::size_t(points);
}

} // namespace

void LutComparison::Accumulator::add(double a, double b)
{
    const double difference = std::fabs(a - b);
    m_maximum = std::max(m_maximum, difference);
    m_sum += difference;
    ++m_components;
}

void LutComparison::Accumulator::add(const LutEntry &a, const LutEntry &b)
{
    add(a.red, b.red);
    add(a.green, b.green);
    add(a.blue, b.blue);
}

LutComparison::Difference LutComparison::Accumulator::result(int points) const
{
    Difference difference;
    difference.maximum = m_maximum;
    difference.mean = m_components > 0 ? m_sum / m_components : 0.0;
    difference.points = points;
    return difference;
}

LutComparison::LutComparison(int sourcePoints, int resultPoints)
    : m_sourcePoints(sourcePoints), m_resultPoints(resultPoints)
{
    m_coarseSource.reserve(cube(std::min(sourcePoints, resultPoints)));
    // Result index i lies at source position i / 2: the same cell and weights for every point
    // on that plane.
    for (int i = 0; resultPoints > sourcePoints && i < resultPoints; ++i) {
        const double position = i / 2.0;
        const int base = std::clamp(int(std::floor(position)), 0, sourcePoints - 2);
        const double fraction = position - base;
        m_axis.push_back(AxisPoint{base, {1.0 - fraction, fraction}});
    }
}

// trilinear(source, n, r / 2.0, g / 2.0, b / 2.0) with the cells and weights looked up: the
// same products and sums in the same order.
LutComparison::Colour LutComparison::halfwayTrilinear(int r, int g, int b) const
{
    const AxisPoint &ar = m_axis[std::size_t(r)];
    const AxisPoint &ag = m_axis[std::size_t(g)];
    const AxisPoint &ab = m_axis[std::size_t(b)];
    Colour sum{0.0, 0.0, 0.0};
    for (int corner = 0; corner < 8; ++corner) {
        const int dr = corner & 1, dg = (corner >> 1) & 1, db = (corner >> 2) & 1;
        if (ar.weight[dr] == 0.0 || ag.weight[dg] == 0.0 || ab.weight[db] == 0.0)
            continue;
        const double weight = ar.weight[dr] * ag.weight[dg] * ab.weight[db];
        const LutEntry &entry = m_coarseSource[indexOf(m_sourcePoints, ar.base + dr, ag.base + dg, ab.base + db)];
        sum.red += weight * entry.red;
        sum.green += weight * entry.green;
        sum.blue += weight * entry.blue;
    }
    return sum;
}

void LutComparison::addSource(const LutEntry &entry)
{
    const int index = m_sourceCount++;
    if (std::size_t(index) >= cube(m_sourcePoints))
        return;
    // A finer source shares every other point with the result.
    if (m_sourcePoints > m_resultPoints) {
        const int r = index % m_sourcePoints;
        const int g = (index / m_sourcePoints) % m_sourcePoints;
        const int b = index / (m_sourcePoints * m_sourcePoints);
        if (r % 2 || g % 2 || b % 2)
            return;
    }
    m_coarseSource.push_back(entry);
}

void LutComparison::addResult(const LutEntry &entry)
{
    const int index = m_resultCount++;
    if (std::size_t(index) >= cube(m_resultPoints))
        return;
    if (m_resultPoints <= m_sourcePoints) {
        // Downsampled: every result point is a shared one.
        if (std::size_t(index) < m_coarseSource.size()) {
            m_shared.add(m_coarseSource[std::size_t(index)], entry);
            ++m_sharedPoints;
        }
        return;
    }
    const int r = index % m_resultPoints;
    const int g = (index / m_resultPoints) % m_resultPoints;
    const int b = index / (m_resultPoints * m_resultPoints);
    if (r % 2 == 0 && g % 2 == 0 && b % 2 == 0) {
        const std::size_t shared = indexOf(m_sourcePoints, r / 2, g / 2, b / 2);
        if (shared < m_coarseSource.size()) {
            m_shared.add(m_coarseSource[shared], entry);
            ++m_sharedPoints;
        }
    }
    if (m_coarseSource.size() == cube(m_sourcePoints)) {
        const Colour expected = halfwayTrilinear(r, g, b);
        m_trilinear.add(expected.red, entry.red);
        m_trilinear.add(expected.green, entry.green);
        m_trilinear.add(expected.blue, entry.blue);
        ++m_trilinearPoints;
    }
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
    // Corners of weight 0 are left out: their terms are zeros, which leave a sum of finite
    // values as it is. At the half-way points of upsampling most corners weigh nothing.
    const double wr[2] = {1.0 - fr, fr}, wg[2] = {1.0 - fg, fg}, wb[2] = {1.0 - fb, fb};
    Colour sum{0.0, 0.0, 0.0};
    for (int corner = 0; corner < 8; ++corner) {
        const int dr = corner & 1, dg = (corner >> 1) & 1, db = (corner >> 2) & 1;
        if (wr[dr] == 0.0 || wg[dg] == 0.0 || wb[db] == 0.0)
            continue;
        const double weight = wr[dr] * wg[dg] * wb[db];
        const LutEntry &entry = table[indexOf(points, r0 + dr, g0 + dg, b0 + db)];
        sum.red += weight * entry.red;
        sum.green += weight * entry.green;
        sum.blue += weight * entry.blue;
    }
    return sum;
}
