#pragma once

#include <QtGlobal>

namespace CubrixUtils {

// Pixel sampling of the devices' 10-bit frame formats and the YCbCr to RGB conversion.
// This is the plain per-pixel reference; FrameDecoder holds the per-line fast path and
// is tested to give bit-identical results.
class Formulas
{
public:
    enum PixelFormat : int {
        FormatYCbCr422 = 1,     // six pixels in 16 bytes, big-endian words
        FormatYCbCr444 = 2,     // one big-endian word per pixel
        FormatYCbCr444Le = 258, // one little-endian word per pixel
        FormatRgb444Le = 259,   // one little-endian word per pixel, R in the low bits
    };

    // BT.709 coefficients for one quantisation range: out = gain*Y + a*Cb + b*Cr + offset.
    struct Matrix {
        double gain;
        double rCr;
        double gCb;
        double gCr;
        double bCb;
        double rOffset;
        double gOffset;
        double bOffset;
    };

    virtual ~Formulas();

    // Samples of pixel x of one line; 0 for unknown formats. For 259 they give G, B and R.
    int sampleY(const uchar *line, int x, int format) const;
    int sampleCb(const uchar *line, int x, int format) const;
    int sampleCr(const uchar *line, int x, int format) const;

    // 10-bit R, G, B (not clamped) from 10-bit Y, Cb, Cr with the matrix of the range.
    void ycbcrToRgb(int y, int cb, int cr, int &r, int &g, int &b, uint range) const;

    // Range 1 video, 2 extended, 3 full; anything else the rounded default set.
    static const Matrix &matrix(uint range);
    // Products in double, each partial sum rounded to single precision, in this order.
    static float accumulate(double yTerm, double cbTerm, double crTerm, double offset);
    // Round half away from zero.
    static int roundHalfAway(float value)
    {
        const double exact = value; // adding 0.5 to a float's value is exact in double
        return static_cast<int>(exact < 0 ? exact - 0.5 : exact + 0.5);
    }
    // Bytes a line needs for `width` pixels of `format`; unknown formats are taken as four
    // bytes per pixel so that a frame's image can never outgrow its payload.
    static qint64 minimumLineBytes(int width, int format);
};

} // namespace CubrixUtils
