#pragma once

#include "formulas.h"

// Per-range lookup of every coefficient product, so that converting a pixel costs only
// the single-precision running sums. The products are the very doubles Formulas computes
// and the sums are taken in the same order with the same rounding, so the results are
// bit-identical to Formulas::ycbcrToRgb followed by the 8-bit mapping.
class ConversionTable
{
public:
    explicit ConversionTable(uint range);

    // Opaque 8-bit pixel from 10-bit Y, Cb, Cr (higher bits are ignored).
    quint32 pixel(int y, int cb, int cr) const
    {
        // The first partial sum (0 + gain*Y) is the same for all three outputs; R takes no
        // Cb and B no Cr, and adding their zero terms would not change the sums.
        const float luma = m_luma[y & 0x3FF];
        float red = static_cast<float>(luma + m_redCr[cr & 0x3FF]);
        red = static_cast<float>(red + m_redOffset);
        float green = static_cast<float>(luma + m_greenCb[cb & 0x3FF]);
        green = static_cast<float>(green + m_greenCr[cr & 0x3FF]);
        green = static_cast<float>(green + m_greenOffset);
        float blue = static_cast<float>(luma + m_blueCb[cb & 0x3FF]);
        blue = static_cast<float>(blue + m_blueOffset);
        return 0xFF000000u | (to8Bit(red) << 16) | (to8Bit(green) << 8) | to8Bit(blue);
    }

    // Rounding half away from zero, then 255 above 1023, 0 below 0, else v / 4, in one step:
    // for a value that is not negative, rounding half away is truncating value + 0.5 (exact
    // in double for a float), and every value at or below -0.5 or at or above 1023.5 lands
    // on the same 8-bit result as the clamp bound.
    static quint32 to8Bit(float value)
    {
        double t = static_cast<double>(value) + 0.5;
        t = t < 0.0 ? 0.0 : t;
        t = t > 1023.5 ? 1023.5 : t;
        return static_cast<quint32>(t) >> 2;
    }

private:
    float m_luma[1024];
    double m_redCr[1024];
    double m_greenCb[1024];
    double m_greenCr[1024];
    double m_blueCb[1024];
    double m_redOffset;
    double m_greenOffset;
    double m_blueOffset;
};
