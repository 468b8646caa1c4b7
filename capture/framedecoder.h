#pragma once

#include "formulas.h"
#include "frameheader.h"

#include <QByteArray>
#include <QImage>

// Turns the 10-bit pixel lines of a captured frame into opaque 8-bit RGB. Both entry points
// refuse (return false, image untouched) a frame whose lines are not all inside the payload
// or an image that does not match the header's size.
class FrameDecoder
{
public:
    // Per-line loops over table-driven conversion: the one the capture item uses.
    static bool decode(const CubrixUtils::Formulas &formulas, const QByteArray &frame, const FrameHeader &header,
                       uint range, QImage &image);
    // Pixel by pixel through Formulas: the straightforward rendering of the rules, kept as
    // the oracle the fast path is checked against.
    static bool decodeReference(const CubrixUtils::Formulas &formulas, const QByteArray &frame,
                                const FrameHeader &header, uint range, QImage &image);

    // Opaque pixel from 10-bit results: above 1023 is 255, below 0 is 0, otherwise v / 4.
    static quint32 pixelFrom10Bit(int r, int g, int b)
    {
        return 0xFF000000u | (to8Bit(r) << 16) | (to8Bit(g) << 8) | to8Bit(b);
    }
    static constexpr quint32 Black = 0xFF000000u;

private:
    static quint32 to8Bit(int v) { return v > 1023 ? 255u : v < 0 ? 0u : quint32(v) / 4; }
    static bool accepts(const QByteArray &frame, const FrameHeader &header, const QImage &image);
};
