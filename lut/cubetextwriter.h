#pragma once

#include "lut/lutentry.h"

#include <QByteArray>
#include <functional>
#include <vector>

namespace CubrixUtils {

// Takes a piece of LUT text (whole lines) as it is written; false when it cannot.
using CubeTextSink = std::function<bool(const QByteArray &piece)>;

// Writes 3D LUT text in the form the devices take: "LUT_3D_SIZE <n>", one empty line, then
// one "red green blue" line per entry in fixed-point notation, every line ending in "\n".
// Entries are written as they are added, so a resampler needs no table of its output. The text
// is either held whole (take) or handed to a sink in pieces of whole lines (finish), so that a
// caller writing it out needs no room for all of it.
class CubeTextWriter
{
public:
    // Size of the pieces handed to a sink.
    static constexpr int PieceSize = 64 * 1024;

    // Decimal counts beyond this are cut back: the count comes from the source file, and an
    // absurd one (a line with thousands of digits) would otherwise blow the output up
    // thousands of times. Real files use six to ten.
    static constexpr int MaxDecimals = 20;
    // Sign, the 39 integer digits of the largest float, the point.
    static constexpr int MaxFixedLength = 1 + 39 + 1 + MaxDecimals;
    // One entry line at its longest.
    static constexpr int MaxLineLength = 3 * (MaxFixedLength + 1);

    // Starts the text with its size line. Without a sink, room is made for `expectedEntries`
    // lines (up to a 33-point grid) of values between 0 and 1.
    CubeTextWriter(int gridSize, int decimals, int expectedEntries, CubeTextSink sink = CubeTextSink());

    void add(float red, float green, float blue);
    void add(const LutEntry &entry) { add(entry.red, entry.green, entry.blue); }
    // Without a sink: the text written so far; the writer is empty afterwards.
    QByteArray take();
    // With a sink: hands over what is left; false when the sink refused any piece (what comes
    // after a refused piece is not handed over).
    bool finish();

    static QByteArray write(int gridSize, const std::vector<LutEntry> &entries, int decimals);

    // Writes value with exactly `decimals` (0 to MaxDecimals) digits after the point into out
    // (room for MaxFixedLength characters) and gives the length: the same text as
    // printf("%.*f", decimals, value) in the C locale, whatever the process locale is, except
    // that zero is written without a minus sign whatever its sign bit.
    static int formatFixed(char *out, float value, int decimals);

private:
    void handOver();

    QByteArray m_text;
    int m_decimals = 0;
    CubeTextSink m_sink;
    bool m_refused = false;
};

} // namespace CubrixUtils
