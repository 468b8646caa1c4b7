#include "formulas.h"

// The conversion rounds every product to double before adding it: no fused multiply-add.
#if defined(__clang__)
#pragma clang fp contract(off)
#elif defined(__GNUC__)
#pragma GCC optimize("fp-contract=off")
#endif

#include <QtEndian>
#include <algorithm>

namespace CubrixUtils {

namespace {

// Indexed by range: 0 is the default set used by the monitors and by range 4.
const Formulas::Matrix Matrices[4] = {
    {1.1678, 1.7979, -0.2139, -0.5346, 2.1186, -995.3, 308.4595, -1159.48},
    {1.167808219, 1.79792477, -0.213864189, -0.534571699, 2.11863228, -995.2772083, 308.4594488, -1159.479453},
    {1.071204188, 1.68684879, -0.200651637, -0.501545804, 1.987742956, -932.2236483, 290.9680216, -1086.281461},
    {1.007881773, 1.58713359, -0.188790457, -0.471897776, 1.870240909, -816.6439252, 334.2408479, -961.5948726},
};

inline quint32 wordBe(const uchar *line, int index)
{
    return qFromBigEndian<quint32>(line + 4 * index);
}

inline quint32 wordLe(const uchar *line, int index)
{
    return qFromLittleEndian<quint32>(line + 4 * index);
}

// Format 1 packs six pixels into four big-endian words (a 128-bit group).
int packedY(const uchar *line, int x)
{
    const int k = x / 3;
    switch (x % 3) {
    case 0: return (wordBe(line, 2 * k) >> 8) & 0x3FF;
    case 1: return (wordBe(line, 2 * k + 1) >> 20) & 0x3FF;
    default: return wordBe(line, 2 * k + 1) & 0x3FF;
    }
}

int packedCb(const uchar *line, int x)
{
    const int g = x / 6;
    switch (x % 6) {
    case 0:
    case 1: return (wordBe(line, 4 * g) >> 18) & 0x3FF;
    case 2:
    case 3: return (wordBe(line, 4 * g + 1) >> 10) & 0x3FF;
    default: return static_cast<int>(((wordBe(line, 4 * g + 2) & 0xFF) << 2) | (wordBe(line, 4 * g + 3) >> 30));
    }
}

int packedCr(const uchar *line, int x)
{
    const int g = x / 6;
    switch (x % 6) {
    case 0:
    case 1: return static_cast<int>(((wordBe(line, 4 * g) & 0xFF) << 2) | (wordBe(line, 4 * g + 1) >> 30));
    case 2:
    case 3: return (wordBe(line, 4 * g + 2) >> 18) & 0x3FF;
    default: return (wordBe(line, 4 * g + 3) >> 10) & 0x3FF;
    }
}

// Codes 2, 258 and 259 share one word per pixel; only the byte order differs.
bool wordPerPixel(int format, const uchar *line, int x, quint32 &word)
{
    switch (format) {
    case Formulas::FormatYCbCr444: word = wordBe(line, x); return true;
    case Formulas::FormatYCbCr444Le:
    case Formulas::FormatRgb444Le: word = wordLe(line, x); return true;
    default: return false;
    }
}

} // namespace

Formulas::~Formulas() = default;

int Formulas::sampleY(const uchar *line, int x, int format) const
{
    if (format == FormatYCbCr422)
        return packedY(line, x);
    quint32 word;
    return wordPerPixel(format, line, x, word) ? static_cast<int>((word >> 10) & 0x3FF) : 0;
}

int Formulas::sampleCb(const uchar *line, int x, int format) const
{
    if (format == FormatYCbCr422)
        return packedCb(line, x);
    quint32 word;
    return wordPerPixel(format, line, x, word) ? static_cast<int>((word >> 20) & 0x3FF) : 0;
}

int Formulas::sampleCr(const uchar *line, int x, int format) const
{
    if (format == FormatYCbCr422)
        return packedCr(line, x);
    quint32 word;
    return wordPerPixel(format, line, x, word) ? static_cast<int>(word & 0x3FF) : 0;
}

const Formulas::Matrix &Formulas::matrix(uint range)
{
    return Matrices[range >= 1 && range <= 3 ? range : 0];
}

float Formulas::accumulate(double yTerm, double cbTerm, double crTerm, double offset)
{
    float sum = 0.0f;
    sum = static_cast<float>(sum + yTerm);
    sum = static_cast<float>(sum + cbTerm);
    sum = static_cast<float>(sum + crTerm);
    sum = static_cast<float>(sum + offset);
    return sum;
}

void Formulas::ycbcrToRgb(int y, int cb, int cr, int &r, int &g, int &b, uint range) const
{
    const Matrix &m = matrix(range);
    r = roundHalfAway(accumulate(m.gain * y, 0.0 * cb, m.rCr * cr, m.rOffset));
    g = roundHalfAway(accumulate(m.gain * y, m.gCb * cb, m.gCr * cr, m.gOffset));
    b = roundHalfAway(accumulate(m.gain * y, m.bCb * cb, 0.0 * cr, m.bOffset));
}

qint64 Formulas::minimumLineBytes(int width, int format)
{
    if (width <= 0)
        return 0;
    if (format != FormatYCbCr422)
        return 4 * qint64(width);
    // The last pixel reads the highest words: its luma word and its group's chroma words.
    const qint64 last = width - 1;
    const qint64 k = last / 3;
    const qint64 group = last / 6;
    const qint64 lumaWord = last % 3 == 0 ? 2 * k : 2 * k + 1;
    const qint64 chromaWord = 4 * group + (last % 6 < 2 ? 1 : last % 6 < 4 ? 2 : 3);
    return 4 * (std::max(lumaWord, chromaWord) + 1);
}

} // namespace CubrixUtils
