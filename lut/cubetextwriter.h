#pragma once

#include "lut/lutentry.h"

#include <QByteArray>
#include <vector>

namespace CubrixUtils {

// Writes 3D LUT text in the form the devices take: "LUT_3D_SIZE <n>", one empty line, then
// one "red green blue" line per entry in fixed-point notation, every line ending in "\n".
class CubeTextWriter
{
public:
    // Decimal counts beyond this are cut back: the count comes from the source file, and an
    // absurd one (a line with thousands of digits) would otherwise blow the output up
    // thousands of times. Real files use six to ten.
    static constexpr int MaxDecimals = 20;
    // Sign, the 39 integer digits of the largest float, the point.
    static constexpr int MaxFixedLength = 1 + 39 + 1 + MaxDecimals;

    static QByteArray write(int gridSize, const std::vector<LutEntry> &entries, int decimals);

    // Writes value with exactly `decimals` (0 to MaxDecimals) digits after the point into out
    // (room for MaxFixedLength characters) and gives the length: the same text as
    // printf("%.*f", decimals, value) in the C locale, whatever the process locale is.
    static int formatFixed(char *out, float value, int decimals);
};

} // namespace CubrixUtils
