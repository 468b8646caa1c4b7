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
    explicit YCbCrLineConverter(uint range);

    // Samples must be 10-bit values (0 to 1023).
    void convert(const qint32 *y, const qint32 *cb, const qint32 *cr, quint32 *out, int count) const;

    // Whether convert uses vector instructions (for the benchmark's report).
    static bool vectorised();

private:
    CubrixUtils::Formulas::Matrix m_matrix;
    ConversionTable m_table; // the scalar path, for line tails and plain builds
};
