#pragma once

#include <array>

// 75% colour bars (white, yellow, cyan, green, magenta, red, blue, black) as 10-bit
// BT.709 video-range samples: Y' and R'G'B' in [64, 940], Cb and Cr in [64, 960].
class ColourBars
{
public:
    struct Sample {
        int y = 64;
        int cb = 512;
        int cr = 512;
        int r = 64;
        int g = 64;
        int b = 64;
    };

    static constexpr int Count = 8;

    static const std::array<Sample, Count> &bars();
    // The bar under pixel x of a line of the given width (equal-width bars, left to right).
    static int barIndex(int x, int width);
    // R'G'B' in 0..1 to 10-bit video-range samples with the BT.709 luma coefficients.
    static Sample fromRgb(double r, double g, double b);
};
