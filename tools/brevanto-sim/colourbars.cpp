#include "colourbars.h"

#include <cmath>

namespace {
int videoLevel(double value)
{
    return static_cast<int>(std::lround(64.0 + 876.0 * value));
}

int chromaLevel(double value)
{
    return static_cast<int>(std::lround(512.0 + 896.0 * value));
}
} // namespace

ColourBars::Sample ColourBars::fromRgb(double r, double g, double b)
{
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    Sample s;
    s.y = videoLevel(y);
    s.cb = chromaLevel((b - y) / 1.8556);
    s.cr = chromaLevel((r - y) / 1.5748);
    s.r = videoLevel(r);
    s.g = videoLevel(g);
    s.b = videoLevel(b);
    return s;
}

const std::array<ColourBars::Sample, ColourBars::Count> &ColourBars::bars()
{
    static const std::array<Sample, Count> table = [] {
        constexpr double a = 0.75;
        return std::array<Sample, Count>{
            fromRgb(a, a, a), fromRgb(a, a, 0), fromRgb(0, a, a), fromRgb(0, a, 0),
            fromRgb(a, 0, a), fromRgb(a, 0, 0), fromRgb(0, 0, a), fromRgb(0, 0, 0),
        };
    }();
    return table;
}

int ColourBars::barIndex(int x, int width)
{
    if (width <= 0 || x < 0)
        return 0;
    if (x >= width)
        return Count - 1;
    return x * Count / width;
}
