#pragma once

// Captured frames built byte by byte, and the documented decoding rules written out plainly
// (the format tables, the coefficient table, the running single-precision sum), independently
// of the code under test.

#include "bytes.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QVector>
#include <cmath>
#include <initializer_list>

namespace FrameRules {

inline QByteArray header(int width, int height, int pitch, int format, std::initializer_list<int> timecode = {0, 0, 0, 0})
{
    QByteArray bytes = Bytes::be16({width, height, pitch, format});
    for (int field : timecode)
        bytes += char(field);
    return bytes;
}

// One word a pixel (big-endian for format 2, little-endian otherwise), words[y * width + x],
// lines of `pitch` bytes (4 x width when 0) padded with 0xEE.
inline QByteArray wordFrame(int width, int height, int format, const QVector<quint32> &words, int pitch = 0,
                            std::initializer_list<int> timecode = {0, 0, 0, 0})
{
    pitch = pitch ? pitch : 4 * width;
    QByteArray frame = header(width, height, pitch, format, timecode);
    for (int y = 0; y < height; ++y) {
        QByteArray line;
        for (int x = 0; x < width; ++x)
            line += format == 2 ? Bytes::be32(words[y * width + x]) : Bytes::le32({qint32(words[y * width + x])});
        frame += line + QByteArray(pitch - line.size(), '\xEE');
    }
    return frame;
}

// Format 2 and 258: Cr in bits 0-9, Y in 10-19, Cb in 20-29; format 259: R, G, B.
inline quint32 word444(int low, int middle, int high)
{
    return quint32(low) | quint32(middle) << 10 | quint32(high) << 20;
}

inline QByteArray noise(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

inline quint32 be(const uchar *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

inline quint32 le(const uchar *p)
{
    return quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0];
}

struct Samples {
    int y, cb, cr; // for format 259: G, B, R
};

// The samples of pixel x by the tables of the pixel formats; format 1 packs six pixels into the
// big-endian words W[0..3] of each 16 bytes.
inline Samples samples(const uchar *line, int x, int format)
{
    if (format == 1) {
        const auto w = [line](int i) { return be(line + 4 * i); };
        const int k = x / 3, g = x / 6;
        const int y = int(x % 3 == 0 ? w(2 * k) >> 8 & 0x3FF : x % 3 == 1 ? w(2 * k + 1) >> 20 & 0x3FF : w(2 * k + 1) & 0x3FF);
        switch (x % 6 / 2) {
        case 0: return {y, int(w(4 * g) >> 18 & 0x3FF), int((w(4 * g) & 0xFF) << 2 | w(4 * g + 1) >> 30)};
        case 1: return {y, int(w(4 * g + 1) >> 10 & 0x3FF), int(w(4 * g + 2) >> 18 & 0x3FF)};
        default: return {y, int((w(4 * g + 2) & 0xFF) << 2 | w(4 * g + 3) >> 30), int(w(4 * g + 3) >> 10 & 0x3FF)};
        }
    }
    if (format != 2 && format != 258 && format != 259)
        return {0, 0, 0};
    const quint32 word = format == 2 ? be(line + 4 * x) : le(line + 4 * x);
    return {int(word >> 10 & 0x3FF), int(word >> 20 & 0x3FF), int(word & 0x3FF)};
}

// 10-bit R, G, B: gain x Y + a x Cb + b x Cr + offset with the coefficients of the range (1 video,
// 2 extended, 3 full, any other the rounded set), products in double, summed into single precision
// in that order, rounded half away from zero.
inline void rgb(int y, int cb, int cr, uint range, int out[3])
{
    static const double sets[4][8] = {
        {1.1678, 1.7979, -0.2139, -0.5346, 2.1186, -995.3, 308.4595, -1159.48},
        {1.167808219, 1.79792477, -0.213864189, -0.534571699, 2.11863228, -995.2772083, 308.4594488, -1159.479453},
        {1.071204188, 1.68684879, -0.200651637, -0.501545804, 1.987742956, -932.2236483, 290.9680216, -1086.281461},
        {1.007881773, 1.58713359, -0.188790457, -0.471897776, 1.870240909, -816.6439252, 334.2408479, -961.5948726}};
    const double *m = sets[range >= 1 && range <= 3 ? range : 0];
    const double terms[3][3] = {{0.0, m[1] * cr, m[5]}, {m[2] * cb, m[3] * cr, m[6]}, {m[4] * cb, 0.0, m[7]}};
    for (int c = 0; c < 3; ++c) {
        float sum = float(m[0] * y);
        for (double term : terms[c])
            sum = float(double(sum) + term);
        out[c] = int(std::round(sum));
    }
}

// 255 above 1023, 0 below 0, else v / 4; opaque.
inline quint32 pixelFromSamples(int y, int cb, int cr, uint range)
{
    int c[3];
    rgb(y, cb, cr, range, c);
    const auto to8 = [](int v) { return v > 1023 ? 255u : v < 0 ? 0u : quint32(v) / 4; };
    return 0xFF000000u | to8(c[0]) << 16 | to8(c[1]) << 8 | to8(c[2]);
}

// The shown pixel x: YCbCr converted, 259 divided by 4, any other format black.
inline quint32 pixel(const uchar *line, int x, int format, uint range)
{
    const Samples s = samples(line, x, format);
    if (format == 259)
        return 0xFF000000u | quint32(s.cr / 4) << 16 | quint32(s.y / 4) << 8 | quint32(s.cb / 4);
    return format == 1 || format == 2 || format == 258 ? pixelFromSamples(s.y, s.cb, s.cr, range) : 0xFF000000u;
}

// Bytes a line of `width` pixels needs: four a pixel, or for format 1 up to the last word the
// last pixel reads.
inline int lineBytes(int width, int format)
{
    const int last = width - 1;
    if (format != 1 || width == 0)
        return 4 * width;
    const int lumaWord = last % 3 == 0 ? 2 * (last / 3) : 2 * (last / 3) + 1;
    return 4 * (std::max(lumaWord, 4 * (last / 6) + (last % 6 < 2 ? 1 : last % 6 < 4 ? 2 : 3)) + 1);
}

// The raw file of a frame: for formats 258 and 259 the first `width` words of every line (whole
// ones inside the payload and the pitch) get bits 0-9 and 20-29 exchanged and bits 30-31 cleared.
inline QByteArray rawFile(QByteArray frame)
{
    const auto field = [&frame](int at) { return int(uchar(frame[at])) << 8 | uchar(frame[at + 1]); };
    const int width = field(0), height = field(2), pitch = field(4), format = field(6);
    for (int y = 0; (format == 258 || format == 259) && y < height; ++y) {
        for (int x = 0, at = 12 + y * pitch; x < width && 4 * x + 4 <= pitch && at + 4 <= frame.size(); ++x, at += 4) {
            const quint32 w = le(reinterpret_cast<const uchar *>(frame.constData()) + at);
            frame.replace(at, 4, Bytes::le32({qint32((w & 0x3FF) << 20 | (w & 0xFFC00) | (w >> 20 & 0x3FF))}));
        }
    }
    return frame;
}

} // namespace FrameRules
