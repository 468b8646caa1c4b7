#include "framedecoder.h"

#include "ycbcrlineconverter.h"

#include <QtEndian>
#include <algorithm>
#include <vector>

namespace {

using CubrixUtils::Formulas;

bool isYCbCr(int format)
{
    return format == Formulas::FormatYCbCr422 || format == Formulas::FormatYCbCr444
        || format == Formulas::FormatYCbCr444Le;
}

// Samples of one line, unpacked for the line converter.
struct LineSamples {
    explicit LineSamples(int width) : y(width), cb(width), cr(width) {}
    std::vector<qint32> y, cb, cr;
};

// Format 1: whole 16-byte groups of six pixels are unpacked at once; a trailing partial
// group goes through the per-pixel sampling, which reads only the words it needs.
void unpackPackedLine(const Formulas &formulas, const uchar *line, int width, LineSamples &s)
{
    const int groups = width / 6;
    for (int gi = 0; gi < groups; ++gi) {
        const uchar *p = line + 16 * gi;
        const quint32 w0 = qFromBigEndian<quint32>(p);
        const quint32 w1 = qFromBigEndian<quint32>(p + 4);
        const quint32 w2 = qFromBigEndian<quint32>(p + 8);
        const quint32 w3 = qFromBigEndian<quint32>(p + 12);
        const int x = 6 * gi;
        s.y[x] = (w0 >> 8) & 0x3FF;
        s.y[x + 1] = (w1 >> 20) & 0x3FF;
        s.y[x + 2] = w1 & 0x3FF;
        s.y[x + 3] = (w2 >> 8) & 0x3FF;
        s.y[x + 4] = (w3 >> 20) & 0x3FF;
        s.y[x + 5] = w3 & 0x3FF;
        s.cb[x] = s.cb[x + 1] = (w0 >> 18) & 0x3FF;
        s.cb[x + 2] = s.cb[x + 3] = (w1 >> 10) & 0x3FF;
        s.cb[x + 4] = s.cb[x + 5] = static_cast<qint32>(((w2 & 0xFF) << 2) | (w3 >> 30));
        s.cr[x] = s.cr[x + 1] = static_cast<qint32>(((w0 & 0xFF) << 2) | (w1 >> 30));
        s.cr[x + 2] = s.cr[x + 3] = (w2 >> 18) & 0x3FF;
        s.cr[x + 4] = s.cr[x + 5] = (w3 >> 10) & 0x3FF;
    }
    for (int x = 6 * groups; x < width; ++x) {
        s.y[x] = formulas.sampleY(line, x, Formulas::FormatYCbCr422);
        s.cb[x] = formulas.sampleCb(line, x, Formulas::FormatYCbCr422);
        s.cr[x] = formulas.sampleCr(line, x, Formulas::FormatYCbCr422);
    }
}

void decodeRgbLine(const uchar *line, int width, quint32 *out)
{
    for (int x = 0; x < width; ++x) {
        const quint32 w = qFromLittleEndian<quint32>(line + 4 * x);
        // 10-bit R, G, B divided by 4 are bits 2-9, 12-19 and 22-29.
        out[x] = 0xFF000000u | ((w << 14) & 0xFF0000u) | ((w >> 4) & 0xFF00u) | ((w >> 22) & 0xFFu);
    }
}

} // namespace

bool FrameDecoder::accepts(const QByteArray &frame, const FrameHeader &header, const QImage &image)
{
    return header.problemWith(frame.size()).isEmpty() && image.width() == header.width
        && image.height() == header.height && image.depth() == 32;
}

bool FrameDecoder::decode(const Formulas &formulas, const QByteArray &frame, const FrameHeader &header, uint range,
                          QImage &image)
{
    if (!accepts(frame, header, image))
        return false;
    const auto *data = reinterpret_cast<const uchar *>(frame.constData());
    const int format = header.format;
    const int width = header.width;
    if (!isYCbCr(format)) {
        for (int y = 0; y < header.height; ++y) {
            auto *out = reinterpret_cast<quint32 *>(image.scanLine(y));
            if (format == Formulas::FormatRgb444Le)
                decodeRgbLine(data + header.lineOffset(y), width, out);
            else
                std::fill(out, out + width, Black);
        }
        return true;
    }
    const YCbCrLineConverter converter(range);
    if (format != Formulas::FormatYCbCr422) {
        for (int y = 0; y < header.height; ++y)
            converter.convertWords(data + header.lineOffset(y), format == Formulas::FormatYCbCr444,
                                   reinterpret_cast<quint32 *>(image.scanLine(y)), width);
        return true;
    }
    LineSamples samples(width);
    for (int y = 0; y < header.height; ++y) {
        unpackPackedLine(formulas, data + header.lineOffset(y), width, samples);
        converter.convert(samples.y.data(), samples.cb.data(), samples.cr.data(),
                          reinterpret_cast<quint32 *>(image.scanLine(y)), width);
    }
    return true;
}

bool FrameDecoder::decodeReference(const Formulas &formulas, const QByteArray &frame, const FrameHeader &header,
                                   uint range, QImage &image)
{
    if (!accepts(frame, header, image))
        return false;
    const auto *data = reinterpret_cast<const uchar *>(frame.constData());
    const int format = header.format;
    for (int y = 0; y < header.height; ++y) {
        const uchar *line = data + header.lineOffset(y);
        auto *out = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < header.width; ++x) {
            quint32 pixel = Black;
            if (isYCbCr(format)) {
                int r, g, b;
                formulas.ycbcrToRgb(formulas.sampleY(line, x, format), formulas.sampleCb(line, x, format),
                                    formulas.sampleCr(line, x, format), r, g, b, range);
                pixel = pixelFrom10Bit(r, g, b);
            } else if (format == Formulas::FormatRgb444Le) {
                const quint32 red = formulas.sampleCr(line, x, format) / 4;
                const quint32 green = formulas.sampleY(line, x, format) / 4;
                const quint32 blue = formulas.sampleCb(line, x, format) / 4;
                pixel = 0xFF000000u | (red << 16) | (green << 8) | blue;
            }
            out[x] = pixel;
        }
    }
    return true;
}
