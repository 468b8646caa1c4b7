#pragma once

#include "formulas.h"

// Per-range lookup of every coefficient product, so that converting a pixel costs only
// the single-precision running sums. The products are the very doubles Formulas computes
// and the sums are taken in the same order with the same rounding, so the results are
// bit-identical to Formulas::ycbcrToRgb.
class ConversionTable
{
public:
    explicit ConversionTable(uint range);

    // Y, Cb and Cr are 10-bit samples (higher bits are ignored).
    void convert(int y, int cb, int cr, int &r, int &g, int &b) const
    {
        using CubrixUtils::Formulas;
        // The first partial sum (0 + gain*Y) is the same for all three outputs.
        const float luma = m_luma[y & 0x3FF];
        float red = static_cast<float>(luma + m_redCr[cr & 0x3FF]);
        red = static_cast<float>(red + m_redOffset);
        float green = static_cast<float>(luma + m_greenCb[cb & 0x3FF]);
        green = static_cast<float>(green + m_greenCr[cr & 0x3FF]);
        green = static_cast<float>(green + m_greenOffset);
        float blue = static_cast<float>(luma + m_blueCb[cb & 0x3FF]);
        blue = static_cast<float>(blue + m_blueOffset);
        r = Formulas::roundHalfAway(red);
        g = Formulas::roundHalfAway(green);
        b = Formulas::roundHalfAway(blue);
    }

    // The same conversion mapped straight to an opaque 8-bit pixel, without branches.
    quint32 pixel(int y, int cb, int cr) const
    {
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

    // round-half-away then 255 above 1023, 0 below 0, else v / 4 - in one step: for a value
    // that is not negative, rounding half away is truncating value + 0.5, and every value
    // at or below -0.5 or at or above 1023.5 lands on the same 8-bit result as the clamp bound.
    static quint32 to8Bit(float value)
    {
        double t = static_cast<double>(value) + 0.5; // exact: a float has few enough bits
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
