#pragma once

#include <QByteArray>

namespace CubrixUtils {

// Counts the decimals a resampled .cube text is written with: the longest fraction on the
// lines after the first line that mentions "17" or "33", passing over every line that mentions
// either. A fraction is what a left-to-right, non-overlapping match of "[0-9]*\.[0-9]+" has
// after its point, that is every maximal digit run right after a point (a match ends where its
// digit run ends, so it never takes the point of the next one). Digits are not white space, so
// trimming the lines changes nothing.
class CubeDecimalScanner
{
public:
    static int decimals(const QByteArray &text);

    // The same, byte by byte over every line: the plain form the fast one is checked against.
    static int decimalsBytewise(const QByteArray &text);
};

} // namespace CubrixUtils
