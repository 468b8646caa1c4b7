#pragma once

#include "conversiontable.h"
#include "formulas.h"

#include <QtGlobal>

// Converts a line of 10-bit Y, Cb, Cr samples to opaque 8-bit RGB pixels, several pixels
// per instruction where the processor allows. Every step is the exact arithmetic of
// Formulas::ycbcrToRgb (the same double products, the same single-precision partial sums
// in the same order) followed by the 8-bit mapping, so the pixels are bit-identical.
class YCbCrLineConverter
{
public:
    // Instruction paths, each falling back to the next for what is left of a line.
    enum Path { Scalar = 0, Sse2 = 1, Avx = 2, Avx512 = 3 };

    // The path is lowered to what this build and processor offer.
    explicit YCbCrLineConverter(uint range, Path path = bestPath());

    // Samples must be 10-bit values (0 to 1023).
    void convert(const qint32 *y, const qint32 *cb, const qint32 *cr, quint32 *out, int count) const;
    // One 32-bit word per pixel (Cr bits 0-9, Y 10-19, Cb 20-29), big- or little-endian;
    // reads exactly 4 x count bytes of `line`.
    void convertWords(const uchar *line, bool bigEndian, quint32 *out, int count) const;

    Path path() const { return m_path; }
    static Path bestPath();
    static const char *pathName(Path path);

private:
    CubrixUtils::Formulas::Matrix m_matrix;
    ConversionTable m_table; // the scalar path, for line tails and plain builds
    Path m_path;
};
