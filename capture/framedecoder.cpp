#include "framedecoder.h"

#include "conversiontable.h"

#include <QtEndian>
#include <algorithm>
#include <optional>

namespace {

using CubrixUtils::Formulas;

inline quint32 convertedPixel(const ConversionTable &table, quint32 y, quint32 cb, quint32 cr)
{
    int r, g, b;
    table.convert(static_cast<int>(y), static_cast<int>(cb), static_cast<int>(cr), r, g, b);
    return FrameDecoder::pixelFrom10Bit(r, g, b);
}

// Format 1: whole 16-byte groups of six pixels are unpacked at once; a trailing partial
// group goes through the per-pixel sampling, which reads only the words it needs.
void decodePackedLine(const Formulas &formulas, const ConversionTable &table, const uchar *line, int width,
                      quint32 *out)
{
    const int groups = width / 6;
    for (int gi = 0; gi < groups; ++gi) {
        const uchar *p = line + 16 * gi;
        const quint32 w0 = qFromBigEndian<quint32>(p);
        const quint32 w1 = qFromBigEndian<quint32>(p + 4);
        const quint32 w2 = qFromBigEndian<quint32>(p + 8);
        const quint32 w3 = qFromBigEndian<quint32>(p + 12);
        const quint32 cb01 = (w0 >> 18) & 0x3FF;
        const quint32 cr01 = ((w0 & 0xFF) << 2) | (w1 >> 30);
        const quint32 cb23 = (w1 >> 10) & 0x3FF;
        const quint32 cr23 = (w2 >> 18) & 0x3FF;
        const quint32 cb45 = ((w2 & 0xFF) << 2) | (w3 >> 30);
        const quint32 cr45 = (w3 >> 10) & 0x3FF;
        quint32 *o = out + 6 * gi;
        o[0] = convertedPixel(table, (w0 >> 8) & 0x3FF, cb01, cr01);
        o[1] = convertedPixel(table, (w1 >> 20) & 0x3FF, cb01, cr01);
        o[2] = convertedPixel(table, w1 & 0x3FF, cb23, cr23);
        o[3] = convertedPixel(table, (w2 >> 8) & 0x3FF, cb23, cr23);
        o[4] = convertedPixel(table, (w3 >> 20) & 0x3FF, cb45, cr45);
        o[5] = convertedPixel(table, w3 & 0x3FF, cb45, cr45);
    }
    for (int x = 6 * groups; x < width; ++x)
        out[x] = convertedPixel(table, formulas.sampleY(line, x, 1), formulas.sampleCb(line, x, 1),
                                formulas.sampleCr(line, x, 1));
}

template <bool BigEndian>
void decodeYCbCrWordLine(const ConversionTable &table, const uchar *line, int width, quint32 *out)
{
    for (int x = 0; x < width; ++x) {
        const quint32 w = BigEndian ? qFromBigEndian<quint32>(line + 4 * x) : qFromLittleEndian<quint32>(line + 4 * x);
        out[x] = convertedPixel(table, (w >> 10) & 0x3FF, (w >> 20) & 0x3FF, w & 0x3FF);
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
    // Only the YCbCr formats need the (small) table.
    std::optional<ConversionTable> table;
    if (header.format == Formulas::FormatYCbCr422 || header.format == Formulas::FormatYCbCr444
        || header.format == Formulas::FormatYCbCr444Le)
        table.emplace(range);
    for (int y = 0; y < header.height; ++y) {
        const uchar *line = data + header.lineOffset(y);
        auto *out = reinterpret_cast<quint32 *>(image.scanLine(y));
        switch (header.format) {
        case Formulas::FormatYCbCr422: decodePackedLine(formulas, *table, line, header.width, out); break;
        case Formulas::FormatYCbCr444: decodeYCbCrWordLine<true>(*table, line, header.width, out); break;
        case Formulas::FormatYCbCr444Le: decodeYCbCrWordLine<false>(*table, line, header.width, out); break;
        case Formulas::FormatRgb444Le: decodeRgbLine(line, header.width, out); break;
        default: std::fill(out, out + header.width, Black); break;
        }
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
            if (format == Formulas::FormatYCbCr422 || format == Formulas::FormatYCbCr444
                || format == Formulas::FormatYCbCr444Le) {
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
